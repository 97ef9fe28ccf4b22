#include "registry.h"

#include "probes.h"

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

// Deletes every key below the open key, children before their parents. Names
// are taken in UTF-16 so that no key name is lost to the ANSI code page.
void DeleteSubkeys(HKEY key, int depth) {
  if (depth > 512) return;  // the registry's own nesting limit
  std::vector<std::wstring> names;
  wchar_t name[256];
  for (DWORD i = 0; i < kMaxRegistryNames; ++i) {
    DWORD len = 256;
    if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        len == 0)
      break;
    names.emplace_back(name, len);
  }
  for (const std::wstring& child : names) {
    UniqueKey sub;
    if (RegOpenKeyExW(key, child.c_str(), 0, KEY_ALL_ACCESS, sub.put()) == ERROR_SUCCESS) {
      DeleteSubkeys(sub.get(), depth + 1);
      sub.reset();
    }
    RegDeleteKeyW(key, child.c_str());
  }
}

std::wstring Wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.c_str(), static_cast<int>(s.size()), &out[0], n);
  return out;
}

}  // namespace

void DeleteKeyTree(HKEY root, const std::string& path) {
  if (!root || path.empty() || path.find_first_not_of('\\') == std::string::npos) return;
  {
    UniqueKey key = OpenKey(root, path, KEY_ALL_ACCESS);
    if (!key) return;
    DeleteSubkeys(key.get(), 0);
  }
  const size_t cut = LastBackslash(path);
  if (cut == std::string::npos) {
    RegDeleteKeyW(root, Wide(path).c_str());
    return;
  }
  UniqueKey parent = OpenKey(root, path.substr(0, cut), KEY_ALL_ACCESS);
  if (parent) RegDeleteKeyW(parent.get(), Wide(path.substr(cut + 1)).c_str());
}

}  // namespace suite
