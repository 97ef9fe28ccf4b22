#include "selection.h"

#include <windows.h>

#include "dryrun.h"
#include "handles.h"
#include "regremoval.h"
#include "scantargets.h"

namespace dustrel {

namespace {

const char kSuiteKey[] = "Software\\Quillon";

std::string MultiString(const std::vector<std::string>& names) {
  std::string block;
  for (const std::string& name : names) {
    block += name;
    block.push_back('\0');
  }
  block.push_back('\0');
  return block;
}

std::vector<std::string> SplitMultiString(const std::vector<char>& block) {
  std::vector<std::string> names;
  std::string current;
  for (char c : block) {
    if (c != '\0') {
      current.push_back(c);
      continue;
    }
    if (current.empty()) break;  // the empty string ends the list
    names.push_back(current);
    current.clear();
  }
  if (!current.empty()) names.push_back(current);
  return names;
}

}  // namespace

bool SaveSelection(const ScanTargets& targets) {
  if (!suite::MayChange("save selection", "HKEY_LOCAL_MACHINE\\Software\\Quillon")) return true;
  suite::UniqueKey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSuiteKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS)
    return false;
  std::vector<BYTE> bytes;
  std::vector<std::string> names;
  for (const ScanTarget& row : targets.rows) {
    bytes.push_back(row.checked ? 1 : 0);
    names.push_back(SelectionName(row));
  }
  // The row names go first: a selection whose names could not be written is
  // one without names, applied only to a list of the same length.
  const std::string block = MultiString(names);
  if (RegSetValueExA(key.get(), "CleanSaveRows", 0, REG_MULTI_SZ,
                     reinterpret_cast<const BYTE*>(block.data()),
                     static_cast<DWORD>(block.size())) != ERROR_SUCCESS)
    suite::RemoveSettingValue("HKEY_LOCAL_MACHINE", kSuiteKey, "CleanSaveRows");
  bool ok = RegSetValueExA(key.get(), "CleanSaveStatus", 0, REG_BINARY, bytes.data(),
                           static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
  if (ok) {
    const DWORD count = static_cast<DWORD>(bytes.size());
    ok = RegSetValueExA(key.get(), "CleanItemCount", 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&count), sizeof count) == ERROR_SUCCESS;
  }
  return ok;
}

bool ReadSavedSelection(SavedSelection& saved) {
  suite::UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSuiteKey, 0, KEY_QUERY_VALUE, key.put()) !=
      ERROR_SUCCESS)
    return false;
  DWORD count = 0, size = sizeof count, type = 0;
  bool ok = RegQueryValueExA(key.get(), "CleanItemCount", nullptr, &type,
                             reinterpret_cast<BYTE*>(&count), &size) == ERROR_SUCCESS &&
            type == REG_DWORD;
  std::vector<BYTE> bytes;
  if (ok) {
    DWORD length = 0;
    ok = RegQueryValueExA(key.get(), "CleanSaveStatus", nullptr, &type, nullptr, &length) ==
         ERROR_SUCCESS;
    if (ok && length > 0) {
      bytes.resize(length);
      ok = RegQueryValueExA(key.get(), "CleanSaveStatus", nullptr, &type, bytes.data(),
                            &length) == ERROR_SUCCESS;
      bytes.resize(length);
    }
  }
  std::vector<std::string> names;
  if (ok) {
    DWORD length = 0;
    if (RegQueryValueExA(key.get(), "CleanSaveRows", nullptr, &type, nullptr, &length) ==
            ERROR_SUCCESS &&
        type == REG_MULTI_SZ && length > 0 && length < (1u << 20)) {
      std::vector<char> block(length);
      if (RegQueryValueExA(key.get(), "CleanSaveRows", nullptr, &type,
                           reinterpret_cast<BYTE*>(block.data()), &length) == ERROR_SUCCESS) {
        block.resize(length);
        names = SplitMultiString(block);
      }
    }
  }
  key.reset();
  if (!ok) return false;
  // A count larger than the bytes stored reads only the bytes there are.
  if (bytes.size() > count) bytes.resize(count);
  saved.ticks.clear();
  for (BYTE b : bytes) saved.ticks.push_back(b == 1);
  saved.count = count;
  // Names that do not match the bytes one for one (another copy of the suite
  // saved the bytes since) tell nothing about the rows.
  if (names.size() != count || names.size() != saved.ticks.size()) names.clear();
  saved.rows = std::move(names);
  return true;
}

}  // namespace dustrel
