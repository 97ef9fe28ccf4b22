// The privacy traces through the real Dustrel.exe: "-Auto" with a saved
// selection of trace rows removes the ticked registry traces, the saved
// passwords and the URL-cache stores, keeps the rows inserted unticked, logs
// what is gone and leaves a backup that brings every removed entry back.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <set>

#include "inifile.h"
#include "registry.h"
#include "regstore.h"
#include "sysinfo.h"
#include "traces/browserstores.h"
#include "traceseed.h"

using namespace tracetest;

namespace {

using t::SavedValue;

const char kBin[] = "C:\\suite-e2e-traces";
const char kSuiteKey[] = "Software\\Quillon";
const std::string kCV = "Software\\Microsoft\\Windows\\CurrentVersion";
const std::string kForms = "Software\\Microsoft\\Internet Explorer\\IntelliForms";
const std::string kMenuExt = "Software\\Microsoft\\Internet Explorer\\MenuExt";

class TracesE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    t::RemoveTree(kBin);
    t::InstallFromDist(kBin, {"Dustrel.exe", "Dustrel.ini"});
    t::SetDword(HKEY_LOCAL_MACHINE, kSuiteKey, "AutoExitWindows", 0);
    t::SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", "Version",
                 "9.11.9600.0");
  }
  void TearDown() override {
    t::RemoveTree(kBin);
    t::EmptyRecycleBin();
  }

  // No fixed drive, OtherItem<n> ticked for the listed n.
  static void Select(const std::set<int>& otherItems) {
    std::vector<std::pair<std::string, bool>> rows;
    for (const std::string& root : suite::FixedDrives()) rows.emplace_back(root, false);
    for (int n = 1; n <= 26; ++n)
      rows.emplace_back("OtherItem" + std::to_string(n), otherItems.count(n) > 0);
    t::SetDustrelSelection(rows);
  }
  static t::ProcessResult Auto() {
    return t::RunProcess(std::string(kBin) + "\\Dustrel.exe -Auto", kBin, 300000);
  }
  static std::string Store() {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((std::string(kBin) + "\\Reg-Backup*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return std::string();
    FindClose(find);
    return std::string(kBin) + "\\" + data.cFileName;
  }
  static std::vector<std::string> LoggedFiles() {
    suite::IniFile log(std::string(kBin) + "\\Dustrel.log");
    log.ReadFile();
    std::vector<std::string> items;
    for (int i = 0, n = log.NumValues("Files"); i < n; ++i)
      items.push_back(log.GetValue("Files", "Item" + std::to_string(i)));
    return items;
  }

  Seed seed_;
  SavedValue status_{HKEY_LOCAL_MACHINE, kSuiteKey, "CleanSaveStatus"};
  SavedValue count_{HKEY_LOCAL_MACHINE, kSuiteKey, "CleanItemCount"};
  SavedValue rowNames_{HKEY_LOCAL_MACHINE, kSuiteKey, "CleanSaveRows"};
  SavedValue autoExit_{HKEY_LOCAL_MACHINE, kSuiteKey, "AutoExitWindows"};
  SavedValue version_{HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", "Version"};
};

// A text of the installed Dustrel.ini.
std::string Text(const std::string& key) {
  suite::IniFile ini(std::string(kBin) + "\\Dustrel.ini");
  ini.ReadFile();
  return ini.GetValue("Resource", key);
}

bool Logged(const std::vector<std::string>& files, const std::string& text) {
  for (const auto& f : files)
    if (f == text) return true;
  return false;
}

}  // namespace

TEST_F(TracesE2e, AutoRemovesTickedTracesWithABackupThatRestoresThem) {
  const std::string typed = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
  const std::string runMru = kCV + "\\Explorer\\RunMRU";
  const std::string run = kCV + "\\Run";
  seed_.Value(HKEY_CURRENT_USER, typed, "SuiteE2eUrl", "http://typed.example/");
  seed_.Value(HKEY_CURRENT_USER, runMru, "SuiteE2eRun", "notepad\\1");
  seed_.Value(HKEY_LOCAL_MACHINE, run, "SuiteE2eWeb", "iexplore.exe HTTP://ads.example/");
  seed_.Value(HKEY_LOCAL_MACHINE, run, "SuiteE2eTool", "C:\\tools\\tool.exe /s");
  seed_.Value(HKEY_CURRENT_USER, kMenuExt + "\\SuiteE2e Menu", "", "res://menu");
  seed_.Value(HKEY_CURRENT_USER, kForms + "\\SPW", "SuiteE2eSaved", "secret");
  // OtherItem3 typed addresses, 9 the startup group, 11 run history, 26 passwords.
  Select({3, 9, 11, 26});

  const auto result = Auto();
  ASSERT_EQ(result.exitCode, 0u) << result.output;
  EXPECT_FALSE(t::ValueExists(HKEY_CURRENT_USER, typed, "SuiteE2eUrl"));
  EXPECT_FALSE(t::ValueExists(HKEY_CURRENT_USER, runMru, "SuiteE2eRun"));
  EXPECT_FALSE(t::ValueExists(HKEY_LOCAL_MACHINE, run, "SuiteE2eWeb"));
  EXPECT_TRUE(t::ValueExists(HKEY_LOCAL_MACHINE, run, "SuiteE2eTool"));
  EXPECT_TRUE(t::KeyExists(HKEY_CURRENT_USER, kMenuExt + "\\SuiteE2e Menu"))
      << "a row inserted unticked is not removed";
  EXPECT_FALSE(t::KeyExists(HKEY_CURRENT_USER, kForms));

  const auto files = LoggedFiles();
  EXPECT_TRUE(Logged(files, "HKEY_CURRENT_USER\\" + typed + "|SuiteE2eUrl"));
  EXPECT_TRUE(Logged(files, "HKEY_CURRENT_USER\\" + runMru + "|SuiteE2eRun"));
  EXPECT_TRUE(Logged(files, "HKEY_LOCAL_MACHINE\\" + run + "|SuiteE2eWeb"));
  EXPECT_FALSE(Logged(files, "HKEY_CURRENT_USER\\" + kMenuExt + "|SuiteE2e Menu"));
  EXPECT_TRUE(Logged(files, "Internet Explorer\\" + Text("OtherItem26"))) << "the emptied store";

  // One run, one backup folder (trace rows, then passwords), RB0 to RB3;
  // one restore brings the whole run back.
  const std::string store = Store();
  ASSERT_FALSE(store.empty());
  const auto backups = suite::ListBackups(store);
  ASSERT_EQ(backups.size(), 1u);
  t::ScratchDir staging("C:\\SuiteTraceE2eStaging");
  const auto restored = suite::RestoreBackup(store, backups[0], staging.Path());
  EXPECT_EQ(restored.files, 4);
  EXPECT_TRUE(t::Exists(store + "\\" + backups[0] + "\\RB3.reg"));
  EXPECT_EQ(restored.imported, restored.files);
  EXPECT_EQ(suite::ReadString(HKEY_CURRENT_USER, typed, "SuiteE2eUrl"), "http://typed.example/");
  EXPECT_EQ(suite::ReadString(HKEY_CURRENT_USER, runMru, "SuiteE2eRun"), "notepad\\1");
  EXPECT_EQ(suite::ReadString(HKEY_LOCAL_MACHINE, run, "SuiteE2eWeb"),
            "iexplore.exe HTTP://ads.example/");
  EXPECT_EQ(suite::ReadString(HKEY_CURRENT_USER, kForms + "\\SPW", "SuiteE2eSaved"), "secret");
}

// Ticked history and cookie rows empty their whole stores; the cache of
// temporary files stays while its row is unticked.
TEST_F(TracesE2e, AutoEmptiesTheTickedUrlCacheStores) {
  const std::string host = "http://suitetrace-e2e.example/";
  char file[MAX_PATH] = {};
  ASSERT_TRUE(CreateUrlCacheEntryA((host + "page.htm").c_str(), 0, "htm", file, 0));
  t::WriteBytes(file, "<html/>");
  FILETIME none{};
  ASSERT_TRUE(CommitUrlCacheEntryA((host + "page.htm").c_str(), file, none, none, NORMAL_CACHE_ENTRY,
                                   nullptr, 0, nullptr, nullptr));
  ASSERT_TRUE(CommitUrlCacheEntryA(("Visited: suiteuser@" + host + "seen.htm").c_str(), nullptr, none,
                                   none, URLHISTORY_CACHE_ENTRY, nullptr, 0, nullptr, nullptr));
  ASSERT_TRUE(InternetSetCookieA(host.c_str(), "SuiteE2eCookie", "1; expires=Sat, 01-Jan-2039 00:00:00 GMT"));
  Select({2, 4});  // history (and the Recent folder), cookies

  ASSERT_EQ(Auto().exitCode, 0u);
  int history = 0, cookies = 0, pages = 0;
  dustrel::traces::WalkUrlCache(4096, [&](const INTERNET_CACHE_ENTRY_INFOA& entry, size_t size) {
    const std::string url = dustrel::traces::EntryUrl(entry, size);
    if (url.find("suitetrace-e2e.example") == std::string::npos) return;
    if (entry.CacheEntryType & 0x00200000) ++history;
    else if (entry.CacheEntryType & 0x00100000) ++cookies;
    else ++pages;
  });
  EXPECT_EQ(history, 0);
  EXPECT_EQ(cookies, 0);
  EXPECT_EQ(pages, 1);
  const auto files = LoggedFiles();
  EXPECT_TRUE(Logged(files, "Internet Explorer\\" + Text("OtherItem2")));
  EXPECT_TRUE(Logged(files, "Internet Explorer\\" + Text("OtherItem4")));
  EXPECT_FALSE(Logged(files, "Internet Explorer\\" + Text("OtherItem1")));
  DeleteUrlCacheEntryA((host + "page.htm").c_str());
}

// Form data (OtherItem25) through the program on both platform families: the
// logged-on user's store is backed up and removed.
TEST_F(TracesE2e, AutoRemovesFormDataOnWindows98AndVista) {
  char user[261] = {};
  DWORD size = 260;
  ASSERT_TRUE(GetUserNameA(user, &size));
  const struct {
    const char* version;
    HKEY root;
    std::string target;
  } cases[] = {
      {"win98", HKEY_LOCAL_MACHINE, dustrel::traces::AutoCompleteKey(user)},
      {"vista", HKEY_CURRENT_USER,
       dustrel::traces::AutoCompleteKey(dustrel::traces::CurrentUserSidText())},
  };
  // The store row is the only row: such a list is cleaned too.
  Select({25});
  for (const auto& c : cases) {
    Seed seed;
    seed.Value(c.root, c.target + "\\SuiteE2eForm", "SuiteField", "typed text");
    t::WindowsVersionFor as("Dustrel.exe", c.version);
    ASSERT_EQ(Auto().exitCode, 0u) << c.version;
    EXPECT_FALSE(t::KeyExists(c.root, c.target)) << c.version;
    EXPECT_EQ(LoggedFiles(), std::vector<std::string>{"Internet Explorer\\" + Text("OtherItem25")})
        << c.version;
    const std::string store = Store();
    ASSERT_FALSE(store.empty()) << c.version;
    EXPECT_EQ(suite::ListBackups(store).size(), 1u) << c.version;
    t::RemoveTree(store);
  }
}
