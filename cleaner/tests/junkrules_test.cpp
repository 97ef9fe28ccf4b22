#include "junkrules.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace d = dustrel;

namespace {

// Categories of the hits, in order, for the texts as walked.
std::vector<int> Hits(const std::string& dir, const std::string& name,
                      const d::SpecialFolders* special = nullptr) {
  std::vector<int> out;
  for (const d::JunkHit& hit : d::MatchJunk(dir, name, special))
    out.push_back(hit.checked ? hit.category : -1 - hit.category);
  return out;
}
// An unticked hit comes out as -1 - category (only the .BAK rule leaves one).
constexpr int kBakUnticked = -1;

d::SpecialFolders Special() {
  d::SpecialFolders s;
  s.temp = "C:\\USERS\\ME\\TEMP\\";
  s.recent = "C:\\USERS\\ME\\RECENT";
  s.cache = "C:\\USERS\\ME\\TEMPORARY INTERNET FILES";
  return s;
}

}  // namespace

TEST(JunkRules, BakFilesAreListedUntickedExceptInRestorePointsAndKnownNames) {
  EXPECT_EQ(Hits("C:\\DOCS", "OLD.BAK"), std::vector<int>{kBakUnticked});
  // NORMAL.BAK is only excluded as "~$NORMAL"; DATA.BAK always.
  EXPECT_EQ(Hits("C:\\DOCS", "normal.bak"), std::vector<int>{kBakUnticked});
  EXPECT_TRUE(Hits("C:\\DOCS", "DATA.BAK").empty());
  EXPECT_TRUE(Hits("C:\\DOCS", "MYDATA.BAK").empty());
  EXPECT_TRUE(Hits("C:\\_RESTORE\\RP1", "NORMAL.BAK").empty());
  EXPECT_TRUE(Hits("C:\\_restore\\RP1", "DATA.BAK").empty());
  EXPECT_TRUE(Hits("C:\\RECYCLED", "A.OLD").empty());
}

TEST(JunkRules, TheBakRuleDoesNotSetTheListedFlag) {
  // A .BAK under a TMP folder: the unticked .BAK row and a ticked folder row.
  EXPECT_EQ(Hits("C:\\TMP", "A.BAK"), (std::vector<int>{kBakUnticked, d::kJunkFolder}));
  // A name rule does set it: X.TMP under \TMP\ is one row.
  EXPECT_EQ(Hits("C:\\TMP", "X.TMP"), std::vector<int>{d::kJunkName});
  EXPECT_EQ(Hits("C:\\WINDOWS\\TEMP", "X.TMP"), std::vector<int>{d::kJunkName});
}

TEST(JunkRules, EveryFiringNameRuleAddsARow) {
  // "\~" (name begins with a tilde) and ".TMP".
  EXPECT_EQ(Hits("C:\\DOCS", "~WRL0001.TMP"), (std::vector<int>{d::kJunkName, d::kJunkName}));
  // ".BAK" and ".~" (the tilde after a dot)
  EXPECT_EQ(Hits("C:\\DOCS", "A.BAK.~1"), (std::vector<int>{kBakUnticked, d::kJunkName}));
}

TEST(JunkRules, ALeadingBackslashMeansTheStartOfTheName) {
  EXPECT_EQ(Hits("C:\\X", "~LOCK.TXT"), std::vector<int>{d::kJunkName});
  EXPECT_TRUE(Hits("C:\\X", "A~LOCK.TXT").empty());
  EXPECT_EQ(Hits("C:\\X", "faultlog.txt"), std::vector<int>{d::kJunkName});
  EXPECT_TRUE(Hits("C:\\X", "MYFAULTLOG.TXT").empty());
  EXPECT_EQ(Hits("C:\\X", "$$$SETUP.LOG"), std::vector<int>{d::kJunkName});
  EXPECT_TRUE(Hits("C:\\X", "A$$$.LOG").empty());
  // Without a backslash a pattern matches anywhere in the name.
  EXPECT_EQ(Hits("C:\\X", "MYSCANDISK.LOG"), std::vector<int>{d::kJunkName});
  // A double-byte character whose second byte is the backslash byte does not
  // start a name: "\x81\x5c~A.TXT" is not a name that begins with a tilde.
  EXPECT_TRUE(Hits("C:\\X", "\x81\x5c~A.TXT").empty());
  // The folder never takes part in a name rule: "\~" does not match "C:\~X\A.TXT".
  EXPECT_TRUE(Hits("C:\\~X", "A.TXT").empty());
}

TEST(JunkRules, ExcludedNamesFallThroughToTheFolderRules) {
  EXPECT_TRUE(Hits("C:\\DOCS", "MSIEXEC.TMP").empty());
  EXPECT_EQ(Hits("C:\\WIN\\TMP", "MSIEXEC.TMP"), std::vector<int>{d::kJunkFolder});
  EXPECT_TRUE(Hits("C:\\DOCS", "FILE.CHK").empty());
  EXPECT_TRUE(Hits("C:\\DOCS", "~$NORMAL.DOT").empty());
}

TEST(JunkRules, FolderRules) {
  EXPECT_EQ(Hits("C:\\A\\MSDOWNLD.TMP", "SETUP.EXE"), std::vector<int>{d::kJunkFolder});
  EXPECT_EQ(Hits("C:\\TMP\\SUB", "README"), std::vector<int>{d::kJunkFolder});
  // "\TMP\" must be a whole folder name.
  EXPECT_TRUE(Hits("C:\\MYTMP", "README").empty());
  EXPECT_TRUE(Hits("C:\\TMPX", "README").empty());
  // Not below an Adobe folder, a restore point or the Recycle Bin.
  EXPECT_TRUE(Hits("C:\\PROGRAM FILES\\Adobe\\TMP", "README").empty());
  EXPECT_TRUE(Hits("C:\\RECYCLED\\TMP", "README").empty());
  EXPECT_TRUE(Hits("C:\\SYSTEM VOLUME INFORMATION\\_RESTORE\\TMP", "README").empty());
  // Bytes of NAME count too: a backslash byte there is searched across both parts.
  EXPECT_EQ(Hits("C:\\DOCS", "A\\TMP\\B"), std::vector<int>{d::kJunkFolder});
  EXPECT_TRUE(Hits("C:\\DOCS\\ADOBE", "\\TMP\\B").empty());
  // Both folder rules on one path give two rows.
  EXPECT_EQ(Hits("C:\\TMP\\MSDOWNLD.TMP", "README"),
            (std::vector<int>{d::kJunkFolder, d::kJunkFolder}));
}

TEST(JunkRules, SpecialFoldersOnlyInTheSpecialPass) {
  const d::SpecialFolders special = Special();
  EXPECT_TRUE(Hits("C:\\users\\me\\Temp", "notes.txt").empty());
  EXPECT_EQ(Hits("C:\\users\\me\\Temp", "notes.txt", &special), std::vector<int>{d::kJunkSpecial});
  EXPECT_EQ(Hits("C:\\USERS\\ME\\RECENT", "a.lnk", &special), std::vector<int>{d::kJunkSpecial});
  // A name rule takes the file first; the special rules add nothing then.
  EXPECT_EQ(Hits("C:\\USERS\\ME\\TEMP", "x.tmp", &special), std::vector<int>{d::kJunkName});
  // The cache rule only when no other rule listed the file.
  EXPECT_EQ(Hits("C:\\USERS\\ME\\TEMPORARY INTERNET FILES\\K1", "page.htm", &special),
            std::vector<int>{d::kJunkIeCache});
  EXPECT_EQ(Hits("C:\\USERS\\ME\\TEMPORARY INTERNET FILES\\K1", "page.tmp", &special),
            std::vector<int>{d::kJunkName});
  EXPECT_TRUE(Hits("C:\\USERS\\ME\\TEMP\\_RESTORE", "notes.txt", &special).empty());
  // Folders the system did not name never match everything.
  d::SpecialFolders none;
  EXPECT_TRUE(Hits("C:\\ANY", "notes.txt", &none).empty());
}

TEST(JunkRules, PathText) {
  EXPECT_EQ(d::JunkPathOf("C:\\", "a.tmp"), "C:\\a.tmp");
  EXPECT_EQ(d::JunkPathOf("C:\\T\\", "a.tmp"), "C:\\T\\a.tmp");
  EXPECT_EQ(d::JunkPathOf("C:\\T", "a.tmp"), "C:\\T\\a.tmp");
  // A folder whose last character is double-byte with the backslash byte as
  // its trail byte does not end in a backslash.
  const std::string dir = "C:\\\x81\x5c";
  EXPECT_EQ(d::JunkPathOf(dir, "a.tmp"), dir + "\\a.tmp");
}

TEST(JunkRules, SizeTextsKeepTheWholeSize) {
  EXPECT_EQ(d::FileSizeText(1234), "1234 Byte");
  EXPECT_EQ(d::FileSizeText(5ull << 30), "5368709120 Byte");
  EXPECT_EQ(d::FolderSizeText(0), "0 字节");
}

TEST(JunkRules, TempSubfolders) {
  EXPECT_TRUE(d::IsListedTempSubfolder("ABC", FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(d::IsListedTempSubfolder("A.B", FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(d::IsListedTempSubfolder("ABC", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(d::IsListedTempSubfolder("ABC", FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(d::IsListedTempSubfolder("..", FILE_ATTRIBUTE_DIRECTORY));
}
