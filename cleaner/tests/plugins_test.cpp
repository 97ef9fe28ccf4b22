// Plug-in cleaning definitions: the scrambled format, the lock and unlock
// operations on files, the rules and their variables, the -Track step and its
// History.log lists, and that a run leaves every file as it was.
#include "plugins.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <map>
#include <set>
#include <thread>

#include "inifile.h"
#include "registry.h"
#include "removal.h"
#include "sysinfo.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;
using namespace dustrel;

namespace {

const HKEY kCu = HKEY_CURRENT_USER;

struct Definition {
  std::string description = "Test history";
  std::string selected = "1";
  std::vector<std::string> registry;
  std::vector<std::string> files;

  std::string Text() const {
    std::string s = "[Information]\r\nDescription=" + description + "\r\nSelected=" + selected +
                    "\r\n\r\n[Registry]\r\n";
    for (size_t i = 0; i < registry.size(); ++i)
      s += "Reg" + std::to_string(i) + "=" + registry[i] + "\r\n";
    s += "\r\n[File/Folder]\r\n";
    for (size_t i = 0; i < files.size(); ++i)
      s += "File" + std::to_string(i) + "=" + files[i] + "\r\n";
    return s;
  }
};

std::string RegRule(const std::string& root, const std::string& subKey, const std::string& type,
                    const std::string& pattern) {
  return "RootKey:" + root + ";SubKey:\\" + subKey + ";Type:" + type + ";Pattern:" + pattern + ";";
}

std::string FileRule(const std::string& source, const std::string& type,
                     const std::string& pattern) {
  return "Source:" + source + ";Type:" + type + ";Pattern:" + pattern + ";";
}

// Folders for the path variables, all inside one scratch folder.
PluginFolders ScratchFolders(const std::string& base) {
  PluginFolders f;
  f.appData = base + "\\AppData";
  f.programFiles = base + "\\Program Files";
  f.windows = base + "\\Windows";
  f.system = base + "\\Windows\\system32";
  f.personal = base + "\\Documents";
  f.ok = true;
  for (const std::string* s : {&f.appData, &f.programFiles, &f.windows, &f.system, &f.personal})
    t::MakeDirs(*s);
  return f;
}

std::vector<FoundItem> RunRules(const Definition& d, const PluginFolders& folders,
                           PluginRun* out = nullptr) {
  VectorSink sink;
  PluginRun run = RunPluginText(d.Text(), folders, sink);
  if (out) *out = run;
  EXPECT_EQ(run.rows, static_cast<int>(sink.rows.size()));
  EXPECT_EQ(run.entries.size(), sink.rows.size());
  return sink.rows;
}

std::vector<std::string> Names(const std::vector<FoundItem>& rows) {
  std::vector<std::string> names;
  for (const FoundItem& r : rows) names.push_back(r.name);
  std::sort(names.begin(), names.end());
  return names;
}

// Every file below `folder` with its bytes.
void Snapshot(const std::string& folder, std::map<std::string, std::string>& out) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      Snapshot(path, out);
    else
      out[path] = t::ReadBytes(path);
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

std::set<std::string> Listing(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.insert(suite::ToUpper(data.cFileName));
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

}  // namespace

// --- The format --------------------------------------------------------------

TEST(PluginFormat, LockedTextHasTheHeaderAndAScrambledBodyThatUnlocksBack) {
  const std::string plain = Definition().Text() + "\xC0\xFA\xCA\xB7";  // GBK text survives
  const std::string locked = LockText(plain);
  ASSERT_EQ(locked.size(), 40 + plain.size());
  EXPECT_EQ(locked.substr(0, 13), std::string("Velmora Lock\0", 13));
  EXPECT_EQ(locked.substr(16, 4), std::string("\x06\0\0\0", 4));
  std::string keyCopy;
  for (char c : std::string("tRoWeL")) keyCopy.push_back(static_cast<char>(c ^ 0x3C));
  EXPECT_EQ(locked.substr(20, 7), keyCopy + std::string(1, '\0'));
  // Every body byte is XORed with each key byte in turn.
  unsigned char mix = 0;
  for (unsigned char c : std::string("tRoWeL")) mix ^= c;
  ASSERT_NE(mix, 0);
  for (size_t i = 0; i < plain.size(); ++i)
    ASSERT_EQ(static_cast<unsigned char>(locked[40 + i]),
              static_cast<unsigned char>(plain[i]) ^ mix);
  EXPECT_TRUE(IsLockedText(locked));
  EXPECT_FALSE(IsLockedText(plain));

  std::string back;
  ASSERT_EQ(UnlockText(locked, back), kPluginOk);
  EXPECT_EQ(back, plain);

  // The transform is its own inverse; an empty key leaves the bytes alone.
  std::string bytes = plain;
  TransformBody(bytes);
  TransformBody(bytes);
  EXPECT_EQ(bytes, plain);
  TransformBody(bytes, "");
  EXPECT_EQ(bytes, plain);
}

TEST(PluginFormat, WrongKeyAndNotLockedAreTold) {
  const std::string plain = Definition().Text();
  std::string out = "untouched";
  EXPECT_EQ(UnlockText(LockText(plain, "another"), out), kPluginWrongKey);
  EXPECT_EQ(UnlockText(LockText(plain, "tRoWeM"), out), kPluginWrongKey);
  std::string badLength = LockText(plain);
  badLength[16] = 0x7f;  // a key length beyond the field
  EXPECT_EQ(UnlockText(badLength, out), kPluginWrongKey);
  EXPECT_EQ(UnlockText(plain, out), kPluginNotLocked);
  EXPECT_EQ(UnlockText(LockText(plain).substr(0, 39), out), kPluginNotLocked);  // cut header
  std::string longerSignature = LockText(plain);
  longerSignature[12] = 'X';  // "Velmora LockX": the text at offset 0 differs
  EXPECT_EQ(UnlockText(longerSignature, out), kPluginNotLocked);
  EXPECT_EQ(out, "untouched");
}

TEST(PluginFiles, LockAndUnlockRewriteTheFileOnlyWhenTheyCan) {
  t::ScratchDir dir("C:\\suite-tests\\dr-plugfiles");
  const std::string path = dir / "App.dat";
  const std::string plain = Definition().Text();
  ASSERT_TRUE(t::WriteBytes(path, plain));

  EXPECT_FALSE(IsLockedPlugin(path));
  EXPECT_EQ(UnlockPlugin(path), kPluginNotLocked);
  EXPECT_EQ(t::ReadBytes(path), plain);
  ASSERT_EQ(LockPlugin(path), kPluginOk);
  EXPECT_TRUE(IsLockedPlugin(path));
  EXPECT_EQ(t::ReadBytes(path), LockText(plain));
  EXPECT_EQ(LockPlugin(path), kPluginNotLocked);  // already locked: unchanged
  EXPECT_EQ(t::ReadBytes(path), LockText(plain));
  ASSERT_EQ(UnlockPlugin(path), kPluginOk);
  EXPECT_EQ(t::ReadBytes(path), plain);

  const std::string foreign = dir / "Foreign.dat";
  ASSERT_TRUE(t::WriteBytes(foreign, LockText(plain, "other")));
  EXPECT_TRUE(IsLockedPlugin(foreign));
  EXPECT_EQ(UnlockPlugin(foreign), kPluginWrongKey);
  EXPECT_EQ(t::ReadBytes(foreign), LockText(plain, "other"));

  EXPECT_FALSE(IsLockedPlugin(dir / "missing.dat"));
  EXPECT_EQ(UnlockPlugin(dir / "missing.dat"), kPluginNotLocked);
  EXPECT_EQ(LockPlugin(dir / "missing.dat"), kPluginCannotWrite);
  // Nothing but the two definitions is left in the folder (no working files).
  EXPECT_EQ(Listing(dir.Path()), (std::set<std::string>{".", "..", "APP.DAT", "FOREIGN.DAT"}));
}

// --- Rules -------------------------------------------------------------------

TEST(PluginRules, FieldsAreTaggedTrimmedAndEndAtTheirSemicolon) {
  PluginRule r = ParsePluginRule(
      " RootKey: HKEY_CURRENT_USER ;SubKey:\\Software\\A B;Type:Value;Pattern:  Recent 1\t;");
  EXPECT_EQ(r.rootKey, "HKEY_CURRENT_USER");
  EXPECT_EQ(r.subKey, "\\Software\\A B");
  EXPECT_EQ(r.type, "Value");
  EXPECT_EQ(r.pattern, "Recent 1");
  EXPECT_TRUE(r.hasRootKey && r.hasSubKey && r.hasType && r.hasPattern);
  EXPECT_FALSE(r.hasSource);

  // Fields in any order; one without its closing ";" is empty.
  r = ParsePluginRule("Pattern:*.log;Source:%Windows%\\Temp;Type:Folder");
  EXPECT_EQ(r.pattern, "*.log");
  EXPECT_EQ(r.source, "%Windows%\\Temp");
  EXPECT_TRUE(r.hasType);
  EXPECT_EQ(r.type, "");

  // A tag word inside another field's text is not a field.
  r = ParsePluginRule("RootKey:HKEY_CURRENT_USER;SubKey:\\Software\\Type:x;Pattern:p;");
  EXPECT_FALSE(r.hasType);
  EXPECT_EQ(r.subKey, "\\Software\\Type:x");
}

TEST(PluginRules, VariablesStandForTheirFoldersFirstListedOnly) {
  PluginFolders f;
  f.appData = "C:\\AD";
  f.programFiles = "C:\\PF";
  f.windows = "C:\\WIN";
  f.system = "C:\\WIN\\sys";
  f.personal = "C:\\Docs";
  f.ok = true;
  std::string out;
  ASSERT_TRUE(ExpandPluginSource("%AppData%\\Vendor", f, out));
  EXPECT_EQ(out, "C:\\AD\\Vendor");
  ASSERT_TRUE(ExpandPluginSource("%ProgramFiles%\\X", f, out));
  EXPECT_EQ(out, "C:\\PF\\X");
  for (const char* w : {"%Windows%", "%windir%", "%SYSTEMROOT%"}) {
    ASSERT_TRUE(ExpandPluginSource(std::string(w) + "\\Temp", f, out)) << w;
    EXPECT_EQ(out, "C:\\WIN\\Temp");
  }
  ASSERT_TRUE(ExpandPluginSource("%System%\\drivers", f, out));
  EXPECT_EQ(out, "C:\\WIN\\sys\\drivers");
  ASSERT_TRUE(ExpandPluginSource("%Personal%", f, out));
  EXPECT_EQ(out, "C:\\Docs");
  // Only the first variable of the list that occurs is replaced, everywhere.
  ASSERT_TRUE(ExpandPluginSource("%Personal%\\%AppData%\\%AppData%", f, out));
  EXPECT_EQ(out, "%Personal%\\C:\\AD\\C:\\AD");
  ASSERT_TRUE(ExpandPluginSource("D:\\Plain", f, out));
  EXPECT_EQ(out, "D:\\Plain");
  EXPECT_FALSE(ExpandPluginSource("%Foo%\\Bar", f, out));
  EXPECT_FALSE(ExpandPluginSource("%APPDATA%\\Bar", f, out));  // names are exact
}

TEST(PluginRegistry, ValueAndSubkeyRulesListWhatIsThere) {
  t::ScratchKey key("dustrel-plugin-reg");
  const std::string mru = key.Sub("Recent");
  t::SetString(kCu, mru, "", "a default value listed first");
  t::SetString(kCu, mru, "File1", "a");
  t::SetString(kCu, mru, "File2", "b");
  t::SetString(kCu, key.Sub("Clips\\MostRecent"), "x", "y");
  t::ScratchDir dir("C:\\suite-tests\\dr-plugreg");
  PluginFolders folders = ScratchFolders(dir.Path());

  Definition d;
  d.description = "\xB2\xE2\xCA\xD4";  // GBK text
  d.registry = {
      RegRule("HKEY_CURRENT_USER", mru, "Value", "file1"),          // case differs: matches
      RegRule("HKEY_CURRENT_USER", mru, "value", "File2"),          // type without regard to case
      RegRule("HKEY_CURRENT_USER", mru, "Value", "File3"),          // not there
      RegRule("HKEY_CURRENT_USER", key.Sub("Clips"), "Key", "MostRecent"),
      RegRule("HKEY_CURRENT_USER", key.Sub("Clips"), "Key", "Missing"),
      RegRule("HKEY_CURRENT_USER", key.Sub("NoSuchKey"), "Value", "File1"),
  };
  PluginRun run;
  const std::vector<FoundItem> rows = RunRules(d, folders, &run);
  EXPECT_TRUE(run.decoded);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].name, "file1");  // the rule's Pattern is the row's text
  EXPECT_EQ(rows[0].folder, mru);    // the leading backslash is dropped
  EXPECT_EQ(rows[0].size, "HKEY_CURRENT_USER");
  EXPECT_EQ(rows[0].category, d.description);
  EXPECT_EQ(rows[0].marker, kMarkerKeyValue);
  EXPECT_EQ(rows[0].column1, "");
  EXPECT_TRUE(rows[0].checked);
  EXPECT_EQ(rows[1].name, "File2");
  EXPECT_EQ(rows[2].name, "MostRecent");
  EXPECT_EQ(rows[2].folder, key.Sub("Clips"));
  EXPECT_EQ(rows[2].marker, kMarkerRootKey);
  EXPECT_EQ(run.entries[0], "HKEY_CURRENT_USER\\" + mru + "|file1");
  EXPECT_EQ(run.entries[2], "HKEY_CURRENT_USER\\" + key.Sub("Clips") + "|MostRecent");
  // Nothing was changed by listing.
  EXPECT_TRUE(t::ValueExists(kCu, mru, "File1"));
  EXPECT_TRUE(t::KeyExists(kCu, key.Sub("Clips\\MostRecent")));

  d.selected = "0";
  for (const FoundItem& r : RunRules(d, folders)) EXPECT_FALSE(r.checked) << r.name;
}

// A machine rule is looked up in both registry views of a 64-bit Windows (a
// 32-bit program's history lies below Wow6432Node); a key both share, once.
TEST(PluginRegistry, MachineRulesFindBothRegistryViews) {
  const HKEY lm = HKEY_LOCAL_MACHINE;
  t::ScratchKey key64("dustrel-plugin-views", lm, "Software\\SuiteTests");
  t::ScratchKey key32("dustrel-plugin-views", lm, "Software\\Wow6432Node\\SuiteTests");
  t::SetString(lm, key64.Path(), "Recent", "64");
  t::SetString(lm, key32.Path(), "Recent", "32");
  t::SetString(lm, key32.Sub("MRU"), "x", "y");
  const std::string apps = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
  t::ScratchKey shared("suite-plugin-views.exe", lm, apps);
  t::ScratchDir dir("C:\\suite-tests\\dr-plugviews");
  Definition d;
  d.registry = {RegRule("HKEY_LOCAL_MACHINE", key64.Path(), "Value", "Recent"),
                RegRule("HKEY_LOCAL_MACHINE", key64.Path(), "Key", "MRU"),
                RegRule("HKEY_LOCAL_MACHINE", apps, "Key", "suite-plugin-views.exe")};
  const std::vector<FoundItem> rows = RunRules(d, ScratchFolders(dir.Path()));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].folder, key64.Path());
  EXPECT_EQ(rows[1].folder, key32.Path());
  EXPECT_EQ(rows[1].name, "Recent");
  EXPECT_EQ(rows[2].folder, key32.Path());
  EXPECT_EQ(rows[2].name, "MRU");
  EXPECT_EQ(rows[3].folder, apps);
}

TEST(PluginRegistry, IncompleteOrUnsafeRulesAddNoRow) {
  t::ScratchKey key("dustrel-plugin-reg-bad");
  const std::string mru = key.Sub("Recent");
  t::SetString(kCu, mru, "File1", "a");
  t::SetString(kCu, key.Sub("Recent\\Sub"), "x", "y");
  t::ScratchDir dir("C:\\suite-tests\\dr-plugregbad");
  PluginFolders folders = ScratchFolders(dir.Path());

  Definition d;
  d.registry = {
      "RootKey:HKEY_CURRENT_USER;SubKey:\\" + mru + ";Pattern:File1;",  // no Type
      "RootKey:HKEY_CURRENT_USER;Type:Value;Pattern:File1;",            // no SubKey
      "RootKey:HKEY_CURRENT_USER;SubKey:\\" + mru + ";Type:Value;",     // no Pattern
      "SubKey:\\" + mru + ";Type:Value;Pattern:File1;",                 // no RootKey
      RegRule("HKEY_CURRENT_USER", key.Path(), "Key", ""),              // empty Pattern: SubKey itself
      RegRule("HKEY_CURRENT_USER", "", "Key", "Software"),              // empty SubKey: below the root
      "RootKey:HKEY_CURRENT_USER;SubKey:\\;Type:Key;Pattern:Software;",  // SubKey of "\" only
      RegRule("HKEY_CURRENT_USER", key.Path(), "Key", "Recent\\"),       // a trailing backslash
      RegRule("HKEY_CURRENT_USER", mru, "Key", "\\"),                     // SubKey itself
      RegRule("hkey_current_user", mru, "Value", "File1"),  // root names are exact
      RegRule("HKEY_CURRENT_CONFIG", mru, "Value", "File1"),  // not in the list
  };
  EXPECT_TRUE(RunRules(d, folders).empty());

  // An unknown root does not fall back to the hive of the rule before it.
  d.registry = {RegRule("HKEY_CURRENT_USER", mru, "Value", "File1"),
                RegRule("HKEY_NOWHERE", mru, "Key", "Sub")};
  const std::vector<FoundItem> rows = RunRules(d, folders);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].marker, kMarkerKeyValue);

  // A SubKey written without the leading backslash is taken whole.
  d.registry = {"RootKey:HKEY_CURRENT_USER;SubKey:" + mru + ";Type:Value;Pattern:File1;"};
  ASSERT_EQ(RunRules(d, folders).size(), 1u);
}

TEST(PluginFilesRules, ListingsSingleFilesAndVariables) {
  t::ScratchDir dir("C:\\suite-tests\\dr-plugfile");
  PluginFolders folders = ScratchFolders(dir.Path());
  const std::string temp = folders.windows + "\\Temp";
  t::MakeDirs(temp + "\\sub.log");
  t::WriteBytes(temp + "\\setup.log", std::string(1234, 'x'));
  t::WriteBytes(temp + "\\keep.txt", "other mask");
  t::MakeDirs(folders.appData + "\\Vendor\\Logs");
  t::WriteBytes(folders.appData + "\\Vendor\\history.xml", "<h/>");
  // A GBK name whose second byte is the byte of '\\' is still a plain name.
  ASSERT_TRUE(t::WriteBytes(folders.appData + "\\Vendor\\\xD5\x5C.txt", "gbk"));
  t::WriteBytes(folders.appData + "\\Vendor\\Logs\\one.txt", "1");
  t::WriteBytes(folders.appData + "\\Vendor\\Logs\\ab", "three characters or fewer: never listed");

  Definition d;
  d.files = {
      FileRule("%Windows%\\Temp", "Folder", "*.log"),
      FileRule("%AppData%\\Vendor", "file", "history.xml"),
      FileRule("%AppData%\\Vendor", "File", "gone.xml"),  // not there: no row
      FileRule("%AppData%\\Vendor", "Folder", "Logs\\*"),
      FileRule("%AppData%\\Vendor", "File", "\xD5\x5C.txt"),
  };
  PluginRun run;
  std::vector<FoundItem> rows = RunRules(d, folders, &run);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[4].size, "3 Bytes");
  EXPECT_EQ(Names({rows[0], rows[1]}), (std::vector<std::string>{"setup.log", "sub.log"}));
  for (const FoundItem& r : {rows[0], rows[1]}) {
    EXPECT_EQ(r.folder, temp);
    EXPECT_EQ(r.marker, "");
    EXPECT_EQ(r.size, r.name == "setup.log" ? "1234 Bytes" : "0 Bytes");
  }
  EXPECT_EQ(rows[2].name, "history.xml");
  EXPECT_EQ(rows[2].folder, folders.appData + "\\Vendor");
  EXPECT_EQ(rows[2].size, "4 Bytes");
  EXPECT_EQ(rows[2].bytes, 4u);
  EXPECT_EQ(rows[3].name, "one.txt");
  EXPECT_EQ(rows[3].folder, folders.appData + "\\Vendor\\Logs");
  EXPECT_EQ(run.entries[2], folders.appData + "\\Vendor\\history.xml");

  // A variable not in the list ends the file rules of the definition.
  d.files = {FileRule("%AppData%\\Vendor", "File", "history.xml"),
             FileRule("%Foo%\\Vendor", "File", "history.xml"),
             FileRule("%AppData%\\Vendor", "Folder", "*.xml")};
  EXPECT_EQ(RunRules(d, folders).size(), 1u);

  // Windows 9x, or a special folder that cannot be found: no file rules at all.
  PluginFolders old = folders;
  old.win9x = true;
  EXPECT_TRUE(RunRules(d, old).empty());
  PluginFolders unknown = folders;
  unknown.ok = false;
  EXPECT_TRUE(RunRules(d, unknown).empty());
}

TEST(PluginFilesRules, RulesThatCouldNameMoreThanTheirFolderAddNoRow) {
  t::ScratchDir dir("C:\\suite-tests\\dr-plugfilebad");
  PluginFolders folders = ScratchFolders(dir.Path());
  t::MakeDirs(folders.appData + "\\Vendor\\inner");
  t::WriteBytes(folders.appData + "\\Vendor\\history.xml", "<h/>");
  Definition d;
  d.files = {
      FileRule("%AppData%\\Vendor", "File", ""),               // empty Pattern: the folder itself
      FileRule("%AppData%\\Vendor", "Folder", ""),
      FileRule("", "Folder", "*.*"),                           // empty Source
      FileRule("Vendor", "Folder", "*.*"),                     // relative to the current folder
      FileRule("%AppData%\\Vendor\\inner", "File", ".."),      // climbs out
      FileRule("%AppData%\\Vendor\\inner\\..", "Folder", "*.xml"),
      FileRule("%AppData%", "Folder", "Vendor\\..\\*.*"),
      FileRule("%AppData%", "File", "Vendor\\history.xml"),    // a single file is a plain name
      FileRule("%AppData%\\Vendor", "File", "*.xml"),          // ... without wildcards
      "Source:%AppData%\\Vendor;Pattern:*.*;",                 // no Type
      "Type:Folder;Pattern:*.*;",                              // no Source
      "Source:%AppData%\\Vendor;Type:Folder;",                 // no Pattern
  };
  EXPECT_TRUE(RunRules(d, folders).empty());
}

// --- Runs on files -------------------------------------------------------------

TEST(PluginRun, DefinitionsThatCannotBeDecodedOrParsedAreSkipped) {
  t::ScratchKey key("dustrel-plugin-skip");
  t::SetString(kCu, key.Path(), "v", "x");
  t::ScratchDir dir("C:\\suite-tests\\dr-plugskip");
  PluginFolders folders = ScratchFolders(dir.Path());
  Definition d;
  d.registry = {RegRule("HKEY_CURRENT_USER", key.Path(), "Value", "v")};
  t::WriteBytes(dir / "plain.dat", d.Text());
  t::WriteBytes(dir / "foreign.dat", LockText(d.Text(), "other"));
  t::WriteBytes(dir / "binary.dat", LockText(std::string("[Registry]\r\nReg0=\0\r\n", 20)));
  t::WriteBytes(dir / "empty.dat", LockText("no sections at all"));
  t::WriteBytes(dir / "good.dat", LockText(d.Text()));
  for (const char* name : {"plain.dat", "foreign.dat", "binary.dat", "empty.dat", "missing.dat"}) {
    VectorSink sink;
    EXPECT_EQ(RunPlugin(dir / name, folders, sink), 0) << name;
    EXPECT_TRUE(sink.rows.empty()) << name;
  }
  VectorSink sink;
  EXPECT_EQ(RunPlugin(dir / "good.dat", folders, sink), 1);
  EXPECT_EQ(sink.rows.size(), 1u);
}

TEST(PluginRun, RunsWriteNothingAndLeaveNoWorkingFiles) {
  t::ScratchKey key("dustrel-plugin-nowrite");
  t::SetString(kCu, key.Path(), "v", "x");
  t::ScratchDir dir("C:\\suite-tests\\dr-plugnowrite");
  t::ScratchDir work("C:\\suite-tests\\dr-plugnowrite-cwd");
  PluginFolders folders = ScratchFolders(dir.Path() + "\\folders");
  t::WriteBytes(folders.appData + "\\app.log", "log");
  const std::string plugins = dir / "CleanPlugin";
  t::MakeDirs(plugins);
  Definition d;
  d.registry = {RegRule("HKEY_CURRENT_USER", key.Path(), "Value", "v")};
  d.files = {FileRule("%AppData%", "Folder", "*.log")};
  for (int i = 0; i < 6; ++i) t::WriteBytes(plugins + "\\App" + std::to_string(i) + ".dat",
                                            LockText(d.Text()));
  t::WriteBytes(plugins + "\\Plain.dat", d.Text());

  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  ASSERT_TRUE(SetCurrentDirectoryA(work.Path().c_str()));
  std::map<std::string, std::string> before, after;
  Snapshot(dir.Path(), before);
  const std::set<std::string> tempBefore = Listing(suite::TempFolder());

  // Two runs at once, as when two copies of the program run together.
  const std::vector<std::string> all = ListPlugins(plugins);
  ASSERT_EQ(all.size(), 7u);
  std::vector<TrackedDefinition> found[2];
  TrackLog logs[2];
  std::thread other([&] {
    VectorSink sink;
    found[1] = RunTrackedPlugins(all, folders, sink, logs[1]);
  });
  VectorSink sink;
  found[0] = RunTrackedPlugins(all, folders, sink, logs[0]);
  other.join();
  SetCurrentDirectoryA(cwd);

  Snapshot(dir.Path(), after);
  EXPECT_EQ(after, before);  // every definition byte for byte, the plain one too
  EXPECT_TRUE(Listing(work.Path()) == (std::set<std::string>{".", ".."}));
  const std::set<std::string> tempAfter = Listing(suite::TempFolder());
  EXPECT_EQ(tempAfter.count("TEMP.DAT"), 0u);
  EXPECT_EQ(tempAfter.count("~@3434.TMP"), 0u);
  std::vector<std::string> added;
  std::set_difference(tempAfter.begin(), tempAfter.end(), tempBefore.begin(), tempBefore.end(),
                      std::back_inserter(added));
  EXPECT_TRUE(added.empty()) << added.front();
  for (const TrackLog& log : logs) {
    EXPECT_EQ(log.counts, std::vector<std::string>{"6"});
    EXPECT_EQ(log.traces.size(), 6u);
  }
  EXPECT_EQ(sink.rows.size(), 12u);
}

// --- The scan-target list and the -Track step ----------------------------------

TEST(PluginList, ListsDefinitionFilesOnlyAndTellsTheCount) {
  t::ScratchDir dir("C:\\suite-tests\\dr-pluglist");
  EXPECT_TRUE(ListPlugins(dir / "none").empty());
  EXPECT_TRUE(ListPlugins(dir.Path()).empty());
  EXPECT_EQ(PluginStatusText(0), " ");
  for (const char* name : {"b.dat", "WinRAR.dat", "7-Zip.dat", "Adobe.dat"})
    t::WriteBytes(dir / name, "x");
  t::WriteBytes(dir / "abc", "too short a name");
  t::MakeDirs(dir / "Folder.dat");
  const std::vector<std::string> paths = ListPlugins(dir.Path());
  EXPECT_EQ(paths, (std::vector<std::string>{dir / "7-Zip.dat", dir / "Adobe.dat", dir / "b.dat",
                                             dir / "WinRAR.dat"}));
  // "状态:共可以清理 2 个常用软件的历史记录!" in GBK.
  EXPECT_EQ(PluginStatusText(2),
            "\xD7\xB4\xCC\xAC:\xB9\xB2\xBF\xC9\xD2\xD4\xC7\xE5\xC0\xED 2 "
            "\xB8\xF6\xB3\xA3\xD3\xC3\xC8\xED\xBC\xFE\xB5\xC4\xC0\xFA\xCA\xB7\xBC\xC7\xC2\xBC!");

  ScanTargets targets;
  EXPECT_EQ(AddPluginRows(targets, {dir / "A.dat", dir / "B.dat"}), PluginStatusText(2));
  ASSERT_EQ(targets.rows.size(), 2u);
  EXPECT_EQ(targets.rows[1].caption, "B.dat");
  EXPECT_EQ(targets.rows[1].column1, " ");
  EXPECT_EQ(targets.rows[1].image, 3);
  EXPECT_TRUE(targets.rows[1].checked);
  targets.rows[0].checked = false;
  EXPECT_EQ(TickedPlugins(targets), std::vector<std::string>{dir / "B.dat"});
}

TEST(PluginTrack, TracesOnlyDefinitionsThatFoundSomethingAndThenOnlyWhatWasCleaned) {
  t::ScratchKey key("dustrel-plugin-track");
  t::SetString(kCu, key.Sub("A"), "a1", "x");
  t::SetString(kCu, key.Sub("A"), "a2", "x");
  t::SetString(kCu, key.Sub("B"), "b1", "x");
  t::ScratchDir dir("C:\\suite-tests\\dr-plugtrack");
  PluginFolders folders = ScratchFolders(dir.Path() + "\\folders");
  Definition a, b, none;
  a.registry = {RegRule("HKEY_CURRENT_USER", key.Sub("A"), "Value", "a1"),
                RegRule("HKEY_CURRENT_USER", key.Sub("A"), "Value", "A2")};
  b.registry = {RegRule("HKEY_CURRENT_USER", key.Sub("B"), "Value", "b1")};
  none.registry = {RegRule("HKEY_CURRENT_USER", key.Sub("C"), "Value", "c1")};
  t::WriteBytes(dir / "A.dat", LockText(a.Text()));
  t::WriteBytes(dir / "B.dat", LockText(b.Text()));
  t::WriteBytes(dir / "None.dat", LockText(none.Text()));
  t::WriteBytes(dir / "Broken.dat", LockText(b.Text(), "wrong"));

  VectorSink sink;
  TrackLog log;
  const std::vector<TrackedDefinition> found = RunTrackedPlugins(
      {dir / "A.dat", dir / "None.dat", dir / "Broken.dat", dir / "B.dat"}, folders, sink, log);
  EXPECT_EQ(log.counts, std::vector<std::string>{"2"});
  EXPECT_EQ(log.traces, (std::vector<std::string>{dir / "A.dat", dir / "B.dat"}));
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].entries.size(), 2u);
  EXPECT_EQ(sink.rows.size(), 3u);

  // After the cleaning run: B's value could not be removed, A's second one was.
  const TrackLog cleaned =
      TrackLogOfCleaned(found, {"HKEY_CURRENT_USER\\" + key.Sub("A") + "|a2"});
  EXPECT_EQ(cleaned.counts, std::vector<std::string>{"1"});
  EXPECT_EQ(cleaned.traces, std::vector<std::string>{dir / "A.dat"});
  EXPECT_EQ(TrackLogOfCleaned(found, {}).counts, std::vector<std::string>{"0"});

  // A stop before the first definition runs none, and the count is still given.
  std::atomic<bool> stop{true};
  TrackLog stopped;
  VectorSink none2;
  EXPECT_TRUE(RunTrackedPlugins({dir / "A.dat"}, folders, none2, stopped, &stop).empty());
  EXPECT_EQ(stopped.counts, std::vector<std::string>{"0"});
  EXPECT_TRUE(none2.rows.empty());

  // An empty list (no CleanPlugin folder) finds nothing.
  TrackLog empty;
  EXPECT_TRUE(RunTrackedPlugins({}, folders, sink, empty).empty());
  EXPECT_EQ(empty.counts, std::vector<std::string>{"0"});
  EXPECT_TRUE(empty.traces.empty());
}

// --- The shipped definitions ----------------------------------------------------

TEST(ShippedPlugins, EveryDefinitionIsLockedCompleteAndDescribed) {
  const std::vector<std::string> shipped = ListPlugins(t::DistFolder() + "\\CleanPlugin");
  ASSERT_GE(shipped.size(), 8u);
  for (const std::string& path : shipped) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(IsLockedPlugin(path));
    std::string plain;
    ASSERT_EQ(UnlockText(t::ReadBytes(path), plain), kPluginOk);
    EXPECT_EQ(plain.find('\0'), std::string::npos);
    EXPECT_NE(plain.find("\r\n"), std::string::npos);  // the build gives CR LF
    suite::IniFile ini;
    ini.ReadText(plain);
    EXPECT_FALSE(ini.GetValue("Information", "Description").empty());
    EXPECT_NE(ini.GetValue("Information", "Selected"), "");
    int rules = 0;
    for (int i = 0; i < std::max(0, ini.NumValues("Registry")); ++i) {
      const PluginRule r = ParsePluginRule(ini.GetValue("Registry", "Reg" + std::to_string(i)));
      EXPECT_TRUE(r.hasRootKey && r.hasSubKey && r.hasType && r.hasPattern) << i;
      EXPECT_EQ(r.rootKey, "HKEY_CURRENT_USER") << i;  // history lists are the user's own
      EXPECT_EQ(r.subKey.substr(0, 10), "\\Software\\") << i;
      EXPECT_FALSE(r.pattern.empty()) << i;
      ++rules;
    }
    for (int i = 0; i < std::max(0, ini.NumValues("File/Folder")); ++i) {
      const PluginRule r =
          ParsePluginRule(ini.GetValue("File/Folder", "File" + std::to_string(i)));
      EXPECT_TRUE(r.hasSource && r.hasType && r.hasPattern) << i;
      EXPECT_EQ(r.source.substr(0, 10), "%AppData%\\") << i;
      ++rules;
    }
    EXPECT_GT(rules, 0);
  }
}

TEST(ShippedPlugins, FindTheHistoryOfTheirProgramAndNothingElse) {
  const std::string folder = t::DistFolder() + "\\CleanPlugin";
  // 7-Zip keeps its lists as values, Adobe Reader as a key, Notepad++ in a file.
  t::ScratchKey zip("7-Zip", kCu, "Software");
  t::SetString(kCu, zip.Sub("FM"), "FolderHistory", "C:\\a");
  t::SetString(kCu, zip.Sub("FM"), "ShowDots", "1");  // a setting, not history
  t::SetString(kCu, zip.Sub("Compression"), "ArcHistory", "C:\\b.7z");
  t::ScratchKey adobe("Adobe", kCu, "Software");
  const std::string general = adobe.Sub("Acrobat Reader\\DC\\AVGeneral");
  t::SetString(kCu, general + "\\cRecentFiles\\c1", "tDIText", "/C/doc.pdf");
  const PluginFolders system = SystemPluginFolders();
  ASSERT_TRUE(system.ok);
  t::ScratchDir npp(system.appData + "\\Notepad++");
  t::WriteBytes(npp / "session.xml", "<NotepadPlus/>");
  t::WriteBytes(npp / "config.xml", "<NotepadPlus/>");

  VectorSink sink;
  EXPECT_EQ(RunPlugin(folder + "\\7-Zip.dat", sink), 1);
  ASSERT_EQ(Names(sink.rows), (std::vector<std::string>{"ArcHistory", "FolderHistory"}));
  for (const FoundItem& r : sink.rows) EXPECT_EQ(r.marker, kMarkerKeyValue);

  sink.rows.clear();
  EXPECT_EQ(RunPlugin(folder + "\\AdobeReader.dat", sink), 1);
  ASSERT_EQ(sink.rows.size(), 1u);
  EXPECT_EQ(sink.rows[0].marker, kMarkerRootKey);
  EXPECT_EQ(EntryTextOf(sink.rows[0]),
            "HKEY_CURRENT_USER\\" + general + "|cRecentFiles");

  sink.rows.clear();
  EXPECT_EQ(RunPlugin(folder + "\\Notepad++.dat", sink), 1);
  ASSERT_EQ(sink.rows.size(), 1u);
  EXPECT_EQ(FilePathOf(sink.rows[0]), npp / "session.xml");
}

// --- The deletion guard on what definitions list ----------------------------------

TEST(PluginGuard, DefinitionsNamingSystemFoldersRemoveNothing) {
  const PluginFolders system = SystemPluginFolders();
  ASSERT_TRUE(system.ok);
  const std::string profile = t::ProfileFolder();
  const size_t cut = profile.find_last_of('\\');
  const std::string tests = suite::ProgramFolder();
  Definition d;
  d.files = {
      FileRule("C:\\", "File", "windows"),
      FileRule("%Windows%", "Folder", "system32"),
      FileRule("C:\\", "File", "Program Files"),
      FileRule(profile.substr(0, cut), "File", profile.substr(cut + 1)),
      FileRule(tests, "Folder", "dustrel_plugins_test.exe"),  // the suite's own folder
      FileRule("C:\\", "File", ""),                            // the drive root itself
  };
  VectorSink sink;
  const PluginRun run = RunPluginText(d.Text(), system, sink);
  ASSERT_EQ(run.rows, 5);
  for (const FoundItem& row : sink.rows) {
    const std::string path = FilePathOf(row);
    SCOPED_TRACE(path);
    ASSERT_TRUE(t::Exists(path));
    // Checked first, so a missing guard fails here instead of removing the folder.
    ASSERT_TRUE(suite::IsProtectedPath(path));
    EXPECT_FALSE(suite::MoveToRecycleBin(path, nullptr, true));
    EXPECT_FALSE(suite::MoveToRecycleBin(path));
    EXPECT_FALSE(suite::DeletePermanently(path));
    EXPECT_TRUE(t::Exists(path));
  }
}
