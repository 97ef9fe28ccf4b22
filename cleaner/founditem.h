// A row of the main cleaner's result list. The junk scan, the trace scanners
// and the plug-in definitions all produce these rows; the cleaning run takes
// the ticked ones apart by the type marker of column 5.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dustrel {

// Type markers of column 5.
extern const char* const kMarkerCache;     // "Cache": a file found in the IE cache folder
extern const char* const kMarkerRootKey;   // "RootKey": subkey `name` of key `folder`, with its subtree
extern const char* const kMarkerKeyValue;  // "KeyValue": value `name` of key `folder`
extern const char* const kMarkerCookie;    // "Cookie": a browser-store row, never removed one by one
extern const char* const kMarkerHistory;   // "History": a browser-store row, never removed one by one
extern const char* const kMarkerStore;     // "Store": a whole browser store, emptied when ticked

struct FoundItem {
  std::string name;      // column 0: file or folder name, value or subkey name, or a URL
  std::string column1;   // column 1: empty for scan rows
  std::string folder;    // column 2: containing folder as walked, or the key path
  std::string size;      // column 3: size text ("%ld Byte"), or the root key name of a registry row
  std::string category;  // column 4: category label or description
  std::string marker;    // column 5: the type marker (empty for plain files)
  uint64_t bytes = 0;    // full 64-bit size of a file row (the size text keeps its format)
  int store = 0;         // a store row: the OtherItem<n> row whose store it empties
  bool checked = true;
};

enum class RowKind { File, Registry, Browser, Store };
// By the marker: "Store" is a store row; one that contains "Key" is a
// registry row; one that contains "Cookie" or "History" an entry of a browser
// store (listed only, never removed one by one); anything else a file or
// folder row.
RowKind KindOf(const FoundItem& row);
// Full path of a file row: column 2, a backslash unless it already ends in
// one, and column 0.
std::string FilePathOf(const FoundItem& row);
// Entry text of a registry row: "%s\%s|%s" of root name, key path and name.
std::string EntryTextOf(const FoundItem& row);
// What the cleaning log says for an emptied store: "<browser>\<store>".
std::string StoreTextOf(const FoundItem& row);

// Where scans put their rows, in the order found. Implementations hand rows
// to the window in batches; the engine never touches a window.
class RowSink {
 public:
  virtual ~RowSink() = default;
  virtual void Add(FoundItem row) = 0;
  // The path or key being examined (status line); may be ignored.
  virtual void Status(const std::string& /*text*/) {}
};

// A sink that keeps the rows (unattended runs, tests).
class VectorSink : public RowSink {
 public:
  void Add(FoundItem row) override { rows.push_back(std::move(row)); }
  std::vector<FoundItem> rows;
};

}  // namespace dustrel
