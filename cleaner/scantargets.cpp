#include "scantargets.h"

#include <windows.h>

#include "inifile.h"
#include "sysinfo.h"
#include "text.h"

namespace dustrel {

int ScanTargets::DriveCount() const {
  int n = 0;
  for (const ScanTarget& row : rows)
    if (row.kind == TargetKind::Drive) ++n;
  return n;
}

int ScanTargets::OtherItemRow(int n) const {
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].kind == TargetKind::OtherItem && rows[i].index == n) return static_cast<int>(i);
  return -1;
}

OtherItemTicks ScanTargets::OtherTicks() const {
  OtherItemTicks ticks{};
  for (const ScanTarget& row : rows)
    if (row.kind == TargetKind::OtherItem && row.index >= 1 && row.index <= kOtherItemCount)
      ticks[row.index - 1] = row.checked;
  return ticks;
}

std::vector<std::string> ScanTargets::TickedDrives() const {
  std::vector<std::string> roots;
  for (const ScanTarget& row : rows)
    if (row.kind == TargetKind::Drive && row.checked) roots.push_back(row.root);
  return roots;
}

std::vector<int> ScanTargets::TickedDriveRows() const {
  std::vector<int> indices;
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].kind == TargetKind::Drive && rows[i].checked) indices.push_back(static_cast<int>(i));
  return indices;
}

std::vector<bool> ScanTargets::Ticks() const {
  std::vector<bool> ticks;
  for (const ScanTarget& row : rows) ticks.push_back(row.checked);
  return ticks;
}

void ScanTargets::ApplyTicks(const std::vector<bool>& ticks) {
  for (size_t i = 0; i < rows.size() && i < ticks.size(); ++i) rows[i].checked = ticks[i];
}

void ScanTargets::ApplySaved(const SavedSelection& saved) {
  if (saved.rows.empty()) {
    // Saved by a copy that names no rows: a list of another length has moved
    // rows, and a guess could hand a drive another row's tick.
    if (saved.count == rows.size() && saved.ticks.size() == rows.size()) ApplyTicks(saved.ticks);
    return;
  }
  for (ScanTarget& row : rows) {
    const std::string name = suite::ToUpper(SelectionName(row));
    for (size_t i = 0; i < saved.rows.size() && i < saved.ticks.size(); ++i) {
      if (suite::ToUpper(saved.rows[i]) == name) {
        row.checked = saved.ticks[i];
        break;
      }
    }
  }
}

void ScanTargets::AddPlugin(const std::string& definitionPath) {
  ScanTarget row;
  row.kind = TargetKind::Plugin;
  const size_t slash = suite::LastBackslash(definitionPath);
  row.caption = slash == std::string::npos ? definitionPath : definitionPath.substr(slash + 1);
  row.column1 = " ";
  row.image = 3;
  row.checked = true;
  row.path = definitionPath;
  int plugins = 0;
  for (const ScanTarget& r : rows)
    if (r.kind == TargetKind::Plugin) ++plugins;
  row.index = plugins;
  rows.push_back(std::move(row));
}

std::string SelectionName(const ScanTarget& row) {
  switch (row.kind) {
    case TargetKind::Drive: return row.root;
    case TargetKind::OtherItem: return suite::Format("OtherItem%d", row.index);
    case TargetKind::Plugin: break;
  }
  const size_t slash = suite::LastBackslash(row.path);
  return slash == std::string::npos ? row.path : row.path.substr(slash + 1);
}

bool OtherItemDefaultTick(int n) { return n != 2 && n != 3 && n != 4; }

int OtherItemImage(int n) {
  if (n <= 4) return 1;
  if (n <= 9) return 2;
  return 3;
}

std::vector<DriveInfo> ProbeFixedDrives() {
  std::vector<DriveInfo> drives;
  for (const std::string& root : suite::FixedDrives()) {
    DriveInfo drive;
    drive.root = root;
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    if (GetDiskFreeSpaceExA(root.c_str(), &freeToCaller, &total, &totalFree))
      drive.freeMb = freeToCaller.QuadPart >> 20;
    drives.push_back(drive);
  }
  return drives;
}

ScanTargets BuildScanTargets(const std::vector<DriveInfo>& drives, const std::string& iniName) {
  suite::InterfaceTexts texts(iniName);
  ScanTargets targets;
  const std::string freeText = texts.Get("strFreesize");
  const std::string notScanned = texts.Get("strNotFS");
  for (const DriveInfo& drive : drives) {
    ScanTarget row;
    row.kind = TargetKind::Drive;
    row.caption = drive.root;
    row.root = drive.root;
    row.column1 = suite::Format("%s:%llu MB", freeText.c_str(), drive.freeMb);
    row.status = notScanned;
    row.image = 0;
    row.checked = false;
    targets.rows.push_back(std::move(row));
  }
  const std::string autoText = texts.Get("strAutoFS");
  for (int n = 1; n <= kOtherItemCount; ++n) {
    ScanTarget row;
    row.kind = TargetKind::OtherItem;
    row.index = n;
    row.caption = texts.Get(suite::Format("OtherItem%d", n));
    row.column1 = " ";
    row.status = autoText;
    row.image = OtherItemImage(n);
    row.checked = OtherItemDefaultTick(n);
    targets.rows.push_back(std::move(row));
  }
  return targets;
}

}  // namespace dustrel
