// Starts the real Brisko.exe in the sandbox, beside stand-in cleaners that
// record how they were started (and beside the real cleaners in the last
// test), and drives its window by messages as a person would.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>

#include "../resource.h"
#include "consoletest.h"
#include "inifile.h"
#include "removal.h"
#include "score.h"
#include "sequence.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;
using namespace suite::console;
using suite::console::test::StandinFolder;
using suite::console::test::WaitUntil;

namespace {

const char kCaption[] = "Brisko 一键清理";

// A text of the console's settings file as the program reads it.
std::string Ini(const std::string& key) {
  suite::IniFile ini(t::DistFolder() + "\\Brisko.ini");
  ini.ReadFile();
  return ini.GetValue("Resource", key);
}

std::string Done(int count) { return "- " + std::to_string(count) + " " + Ini("strCleanInfo2"); }

class Brisko : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
};

// The console's window, started from `folder`.
class Console {
 public:
  explicit Console(const std::string& folder)
      : program_("\"" + folder + "\\Brisko.exe\"", folder) {
    main = program_.WaitForWindow(kCaption);
  }
  t::WindowProgram& Program() { return program_; }
  std::string Text(int id) const { return t::ControlText(main, id); }
  std::string Status(int step) const { return Text(IDC_STEPSTATUS1 + step); }
  bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(main, id)) != FALSE; }
  int Progress() const {
    return static_cast<int>(SendMessageA(GetDlgItem(main, IDC_PROGRESS), PBM_GETPOS, 0, 0));
  }
  void Click(int id) { t::ClickButton(main, id); }
  // The cleanliness check of the opening is over: score shown, Start enabled.
  bool WaitIdle() {
    return WaitUntil([&] {
      return Enabled(IDC_BUTTON_START) && Text(IDC_SCORE).rfind(Ini("strProInfo6"), 0) == 0;
    }, 60000);
  }
  // Presses Start and answers the question box.
  void Start(bool yes) {
    Click(IDC_BUTTON_START);
    HWND box = program_.WaitForMessageBox(main, 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(t::MessageBoxText(box), Ini("strProInfo8"));
    t::ClickButton(box, yes ? IDYES : IDNO);
    WaitUntil([&] { return !IsWindow(box); }, 5000);
  }
  HWND WaitForReport() {
    HWND report = program_.WaitForDialog(main, 60000);
    if (!report) return nullptr;
    char caption[256] = {};
    GetWindowTextA(report, caption, sizeof caption);
    return Ini("IDD_DIALOG_REPORT") == caption ? report : nullptr;
  }
  void Close() {
    t::ClickButton(main, IDCANCEL);
    DWORD code = 1;
    EXPECT_TRUE(program_.WaitForExit(15000, &code));
    EXPECT_EQ(code, 0u);
  }

  HWND main = nullptr;

 private:
  t::WindowProgram program_;
};

int ListCount(HWND dialog, int id) {
  return static_cast<int>(SendMessageA(GetDlgItem(dialog, id), LVM_GETITEMCOUNT, 0, 0));
}

void InstallConsole(const std::string& folder) {
  t::InstallFromDist(folder, {"Brisko.exe", "Brisko.ini"});
}

}  // namespace

TEST_F(Brisko, TheWindowRunsTheStepsThatAreOnInOrderAndShowsTheirCounts) {
  t::WindowsVersionFor xp("Brisko.exe", "winxp");
  // Dustrel is left out: a missing program is a step that ends at once.
  StandinFolder bin("C:\\brisko e2e\\bin", {"Snipwell.exe", "Marksift.exe", "Hivemend.exe",
                                            "Patchmoor.exe", "Patchmoorv.exe"});
  InstallConsole(bin.Path());
  // Logs of an earlier run: all six are deleted when the run starts.
  for (const Step& s : kSteps) t::WriteBytes(bin / s.logName, test::LogBytes(9, {"old"}));
  bin.SeedLog("Snipwell.log", 7, {"C:\\a.lnk", "C:\\b.lnk"});
  bin.SeedLog("Hivemend.log", 3, {"HKEY_CURRENT_USER\\Software\\x\\y", "b", "c"});

  Console c(bin.Path());
  ASSERT_NE(c.main, nullptr);
  EXPECT_EQ(c.Text(IDC_STATICCLINFO1), Ini("IDC_STATICCLINFO1"));
  EXPECT_EQ(c.Text(IDC_BUTTON_PAGE2), Ini("IDC_BUTTON_PAGE2"));
  for (int k = 0; k < kStepCount; ++k) EXPECT_EQ(c.Status(k), Ini("strProInfo1"));
  EXPECT_FALSE(c.Enabled(IDC_BUTTON_REPORT));
  EXPECT_FALSE(c.Enabled(IDC_BUTTON_PAUSE));
  ASSERT_TRUE(c.WaitIdle());

  // Marksift and the history step off; the history step back on and off again.
  for (int step : {1, 3, 3, 3}) c.Click(IDC_STEP1 + step);
  ASSERT_TRUE(WaitUntil([&] { return c.Status(3) == Ini("strProInfo2"); }));
  EXPECT_EQ(c.Status(1), Ini("strProInfo2"));
  EXPECT_EQ(c.Status(0), Ini("strProInfo1"));

  c.Start(true);
  HWND report = c.WaitForReport();
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(bin.Calls(), (std::vector<std::string>{"Snipwell|-Auto|2", "Hivemend|-Auto|2",
                                                   "Patchmoor|-Auto|2"}));
  EXPECT_EQ(c.Status(0), Done(7));
  EXPECT_EQ(c.Status(1), Ini("strProInfo2"));
  EXPECT_EQ(c.Status(2), Done(0));  // Dustrel.exe is not there
  EXPECT_EQ(c.Status(3), Ini("strProInfo2"));
  EXPECT_EQ(c.Status(4), Done(3));
  EXPECT_EQ(c.Status(5), Done(0));
  EXPECT_EQ(c.Progress(), 80);
  EXPECT_FALSE(t::Exists(bin / "Marksift.log"));
  EXPECT_FALSE(t::Exists(bin / "History.log"));
  EXPECT_FALSE(t::Exists(bin / "Dustrel.log"));
  EXPECT_TRUE(c.Enabled(IDC_BUTTON_REPORT));
  EXPECT_FALSE(c.Enabled(IDC_BUTTON_PAUSE));
  EXPECT_EQ(c.Text(IDC_BUTTON_START), Ini("IDC_BUTTON_START"));

  // The report: the performance page first, its figures half a second later.
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(report, IDC_BAR_STARTUP_AFTER)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(report, IDC_LOGLIST)));
  ASSERT_TRUE(WaitUntil([&] { return !t::ControlText(report, IDC_RESULT_STARTUP).empty(); }));
  EXPECT_EQ(t::ControlText(report, IDC_RESULT_DISK).rfind(Ini("strInfo9"), 0), 0u);
  EXPECT_EQ(t::ControlText(report, IDC_STATICPERTEXT1), Ini("IDC_STATICPERTEXT1"));
  // The detail page already lists the shortcut log.
  t::ClickButton(report, IDC_BUTTON_RPT2);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(report, IDC_LOGLIST)) != 0; }));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(report, IDC_BAR_STARTUP_AFTER)));
  ASSERT_TRUE(WaitUntil([&] { return t::ControlText(report, IDC_LOGSTATUS) == Ini("strInfo1") + " - 7 "; }));
  EXPECT_EQ(ListCount(report, IDC_LOGLIST), 2);
  t::ClickButton(report, IDC_BUTTON_LOGVIEW1 + 4);
  ASSERT_TRUE(WaitUntil([&] { return t::ControlText(report, IDC_LOGSTATUS) == Ini("strInfo5") + " - 3 "; }));
  EXPECT_EQ(ListCount(report, IDC_LOGLIST), 3);
  t::ClickButton(report, IDC_BUTTON_LOGVIEW1 + 1);  // Marksift wrote nothing
  ASSERT_TRUE(WaitUntil([&] { return t::ControlText(report, IDC_LOGSTATUS) == Ini("strInfo2") + " - 0 "; }));
  EXPECT_EQ(ListCount(report, IDC_LOGLIST), 0);
  t::ClickButton(report, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(report); }));

  // The report button opens it again.
  c.Click(IDC_BUTTON_REPORT);
  report = c.WaitForReport();
  ASSERT_NE(report, nullptr);
  // It reads the shortcut log again first; closing waits for that.
  ASSERT_TRUE(WaitUntil([&] { return t::ControlText(report, IDC_LOGSTATUS) == Ini("strInfo1") + " - 7 "; }));
  t::ClickButton(report, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(report); }));
  c.Close();
}

TEST_F(Brisko, TheReportShowsOnlyMeasuredChanges) {
  t::WindowsVersionFor xp("Brisko.exe", "winxp");
  StandinFolder bin("C:\\brisko e2e\\figures", {"Snipwell.exe", "Dustrel.exe"});
  InstallConsole(bin.Path());
  const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  for (int i = 0; i < 3; ++i)
    t::SetString(HKEY_CURRENT_USER, run, "BriskoE2E" + std::to_string(i), "C:\\gone" + std::to_string(i) + ".exe");
  // The shortcut step's stand-in removes the three startup entries.
  t::WriteBytes(bin / "Snipwell.unrun", "BriskoE2E0\r\nBriskoE2E1\r\nBriskoE2E2\r\n");

  Console c(bin.Path());
  ASSERT_TRUE(c.WaitIdle());
  for (int step = 1; step < kStepCount; ++step) c.Click(IDC_STEP1 + step);
  auto runAndReport = [&]() -> HWND {
    c.Start(true);
    HWND report = c.WaitForReport();
    if (!report) return nullptr;
    WaitUntil([&] { return !t::ControlText(report, IDC_RESULT_STARTUP).empty(); });
    WaitUntil([&] { return t::ControlText(report, IDC_LOGSTATUS) != "Reading..."; });
    return report;
  };
  auto pos = [](HWND report, int id) {
    return static_cast<int>(SendMessageA(GetDlgItem(report, id), PBM_GETPOS, 0, 0));
  };
  HWND report = runAndReport();
  ASSERT_NE(report, nullptr);
  EXPECT_FALSE(t::ValueExists(HKEY_CURRENT_USER, run, "BriskoE2E0"));
  EXPECT_EQ(t::ControlText(report, IDC_RESULT_STARTUP), Ini("strInfo11") + ":30");
  EXPECT_EQ(pos(report, IDC_BAR_STARTUP_BEFORE), 100);
  EXPECT_EQ(pos(report, IDC_BAR_STARTUP_AFTER), 103);
  EXPECT_EQ(pos(report, IDC_BAR_PERF_BEFORE), 100);

  // Emptying the Recycle Bin leaves the disk figures of the report alone.
  t::ScratchDir scratch("C:\\brisko e2e\\bin item");
  t::WriteBytes(scratch / "recycled.txt", std::string(100000, 'r'));
  ASSERT_TRUE(suite::MoveToRecycleBin(scratch / "recycled.txt", nullptr, true));
  auto inBin = [&] {
    for (const std::string& p : t::RecycledPaths())
      if (suite::EqualsNoCase(p, scratch / "recycled.txt")) return true;
    return false;
  };
  ASSERT_TRUE(inBin());
  const std::string disk = t::ControlText(report, IDC_RESULT_DISK);
  const int diskAfter = pos(report, IDC_BAR_DISK_AFTER);
  // The bin is emptied only after a question, and only on Yes.
  for (int answer : {IDNO, IDYES}) {
    t::ClickButton(report, IDC_BUTTON_EMPTYBIN);
    HWND box = nullptr;  // the question, by its caption
    ASSERT_TRUE(WaitUntil([&] {
      box = FindWindowA("#32770", Ini("strInfo19").c_str());
      return box != nullptr;
    }, 10000));
    EXPECT_EQ(t::MessageBoxText(box), Ini("strEmptyBin"));
    t::ClickButton(box, answer);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
    if (answer == IDNO) {
      Sleep(500);
      EXPECT_TRUE(inBin()) << "No empties nothing";
    }
  }
  EXPECT_TRUE(WaitUntil([&] { return !inBin(); }));
  Sleep(500);
  EXPECT_EQ(t::ControlText(report, IDC_RESULT_DISK), disk);
  EXPECT_EQ(pos(report, IDC_BAR_DISK_AFTER), diskAfter);
  EXPECT_EQ(t::ControlText(report, IDC_RESULT_STARTUP), Ini("strInfo11") + ":30");
  t::ClickButton(report, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(report); }));

  // A run that changes nothing shows no gain.
  DeleteFileA((bin / "Snipwell.unrun").c_str());
  report = runAndReport();
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(t::ControlText(report, IDC_RESULT_STARTUP), Ini("strInfo11") + ":0");
  EXPECT_EQ(pos(report, IDC_BAR_STARTUP_AFTER), 100);
  t::ClickButton(report, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(report); }));

  // The options button runs the main cleaner without a switch and waits for it.
  c.Click(IDC_BUTTON_PRO);
  ASSERT_TRUE(WaitUntil([&] {
    const std::vector<std::string> calls = bin.Calls();  // empty while the stand-in writes
    return !calls.empty() && calls.back() == "Dustrel||1";
  }));
  EXPECT_TRUE(WaitUntil([&] { return !IsIconic(c.main); }));
  c.Close();
}

TEST_F(Brisko, EscapeDoesNotCloseTheReportWhileALogIsRead) {
  t::WindowsVersionFor xp("Brisko.exe", "winxp");
  StandinFolder bin("C:\\brisko e2e\\escape", {"Snipwell.exe"});
  InstallConsole(bin.Path());
  std::vector<std::string> files;
  for (int i = 0; i < 3000; ++i) files.push_back("C:\\junk\\file" + std::to_string(i) + ".tmp");
  bin.SeedLog("Snipwell.log", 3000, files);
  Console c(bin.Path());
  ASSERT_TRUE(c.WaitIdle());
  for (int step = 1; step < kStepCount; ++step) c.Click(IDC_STEP1 + step);
  c.Start(true);
  HWND report = c.WaitForReport();
  ASSERT_NE(report, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return ListCount(report, IDC_LOGLIST) == 3000; }));
  // The click starts a read; the Escape queued right behind it arrives while
  // the read runs and is ignored.
  t::ClickButton(report, IDC_BUTTON_LOGVIEW1);
  PostMessageA(report, WM_COMMAND, IDCANCEL, 0);
  PostMessageA(report, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return t::ControlText(report, IDC_LOGSTATUS) == Ini("strInfo1") + " - 3000 "; }));
  Sleep(300);
  EXPECT_TRUE(IsWindow(report));
  EXPECT_EQ(ListCount(report, IDC_LOGLIST), 3000);
  PostMessageA(report, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(report); }));
  c.Close();
}

TEST_F(Brisko, NoAndNothingSelectedRunNothing) {
  StandinFolder bin("C:\\brisko e2e\\no", test::CleanerNames());
  InstallConsole(bin.Path());
  t::WriteBytes(bin / "Snipwell.log", test::LogBytes(4, {"x"}));
  Console c(bin.Path());
  ASSERT_TRUE(c.WaitIdle());
  c.Start(false);
  Sleep(1000);
  EXPECT_TRUE(bin.Calls().empty());
  EXPECT_TRUE(t::Exists(bin / "Snipwell.log")) << "logs stay until a run is confirmed";
  EXPECT_FALSE(c.Enabled(IDC_BUTTON_PAUSE));
  EXPECT_EQ(c.Text(IDC_BUTTON_START), Ini("IDC_BUTTON_START"));

  for (int step = 0; step < kStepCount; ++step) c.Click(IDC_STEP1 + step);
  ASSERT_TRUE(WaitUntil([&] { return c.Status(5) == Ini("strProInfo2"); }));
  c.Click(IDC_BUTTON_START);
  HWND box = c.Program().WaitForMessageBox(c.main, 10000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(t::MessageBoxText(box), Ini("strProInfo7"));
  char caption[128] = {};
  GetWindowTextA(box, caption, sizeof caption);
  EXPECT_EQ(caption, Ini("strInfo17"));
  t::ClickButton(box, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  Sleep(500);
  EXPECT_TRUE(bin.Calls().empty());
  c.Close();
}

TEST_F(Brisko, PauseContinueAndStopWhileAStepHangs) {
  t::WindowsVersionFor xp("Brisko.exe", "winxp");
  StandinFolder bin("C:\\brisko e2e\\hang", test::CleanerNames());
  InstallConsole(bin.Path());
  bin.Hang("Marksift");
  bin.SeedLog("Snipwell.log", 2, {"a", "b"});
  Console c(bin.Path());
  ASSERT_TRUE(c.WaitIdle());
  c.Start(true);
  ASSERT_TRUE(WaitUntil([&] { return c.Status(1).find('%') != std::string::npos; }));
  EXPECT_EQ(c.Status(0), Done(2));
  EXPECT_EQ(c.Progress(), 20);
  EXPECT_TRUE(c.Enabled(IDC_BUTTON_PAUSE));
  EXPECT_EQ(c.Text(IDC_BUTTON_START), Ini("strStop"));

  // Paused: the step's percentage stands still.
  c.Click(IDC_BUTTON_PAUSE);
  ASSERT_TRUE(WaitUntil([&] { return c.Text(IDC_BUTTON_PAUSE) == Ini("strCon"); }));
  const std::string frozen = c.Status(1);
  Sleep(1500);
  EXPECT_EQ(c.Status(1), frozen);
  c.Click(IDC_BUTTON_PAUSE);
  ASSERT_TRUE(WaitUntil([&] { return c.Text(IDC_BUTTON_PAUSE) == Ini("strPau"); }));
  EXPECT_TRUE(WaitUntil([&] { return c.Status(1) != frozen; }, 5000));

  // Toggling a step during a run has no effect.
  c.Click(IDC_STEP1 + 2);
  Sleep(300);
  EXPECT_EQ(c.Status(2), Ini("strProInfo1"));

  // Stop: the run ends at once, the hanging child is left running.
  c.Click(IDC_BUTTON_START);
  ASSERT_TRUE(WaitUntil([&] { return c.Status(1) == Ini("strProInfo9"); }));
  EXPECT_EQ(c.Progress(), 0);
  EXPECT_EQ(c.Text(IDC_BUTTON_START), Ini("IDC_BUTTON_START"));
  EXPECT_FALSE(c.Enabled(IDC_BUTTON_PAUSE));
  EXPECT_FALSE(c.Enabled(IDC_BUTTON_REPORT));
  bin.Release();
  Sleep(1500);
  EXPECT_EQ(bin.Calls(), (std::vector<std::string>{"Snipwell|-Auto|2", "Marksift|-Auto|2"}));
  EXPECT_EQ(c.Status(1), Ini("strProInfo9"));
  EXPECT_EQ(c.Status(2), Ini("strProInfo1"));
  c.Close();
}

TEST_F(Brisko, TheScoreShowsTheFourChecks) {
  StandinFolder bin("C:\\brisko e2e\\score", {});
  InstallConsole(bin.Path());
  const ScoreInputs in = SystemScoreInputs();
  ASSERT_FALSE(in.cacheFolder.empty());
  ASSERT_FALSE(in.recentFolder.empty());
  auto caption = [](int score) { return Ini("strProInfo6") + ":" + std::to_string(score) + "%"; };
  {
    Console c(bin.Path());
    ASSERT_TRUE(c.WaitIdle());
    EXPECT_EQ(c.Text(IDC_SCORE), caption(CleanlinessScore(in)));
    c.Close();
  }
  // Traces of all four kinds: a big cache, a broken recent shortcut, a full
  // temp folder and six recent documents.
  t::ScratchDir cache(in.cacheFolder + "\\brisko-e2e");
  t::ScratchDir recent(in.recentFolder + "\\brisko-e2e");
  t::ScratchDir temp(in.tempFolder + "\\brisko-e2e");
  t::WriteBytes(cache / "big.dat", std::string(kCacheLimitBytes + 1, 'c'));
  t::WriteBytes(temp / "big.tmp", std::string(kTempLimitBytes, 't'));
  ASSERT_TRUE(t::MakeShortcut(recent / "gone.txt.lnk", "C:\\brisko e2e\\gone.txt"));
  for (int i = 0; i < 6; ++i)
    t::SetString(in.recentDocsRoot, in.recentDocsKey, "BriskoE2E" + std::to_string(i), "x");
  {
    Console c(bin.Path());
    ASSERT_TRUE(c.WaitIdle());
    EXPECT_EQ(c.Text(IDC_SCORE), caption(20));
    c.Close();
  }
  for (int i = 0; i < 6; ++i)
    RegDeleteKeyValueA(in.recentDocsRoot, in.recentDocsKey.c_str(),
                       ("BriskoE2E" + std::to_string(i)).c_str());
}

TEST_F(Brisko, AutoRunsAllSixStepsWithoutAWindowAndKeepsTheLogs) {
  // Wine reports Windows 7 here: the patch step runs the outside program.
  std::vector<std::string> programs = test::CleanerNames();
  programs.push_back("Patchmoorv.exe");
  StandinFolder bin("C:\\brisko e2e\\auto run", programs);
  InstallConsole(bin.Path());
  t::WriteBytes(bin / "History.log", test::LogBytes(9, {"old"}));
  bin.SeedLog("Dustrel.log", 5, {"C:\\junk.tmp"});
  bin.SeedLog("Patchmoor.log", 1, {"C:\\windows\\$NtUninstallKB1$"});
  t::ProcessResult r = t::RunProcess("\"" + bin.Path() + "\\Brisko.exe\" -Auto", bin.Path(), 120000);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(bin.Calls(), (std::vector<std::string>{"Snipwell|-Auto|2", "Marksift|-Auto|2",
                                                   "Dustrel|-Auto|2", "Dustrel|-Track|2",
                                                   "Hivemend|-Auto|2", "Patchmoorv|-Auto|2"}));
  EXPECT_EQ(LogCount(bin / "Dustrel.log"), "5");
  EXPECT_EQ(LogCount(bin / "Patchmoor.log"), "1");
  EXPECT_FALSE(t::Exists(bin / "History.log"));
}

// Every unattended run ends: a hanging cleaner is ended at the step's limit
// and the run says so with exit status 1; a missing cleaner fails nothing.
TEST_F(Brisko, AutoEndsAHangingStepAtItsLimitAndExitsOne) {
  StandinFolder bin("C:\\brisko e2e\\limit", {"Snipwell.exe", "Marksift.exe", "Hivemend.exe"});
  InstallConsole(bin.Path());
  t::WriteBytes(bin / "Brisko.ini", "[Setting]\r\nStepTimeout=2\r\n");
  bin.Hang("Marksift");
  bin.SeedLog("Hivemend.log", 3, {"HKEY_CURRENT_USER\\x"});
  const DWORD start = GetTickCount();
  t::ProcessResult r = t::RunProcess("\"" + bin.Path() + "\\Brisko.exe\" -Auto", bin.Path(), 60000);
  EXPECT_FALSE(r.timedOut);
  EXPECT_LT(GetTickCount() - start, 40000u);
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(bin.Calls(), (std::vector<std::string>{"Snipwell|-Auto|2", "Marksift|-Auto|2",
                                                   "Hivemend|-Auto|2"}));
  EXPECT_EQ(LogCount(bin / "Hivemend.log"), "3") << "the run went on after the ended step";

  DeleteFileA((bin / "Marksift.hang").c_str());
  r = t::RunProcess("\"" + bin.Path() + "\\Brisko.exe\" -Auto", bin.Path(), 60000);
  EXPECT_EQ(r.exitCode, 0u) << "missing programs are skipped and fail nothing";
}

TEST_F(Brisko, AutoWithTheRealCleanersAlsoFromAFolderWithBlanks) {
  t::WindowsVersionFor xp("Brisko.exe", "winxp");
  for (const std::string folder : {"C:\\brisko-e2e-real", "C:\\brisko e2e\\real cleaners"}) {
    SCOPED_TRACE(folder);
    t::ScratchDir bin(folder);
    InstallConsole(folder);
    t::InstallFromDist(folder, {"Snipwell.exe", "Snipwell.ini", "Marksift.exe", "Hivemend.exe",
                                "Hivemend.ini", "Patchmoor.exe", "TipList.ini", "SubPro.htm"});
    // Dustrel, when it has been built.
    if (t::Exists(t::DistFolder() + "\\Dustrel.exe"))
      t::InstallFromDist(folder, {"Dustrel.exe", "Dustrel.ini"});
    t::ScratchDir targets("C:\\brisko e2e\\targets");
    t::ScratchDir desk(t::ProfileFolder() + "\\Desktop\\brisko-e2e");
    t::WriteBytes(targets / "gone.exe", "MZ");
    t::WriteBytes(targets / "kept.exe", "MZ");
    ASSERT_TRUE(t::MakeShortcut(desk / "gone.lnk", targets / "gone.exe"));
    ASSERT_TRUE(t::MakeShortcut(desk / "kept.lnk", targets / "kept.exe"));
    DeleteFileA((targets / "gone.exe").c_str());

    t::ProcessResult r = t::RunProcess("\"" + folder + "\\Brisko.exe\" -Auto", folder, 400000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0u);
    // Snipwell ran with its switch and sent the broken shortcut to the Recycle Bin.
    std::vector<std::string> files;
    EXPECT_TRUE(ReadLogSection(bin / "Snipwell.log", "Files", files));
    auto same = [&](const std::string& p) { return suite::EqualsNoCase(p, desk / "gone.lnk"); };
    EXPECT_NE(std::find_if(files.begin(), files.end(), same), files.end());
    EXPECT_FALSE(t::Exists(desk / "gone.lnk"));
    EXPECT_TRUE(t::Exists(desk / "kept.lnk"));
    const auto recycled = t::RecycledPaths();
    EXPECT_NE(std::find_if(recycled.begin(), recycled.end(), same), recycled.end());
    // Patchmoor writes its log on every unattended run.
    EXPECT_TRUE(t::Exists(bin / "Patchmoor.log"));
  }
}

// The Help button opens the suite's help file from the program folder in the
// system's help viewer, whose window carries the file's own title.
TEST_F(Brisko, HelpButtonOpensTheHelpFile) {
  t::ScratchDir folder("C:\\brisko e2e\\help");
  t::InstallFromDist(folder.Path(), {"Brisko.exe", "Brisko.ini", "Help.chm"});
  Console c(folder.Path());
  ASSERT_NE(c.main, nullptr);
  c.Click(IDC_BUTTON_PAGE2);
  HWND viewer = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    viewer = FindWindowA("HH Parent", "Quillon 系统清理套件 帮助");
    return viewer != nullptr;
  }, 30000));
  PostMessageA(viewer, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(viewer); }));
  c.Close();
}
