// The dry-run switch: every routine that changes the system is inert under
// it, answers as the change would have gone, and later look-ups of the same
// run see the change; the cleaning log goes to the preview name.
#include "dryrun.h"

#include <gtest/gtest.h>

#include "cleanlog.h"
#include "registry.h"
#include "regremoval.h"
#include "regrestore.h"
#include "removal.h"
#include "sysinfo.h"
#include "testsupport.h"

namespace t = suite::test;

namespace {

class DryRun : public ::testing::Test {
 protected:
  void SetUp() override {
    suite::ResetDryRunRecord();
    suite::SetDryRun(true);
    t::EmptyRecycleBin();
  }
  void TearDown() override {
    suite::SetDryRun(false);
    suite::ResetDryRunRecord();
    t::EmptyRecycleBin();
  }
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

}  // namespace

TEST(PreviewNames, LogNamesGetThePreviewSuffixOnce) {
  EXPECT_EQ(suite::PreviewLogPath("C:\\x\\Snipwell.log"), "C:\\x\\Snipwell-Preview.log");
  EXPECT_EQ(suite::PreviewLogPath("History.LOG"), "History-Preview.LOG");
  EXPECT_EQ(suite::PreviewLogPath("History-Preview.log"), "History-Preview.log");
  EXPECT_EQ(suite::PreviewLogPath("odd"), "odd-Preview");
  suite::SetDryRun(false);
  EXPECT_EQ(suite::ActiveLogPath("a.log"), "a.log");
  EXPECT_EQ(suite::ChildArguments("-Auto"), "-Auto");
  EXPECT_TRUE(suite::MayChange("anything", "x"));
  EXPECT_TRUE(suite::DryRunActions().empty());
}

TEST_F(DryRun, FilesAreNeitherRecycledNorDeletedButCountAsGoneAfterwards) {
  t::ScratchDir dir("C:\\suite-tests\\dryrun-files");
  t::WriteBytes(dir / "a.tmp", "a");
  t::WriteBytes(dir / "b.tmp", "b");
  t::WriteBytes(dir / "sub\\c.tmp", "c");
  SetFileAttributesA((dir / "b.tmp").c_str(), FILE_ATTRIBUTE_READONLY);
  const DWORD readOnly = GetFileAttributesA((dir / "b.tmp").c_str());
  EXPECT_EQ(suite::ChildArguments("-Auto"), "-Auto -Preview");

  EXPECT_TRUE(suite::MoveToRecycleBin(dir / "a.tmp"));
  EXPECT_TRUE(suite::DeletePermanently(dir / "b.tmp"));
  EXPECT_TRUE(suite::MoveToRecycleBin(dir / "sub", nullptr, true));
  EXPECT_EQ(t::ReadBytes(dir / "a.tmp"), "a");
  EXPECT_EQ(t::ReadBytes(dir / "b.tmp"), "b");
  EXPECT_EQ(GetFileAttributesA((dir / "b.tmp").c_str()), readOnly);
  EXPECT_EQ(t::ReadBytes(dir / "sub\\c.tmp"), "c");
  EXPECT_TRUE(t::RecycledPaths().empty());

  // The rest of the run sees them gone, as after the real removal: a second
  // removal of the same item (or of one inside a removed folder) finds nothing.
  EXPECT_TRUE(suite::IsGone(dir / "a.tmp"));
  EXPECT_TRUE(suite::IsGone(dir / "SUB\\c.tmp"));
  EXPECT_FALSE(suite::MoveToRecycleBin(dir / "a.tmp"));
  EXPECT_FALSE(suite::DeletePermanently(dir / "sub\\c.tmp"));
  // The guards answer as they always do.
  EXPECT_FALSE(suite::MoveToRecycleBin(suite::WindowsFolder()));
  EXPECT_FALSE(suite::MoveToRecycleBin(dir / "missing.tmp"));
  const std::string record = Joined(suite::DryRunActions());
  EXPECT_NE(record.find("recycle: " + dir / "a.tmp"), std::string::npos) << record;
  EXPECT_NE(record.find("delete: " + dir / "b.tmp"), std::string::npos) << record;
  SetFileAttributesA((dir / "b.tmp").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DryRun, RegistryDeletionsChangeNothingAndCountAsGone) {
  t::ScratchDir store("C:\\suite-tests\\dryrun-removal-store");
  t::ScratchKey key("dryrun");
  t::SetString(HKEY_CURRENT_USER, key.Path(), "value", "v");
  t::SetString(HKEY_CURRENT_USER, key.Path(), "stays", "s");
  t::SetString(HKEY_CURRENT_USER, key.Sub("tree\\deep"), "x", "y");
  const suite::RegEntry value = suite::ValueEntry("HKEY_CURRENT_USER", key.Path(), "value");
  const suite::RegEntry tree = suite::KeyEntry("HKEY_CURRENT_USER", key.Sub("tree"));

  EXPECT_EQ(suite::RemoveWithBackup({value, tree}, store.Path()).gone,
            (std::vector<bool>{true, true}));
  EXPECT_TRUE(t::ValueExists(HKEY_CURRENT_USER, key.Path(), "value"));
  EXPECT_TRUE(t::ValueExists(HKEY_CURRENT_USER, key.Sub("tree\\deep"), "x"));
  EXPECT_TRUE(suite::RegEntryGone(value));
  EXPECT_TRUE(suite::RegEntryGone(tree));
  EXPECT_TRUE(suite::RegEntryGone(suite::ValueEntry("HKEY_CURRENT_USER", key.Sub("tree\\deep"), "x")));
  EXPECT_FALSE(suite::RegEntryGone(suite::ValueEntry("HKEY_CURRENT_USER", key.Path(), "stays")));
  // Taken already in this run: nothing more to remove.
  EXPECT_EQ(suite::RemoveWithBackup({value, tree}, store.Path()).gone,
            (std::vector<bool>{false, false}));

  t::SetString(HKEY_CURRENT_USER, key.Sub("other\\x"), "a", "b");
  EXPECT_TRUE(suite::DeleteKeyTree(HKEY_CURRENT_USER, key.Sub("other")));
  EXPECT_TRUE(t::KeyExists(HKEY_CURRENT_USER, key.Sub("other\\x")));
  EXPECT_FALSE(suite::DeleteKeyTree(HKEY_CURRENT_USER, ""));
}

TEST_F(DryRun, TheBackupIsJudgedButNeverWritten) {
  t::ScratchDir store("C:\\suite-tests\\dryrun-store");
  t::ScratchKey key("dryrun-backup");
  t::SetString(HKEY_CURRENT_USER, key.Path(), "v", "data");
  t::SetString(HKEY_CURRENT_USER, key.Path(), "line\nbreak", "data");
  std::vector<bool> held;
  suite::RestorePoint point(store.Path());
  ASSERT_TRUE(point.Write({suite::ValueEntry("HKEY_CURRENT_USER", key.Path(), "v"),
                           suite::ValueEntry("HKEY_CURRENT_USER", key.Path(), "line\nbreak")},
                          held));
  const std::string folder = point.Folder();
  EXPECT_FALSE(folder.empty()) << "the preview answers as a written backup";
  EXPECT_EQ(held, (std::vector<bool>{true, false})) << "what the file could not hold stays";
  EXPECT_FALSE(t::Exists(folder));
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((store.Path() + "\\*.*").c_str(), &data);
  int entries = 0;
  if (find != INVALID_HANDLE_VALUE) {
    do entries += std::string(data.cFileName) != "." && std::string(data.cFileName) != "..";
    while (FindNextFileA(find, &data));
    FindClose(find);
  }
  EXPECT_EQ(entries, 0);
  EXPECT_TRUE(suite::ExportKey("HKEY_CURRENT_USER", key.Path(), store / "x.reg", false));
  EXPECT_FALSE(t::Exists(store / "x.reg"));
  EXPECT_TRUE(suite::ImportRegFile(store / "nothing.reg"));  // never started

  // A store the real run could not make: the preview has no backup either,
  // so it lists nothing as removed.
  t::WriteBytes(store / "Reg-Backup-XP", "a file where the store would go");
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_TRUE(suite::CreateBackupFolder(store / "Reg-Backup-XP", now).empty());
  EXPECT_TRUE(suite::CreateBackupFolder(store / "no such folder\\Reg-Backup-XP", now).empty());
  EXPECT_FALSE(suite::CreateBackupFolder(store / "Reg-Backup-2000", now).empty());
  held.clear();
  suite::RestorePoint blocked(store / "Reg-Backup-XP");
  EXPECT_FALSE(blocked.Write({suite::ValueEntry("HKEY_CURRENT_USER", key.Path(), "v")}, held));
  EXPECT_TRUE(blocked.Folder().empty());
}

TEST_F(DryRun, TheCleaningLogGoesToThePreviewNameAndTheNormalLogStays) {
  const std::string normal = suite::ProgramFolderPath("dryrun_test.log");
  const std::string preview = suite::ProgramFolderPath("dryrun_test-Preview.log");
  t::WriteBytes(normal, "old");
  DeleteFileA(preview.c_str());
  suite::WriteCleaningLog("dryrun_test.log", {"C:\\a.tmp"});
  EXPECT_EQ(t::ReadBytes(normal), "old");
  EXPECT_EQ(t::ReadBytes(preview), "[Numbers]\r\nItem0=1\r\n\r\n[Files]\r\nItem0=C:\\a.tmp\r\n\r\n");
  std::vector<std::string> files;
  EXPECT_TRUE(suite::ReadLogAt(normal, "Files", files));  // reads the preview's
  EXPECT_EQ(files, std::vector<std::string>{"C:\\a.tmp"});
  suite::DeleteLog("dryrun_test.log");
  EXPECT_FALSE(t::Exists(preview));
  EXPECT_EQ(t::ReadBytes(normal), "old");
  suite::SetDryRun(false);
  suite::DeleteLog("dryrun_test.log");
  EXPECT_FALSE(t::Exists(normal));
}
