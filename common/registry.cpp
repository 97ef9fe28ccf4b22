#include "registry.h"

namespace suite {

namespace {

struct RootName {
  HKEY key;
  const char* name;
};
const RootName kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
};

}  // namespace

HKEY RootKeyFromName(const std::string& name) {
  for (const RootName& r : kRoots)
    if (name == r.name) return r.key;
  return nullptr;
}

std::string RootKeyName(HKEY root) {
  for (const RootName& r : kRoots)
    if (root == r.key) return r.name;
  return std::string();
}

UniqueKey OpenKey(HKEY root, const std::string& path, REGSAM access) {
  UniqueKey key;
  if (!root || RegOpenKeyExA(root, path.c_str(), 0, access, key.put()) != ERROR_SUCCESS)
    key.reset();
  return key;
}

std::vector<std::string> SubkeyNames(HKEY openKey) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0; i < kMaxRegistryNames; ++i) {
    DWORD len = sizeof name;
    if (RegEnumKeyExA(openKey, i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS ||
        len == 0)
      break;
    names.emplace_back(name, len);
  }
  return names;
}

std::vector<std::string> SubkeyNames(HKEY root, const std::string& path, REGSAM access) {
  UniqueKey key = OpenKey(root, path, access);
  return key ? SubkeyNames(key.get()) : std::vector<std::string>();
}

std::vector<std::string> ValueNames(HKEY openKey) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0; i < kMaxRegistryNames; ++i) {
    DWORD len = sizeof name;
    if (RegEnumValueA(openKey, i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS ||
        len == 0)
      break;
    names.emplace_back(name, len);
  }
  return names;
}

std::vector<std::string> ValueNames(HKEY root, const std::string& path, REGSAM access) {
  UniqueKey key = OpenKey(root, path, access);
  return key ? ValueNames(key.get()) : std::vector<std::string>();
}

bool ReadString(HKEY openKey, const std::string& valueName, std::string& out, size_t limit) {
  out.clear();
  if (limit < 2) return false;
  std::string buf(limit, '\0');
  DWORD size = static_cast<DWORD>(limit - 1), type = 0;  // keep room for a NUL
  if (RegQueryValueExA(openKey, valueName.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(&buf[0]), &size) != ERROR_SUCCESS)
    return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return false;
  buf.resize(size);
  size_t nul = buf.find('\0');
  out = nul == std::string::npos ? buf : buf.substr(0, nul);
  return true;
}

std::string ReadString(HKEY root, const std::string& path, const std::string& valueName,
                       REGSAM access, size_t limit) {
  UniqueKey key = OpenKey(root, path, access);
  std::string out;
  if (key) ReadString(key.get(), valueName, out, limit);
  return out;
}

namespace {

void CollectSubkeys(HKEY root, const std::string& path, std::vector<std::string>& out) {
  size_t first = out.size();
  for (const std::string& name : SubkeyNames(root, path, KEY_ALL_ACCESS))
    out.push_back(path + "\\" + name);
  size_t last = out.size();
  for (size_t i = first; i < last; ++i) {
    const std::string child = out[i];  // out grows below; keep a copy, not a reference
    CollectSubkeys(root, child, out);
  }
}

void DeleteOneKey(HKEY root, const std::string& path) {
  size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos) {
    RegDeleteKeyA(root, path.c_str());
    return;
  }
  UniqueKey parent = OpenKey(root, path.substr(0, cut), KEY_ALL_ACCESS);
  if (parent) RegDeleteKeyA(parent.get(), path.substr(cut + 1).c_str());
}

}  // namespace

void DeleteKeyTree(HKEY root, const std::string& path) {
  if (!root || path.empty() || path.find_first_not_of('\\') == std::string::npos) return;
  std::vector<std::string> keys;
  CollectSubkeys(root, path, keys);
  for (size_t i = keys.size(); i-- > 0;) DeleteOneKey(root, keys[i]);
  DeleteOneKey(root, path);
}

}  // namespace suite
