#include "pathcheck.h"

#include <gtest/gtest.h>

#include "sysinfo.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;
using suite::PathChecker;

namespace {

class PathCheck : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new t::ScratchDir("C:\\suite-tests\\pathcheck");
    t::WriteBytes(*dir_ / "App\\app.exe", "MZ");
    t::WriteBytes(*dir_ / "a.b", "x");
    t::MakeDirs(*dir_ / "Folder");
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::string P(const std::string& rel) { return *dir_ / rel; }
  // E: is a CD drive and F: has no drive at all, as the sandbox is set up.
  PathChecker Make(const suite::PathCheckVariant& v) { return PathChecker(v, {"E:\\", "F:\\"}); }
  static t::ScratchDir* dir_;
};
t::ScratchDir* PathCheck::dir_ = nullptr;

}  // namespace

TEST_F(PathCheck, PresentAndMissingFiles) {
  for (auto* v : {&suite::kCleanerPathCheck, &suite::kRegistryScannerPathCheck,
                  &suite::kShortcutPathCheck}) {
    PathChecker c = Make(*v);
    EXPECT_TRUE(c.FileReferenceExists(P("App\\app.exe")));
    EXPECT_TRUE(c.FileReferenceExists("\"" + P("App\\app.exe") + "\""));
    EXPECT_TRUE(c.FileReferenceExists(P("app\\APP.EXE")));  // any letter case
    EXPECT_FALSE(c.FileReferenceExists(P("App\\gone.exe")));
    EXPECT_FALSE(c.FileReferenceExists(P("NoFolder\\gone.exe")));
    // An existing folder counts as present.
    EXPECT_TRUE(c.FileReferenceExists(P("Folder")));
    EXPECT_TRUE(c.FileReferenceExists(P("Folder\\")));
  }
}

TEST_F(PathCheck, ArgumentsAfterAnExistingProgram) {
  PathChecker c = Make(suite::kRegistryScannerPathCheck);
  EXPECT_TRUE(c.FileReferenceExists(P("App\\app.exe") + " /run"));
  EXPECT_TRUE(c.FileReferenceExists("\"" + P("App\\app.exe") + "\" -x \"y\""));
  EXPECT_TRUE(c.FileReferenceExists(P("App\\app.exe,1")));
  EXPECT_FALSE(c.FileReferenceExists(P("App\\ap") + "x.exe"));
  EXPECT_TRUE(c.PrefixExists(P("App\\app.exe") + ">garbage"));
  EXPECT_FALSE(c.PrefixExists("noslash"));
}

TEST_F(PathCheck, InstallerFoldersAndNonFixedDrivesAreNeverMissing) {
  PathChecker c = Make(suite::kShortcutPathCheck);
  EXPECT_TRUE(c.FileReferenceExists("C:\\WINDOWS\\Installer\\{x}\\gone.ico"));
  EXPECT_TRUE(c.FileReferenceExists("C:\\x\\installer\\gone.exe"));
  EXPECT_TRUE(c.FileReferenceExists("E:\\Setup\\gone.exe"));
  EXPECT_TRUE(c.FileReferenceExists("f:\\lower\\case.exe"));
  EXPECT_TRUE(c.FileReferenceExists("\"F:\\quoted.exe\""));
  // A: is not among the drives C to V: it is looked up like a fixed disk.
  EXPECT_FALSE(c.FileReferenceExists("A:\\gone.exe"));
}

TEST_F(PathCheck, TheThreeVariants) {
  PathChecker cleaner = Make(suite::kCleanerPathCheck);
  PathChecker registry = Make(suite::kRegistryScannerPathCheck);
  PathChecker shortcut = Make(suite::kShortcutPathCheck);
  // Length limits: 3, 6 and 4 characters.
  EXPECT_FALSE(cleaner.FileReferenceExists("C:\\a"));
  EXPECT_TRUE(shortcut.FileReferenceExists("C:\\a"));
  EXPECT_TRUE(registry.FileReferenceExists("C:\\a.b"));
  EXPECT_FALSE(cleaner.FileReferenceExists("C:\\a.b"));
  EXPECT_FALSE(shortcut.FileReferenceExists("C:\\a.b"));
  // Drive gate: only the shortcut cleaner judges texts without a leading drive.
  EXPECT_TRUE(cleaner.FileReferenceExists("%SystemRoot%\\gone.dll"));
  EXPECT_TRUE(registry.FileReferenceExists("gone.dll"));
  EXPECT_TRUE(registry.FileReferenceExists("rundll32 " + P("App\\gone.dll")));
  EXPECT_FALSE(shortcut.FileReferenceExists("x" + P("App\\gone.dll")));
  // Semicolon cut.
  const std::string listed = P("App\\app.exe") + ";" + P("App\\gone.exe");
  EXPECT_TRUE(registry.FileReferenceExists(listed));
  EXPECT_TRUE(cleaner.FileReferenceExists(listed));
  EXPECT_FALSE(shortcut.PathExists(P("App\\gone.exe;x")));
}

TEST_F(PathCheck, ACheckerSeesTheFilesOfItsOwnScan) {
  PathChecker c = Make(suite::kRegistryScannerPathCheck);
  EXPECT_FALSE(c.FileReferenceExists(P("App\\late.exe")));
  // A new checker (a new scan) sees a file made since.
  t::WriteBytes(P("App\\late.exe"), "MZ");
  EXPECT_TRUE(Make(suite::kRegistryScannerPathCheck).FileReferenceExists(P("App\\late.exe")));
}

TEST_F(PathCheck, PrefixRuleMatchesTheDirectLookUps) {
  // The listing-based prefix test must agree with one look-up per prefix.
  PathChecker c = Make(suite::kShortcutPathCheck);
  const std::string texts[] = {P("App\\app.exe   "), P("App\\app.exe...x"), P("App\\app"),
                               P("App\\a?p.exe"), P("App\\app.ex"), P("Folder."),
                               P("Folder\\"), P("App\\..\\a.b"), P("NoFolder\\x.exe")};
  for (const std::string& text : texts) {
    bool direct = false;
    const size_t cut = text.find_last_of('\\');
    for (size_t i = 1; i <= text.size() - cut - 1; ++i)
      direct = direct || c.PathExists(text.substr(0, cut + 1 + i));
    EXPECT_EQ(c.PrefixExists(text), direct) << text;
    EXPECT_EQ(c.FileReferenceExists(text), direct || c.PathExists(text)) << text;
  }
}

// The folder listing compares letter case only for ASCII: a name that differs
// from the file's in the case of Greek or full-width letters is still there.
TEST_F(PathCheck, LetterCaseOutsideAsciiIsAskedOfTheSystem) {
  ASSERT_TRUE(t::WriteBytes(P("Αpp.exe"), "MZ"));      // Greek capital alpha
  ASSERT_TRUE(t::WriteBytes(P("ＡＢ.txt"), "x"));       // full-width capitals
  for (auto* v : {&suite::kRegistryScannerPathCheck, &suite::kShortcutPathCheck}) {
    PathChecker c = Make(*v);
    EXPECT_TRUE(c.FileReferenceExists(P("αpp.exe")));
    EXPECT_TRUE(c.FileReferenceExists(P("αpp.exe") + " /x"));
    EXPECT_TRUE(c.FileReferenceExists(P("ａｂ.txt")));
    EXPECT_FALSE(c.FileReferenceExists(P("βpp.exe")));
  }
}

TEST_F(PathCheck, AListingNeverSettlesMissingAlone) {
  PathChecker c = Make(suite::kRegistryScannerPathCheck);
  EXPECT_FALSE(c.FileReferenceExists(P("App\\fresh.exe")));  // the folder is listed now
  ASSERT_TRUE(t::WriteBytes(P("App\\fresh.exe"), "MZ"));
  EXPECT_TRUE(c.FileReferenceExists(P("App\\fresh.exe")));
  EXPECT_TRUE(c.FileReferenceExists(P("App\\fresh.exe") + " -run"));
}

TEST_F(PathCheck, TextsThatCannotBeJudgedArePresent) {
  PathChecker c = Make(suite::kShortcutPathCheck);
  const std::string longPath = P(std::string(300 - P("").size(), 'x') + ".exe");
  ASSERT_GE(longPath.size(), 260u);
  EXPECT_TRUE(c.FileReferenceExists(longPath));
  EXPECT_TRUE(c.PathExists(longPath));
  EXPECT_TRUE(c.FileReferenceExists("C:\\" + std::string(257, 'y')));  // exactly 260
  EXPECT_TRUE(c.FileReferenceExists(P("App\\??.exe")));   // a name lost in a conversion
  EXPECT_TRUE(c.FileReferenceExists(P("App\\gone\x81")));  // a lead byte without its trail
  EXPECT_FALSE(c.FileReferenceExists(P("App\\gone")));
}

TEST_F(PathCheck, ArgumentsWithBackslashesFollowAProgramThatExists) {
  for (auto* v : {&suite::kCleanerPathCheck, &suite::kRegistryScannerPathCheck,
                  &suite::kShortcutPathCheck}) {
    PathChecker c = Make(*v);
    EXPECT_TRUE(c.FileReferenceExists(P("App\\app.exe") + " /cfg C:\\Data\\app.cfg"));
    EXPECT_TRUE(c.FileReferenceExists("\"" + P("App\\app.exe") + "\" \"C:\\Data\\x y.cfg\""));
    EXPECT_FALSE(c.FileReferenceExists(P("App\\gone.exe") + " /cfg C:\\Data\\app.cfg"));
    // A folder followed by a blank is no program.
    EXPECT_FALSE(c.FileReferenceExists(P("Folder") + " /cfg C:\\Data\\app.cfg"));
  }
}

// On 64-bit Windows a path under "system32" that a 32-bit program wrote means
// the 32-bit system folder.
TEST_F(PathCheck, EitherSystemFolderHoldsTheFile) {
  const std::vector<std::string> others = suite::OtherSystemFolders();
  if (others.empty()) GTEST_SKIP() << "a 32-bit Windows has one system folder";
  const std::string name = "suite-pathcheck-wow.dll";
  const std::string in32 = suite::JoinPath(others.front(), name);
  ASSERT_TRUE(t::WriteBytes(in32, "MZ"));
  for (auto* v : {&suite::kRegistryScannerPathCheck, &suite::kShortcutPathCheck}) {
    PathChecker c = Make(*v);
    EXPECT_TRUE(c.FileReferenceExists(suite::SystemFolder() + "\\" + name));
    EXPECT_TRUE(c.FileReferenceExists(suite::ToLower(suite::SystemFolder()) + "\\" + name + ",1"));
    EXPECT_FALSE(c.FileReferenceExists(suite::SystemFolder() + "\\suite-pathcheck-none.dll"));
  }
  DeleteFileA(in32.c_str());
}
