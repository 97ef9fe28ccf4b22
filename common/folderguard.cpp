#include "folderguard.h"

#include <windows.h>
#include <shlobj.h>

#include "sysinfo.h"
#include "text.h"

namespace suite {

std::string GuardForm(const std::string& path) {
  if (path.empty() || path.size() >= MAX_PATH) return std::string();
  char full[MAX_PATH + 1] = {};
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  if (n == 0 || n > MAX_PATH) return std::string();
  std::string out(full, n);
  char longer[MAX_PATH + 1] = {};
  DWORD m = GetLongPathNameA(out.c_str(), longer, MAX_PATH);
  if (m > 0 && m <= MAX_PATH) out.assign(longer, m);
  while (out.size() > 2 && EndsWithBackslash(out)) out.pop_back();
  return ToUpper(out);
}

bool IsRootForm(const std::string& form) {
  if (form.size() == 2 && form[1] == ':') return true;
  if (form.rfind("\\\\", 0) != 0) return false;
  // "\\server\share" (and "\\?\..." device forms, which the guard does not judge).
  if (form.size() > 2 && (form[2] == '?' || form[2] == '.')) return true;
  size_t slashes = 0;
  for (size_t i = 2; i < form.size(); ++i) slashes += form[i] == '\\';
  return slashes <= 1;
}

bool IsBelowForm(const std::string& inner, const std::string& outer) {
  return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
         (inner[outer.size()] == '\\' || EndsWithBackslash(outer));
}

const std::vector<GuardedFolder>& SystemGuardedFolders() {
  static const std::vector<GuardedFolder> folders = [] {
    std::vector<GuardedFolder> f;
    auto add = [&f](const std::string& path, SweptFolder kind = SweptFolder::None) {
      const std::string form = GuardForm(path);
      if (!form.empty()) f.push_back(GuardedFolder{form, kind});
    };
    add(WindowsFolder());
    add(SystemFolder());
    for (const std::string& other : OtherSystemFolders()) add(other);
    add(TempFolder(), SweptFolder::Temp);
    static const int kFolders[] = {
        CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES,
        CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86,
        CSIDL_FONTS, CSIDL_RESOURCES, CSIDL_PROFILE, CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL,
        CSIDL_FAVORITES, CSIDL_STARTMENU, CSIDL_PROGRAMS, CSIDL_STARTUP, CSIDL_SENDTO,
        CSIDL_TEMPLATES, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COOKIES, CSIDL_HISTORY,
        CSIDL_MYMUSIC, CSIDL_MYPICTURES, CSIDL_MYVIDEO, CSIDL_NETHOOD, CSIDL_PRINTHOOD,
        CSIDL_ADMINTOOLS, CSIDL_COMMON_ADMINTOOLS, CSIDL_COMMON_APPDATA,
        CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS, CSIDL_COMMON_FAVORITES,
        CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTUP,
        CSIDL_COMMON_TEMPLATES, CSIDL_COMMON_MUSIC, CSIDL_COMMON_PICTURES, CSIDL_COMMON_VIDEO};
    for (int csidl : kFolders) {
      char buf[MAX_PATH + 1] = {};
      if (SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) add(buf);
    }
    char buf[MAX_PATH + 1] = {};
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_RECENT, nullptr, SHGFP_TYPE_CURRENT, buf)))
      add(buf, SweptFolder::Recent);
    buf[0] = '\0';
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_INTERNET_CACHE, nullptr, SHGFP_TYPE_CURRENT, buf)))
      add(buf, SweptFolder::Cache);
    for (const char* name : {"Desktop", "Personal", "My Pictures", "My Music", "My Video",
                             "Favorites", "Start Menu", "Programs", "Startup", "SendTo",
                             "Templates", "Cookies", "History", "AppData", "Local AppData",
                             "Local Settings", "NetHood", "PrintHood", "Fonts",
                             "Common Favorites", "Common Desktop", "Common Start Menu",
                             "Common Programs", "Common Documents", "Common AppData"})
      add(ShellFolder(name));
    add(ShellFolder("Recent"), SweptFolder::Recent);
    add(ShellFolder("Cache"), SweptFolder::Cache);
    for (const char* variable : {"USERPROFILE", "ALLUSERSPROFILE", "PUBLIC", "ProgramFiles",
                                 "ProgramFiles(x86)", "ProgramW6432", "CommonProgramFiles",
                                 "SystemRoot", "windir", "ProgramData"}) {
      char value[MAX_PATH + 1] = {};
      DWORD n = GetEnvironmentVariableA(variable, value, MAX_PATH);
      if (n > 0 && n <= MAX_PATH) add(value);
    }
    return f;
  }();
  return folders;
}

bool IsSweepableFolder(const std::string& folder, SweptFolder kind,
                       const std::vector<GuardedFolder>& guarded) {
  const bool absolute = (folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\') ||
                        folder.rfind("\\\\", 0) == 0;
  if (!absolute || folder.find_first_of("*?") != std::string::npos) return false;
  const std::string form = GuardForm(folder);
  if (form.empty() || IsRootForm(form)) return false;
  // A temp folder says so in its path ("...\TEMP", "...\TMP", "...\TEMP\2"):
  // a temp path that names a data folder is not swept.
  if (kind == SweptFolder::Temp && form.find("TEMP") == std::string::npos &&
      form.find("TMP") == std::string::npos)
    return false;
  for (const GuardedFolder& g : guarded) {
    if (kind != SweptFolder::None && g.kind == kind) continue;
    if (form == g.form || IsBelowForm(g.form, form)) return false;
  }
  return true;
}

std::vector<GuardedFolder> GuardedFoldersOf(const std::vector<std::string>& paths) {
  std::vector<GuardedFolder> guarded;
  for (const std::string& path : paths) {
    const std::string form = GuardForm(path);
    if (!form.empty()) guarded.push_back(GuardedFolder{form, SweptFolder::None});
  }
  return guarded;
}

}  // namespace suite
