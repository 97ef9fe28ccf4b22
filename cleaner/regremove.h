// Dustrel's registry rows: the entry texts of the ticked registry rows
// ("ROOT\key path|name") with their type markers, removed through the
// suite's one removal path (backed up first, common/regremoval).
#pragma once
#include <string>
#include <vector>

#include "regremoval.h"

namespace dustrel {

// Whether a key path is empty or has an empty part: a leading or trailing
// backslash, or two in a row. The system reads such a path as the key before
// the empty part, so "Software\Foo\\" would reach Software\Foo itself. GBK
// trail bytes that equal '\' are not backslashes.
bool HasEmptyPart(const std::string& path);

// Splits an entry text at its first "\" (root name before it) and its last
// "|" (entry name after it). False for a text without both, or with a root
// name that is not one of "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER",
// "HKEY_CLASSES_ROOT", "HKEY_USERS". A "RootKey" marker makes the entry the
// subkey `name` of the key path; any other marker the value `name`. An entry
// with an empty name, or whose key path (or subkey name) has an empty part
// (a leading, trailing or doubled backslash), is refused: it could only name
// the key path itself, its root, or the key's unnamed default value.
bool ParseEntryText(const std::string& text, const std::string& marker, suite::RegEntry& entry);

// Parses each entry text and removes the entries through the run's restore
// point, in list order. The report's `held` and `gone` are per entry text;
// entries that cannot be parsed, or that have no marker in the parallel
// list, are skipped (and not gone). When the backup cannot be written
// nothing is removed.
suite::RemovalReport RemoveRegistryEntries(const std::vector<std::string>& entryTexts,
                                           const std::vector<std::string>& markers,
                                           suite::RestorePoint& point);

}  // namespace dustrel
