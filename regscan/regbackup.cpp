#include "regbackup.h"

#include <algorithm>
#include <memory>

#include "handles.h"
#include "registry.h"
#include "text.h"

namespace hivemend {

using suite::Format;

std::string BackupKeyPath(const ScanRow& row) {
  if (row.kind == kRootKeyWord && !row.name.empty())
    return row.path.empty() ? row.name : row.path + "\\" + row.name;
  return row.path;
}

suite::RegEntry EntryOf(const ScanRow& row) {
  if (row.kind == kRootKeyWord) {
    if (row.wide) {
      const std::wstring path = row.pathW.empty() ? row.nameW : row.pathW + L"\\" + row.nameW;
      return suite::WideKeyEntry(row.rootName, path);
    }
    return suite::KeyEntry(row.rootName, BackupKeyPath(row));
  }
  if (row.wide)
    return suite::WideValueEntry(row.rootName, row.pathW,
                                 row.defaultValue ? std::wstring() : row.nameW);
  return suite::ValueEntry(row.rootName, row.path, row.defaultValue ? std::string() : row.name);
}

bool BackupRows(const std::vector<ScanRow>& rows, suite::RestorePoint& point,
                const std::function<void(const std::string&)>& failed, std::vector<bool>* held) {
  bool all = true;
  if (held) held->assign(rows.size(), false);
  for (size_t i = 0; i < rows.size(); ++i) {
    // A key row's file holds the key; a value row's file that value.
    std::vector<bool> one;
    if (point.Write({EntryOf(rows[i])}, one)) {
      if (held) (*held)[i] = one[0];
      continue;
    }
    all = false;
    if (failed) failed(Format("%s\\RB%d.reg", point.Folder().c_str(), point.Files()));
  }
  return all;
}

bool IsProtectedKeyPath(const std::string& keyPath) {
  const std::string lower = suite::ToLower(keyPath);
  return lower.find("system\\currentcontrolset") != std::string::npos ||
         lower.find("microsoft\\windows nt") != std::string::npos;
}


bool MayDeleteKeyRow(const ScanRow& row) {
  if (row.name.empty() || row.name.find_first_not_of('\\') == std::string::npos) return false;
  if (suite::LastBackslash(row.name) != std::string::npos) return false;
  if (row.wide && row.nameW.find(L'\\') != std::wstring::npos) return false;
  // Directly under the classes of either registry view.
  if (row.rootName == "HKEY_CLASSES_ROOT" && (row.path.empty() || suite::IsWow64NodeName(row.path))) {
    if (row.rule == RowRule::Extension) return row.name[0] == '.' && row.name.size() > 1;
    return !IsStructuralClassKey(row.name);
  }
  return true;
}

RepairResult RepairRows(const std::vector<ScanRow>& rows,
                        const std::function<void(const std::string&)>& status,
                        const RepairOptions& options) {
  RepairResult result;
  // An entry that two rows name (a class found by two walks) is logged once.
  auto logOnce = [&result, &status](const std::string& entry) {
    if (std::find(result.deleted.begin(), result.deleted.end(), entry) != result.deleted.end())
      return;
    result.deleted.push_back(entry);
    if (status) status("正在清理:" + entry);
  };
  std::vector<ScanRow> ticked = rows;
  ApplyDependencies(ticked);
  Rechecker recheck = options.nonFixedRoots.empty() ? Rechecker(rows)
                                                    : Rechecker(rows, options.nonFixedRoots);
  std::unique_ptr<suite::RestorePoint> ownPoint;
  if (!options.point) ownPoint = std::make_unique<suite::RestorePoint>();
  suite::RestorePoint& point = options.point ? *options.point : *ownPoint;
  for (size_t i = 0; i < rows.size(); ++i) {
    const ScanRow& row = rows[i];
    if (!ticked[i].checked) continue;
    HKEY root = suite::RootKeyFromName(row.rootName);
    if (!root || IsProtectedKeyPath(row.path)) continue;
    if (row.kind == kKeyValueWord) {
      if (row.name.empty() && !row.defaultValue) continue;
    } else if (row.kind == kRootKeyWord) {
      if (!MayDeleteKeyRow(row)) continue;
    } else {
      continue;
    }
    const suite::RegEntry entry = EntryOf(row);
    // Asked again first (the answer for a row is kept, so a class deleted by
    // its own row still counts as invalid for its dependants after it).
    const bool stillInvalid = recheck.StillInvalid(i);
    if (suite::RegEntryGone(entry)) {
      // Taken already by an earlier row of this repair (or gone by itself).
      result.removedRows.push_back(static_cast<int>(i));
      continue;
    }
    if (!stillInvalid) {
      result.nowValid.push_back(static_cast<int>(i));
      continue;
    }
    const suite::RemovalReport removal = suite::RemoveWithBackup({entry}, point);
    if (!removal.held[0]) {
      result.notBackedUp.push_back(static_cast<int>(i));
      continue;
    }
    if (!removal.gone[0]) {
      result.notRemoved.push_back(static_cast<int>(i));
      continue;
    }
    // The log names the row as the list shows it (the default value by its label).
    logOnce(row.kind == kKeyValueWord
                ? Format("%s\\%s\\%s", row.rootName.c_str(), row.path.c_str(), row.name.c_str())
                : suite::EntryText(entry));
    result.removedRows.push_back(static_cast<int>(i));
  }
  return result;
}

}  // namespace hivemend
