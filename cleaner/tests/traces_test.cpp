// The registry trace scanners on seeded entries of the sandbox registry: what
// each lists (present and missing paths, quoted command lines, drives that are
// not fixed disks, installer folders, web marks, menu folders, help folders),
// the rows' columns, ticks and descriptions, the scanner table, and removal of
// the found rows through the remover with the backup restored again.
#include <gtest/gtest.h>

#include <windows.h>

#include "regremove.h"
#include "regremoval.h"
#include "regrestore.h"
#include "traces/registrytraces.h"
#include "traceseed.h"

using namespace tracetest;
using dustrel::FoundItem;
namespace tr = dustrel::traces;

namespace {

const HKEY HKCU = HKEY_CURRENT_USER;
const HKEY HKLM = HKEY_LOCAL_MACHINE;
const std::string kCV = "Software\\Microsoft\\Windows\\CurrentVersion";
const std::string kMissingFolder = "C:\\SuiteTraceMissing";

class Traces : public ::testing::Test {
 protected:
  TestTexts texts_;
  Seed seed_;
};

void ExpectRow(const std::vector<FoundItem>& rows, const std::string& path, const std::string& name,
               const char* root, const std::string& description, const char* marker,
               bool checked = true) {
  const FoundItem* row = Find(rows, path, name);
  ASSERT_NE(row, nullptr) << path << " | " << name;
  EXPECT_EQ(row->size, root) << name;
  EXPECT_EQ(row->category, description) << name;
  EXPECT_EQ(row->marker, marker) << name;
  EXPECT_EQ(row->checked, checked) << name;
  EXPECT_TRUE(row->column1.empty());
}

// A root path of a drive letter that is no fixed disk (no drive at all here).
std::string NonFixedRoot() {
  const auto roots = suite::NonFixedDrives();
  return roots.empty() ? std::string() : roots.back();
}

}  // namespace

// Lists whose every value is a trace: each value is one ticked KeyValue row
// with the scanner's description; two keys are listed one after the other.
TEST_F(Traces, HistoryListsListEveryValue) {
  const struct {
    dustrel::TraceScanner scanner;
    HKEY root;
    const char* rootName;
    std::string path;
    std::string description;
  } lists[] = {
      {tr::ScanTypedUrls, HKCU, "HKEY_CURRENT_USER", "Software\\Microsoft\\Internet Explorer\\TypedURLs", "Rb11"},
      {tr::ScanRunHistory, HKCU, "HKEY_CURRENT_USER", kCV + "\\Explorer\\RunMRU", "Rb2"},
      {tr::ScanFindHistory, HKCU, "HKEY_CURRENT_USER", kCV + "\\Explorer\\Doc Find Spec MRU", "Rb5"},
      {tr::ScanInstallLocations, HKCU, "HKEY_CURRENT_USER", "InstallLocationsMRU", "Rb15"},
      {tr::ScanWordPad, HKCU, "HKEY_CURRENT_USER", kCV + "\\Applets\\Wordpad\\Recent File List", "Rb16"},
      {tr::ScanPaint, HKCU, "HKEY_CURRENT_USER", kCV + "\\Applets\\Paint\\Recent File List", "Rb17"},
      {tr::ScanNetAnts, HKCU, "HKEY_CURRENT_USER", "Software\\NetAnts\\MRU", "Rb26"},
      {tr::ScanMediaPlayer, HKCU, "HKEY_CURRENT_USER", "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList", "Rb25"},
      {tr::Scan3721, HKCU, "HKEY_CURRENT_USER", "Software\\3721\\CnsUrl", "3721 URL"},
      {tr::ScanLogonValues, HKLM, "HKEY_LOCAL_MACHINE", kCV + "\\Winlogon", "Rb13"},
  };
  for (const auto& list : lists) {
    seed_.Value(list.root, list.path, "SuiteTraceA", "C:\\some\\file.txt");
    seed_.Value(list.root, list.path, "SuiteTraceB", "plain text");
    const auto rows = Scan(list.scanner);
    ExpectRow(rows, list.path, "SuiteTraceA", list.rootName, list.description, "KeyValue");
    ExpectRow(rows, list.path, "SuiteTraceB", list.rootName, list.description, "KeyValue");
    for (const auto& row : rows) EXPECT_EQ(row.folder, list.path) << "a row of another key";
  }
}

TEST_F(Traces, TwoKeyListsComeOneAfterTheOther) {
  const struct {
    dustrel::TraceScanner scanner;
    HKEY root;
    std::string first, second, description;
  } lists[] = {
      {tr::ScanWinZip, HKCU, "Software\\Nico Mak Computing\\WinZip\\extract",
       "Software\\Nico Mak Computing\\WinZip\\filemenu", "Rb23"},
      {tr::ScanWinRar, HKCU, "Software\\WinRAR\\DialogEditHistory\\ExtrPath",
       "Software\\WinRAR\\DialogEditHistory\\ArcName", "Rb24"},
      {tr::ScanDisabledStartup, HKLM, kCV + "\\Run-", kCV + "\\RunServices-", "Rb1"},
  };
  for (const auto& list : lists) {
    seed_.Value(list.root, list.second, "SuiteTraceSecond", "x");
    seed_.Value(list.root, list.first, "SuiteTraceFirst1", "x");
    seed_.Value(list.root, list.first, "SuiteTraceFirst2", "x");
    const auto rows = Scan(list.scanner);
    ASSERT_EQ(rows.size(), RowsOf(rows, list.first).size() + RowsOf(rows, list.second).size());
    size_t lastFirst = 0, firstSecond = rows.size();
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].folder == list.first) lastFirst = i;
      if (rows[i].folder == list.second && firstSecond == rows.size()) firstSecond = i;
    }
    EXPECT_LT(lastFirst, firstSecond) << list.first;
    EXPECT_NE(Find(rows, list.second, "SuiteTraceSecond"), nullptr);
    for (const auto& row : rows) EXPECT_EQ(row.category, list.description);
  }
}

// The Open/Save history lists the values of every subkey under the path of
// that subkey.
TEST_F(Traces, OpenSaveHistoryListsEverySubkey) {
  const std::string base = kCV + "\\Explorer\\comDlg32\\OpenSaveMRU";
  seed_.Value(HKCU, base + "\\suitetxt", "a", "C:\\x.suitetxt");
  seed_.Value(HKCU, base + "\\suitetxt", "MRUList", "a");
  seed_.Value(HKCU, base + "\\suitedoc", "a", "C:\\y.suitedoc");
  const auto rows = Scan(tr::ScanOpenSaveHistory);
  ExpectRow(rows, base + "\\suitetxt", "a", "HKEY_CURRENT_USER", "Rb9", "KeyValue");
  ExpectRow(rows, base + "\\suitetxt", "MRUList", "HKEY_CURRENT_USER", "Rb9", "KeyValue");
  ExpectRow(rows, base + "\\suitedoc", "a", "HKEY_CURRENT_USER", "Rb9", "KeyValue");
}

// Value names that are paths: only drive paths on fixed disks whose files are
// gone are listed.
TEST_F(Traces, ValueNamesThatArePathsOfMissingFiles) {
  t::ScratchDir dir("C:\\SuiteTracePresent");
  t::WriteBytes(dir / "here.dll", "x");
  const std::string other = NonFixedRoot();
  const std::string bar = "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\"
                          "{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}\\";
  const struct {
    dustrel::TraceScanner scanner;
    HKEY root;
    std::string path, description;
  } lists[] = {
      {tr::ScanSharedDlls, HKLM, kCV + "\\SharedDLLs", "Rb8"},
      {tr::ScanLastVisited, HKCU, kCV + "\\Explorer\\comDlg32\\LastVisitedMRU", "Rb10"},
      {tr::ScanSearchBarText, HKCU, bar + "ContainingTextMRU", "Rb8"},
      {tr::ScanSearchBarFiles, HKCU, bar + "FilesNamedMRU", "Rb8"},
  };
  const std::string gone = kMissingFolder + "\\gone.dll";
  for (const auto& list : lists) {
    seed_.Value(list.root, list.path, gone, "1");
    seed_.Value(list.root, list.path, dir / "here.dll", "1");
    seed_.Value(list.root, list.path, "C:\\Windows\\Installer\\SuiteTraceGone.msi", "1");
    seed_.Value(list.root, list.path, "suitetracegone.dll", "1");
    seed_.Value(list.root, list.path, "7", "1");
    if (!other.empty()) seed_.Value(list.root, list.path, other + "SuiteTraceGone\\x.dll", "1");
    const auto rows = Scan(list.scanner);
    ExpectRow(rows, list.path, gone, list.root == HKLM ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER",
              list.description, "KeyValue");
    EXPECT_EQ(Find(rows, list.path, dir / "here.dll"), nullptr);
    EXPECT_EQ(Find(rows, list.path, "C:\\Windows\\Installer\\SuiteTraceGone.msi"), nullptr);
    EXPECT_EQ(Find(rows, list.path, "suitetracegone.dll"), nullptr);
    EXPECT_EQ(Find(rows, list.path, "7"), nullptr);
    if (!other.empty()) {
      EXPECT_EQ(Find(rows, list.path, other + "SuiteTraceGone\\x.dll"), nullptr);
    }
  }
}

// Application paths: a subkey is listed by its default value (not by its
// "Path" value); the rule's cases are in the shared rules' tests.
TEST_F(Traces, ApplicationPaths) {
  t::ScratchDir dir("C:\\SuiteTracePresent");
  t::WriteBytes(dir / "tool.exe", "x");
  const std::string base = kCV + "\\App Paths";
  seed_.Value(HKLM, base + "\\SuiteGone.exe", "", kMissingFolder + "\\gone.exe");
  seed_.Value(HKLM, base + "\\SuiteGone.exe", "Path", kMissingFolder);
  seed_.Value(HKLM, base + "\\SuiteQuoted.exe", "", "\"" + (dir / "tool.exe") + "\" /quiet");
  const auto rows = Scan(tr::ScanAppPaths);
  ExpectRow(rows, base, "SuiteGone.exe", "HKEY_LOCAL_MACHINE", "Rb6", "RootKey");
  EXPECT_EQ(Find(rows, base, "SuiteQuoted.exe"), nullptr);
}

TEST_F(Traces, SharedToolsWhosePathIsGone) {
  t::ScratchDir dir("C:\\SuiteTracePresent");
  t::WriteBytes(dir / "tool.dll", "x");
  const std::string base = "Software\\Microsoft\\Shared Tools";
  seed_.Value(HKLM, base + "\\SuiteToolGone", "Path", kMissingFolder + "\\tool.dll");
  seed_.Value(HKLM, base + "\\SuiteToolHere", "Path", dir / "tool.dll");
  seed_.Value(HKLM, base + "\\SuiteToolNoPath", "Other", kMissingFolder + "\\tool.dll");
  const auto rows = Scan(tr::ScanSharedTools);
  ExpectRow(rows, base, "SuiteToolGone", "HKEY_LOCAL_MACHINE", "Rb7", "RootKey");
  EXPECT_EQ(Find(rows, base, "SuiteToolHere"), nullptr);
  EXPECT_EQ(Find(rows, base, "SuiteToolNoPath"), nullptr);
}

// Help files: the value name is the file, the data its folder (the rule's
// cases are in the shared rules' tests); Help before HTML Help.
TEST_F(Traces, HelpFilesThenHtmlHelpFiles) {
  t::ScratchDir dir("C:\\SuiteTraceHelp");
  t::WriteBytes(dir / "suitehere.hlp", "x");
  const std::string help = "Software\\Microsoft\\Windows\\Help";
  const std::string html = "Software\\Microsoft\\Windows\\HTML Help";
  seed_.Value(HKLM, help, "suitehere.hlp", dir.Path() + "\\");
  seed_.Value(HKLM, help, "suitegone.hlp", dir.Path() + "\\");
  seed_.Value(HKLM, html, "suitegone.chm", dir.Path());
  const auto rows = Scan(tr::ScanHelpFiles);
  ExpectRow(rows, help, "suitegone.hlp", "HKEY_LOCAL_MACHINE", "Rb19", "KeyValue");
  ExpectRow(rows, html, "suitegone.chm", "HKEY_LOCAL_MACHINE", "Rb19", "KeyValue");
  EXPECT_EQ(Find(rows, help, "suitehere.hlp"), nullptr);
  // Help files come before HTML Help files.
  EXPECT_LT(Find(rows, help, "suitegone.hlp"), Find(rows, html, "suitegone.chm"));
}

TEST_F(Traces, KnownDllListsInTheSystemFolder) {
  const std::string base = "System\\CurrentControlSet\\Control\\SessionManager\\";
  seed_.Value(HKLM, base + "KnownDLLs", "suitekernel", "kernel32.dll");
  seed_.Value(HKLM, base + "KnownDLLs", "suitegone", "suitetracegone.dll");
  seed_.Value(HKLM, base + "Known16DLLs", "suitegone16", "suitetracegone16.dll");
  seed_.Value(HKLM, base + "KnownVxDs", "suitevxdgone", kMissingFolder + "\\x.vxd");
  const auto rows = Scan(tr::ScanKnownDlls);
  EXPECT_EQ(Find(rows, base + "KnownDLLs", "suitekernel"), nullptr);
  ExpectRow(rows, base + "KnownDLLs", "suitegone", "HKEY_LOCAL_MACHINE", "Rb20", "KeyValue");
  ExpectRow(rows, base + "Known16DLLs", "suitegone16", "HKEY_LOCAL_MACHINE", "Rb21", "KeyValue");
  ExpectRow(rows, base + "KnownVxDs", "suitevxdgone", "HKEY_LOCAL_MACHINE", "Rb22", "KeyValue");
}

TEST_F(Traces, StartupValuesThatOpenWebPages) {
  EXPECT_TRUE(tr::HasWebMark("iexplore.exe http://example.com"));
  EXPECT_TRUE(tr::HasWebMark("start Www.Example.com"));
  EXPECT_TRUE(tr::HasWebMark("C:\\ads\\Page.hTm"));
  EXPECT_TRUE(tr::HasWebMark("url:something"));
  EXPECT_FALSE(tr::HasWebMark("C:\\Program Files\\tool.exe /background"));
  EXPECT_FALSE(tr::HasWebMark("https://only-secure.example"));  // not one of the four marks
  const std::string run = kCV + "\\Run";
  seed_.Value(HKLM, run, "SuiteWeb1", "iexplore.exe HTTP://ads.example/");
  seed_.Value(HKLM, run, "SuiteWeb2", "x www.example.com");
  seed_.Value(HKLM, run, "SuiteWeb3", "C:\\pages\\start.Html");
  seed_.Value(HKLM, run, "SuiteWeb4", "Url:foo");
  seed_.Value(HKLM, run, "SuiteProgram", "C:\\Program Files\\tool.exe /s");
  const auto rows = Scan(tr::ScanStartupWebPages);
  for (const char* name : {"SuiteWeb1", "SuiteWeb2", "SuiteWeb3", "SuiteWeb4"})
    ExpectRow(rows, run, name, "HKEY_LOCAL_MACHINE", "Rb14", "KeyValue");
  EXPECT_EQ(Find(rows, run, "SuiteProgram"), nullptr);
}

// Start-menu order entries stay while their folder is in the Start menu's
// Programs folder or in its localized one; both keys are read.
TEST_F(Traces, StartMenuOrderOfMissingFolders) {
  const std::string shellFolders = kCV + "\\Explorer\\Shell Folders";
  std::string startMenu = suite::ShellFolder("Start Menu");
  if (startMenu.empty()) {
    startMenu = "C:\\SuiteTraceStartMenu";
    seed_.Value(HKCU, shellFolders, "Start Menu", startMenu);
  }
  t::ScratchDir english(startMenu + "\\Programs\\SuiteTraceHere");
  t::ScratchDir local(startMenu + "\\LocalPrograms");
  t::MakeDirs(local / "SuiteTraceLocal");
  const std::string p1 = kCV + "\\Explorer\\MenuOrder\\Start Menu\\Programs";
  const std::string p2 = kCV + "\\Explorer\\MenuOrder\\Start Menu\\&Programs";
  seed_.Key(HKCU, p1 + "\\SuiteTraceHere");
  seed_.Key(HKCU, p1 + "\\SuiteTraceLocal");
  seed_.Key(HKCU, p1 + "\\SuiteTraceGone");
  seed_.Key(HKCU, p2 + "\\SuiteTraceGone2");
  seed_.Key(HKCU, p2 + "\\SuiteTraceHere");
  const auto rows = Scan(tr::ScanStartMenuOrder);
  ExpectRow(rows, p1, "SuiteTraceGone", "HKEY_CURRENT_USER", "Rb18", "RootKey");
  ExpectRow(rows, p2, "SuiteTraceGone2", "HKEY_CURRENT_USER", "Rb18", "RootKey");
  EXPECT_EQ(Find(rows, p1, "SuiteTraceHere"), nullptr);
  EXPECT_EQ(Find(rows, p1, "SuiteTraceLocal"), nullptr);
  EXPECT_EQ(Find(rows, p2, "SuiteTraceHere"), nullptr);
  EXPECT_LT(Find(rows, p1, "SuiteTraceGone"), Find(rows, p2, "SuiteTraceGone2"));
  // Folder look-up: trailing "\" and "." are dropped, folders count.
  EXPECT_TRUE(tr::FolderEntryPresent(english.Path() + "\\"));
  EXPECT_TRUE(tr::FolderEntryPresent(english.Path() + "."));
  EXPECT_FALSE(tr::FolderEntryPresent(startMenu + "\\Programs\\SuiteTraceGone"));

  // Without the Start menu folder nothing can be judged, so nothing is listed.
  t::SetString(HKCU, shellFolders, "Start Menu", "");
  const auto unjudged = Scan(tr::ScanStartMenuOrder);
  t::SetString(HKCU, shellFolders, "Start Menu", startMenu);
  EXPECT_EQ(Find(unjudged, p1, "SuiteTraceGone"), nullptr);
  EXPECT_EQ(Find(unjudged, p2, "SuiteTraceGone2"), nullptr);
}

// Download managers' context-menu entries are kept; every other one is listed
// unticked.
TEST_F(Traces, ContextMenuExtensionsAreListedUnticked) {
  const std::string base = "Software\\Microsoft\\Internet Explorer\\MenuExt";
  seed_.Key(HKCU, base + "\\SuiteTrace Open Link");
  seed_.Key(HKCU, base + "\\使用迅雷下载");
  seed_.Key(HKCU, base + "\\使用网际快车下载全部链接");
  seed_.Key(HKCU, base + "\\用脱兔下载");
  const auto rows = Scan(tr::ScanContextMenuExtensions);
  ExpectRow(rows, base, "SuiteTrace Open Link", "HKEY_CURRENT_USER", "Rb12", "RootKey", false);
  EXPECT_EQ(Find(rows, base, "使用迅雷下载"), nullptr);
  EXPECT_EQ(Find(rows, base, "使用网际快车下载全部链接"), nullptr);
  EXPECT_EQ(Find(rows, base, "用脱兔下载"), nullptr);
  EXPECT_TRUE(tr::IsKeptMenuExtension("网络蚂蚁 下载"));
  EXPECT_TRUE(tr::IsKeptMenuExtension("影音传送带"));
  EXPECT_TRUE(tr::IsKeptMenuExtension("用快车下载"));
  EXPECT_FALSE(tr::IsKeptMenuExtension("E&xport to Microsoft Excel"));
}

TEST_F(Traces, RealPlayerClipListsByCaseSensitiveName) {
  const std::string base = "Software\\RealNetworks\\RealPlayer\\6.0\\Preferences";
  seed_.Value(HKCU, base + "\\MostRecentClips1", "", "C:\\a.rm");
  seed_.Key(HKCU, base + "\\mostrecentclips2");
  seed_.Key(HKCU, base + "\\Volume");
  const auto rows = Scan(tr::ScanRealPlayer);
  ExpectRow(rows, base, "MostRecentClips1", "HKEY_CURRENT_USER", "RealOne Player PlayLists", "RootKey");
  EXPECT_EQ(Find(rows, base, "mostrecentclips2"), nullptr);
  EXPECT_EQ(Find(rows, base, "Volume"), nullptr);
}

// The startup group calls its six scanners in order; the table runs scanner k
// for ticked row OtherItem(k+2) only, and a stop ends it.
TEST_F(Traces, TableAndStartupGroupOrder) {
  for (int k = 0; k < dustrel::kTraceScannerCount; ++k) EXPECT_NE(dustrel::TraceScannerAt(k), nullptr) << k;
  EXPECT_EQ(dustrel::TraceScannerAt(-1), nullptr);
  EXPECT_EQ(dustrel::TraceScannerAt(23), nullptr);

  seed_.Value(HKLM, kCV + "\\Run-", "SuiteGroupA", "x");
  seed_.Value(HKLM, kCV + "\\Winlogon", "SuiteGroupB", "x");
  seed_.Value(HKLM, kCV + "\\Run", "SuiteGroupC", "http://x");
  seed_.Key(HKCU, "Software\\Microsoft\\Internet Explorer\\MenuExt\\SuiteGroupD");
  const auto group = Scan(tr::ScanStartupGroup);
  std::vector<std::string> order;
  for (const auto& row : group)
    if (row.name.rfind("SuiteGroup", 0) == 0) order.push_back(row.name);
  EXPECT_EQ(order, (std::vector<std::string>{"SuiteGroupA", "SuiteGroupB", "SuiteGroupC", "SuiteGroupD"}));

  seed_.Value(HKCU, kCV + "\\Explorer\\RunMRU", "SuiteTableRun", "cmd\\1");
  seed_.Value(HKCU, "Software\\Microsoft\\Internet Explorer\\TypedURLs", "SuiteTableUrl", "http://x");
  dustrel::OtherItemTicks ticks{};
  ticks[10] = true;  // OtherItem11: run history (k = 9)
  dustrel::VectorSink sink;
  std::atomic<bool> stop{false};
  dustrel::TraceContext context{sink, stop, TestTexts::kName};
  dustrel::RunTraceScanners(ticks, context);
  ASSERT_FALSE(sink.rows.empty());
  for (const auto& row : sink.rows) EXPECT_EQ(row.category, "Rb2");
  EXPECT_NE(Find(sink.rows, kCV + "\\Explorer\\RunMRU", "SuiteTableRun"), nullptr);

  ticks.fill(true);
  dustrel::VectorSink stopped;
  std::atomic<bool> stopNow{true};
  dustrel::TraceContext stoppedContext{stopped, stopNow, TestTexts::kName};
  dustrel::RunTraceScanners(ticks, stoppedContext);
  EXPECT_TRUE(stopped.rows.empty());
}

// Found rows go through the remover: everything is backed up first, removed
// (a RootKey row with its whole subtree, a KeyValue row as one value) and the
// backup brings every entry back.
TEST_F(Traces, RemovedRowsAreBackedUpAndRestored) {
  const std::string runMru = kCV + "\\Explorer\\RunMRU";
  const std::string apps = kCV + "\\App Paths";
  seed_.Value(HKCU, runMru, "SuiteRestoreA", "notepad\\1");
  seed_.Value(HKLM, apps + "\\SuiteRestore.exe", "", kMissingFolder + "\\gone.exe");
  seed_.Value(HKLM, apps + "\\SuiteRestore.exe\\Deeper", "Inner", "kept data");
  seed_.Value(HKCU, "Software\\Microsoft\\Internet Explorer\\MenuExt\\SuiteRestore Menu", "", "res://x");

  std::vector<FoundItem> rows;
  for (const auto& row : Scan(tr::ScanRunHistory))
    if (row.name == "SuiteRestoreA") rows.push_back(row);
  for (const auto& row : Scan(tr::ScanAppPaths))
    if (row.name == "SuiteRestore.exe") rows.push_back(row);
  for (const auto& row : Scan(tr::ScanContextMenuExtensions))
    if (row.name == "SuiteRestore Menu") rows.push_back(row);
  ASSERT_EQ(rows.size(), 3u);
  std::vector<std::string> texts, markers;
  for (const auto& row : rows) {
    texts.push_back(dustrel::EntryTextOf(row));
    markers.push_back(row.marker);
  }
  t::ScratchDir store("C:\\SuiteTraceStore");
  suite::RestorePoint point(store.Path());
  const auto removed = dustrel::RemoveRegistryEntries(texts, markers, point);
  ASSERT_TRUE(removed.BackedUp());
  EXPECT_EQ(removed.gone, (std::vector<bool>{true, true, true}));
  EXPECT_FALSE(t::ValueExists(HKCU, runMru, "SuiteRestoreA"));
  EXPECT_TRUE(t::KeyExists(HKCU, runMru));
  EXPECT_FALSE(t::KeyExists(HKLM, apps + "\\SuiteRestore.exe"));
  EXPECT_TRUE(t::KeyExists(HKLM, apps));

  const auto backups = suite::ListBackups(store.Path());
  ASSERT_EQ(backups.size(), 1u);
  t::ScratchDir staging("C:\\SuiteTraceStaging");
  const auto restored = suite::RestoreBackup(store.Path(), backups[0], staging.Path());
  EXPECT_EQ(restored.files, 3);
  EXPECT_EQ(restored.imported, 3);
  EXPECT_EQ(suite::ReadString(HKCU, runMru, "SuiteRestoreA"), "notepad\\1");
  EXPECT_EQ(suite::ReadString(HKLM, apps + "\\SuiteRestore.exe", ""), kMissingFolder + "\\gone.exe");
  EXPECT_EQ(suite::ReadString(HKLM, apps + "\\SuiteRestore.exe\\Deeper", "Inner"), "kept data");
  EXPECT_TRUE(t::KeyExists(HKCU, "Software\\Microsoft\\Internet Explorer\\MenuExt\\SuiteRestore Menu"));
}

// A 32-bit program's machine entries lie in the 32-bit registry view of a
// 64-bit Windows: each is listed once, by its Wow6432Node path, and comes back
// there from the backup.
TEST_F(Traces, ThirtyTwoBitViewEntriesAreListedOnceAndRestoredThere) {
  const std::string run64 = kCV + "\\Run-";
  const std::string run32 = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run-";
  const std::string tools32 = "Software\\Wow6432Node\\Microsoft\\Shared Tools";
  seed_.Value(HKLM, run32, "SuiteView32", "C:\\x86\\tray.exe");
  seed_.Value(HKLM, run64, "SuiteView64", "C:\\x64\\tray.exe");
  seed_.Value(HKLM, tools32 + "\\SuiteTool32", "Path", kMissingFolder + "\\tool.dll");
  std::vector<FoundItem> rows = Scan(tr::ScanDisabledStartup);
  for (const auto& row : Scan(tr::ScanSharedTools)) rows.push_back(row);
  int named32 = 0;
  for (const auto& row : rows) named32 += row.name == "SuiteView32" || row.name == "SuiteTool32";
  EXPECT_EQ(named32, 2);
  ExpectRow(rows, run32, "SuiteView32", "HKEY_LOCAL_MACHINE", "Rb1", "KeyValue");
  ExpectRow(rows, run64, "SuiteView64", "HKEY_LOCAL_MACHINE", "Rb1", "KeyValue");
  ExpectRow(rows, tools32, "SuiteTool32", "HKEY_LOCAL_MACHINE", "Rb7", "RootKey");

  std::vector<std::string> texts, markers;
  for (const auto* row : {Find(rows, run32, "SuiteView32"), Find(rows, tools32, "SuiteTool32")}) {
    texts.push_back(dustrel::EntryTextOf(*row));
    markers.push_back(row->marker);
  }
  t::ScratchDir store("C:\\SuiteTraceStore");
  suite::RestorePoint point(store.Path());
  const auto removed = dustrel::RemoveRegistryEntries(texts, markers, point);
  EXPECT_EQ(removed.gone, (std::vector<bool>{true, true}));
  EXPECT_FALSE(t::ValueExists(HKLM, run32, "SuiteView32"));
  EXPECT_FALSE(t::KeyExists(HKLM, tools32 + "\\SuiteTool32"));
  const auto backups = suite::ListBackups(store.Path());
  ASSERT_EQ(backups.size(), 1u);
  t::ScratchDir staging("C:\\SuiteTraceStaging");
  EXPECT_EQ(suite::RestoreBackup(store.Path(), backups[0], staging.Path()).imported, 2);
  EXPECT_EQ(suite::ReadString(HKLM, run32, "SuiteView32"), "C:\\x86\\tray.exe");
  EXPECT_FALSE(t::ValueExists(HKLM, run64, "SuiteView32"));
  EXPECT_TRUE(t::KeyExists(HKLM, tools32 + "\\SuiteTool32"));
}

// An entry text without a subkey or value name never removes the key that
// holds it, nor the root.
TEST_F(Traces, EntryWithEmptyNameNeverRemovesTheKey) {
  t::ScratchKey key("TraceEmptyName");
  t::SetString(HKCU, key.Path(), "", "default data");
  t::SetString(HKCU, key.Path(), "Other", "kept");
  FoundItem keyRow;
  keyRow.size = "HKEY_CURRENT_USER";
  keyRow.folder = key.Path();
  keyRow.marker = dustrel::kMarkerRootKey;
  FoundItem valueRow = keyRow;
  valueRow.marker = dustrel::kMarkerKeyValue;
  FoundItem rootRow = keyRow;
  rootRow.folder.clear();
  t::ScratchDir store("C:\\SuiteTraceStore");
  suite::RestorePoint point(store.Path());
  const auto removed = dustrel::RemoveRegistryEntries(
      {dustrel::EntryTextOf(keyRow), dustrel::EntryTextOf(rootRow), dustrel::EntryTextOf(valueRow)},
      {"RootKey", "RootKey", "KeyValue"}, point);
  EXPECT_FALSE(removed.gone[0]);
  EXPECT_FALSE(removed.gone[1]);
  EXPECT_TRUE(t::KeyExists(HKCU, key.Path()));
  EXPECT_EQ(suite::ReadString(HKCU, key.Path(), "Other"), "kept");
  EXPECT_TRUE(t::KeyExists(HKCU, "Software\\SuiteTests"));
}

// The scanners only read: a key the user may read but not change is listed.
TEST_F(Traces, KeysThatMayOnlyBeReadAreListed) {
  const std::string path = "InstallLocationsMRU";
  seed_.Value(HKCU, path, "SuiteReadOnly", "C:\\setup");
  HANDLE token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  std::vector<BYTE> user(512);
  DWORD size = 0;
  ASSERT_TRUE(GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size));
  CloseHandle(token);
  PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  auto setAccess = [&](DWORD mask) {
    std::vector<BYTE> acl(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid));
    auto* list = reinterpret_cast<PACL>(acl.data());
    SECURITY_DESCRIPTOR sd;
    InitializeAcl(list, static_cast<DWORD>(acl.size()), ACL_REVISION);
    AddAccessAllowedAce(list, ACL_REVISION, mask, sid);
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, list, FALSE);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKCU, path.c_str(), 0, WRITE_DAC, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd), ERROR_SUCCESS);
    RegCloseKey(key);
  };
  // The key's own list, put back after the scan.
  std::vector<BYTE> saved(4096);
  DWORD savedSize = static_cast<DWORD>(saved.size());
  HKEY own;
  ASSERT_EQ(RegOpenKeyExA(HKCU, path.c_str(), 0, READ_CONTROL | WRITE_DAC, &own), ERROR_SUCCESS);
  ASSERT_EQ(RegGetKeySecurity(own, DACL_SECURITY_INFORMATION, saved.data(), &savedSize), ERROR_SUCCESS);
  setAccess(KEY_READ | WRITE_DAC);
  HKEY full;
  const bool fullOpens = RegOpenKeyExA(HKCU, path.c_str(), 0, KEY_ALL_ACCESS, &full) == ERROR_SUCCESS;
  if (fullOpens) RegCloseKey(full);
  const auto rows = Scan(tr::ScanInstallLocations);
  EXPECT_EQ(RegSetKeySecurity(own, DACL_SECURITY_INFORMATION, saved.data()), ERROR_SUCCESS);
  RegCloseKey(own);
  EXPECT_FALSE(fullOpens) << "the sandbox does not enforce key access lists";
  EXPECT_NE(Find(rows, path, "SuiteReadOnly"), nullptr);
}
