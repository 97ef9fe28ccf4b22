// Test helpers of the trace scanners: values and keys seeded into the real keys
// of the sandbox prefix (and removed exactly again), a settings file with the
// description texts, and running one scanner into a vector.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "founditem.h"
#include "inifile.h"
#include "registry.h"
#include "sysinfo.h"
#include "testsupport.h"
#include "tracetable.h"

namespace tracetest {

namespace t = suite::test;

// What a test adds to the registry. Keys it had to create are removed with
// their subtree; values it added to keys that were there are removed one by one.
class Seed {
 public:
  Seed() = default;
  Seed(const Seed&) = delete;
  Seed& operator=(const Seed&) = delete;
  ~Seed() {
    for (auto it = values_.rbegin(); it != values_.rend(); ++it) {
      HKEY key;
      if (RegOpenKeyExA(it->root, it->key.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, it->name.c_str());
        RegCloseKey(key);
      }
    }
    for (auto it = created_.rbegin(); it != created_.rend(); ++it)
      suite::DeleteKeyTree(it->root, it->key);
  }
  void Key(HKEY root, const std::string& path) {
    size_t pos = 0;
    for (;;) {
      pos = path.find('\\', pos + 1);
      const std::string prefix = path.substr(0, pos);
      if (!t::KeyExists(root, prefix)) {
        created_.push_back({root, prefix, std::string()});
        HKEY key;
        RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegCloseKey(key);
        return;
      }
      if (pos == std::string::npos) return;
    }
  }
  void Value(HKEY root, const std::string& path, const std::string& name, const std::string& data) {
    Key(root, path);
    if (!t::ValueExists(root, path, name)) values_.push_back({root, path, name});
    t::SetString(root, path, name, data);
  }

 private:
  struct Item {
    HKEY root;
    std::string key;
    std::string name;
  };
  std::vector<Item> values_;
  std::vector<Item> created_;
};

// A settings file beside the test with a description per text key: the text
// of "strRegRbN" is "RbN".
class TestTexts {
 public:
  static constexpr const char* kName = "tracetest.ini";
  TestTexts() {
    std::string text = "[Resource]\r\n";
    for (int i = 1; i <= 26; ++i) text += "strRegRb" + std::to_string(i) + "=Rb" + std::to_string(i) + "\r\n";
    text += "strPGid=LocalPrograms\r\nstrCookIEmess=CookMess\r\n";
    t::WriteBytes(suite::ProgramFolderPath(kName), text);
  }
  ~TestTexts() { DeleteFileA(suite::ProgramFolderPath(kName).c_str()); }
};

inline std::vector<dustrel::FoundItem> Scan(dustrel::TraceScanner scanner) {
  dustrel::VectorSink sink;
  std::atomic<bool> stop{false};
  dustrel::TraceContext context{sink, stop, TestTexts::kName};
  scanner(context);
  return sink.rows;
}

// The rows of one key path, in order.
inline std::vector<dustrel::FoundItem> RowsOf(const std::vector<dustrel::FoundItem>& rows,
                                              const std::string& keyPath) {
  std::vector<dustrel::FoundItem> out;
  for (const auto& r : rows)
    if (r.folder == keyPath) out.push_back(r);
  return out;
}

inline const dustrel::FoundItem* Find(const std::vector<dustrel::FoundItem>& rows,
                                      const std::string& keyPath, const std::string& name) {
  for (const auto& r : rows)
    if (r.folder == keyPath && r.name == name) return &r;
  return nullptr;
}

inline std::vector<std::string> Names(const std::vector<dustrel::FoundItem>& rows) {
  std::vector<std::string> out;
  for (const auto& r : rows) out.push_back(r.name);
  return out;
}

}  // namespace tracetest
