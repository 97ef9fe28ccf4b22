#include "text.h"

#include <gtest/gtest.h>

TEST(Text, CaseMappingLeavesDoubleByteCharactersAlone) {
  // A GBK character whose trail byte is the letter 'a'.
  const std::string dbcs = std::string("\x81\x61", 2);  // lead byte 0x81, trail 'a'
  EXPECT_EQ(suite::ToUpper("c:\\" + dbcs + "x.lnk"), "C:\\" + dbcs + "X.LNK");
  EXPECT_EQ(suite::ToLower("ABC" + dbcs), "abc" + dbcs);
  EXPECT_TRUE(suite::ContainsNoCase("C:\\Windows\\Installer\\x", "\\INSTALLER\\"));
  EXPECT_EQ(suite::JoinPath("C:\\", "a"), "C:\\a");
  EXPECT_EQ(suite::JoinPath("C:\\x", "a"), "C:\\x\\a");
  EXPECT_EQ(suite::Format("%s-%d", "a", 5), "a-5");
}
