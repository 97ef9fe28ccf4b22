#include "options.h"

#include <windows.h>

#include <string>

#include "dryrun.h"
#include "handles.h"
#include "regremoval.h"

namespace dustrel {

namespace {

const char kExplorerKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
const char kPolicyKey[] = ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const char kSuiteKey[] = "Software\\Quillon";

DWORD ReadDword(HKEY root, const char* path, const char* name) {
  suite::UniqueKey key;
  if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return 0;
  DWORD value = 0, size = sizeof value, type = 0;
  const LONG rc =
      RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? value : 0;
}

bool WriteDword(HKEY root, const char* path, const char* name, DWORD value) {
  if (!suite::MayChange("set value", std::string(path) + "\\" + name)) return true;
  suite::UniqueKey key;
  if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
      ERROR_SUCCESS)
    return false;
  return RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}

// A system switch the options window sets: 1 when on, the value gone when
// off. The switch is a setting, not a cleaned entry: no backup.
bool SetOrRemove(HKEY root, const char* rootName, const char* path, const char* name, bool on) {
  if (on) return WriteDword(root, path, name, 1);
  return suite::RemoveSettingValue(rootName, path, name);
}

}  // namespace

Options ReadOptions() {
  Options o;
  o.deleteNoBackup = ReadDword(HKEY_LOCAL_MACHINE, kExplorerKey, "DeleteNoBackup") != 0;
  o.clearRecentDocsOnExit = ReadDword(HKEY_USERS, kPolicyKey, "ClearRecentDocsOnExit") != 0;
  o.autoExitWindows = ReadDword(HKEY_LOCAL_MACHINE, kSuiteKey, "AutoExitWindows") != 0;
  return o;
}

bool WriteOptions(const Options& o) {
  bool ok = SetOrRemove(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", kExplorerKey, "DeleteNoBackup", o.deleteNoBackup);
  ok = SetOrRemove(HKEY_USERS, "HKEY_USERS", kPolicyKey, "ClearRecentDocsOnExit", o.clearRecentDocsOnExit) && ok;
  ok = WriteDword(HKEY_LOCAL_MACHINE, kSuiteKey, "AutoExitWindows", o.autoExitWindows ? 1 : 0) && ok;
  return ok;
}

}  // namespace dustrel
