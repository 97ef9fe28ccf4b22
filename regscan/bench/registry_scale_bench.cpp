// The registry at the size of a current Windows: seeds (once, in process)
// about 700,000 keys and 1.2 million values shaped like a SOFTWARE hive -- a
// classes tree of extensions, ProgIDs, CLSIDs, interfaces and type libraries,
// a few hundred vendors with product trees of uneven size, every value type,
// names outside ASCII (inside and outside the GBK code page), and 2.5 % stale
// entries in each kind of entry the two scanners look for. Then it times, in
// the same run and each in a fresh process (so that each reports its own peak
// private memory): a bare enumeration of every key the registry scan reads,
// Hivemend's scan (every walk), the same bare enumeration again; a bare
// enumeration of the keys Dustrel's registry traces read, the traces, and that
// bare enumeration again.
//   scripts/scale-bench.sh registry [--scale F]    (its own sandbox, kept between runs)
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "benchstats.h"
#include "founditem.h"
#include "handles.h"
#include "inifile.h"
#include "pathcheck.h"
#include "registry.h"
#include "scanengine.h"
#include "sysinfo.h"
#include "tracetable.h"

namespace {

namespace b = suite::bench;

const wchar_t kMarkerKey[] = L"Software\\SuiteScaleBench";
const char kFiles[] = "C:\\scale-bench-files";

// ------------------------------------------------------------------ seeding

struct Rng {
  unsigned long long s;
  unsigned Next() {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<unsigned>(s >> 33);
  }
  unsigned Below(unsigned n) { return n ? Next() % n : 0; }
};


std::wstring Guid(unsigned kind, unsigned n) {
  wchar_t text[64];
  swprintf(text, 64, L"{5CA1E%03X-%04X-4B1D-9E2A-%012X}", kind, n & 0xFFFF, n);
  return text;
}

class Seeder {
 public:
  explicit Seeder(double scale) : scale_(scale) {}
  long keys = 0, values = 0;
  std::map<std::string, long> planted;  // stale entries planted, by kind

  void Run() {
    // 64 folders of present files: the programs, libraries and help files
    // the present entries name.
    CreateDirectoryA(kFiles, nullptr);
    for (int d = 0; d < 64; ++d) {
      const std::string folder = std::string(kFiles) + "\\app" + std::to_string(d);
      CreateDirectoryA(folder.c_str(), nullptr);
      std::vector<std::string> names = {"present.exe", "present.dll", "present.tlb", "present.vxd"};
      for (int k = 0; k < 64; ++k) names.push_back("lib" + std::to_string(k) + ".dll");
      for (int k = 0; k < 8; ++k) names.push_back("h" + std::to_string(k) + ".hlp");
      for (const std::string& f : names) {
        HANDLE h = CreateFileA((folder + "\\" + f).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
      }
    }
    const auto start = b::Clock::now();
    suite::UniqueKey software = Create(HKEY_LOCAL_MACHINE, L"Software");
    {
      suite::UniqueKey classes = Create(software.get(), L"Classes");
      SeedClasses(classes.get());
    }
    std::printf("  classes seeded: %ld keys, %ld values (%.0f s)\n", keys, values,
                b::SecondsSince(start));
    SeedSystemLists(software.get());
    suite::UniqueKey user = Create(HKEY_CURRENT_USER, L"Software");
    SeedUserTraces(user.get());
    // The vendors: what is left of the budget, nine tenths under the machine.
    targetKeys_ = static_cast<long>(700000 * scale_);
    targetValues_ = static_cast<long>(1200000 * scale_);
    SeedVendors(software.get(), keys + (targetKeys_ - keys) * 9 / 10, 0);
    SeedVendors(user.get(), targetKeys_, 1000);
    std::printf("  seeded: %ld keys, %ld values in %.0f s\n", keys, values,
                b::SecondsSince(start));
  }

 private:
  suite::UniqueKey Create(HKEY parent, const std::wstring& name) {
    suite::UniqueKey key;
    if (RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                        nullptr) == ERROR_SUCCESS)
      ++keys;
    return key;
  }
  void Set(HKEY key, const std::wstring& name, DWORD type, const void* data, size_t size) {
    if (RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                       static_cast<DWORD>(size)) == ERROR_SUCCESS)
      ++values;
  }
  void Text(HKEY key, const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ) {
    Set(key, name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  }
  void Dword(HKEY key, const std::wstring& name, DWORD v) { Set(key, name, REG_DWORD, &v, 4); }

  // A file path: present, or (when `stale`) gone -- half in a folder that
  // exists, half in one that does not.
  std::wstring FilePath(unsigned n, const wchar_t* ext, bool stale) {
    wchar_t text[MAX_PATH];
    if (!stale)
      swprintf(text, MAX_PATH, L"C:\\scale-bench-files\\app%u\\present.%ls", n % 64, ext);
    else if (n % 2)
      swprintf(text, MAX_PATH, L"C:\\scale-bench-files\\app%u\\gone%u.%ls", n % 64, n, ext);
    else
      swprintf(text, MAX_PATH, L"C:\\Program Files\\Gone Vendor %u\\tool%u.%ls", n % 97, n, ext);
    return text;
  }
  static bool Stale(unsigned n, unsigned slot) { return n % 40 == slot; }  // 2.5 %

  long Scaled(long n) const { return std::max(1L, static_cast<long>(n * scale_)); }

  void SeedClasses(HKEY classes) {
    const long exts = Scaled(4000), progIds = Scaled(8000), clsids = Scaled(24000),
               interfaces = Scaled(30000), libraries = Scaled(3000);
    auto progIdName = [](long n) {
      return n % 5 == 0 ? L"SB." + std::to_wstring(n) + L"file" : L"SB.Class" + std::to_wstring(n);
    };
    for (long n = 0; n < exts; ++n) {
      suite::UniqueKey ext = Create(classes, L".sb" + std::to_wstring(n));
      Text(ext.get(), L"", progIdName(n % progIds));
      if (n % 2) Text(ext.get(), L"Content Type", L"application/x-sb" + std::to_wstring(n));
      if (n % 4 == 0) {
        suite::UniqueKey with = Create(ext.get(), L"OpenWithProgids");
        Set(with.get(), progIdName(n % progIds), REG_NONE, nullptr, 0);
      }
    }
    for (long n = 0; n < progIds; ++n) {
      suite::UniqueKey cls = Create(classes, progIdName(n));
      Text(cls.get(), L"", n % 7 ? L"Bench document " + std::to_wstring(n)
                                 : L"示例文档 " + std::to_wstring(n));
      const bool staleIcon = Stale(n, 1), staleCommand = n % 5 == 0 && Stale(n / 5, 2);
      if (staleIcon) ++planted["file type icon"];
      if (staleCommand) ++planted["context menu command"];
      {
        suite::UniqueKey icon = Create(cls.get(), L"DefaultIcon");
        Text(icon.get(), L"", FilePath(n, L"exe", staleIcon) + L",0");
      }
      {
        suite::UniqueKey command = Create(cls.get(), L"shell\\open\\command");
        keys += 2;  // shell and open came with it
        Text(command.get(), L"", L"\"" + FilePath(n, L"exe", staleCommand) + L"\" \"%1\"");
      }
      if (n % 3 == 0 && n < clsids) {
        suite::UniqueKey clsid = Create(cls.get(), L"CLSID");
        Text(clsid.get(), L"", Guid(1, static_cast<unsigned>(n)));
      }
    }
    suite::UniqueKey clsidRoot = Create(classes, L"CLSID");
    for (long n = 0; n < clsids; ++n) {
      suite::UniqueKey c = Create(clsidRoot.get(), Guid(1, static_cast<unsigned>(n)));
      Text(c.get(), L"", L"Bench object " + std::to_wstring(n));
      // Classes of a dead type library share its file; others stand alone.
      const bool ofDeadLibrary = n < libraries && Stale(n, 4);
      const bool staleServer = Stale(n, 3) || ofDeadLibrary;
      if (Stale(n, 3)) ++planted["COM class"];
      {
        suite::UniqueKey server = Create(c.get(), n % 9 ? L"InprocServer32" : L"LocalServer32");
        Text(server.get(), L"",
             ofDeadLibrary ? LibraryFile(n) : FilePath(n, n % 9 ? L"dll" : L"exe", staleServer));
        Text(server.get(), L"ThreadingModel", L"Both");
      }
      if (n < progIds && n % 3 == 0) {
        suite::UniqueKey prog = Create(c.get(), L"ProgID");
        Text(prog.get(), L"", progIdName(n));
      }
      if (n % 4 == 0) {
        suite::UniqueKey cat = Create(c.get(), L"Implemented Categories\\" + Guid(9, n % 16));
        ++keys;
      }
    }
    suite::UniqueKey ifaceRoot = Create(classes, L"Interface");
    for (long n = 0; n < interfaces; ++n) {
      suite::UniqueKey i = Create(ifaceRoot.get(), Guid(2, static_cast<unsigned>(n)));
      Text(i.get(), L"", L"IBench" + std::to_wstring(n));
      {
        suite::UniqueKey stub = Create(i.get(), L"ProxyStubClsid32");
        Text(stub.get(), L"", Guid(1, static_cast<unsigned>(n % clsids)));
      }
      suite::UniqueKey methods = Create(i.get(), L"NumMethods");
      Text(methods.get(), L"", std::to_wstring(3 + n % 20));
    }
    suite::UniqueKey libRoot = Create(classes, L"TypeLib");
    for (long n = 0; n < libraries; ++n) {
      if (Stale(n, 4)) ++planted["type library"];
      suite::UniqueKey lib = Create(libRoot.get(), Guid(3, static_cast<unsigned>(n)));
      suite::UniqueKey version = Create(lib.get(), L"1.0");
      Text(version.get(), L"", L"Bench library " + std::to_wstring(n));
      {
        suite::UniqueKey win32 = Create(version.get(), L"0\\win32");
        ++keys;
        Text(win32.get(), L"", LibraryFile(n));
      }
      suite::UniqueKey flags = Create(version.get(), L"FLAGS");
      Text(flags.get(), L"", L"0");
      suite::UniqueKey help = Create(version.get(), L"HELPDIR");
      Text(help.get(), L"", L"C:\\scale-bench-files\\app" + std::to_wstring(n % 64));
    }
  }
  std::wstring LibraryFile(long n) { return FilePath(static_cast<unsigned>(n), L"tlb", Stale(n, 4)); }

  // The lists both scanners read under the machine's keys.
  void SeedSystemLists(HKEY software) {
    const std::wstring cv = L"Microsoft\\Windows\\CurrentVersion";
    {
      suite::UniqueKey appPaths = Create(software, cv + L"\\App Paths");
      for (long n = 0; n < Scaled(800); ++n) {
        const bool stale = Stale(n, 5);
        if (stale) ++planted["App Paths"];
        suite::UniqueKey app = Create(appPaths.get(), L"sbapp" + std::to_wstring(n) + L".exe");
        Text(app.get(), L"", FilePath(n, L"exe", stale));
        Text(app.get(), L"Path", L"C:\\scale-bench-files\\app" + std::to_wstring(n % 64));
      }
    }
    {
      suite::UniqueKey shared = Create(software, cv + L"\\SharedDLLs");
      for (long n = 0; n < Scaled(4000); ++n) {
        const bool stale = Stale(n, 6);
        if (stale) ++planted["SharedDLLs"];
        // Each name a file of its own (64 libraries in each of the 64 folders).
        const std::wstring name =
            stale ? FilePath(static_cast<unsigned>(n), L"dll", true)
                  : L"C:\\scale-bench-files\\app" + std::to_wstring(n % 64) + L"\\lib" +
                        std::to_wstring((n / 64) % 64) + L".dll";
        Dword(shared.get(), name, 1 + n % 3);
      }
    }
    for (const wchar_t* help : {L"Microsoft\\Windows\\Help", L"Microsoft\\Windows\\HTML Help"}) {
      suite::UniqueKey key = Create(software, help);
      for (long n = 0; n < Scaled(400); ++n) {
        const bool stale = Stale(n, 7);
        if (stale) ++planted["help files"];
        const std::wstring folder = L"C:\\scale-bench-files\\app" + std::to_wstring(n % 64);
        Text(key.get(), stale ? L"gone" + std::to_wstring(n) + L".hlp"
                              : L"h" + std::to_wstring((n / 64) % 8) + L".hlp",
             stale && n % 2 ? L"C:\\Gone Help " + std::to_wstring(n) : folder);
      }
    }
    {
      suite::UniqueKey run = Create(software, cv + L"\\Run");
      for (long n = 0; n < 60; ++n)
        Text(run.get(), L"SbStart" + std::to_wstring(n),
             n % 30 == 1 ? L"http://www.example.invalid/start" + std::to_wstring(n) + L".htm"
                         : FilePath(static_cast<unsigned>(n), L"exe", Stale(n, 8)));
      planted["software values"] += 2;  // the gone programs among them
      planted["startup web pages"] += 2;
    }
    {
      suite::UniqueKey tools = Create(software, L"Microsoft\\Shared Tools");
      for (long n = 0; n < Scaled(120); ++n) {
        const bool stale = Stale(n, 9);
        if (stale) ++planted["Shared Tools"];
        suite::UniqueKey tool = Create(tools.get(), L"SbTool" + std::to_wstring(n));
        Text(tool.get(), L"Path", FilePath(n, L"exe", stale));
      }
    }
    const std::wstring sm = L"System\\CurrentControlSet\\Control\\SessionManager\\";
    for (const wchar_t* list : {L"KnownDLLs", L"Known16DLLs", L"KnownVxDs"}) {
      suite::UniqueKey key = Create(HKEY_LOCAL_MACHINE, sm + list);
      for (long n = 0; n < 40; ++n) {
        const bool stale = Stale(n, 10);
        const bool vxd = list[5] == L'V';
        if (stale) ++planted[vxd ? "known VxDs" : "known DLLs"];
        Text(key.get(), L"sb" + std::to_wstring(n),
             vxd ? FilePath(n, L"vxd", stale)
                 : (stale ? L"gone" + std::to_wstring(n) + L".dll" : std::wstring(L"kernel32.dll")));
      }
    }
  }

  // The user's history lists (every value of them is a trace).
  void SeedUserTraces(HKEY software) {
    const std::wstring ex = L"Microsoft\\Windows\\CurrentVersion\\Explorer";
    auto list = [&](const std::wstring& path, int count, const wchar_t* what) {
      suite::UniqueKey key = Create(software, path);
      for (int n = 0; n < count; ++n)
        Text(key.get(), std::wstring(1, static_cast<wchar_t>(L'a' + n % 26)) + std::to_wstring(n / 26),
             std::wstring(what) + std::to_wstring(n));
    };
    list(L"Microsoft\\Internet Explorer\\TypedURLs", 25, L"http://www.example.invalid/page");
    list(ex + L"\\RunMRU", 26, L"notepad C:\\docs\\note");
    list(ex + L"\\Doc Find Spec MRU", 20, L"*.doc ");
    list(ex + L"\\comDlg32\\LastVisitedMRU", 25, L"app.exe C:\\docs\\");
    for (int e = 0; e < 40; ++e) list(ex + L"\\comDlg32\\OpenSaveMRU\\sb" + std::to_wstring(e), 10, L"C:\\docs\\f");
    list(L"Nico Mak Computing\\WinZip\\extract", 10, L"C:\\unzipped\\");
    list(L"WinRAR\\DialogEditHistory\\ArcName", 10, L"C:\\archives\\a");
    list(L"Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List", 10, L"C:\\pics\\p");
    list(L"Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List", 10, L"C:\\docs\\w");
    list(L"Microsoft\\MediaPlayer\\Player\\RecentFileList", 10, L"C:\\music\\m");
    list(L"Microsoft\\Internet Explorer\\MenuExt", 0, L"");
    {
      suite::UniqueKey order = Create(software, ex + L"\\MenuOrder\\Start Menu\\Programs");
      // Groups of the Start menu's programs folder, 2.5 % of them gone.
      wchar_t programs[MAX_PATH] = {};
      SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs);
      for (int n = 0; n < 150; ++n) {
        const std::wstring group = L"Program Group " + std::to_wstring(n);
        if (Stale(static_cast<unsigned>(n), 11)) ++planted["Start menu order"];
        else CreateDirectoryW((std::wstring(programs) + L"\\" + group).c_str(), nullptr);
        Create(order.get(), group);
      }
    }
  }

  // Vendors directly under Software, with products of very uneven size
  // (a few large ones, many small), each a tree a few levels deep, until the
  // key count reaches `untilKeys`; the values per key follow what is left of
  // the value budget.
  void SeedVendors(HKEY software, long untilKeys, int firstVendor) {
    Rng rng{0x5CA1EULL + static_cast<unsigned long long>(firstVendor)};
    const long share = std::max(1L, (untilKeys - keys) / 55);  // 300 vendors' weights sum to ~55
    for (int v = firstVendor; keys < untilKeys; ++v) {
      const long budget = std::min(untilKeys - keys, share / (1 + v % 40) + 1);
      valuesPerKey_ = std::max(0.0, static_cast<double>(targetValues_ - values)) /
                      static_cast<double>(std::max(1L, targetKeys_ - keys));
      suite::UniqueKey vendor = Create(software, KeyName(rng, L"SB Vendor ", v));
      if (!vendor) break;
      const int products = 1 + static_cast<int>(rng.Below(8));
      for (int p = 0; p < products && keys < untilKeys; ++p) {
        suite::UniqueKey product = Create(vendor.get(), KeyName(rng, L"Product ", p));
        Values(product.get(), rng, static_cast<int>(valuesPerKey_ * 2 + 0.5));
        const long before = keys;
        Tree(product.get(), rng, budget / products, 3);
        if (keys == before && budget / products > 1) break;
      }
    }
  }

  std::wstring KeyName(Rng& rng, const wchar_t* stem, long n) {
    switch (rng.Below(20)) {
      case 0: return L"设置 " + std::to_wstring(n);                 // GBK
      case 1: return L"Größe " + std::to_wstring(n);                // outside GBK
      case 2: return L"Ελληνικά " + std::to_wstring(n);
      default: return stem + std::to_wstring(n);
    }
  }

  void Tree(HKEY parent, Rng& rng, long budget, int depth) {
    if (budget <= 0 || depth > 12) return;
    const int fanout = depth < 5 ? 2 + static_cast<int>(rng.Below(12)) : 1 + static_cast<int>(rng.Below(4));
    const long each = std::max(1L, (budget - fanout) / fanout);
    for (int c = 0; c < fanout && budget > 0; ++c) {
      suite::UniqueKey child = Create(parent, KeyName(rng, L"Sub", c));
      Values(child.get(), rng, static_cast<int>(valuesPerKey_ * 2 + 0.5));
      const long sub = std::min(budget, each + 1);  // the child and its own tree
      Tree(child.get(), rng, sub - 1, depth + 1);
      budget -= sub;
    }
  }

  // Values of every type; one in eight a file path, of which 2.5 % are gone.
  void Values(HKEY key, Rng& rng, int most) {
    const int count = static_cast<int>(rng.Below(static_cast<unsigned>(most + 1)));
    for (int v = 0; v < count; ++v) {
      const unsigned n = rng.Next();
      std::wstring name = v == 0 && rng.Below(4) == 0 ? L"" : KeyName(rng, L"Value", v);
      switch (n % 24) {
        case 0: case 1: case 2: {
          const bool stale = (n / 24) % 40 == 0;
          if (stale) ++planted["software values"];
          Text(key, name, FilePath(n / 24, L"exe", stale) + (n % 2 ? L" /run" : L""));
          break;
        }
        case 3: Text(key, name, L"%ProgramFiles%\\Bench\\tool.exe", REG_EXPAND_SZ); break;
        case 4: {
          const wchar_t multi[] = L"first\0second\0第三\0";
          Set(key, name, REG_MULTI_SZ, multi, sizeof multi);
          break;
        }
        case 5: case 6: case 7: case 8: case 9: Dword(key, name, n); break;
        case 10: { unsigned long long q = n * 77ULL; Set(key, name, REG_QWORD, &q, 8); break; }
        case 11: case 12: {
          BYTE bytes[24];
          for (BYTE& x : bytes) x = static_cast<BYTE>(rng.Next());
          Set(key, name, REG_BINARY, bytes, 8 + n % 16);
          break;
        }
        case 13: Set(key, name, REG_NONE, nullptr, 0); break;
        case 14: { DWORD be = n; Set(key, name, REG_DWORD_BIG_ENDIAN, &be, 4); break; }
        case 15: {
          BYTE bytes[16] = {1, 0, 0, 0};
          Set(key, name, 8 + n % 3, bytes, sizeof bytes);  // the three resource types
          break;
        }
        case 16: Set(key, name, REG_LINK, L"\\Registry\\Nowhere", 34); break;
        default: Text(key, name, L"setting text " + std::to_wstring(n % 100000) + L" 数据"); break;
      }
    }
  }

  double scale_;
  long targetKeys_ = 0, targetValues_ = 0;
  double valuesPerKey_ = 1.7;
};

std::string ScaleText(double scale) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", scale);
  return text;
}

// ------------------------------------------------------------------ walks

struct Counts {
  long keys = 0, values = 0;
};

std::vector<std::wstring> ChildNames(HKEY key) {
  std::vector<std::wstring> children;
  for (DWORD i = 0;; ++i) {
    wchar_t child[256];
    DWORD len = 256;
    if (RegEnumKeyExW(key, i, child, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.emplace_back(child, len);
  }
  return children;
}

// The floor: each key opened once below its parent, every value with its
// data, every subkey, closed.
void BareWalk(HKEY key, Counts& c, int depth = 0) {
  ++c.keys;
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(4096);
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(data.size()),
          type = 0;
    const LONG rc = RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) break;
    ++c.values;
  }
  if (depth > 64) return;
  for (const std::wstring& child : ChildNames(key)) {
    suite::UniqueKey sub;
    if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, sub.put()) == ERROR_SUCCESS)
      BareWalk(sub.get(), c, depth + 1);
  }
}

void BareWalkPath(HKEY root, const wchar_t* path, Counts& c, bool withSubkeys = true) {
  suite::UniqueKey key;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
  if (withSubkeys) {
    BareWalk(key.get(), c);
    return;
  }
  Counts one;
  BareWalk(key.get(), one, 65);  // values only
  c.keys += one.keys;
  c.values += one.values;
}

// Every key the registry scan reads, each once: the machine's software
// without the parts the scan passes over (the classes, Microsoft's Internet
// and uninstall keys), the users' software, and of the classes exactly the
// keys the class walks open -- the class list, each class's icon and "Clsid"
// keys (and the verbs of the "file" classes), each CLSID's server and ProgID,
// each interface's proxy class, the whole TypeLib tree -- and the lists.
void BareSkipping(HKEY key, const std::wstring& path, Counts& c) {
  std::wstring upper = path;
  for (wchar_t& ch : upper) ch = static_cast<wchar_t>(towupper(ch));
  if (upper.find(L"CLASSES") != std::wstring::npos) return;
  if (upper.find(L"MICROSOFT") != std::wstring::npos &&
      (upper.find(L"INTERNET") != std::wstring::npos || upper.find(L"UNINST") != std::wstring::npos))
    return;
  Counts values;
  BareWalk(key, values, 65);  // this key's values only
  c.keys += values.keys;
  c.values += values.values;
  for (const std::wstring& child : ChildNames(key)) {
    suite::UniqueKey sub;
    if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, sub.put()) == ERROR_SUCCESS)
      BareSkipping(sub.get(), path + L"\\" + child, c);
  }
}

// Opens parent\name and reads its values; false when it is not there.
bool BareKey(HKEY parent, const std::wstring& name, Counts& c) {
  suite::UniqueKey key;
  if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  BareWalk(key.get(), c, 65);
  return true;
}

Counts BareScanKeys() {
  Counts c;
  {
    suite::UniqueKey software;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ, software.put()) == ERROR_SUCCESS)
      BareSkipping(software.get(), L"Software", c);
  }
  BareWalkPath(HKEY_CURRENT_USER, L"Software", c);
  BareWalkPath(HKEY_USERS, L".Default\\Software", c);
  for (const std::wstring& name : ChildNames(HKEY_CLASSES_ROOT)) {
    BareKey(HKEY_CLASSES_ROOT, name + L"\\DefaultIcon", c);
    BareKey(HKEY_CLASSES_ROOT, name + L"\\Clsid", c);
    if (name.find(L"file") != std::wstring::npos) BareWalkPath(HKEY_CLASSES_ROOT, (name + L"\\shell").c_str(), c);
  }
  for (const wchar_t* list : {L"CLSID", L"Interface"}) {
    suite::UniqueKey root;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, list, 0, KEY_READ, root.put()) != ERROR_SUCCESS) continue;
    for (const std::wstring& id : ChildNames(root.get())) {
      if (list[0] == L'C') {
        if (!BareKey(root.get(), id + L"\\InprocServer32", c)) BareKey(root.get(), id + L"\\LocalServer32", c);
        BareKey(root.get(), id + L"\\ProgID", c);
      } else {
        BareKey(root.get(), id + L"\\ProxyStubClsid32", c);
      }
    }
  }
  BareWalkPath(HKEY_CLASSES_ROOT, L"TypeLib", c);
  for (const wchar_t* list : {L"KnownDLLs", L"Known16DLLs", L"KnownVxDs"})
    BareWalkPath(HKEY_LOCAL_MACHINE,
                 (std::wstring(L"System\\CurrentControlSet\\Control\\SessionManager\\") + list).c_str(),
                 c, false);
  return c;
}

// Every key the registry traces read (with the subkeys of the lists whose
// entries are keys).
Counts BareTraceKeys() {
  Counts c;
  const std::wstring cv = L"Software\\Microsoft\\Windows\\CurrentVersion";
  const std::wstring ex = cv + L"\\Explorer";
  for (const std::wstring& p : {cv + L"\\App Paths", std::wstring(L"Software\\Microsoft\\Shared Tools"),
                                ex + L"\\comDlg32\\OpenSaveMRU", ex + L"\\MenuOrder\\Start Menu\\Programs",
                                ex + L"\\MenuOrder\\Start Menu\\&Programs",
                                std::wstring(L"Software\\Microsoft\\Internet Explorer\\MenuExt"),
                                std::wstring(L"Software\\RealNetworks\\RealPlayer\\6.0\\Preferences")})
    BareWalkPath(p.find(L"Explorer") != std::wstring::npos || p.find(L"RealNetworks") != std::wstring::npos
                     ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                 p.c_str(), c);
  const std::wstring machine[] = {
      cv + L"\\SharedDLLs", L"Software\\Microsoft\\Windows\\Help", L"Software\\Microsoft\\Windows\\HTML Help",
      cv + L"\\Run-", cv + L"\\RunServices-", cv + L"\\Winlogon", cv + L"\\Run",
      L"System\\CurrentControlSet\\Control\\SessionManager\\KnownDLLs",
      L"System\\CurrentControlSet\\Control\\SessionManager\\Known16DLLs",
      L"System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs"};
  for (const std::wstring& p : machine) BareWalkPath(HKEY_LOCAL_MACHINE, p.c_str(), c, false);
  const std::wstring user[] = {
      L"Software\\Microsoft\\Internet Explorer\\TypedURLs", ex + L"\\Doc Find Spec MRU",
      ex + L"\\RunMRU", ex + L"\\comDlg32\\LastVisitedMRU", L"InstallLocationsMRU",
      L"Software\\Nico Mak Computing\\WinZip\\extract", L"Software\\Nico Mak Computing\\WinZip\\filemenu",
      L"Software\\WinRAR\\DialogEditHistory\\ExtrPath", L"Software\\WinRAR\\DialogEditHistory\\ArcName",
      cv + L"\\Applets\\Paint\\Recent File List", cv + L"\\Applets\\Wordpad\\Recent File List",
      L"Software\\NetAnts\\MRU", L"Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList",
      L"Software\\3721\\CnsUrl", ex + L"\\Shell Folders"};
  for (const std::wstring& p : user) BareWalkPath(HKEY_CURRENT_USER, p.c_str(), c, false);
  return c;
}

// One phase in this process; prints one line the parent reads.
int RunPhase(const std::string& phase) {
  const auto start = b::Clock::now();
  long rows = 0;
  Counts counts;
  std::string detail;
  if (phase == "bare-scan") {
    counts = BareScanKeys();
  } else if (phase == "bare-traces") {
    counts = BareTraceKeys();
  } else if (phase == "hivemend") {
    std::atomic<bool> stop{false};
    std::vector<hivemend::ScanRow> kept;  // the rows, kept as the window keeps them
    hivemend::ScanSink sink{[&](const hivemend::ScanRow& r) { kept.push_back(r); },
                            [](const std::string&) {}};
    hivemend::Scanner scanner(hivemend::DefaultScanSettings(), sink, stop);
    // The walks of the scan in its own order, each timed.
    struct Step { const char* name; std::function<void()> run; };
    const Step steps[] = {
        {"known DLLs", [&] { scanner.KnownDllWalk(hivemend::kKnownDllsKey);
                             scanner.KnownDllWalk(hivemend::kKnown16DllsKey); }},
        {"known VxDs", [&] { scanner.KnownVxdWalk(hivemend::kKnownVxdsKey); }},
        {"App Paths", [&] { scanner.AppPathWalk(); }},
        {"help", [&] { scanner.HelpWalk(hivemend::kHelpKey); scanner.HelpWalk(hivemend::kHtmlHelpKey); }},
        {"file types", [&] { scanner.FileTypeWalk(); }},
        {"context menus", [&] { scanner.ContextMenuWalk(); }},
        {"type libraries", [&] { scanner.TypeLibraryWalk(); }},
        {"COM classes", [&] { scanner.ComClassWalk(); }},
        {"user software", [&] { scanner.SoftwareWalk(HKEY_CURRENT_USER, "Software");
                                scanner.SoftwareWalk(HKEY_USERS, ".Default\\Software"); }},
        {"machine software", [&] { scanner.SoftwareWalk(HKEY_LOCAL_MACHINE, "Software"); }},
    };
    for (const Step& s : steps) {
      const auto t = b::Clock::now();
      const size_t before = kept.size();
      s.run();
      char text[128];
      std::snprintf(text, sizeof text, " | %s %.2fs %zu", s.name, b::SecondsSince(t), kept.size() - before);
      detail += text;
    }
    rows = static_cast<long>(kept.size());
  } else if (phase == "traces") {
    std::atomic<bool> stop{false};
    dustrel::VectorSink sink;
    dustrel::TraceContext context{sink, stop, "Dustrel.ini"};
    for (int k = 0; k < dustrel::kTraceScannerCount; ++k) {
      if (k == 0 || k == 2) continue;  // the two browser stores are no registry traces
      const auto t = b::Clock::now();
      const size_t before = sink.rows.size();
      dustrel::TraceScannerAt(k)(context);
      const double s = b::SecondsSince(t);
      if (s >= 0.01 || sink.rows.size() != before) {
        char text[96];
        std::snprintf(text, sizeof text, " | OtherItem%d %.2fs %zu", k + 2, s, sink.rows.size() - before);
        detail += text;
      }
    }
    rows = static_cast<long>(sink.rows.size());
    // What every scanner pays before its first key: its description text
    // (the settings file read again) and a path checker of its own.
    const auto t = b::Clock::now();
    for (int k = 0; k < 21; ++k) suite::GetInterfaceText("Dustrel.ini", "strRegRb6");
    const double texts = b::SecondsSince(t);
    const auto u = b::Clock::now();
    for (int k = 0; k < 21; ++k) suite::PathChecker checker(suite::kCleanerPathCheck);
    const double checkers = b::SecondsSince(u);
    const auto v = b::Clock::now();
    for (int k = 0; k < 21; ++k) suite::NonFixedDrives();
    const double drives = b::SecondsSince(v);
    char text[200];
    std::snprintf(text, sizeof text,
                  " || (21 settings-file look-ups %.2fs, 21 path checkers made %.2fs, of which "
                  "the drive-type probes %.2fs)",
                  texts, checkers, drives);
    detail += text;
  } else {
    return 2;
  }
  const double seconds = b::SecondsSince(start);
  const b::Memory m = b::OwnMemory();
  std::printf("PHASE %s %.3f %.1f %ld %ld %ld%s\n", phase.c_str(), seconds, m.peakPrivateMb, rows,
              counts.keys, counts.values, detail.c_str());
  return 0;
}

struct PhaseResult {
  double seconds = 0, peakMb = 0;
  long rows = 0, keys = 0, values = 0;
  std::string detail;
};

PhaseResult RunChild(const std::string& phase) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = std::string("\"") + self + "\" --phase " + phase;
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  CreatePipe(&readEnd, &writeEnd, &sa, 0);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  PhaseResult r;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
    return r;
  }
  CloseHandle(writeEnd);
  std::string out;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got) out.append(buffer, got);
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(readEnd);
  const size_t at = out.find("PHASE ");
  if (at == std::string::npos) return r;
  char name[32];
  int used = 0;
  std::sscanf(out.c_str() + at, "PHASE %31s %lf %lf %ld %ld %ld%n", name, &r.seconds, &r.peakMb,
              &r.rows, &r.keys, &r.values, &used);
  r.detail = out.substr(at + static_cast<size_t>(used));
  while (!r.detail.empty() && (r.detail.back() == '\n' || r.detail.back() == '\r')) r.detail.pop_back();
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  double scale = 1.0;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--phase") && i + 1 < argc) return RunPhase(argv[i + 1]);
    if (!std::strcmp(argv[i], "--scale") && i + 1 < argc) scale = std::atof(argv[++i]);
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  suite::UniqueKey marker;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, kMarkerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  marker.put(), nullptr);
  std::string seeded = suite::ReadString(HKEY_LOCAL_MACHINE, "Software\\SuiteScaleBench", "seeded");
  if (seeded.empty()) {
    std::printf("seeding the registry at scale %s (once per sandbox) ...\n", ScaleText(scale).c_str());
    Seeder seeder(scale);
    seeder.Run();
    std::string planted;
    for (const auto& [kind, n] : seeder.planted) planted += kind + "=" + std::to_string(n) + "; ";
    const std::string record = ScaleText(scale) + " keys=" + std::to_string(seeder.keys) +
                               " values=" + std::to_string(seeder.values) + " stale: " + planted;
    RegSetValueExA(marker.get(), "seeded", 0, REG_SZ, reinterpret_cast<const BYTE*>(record.c_str()),
                   static_cast<DWORD>(record.size() + 1));
    seeded = record;
  } else if (seeded.rfind(ScaleText(scale), 0) != 0) {
    std::printf("this sandbox holds the registry of scale %s; use a fresh sandbox for another\n",
                seeded.c_str());
  }
  std::printf("seeded registry: %s\n", seeded.c_str());

  auto show = [](const char* what, const PhaseResult& r) {
    std::printf("  %-26s %8.2f s  peak private %7.1f MB", what, r.seconds, r.peakMb);
    if (r.keys) std::printf("  %ld keys, %ld values", r.keys, r.values);
    else std::printf("  %ld rows", r.rows);
    std::printf("\n");
    if (!r.detail.empty()) std::printf("      %s\n", r.detail.c_str());
  };
  // A phase between two bare enumerations of what it reads, and its ratio to
  // their mean.
  auto compare = [&](const char* title, const char* bareMode, const char* mode, const char* label,
                     const char* ratioName, const char* goal) {
    std::printf("%s:\n", title);
    const PhaseResult bare1 = RunChild(bareMode);
    show("bare enumeration", bare1);
    const PhaseResult measured = RunChild(mode);
    show(label, measured);
    const PhaseResult bare2 = RunChild(bareMode);
    show("bare enumeration again", bare2);
    const double bare = (bare1.seconds + bare2.seconds) / 2;
    std::printf("  ratio %s / bare: %.2f (goal %s or less)\n", ratioName,
                bare > 0 ? measured.seconds / bare : 0, goal);
  };
  compare("Hivemend's scan", "bare-scan", "hivemend", "Hivemend scan (all walks)", "scan", "1.5");
  compare("Dustrel's registry traces", "bare-traces", "traces", "traces (21 registry rows)", "traces",
          "1.2");
  return 0;
}
