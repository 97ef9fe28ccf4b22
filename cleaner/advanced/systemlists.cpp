#include "systemlists.h"

#include "registry.h"
#include "text.h"

namespace dustrel {

const char kCodePageKey[] = "MIME\\Database\\Codepage";
const char kTimeZoneKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Time Zones";
const char kLanguageKey[] = "MIME\\Database\\Rfc1766";

namespace {

// Subkeys of root\key, each described by its value `valueName`.
AdvList ListSubkeys(HKEY root, const char* rootName, const char* key, const char* valueName,
                    const std::atomic<bool>* stop) {
  AdvList list;
  std::vector<std::string> names;
  {
    suite::UniqueKey open = suite::OpenKey(root, key, KEY_READ);
    if (!open) {
      list.opened = false;
      return list;
    }
    names = suite::SubkeyNames(open.get());
  }
  for (const std::string& name : names) {
    if (stop && *stop) break;
    const std::string path = std::string(key) + "\\" + name;
    AdvRow row;
    row.name = name;
    row.columns = {name, suite::ReadString(root, path, valueName, KEY_READ)};
    row.entries.push_back(suite::KeyEntry(rootName, path));
    list.rows.push_back(std::move(row));
  }
  return list;
}

}  // namespace

AdvList ListCodePages(const std::atomic<bool>* stop) {
  return ListSubkeys(HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", kCodePageKey, "Description", stop);
}

AdvList ListTimeZones(const std::atomic<bool>* stop) {
  return ListSubkeys(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", kTimeZoneKey, "Display", stop);
}

AdvList ListKeyboardLayouts(const std::atomic<bool>* stop) {
  AdvList list;
  suite::UniqueKey open = suite::OpenKey(HKEY_CLASSES_ROOT, kLanguageKey, KEY_READ);
  if (!open) {
    list.opened = false;
    return list;
  }
  for (const std::string& name : suite::ValueNames(open.get())) {
    if (stop && *stop) break;
    std::string data;
    suite::ReadString(open.get(), name, data);
    AdvRow row;
    row.name = name;
    row.columns = {name, data};
    row.entries.push_back(suite::ValueEntry("HKEY_CLASSES_ROOT", kLanguageKey, name));
    list.rows.push_back(std::move(row));
  }
  return list;
}

std::string RestoreToolPath(const std::string& systemFolder, const std::string& osSuffix) {
  const bool vista = osSuffix.find("Vista") != std::string::npos;
  return suite::JoinPath(systemFolder, vista ? "rstrui.exe" : "Restore\\rstrui.exe");
}

}  // namespace dustrel
