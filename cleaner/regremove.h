// The registry-entry remover: takes the entry texts of the ticked registry
// rows ("ROOT\key path|name") with their type markers and removes each entry,
// after writing every one of them to the suite's .reg backup store.
#pragma once
#include <string>
#include <vector>

#include "regstore.h"

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

struct RemoveResult {
  bool backedUp = false;     // the backup folder was written; otherwise nothing was removed
  std::string backupFolder;  // where the backup went
  std::vector<bool> gone;    // per entry text, in order: the entry no longer exists
};

// Backs every parseable entry up to a new folder of the store (one RB<i>.reg
// per entry), then removes them in list order. When the backup cannot be
// written nothing is removed. Entries that cannot be parsed, or that have no
// marker in the parallel list, are skipped (and not gone).
RemoveResult RemoveRegistryEntries(const std::vector<std::string>& entryTexts,
                                   const std::vector<std::string>& markers);
// The same with an explicit store folder (tests).
RemoveResult RemoveRegistryEntries(const std::vector<std::string>& entryTexts,
                                   const std::vector<std::string>& markers,
                                   const std::string& store);

}  // namespace dustrel
