// The fuzz test: mutated inputs fed in process to the engines that read files
// made by others or by earlier runs - shell links, favorites, settings files,
// cleaning logs - and random registry values through the .reg writer and a
// restore. A run passes when no input crashes the process, runs past its time
// limit or reads outside a buffer (the heap guard and the instrumented build
// turn such reads into crashes), and every value the writer backs up comes
// back exactly. The same seed gives the same inputs.
//
//   suite_fuzz.exe [--seed=N] [--runs=N] [--reg-runs=N] [--time-limit-ms=N]
//   suite_fuzz.exe --replay=lnk|url|ini|log:FILE   feeds one saved input again
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cleanlog.h"
#include "favcheck.h"
#include "harness.h"
#include "inifile.h"
#include "mutator.h"
#include "pathcheck.h"
#include "regstore.h"
#include "shortcut_scan.h"
#include "shortcut_target.h"
#include "sysinfo.h"
#include "testsupport.h"
#include "text.h"

namespace suite::fuzz {
namespace {

using test::ScratchDir;
using test::ScratchKey;

std::vector<std::string> FilesIn(const std::string& folder, const char* pattern) {
  std::vector<std::string> files;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\" + pattern).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return files;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      files.push_back(test::ReadBytes(folder + "\\" + data.cFileName));
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return files;
}

// Each format draws from its own generator, so adding inputs to one format
// leaves the others' inputs as they were.
Rng FormatRng(uint64_t salt) { return Rng(Opts().seed * 0x9E3779B97F4A7C15ull + salt); }

void Report(const char* format, size_t inputs, size_t seeds) {
  std::printf("fuzz %-8s %zu inputs from %zu seeds (seed %llu)\n", format, inputs, seeds,
              static_cast<unsigned long long>(Opts().seed));
  ::testing::Test::RecordProperty(std::string(format) + "_inputs", static_cast<int>(inputs));
}

// ---- shell links ----------------------------------------------------------

TEST(Fuzz, ShellLinks) {
  ScratchDir dir("C:\\suite-fuzz-lnk");
  std::vector<std::string> seeds;
  const std::string data = test::TestDataFolder();
  if (!data.empty()) {
    for (const char* sub : {"\\lnk", "\\shortcuts"}) {
      auto more = FilesIn(data + sub, "*.lnk");
      seeds.insert(seeds.end(), more.begin(), more.end());
    }
  }
  // Links written by this system's own shell-link writer, to files that exist
  // and files that do not.
  test::WriteBytes(dir / "present.txt", "x");
  const char* targets[] = {"present.txt", "gone.exe", "子目录\\缺失.exe"};
  for (const char* target : targets) {
    const std::string link = dir / (std::string("made") + std::to_string(seeds.size()) + ".lnk");
    if (test::MakeShortcut(link, dir / target, "/arg C:\\x.cfg")) seeds.push_back(test::ReadBytes(link));
  }
  ASSERT_GE(seeds.size(), 3u);
  const Mutator mutator(seeds,
                        {"C:\\", "D:\\Program Files\\", ".exe", ".lnk", std::string("\0\0", 2),
                         std::string("L\0\0\0", 4), "\\\\server\\share\\", "%WINDIR%\\",
                         std::string("\x01\x14\x02\x00", 4)},
                        1 << 20);
  Rng rng = FormatRng(1);
  PathChecker checker(kShortcutPathCheck);
  // The whole test, with the system's shell-link reader, on every sample as it
  // is. Mutated links are not given to the system's reader here: Wine's reader
  // crashes on some of them (reproducer: tests/fuzz/samples/).
  for (size_t i = 0; i < seeds.size() && Opts().replayFile.empty(); ++i) {
    const std::string file = dir / ("seed" + std::to_string(i) + ".lnk");
    ASSERT_TRUE(test::WriteBytes(file, seeds[i]));
    Current current("lnk-seed", i, seeds[i]);
    ShellLinkTargetExists(file);
    IsShortcutBroken(file, checker);
  }
  const std::string path = dir / "fuzz.lnk";
  size_t n = 0, asFiles = 0;
  for (; n < RunsFor("lnk", Opts().runs); ++n) {
    const std::string mutated = mutator.Next(rng);
    const std::string& input = InputFor(mutated);
    Current current("lnk", n, input);
    const std::string raw = RawShortcutTarget(input);
    const std::vector<std::wstring> wide = UnicodeShortcutTargets(input);
    EXPECT_LE(raw.size(), input.size()) << SaveInput("lnk", n, input);
    for (const std::wstring& w : wide) EXPECT_LE(w.size() * 2, input.size()) << SaveInput("lnk", n, input);
    // The same bytes as a file: the scan's file reader and its path test.
    if (n % 8 == 0) {
      ASSERT_TRUE(test::WriteBytes(path, input));
      const std::string bytes = ReadShortcutBytes(path);
      EXPECT_EQ(input.substr(0, 1 << 20), bytes) << SaveInput("lnk", n, input);
      const std::string target = RawShortcutTarget(bytes);
      if (!target.empty()) checker.FileReferenceExists(target);
      ++asFiles;
    }
  }
  Report("lnk", n, seeds.size());
  std::printf("fuzz lnk      %zu of them also as files through the file reader and the path test\n", asFiles);
}

// ---- favorites ------------------------------------------------------------

TEST(Fuzz, Favorites) {
  ScratchDir dir("C:\\suite-fuzz-url");
  std::vector<std::string> seeds;
  const std::string data = test::TestDataFolder();
  if (!data.empty()) seeds = FilesIn(data + "\\url", "*.url");
  seeds.push_back("[InternetShortcut]\r\nURL=http://example.com/page?x=1\r\n");
  seeds.push_back("[DEFAULT]\r\nBASEURL=https://user:pw@host:8443/a/b#frag\r\n"
                  "[InternetShortcut]\r\nURL=https://host/\r\nIconIndex=0\r\n");
  seeds.push_back("[internetshortcut]\nurl=ftp://files.example.com/\n");
  const Mutator mutator(seeds,
                        {"[InternetShortcut]", "[DEFAULT]", "URL=", "BASEURL=", "http://", "https://",
                         "\r\n", "\n", "=", "[", "]", ":65535", ":99999", "@", "%00", "#", "?",
                         std::string(300, 'a'), "\xef\xbb\xbf", std::string("\0", 1)},
                        64 << 10);
  Rng rng = FormatRng(2);
  const std::string path = dir / "fuzz.url";
  size_t n = 0;
  for (; n < RunsFor("url", Opts().runs); ++n) {
    const std::string mutated = mutator.Next(rng);
    const std::string& input = InputFor(mutated);
    Current current("url", n, input);
    ASSERT_TRUE(test::WriteBytes(path, input));
    const std::string address = marksift::FavoriteAddress(path);
    marksift::HttpTarget target;
    if (marksift::SplitAddress(address, target)) {
      EXPECT_FALSE(target.host.empty()) << SaveInput("url", n, input);
      EXPECT_FALSE(target.object.empty()) << SaveInput("url", n, input);
    }
    // The input as an address and as a file name too.
    marksift::SplitAddress(input, target);
    const std::string asPath = "C:\\Favorites\\" + input;
    marksift::IsFavoritePath(asPath);
    marksift::FavoriteName(asPath);
    marksift::CheckedLine(asPath);
  }
  Report("url", n, seeds.size());
}

// ---- settings files -------------------------------------------------------

TEST(Fuzz, SettingsFiles) {
  std::vector<std::string> seeds = FilesIn(test::DistFolder(), "*.ini");
  seeds.push_back("[Resource]\r\nstrTitle=标题\r\nstrMess1=第一\r\n[Other]\r\nA=1\r\nA=2\r\n");
  seeds.push_back("; comment\n[S]\nname = value with spaces \n=no name\n[S]\nx=\n");
  const Mutator mutator(seeds,
                        {"[", "]", "=", "\r\n", "\n", "\r", ";", "[Resource]", "Item0=", "Numbers",
                         "strMess", std::string("\0", 1), "\xef\xbb\xbf", "\xff\xfe", " ", "\t",
                         "2147483648", "-2147483649", "99999999999999999999"},
                        256 << 10);
  Rng rng = FormatRng(3);
  const std::string fileName = "suite_fuzz_texts.ini";
  const std::string filePath = ProgramFolderPath(fileName);
  size_t n = 0;
  for (; n < RunsFor("ini", Opts().runs); ++n) {
    const std::string mutated = mutator.Next(rng);
    const std::string& input = InputFor(mutated);
    Current current("ini", n, input);
    IniFile ini;
    ini.ReadText(input);
    for (const std::string& section : ini.SectionNames()) {
      ini.NumValues(section);
      for (const std::string& name : ini.ValueNames(section)) {
        ini.GetValue(section, name);
        ini.GetValueI(section, name);
      }
    }
    ini.GetValue(input.substr(0, 8), input.substr(0, 4));
    // What the writer writes of a file it read reads back to the same text.
    const std::string text = ini.Text();
    IniFile again;
    again.ReadText(text);
    EXPECT_EQ(text, again.Text()) << SaveInput("ini", n, input);
    // A value set (one line, a plain name) is found again after a write and a read.
    std::string name = input.substr(0, rng.Size(16)), value = input.substr(0, rng.Size(64));
    for (std::string* s : {&name, &value})
      for (char& c : *s)
        if (c == '\r' || c == '\n' || c == '\0') c = '_';
    for (char& c : name)
      if (c == '=' || c == '[' || c == ';' || c == ' ' || c == '\t') c = '_';
    if (!name.empty() && ini.SetValue("Fuzz", name, value, true)) {
      IniFile back;
      back.ReadText(ini.Text());
      EXPECT_EQ(ini.GetValue("Fuzz", name), back.GetValue("Fuzz", name)) << SaveInput("ini", n, input);
    }
    // The settings file beside the program, as the windows read their texts.
    if (n % 4 == 0) {
      ASSERT_TRUE(test::WriteBytes(filePath, input));
      GetInterfaceText(fileName, "strTitle");
      InterfaceTexts texts(fileName);
      texts.Get("strMess", static_cast<int>(rng.Below(20)));
    }
  }
  DeleteFileA(filePath.c_str());
  Report("ini", n, seeds.size());
}

// ---- cleaning logs --------------------------------------------------------

TEST(Fuzz, CleaningLogs) {
  const std::string logName = "suite_fuzz.log";
  const std::string copyName = "suite_fuzz_copy.log";
  std::vector<std::string> seeds;
  DeleteLog(logName);
  if (WriteLog(logName, "Numbers", {"3"}) &&
      WriteLog(logName, "Files", {"C:\\a.lnk", "C:\\目录\\b.url", "HKEY_CURRENT_USER\\Software\\x"}))
    seeds.push_back(test::ReadBytes(ProgramFolderPath(logName)));
  seeds.push_back("[Numbers]\r\nItem0=2\r\n[Files]\r\nItem0=C:\\x\r\nItem1=C:\\y\r\n");
  seeds.push_back("[Files]\r\nItem5=late\r\nItem0=first\r\nItem0=again\r\nItem-1=neg\r\n");
  const Mutator mutator(seeds,
                        {"[Numbers]", "[Files]", "Item", "Item0=", "Item99999=", "=", "\r\n", "\n",
                         "[", "]", std::string("\0", 1), "C:\\", "\\"},
                        256 << 10);
  Rng rng = FormatRng(4);
  size_t n = 0;
  for (; n < RunsFor("log", Opts().runs); ++n) {
    const std::string mutated = mutator.Next(rng);
    const std::string& input = InputFor(mutated);
    Current current("log", n, input);
    ASSERT_TRUE(test::WriteBytes(ProgramFolderPath(logName), input));
    std::vector<std::string> numbers, files;
    ReadLog(logName, "Numbers", numbers);
    ReadLog(logName, "Files", files);
    // A pass's items written again and read back: the same items.
    if (n % 4 == 0 && files.size() < 2000) {
      DeleteLog(copyName);
      std::vector<std::string> plain;
      for (const std::string& f : files)
        if (f.find_first_of(std::string("\r\n\0", 3)) == std::string::npos) plain.push_back(f);
      ASSERT_TRUE(WriteLog(copyName, "Files", plain));
      std::vector<std::string> back;
      ReadLog(copyName, "Files", back);
      EXPECT_EQ(plain, back) << SaveInput("log", n, input);
    }
  }
  DeleteLog(logName);
  DeleteLog(copyName);
  Report("log", n, seeds.size());
}

// ---- .reg writer and restore ----------------------------------------------

struct Value {
  std::wstring name;
  DWORD type = 0;
  std::string data;
  bool operator==(const Value& o) const { return name == o.name && type == o.type && data == o.data; }
};
using Tree = std::map<std::wstring, std::vector<Value>>;  // relative key path -> values

void ReadValues(HKEY key, const std::wstring& rel, Tree& tree) {
  std::vector<Value>& values = tree[rel];
  std::vector<wchar_t> name(16400);
  // Wine's reader looks at the character before the end of string data, which
  // for one byte of data lies before the buffer: keep that readable too.
  const size_t kBefore = 16;
  std::vector<BYTE> buffer(kBefore + (1 << 20));
  BYTE* const data = buffer.data() + kBefore;
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(buffer.size() - kBefore),
          type = 0;
    if (RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS)
      break;
    values.push_back({std::wstring(name.data(), nameLen), type,
                      std::string(reinterpret_cast<char*>(data), dataLen)});
  }
  for (DWORD i = 0;; ++i) {
    wchar_t sub[512];
    DWORD len = 512;
    if (RegEnumKeyExW(key, i, sub, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY child;
    if (RegOpenKeyExW(key, sub, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
    ReadValues(child, rel + L"\\" + std::wstring(sub, len), tree);
    RegCloseKey(child);
  }
}

Tree ReadTree(const std::string& path) {
  Tree tree;
  HKEY key;
  std::wstring wide(path.begin(), path.end());
  if (RegOpenKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    ReadValues(key, L"", tree);
    RegCloseKey(key);
  }
  return tree;
}

// Characters for names and texts: the .reg syntax's own, CJK (in the ANSI code
// page here), and for version-5 files some outside it (Thai, an emoji).
std::wstring RandomText(Rng& rng, size_t maxLen, bool ansiOnly, bool allowLineBreaks) {
  static const wchar_t kSyntax[] = L"\\\"=[]@;,:%# \t-";
  static const wchar_t kOutside[] = {0x0E01, 0x0E3F, 0xD83D, 0xDE00, 0x2603, 0x00FF};
  std::wstring s;
  const size_t len = rng.Size(maxLen);
  for (size_t i = 0; i < len; ++i) {
    switch (rng.Below(8)) {
      case 0: case 1: case 2: s += static_cast<wchar_t>(L'a' + rng.Below(26)); break;
      case 3: s += static_cast<wchar_t>(L'0' + rng.Below(10)); break;
      case 4: s += kSyntax[rng.Below(sizeof kSyntax / sizeof kSyntax[0] - 1)]; break;
      case 5: s += static_cast<wchar_t>(0x4E00 + rng.Below(0x51A5)); break;  // CJK in GBK
      case 6:
        if (!ansiOnly) {
          const size_t k = rng.Below(sizeof kOutside / sizeof kOutside[0]);
          if (kOutside[k] == 0xD83D) s += L"\xD83D\xDE00"; else if (kOutside[k] != 0xDE00) s += kOutside[k];
        }
        break;
      default:
        if (allowLineBreaks && rng.OneIn(6)) s += rng.OneIn(2) ? L'\n' : L'\r';
        else s += static_cast<wchar_t>(0x20 + rng.Below(0x5f));
    }
  }
  return s;
}

std::string RandomData(Rng& rng, DWORD type, bool ansiOnly) {
  if ((type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && (ansiOnly || !rng.OneIn(4))) {
    std::wstring text = RandomText(rng, 80, ansiOnly, !ansiOnly);
    if (type == REG_MULTI_SZ) text += L'\0' + RandomText(rng, 20, ansiOnly, false) + L'\0';
    text += L'\0';
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  }
  if ((type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN) && !rng.OneIn(4)) {
    const uint32_t v = rng.U32();
    return std::string(reinterpret_cast<const char*>(&v), 4);
  }
  std::string bytes(rng.Size(ansiOnly ? 300 : 3000), '\0');
  for (char& c : bytes) c = static_cast<char>(rng.Byte());
  return bytes;
}

DWORD RandomType(Rng& rng, bool ansiOnly) {
  static const DWORD kTypes[] = {REG_SZ,   REG_EXPAND_SZ, REG_MULTI_SZ,        REG_BINARY,
                                 REG_DWORD, REG_NONE,     REG_DWORD_BIG_ENDIAN, REG_QWORD,
                                 REG_RESOURCE_LIST};
  if (!ansiOnly && rng.OneIn(10)) return rng.OneIn(2) ? static_cast<DWORD>(rng.Below(0x10000)) : rng.U32();
  return kTypes[rng.Below(ansiOnly ? 5 : sizeof kTypes / sizeof kTypes[0])];
}

std::string Describe(const Value& v) {
  char head[64];
  std::snprintf(head, sizeof head, "type %lu, %zu bytes, name of %zu characters:",
                static_cast<unsigned long>(v.type), v.data.size(), v.name.size());
  std::string s = head;
  for (wchar_t c : v.name) {
    char u[8];
    std::snprintf(u, sizeof u, " %04x", static_cast<unsigned>(c));
    s += u;
  }
  return s;
}

std::string Bytes(const std::string& data) {
  std::string s = " [";
  for (size_t i = 0; i < data.size() && i < 12; ++i) {
    char b[4];
    std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(data[i]));
    s += b;
  }
  if (data.size() > 12) {
    s += "..";
    for (size_t i = data.size() - 4; i < data.size(); ++i) {
      char b[4];
      std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(data[i]));
      s += b;
    }
  }
  return s + "]";
}

// An import by the system's registry editor, with how the editor ended. An
// exit code in the NTSTATUS error range means the editor itself crashed (the
// sandbox has no crash debugger to wait for).
struct EditorImport {
  bool ran = false;      // started and ended by itself with status 0
  bool crashed = false;  // ended by an exception of its own
  DWORD exitCode = 0;
};
EditorImport ImportWithEditor(const std::string& file) {
  EditorImport result;
  std::string cmd = "\"" + JoinPath(WindowsFolder(), "regedit.exe") + "\" /s \"" + file + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return result;
  WaitForSingleObject(pi.hProcess, INFINITE);  // the watchdog's time limit applies
  GetExitCodeProcess(pi.hProcess, &result.exitCode);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  result.crashed = result.exitCode >= 0xC0000000u;
  result.ran = result.exitCode == 0;
  return result;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }
bool EndsWithWideNul(const std::string& data) {
  return data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 1] == '\0' &&
         data[data.size() - 2] == '\0';
}

// A file of the kind Wine's editor crashes on (string data of an odd length):
// the import ends at once, and a crash is told as the editor's, not waited on.
TEST(Fuzz, TheEditorsOwnCrashIsToldAndNotWaitedOn) {
  ScratchDir dir("C:\\suite-fuzz-editor");
  const std::wstring text =
      L"\xfeffWindows Registry Editor Version 5.00\r\n\r\n"
      L"[HKEY_CURRENT_USER\\Software\\SuiteTests\\FuzzEditorCrash]\r\n"
      L"\"u\x9529\x8b4dm8\" = hex(2):bf\r\n";
  test::WriteBytes(dir / "odd.reg", std::string(reinterpret_cast<const char*>(text.data()),
                                                text.size() * sizeof(wchar_t)));
  const ULONGLONG start = GetTickCount64();
  const EditorImport import = ImportWithEditor(dir / "odd.reg");
  EXPECT_LT(GetTickCount64() - start, 30000u) << "the editor's crash waited on a debugger";
  EXPECT_TRUE(import.ran || import.crashed) << std::hex << import.exitCode;
  std::printf("fuzz reg      the odd-length sample: the editor %s\n",
              import.crashed ? "crashed (told apart, not the suite)" : "imported it");
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\SuiteTests\\FuzzEditorCrash");
}

TEST(Fuzz, RegistryBackupRoundTrip) {
  ScratchDir dir("C:\\suite-fuzz-reg");
  ScratchKey scratch("FuzzRoundTrip");
  Rng rng = FormatRng(5);
  size_t values = 0, refused = 0, inexact = 0, editorTerminated = 0, editorCrashes = 0;
  size_t n = 0;
  for (; n < RunsFor("reg", Opts().regRuns) && Opts().replayFile.empty(); ++n) {
    const bool regedit4 = rng.OneIn(4);
    const std::string keyPath = scratch.Sub("k" + std::to_string(n));
    const std::wstring wideKey(keyPath.begin(), keyPath.end());
    // A key with values and up to two sub-keys of its own.
    std::vector<std::wstring> keys{L""};
    for (size_t k = rng.Below(3); k > 0; --k) {
      std::wstring sub = RandomText(rng, 30, regedit4, false);
      for (wchar_t& c : sub) if (c == L'\\') c = L'_';
      if (!sub.empty()) keys.push_back(L"\\" + sub);
    }
    for (const std::wstring& rel : keys) {
      HKEY key;
      ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (wideKey + rel).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr), ERROR_SUCCESS);
      for (size_t v = 1 + rng.Below(12); v > 0; --v) {
        std::wstring name = RandomText(rng, rng.OneIn(20) ? 300 : 24, regedit4, !regedit4 && rng.OneIn(20));
        const DWORD type = RandomType(rng, regedit4);
        const std::string data = RandomData(rng, type, regedit4);
        // The system reads one character past string data (to add a missing
        // terminator when the next one is NUL): give it two readable non-NUL bytes.
        const std::string padded = data + "\xff\xff";
        RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(padded.data()),
                       static_cast<DWORD>(data.size()));
      }
      RegCloseKey(key);
    }
    const Tree before = ReadTree(keyPath);
    const std::string file = dir / ("round" + std::to_string(n) + ".reg");
    std::string replay;  // the file the writer wrote, for a report
    // Which values the writer says its file holds exactly.
    bool exact = false;
    std::vector<std::wstring> exactValues;
    {
      Current current("reg", n, replay);
#ifdef SUITE_FUZZ_EXPORT_REPORT
      const ExportReport report = ExportKeyW("HKEY_CURRENT_USER", wideKey, file, regedit4);
      const bool written = report.written;
      exact = report.exact;
      exactValues = report.exactValues;
#else
      // This writer reports no more than success: every value counts as held,
      // except names with a line break, which no .reg file can carry.
      const bool written = ExportKey("HKEY_CURRENT_USER", keyPath, file, regedit4);
      exact = true;
      for (const auto& [rel, list] : before)
        for (const Value& v : list)
          if (v.name.find_first_of(L"\r\n") != std::wstring::npos) exact = false;
      if (!exact)
        for (const Value& v : before.at(L""))
          if (v.name.find_first_of(L"\r\n") == std::wstring::npos) exactValues.push_back(v.name);
#endif
      if (!written) {
        ++refused;  // nothing written: a caller then removes nothing
        RegDeleteTreeW(HKEY_CURRENT_USER, wideKey.c_str());
        continue;
      }
      replay = test::ReadBytes(file);
    }
    if (!exact) ++inexact;
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, wideKey.c_str()), ERROR_SUCCESS);
    {
      // Under the time limit too: a registry editor that waits on a crash
      // debugger (outside the sandbox) would hold the import.
      Current current("reg", n, replay);
      const EditorImport import = ImportWithEditor(file);
      if (import.crashed) {
        // The system's editor, not the suite, failed: the file is kept as a
        // sample and the run goes on.
        ++editorCrashes;
        std::printf("fuzz reg      round %zu: the system's registry editor (regedit.exe) crashed "
                    "with exception 0x%08lx importing a file of the writer; kept as %s\n",
                    n, static_cast<unsigned long>(import.exitCode),
                    SaveInput("reg", n, replay).c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, wideKey.c_str());
        continue;
      }
      ASSERT_TRUE(import.ran) << SaveInput("reg", n, replay);
    }
    const Tree after = ReadTree(keyPath);
    for (const auto& [rel, list] : before) {
      if (!exact && !rel.empty()) continue;  // the writer vouches for the key's own values only
      auto found = after.find(rel);
      ASSERT_TRUE(found != after.end()) << "key lost; " << SaveInput("reg", n, replay);
      for (const Value& v : list) {
        if (!exact && std::find(exactValues.begin(), exactValues.end(), v.name) == exactValues.end())
          continue;
        ++values;
        bool same = false, terminated = false;
        std::string back = "gone";
        for (const Value& w : found->second) {
          same = same || v == w;
          if (w.name != v.name) continue;
          back = "back as " + Describe(w) + Bytes(w.data) + " from" + Bytes(v.data);
          // Wine's registry editor ends string data that has no terminating
          // NUL with one: the system's, not the writer's, doing.
          terminated = IsStringType(v.type) && w.type == v.type && w.data.size() > v.data.size() &&
                       w.data.compare(0, v.data.size() & ~size_t{1}, v.data, 0, v.data.size() & ~size_t{1}) == 0 &&
                       !EndsWithWideNul(v.data);
        }
        if (!same && terminated) {
          ++editorTerminated;
          continue;
        }
        EXPECT_TRUE(same) << (regedit4 ? "REGEDIT4" : "version 5") << " file; value " << Describe(v)
                          << " did not come back exactly (" << back << "); " << SaveInput("reg", n, replay);
      }
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, wideKey.c_str());
  }
  std::printf("fuzz reg      %zu round trips, %zu values compared, %zu files not written, %zu files "
              "not exact (only what they vouch for compared)\n", n, values, refused, inexact);
  if (editorCrashes > 0)
    std::printf("fuzz reg      %zu imports crashed the system's registry editor (not the suite)\n",
                editorCrashes);
  if (editorTerminated > 0)
    std::printf("fuzz reg      %zu string values without a terminating NUL came back with one "
                "(the registry editor adds it)\n", editorTerminated);
  ::testing::Test::RecordProperty("reg_round_trips", static_cast<int>(n));
}

}  // namespace
}  // namespace suite::fuzz

int main(int argc, char** argv) {
  if (!suite::fuzz::ParseOptions(argc, argv)) return 2;
  ::testing::InitGoogleTest(&argc, argv);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::printf("fuzz: seed %llu, %zu inputs per format, %zu .reg round trips, %lu ms per input, heap guard %s\n",
              static_cast<unsigned long long>(suite::fuzz::Opts().seed), suite::fuzz::Opts().runs,
              suite::fuzz::Opts().regRuns, static_cast<unsigned long>(suite::fuzz::Opts().timeLimitMs),
              suite::fuzz::GuardedHeap() ? "on" : "off");
  suite::fuzz::StartWatch();
  const int result = RUN_ALL_TESTS();
  suite::fuzz::StopWatch();
  CoUninitialize();
  return result;
}
