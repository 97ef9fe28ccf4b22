#include "regbackup.h"

#include <algorithm>

#include "handles.h"
#include "probes.h"
#include "registry.h"

namespace hivemend {

using suite::Format;

std::string BackupKeyPath(const ScanRow& row) {
  if (row.kind == kRootKeyWord && !row.name.empty())
    return row.path.empty() ? row.name : row.path + "\\" + row.name;
  return row.path;
}

bool BackupRows(const std::vector<ScanRow>& rows, const std::string& folder, bool regedit4,
                const std::function<void(const std::string&)>& failed) {
  bool all = true;
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string file = Format("%s\\RB%d.reg", folder.c_str(), static_cast<int>(i));
    if (!ExportKey(rows[i].rootName, BackupKeyPath(rows[i]), file, regedit4)) {
      all = false;
      if (failed) failed(file);
    }
  }
  return all;
}

bool IsProtectedKeyPath(const std::string& keyPath) {
  const std::string lower = suite::ToLower(keyPath);
  return lower.find("system\\currentcontrolset") != std::string::npos ||
         lower.find("microsoft\\windows nt") != std::string::npos;
}


RepairResult RepairRows(const std::vector<ScanRow>& rows,
                        const std::function<void(const std::string&)>& status) {
  RepairResult result;
  // An entry that two rows name (a class found by two walks) is logged once.
  auto logOnce = [&result, &status](const std::string& entry) {
    if (std::find(result.deleted.begin(), result.deleted.end(), entry) != result.deleted.end())
      return;
    result.deleted.push_back(entry);
    if (status) status("正在清理:" + entry);
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const ScanRow& row = rows[i];
    if (!row.checked) continue;
    HKEY root = suite::RootKeyFromName(row.rootName);
    if (!root || IsProtectedKeyPath(row.path)) continue;
    if (row.kind == kKeyValueWord) {
      if (row.name.empty() && !row.defaultValue) continue;
      const std::string valueName = row.defaultValue ? std::string() : row.name;
      if (!suite::DeleteRegEntry(suite::ValueEntry(row.rootName, row.path, valueName))) continue;
      logOnce(Format("%s\\%s\\%s", row.rootName.c_str(), row.path.c_str(), row.name.c_str()));
    } else if (row.kind == kRootKeyWord) {
      if (row.name.empty() || row.name.find_first_not_of('\\') == std::string::npos) continue;
      const std::string path = BackupKeyPath(row);
      if (!suite::DeleteRegEntry(suite::KeyEntry(row.rootName, path))) continue;
      logOnce(Format("%s\\%s", row.rootName.c_str(), path.c_str()));
    } else {
      continue;
    }
    result.removedRows.push_back(static_cast<int>(i));
  }
  return result;
}

}  // namespace hivemend
