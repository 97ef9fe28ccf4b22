// Runs the suite's real installer (made by scripts/package.sh into
// W:\packages) silently in the sandbox: what it puts down (files, version
// resources, Start-menu shortcuts, the uninstall entry), an installed cleaner's
// unattended run, and what the silent uninstaller takes away and keeps.
// With SUITE_TEST_INSTALLER=x86 in the environment the installer for every
// Windows (x86-ansi) is run instead, with the same expectations: it puts down
// the programs of W:\dist, the 64-bit ones on a 64-bit Windows, the 32-bit
// ones when the 32-bit build's test runs on a 32-bit Windows.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "inifile.h"
#include "registry.h"
#include "testsupport.h"

namespace t = suite::test;

namespace {

const char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" SUITE_TEST_PRODUCT_ID;
// A leftover program path the installed registry scanner removes (after its backup).
const char kDeadAppPath[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\suite-pkg-e2e.exe";
const char kDeadTarget[] = "C:\\suite-pkg-e2e-gone\\gone.exe";
const char* const kPrograms[] = {"Brisko", "Dustrel", "Hivemend", "Snipwell", "Marksift",
                                 "Patchmoor"};

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}
std::string InstallFolder() {
  return ShellFolder(CSIDL_PROGRAM_FILES) + "\\" SUITE_TEST_PRODUCT_ID;
}
std::string SetupFile(const std::string& arch) {
  const std::string dist = t::DistFolder();  // W:\dist
  return dist.substr(0, dist.find_last_of('\\')) + "\\packages\\" SUITE_TEST_PRODUCT_ID "-" +
         SUITE_TEST_VERSION "-" + arch + "-setup.exe";
}
// The installer under test.
std::string Installer() {
  char arch[16] = "";
  GetEnvironmentVariableA("SUITE_TEST_INSTALLER", arch, sizeof arch);
  return SetupFile(std::string(arch) == "x86" ? "x86" : "x64");
}

// The machine type in a program's PE header (0 when it is none).
WORD PeMachine(const std::string& exe) {
  HANDLE file = CreateFileA(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  char header[1024] = {};
  DWORD read = 0;
  ReadFile(file, header, sizeof header, &read, nullptr);
  CloseHandle(file);
  const LONG pe = *reinterpret_cast<const LONG*>(header + 0x3c);
  if (read < sizeof header || header[0] != 'M' || pe < 0 || pe > 1024 - 6 ||
      std::string(header + pe, 4) != std::string("PE\0\0", 4))
    return 0;
  return *reinterpret_cast<const WORD*>(header + pe + 4);
}

// The 64-bit view of the machine's keys, where a 64-bit installer writes.
std::string ReadString(const std::string& key, const std::string& name, bool* found = nullptr) {
  HKEY k = nullptr;
  std::string value;
  bool ok = false;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &k) ==
      ERROR_SUCCESS) {
    char buf[2048];
    DWORD size = sizeof buf - 1, type = 0;
    if (RegQueryValueExA(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
      buf[size] = '\0';
      value = buf;
      ok = true;
    }
    RegCloseKey(k);
  }
  if (found) *found = ok;
  return value;
}
DWORD ReadDword(const std::string& key, const std::string& name) {
  DWORD value = 0, size = sizeof value;
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &k) ==
      ERROR_SUCCESS) {
    RegQueryValueExA(k, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(k);
  }
  return value;
}
bool UninstallEntryExists() {
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_64KEY, &k) !=
      ERROR_SUCCESS)
    return false;
  RegCloseKey(k);
  return true;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool EndsWithNoCase(const std::string& s, const std::string& end) {
  if (s.size() < end.size()) return false;
  return std::equal(end.begin(), end.end(), s.end() - end.size(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

// What a package ships: the dist folder's files (relative names) but the
// 32-bit folder, logs and backup stores.
void ShippedFiles(const std::string& root, const std::string& sub, std::vector<std::string>& out) {
  WIN32_FIND_DATAA data;
  const std::string folder = sub.empty() ? root : root + "\\" + sub;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string rel = sub.empty() ? name : sub + "\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (sub.empty() && (name == "x86" || name.rfind("Reg-Backup", 0) == 0)) continue;
      ShippedFiles(root, rel, out);
    } else if (!EndsWithNoCase(name, ".log") && !EndsWithNoCase(name, ".tmp")) {
      out.push_back(rel);
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

struct Shortcut {
  bool read = false;
  std::string target, arguments;
};
Shortcut ReadShortcut(const std::string& lnk) {
  Shortcut s;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return s;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH * 2] = L"";
    MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH * 2);
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      char buf[MAX_PATH * 2] = "";
      if (SUCCEEDED(link->GetPath(buf, sizeof buf, nullptr, SLGP_RAWPATH))) s.target = buf;
      buf[0] = '\0';
      if (SUCCEEDED(link->GetArguments(buf, sizeof buf))) s.arguments = buf;
      s.read = true;
    }
    file->Release();
  }
  link->Release();
  return s;
}

std::vector<std::string> ListFolder(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// A string of a program's version resource: the Chinese block, or with an
// empty `block` the first one its translation table names.
std::string VersionString(const std::string& exe, const std::string& name,
                          std::string block = "080404b0") {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
  if (size == 0) return "(no version resource)";
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(exe.c_str(), 0, size, data.data())) return "(unreadable)";
  char* text = nullptr;
  UINT length = 0;
  if (block.empty()) {
    WORD* pair = nullptr;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pair),
                        &length) ||
        !pair || length < 2 * sizeof(WORD))
      return "(no translation)";
    char hex[16];
    wsprintfA(hex, "%04x%04x", pair[0], pair[1]);
    block = hex;
  }
  const std::string query = "\\StringFileInfo\\" + block + "\\" + name;
  if (!VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) ||
      !text)
    return "(missing " + name + ")";
  return std::string(text);
}
std::string FixedVersion(const std::string& exe) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
  if (size == 0) return "";
  std::vector<char> data(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(exe.c_str(), 0, size, data.data()) ||
      !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info)
    return "";
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
         std::to_string(LOWORD(info->dwFileVersionLS));
}

// NSIS uninstallers copy themselves into the temp folder, start the copy and
// end: wait for that copy ("Un*.exe") as well.
void WaitForUninstallerCopies(DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    std::vector<DWORD> ids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap != INVALID_HANDLE_VALUE) {
      PROCESSENTRY32 entry{};
      entry.dwSize = sizeof entry;
      for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) {
        const std::string name = entry.szExeFile;
        if (name.size() > 2 && (name[0] == 'U' || name[0] == 'u') &&
            (name[1] == 'n' || name[1] == 'N') && EndsWithNoCase(name, ".exe"))
          ids.push_back(entry.th32ProcessID);
      }
      CloseHandle(snap);
    }
    if (ids.empty()) return;
    for (DWORD id : ids) {
      HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
      if (process) {
        WaitForSingleObject(process, 1000);
        CloseHandle(process);
      }
    }
    if (GetTickCount() - start > timeoutMs) return;
  }
}

class Packages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitialize(nullptr); }

  void SetUp() override {
    ASSERT_TRUE(t::Exists(Installer()))
        << Installer() << " is missing: make it with scripts/package.sh (scripts/test.sh does)";
    Clean();
    suite::DeleteKeyTree(HKEY_LOCAL_MACHINE, kDeadAppPath);
  }
  void TearDown() override {
    Clean();
    suite::DeleteKeyTree(HKEY_LOCAL_MACHINE, kDeadAppPath);
  }

  // Leaves no installation behind, whatever a failed test left.
  void Clean() {
    const std::string uninstaller = InstallFolder() + "\\Uninstall.exe";
    if (t::Exists(uninstaller)) {
      t::RunProcess("\"" + uninstaller + "\" /S /REMOVEBACKUPS _?=" + InstallFolder(),
                    InstallFolder(), 120000);
    }
    t::RemoveTree(InstallFolder());
    if (!elsewhere_.empty()) t::RemoveTree(elsewhere_);
    if (!menu_.empty()) t::RemoveTree(menu_);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY, 0);
  }

  void Install() {
    t::ProcessResult r = t::RunProcess("\"" + Installer() + "\" /S", "", 180000);
    ASSERT_FALSE(r.timedOut);
    ASSERT_EQ(r.exitCode, 0u);
    ASSERT_TRUE(UninstallEntryExists());
    menu_ = ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\" + ReadString(kUninstallKey, "DisplayName");
  }

  std::string menu_;       // the Start-menu folder the installer made
  std::string elsewhere_;  // a folder of the test's own it installed into
};

}  // namespace

// Every program of the build carries the version resource of the project version.
TEST(VersionResource, EveryProgramCarriesTheProjectVersion) {
  std::vector<std::string> programs(std::begin(kPrograms), std::end(kPrograms));
  programs.push_back("PluginLock");
  for (const std::string& p : programs) {
    const std::string exe = t::DistFolder() + "\\" + p + ".exe";
    SCOPED_TRACE(exe);
    ASSERT_TRUE(t::Exists(exe));
    EXPECT_EQ(FixedVersion(exe), SUITE_TEST_VERSION_DOTTED);
    EXPECT_EQ(VersionString(exe, "FileVersion"), SUITE_TEST_VERSION_DOTTED);
    EXPECT_EQ(VersionString(exe, "ProductVersion"), SUITE_TEST_VERSION);
    EXPECT_EQ(VersionString(exe, "OriginalFilename"), p + ".exe");
    EXPECT_EQ(VersionString(exe, "CompanyName"), "Quillon");
    // Chinese texts, read back in the ANSI code page.
    EXPECT_EQ(VersionString(exe, "ProductName"), "Quillon 系统清理套件");
    EXPECT_NE(VersionString(exe, "LegalCopyright").find("版权所有"), std::string::npos);
    const std::string description = VersionString(exe, "FileDescription");
    EXPECT_FALSE(description.empty());
    EXPECT_NE(description[0], '(') << description;
  }
  EXPECT_EQ(VersionString(t::DistFolder() + "\\Brisko.exe", "FileDescription"), "一键清理控制台");
  // The installers too, in their own (Chinese) block: the 64-bit one and,
  // with a 32-bit build, the one for every Windows, a 32-bit program.
  std::vector<std::pair<std::string, WORD>> setups{{SetupFile("x64"), IMAGE_FILE_MACHINE_AMD64}};
  if (t::Exists(t::DistFolder() + "\\x86\\Brisko.exe"))
    setups.emplace_back(SetupFile("x86"), IMAGE_FILE_MACHINE_I386);
  for (const auto& setup : setups) {
    SCOPED_TRACE(setup.first);
    ASSERT_TRUE(t::Exists(setup.first));
    EXPECT_EQ(PeMachine(setup.first), setup.second);
    EXPECT_EQ(FixedVersion(setup.first), SUITE_TEST_VERSION_DOTTED);
    EXPECT_EQ(VersionString(setup.first, "ProductVersion", ""), SUITE_TEST_VERSION);
    EXPECT_EQ(VersionString(setup.first, "ProductName", ""), "Quillon 系统清理套件");
    EXPECT_EQ(VersionString(setup.first, "FileDescription", ""), "Quillon 系统清理套件 安装程序");
  }
}

TEST_F(Packages, SilentInstallThenSilentUninstallKeepsOnlyTheBackupStore) {
  ASSERT_NO_FATAL_FAILURE(Install());
  const std::string folder = InstallFolder();

  // The files: every shipped file of the build, the same size.
  std::vector<std::string> shipped;
  ShippedFiles(t::DistFolder(), "", shipped);
  ASSERT_GE(shipped.size(), 9u);
  for (const std::string& f : shipped)
    EXPECT_EQ(FileSize(folder + "\\" + f), FileSize(t::DistFolder() + "\\" + f)) << f;
  EXPECT_FALSE(ListFolder(folder + "\\CleanPlugin\\*.dat").empty());
  EXPECT_TRUE(t::Exists(folder + "\\TipList.ini"));
  EXPECT_TRUE(t::Exists(folder + "\\Help.chm"));  // the console's Help button opens it
  EXPECT_FALSE(t::Exists(folder + "\\x86"));
  EXPECT_EQ(FixedVersion(folder + "\\Dustrel.exe"), SUITE_TEST_VERSION_DOTTED);

  // The uninstall entry.
  EXPECT_EQ(ReadString(kUninstallKey, "DisplayName"), "Quillon 系统清理套件");
  EXPECT_EQ(ReadString(kUninstallKey, "DisplayVersion"), SUITE_TEST_VERSION);
  EXPECT_EQ(ReadString(kUninstallKey, "Publisher"), "Quillon");
  EXPECT_EQ(ReadString(kUninstallKey, "InstallLocation"), folder);
  EXPECT_EQ(ReadString(kUninstallKey, "UninstallString"), "\"" + folder + "\\Uninstall.exe\"");
  const std::string quiet = ReadString(kUninstallKey, "QuietUninstallString");
  EXPECT_EQ(quiet, "\"" + folder + "\\Uninstall.exe\" /S");
  EXPECT_TRUE(t::Exists(folder + "\\Uninstall.exe"));
  long long bytes = 0;
  for (const std::string& f : shipped) bytes += FileSize(folder + "\\" + f);
  EXPECT_EQ(ReadDword(kUninstallKey, "EstimatedSize"), static_cast<DWORD>((bytes + 1023) / 1024));

  // The shortcuts: one per program, the console first, each naming its program
  // in the program folder; the single-purpose cleaners get an argument that
  // opens their window (without one they end at once).
  std::vector<std::string> links = ListFolder(menu_ + "\\*.lnk");
  ASSERT_EQ(links.size(), 7u) << menu_;  // six programs and the uninstaller
  EXPECT_EQ(links[0].rfind("Brisko ", 0), 0u) << links[0];
  for (const char* p : kPrograms) {
    SCOPED_TRACE(p);
    auto it = std::find_if(links.begin(), links.end(), [&](const std::string& l) {
      return l.rfind(std::string(p) + " ", 0) == 0;
    });
    ASSERT_NE(it, links.end());
    const Shortcut s = ReadShortcut(menu_ + "\\" + *it);
    ASSERT_TRUE(s.read);
    EXPECT_EQ(s.target, folder + "\\" + p + ".exe");
    const bool window = std::string(p) != "Brisko" && std::string(p) != "Dustrel";
    EXPECT_EQ(s.arguments, window ? "/show" : "");
  }

  // An installed cleaner runs unattended from the program folder: it backs the
  // dead entry up into the store beside it, removes it and writes its log there.
  t::SetString(HKEY_LOCAL_MACHINE, kDeadAppPath, "", kDeadTarget);
  t::ProcessResult run = t::RunProcess("\"" + folder + "\\Hivemend.exe\" -Auto", folder, 300000);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_FALSE(t::KeyExists(HKEY_LOCAL_MACHINE, kDeadAppPath));
  suite::IniFile log(folder + "\\Hivemend.log");
  log.ReadFile();
  bool logged = false;
  for (int i = 0, n = log.NumValues("Files"); i < n; ++i)
    logged |= log.GetValue("Files", "Item" + std::to_string(i)).find("suite-pkg-e2e.exe") !=
              std::string::npos;
  EXPECT_TRUE(logged);
  const std::vector<std::string> stores = ListFolder(folder + "\\Reg-Backup*");
  ASSERT_EQ(stores.size(), 1u);
  const std::string store = folder + "\\" + stores[0];
  const std::vector<std::string> backups = ListFolder(store + "\\*");
  ASSERT_FALSE(backups.empty());
  const std::vector<std::string> regFiles = ListFolder(store + "\\" + backups[0] + "\\*.reg");
  ASSERT_FALSE(regFiles.empty());
  // A dry run's log and a definition of the user's own beside the shipped ones.
  t::WriteBytes(folder + "\\Snipwell-Preview.log", "[Numbers]\r\nItem0=0\r\n");
  t::WriteBytes(folder + "\\CleanPlugin\\Mine.dat", "user's own");

  // The silent uninstall, as the entry gives it.
  t::ProcessResult un = t::RunProcess(quiet, "", 120000);
  ASSERT_FALSE(un.timedOut);
  EXPECT_EQ(un.exitCode, 0u);
  WaitForUninstallerCopies(120000);

  for (const std::string& f : shipped) EXPECT_FALSE(t::Exists(folder + "\\" + f)) << f;
  EXPECT_FALSE(t::Exists(folder + "\\Uninstall.exe"));
  EXPECT_FALSE(t::Exists(folder + "\\Hivemend.log"));
  EXPECT_FALSE(t::Exists(folder + "\\Snipwell-Preview.log"));
  EXPECT_FALSE(t::Exists(menu_));
  EXPECT_FALSE(UninstallEntryExists());
  // Kept: the backup store with its files, and the user's own definition.
  EXPECT_EQ(ListFolder(store + "\\" + backups[0] + "\\*.reg"), regFiles);
  EXPECT_TRUE(t::Exists(folder + "\\CleanPlugin\\Mine.dat"));
  std::vector<std::string> left = ListFolder(folder + "\\*");
  EXPECT_EQ(left, (std::vector<std::string>{"CleanPlugin", stores[0]}));
}

TEST_F(Packages, UninstallAskedToRemoveBackupsLeavesNothing) {
  ASSERT_NO_FATAL_FAILURE(Install());
  const std::string folder = InstallFolder();
  // Two stores (two Windows versions' names), as the cleaners leave them.
  t::WriteBytes(folder + "\\Reg-Backup-XP\\01-02-2026 10-00 备份\\RB1.reg", "REGEDIT4\r\n");
  t::WriteBytes(folder + "\\Reg-Backup\\01-02-2026 10-00 备份\\RB1.reg", "REGEDIT4\r\n");
  t::WriteBytes(folder + "\\Dustrel.log", "[Numbers]\r\nItem0=0\r\n");

  // Run in place (_?=): the uninstaller itself is then waited for directly.
  t::ScratchDir copy("C:\\suite-pkg-e2e-uninstaller");
  ASSERT_TRUE(CopyFileA((folder + "\\Uninstall.exe").c_str(), (copy / "Uninstall.exe").c_str(),
                        FALSE));
  t::ProcessResult un =
      t::RunProcess("\"" + (copy / "Uninstall.exe") + "\" /S /REMOVEBACKUPS _?=" + folder, "",
                    120000);
  ASSERT_FALSE(un.timedOut);
  EXPECT_EQ(un.exitCode, 0u);
  EXPECT_FALSE(t::Exists(folder)) << ListFolder(folder + "\\*").size() << " names left";
  EXPECT_FALSE(t::Exists(menu_));
  EXPECT_FALSE(UninstallEntryExists());
}

TEST_F(Packages, ReinstallKeepsTheBackupStoreAndUninstallsFromAnotherFolder) {
  // Installed elsewhere (a name with blanks and Chinese), over a kept store.
  const std::string other = "C:\\清理 套件 e2e";
  t::RemoveTree(other);
  elsewhere_ = other;
  t::WriteBytes(other + "\\Reg-Backup\\01-02-2026 10-00 备份\\RB1.reg", "REGEDIT4\r\n");
  t::ProcessResult r = t::RunProcess("\"" + Installer() + "\" /S /D=" + other, "", 180000);
  ASSERT_FALSE(r.timedOut);
  ASSERT_EQ(r.exitCode, 0u);
  menu_ = ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\" + ReadString(kUninstallKey, "DisplayName");
  EXPECT_EQ(ReadString(kUninstallKey, "InstallLocation"), other);
  EXPECT_TRUE(t::Exists(other + "\\Brisko.exe"));
  const std::vector<std::string> brisko = ListFolder(menu_ + "\\Brisko*.lnk");
  ASSERT_EQ(brisko.size(), 1u);
  EXPECT_EQ(ReadShortcut(menu_ + "\\" + brisko[0]).target, other + "\\Brisko.exe");
  EXPECT_TRUE(t::Exists(other + "\\Reg-Backup\\01-02-2026 10-00 备份\\RB1.reg"));

  t::ProcessResult un = t::RunProcess(ReadString(kUninstallKey, "QuietUninstallString"), "", 120000);
  ASSERT_FALSE(un.timedOut);
  WaitForUninstallerCopies(120000);
  EXPECT_FALSE(t::Exists(other + "\\Brisko.exe"));
  EXPECT_FALSE(UninstallEntryExists());
  EXPECT_EQ(ListFolder(other + "\\*"), (std::vector<std::string>{"Reg-Backup"}));
  EXPECT_TRUE(t::Exists(other + "\\Reg-Backup\\01-02-2026 10-00 备份\\RB1.reg"));
}
