#include "filetypes.h"

#include "entryrules.h"
#include "pathcheck.h"
#include "registry.h"
#include "text.h"

namespace dustrel {

const char kTypeNormal[] = "正常";
const char kTypeFaulty[] = "错误类型";

namespace {

const char* const kProtectedClasses[] = {
    "Drive",  "Folder",  "File",    "file",    "Directory",    "exefile", "dllfile",
    "vxdfile", "sysfile", "drvfile", "ocxfile", "ODBC.FileDSN", "news",    "http",
    "https",  "gopher",  "ftp",     "icofile"};

}  // namespace

bool IsProtectedClass(const std::string& name) {
  return InNameList(name, kProtectedClasses, sizeof kProtectedClasses / sizeof *kProtectedClasses);
}

AdvList ListFileTypes(const std::atomic<bool>* stop) {
  AdvList list;
  std::vector<std::string> classes;
  {
    suite::UniqueKey root = suite::OpenKey(HKEY_CLASSES_ROOT, "", KEY_READ);
    if (!root) {
      list.opened = false;
      return list;
    }
    classes = suite::SubkeyNames(root.get());
  }
  suite::PathChecker checker(suite::kCleanerPathCheck);
  for (const std::string& name : classes) {
    if (stop && *stop) break;
    // Every letter case of a protected class stays off the list.
    if (IsProtectedClass(name)) continue;
    suite::UniqueKey iconKey =
        suite::OpenKey(HKEY_CLASSES_ROOT, name + "\\" + suite::kDefaultIconKey, KEY_READ);
    if (!iconKey) continue;
    std::string iconValue;
    suite::ReadString(iconKey.get(), "", iconValue);
    iconKey.reset();
    AdvRow row;
    row.name = name;
    std::string description = suite::ReadString(HKEY_CLASSES_ROOT, name, "", KEY_READ);
    SplitIconValue(iconValue, row.iconFile, row.iconIndex);
    const bool faulty = suite::DefaultIconStale(iconValue, checker);
    row.columns = {name, description, faulty ? kTypeFaulty : kTypeNormal, row.iconFile};
    row.checked = faulty;
    row.entries.push_back(suite::KeyEntry("HKEY_CLASSES_ROOT", name));
    list.rows.push_back(std::move(row));
  }
  return list;
}

std::vector<std::string> ExtensionsOf(const std::string& className) {
  std::vector<std::string> found;
  if (className.empty()) return found;
  std::vector<std::string> names;
  {
    suite::UniqueKey root = suite::OpenKey(HKEY_CLASSES_ROOT, "", KEY_READ);
    if (!root) return found;
    names = suite::SubkeyNames(root.get());
  }
  for (const std::string& name : names) {
    if (name.empty() || name[0] != '.') continue;
    const std::string value = suite::ReadString(HKEY_CLASSES_ROOT, name, "", KEY_READ);
    if (suite::EqualsNoCase(value, className)) found.push_back(name);
  }
  return found;
}

}  // namespace dustrel
