#include "inifile.h"

#include <gtest/gtest.h>

#include "handles.h"
#include "sysinfo.h"
#include "testsupport.h"

using suite::IniFile;
namespace t = suite::test;

namespace {

IniFile Parse(const std::string& text) {
  IniFile ini;
  ini.ReadText(text);
  return ini;
}

}  // namespace

TEST(IniFileSyntax, SplitsAtTheFirstEqualsAndKeepsBlanks) {
  IniFile ini = Parse("[S]\r\na=b=c\r\n  name  =  value  \r\nabc\r\n");
  EXPECT_EQ(ini.GetValue("S", "a"), "b=c");
  EXPECT_EQ(ini.GetValue("S", "  name  "), "  value  ");
  // A line without "=" has an empty name and loses its first character.
  EXPECT_EQ(ini.GetValue("S", ""), "bc");
  EXPECT_EQ(ini.NumValues("S"), 3);
}

TEST(IniFileSyntax, SectionHeaders) {
  IniFile ini = Parse("top=1\n[[x]]\nk=2\n[x\n[]\nempty=3\n");
  EXPECT_EQ(ini.GetValue("", "top"), "1");
  EXPECT_EQ(ini.GetValue("x", "k"), "2");
  // "[x" is a value line of section x: empty name, value "x".
  EXPECT_EQ(ini.GetValue("x", ""), "x");
  EXPECT_EQ(ini.GetValue("", "empty"), "3");
  // No comment syntax: ";" starts an ordinary value line.
  IniFile c = Parse("[S]\n;note=1\n");
  EXPECT_EQ(c.GetValue("S", ";note"), "1");
}

TEST(IniFileSyntax, LookupsAreExactAndFirstDuplicatesMerge) {
  IniFile ini = Parse("[Resource]\nstrMainDlg=A\nstrMainDlg=B\n[Other]\nx=1\n[Resource]\ny=2\n");
  EXPECT_EQ(ini.GetValue("Resource", "strMainDlg"), "B");  // the last value is kept
  EXPECT_EQ(ini.GetValue("Resource", "strmaindlg"), "");
  EXPECT_EQ(ini.Error(), "Unable to locate specified value.");
  EXPECT_EQ(ini.GetValue("resource", "y"), "");
  EXPECT_EQ(ini.Error(), "Unable to locate specified key.");
  EXPECT_EQ(ini.GetValue("Resource", "y"), "2");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Resource", "Other"}));
  EXPECT_EQ(ini.NumValues("Missing"), -1);
}

TEST(IniFileSyntax, LfAndCrLfAndEmptyLines) {
  IniFile ini = Parse("[S]\n\na=1\r\n\r\nb=2");
  EXPECT_EQ(ini.GetValue("S", "a"), "1");
  EXPECT_EQ(ini.GetValue("S", "b"), "2");
}

TEST(IniFileSyntax, LongLinesAreKeptWhole) {
  const std::string value(5000, 'v');
  IniFile ini = Parse("[S]\nk=" + value + "\n");
  EXPECT_EQ(ini.GetValue("S", "k"), value);
}

TEST(IniFileValues, SetValueHonoursTheCreateFlag) {
  IniFile ini;
  EXPECT_FALSE(ini.SetValue("S", "a", "1", false));
  EXPECT_TRUE(ini.SetValue("S", "a", "1", true));
  EXPECT_FALSE(ini.SetValue("S", "b", "2", false));
  EXPECT_TRUE(ini.SetValue("S", "a", "3", false));
  EXPECT_EQ(ini.GetValue("S", "a"), "3");
  EXPECT_EQ(ini.NumValues("S"), 1);
}

TEST(IniFileValues, GetValueIFollowsAtoi) {
  IniFile ini = Parse("[S]\na=42\nb=-7x\nc=x\n");
  EXPECT_EQ(ini.GetValueI("S", "a"), 42);
  EXPECT_EQ(ini.GetValueI("S", "b"), -7);
  EXPECT_EQ(ini.GetValueI("S", "c"), 0);
  EXPECT_EQ(ini.GetValueI("S", "missing"), 0);
}

TEST(IniFileWrite, LayoutSkipsEmptySectionsAndEndsWithCrLf) {
  IniFile ini;
  ini.SetValue("A", "k1", "v1", true);
  ini.SetValue("A", "k2", "v=2", true);
  ini.ReadText("[B]\n");  // a header alone makes no section
  EXPECT_EQ(ini.Text(), "[A]\r\nk1=v1\r\nk2=v=2\r\n\r\n");
}

TEST(IniFileWrite, RoundTripThroughTheFileKeepsOrderAndBytes) {
  t::ScratchDir dir("C:\\suite-tests\\inifile");
  const std::string path = dir / "x.ini";
  IniFile out(path);
  out.SetValue("Z", "清理", "中文值", true);
  out.SetValue("A", "b", "", true);
  ASSERT_TRUE(out.WriteFile());
  EXPECT_EQ(t::ReadBytes(path), "[Z]\r\n清理=中文值\r\n\r\n[A]\r\nb=\r\n\r\n");
  IniFile in(path);
  ASSERT_TRUE(in.ReadFile());
  EXPECT_EQ(in.GetValue("Z", "清理"), "中文值");
  EXPECT_EQ(in.SectionNames(), (std::vector<std::string>{"Z", "A"}));
}

TEST(IniFileRead, MissingFileIsFalseWithoutErrorText) {
  IniFile ini("C:\\suite-tests\\no-such-folder\\none.ini");
  EXPECT_FALSE(ini.ReadFile());
  EXPECT_EQ(ini.Error(), "");
}

TEST(IniFileRead, UnopenableFileSetsTheErrorText) {
  t::ScratchDir dir("C:\\suite-tests\\inifile-locked");
  const std::string path = dir / "locked.ini";
  ASSERT_TRUE(t::WriteBytes(path, "[S]\na=1\n"));
  suite::UniqueHandleKernel lock(
      CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);
  IniFile ini(path);
  EXPECT_FALSE(ini.ReadFile());
  EXPECT_EQ(ini.Error(), "Unable to open ini file.");
}

TEST(InterfaceText, ReadsResourceBesideTheProgramEveryTime) {
  const std::string path = suite::ProgramFolderPath("iface_test.ini");
  ASSERT_TRUE(t::WriteBytes(path, "[Resource]\r\nIDC_SCANBT=扫描\r\n"));
  EXPECT_EQ(suite::GetInterfaceText("iface_test.ini", "IDC_SCANBT"), "扫描");
  EXPECT_EQ(suite::GetInterfaceText("iface_test.ini", "idc_scanbt"), "");
  ASSERT_TRUE(t::WriteBytes(path, "[Resource]\r\nIDC_SCANBT=停止\r\n"));
  EXPECT_EQ(suite::GetInterfaceText("iface_test.ini", "IDC_SCANBT"), "停止");
  DeleteFileA(path.c_str());
  EXPECT_EQ(suite::GetInterfaceText("iface_test.ini", "IDC_SCANBT"), "");
}
