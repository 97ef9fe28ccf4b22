// "-Preview" of every cleaner, run for real in the sandbox: the preview must
// leave the seeded files, the registry keys, the Recycle Bin, the backup store
// and the normal log exactly as they were, list its findings in
// "<log>-Preview.log", and a following real run must remove exactly what the
// preview listed, in the same order and the same log layout.
#include <gtest/gtest.h>
#include <objbase.h>
#include <wininet.h>

#include <algorithm>
#include <functional>
#include <set>

#include "inifile.h"
#include "localhttp.h"
#include "plugins.h"
#include "registry.h"
#include "regremoval.h"
#include "sysinfo.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;

namespace {

const char kBin[] = "C:\\suite-e2e-preview";
const char kFiles[] = "C:\\suite-e2e-pv-files";
const char kSuiteKey[] = "Software\\Quillon";
const char kExplorerKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string Hex(const BYTE* data, DWORD size) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (DWORD i = 0; i < size; ++i) {
    s += digits[data[i] >> 4];
    s += digits[data[i] & 15];
  }
  return s;
}

// Every file and folder below `folder` with its attributes and bytes; names
// that end in "-Preview.log" (what the preview may write) are left out.
void FilesBelow(const std::string& folder, std::string& out, int depth = 0) {
  if (depth > 20) return;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::pair<std::string, DWORD>> entries;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string upper = suite::ToUpper(name);
    if (upper.size() >= 12 && upper.compare(upper.size() - 12, 12, "-PREVIEW.LOG") == 0) continue;
    entries.emplace_back(name, data.dwFileAttributes);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(entries.begin(), entries.end());
  for (const auto& e : entries) {
    const std::string path = folder + "\\" + e.first;
    out += path + " attr=" + std::to_string(e.second);
    if (e.second & FILE_ATTRIBUTE_DIRECTORY) {
      out += "\n";
      if (!(e.second & FILE_ATTRIBUTE_REPARSE_POINT)) FilesBelow(path, out, depth + 1);
    } else {
      out += " bytes=" + t::ReadBytes(path) + "\n";
    }
  }
}

// A key, its values (types and data) and every key below it.
void KeyTree(HKEY root, const std::wstring& path, std::string& out, int depth = 0) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    out += suite::AnsiFromWide(path) + " (none)\n";
    return;
  }
  out += "[" + suite::AnsiFromWide(path) + "]\n";
  std::vector<std::string> values;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLen = 16384, type = 0, size = 0;
    if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      break;
    std::vector<BYTE> bytes(size + 2);
    nameLen = 16384;
    DWORD got = size;
    RegEnumValueW(key, i, name, &nameLen, nullptr, &type, bytes.data(), &got);
    values.push_back(suite::AnsiFromWide(std::wstring(name, nameLen)) + " type=" +
                     std::to_string(type) + " data=" + Hex(bytes.data(), got));
  }
  std::sort(values.begin(), values.end());
  for (const auto& v : values) out += "  " + v + "\n";
  std::vector<std::wstring> subkeys;
  suite::SubkeyNamesW(key, subkeys);
  RegCloseKey(key);
  std::sort(subkeys.begin(), subkeys.end());
  if (depth < 40)
    for (const auto& s : subkeys) KeyTree(root, path + L"\\" + s, out, depth + 1);
}

// What a cleaner may touch, taken before and after a preview.
struct Watched {
  std::vector<std::string> folders;
  std::vector<std::pair<HKEY, std::string>> keys;

  std::string Take() const {
    std::string out;
    for (const auto& f : folders) {
      out += "folder " + f + (t::Exists(f) ? "\n" : " (none)\n");
      FilesBelow(f, out);
    }
    for (const auto& k : keys) KeyTree(k.first, suite::WideFromAnsi(k.second), out);
    std::vector<std::string> bin = t::RecycledPaths();
    std::sort(bin.begin(), bin.end());
    for (const auto& p : bin) out += "recycled " + p + "\n";
    return out;
  }
};

std::vector<std::string> Section(const std::string& path, const std::string& section) {
  suite::IniFile log(path);
  log.ReadFile();
  std::vector<std::string> items;
  for (int i = 0, n = log.NumValues(section); i < n; ++i)
    items.push_back(log.GetValue(section, "Item" + std::to_string(i)));
  return items;
}

std::string Upper(std::string s) { return suite::ToUpper(std::move(s)); }

bool Lists(const std::vector<std::string>& items, const std::string& entry) {
  for (const auto& i : items)
    if (Upper(i) == Upper(entry)) return true;
  return false;
}

using t::SavedValue;


std::string Favorite(const std::string& url) {
  return "[DEFAULT]\r\nBASEURL=" + url + "\r\n[InternetShortcut]\r\nURL=" + url + "\r\n";
}

// Points a "Shell Folders" value at a scratch folder while the object lives.
class ShellFolderOverride {
 public:
  ShellFolderOverride(HKEY root, const std::string& name, const std::string& folder)
      : saved_(root, kShellFolders, name) {
    t::SetString(root, kShellFolders, name, folder);
  }

 private:
  SavedValue saved_;
};

class Preview : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    t::EmptyRecycleBin();
    t::RemoveTree(kBin);
    t::RemoveTree(kFiles);
    t::InstallFromDist(kBin, {"Snipwell.exe", "Snipwell.ini", "Hivemend.exe", "Hivemend.ini",
                              "Patchmoor.exe", "Marksift.exe", "TipList.ini", "Dustrel.exe",
                              "Dustrel.ini", "Brisko.exe", "Brisko.ini", "SubPro.htm"});
    t::MakeDirs(kFiles);
    // Never shut the machine down, never delete past the Recycle Bin; only
    // the temp folder is a target of the main cleaner unless a test ticks more.
    t::SetDword(HKEY_LOCAL_MACHINE, kSuiteKey, "AutoExitWindows", 0);
    if (t::ValueExists(HKEY_LOCAL_MACHINE, kExplorerKey, "DeleteNoBackup"))
      suite::RemoveSettingValue("HKEY_LOCAL_MACHINE", kExplorerKey, "DeleteNoBackup");
    Select({});
  }
  void TearDown() override {
    t::RemoveTree(kBin);
    t::RemoveTree(kFiles);
    t::EmptyRecycleBin();
    CoUninitialize();
  }

  static t::ProcessResult Run(const std::string& program, const std::string& args) {
    return t::RunProcess(std::string(kBin) + "\\" + program + " " + args, kBin, 600000);
  }
  static std::string Bin(const std::string& name) { return std::string(kBin) + "\\" + name; }

  // The saved selection of the main cleaner: no drive, OtherItem1..26 as listed.
  static void Select(std::set<int> otherItems, bool driveQ = false) {
    std::vector<std::pair<std::string, bool>> rows;
    for (const std::string& root : suite::FixedDrives()) rows.emplace_back(root, driveQ && root == "Q:\\");
    for (int n = 1; n <= 26; ++n)
      rows.emplace_back("OtherItem" + std::to_string(n), otherItems.count(n) > 0);
    t::SetDustrelSelection(rows);
  }

  // The whole check for one cleaner: an old normal log that must stay, the
  // preview (nothing watched may change), its log, then the real run, whose
  // log must hold exactly what the preview's held. Returns the preview's
  // "Files" so the caller can check its seeded entries.
  std::vector<std::string> PreviewThenReal(const std::string& program, const std::string& mode,
                                           const std::string& logName, Watched watched,
                                           const std::function<void()>& beforeReal = {}) {
    const std::string log = Bin(logName + ".log");
    const std::string previewLog = Bin(logName + "-Preview.log");
    const std::string oldLog = "[Numbers]\r\nItem0=41\r\n\r\n[Files]\r\nItem0=earlier\r\n\r\n";
    EXPECT_TRUE(t::WriteBytes(log, oldLog));
    watched.folders.push_back(kBin);  // the normal log and the backup store
    const std::string before = watched.Take();

    const t::ProcessResult preview = Run(program, mode + " -Preview");
    EXPECT_FALSE(preview.timedOut);
    EXPECT_EQ(preview.exitCode, 0u);
    EXPECT_EQ(watched.Take(), before) << program << " " << mode << " -Preview changed the system";
    EXPECT_EQ(t::ReadBytes(log), oldLog);
    const std::vector<std::string> numbers = Section(previewLog, "Numbers");
    const std::vector<std::string> files = Section(previewLog, "Files");
    const std::string previewBytes = t::ReadBytes(previewLog);

    DeleteFileA(log.c_str());
    if (beforeReal) beforeReal();
    const t::ProcessResult real = Run(program, mode);
    EXPECT_FALSE(real.timedOut);
    EXPECT_EQ(real.exitCode, 0u);
    EXPECT_EQ(t::ReadBytes(log), previewBytes)
        << "the real run removed other entries than the preview listed";
    EXPECT_EQ(Section(log, "Files"), files);
    EXPECT_EQ(Section(log, "Numbers"), numbers);
    return files;
  }
};

}  // namespace

TEST_F(Preview, SnipwellListsTheBrokenShortcutsTheRealRunRemoves) {
  t::ScratchDir desk(t::ProfileFolder() + "\\Desktop\\suite-pv");
  t::WriteBytes(std::string(kFiles) + "\\app.exe", "MZ");
  ASSERT_TRUE(t::MakeShortcut(desk / "healthy.lnk", std::string(kFiles) + "\\app.exe"));
  ASSERT_TRUE(t::MakeShortcut(desk / "broken.lnk", std::string(kFiles) + "\\gone.exe"));
  ASSERT_TRUE(t::MakeShortcut(desk / "broken too.lnk", std::string(kFiles) + "\\gone2.exe"));
  const std::vector<std::string> listed =
      PreviewThenReal("Snipwell.exe", "-Auto", "Snipwell", Watched{{desk.Path(), kFiles}, {}});
  EXPECT_TRUE(Lists(listed, desk / "broken.lnk"));
  EXPECT_TRUE(Lists(listed, desk / "broken too.lnk"));
  EXPECT_FALSE(Lists(listed, desk / "healthy.lnk"));
  EXPECT_FALSE(t::Exists(desk / "broken.lnk"));
  EXPECT_TRUE(t::Exists(desk / "healthy.lnk"));
}

// A second argument that is not exactly "-Preview", or a third one, runs
// nothing: exit status 2, nothing removed, no log of either kind.
TEST_F(Preview, AMisspelledSwitchRunsNothing) {
  t::ScratchDir desk(t::ProfileFolder() + "\\Desktop\\suite-pv");
  ASSERT_TRUE(t::MakeShortcut(desk / "broken.lnk", std::string(kFiles) + "\\gone.exe"));
  DeleteFileA(Bin("Snipwell.log").c_str());
  for (const char* wrong : {"-preview", "-Preview2", "/Preview", "--preview", "-Preview extra"}) {
    const t::ProcessResult r = Run("Snipwell.exe", std::string("-Auto ") + wrong);
    EXPECT_EQ(r.exitCode, 2u) << wrong;
    EXPECT_TRUE(t::Exists(desk / "broken.lnk")) << wrong;
    EXPECT_FALSE(t::Exists(Bin("Snipwell.log"))) << wrong;
    EXPECT_FALSE(t::Exists(Bin("Snipwell-Preview.log"))) << wrong;
  }
}

TEST_F(Preview, PatchmoorListsTheBackupFoldersTheRealRunMoves) {
  const std::string win = suite::WindowsFolder();
  const std::string folder = win + "\\$NtUninstallKB9955501$";
  t::WriteBytes(win + "\\KB9955501.log", "installed");
  t::WriteBytes(folder + "\\spuninst\\a.dll", std::string(2048, 'a'));
  const std::vector<std::string> listed = PreviewThenReal(
      "Patchmoor.exe", "-Auto", "Patchmoor", Watched{{folder}, {}});
  EXPECT_TRUE(Lists(listed, folder));
  EXPECT_FALSE(t::Exists(folder));
  DeleteFileA((win + "\\KB9955501.log").c_str());
  t::RemoveTree(folder);
}

TEST_F(Preview, HivemendListsTheEntriesTheRealRunBacksUpAndRemoves) {
  const std::string appPath = std::string(kAppPaths) + "\\pv-e2e.exe";
  t::SetString(HKEY_LOCAL_MACHINE, appPath, "", std::string(kFiles) + "\\gone.exe");
  t::SetString(HKEY_LOCAL_MACHINE, appPath, "Path", kFiles);
  const std::vector<std::string> listed = PreviewThenReal(
      "Hivemend.exe", "-Auto", "Hivemend", Watched{{}, {{HKEY_LOCAL_MACHINE, kAppPaths}}});
  EXPECT_TRUE(Lists(listed, "HKEY_LOCAL_MACHINE\\" + appPath));
  EXPECT_FALSE(t::KeyExists(HKEY_LOCAL_MACHINE, appPath));
  EXPECT_FALSE(suite::ListBackups(Bin(suite::BackupStoreName())).empty())
      << "the real run backs up first";
  suite::DeleteKeyTree(HKEY_LOCAL_MACHINE, appPath);
}

// The temp folder's junk and a ticked drive's; a read-only junk file keeps its
// attributes through the preview.
TEST_F(Preview, DustrelListsTheJunkTheRealRunRecycles) {
  const std::string temp = suite::TempFolder();
  const std::string q = "Q:\\pv-e2e";
  t::RemoveTree(q);
  t::WriteBytes(temp + "pv-e2e-1.tmp", "junk");
  t::WriteBytes(temp + "pv-e2e.dir\\inner.txt", "junk");
  t::WriteBytes(q + "\\junk.old", "junk");
  t::WriteBytes(q + "\\keep.txt", "keep");
  t::WriteBytes(q + "\\locked.old", "read-only junk");
  SetFileAttributesA((q + "\\locked.old").c_str(), FILE_ATTRIBUTE_READONLY);
  Select({}, true);

  const std::vector<std::string> listed = PreviewThenReal(
      "Dustrel.exe", "-Auto", "Dustrel", Watched{{q, temp + "pv-e2e.dir"}, {}});
  for (const std::string& f : {temp + "pv-e2e-1.tmp", temp + "pv-e2e.dir\\inner.txt",
                               q + "\\junk.old", q + "\\locked.old"}) {
    EXPECT_TRUE(Lists(listed, f)) << f;
    EXPECT_FALSE(t::Exists(f)) << f;
  }
  EXPECT_FALSE(Lists(listed, q + "\\keep.txt"));
  EXPECT_TRUE(t::Exists(q + "\\keep.txt"));
  DeleteFileA((temp + "pv-e2e-1.tmp").c_str());
  t::RemoveTree(temp + "pv-e2e.dir");
  t::RemoveTree(q);
}

// "-Track": a definition's registry value, key and files; the backup store is
// not made by the preview.
TEST_F(Preview, DustrelTrackListsTheDefinitionsWhoseEntriesTheRealRunRemoves) {
  const std::string files = kFiles;
  t::MakeDirs(files + "\\cache");
  for (const char* f : {"history.dat", "keep.txt", "cache\\c1.dat", "cache\\c2.dat"})
    ASSERT_TRUE(t::WriteBytes(files + "\\" + f, "trace"));
  t::ScratchKey key("pv-track");
  t::SetString(HKEY_CURRENT_USER, key.Path(), "LastFile", "C:\\docs\\a.txt");
  t::SetString(HKEY_CURRENT_USER, key.Path(), "Other", "keep");
  t::SetString(HKEY_CURRENT_USER, key.Sub("Recent"), "1", "C:\\docs\\b.txt");
  t::SetString(HKEY_CURRENT_USER, key.Sub("Recent\\Deep"), "n", "v");
  const std::string plugins = Bin("CleanPlugin");
  t::MakeDirs(plugins);
  ASSERT_TRUE(t::WriteBytes(plugins + "\\pv-found.dat", dustrel::LockText(
      "[Information]\r\nDescription=预览 历史记录\r\nSelected=1\r\n[Registry]\r\n"
      "Reg0=RootKey:HKEY_CURRENT_USER; SubKey:\\" + key.Path() + "; Type:Value; Pattern:lastfile;\r\n"
      "Reg1=RootKey:HKEY_CURRENT_USER; SubKey:\\" + key.Path() + "; Type:Key; Pattern:Recent;\r\n"
      "[File/Folder]\r\n"
      "File0=Source:" + files + "; Type:File; Pattern:history.dat;\r\n"
      "File1=Source:" + files + "\\cache; Type:Folder; Pattern:*.*;\r\n")));
  ASSERT_TRUE(t::WriteBytes(plugins + "\\pv-empty.dat", dustrel::LockText(
      "[Information]\r\nDescription=E2E\r\nSelected=1\r\n[Registry]\r\n"
      "Reg0=RootKey:HKEY_CURRENT_USER; SubKey:\\Software\\SuiteTests\\pv-none; Type:Value; Pattern:x;\r\n")));

  const std::vector<std::string> listed = PreviewThenReal(
      "Dustrel.exe", "-Track", "History", Watched{{files}, {{HKEY_CURRENT_USER, key.Path()}}});
  EXPECT_TRUE(Lists(listed, plugins + "\\pv-found.dat"));
  EXPECT_FALSE(Lists(listed, plugins + "\\pv-empty.dat"));
  EXPECT_FALSE(t::ValueExists(HKEY_CURRENT_USER, key.Path(), "LastFile"));
  EXPECT_FALSE(t::KeyExists(HKEY_CURRENT_USER, key.Sub("Recent")));
  EXPECT_TRUE(t::ValueExists(HKEY_CURRENT_USER, key.Path(), "Other"));
  EXPECT_FALSE(t::Exists(files + "\\history.dat"));
}

TEST_F(Preview, MarksiftListsTheDeadFavoritesTheRealRunRecycles) {
  marksift::test::LocalHttpServer server;
  t::ScratchDir user(std::string(kFiles) + "\\Favorites");
  t::ScratchDir common(std::string(kFiles) + "\\Common Favorites");
  ShellFolderOverride userFolder(HKEY_CURRENT_USER, "Favorites", user.Path());
  ShellFolderOverride commonFolder(HKEY_LOCAL_MACHINE, "Common Favorites", common.Path());
  t::WriteBytes(user / "Gone.url", Favorite(server.Url("/gone")));
  t::WriteBytes(user / "Fine.url", Favorite(server.Url("/ok")));
  t::WriteBytes(common / "Removed.url", Favorite(server.Url("/removed")));
  // The system's shell sets "Shell Folders" back to the profile's folders
  // when a program starts; the real run is pointed at the scratch folders again.
  const auto pointAgain = [&] {
    t::SetString(HKEY_CURRENT_USER, kShellFolders, "Favorites", user.Path());
    t::SetString(HKEY_LOCAL_MACHINE, kShellFolders, "Common Favorites", common.Path());
  };
  const std::vector<std::string> listed = PreviewThenReal(
      "Marksift.exe", "-Auto", "Marksift", Watched{{user.Path(), common.Path()}, {}}, pointAgain);
  EXPECT_TRUE(Lists(listed, user / "Gone.url"));
  EXPECT_TRUE(Lists(listed, common / "Removed.url"));
  EXPECT_FALSE(Lists(listed, user / "Fine.url"));
  EXPECT_FALSE(t::Exists(user / "Gone.url")) << server.Hits("/gone") << " requests of /gone";
  EXPECT_TRUE(t::Exists(user / "Fine.url"));
}

// The console passes "-Preview" on to every step and reads the steps'
// preview logs; the normal logs of an earlier run stay as they were.
TEST_F(Preview, BriskoPreviewsEveryStepAndTheRealRunRemovesTheSame) {
  t::WindowsVersionFor xp("Brisko.exe", "winxp");  // the suite's own Patchmoor runs the last step
  t::ScratchDir desk(t::ProfileFolder() + "\\Desktop\\suite-pv");
  ASSERT_TRUE(t::MakeShortcut(desk / "broken.lnk", std::string(kFiles) + "\\gone.exe"));
  const std::string temp = suite::TempFolder();
  t::WriteBytes(temp + "pv-e2e.dir\\console.tmp", "junk");
  const std::string appPath = std::string(kAppPaths) + "\\pv-console.exe";
  t::SetString(HKEY_LOCAL_MACHINE, appPath, "", std::string(kFiles) + "\\gone.exe");
  const std::string win = suite::WindowsFolder();
  const std::string patch = win + "\\$NtUninstallKB9955502$";
  t::WriteBytes(win + "\\KB9955502.log", "installed");
  t::WriteBytes(patch + "\\a.dll", "MZ");

  const char* const logs[] = {"Snipwell", "Marksift", "Dustrel", "History", "Hivemend", "Patchmoor"};
  const std::string oldLog = "[Numbers]\r\nItem0=41\r\n\r\n";
  for (const char* l : logs) t::WriteBytes(Bin(std::string(l) + ".log"), oldLog);
  Watched watched{{desk.Path(), temp + "pv-e2e.dir", patch, kBin},
                  {{HKEY_LOCAL_MACHINE, kAppPaths}}};
  const std::string before = watched.Take();
  const t::ProcessResult preview = Run("Brisko.exe", "-Auto -Preview");
  EXPECT_FALSE(preview.timedOut);
  EXPECT_EQ(preview.exitCode, 0u);
  EXPECT_EQ(watched.Take(), before) << "Brisko.exe -Auto -Preview changed the system";
  std::vector<std::string> previewBytes;
  for (const char* l : logs) {
    EXPECT_EQ(t::ReadBytes(Bin(std::string(l) + ".log")), oldLog) << l;
    previewBytes.push_back(t::ReadBytes(Bin(std::string(l) + "-Preview.log")));
  }
  EXPECT_TRUE(Lists(Section(Bin("Snipwell-Preview.log"), "Files"), desk / "broken.lnk"));
  EXPECT_TRUE(Lists(Section(Bin("Dustrel-Preview.log"), "Files"), temp + "pv-e2e.dir\\console.tmp"));
  EXPECT_TRUE(Lists(Section(Bin("Hivemend-Preview.log"), "Files"), "HKEY_LOCAL_MACHINE\\" + appPath));
  EXPECT_TRUE(Lists(Section(Bin("Patchmoor-Preview.log"), "Files"), patch));

  const t::ProcessResult real = Run("Brisko.exe", "-Auto");
  EXPECT_EQ(real.exitCode, 0u);
  for (size_t i = 0; i < 6; ++i)
    EXPECT_EQ(t::ReadBytes(Bin(std::string(logs[i]) + ".log")), previewBytes[i]) << logs[i];
  EXPECT_FALSE(t::Exists(desk / "broken.lnk"));
  EXPECT_FALSE(t::Exists(patch));
  EXPECT_FALSE(t::KeyExists(HKEY_LOCAL_MACHINE, appPath));
  t::RemoveTree(temp + "pv-e2e.dir");
  DeleteFileA((win + "\\KB9955502.log").c_str());
  t::RemoveTree(patch);
  suite::DeleteKeyTree(HKEY_LOCAL_MACHINE, appPath);
}

namespace {

// Entries of the URL cache whose address holds `host`: history, cookies, pages.
struct CacheCounts {
  int history = 0, cookies = 0, pages = 0;
  bool operator==(const CacheCounts& o) const {
    return history == o.history && cookies == o.cookies && pages == o.pages;
  }
};
CacheCounts CountCache(const std::string& host) {
  CacheCounts counts;
  std::vector<uint64_t> buffer(65536 / 8);
  auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
  DWORD size = 65536;
  HANDLE find = FindFirstUrlCacheEntryA(nullptr, entry, &size);
  if (!find) return counts;
  do {
    const std::string url = entry->lpszSourceUrlName ? entry->lpszSourceUrlName : "";
    if (url.find(host) != std::string::npos) {
      if (entry->CacheEntryType & 0x00200000) ++counts.history;
      else if (entry->CacheEntryType & 0x00100000) ++counts.cookies;
      else ++counts.pages;
    }
    size = 65536;
  } while (FindNextUrlCacheEntryA(find, entry, &size));
  FindCloseUrlCache(find);
  return counts;
}

}  // namespace

// The privacy traces and the browser stores: registry trace rows, saved
// passwords (backed up, then removed), the cache, history and cookies. The
// preview empties no store, changes no key and writes no backup.
TEST_F(Preview, DustrelTracesAndBrowserStoresAreOnlyListed) {
  const std::string typed = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
  const std::string forms = "Software\\Microsoft\\Internet Explorer\\IntelliForms";
  SavedValue version(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", "Version");
  t::SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", "Version",
               "9.11.9600.0");
  t::SetString(HKEY_CURRENT_USER, typed, "SuitePvUrl", "http://typed.example/");
  t::SetString(HKEY_CURRENT_USER, forms + "\\SPW", "SuitePvSaved", "secret");
  const std::string host = "http://suite-preview.example/";
  char file[MAX_PATH] = {};
  ASSERT_TRUE(CreateUrlCacheEntryA((host + "page.htm").c_str(), 0, "htm", file, 0));
  t::WriteBytes(file, "<html/>");
  FILETIME none{};
  ASSERT_TRUE(CommitUrlCacheEntryA((host + "page.htm").c_str(), file, none, none,
                                   NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr));
  ASSERT_TRUE(CommitUrlCacheEntryA(("Visited: suiteuser@" + host + "seen.htm").c_str(), nullptr,
                                   none, none, URLHISTORY_CACHE_ENTRY, nullptr, 0, nullptr,
                                   nullptr));
  ASSERT_TRUE(InternetSetCookieA(host.c_str(), "SuitePvCookie",
                                 "1; expires=Sat, 01-Jan-2039 00:00:00 GMT"));
  const CacheCounts seeded = CountCache("suite-preview.example");
  ASSERT_EQ(seeded.pages, 1);
  ASSERT_EQ(seeded.history, 1);
  // OtherItem1 the cache, 2 history, 3 typed addresses, 4 cookies, 26 passwords.
  Select({1, 2, 3, 4, 26});

  const auto storesKept = [&] {
    EXPECT_TRUE(CountCache("suite-preview.example") == seeded) << "the preview emptied a store";
    EXPECT_TRUE(t::Exists(file));
  };
  const std::vector<std::string> listed =
      PreviewThenReal("Dustrel.exe", "-Auto", "Dustrel",
                      Watched{{}, {{HKEY_CURRENT_USER, typed}, {HKEY_CURRENT_USER, forms}}},
                      storesKept);
  EXPECT_TRUE(Lists(listed, "HKEY_CURRENT_USER\\" + typed + "|SuitePvUrl"));
  EXPECT_FALSE(t::ValueExists(HKEY_CURRENT_USER, typed, "SuitePvUrl"));
  EXPECT_FALSE(t::KeyExists(HKEY_CURRENT_USER, forms));
  const CacheCounts after = CountCache("suite-preview.example");
  EXPECT_EQ(after.history, 0);
  EXPECT_EQ(after.cookies, 0);
  EXPECT_EQ(after.pages, 0);
  DeleteUrlCacheEntryA((host + "page.htm").c_str());
}
