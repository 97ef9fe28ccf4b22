#include "founditem.h"

#include "text.h"

namespace dustrel {

const char* const kMarkerCache = "Cache";
const char* const kMarkerRootKey = "RootKey";
const char* const kMarkerKeyValue = "KeyValue";
const char* const kMarkerCookie = "Cookie";
const char* const kMarkerHistory = "History";
const char* const kMarkerStore = "Store";

RowKind KindOf(const FoundItem& row) {
  if (row.marker == kMarkerStore) return RowKind::Store;
  if (row.marker.find("Key") != std::string::npos) return RowKind::Registry;
  if (row.marker.find("Cookie") != std::string::npos ||
      row.marker.find("History") != std::string::npos)
    return RowKind::Browser;
  return RowKind::File;
}

std::string FilePathOf(const FoundItem& row) { return suite::JoinPath(row.folder, row.name); }

std::string EntryTextOf(const FoundItem& row) {
  return row.size + "\\" + row.folder + "|" + row.name;
}

std::string StoreTextOf(const FoundItem& row) { return row.folder + "\\" + row.name; }

}  // namespace dustrel
