// The file types of HKEY_CLASSES_ROOT that have an icon: each class with its
// description, its icon file and whether that file still exists. Deleting a
// type removes its class key and, when the user agrees, the extensions whose
// default value names it. Protected classes are never listed nor removed.
#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "advlist.h"
#include "entryrules.h"

namespace dustrel {

extern const char kTypeNormal[];  // "正常"
extern const char kTypeFaulty[];  // "错误类型"

// Whether `name` is a class the page never lists (any letter case).
bool IsProtectedClass(const std::string& name);

// The icon file and index of a "DefaultIcon" value (the shared rule's split).
using suite::SplitIconValue;

// Rows: column 0 class name, 1 description, 2 status, 3 icon file; ticked
// when faulty; the entry is the class key.
AdvList ListFileTypes(const std::atomic<bool>* stop = nullptr);

// The extensions (subkeys of HKEY_CLASSES_ROOT beginning with ".") whose
// default value equals the class name ignoring letter case, in order.
std::vector<std::string> ExtensionsOf(const std::string& className);

}  // namespace dustrel
