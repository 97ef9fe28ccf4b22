// The stale-entry rules on the texts an entry holds, against files of a
// scratch folder: each rule's cases, in the path-test variants of the
// programs that ask it (Hivemend's and Dustrel's).
#include "entryrules.h"

#include <gtest/gtest.h>

#include "sysinfo.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;
using suite::PathChecker;

namespace {

const std::string kDir = "C:\\suite-tests\\entryrules";

class EntryRules : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new t::ScratchDir(kDir);
    for (const char* f : {"present.exe", "present.dll", "present.ico", "present.hlp",
                          "present.chm", "App\\app.exe"})
      t::WriteBytes(P(f), "MZ");
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::string P(const std::string& name) { return kDir + "\\" + name; }
  // E: and F: count as non-fixed drives, as in the sandbox.
  PathChecker hivemend_{suite::kRegistryScannerPathCheck, {"E:\\", "F:\\"}};
  PathChecker dustrel_{suite::kCleanerPathCheck, {"E:\\", "F:\\"}};
  static t::ScratchDir* dir_;
};
t::ScratchDir* EntryRules::dir_ = nullptr;

struct Case {
  std::string text;
  bool stale;
};

}  // namespace

// A program's default value: a drive path whose program, perhaps with
// arguments, is gone. Quoted texts fail the drive gate and are never judged.
TEST_F(EntryRules, AppPathsJudgeTheProgramWithItsArguments) {
  const Case hivemendCases[] = {
      {P("present.exe"), false},
      {P("App\\app.exe") + " /x", false},
      {"\"" + P("App\\app.exe") + "\";more text", false},
      {P("gone.exe"), true},
      {P("App\\gone.exe") + " /x", true},
      {"E:\\setup\\gone.exe", false},
      {"F:\\gone.exe", false},
      {"A:\\gone\\gone.exe", true},
      {"%ProgramFiles%\\gone.exe", false},
      {"C:\\Windows\\iNSTALLER\\gone.exe", false},
      {"C:\\a.b", false},
  };
  for (const Case& c : hivemendCases)
    EXPECT_EQ(suite::AppPathStale(c.text, hivemend_), c.stale) << c.text;
  const Case dustrelCases[] = {
      {P("Missing\\gone.exe"), true},
      {"\"" + P("present.exe") + "\" /quiet", false},
      {"\"" + P("Missing\\x y\\z.exe") + "\" -a", false},
      {"suitenodrive.exe", false},
      {"C:\\Windows\\Installer\\{x}\\gone.exe", false},
      {"", false},
  };
  for (const Case& c : dustrelCases)
    EXPECT_EQ(suite::AppPathStale(c.text, dustrel_), c.stale) << c.text;
}

// Known DLLs name files of the system folder; known VxDs name paths of their own.
TEST_F(EntryRules, KnownDllsInTheSystemFolderAndVxdsByTheirPaths) {
  const std::string system = suite::SystemFolder();
  for (PathChecker* c : {&hivemend_, &dustrel_}) {
    EXPECT_FALSE(suite::KnownDllStale("kernel32.dll", system, *c));
    EXPECT_TRUE(suite::KnownDllStale("suite-gone32.dll", system, *c));
    EXPECT_TRUE(suite::KnownDllStale("suite-gone16.dll", system, *c));
  }
  EXPECT_TRUE(suite::KnownVxdStale(P("gone.vxd"), hivemend_));
  EXPECT_FALSE(suite::KnownVxdStale(P("present.dll"), hivemend_));
  EXPECT_FALSE(suite::KnownVxdStale("C:\\a.b", hivemend_));
  EXPECT_FALSE(suite::KnownVxdStale("gone.vxd", hivemend_));
  EXPECT_TRUE(suite::KnownVxdStale(P("Missing\\x.vxd"), dustrel_));
  EXPECT_FALSE(suite::KnownVxdStale("suitetrace.vxd", dustrel_));
}

// The value name is the file, the data its folder, with or without a
// trailing backslash; an empty folder is never judged.
TEST_F(EntryRules, HelpFilesJoinFolderAndName) {
  EXPECT_FALSE(suite::HelpFileStale("present.hlp", kDir, hivemend_));
  EXPECT_TRUE(suite::HelpFileStale("hm-gone.hlp", kDir + "\\", hivemend_));
  EXPECT_FALSE(suite::HelpFileStale("hm-nofolder.hlp", "", hivemend_));
  EXPECT_TRUE(suite::HelpFileStale("hm-gone.chm", kDir, hivemend_));
  EXPECT_FALSE(suite::HelpFileStale("present.hlp", kDir + "\\", dustrel_));
  EXPECT_TRUE(suite::HelpFileStale("suitegone.hlp", kDir + "\\", dustrel_));
  EXPECT_TRUE(suite::HelpFileStale("suitegone2.hlp", kDir, dustrel_));
  EXPECT_FALSE(suite::HelpFileStale("suiteempty.hlp", "", dustrel_));
  EXPECT_TRUE(suite::HelpFileStale("suitegone.chm", kDir, dustrel_));
  EXPECT_FALSE(suite::HelpFileStale("present.chm", kDir, dustrel_));
}

TEST(IconValue, SplitsAtTheFirstComma) {
  std::string file;
  int index = 7;
  suite::SplitIconValue("C:\\a,b\\x.ico,3", file, index);
  EXPECT_EQ(file, "C:\\a");
  EXPECT_EQ(index, 0);  // "b\x.ico,3" is no number
  suite::SplitIconValue("C:\\x.dll,-12", file, index);
  EXPECT_EQ(file, "C:\\x.dll");
  EXPECT_EQ(index, -12);
  suite::SplitIconValue("C:\\x.ico", file, index);
  EXPECT_EQ(file, "");
  EXPECT_EQ(index, 0);
}

// "file,index": the file before the first comma is judged; a value without a
// comma, or with nothing before it, names no file and is never stale.
TEST_F(EntryRules, DefaultIconJudgesTheFileBeforeTheComma) {
  for (PathChecker* c : {&hivemend_, &dustrel_}) {
    EXPECT_TRUE(suite::DefaultIconStale(P("gone.ico") + ",0", *c));
    EXPECT_FALSE(suite::DefaultIconStale(P("gone.ico"), *c));
    EXPECT_FALSE(suite::DefaultIconStale(P("present.ico") + ",1", *c));
  }
  EXPECT_FALSE(suite::DefaultIconStale(",0", hivemend_));
  EXPECT_FALSE(suite::DefaultIconStale("", dustrel_));
  EXPECT_TRUE(suite::DefaultIconStale("C:\\suite-adv-gone\\gone.ico,0", dustrel_));
  EXPECT_FALSE(suite::DefaultIconStale("C:\\suite-adv-gone\\x.ico", dustrel_));
}

// Servers and verb commands: the program, perhaps with arguments, in any
// letter case; installer folders and quoted commands are never judged.
TEST_F(EntryRules, ComServersAndShellCommands) {
  EXPECT_TRUE(suite::ComServerStale(P("gone.exe") + " /automation", hivemend_));
  EXPECT_TRUE(suite::ComServerStale(suite::ToUpper(P("gone.dll")), hivemend_));
  EXPECT_FALSE(suite::ComServerStale(P("present.dll"), hivemend_));
  EXPECT_FALSE(suite::ComServerStale("C:\\WINDOWS\\Installer\\gone.dll", hivemend_));
  EXPECT_TRUE(suite::ShellCommandStale(P("gone.exe") + " %1", hivemend_));
  EXPECT_FALSE(suite::ShellCommandStale("\"" + P("present.exe") + "\" \"%1\"", hivemend_));
  EXPECT_FALSE(suite::ShellCommandStale("\"" + P("gone.exe") + "\" \"%1\"", hivemend_));
}

// The server a class identifier names: the in-process one first.
TEST(ComServer, InProcessServerBeforeTheLocalOne) {
  t::ScratchKey key("entryrules-clsid");
  t::SetString(key.Root(), key.Sub("both\\LocalServer32"), "", "C:\\x\\local.exe");
  t::SetString(key.Root(), key.Sub("both\\InprocServer32"), "", "C:\\x\\inproc.dll");
  t::SetString(key.Root(), key.Sub("local\\LocalServer32"), "", "C:\\x\\local.exe /a");
  t::SetString(key.Root(), key.Sub("none\\ProgID"), "", "x");
  std::string server = "old";
  EXPECT_TRUE(suite::ReadComServer(key.Root(), key.Sub("both"), server));
  EXPECT_EQ(server, "C:\\x\\inproc.dll");
  EXPECT_TRUE(suite::ReadComServer(key.Root(), key.Sub("local"), server));
  EXPECT_EQ(server, "C:\\x\\local.exe /a");
  EXPECT_FALSE(suite::ReadComServer(key.Root(), key.Sub("none"), server));
  EXPECT_EQ(server, "");
}
