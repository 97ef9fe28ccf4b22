// Registry entries planted for one test and taken away again afterwards.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "registry.h"
#include "scanengine.h"
#include "testsupport.h"

namespace hivemend::test {

// Deletes the named key trees when it goes away (and once before, so a run
// that was cut short leaves nothing behind for the next).
class Planted {
 public:
  Planted() = default;
  ~Planted() {
    for (size_t i = keys_.size(); i-- > 0;) suite::DeleteKeyTree(keys_[i].first, keys_[i].second);
    for (const auto& v : values_) {
      suite::UniqueKey k = suite::OpenKey(v.root, v.key, KEY_SET_VALUE);
      if (k) RegDeleteValueA(k.get(), v.name.c_str());
    }
  }
  Planted(const Planted&) = delete;
  Planted& operator=(const Planted&) = delete;

  // A key tree of the test's own.
  void Key(HKEY root, const std::string& path) {
    suite::DeleteKeyTree(root, path);
    keys_.emplace_back(root, path);
  }
  void String(HKEY root, const std::string& key, const std::string& name, const std::string& v) {
    suite::test::SetString(root, key, name, v);
  }
  // A value planted in a key that is not the test's own.
  void ForeignValue(HKEY root, const std::string& key, const std::string& name,
                    const std::string& v) {
    suite::test::SetString(root, key, name, v);
    values_.push_back({root, key, name});
  }

 private:
  struct Value {
    HKEY root;
    std::string key, name;
  };
  std::vector<std::pair<HKEY, std::string>> keys_;
  std::vector<Value> values_;
};

inline const ScanRow* FindRow(const std::vector<ScanRow>& rows, const std::string& name,
                              const std::string& path) {
  for (const ScanRow& r : rows)
    if (r.name == name && r.path == path) return &r;
  return nullptr;
}

struct Value {
  DWORD type;
  std::string data;
  bool operator==(const Value& o) const { return type == o.type && data == o.data; }
};
using Snapshot = std::map<std::string, std::map<std::string, Value>>;  // key path -> values

// Every key and value below root\path as the ANSI calls see them.
inline void Take(HKEY root, const std::string& path, Snapshot& out) {
  suite::UniqueKey key = suite::OpenKey(root, path, KEY_READ);
  if (!key) return;
  auto& values = out[path];
  for (DWORD i = 0;; ++i) {
    char name[1024];
    DWORD nameLen = sizeof name, type = 0, size = 0;
    if (RegEnumValueA(key.get(), i, name, &nameLen, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      break;
    std::string data(size, '\0');
    nameLen = sizeof name;
    RegEnumValueA(key.get(), i, name, &nameLen, nullptr, &type,
                  reinterpret_cast<BYTE*>(&data[0]), &size);
    data.resize(size);
    values[std::string(name, nameLen)] = {type, data};
  }
  for (const std::string& sub : suite::SubkeyNames(key.get())) Take(root, path + "\\" + sub, out);
}

inline Snapshot Take(HKEY root, const std::string& path) {
  Snapshot s;
  Take(root, path, s);
  return s;
}

}  // namespace hivemend::test
