// The registry scan: thirteen categories, one walk per category, each finding
// entries that name files which are gone. The walks only read the registry;
// every removal happens later, in the repair, after the backup.
#pragma once
#include <windows.h>

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "pathcheck.h"

namespace hivemend {

constexpr int kCategoryCount = 13;
constexpr int kNamedCategories = 11;  // rows 0-10 take their texts from "GuiItem%d"

// Category texts of rows 0-10 (GuiItem0..GuiItem10 override them at start-up),
// then the two fixed rows 11 and 12.
extern const char* const kDefaultCategoryNames[kCategoryCount];

extern const char* const kRootKeyWord;   // "RootKey": the key root\path\name is the entry
extern const char* const kKeyValueWord;  // "KeyValue": the value name in root\path is the entry
extern const char* const kDefaultValueLabel;  // "默认": how the unnamed value is shown

struct ScanRow {
  std::string name;      // column 0: subkey name or value name
  std::string rootName;  // column 1
  std::string path;      // column 2: key path under the root, may be empty
  std::string kind;      // column 3: kRootKeyWord or kKeyValueWord
  std::string text;      // column 4: the path text that failed the test
  std::string category;  // column 5
  // The hit is the key's unnamed default value; `name` then holds the label
  // only, and the repair deletes the unnamed value.
  bool defaultValue = false;
  bool checked = false;
};

// Where the walks report: rows in the order found, and the status line.
struct ScanSink {
  std::function<void(const ScanRow&)> row;
  std::function<void(const std::string&)> status;  // may be empty
};

struct ScanSettings {
  std::array<bool, kCategoryCount> ticked{};  // which category rows run
  std::array<std::string, kNamedCategories> names;  // category texts (rows 0-10)
  std::string prefix;                         // "strScaning" text of the status line
};

// Defaults: rows 0-9 ticked, the built-in category texts.
ScanSettings DefaultScanSettings();

// Key paths of the walks (under HKEY_LOCAL_MACHINE unless stated).
extern const char* const kKnownDllsKey;
extern const char* const kKnown16DllsKey;
extern const char* const kKnownVxdsKey;
extern const char* const kAppPathsKey;
extern const char* const kHelpKey;
extern const char* const kHtmlHelpKey;

// One scan: make one per run (it owns the path checker and its folder cache).
class Scanner {
 public:
  Scanner(const ScanSettings& settings, ScanSink sink, const std::atomic<bool>& stop);
  // For tests: the non-fixed drive roots to assume.
  Scanner(const ScanSettings& settings, ScanSink sink, const std::atomic<bool>& stop,
          std::vector<std::string> nonFixedRoots);

  // Runs every ticked category in the fixed order (rows 0-9).
  void Run();

  void KnownDllWalk(const std::string& keyPath);
  void KnownVxdWalk(const std::string& keyPath);
  void AppPathWalk(const std::string& keyPath = kAppPathsKey);
  void HelpWalk(const std::string& keyPath);
  void FileTypeWalk();
  void ContextMenuWalk();
  void TypeLibraryWalk();
  void ComClassWalk();
  // Rows of category 8 for HKEY_CURRENT_USER and HKEY_USERS, 9 for the machine.
  void SoftwareWalk(HKEY root, const std::string& path);

  // The path-present test of this program (the scan's own checker, whose
  // folder listings serve the whole scan).
  bool Present(const std::string& text);

  bool Stopped() const { return stop_.load(); }
  int RowCount() const { return rows_; }

 private:
  bool Missing(const std::string& text) { return !Present(text); }
  void Add(ScanRow row);
  void Status(const std::string& what);
  void StatusF(const std::string& text);
  const std::string& Category(int row) const { return settings_.names[row]; }
  void CollectDependants(const std::vector<std::string>& invalidClsids,
                         std::vector<std::string>& progIds,
                         std::vector<std::string>& interfaces);
  void LoadServers();
  void LoadProxyStubs();
  void SoftwareKey(HKEY root, const std::string& path, bool machine,
                   std::vector<ScanRow>& records);

  ScanSettings settings_;
  ScanSink sink_;
  const std::atomic<bool>& stop_;
  suite::PathChecker checker_;
  int rows_ = 0;
  // CLSID -> server path, and interface -> proxy/stub CLSID, read once per scan.
  bool serversLoaded_ = false, proxiesLoaded_ = false;
  std::vector<std::pair<std::string, std::string>> servers_;
  std::vector<std::pair<std::string, std::string>> proxies_;
};

// Every row starts unticked; a row is ticked when its column 4 lies neither in
// the Windows folder nor in a "common files" folder, or lies in the Windows
// temp folder. `withTemp` false drops the temp clause (the tick-all button).
bool PreselectRow(const std::string& text, const std::string& windowsFolder, bool withTemp = true);
void Preselect(std::vector<ScanRow>& rows, const std::string& windowsFolder);

// The system file checker command for this platform (skipped when unattended).
std::string SystemFileCheckCommand(bool win9x, const std::string& systemFolder);

}  // namespace hivemend
