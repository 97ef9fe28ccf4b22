// Registry entries planted for one test and taken away again afterwards.
#pragma once
#include <windows.h>

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

}  // namespace hivemend::test
