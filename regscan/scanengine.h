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

#include "classkeys.h"
#include "entryrules.h"
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

// Which test found a row; the repair asks it again just before the deletion.
enum class RowRule {
  None,           // no test to repeat (rows not made by a walk)
  KnownDll,       // value of a known-DLL list: the system folder and the data
  KnownVxd,       // value of the known-VxD list: the data
  AppPath,        // App Paths subkey: its default value
  HelpFile,       // help list value: the folder (data) and the name
  ClassIcon,      // class key: the file of its DefaultIcon
  Extension,      // extension key naming an invalid class (depends on it)
  Command,        // verb key: its command
  TypeLibrary,    // TypeLib\{GUID}: its library files
  ComClass,       // CLSID\{...}: its server
  ProgId,         // ProgID key of an invalid class (depends on it)
  ClassNamer,     // key whose "Clsid" value names an invalid class (depends on it)
  Interface,      // Interface\{...} whose proxy/stub class is invalid (depends on it)
  SoftwareValue,  // a value of the software walk: its text
};

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
  RowRule rule = RowRule::None;
  // Index (in scan order) of the row this one exists because of: the class of
  // an extension, the class of a ProgID or interface, the library of a class.
  // Such a row takes that row's tick. -1: none.
  int parent = -1;
  // The registry's own UTF-16 key path and item name, when the walk found the
  // entry by them (the software walk); the ANSI columns are then display texts.
  bool wide = false;
  std::wstring pathW{};
  std::wstring nameW{};
};

// Keys directly under HKEY_CLASSES_ROOT that no COM row may delete (the
// shared list in common/classkeys.h).
using suite::IsStructuralClassKey;

// A dependant row is unticked when the row it depends on is unticked (rows
// are in scan order, so a parent comes before its dependants).
void ApplyDependencies(std::vector<ScanRow>& rows);
// Removes the rows at `removed` (increasing) and renumbers the others'
// parents; a row whose parent went no longer depends on anything.
void EraseRows(std::vector<ScanRow>& rows, const std::vector<int>& removed);
// The rows that depend on row `index`, directly or through others.
std::vector<int> DependantsOf(const std::vector<ScanRow>& rows, int index);

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

// Key paths of the walks (under HKEY_LOCAL_MACHINE), kept beside the rules.
using suite::kAppPathsKey;
using suite::kHelpKey;
using suite::kHtmlHelpKey;
using suite::kKnown16DllsKey;
using suite::kKnownDllsKey;
using suite::kKnownVxdsKey;

// One scan: make one per run (it owns the path checker and its folder cache).
class Scanner {
 public:
  Scanner(const ScanSettings& settings, ScanSink sink, const std::atomic<bool>& stop);
  // For tests: the non-fixed drive roots to assume.
  Scanner(const ScanSettings& settings, ScanSink sink, const std::atomic<bool>& stop,
          std::vector<std::string> nonFixedRoots);

  // Runs every ticked category in the fixed order (rows 0-9).
  // Row indices given to the sink count from 0 per scanner.
  void Run();

  // Each walk reads the key it is given; Run() gives the keys of both
  // registry views of a 64-bit Windows (a key they share is read once).
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
  // A known-DLL list (`rule` KnownDll) or the known-VxD list (KnownVxd).
  void KnownFileWalk(const std::string& keyPath, RowRule rule);
  int Add(ScanRow row, RowRule rule, int parent = -1);
  void Status(const std::string& what);
  void StatusF(const std::string& text);
  const std::string& Category(int row) const { return settings_.names[row]; }
  // Rows for the ProgIDs and interfaces of invalid classes; `clsidRows`
  // holds the row index of each class.
  void AddDependants(const std::vector<std::string>& invalidClsids,
                     const std::vector<int>& clsidRows, const std::string& category);
  void AddInterfaces(const std::vector<std::string>& invalidClsids,
                     const std::vector<int>& clsidRows, const std::string& category);
  void LoadServers();
  void LoadProxyStubs();
  // The class walks below run in one view at a time: "" for the 64-bit
  // classes, "Wow6432Node\\" for the 32-bit ones (HKEY_CLASSES_ROOT\Wow6432Node).
  void SelectClassView(const std::string& prefix);
  std::string Classes(const std::string& sub) const { return classes_ + sub; }
  std::string ClassesKey() const;  // the view's classes key itself ("" or "Wow6432Node")
  friend class SoftwareVisitor;

  ScanSettings settings_;
  ScanSink sink_;
  const std::atomic<bool>& stop_;
  suite::PathChecker checker_;
  int rows_ = 0;
  // CLSID -> server path, and interface -> proxy/stub CLSID, read once per scan.
  std::string classes_;
  bool serversLoaded_ = false, proxiesLoaded_ = false;
  std::vector<std::pair<std::string, std::string>> servers_;
  std::vector<std::pair<std::string, std::string>> proxies_;
};

// Asks each row's test again just before the repair deletes it: what became
// valid since the scan (the file is back, the class registered again) is
// left alone. Uses a path test of its own, with no folder listing kept from
// the scan.
class Rechecker {
 public:
  explicit Rechecker(const std::vector<ScanRow>& rows);
  Rechecker(const std::vector<ScanRow>& rows, std::vector<std::string> nonFixedRoots);
  bool StillInvalid(size_t index);

 private:
  bool Check(const ScanRow& row);
  bool Missing(const std::string& text) { return !checker_.FileReferenceExists(text); }
  const std::vector<ScanRow>& rows_;
  suite::PathChecker checker_;
  std::vector<int> memo_;  // -1 unknown, 0 valid now, 1 still invalid
};

// Every row starts unticked; a row is ticked when its column 4 lies neither in
// the Windows folder nor in a "common files" folder, or lies in the Windows
// temp folder. `withTemp` false drops the temp clause (the tick-all button).
bool PreselectRow(const std::string& text, const std::string& windowsFolder, bool withTemp = true);
// Ticks by the rule above, then unticks the dependants of unticked rows.
void Preselect(std::vector<ScanRow>& rows, const std::string& windowsFolder);

// The system file checker command for this platform (skipped when unattended).
std::string SystemFileCheckCommand(bool win9x, const std::string& systemFolder);

}  // namespace hivemend
