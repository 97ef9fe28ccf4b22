#include "selection.h"

#include <windows.h>

#include "dryrun.h"

namespace dustrel {

namespace {
const char kSuiteKey[] = "Software\\Quillon";
}

bool SaveSelection(const std::vector<bool>& ticks) {
  if (!suite::MayChange("save selection", "HKEY_LOCAL_MACHINE\\Software\\Quillon")) return true;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSuiteKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  std::vector<BYTE> bytes;
  for (bool t : ticks) bytes.push_back(t ? 1 : 0);
  bool ok = RegSetValueExA(key, "CleanSaveStatus", 0, REG_BINARY, bytes.data(),
                           static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
  if (ok) {
    const DWORD count = static_cast<DWORD>(bytes.size());
    ok = RegSetValueExA(key, "CleanItemCount", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                        sizeof count) == ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return ok;
}

bool ReadSavedSelection(std::vector<bool>& saved) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSuiteKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  DWORD count = 0, size = sizeof count, type = 0;
  bool ok = RegQueryValueExA(key, "CleanItemCount", nullptr, &type,
                             reinterpret_cast<BYTE*>(&count), &size) == ERROR_SUCCESS &&
            type == REG_DWORD;
  std::vector<BYTE> bytes;
  if (ok) {
    DWORD length = 0;
    ok = RegQueryValueExA(key, "CleanSaveStatus", nullptr, &type, nullptr, &length) == ERROR_SUCCESS;
    if (ok && length > 0) {
      bytes.resize(length);
      ok = RegQueryValueExA(key, "CleanSaveStatus", nullptr, &type, bytes.data(), &length) ==
           ERROR_SUCCESS;
      bytes.resize(length);
    }
  }
  RegCloseKey(key);
  if (!ok) return false;
  // A count larger than the bytes stored reads only the bytes there are.
  if (bytes.size() > count) bytes.resize(count);
  saved.clear();
  for (BYTE b : bytes) saved.push_back(b == 1);
  return true;
}

}  // namespace dustrel
