#include "pathcheck.h"

#include <windows.h>

#include "handles.h"
#include "sysinfo.h"
#include "text.h"

namespace suite {

const PathCheckVariant kCleanerPathCheck{true, 3, true};
const PathCheckVariant kRegistryScannerPathCheck{true, 6, true};
const PathCheckVariant kShortcutPathCheck{false, 4, false};

namespace {

void RemoveQuotes(std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    if (c != '"') out.push_back(c);
  s.swap(out);
}

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

// The name Windows looks up for a path component: trailing blanks and dots go.
std::string LookupName(const std::string& name) {
  size_t end = name.find_last_not_of(" .");
  return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

}  // namespace

PathChecker::PathChecker(const PathCheckVariant& variant)
    : PathChecker(variant, NonFixedDrives()) {}

PathChecker::PathChecker(const PathCheckVariant& variant, std::vector<std::string> nonFixedRoots)
    : variant_(variant), nonFixedRoots_(std::move(nonFixedRoots)),
      otherSystemFolders_(OtherSystemFolders()), systemPrefix_(ToUpper(SystemFolder()) + "\\") {}

bool PathChecker::OnNonFixedDrive(const std::string& text) const {
  // Drive letters are compared without regard to case: "e:\" is drive E too.
  const std::string upper = ToUpper(text);
  for (const std::string& root : nonFixedRoots_)
    if (upper.find(ToUpper(root)) != std::string::npos) return true;
  return false;
}

bool PathChecker::FileReferenceExists(const std::string& original) {
  std::string text = original;
  if (variant_.driveGate && !(text.size() >= 3 && text[1] == ':' && text[2] == '\\'))
    return true;
  if (ToUpper(text).find("\\INSTALLER\\") != std::string::npos) return true;
  if (text.size() <= variant_.lengthLimit) return true;
  RemoveQuotes(text);
  if (variant_.semicolonCut) {
    size_t semi = text.find(';');
    if (semi != std::string::npos) text.resize(semi);
  }
  // A text the test cannot judge is taken as present: one at or over the
  // Windows path limit, one with wildcards (often a name that an earlier
  // conversion turned into "?"), one whose bytes are no text of the ANSI code
  // page.
  if (!Judgeable(text)) return true;
  // For a plain name the prefix test also answers the look-up of the whole
  // text (its last prefix is the whole name, which it asks of the system when
  // the folder listing lacks it).
  const size_t cut = LastBackslash(text);
  const bool plain = cut != std::string::npos && !LookupName(text.substr(cut + 1)).empty();
  if (plain ? PrefixExists(text) : (PathExists(text) || PrefixExists(text))) return true;
  // A command line whose arguments hold backslashes ("C:\App\app.exe /cfg
  // C:\Data\app.cfg") is present when its program is: the program is a file
  // whose name is followed by a blank, in any folder level of the text.
  for (size_t at = text.find(' '); at != std::string::npos; at = text.find(' ', at + 1)) {
    const std::string program = text.substr(0, at);
    const size_t folderEnd = LastBackslash(program);
    if (folderEnd == std::string::npos || folderEnd + 1 >= program.size()) continue;
    if (LastBackslash(text) <= at) break;  // PrefixExists has judged the last part
    if (IsFile(program)) return true;
  }
  return false;
}

bool PathChecker::Judgeable(const std::string& text) {
  if (text.size() >= MAX_PATH || HasWildcard(text)) return false;
  if (text.empty()) return true;
  return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.c_str(),
                             static_cast<int>(text.size()), nullptr, 0) > 0;
}

bool PathChecker::IsFile(const std::string& path) {
  if (OnNonFixedDrive(path)) return true;
  const size_t cut = LastBackslash(path);
  const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  if (LookupName(name).empty()) return false;
  const DWORD attr = Attributes(path);
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD PathChecker::Attributes(const std::string& path) {
  DWORD attr = GetFileAttributesA(path.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES) return attr;
  // A 32-bit program's "system32" may mean either system folder of a 64-bit
  // Windows: a file in any of them is present.
  const std::string& system = systemPrefix_;
  if (!otherSystemFolders_.empty() && system.size() > 1 &&
      ToUpper(path).compare(0, system.size(), system) == 0) {
    for (const std::string& other : otherSystemFolders_) {
      attr = GetFileAttributesA(JoinPath(other, path.substr(system.size())).c_str());
      if (attr != INVALID_FILE_ATTRIBUTES) return attr;
    }
  }
  return INVALID_FILE_ATTRIBUTES;
}

bool PathChecker::PathExists(const std::string& original) {
  std::string text = original;
  RemoveQuotes(text);
  DropTrailingBackslash(text);
  if (OnNonFixedDrive(text)) return true;
  if (text.empty()) return false;
  if (!Judgeable(text)) return true;
  if (Attributes(text) != INVALID_FILE_ATTRIBUTES) return true;
  DropTrailingBackslash(text);
  if (!text.empty() && text.back() == '.') text.pop_back();
  if (text.empty()) return false;
  WIN32_FIND_DATAA data;
  UniqueFind find(FindFirstFileA(text.c_str(), &data));
  // Any entry found counts, folders included: callers expect a folder that
  // exists to be present.
  return static_cast<bool>(find);
}

const PathChecker::Folder& PathChecker::ListFolder(const std::string& folder) {
  const std::string key = ToUpper(folder);
  auto it = folders_.find(key);
  if (it != folders_.end()) return *it->second;
  auto entry = std::make_unique<Folder>();
  DWORD attr = GetFileAttributesA(folder.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) {
    entry->exists = true;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA((folder + "*").c_str(), &data));
    if (find) {
      do {
        entry->upperNames.insert(ToUpper(data.cFileName));
        if (data.cAlternateFileName[0]) entry->upperNames.insert(ToUpper(data.cAlternateFileName));
      } while (FindNextFileA(find.get(), &data));
    }
  }
  return *folders_.emplace(key, std::move(entry)).first->second;
}

bool PathChecker::PrefixExists(const std::string& original) {
  std::string text = original;
  RemoveQuotes(text);
  size_t cut = LastBackslash(text);
  if (cut == std::string::npos) return false;
  const std::string folder = text.substr(0, cut + 1);
  const std::string name = text.substr(cut + 1);
  if (name.empty()) return false;
  // Every candidate is the folder plus a piece of the name; the non-fixed drive
  // rule sees only the folder part (a root ends in the folder's backslash).
  if (OnNonFixedDrive(folder)) return true;
  if (HasWildcard(name) || folder.size() + name.size() >= MAX_PATH) {
    for (size_t i = 1; i <= name.size(); ++i)
      if (PathExists(folder + name.substr(0, i))) return true;
    return false;
  }
  // Without wildcards, folder + prefix exists exactly when the folder holds an
  // entry of that name (as Windows looks names up): one listing answers the
  // names it holds. Its "no" is never final: the listing compares letter case
  // only for ASCII and may be older than the file, so a name it lacks is
  // asked of the system (once per distinct look-up name).
  const Folder& listing = ListFolder(folder);
  if (listing.exists) {
    for (size_t i = 1; i <= name.size(); ++i) {
      std::string candidate = LookupName(name.substr(0, i));
      if (!candidate.empty() && listing.upperNames.count(ToUpper(candidate))) return true;
    }
  }
  // The system is asked for the whole name and for every prefix that ends
  // before a blank or a comma (a program followed by its arguments).
  std::string previous;
  for (size_t i = 1; i <= name.size(); ++i) {
    if (i < name.size() && name[i] != ' ' && name[i] != ',') continue;
    const std::string candidate = LookupName(name.substr(0, i));
    if (candidate.empty() || candidate == previous) continue;
    previous = candidate;
    if (Attributes(folder + candidate) != INVALID_FILE_ATTRIBUTES) return true;
  }
  return false;
}

}  // namespace suite
