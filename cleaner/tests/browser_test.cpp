// Internet Explorer's stores: the history and cookie scanners and the three
// sweeps on a URL cache filled through WinINet's own calls, the bounded read
// of an entry's address, the SID text, the AutoComplete and password cleaners
// (backup first, access lists put back) on the Windows 98, XP and Vista
// branches, and the browser-store step with and without Internet Explorer 7.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cleanlog.h"
#include "cleanrun.h"
#include "dryrun.h"
#include "inifile.h"
#include "regremoval.h"
#include "regrestore.h"
#include "regstore.h"
#include "sysinfo.h"
#include "traces/browserstores.h"
#include "traceseed.h"

using namespace tracetest;
namespace tr = dustrel::traces;

namespace {

const char* const kHost = "http://suitetrace.example/";

std::vector<std::string> CacheUrls(DWORD bit, const std::string& part = "suitetrace.example") {
  std::vector<std::string> urls;
  tr::WalkUrlCache(4096, [&](const INTERNET_CACHE_ENTRY_INFOA& entry, size_t size) {
    const std::string url = tr::EntryUrl(entry, size);
    if ((bit == 0 || (entry.CacheEntryType & bit)) && url.find(part) != std::string::npos)
      urls.push_back(url);
  });
  return urls;
}

bool AddCacheEntry(const std::string& url, const std::string& header = std::string()) {
  char file[MAX_PATH] = {};
  if (!CreateUrlCacheEntryA(url.c_str(), 0, "htm", file, 0)) return false;
  t::WriteBytes(file, "<html>suite</html>");
  FILETIME none{};
  return CommitUrlCacheEntryA(url.c_str(), file, none, none, NORMAL_CACHE_ENTRY,
                              header.empty() ? nullptr : reinterpret_cast<BYTE*>(const_cast<char*>(header.data())),
                              static_cast<DWORD>(header.size()), nullptr, nullptr) != FALSE;
}

bool AddHistoryEntry(const std::string& page) {
  const std::string url = "Visited: suiteuser@" + std::string(kHost) + page;
  FILETIME none{};
  return CommitUrlCacheEntryA(url.c_str(), nullptr, none, none, URLHISTORY_CACHE_ENTRY, nullptr, 0,
                              nullptr, nullptr) != FALSE;
}

bool AddCookie(const std::string& name) {
  return InternetSetCookieA(kHost, name.c_str(), "1; expires=Sat, 01-Jan-2039 00:00:00 GMT") != FALSE;
}

// The three kinds of entries, two of each.
void FillCache() {
  ASSERT_TRUE(AddCacheEntry(std::string(kHost) + "page1.htm"));
  ASSERT_TRUE(AddCacheEntry(std::string(kHost) + "page2.htm"));
  ASSERT_TRUE(AddHistoryEntry("visited1.htm"));
  ASSERT_TRUE(AddHistoryEntry("visited2.htm"));
  ASSERT_TRUE(AddCookie("SuiteCookieA"));
  ASSERT_TRUE(AddCookie("SuiteCookieB"));
}

void EmptyOurCache() {
  for (const std::string& url : CacheUrls(0)) DeleteUrlCacheEntryA(url.c_str());
}

constexpr DWORD kCookie = 0x00100000, kHistory = 0x00200000;

class Browser : public ::testing::Test {
 protected:
  void SetUp() override { EmptyOurCache(); }
  void TearDown() override { EmptyOurCache(); }
  TestTexts texts_;
  Seed seed_;
};

// The browser version value, restored when the test ends.
class BrowserVersion {
 public:
  explicit BrowserVersion(const std::string& version) {
    saved_ = suite::ReadString(HKEY_LOCAL_MACHINE, kKey, "Version");
    t::SetString(HKEY_LOCAL_MACHINE, kKey, "Version", version);
  }
  ~BrowserVersion() { t::SetString(HKEY_LOCAL_MACHINE, kKey, "Version", saved_); }

 private:
  static constexpr const char* kKey = "SOFTWARE\\Microsoft\\Internet Explorer";
  std::string saved_;
};

std::vector<BYTE> AccessListOf(HKEY root, const std::string& path) {
  std::vector<BYTE> sd;
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS) return sd;
  DWORD size = 0;
  RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
  sd.resize(size);
  if (size == 0 || RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, sd.data(), &size) != ERROR_SUCCESS)
    sd.clear();
  RegCloseKey(key);
  return sd;
}

// Seeds an AutoComplete store with a nested key and values.
void SeedAutoComplete(Seed& seed, HKEY root, const std::string& target) {
  seed.Value(root, target, "SuiteForm", "remembered text");
  seed.Value(root, target + "\\SuiteInner", "SuiteField", "more text");
}

}  // namespace

TEST(EntryUrl, ReadOnlyWithinTheEntryBuffer) {
  alignas(8) char buffer[512] = {};
  auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer);
  char* text = buffer + sizeof(INTERNET_CACHE_ENTRY_INFOA);
  std::strcpy(text, "http://inside.example/");
  entry->lpszSourceUrlName = text;
  EXPECT_EQ(tr::EntryUrl(*entry, sizeof buffer), "http://inside.example/");
  // The address runs to the end of the buffer without its NUL.
  std::memset(text, 'a', buffer + sizeof buffer - text);
  EXPECT_EQ(tr::EntryUrl(*entry, sizeof buffer), tr::kUrlTooLong);
  // The address lies outside the buffer, or there is none.
  static char outside[] = "http://outside.example/";
  entry->lpszSourceUrlName = outside;
  EXPECT_EQ(tr::EntryUrl(*entry, sizeof buffer), tr::kUrlTooLong);
  entry->lpszSourceUrlName = nullptr;
  EXPECT_EQ(tr::EntryUrl(*entry, sizeof buffer), tr::kUrlTooLong);
  // A long address is cut to the row's 32767 bytes.
  std::vector<uint64_t> big(40000 / 8 + 64);
  auto* bigEntry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(big.data());
  char* bigText = reinterpret_cast<char*>(big.data()) + sizeof(INTERNET_CACHE_ENTRY_INFOA);
  std::memset(bigText, 'b', 35000);
  bigText[35000] = '\0';
  bigEntry->lpszSourceUrlName = bigText;
  EXPECT_EQ(tr::EntryUrl(*bigEntry, big.size() * 8).size(), 32767u);
}

TEST(SidText, AuthorityAndSubAuthorities) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 5, 21, 11, 22, 33, 1001, 0, 0, 0, &sid));
  EXPECT_EQ(tr::SidText(sid), "S-1-5-21-11-22-33-1001");
  FreeSid(sid);
  EXPECT_EQ(tr::SidText(nullptr), "");
  EXPECT_EQ(tr::CurrentUserSidText().rfind("S-1-5-", 0), 0u) << tr::CurrentUserSidText();
  EXPECT_EQ(tr::AutoCompleteKey("S-1-5-7"),
            "Software\\Microsoft\\Protected Storage System Provider\\S-1-5-7\\Data\\"
            "e161255a-37c3-11d2-bcaa-00c04fd929db");
}

// The scanners list one ticked row per history or cookie entry, with the
// browser columns; cache entries are in neither list.
TEST_F(Browser, ScannersListHistoryAndCookieEntries) {
  FillCache();
  const auto history = Scan(tr::ScanHistory);
  const auto cookies = Scan(tr::ScanCookies);
  int ours = 0;
  for (const auto& row : history) {
    EXPECT_EQ(row.folder, "History");
    EXPECT_EQ(row.size, "Internet Explorer History");
    EXPECT_EQ(row.category, "CookMess");
    EXPECT_EQ(row.marker, "History");
    EXPECT_TRUE(row.checked);
    EXPECT_EQ(row.name.find("page1.htm"), std::string::npos);
    if (row.name.find("suitetrace.example/visited") != std::string::npos) ++ours;
  }
  EXPECT_EQ(ours, 2);
  ours = 0;
  for (const auto& row : cookies) {
    EXPECT_EQ(row.folder, "Cookie Cache");
    EXPECT_EQ(row.size, "Internet Explorer CookIE");
    EXPECT_EQ(row.category, "CookMess");
    EXPECT_EQ(row.marker, "Cookie");
    EXPECT_TRUE(row.checked);
    EXPECT_EQ(row.name.find("visited"), std::string::npos);
    if (row.name.find("suitetrace.example") != std::string::npos) ++ours;
  }
  EXPECT_GE(ours, 1);  // the cache keeps one cookie entry per site
}

TEST_F(Browser, NoCookiesGiveNoCookieRows) {
  ASSERT_TRUE(tr::SweepCookies());
  ASSERT_TRUE(AddCacheEntry(std::string(kHost) + "only.htm"));
  EXPECT_TRUE(Scan(tr::ScanCookies).empty());
}

// An entry larger than the first buffer grows it and is read again; the
// entries after it are still walked.
TEST_F(Browser, LargeEntriesGrowTheBuffer) {
  const std::string longUrl = std::string(kHost) + "long/" + std::string(1500, 'q') + ".htm";
  const std::string header = "X-Suite: " + std::string(3000, 'h') + "\r\n";
  ASSERT_TRUE(AddCacheEntry(longUrl, header));
  ASSERT_TRUE(AddCacheEntry(std::string(kHost) + "small.htm"));
  size_t largest = 0;
  std::vector<std::string> seen;
  EXPECT_TRUE(tr::WalkUrlCache(sizeof(INTERNET_CACHE_ENTRY_INFOA) + 16,
                               [&](const INTERNET_CACHE_ENTRY_INFOA& entry, size_t size) {
                                 largest = std::max(largest, size);
                                 seen.push_back(tr::EntryUrl(entry, size));
                               }));
  EXPECT_GT(largest, longUrl.size());
  EXPECT_NE(std::find(seen.begin(), seen.end(), longUrl), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), std::string(kHost) + "small.htm"), seen.end());
}

// Each sweep removes exactly its own kind of entries.
TEST_F(Browser, SweepsRemoveTheirOwnKind) {
  FillCache();
  EXPECT_TRUE(tr::SweepCookies());
  EXPECT_TRUE(CacheUrls(kCookie).empty());
  EXPECT_EQ(CacheUrls(kHistory).size(), 2u);
  EXPECT_EQ(CacheUrls(0).size(), 4u);
  EXPECT_TRUE(tr::SweepHistory());
  EXPECT_TRUE(CacheUrls(kHistory).empty());
  EXPECT_EQ(CacheUrls(0).size(), 2u);
  ASSERT_TRUE(AddCookie("SuiteCookieC"));
  ASSERT_TRUE(AddHistoryEntry("visited3.htm"));
  EXPECT_TRUE(tr::SweepCache());
  EXPECT_TRUE(CacheUrls(0, "page").empty());
  EXPECT_FALSE(CacheUrls(kCookie).empty()) << "the cache sweep keeps cookies";
  EXPECT_EQ(CacheUrls(kHistory).size(), 1u) << "and the history";
}

// Saved passwords: the key is backed up, removed, and the backup restores it;
// when the backup cannot be written nothing is removed.
TEST_F(Browser, PasswordsAreBackedUpBeforeRemoval) {
  const std::string forms = "Software\\Microsoft\\Internet Explorer\\IntelliForms";
  seed_.Value(HKEY_CURRENT_USER, forms + "\\SPW", "SuiteSaved", "secret");
  t::ScratchDir blocker("C:\\SuiteTraceBlock");
  t::WriteBytes(blocker / "store", "a file where the store should be");
  suite::RestorePoint blocked(blocker / "store");
  const auto refused = tr::CleanPasswords(blocked);
  EXPECT_TRUE(refused.found);
  EXPECT_FALSE(refused.backedUp);
  EXPECT_EQ(suite::ReadString(HKEY_CURRENT_USER, forms + "\\SPW", "SuiteSaved"), "secret");

  t::ScratchDir store("C:\\SuiteTraceStore");
  suite::RestorePoint point(store.Path());
  const auto result = tr::CleanPasswords(point);
  EXPECT_TRUE(result.backedUp);
  EXPECT_TRUE(result.removed);
  EXPECT_FALSE(t::KeyExists(HKEY_CURRENT_USER, forms));
  const auto backups = suite::ListBackups(store.Path());
  ASSERT_EQ(backups.size(), 1u);
  t::ScratchDir staging("C:\\SuiteTraceStaging");
  EXPECT_EQ(suite::RestoreBackup(store.Path(), backups[0], staging.Path()).imported, 1);
  EXPECT_EQ(suite::ReadString(HKEY_CURRENT_USER, forms + "\\SPW", "SuiteSaved"), "secret");
  // Nothing there: nothing found, no backup folder.
  suite::DeleteKeyTree(HKEY_CURRENT_USER, forms);
  t::ScratchDir empty("C:\\SuiteTraceStore2");
  suite::RestorePoint emptyPoint(empty.Path());
  EXPECT_FALSE(tr::CleanPasswords(emptyPoint).found);
  EXPECT_TRUE(suite::ListBackups(empty.Path()).empty());
}

// The NT branch (this process): the user's AutoComplete key is backed up and
// removed, and the access lists of the keys above it are the ones they had.
TEST_F(Browser, AutoCompleteOnNtPutsAccessListsBack) {
  const std::string sid = tr::CurrentUserSidText();
  ASSERT_FALSE(sid.empty());
  const std::string owner = tr::ProtectedStorageKey(sid);
  const std::string target = tr::AutoCompleteKey(sid);
  SeedAutoComplete(seed_, HKEY_CURRENT_USER, target);
  const auto ownerList = AccessListOf(HKEY_CURRENT_USER, owner);
  const auto dataList = AccessListOf(HKEY_CURRENT_USER, owner + "\\Data");
  const auto innerList = AccessListOf(HKEY_CURRENT_USER, target + "\\SuiteInner");
  ASSERT_FALSE(ownerList.empty());

  // Backup refused: nothing removed, and no key keeps the temporary list.
  t::ScratchDir blocker("C:\\SuiteTraceBlock");
  t::WriteBytes(blocker / "store", "x");
  suite::RestorePoint blocked(blocker / "store");
  const auto refused = tr::CleanAutoComplete(blocked);
  EXPECT_TRUE(refused.found);
  EXPECT_FALSE(refused.backedUp);
  EXPECT_EQ(suite::ReadString(HKEY_CURRENT_USER, target + "\\SuiteInner", "SuiteField"), "more text");
  EXPECT_EQ(AccessListOf(HKEY_CURRENT_USER, owner), ownerList);
  EXPECT_EQ(AccessListOf(HKEY_CURRENT_USER, owner + "\\Data"), dataList);
  EXPECT_EQ(AccessListOf(HKEY_CURRENT_USER, target + "\\SuiteInner"), innerList);

  t::ScratchDir store("C:\\SuiteTraceStore");
  suite::RestorePoint point(store.Path());
  const auto result = tr::CleanAutoComplete(point);
  EXPECT_TRUE(result.backedUp);
  EXPECT_TRUE(result.removed);
  EXPECT_FALSE(t::KeyExists(HKEY_CURRENT_USER, target));
  EXPECT_TRUE(t::KeyExists(HKEY_CURRENT_USER, owner + "\\Data"));
  EXPECT_EQ(AccessListOf(HKEY_CURRENT_USER, owner), ownerList);
  EXPECT_EQ(AccessListOf(HKEY_CURRENT_USER, owner + "\\Data"), dataList);
  const auto backups = suite::ListBackups(store.Path());
  ASSERT_EQ(backups.size(), 1u);
  t::ScratchDir staging("C:\\SuiteTraceStaging");
  EXPECT_EQ(suite::RestoreBackup(store.Path(), backups[0], staging.Path()).imported, 1);
  EXPECT_EQ(suite::ReadString(HKEY_CURRENT_USER, target + "\\SuiteInner", "SuiteField"), "more text");
}

// Run in a child process that sees another Windows version (the parent tests
// below start it): seeds the branch's key, cleans, checks.
TEST(ChildBranch, DISABLED_AutoComplete) {
  char value[MAX_PATH] = {};
  GetEnvironmentVariableA("SUITE_TRACE_STORE", value, sizeof value);
  const std::string store = value;
  ASSERT_FALSE(store.empty());
  Seed seed;
  std::string target;
  HKEY root;
  if (suite::IsWin9x()) {
    char user[261] = {};
    DWORD size = 260;
    ASSERT_TRUE(GetUserNameA(user, &size));
    root = HKEY_LOCAL_MACHINE;
    target = tr::AutoCompleteKey(user);
    // Another user's store on the same machine stays.
    SeedAutoComplete(seed, root, tr::AutoCompleteKey("SuiteOtherUser"));
  } else {
    root = HKEY_CURRENT_USER;
    target = tr::AutoCompleteKey(tr::CurrentUserSidText());
  }
  SeedAutoComplete(seed, root, target);
  suite::RestorePoint point(store);
  const auto result = tr::CleanAutoComplete(point);
  EXPECT_TRUE(result.backedUp);
  EXPECT_TRUE(result.removed);
  EXPECT_FALSE(t::KeyExists(root, target));
  if (suite::IsWin9x()) {
    EXPECT_TRUE(t::KeyExists(root, tr::AutoCompleteKey("SuiteOtherUser")));
  }
  printf("branch=%s\n", suite::IsWin9x() ? "9x" : "nt");
}

TEST(Branches, AutoCompleteOnWindows98XpAndVista) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string exe = self;
  exe = exe.substr(exe.find_last_of('\\') + 1);
  const struct {
    const char* version;
    const char* branch;
  } cases[] = {{"win98", "9x"}, {"winxp", "nt"}, {"vista", "nt"}};
  for (const auto& c : cases) {
    t::ScratchDir store("C:\\SuiteTraceBranchStore");
    SetEnvironmentVariableA("SUITE_TRACE_STORE", store.Path().c_str());
    t::WindowsVersionFor as(exe, c.version);
    const auto run = t::RunProcess(std::string("\"") + self +
                                   "\" --gtest_also_run_disabled_tests "
                                   "--gtest_filter=ChildBranch.DISABLED_AutoComplete");
    EXPECT_EQ(run.exitCode, 0u) << c.version << "\n" << run.output;
    EXPECT_NE(run.output.find(std::string("branch=") + c.branch), std::string::npos)
        << c.version << "\n" << run.output;
    EXPECT_EQ(suite::ListBackups(store.Path()).size(), 1u) << c.version;
  }
}

// With Internet Explorer 7 the browser's own clearing command is started for
// each ticked store and the stores are left to it.
TEST_F(Browser, InternetExplorer7StartsItsClearingCommand) {
  FillCache();
  const size_t before = CacheUrls(0).size();
  BrowserVersion ie7("7.0.5730.13");
  std::vector<std::string> started;
  tr::BrowserStoreActions actions;
  actions.start = [&](const std::string& program, const std::string& parameters) {
    started.push_back(program + " " + parameters);
    return parameters.back() != '2';  // the cookie command does not start
  };
  dustrel::OtherItemTicks ticks{};
  ticks.fill(true);
  const dustrel::OtherItemTicks emptied = tr::CleanBrowserStores(ticks, false, actions);
  EXPECT_TRUE(emptied[0] && emptied[1] && emptied[24] && !emptied[2] && !emptied[5]);
  EXPECT_FALSE(emptied[3]) << "a command that did not start empties nothing";
  EXPECT_EQ(started, (std::vector<std::string>{
                         "RunDll32.exe InetCpl.cpl,ClearMyTracksByProcess 8",
                         "RunDll32.exe InetCpl.cpl,ClearMyTracksByProcess 1",
                         "RunDll32.exe InetCpl.cpl,ClearMyTracksByProcess 2",
                         "RunDll32.exe InetCpl.cpl,ClearMyTracksByProcess 16",
                         "RunDll32.exe InetCpl.cpl,ClearMyTracksByProcess 32"}));
  EXPECT_EQ(CacheUrls(0).size(), before) << "the stores are left to the browser's command";
  started.clear();
  ticks.fill(false);
  ticks[3] = true;  // cookies only
  tr::CleanBrowserStores(ticks, false, actions);
  EXPECT_EQ(started, (std::vector<std::string>{"RunDll32.exe InetCpl.cpl,ClearMyTracksByProcess 2"}));
}

// Without Internet Explorer 7 the ticked stores are emptied here; unticked
// ones stay.
TEST_F(Browser, StoresOfTickedRowsAreEmptied) {
  BrowserVersion ie9("9.11.9600.0");
  const std::string forms = "Software\\Microsoft\\Internet Explorer\\IntelliForms";
  seed_.Value(HKEY_CURRENT_USER, forms, "SuiteSaved", "secret");
  FillCache();
  t::ScratchDir store("C:\\SuiteTraceStore");
  tr::BrowserStoreActions actions;
  suite::RestorePoint point(store.Path());
  actions.restorePoint = &point;
  bool startedAnything = false;
  actions.start = [&](const std::string&, const std::string&) { return startedAnything = true; };

  dustrel::OtherItemTicks ticks{};
  ticks[3] = true;  // OtherItem4: cookies
  ticks[24] = true;  // OtherItem25: form data, of which there is none
  dustrel::OtherItemTicks emptied = tr::CleanBrowserStores(ticks, false, actions);
  EXPECT_TRUE(emptied[3]);
  EXPECT_FALSE(emptied[24]) << "nothing was there to remove";
  EXPECT_TRUE(CacheUrls(kCookie).empty());
  EXPECT_EQ(CacheUrls(kHistory).size(), 2u);
  EXPECT_EQ(CacheUrls(0, "page").size(), 2u);
  EXPECT_TRUE(t::KeyExists(HKEY_CURRENT_USER, forms));

  ticks.fill(false);
  ticks[1] = true;   // OtherItem2: history
  ticks[25] = true;  // OtherItem26: passwords
  emptied = tr::CleanBrowserStores(ticks, false, actions);
  EXPECT_TRUE(emptied[1] && emptied[25]);
  EXPECT_TRUE(CacheUrls(kHistory).empty());
  EXPECT_EQ(CacheUrls(0, "page").size(), 2u);
  EXPECT_FALSE(t::KeyExists(HKEY_CURRENT_USER, forms));
  EXPECT_EQ(suite::ListBackups(store.Path()).size(), 1u);

  ticks.fill(false);
  ticks[0] = true;  // OtherItem1: temporary files
  ASSERT_TRUE(AddHistoryEntry("visited3.htm"));
  tr::CleanBrowserStores(ticks, false, actions);
  EXPECT_TRUE(CacheUrls(0, "page").empty());
  EXPECT_EQ(CacheUrls(kHistory).size(), 1u);
  EXPECT_FALSE(startedAnything);
}

// The variant run before an automatic shutdown sweeps the cache, history and
// cookies only; form data and passwords stay.
TEST_F(Browser, AutoExitSweepsOnlyTheUrlCache) {
  const std::string forms = "Software\\Microsoft\\Internet Explorer\\IntelliForms";
  seed_.Value(HKEY_CURRENT_USER, forms, "SuiteSaved", "secret");
  FillCache();
  dustrel::OtherItemTicks ticks{};
  ticks.fill(true);
  tr::BrowserStoreActions actions;
  t::ScratchDir store("C:\\SuiteTraceStore");
  suite::RestorePoint point(store.Path());
  actions.restorePoint = &point;
  tr::CleanBrowserStores(ticks, true, actions);
  EXPECT_TRUE(CacheUrls(0).empty());
  EXPECT_TRUE(t::KeyExists(HKEY_CURRENT_USER, forms));
}

// Each store the run would empty is a ticked row of its own; the run empties
// only the stores of the rows still ticked, names each in the log (and in the
// preview's log), and cleans a list that holds nothing but store rows.
TEST_F(Browser, StoreRowsAreListedAndOnlyTheTickedOnesAreEmptiedAndLogged) {
  BrowserVersion ie9("9.11.9600.0");
  const std::string forms = "Software\\Microsoft\\Internet Explorer\\IntelliForms";
  seed_.Value(HKEY_CURRENT_USER, forms, "SuiteSaved", "secret");
  FillCache();
  dustrel::OtherItemTicks ticks{};
  for (int n : {1, 4, 25, 26}) ticks[n - 1] = true;  // history (2) unticked; no form data
  std::atomic<bool> stop{false};
  dustrel::VectorSink sink;
  dustrel::TraceContext context{sink, stop, "Dustrel.ini"};
  dustrel::AddBrowserStoreRows(ticks, context);
  std::vector<int> stores;
  for (const dustrel::FoundItem& row : sink.rows) {
    stores.push_back(row.store);
    EXPECT_TRUE(row.checked);
    EXPECT_EQ(dustrel::KindOf(row), dustrel::RowKind::Store);
    EXPECT_EQ(row.name, suite::GetInterfaceText("Dustrel.ini", "OtherItem" + std::to_string(row.store)));
  }
  ASSERT_EQ(stores, (std::vector<int>{1, 4, 26}));
  sink.rows[1].checked = false;  // the cookies stay

  t::ScratchDir dir("C:\\SuiteStoreRows");
  const std::string logs = suite::ProgramFolderPath("store-row-logs");
  t::RemoveTree(logs);
  t::MakeDirs(logs);
  dustrel::CleanSettings settings;
  settings.mode = dustrel::RunMode::Auto;
  settings.measureDisks = false;
  settings.backupStore = dir / "store";
  settings.autoLogName = "store-row-logs\\Dustrel.log";
  const std::string logPath = logs + "\\Dustrel.log";
  const std::string cacheText = "Internet Explorer\\" + sink.rows[0].name;
  const std::string formsText = "Internet Explorer\\" + sink.rows[2].name;
  suite::SetDryRun(true);
  dustrel::CleanResult result = dustrel::CleanRun(sink.rows, settings);
  suite::SetDryRun(false);
  suite::ResetDryRunRecord();
  EXPECT_EQ(result.storeRows, 2);
  EXPECT_FALSE(CacheUrls(0, "page").empty()) << "a preview empties nothing";
  std::vector<std::string> logged;  // (each read appends)
  ASSERT_TRUE(suite::ReadLogAt(suite::PreviewLogPath(logPath), "Files", logged));
  EXPECT_EQ(logged, (std::vector<std::string>{cacheText, formsText}));

  result = dustrel::CleanRun(sink.rows, settings);
  EXPECT_TRUE(result.ran);
  EXPECT_EQ(result.storeRows, 2);
  EXPECT_TRUE(CacheUrls(0, "page").empty());
  EXPECT_FALSE(CacheUrls(kCookie).empty());
  EXPECT_FALSE(t::KeyExists(HKEY_CURRENT_USER, forms));
  ASSERT_EQ(result.remaining.size(), 1u);
  EXPECT_EQ(result.remaining[0].store, 4);
  logged.clear();
  ASSERT_TRUE(suite::ReadLogAt(logPath, "Files", logged));
  EXPECT_EQ(logged, (std::vector<std::string>{cacheText, formsText}));
  logged.clear();
  ASSERT_TRUE(suite::ReadLogAt(logPath, "Numbers", logged));
  EXPECT_EQ(logged, std::vector<std::string>{"2"});
  t::RemoveTree(logs);
}
