// The scan-target model: the rows of the list the user ticks before a scan.
// Row order: one row per fixed disk (C: .. V:), then OtherItem1 ..
// OtherItem26, then one row per plug-in definition (appended by LoadPlugins).
// The saved selection is one byte per row in this order.
#pragma once
#include <string>
#include <vector>

#include "selection.h"
#include "tracetable.h"

namespace dustrel {

enum class TargetKind { Drive, OtherItem, Plugin };

struct ScanTarget {
  TargetKind kind = TargetKind::Drive;
  std::string caption;  // column 0: root path, "OtherItem%d" text, or definition file name
  std::string column1;  // column 1: free-space text of a drive; a single blank otherwise
  std::string status;   // column 2: "strNotFS" / "strAutoFS" text, "strFsOver" after the walk
  int image = 0;        // 0 drives; 1 OtherItem1-4; 2 OtherItem5-9; 3 OtherItem10-26 and plug-ins
  bool checked = false;
  std::string root;     // drive rows: "C:\"
  int index = 0;        // OtherItem rows: 1..26; plug-in rows: index of the definition
  std::string path;     // plug-in rows: full path of the definition file
};

struct DriveInfo {
  std::string root;               // "C:\"
  unsigned long long freeMb = 0;  // free bytes shifted right by 20
};

class ScanTargets {
 public:
  std::vector<ScanTarget> rows;

  int DriveCount() const;
  // Index of the row OtherItem<n> (1-based n), or -1.
  int OtherItemRow(int n) const;
  // Ticks of OtherItem1..26 (index 0 is OtherItem1).
  OtherItemTicks OtherTicks() const;
  // Root paths of the ticked drive rows, in row order.
  std::vector<std::string> TickedDrives() const;
  // Row indices of the ticked drive rows, in row order (parallel to TickedDrives).
  std::vector<int> TickedDriveRows() const;
  std::vector<bool> Ticks() const;
  // Sets the ticks of the same rows in the same order (the list as shown);
  // rows beyond `ticks` keep their own tick.
  void ApplyTicks(const std::vector<bool>& ticks);
  // A saved selection: each tick goes to the row it was saved for; a row
  // saved for nothing keeps its default. Without row names the ticks are
  // applied only when they are exactly one per row of this list.
  void ApplySaved(const SavedSelection& saved);
  // Appends a plug-in row (ticked, column 1 a single blank, image 3).
  void AddPlugin(const std::string& definitionPath);
};

// The name a row is saved under: the drive root, "OtherItem<n>", or the
// definition's file name.
std::string SelectionName(const ScanTarget& row);

// Whether OtherItem<n> (1-based) is ticked by default: all but 2, 3 and 4.
bool OtherItemDefaultTick(int n);
// Image of OtherItem<n>.
int OtherItemImage(int n);

// The fixed disks now present (type fixed, C: .. V:) with their free space.
std::vector<DriveInfo> ProbeFixedDrives();

// Drive rows and the 26 OtherItem rows with their default ticks, texts from
// the settings file `iniName` ("strFreesize", "strNotFS", "OtherItem%d",
// "strAutoFS"). Plug-in rows are added afterwards with AddPlugin.
ScanTargets BuildScanTargets(const std::vector<DriveInfo>& drives, const std::string& iniName);
inline ScanTargets BuildScanTargets(const std::string& iniName) {
  return BuildScanTargets(ProbeFixedDrives(), iniName);
}

}  // namespace dustrel
