// Registry helpers shared by the main cleaner and the registry error scanner.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "handles.h"

namespace suite {

constexpr size_t kMaxRegistryNames = 30000;

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"
// and back; an unknown name gives nullptr, an unknown key the empty text.
HKEY RootKeyFromName(const std::string& name);
std::string RootKeyName(HKEY root);

// The two registry views of a 64-bit Windows. Every open of the suite names
// the 64-bit view (KEY_WOW64_64KEY, added here in one place; a 32-bit Windows
// and the systems before XP know no such flag and never get it); the 32-bit
// programs' keys are then reached by their own paths below "Wow6432Node", so
// rows, .reg backups and restores all name the real place.
bool HasTwoViews();
REGSAM InNativeView(REGSAM access);
// The view's own key name, which no walk of the 64-bit keys takes as one of them.
extern const char kWow64Node[];  // "Wow6432Node"
bool IsWow64NodeName(const std::string& name);
// The 32-bit view's place of root\path on a 64-bit Windows: the machine's
// "Software" (Software\Wow6432Node\...) and the classes
// (HKEY_CLASSES_ROOT\Wow6432Node\..., Software\Classes\Wow6432Node\... of
// the machine and the user). Empty on a 32-bit Windows, for keys both views share by path (the
// user's "Software", "System") and for a path that names the 32-bit view already.
std::string Wow64Path(HKEY root, const std::string& path);
// Whether a path names a key of the 32-bit view.
bool InWow64View(const std::string& path);
// The places to read for root\path: the path, then its 32-bit place when that
// is a key of its own. A key the system shares between the views (a link, or
// the same key under both names) is one key and listed once; a 32-bit place
// that does not exist is left out.
std::vector<std::string> ViewPaths(HKEY root, const std::string& path);
// Whether two open keys are the same key of the registry (by its full name).
bool SameRegistryKey(HKEY a, HKEY b);

// Read access unless the caller asks for more: a caller that writes or
// deletes through the key names that access itself.
UniqueKey OpenKey(HKEY root, const std::string& path, REGSAM access = KEY_READ);

// Names of the key's direct subkeys in enumeration order, at most 30000; the list
// ends at the first failing index or empty name. A key that cannot be opened
// gives an empty list.
std::vector<std::string> SubkeyNames(HKEY root, const std::string& path,
                                     REGSAM access = KEY_READ);
std::vector<std::string> SubkeyNames(HKEY openKey);
// Names of the key's values in enumeration order, at most 30000; the unnamed
// default value ends the list, as does the first failing index. The data is not
// fetched, so a value with long data does not hide the values after it.
std::vector<std::string> ValueNames(HKEY root, const std::string& path,
                                    REGSAM access = KEY_READ);
std::vector<std::string> ValueNames(HKEY openKey);

// A string value up to its first NUL; `limit` bounds the bytes read (the
// registry scanner reads into fixed 256- or 128-byte buffers). Empty when the
// value is missing or unreadable.
bool ReadString(HKEY openKey, const std::string& valueName, std::string& out,
                size_t limit = 256);
std::string ReadString(HKEY root, const std::string& path, const std::string& valueName,
                       REGSAM access = KEY_READ, size_t limit = 256);

// Text in the ANSI code page and the registry's own UTF-16. `lossless` tells
// whether every character had its own form in the code page.
std::wstring WideFromAnsi(const std::string& text);
std::string AnsiFromWide(const std::wstring& text, bool* lossless = nullptr);
// A registry name as logs and lists show it: the ANSI text, with every
// character the code page lacks written as "<U+XXXX>" (never a bare "?").
std::string DisplayName(const std::wstring& name);

// The registry's own nesting limit; no walk goes deeper.
constexpr int kMaxKeyDepth = 512;

// Opens parent\path without following a registry link at its last step (a
// link is opened as itself). `isLink` tells whether it was one.
UniqueKey OpenKeyNoLink(HKEY parent, const std::wstring& path, REGSAM access,
                        bool* isLink = nullptr);
// Whether an open key (opened with OpenKeyNoLink) is a registry link.
bool IsLinkKey(HKEY key);

// The subkey names of an open key in UTF-16, in enumeration order. False when
// the enumeration ended on an error other than its end (a key deleted
// meanwhile, access): the list is then incomplete.
bool SubkeyNamesW(HKEY key, std::vector<std::wstring>& names);

// Every value of an open key in UTF-16, in enumeration order, handed to
// `visit` with its name, type and data; a value that grew while it was read
// is read again with room. False when the key or a value could not be read:
// the values after it were not visited.
using ValueVisitor =
    std::function<void(const std::wstring& name, DWORD type, const BYTE* data, DWORD size)>;
bool VisitValuesW(HKEY key, const ValueVisitor& visit);

// The one key-tree recursion of the suite, used by the key-tree deletion, the
// .reg writer and the scanner's walks. Depth first, parent before children;
// every key is opened as itself (a registry link is never followed into its
// target), the walk goes no deeper than kMaxKeyDepth, and a key whose
// subkeys cannot be listed to the end is not listed further.
class KeyTreeVisitor {
 public:
  virtual ~KeyTreeVisitor() = default;
  // A key and its path (the start path, then "\name" per level). False: its
  // subtree is not walked and Leave is not called for it.
  virtual bool Enter(HKEY key, const std::wstring& path, int depth) = 0;
  // After the subtree of an entered key below the start key, with its parent open.
  virtual void Leave(HKEY /*parent*/, const std::wstring& /*name*/, const std::wstring& /*path*/) {}
};
// Walks `key` (already open; `path` names it for the visitor) and everything
// below it, opening subkeys with `access`. True when every key was listed to
// the end and nothing lay beyond the depth limit; a stop request also gives false.
bool WalkKeyTree(HKEY key, const std::wstring& path, REGSAM access, KeyTreeVisitor& visitor,
                 const std::atomic<bool>* stop = nullptr);

// A key tree as it stood, in memory: every key (parent before children, its
// path relative to the copied key: "" for the key itself, then "\\name"...)
// with its values' names, types and data.
struct KeyTreeCopy {
  struct Value {
    std::wstring name;
    DWORD type = 0;
    std::vector<BYTE> data;
  };
  struct Key {
    std::wstring path;
    std::vector<Value> values;
  };
  std::vector<Key> keys;
  // Every key was opened with the access asked for and read to the end; no
  // registry link in the tree. False also when the key is not there.
  bool complete = true;
};
KeyTreeCopy CopyKeyTree(HKEY root, const std::wstring& path, REGSAM access = KEY_READ);
// Makes again every key of the copy that is missing now, with the values it
// had (keys still there keep what they hold). True when all were made.
bool PutBackKeyTree(HKEY root, const std::wstring& path, const KeyTreeCopy& copy);

// Deletes the key root\path and every key below it, children first, whole or
// not at all: a tree that holds a registry link, or a key that cannot be read
// or opened for deletion, is left untouched, and when a key still refuses
// during the deletion, what went is put back from the copy taken just
// before. True when the key is gone afterwards. Key names are handled in
// UTF-16 and the ANSI path is split only at real backslashes (not GBK trail
// bytes). An empty path never deletes anything (it would name the root
// itself); a registry link is never deleted and its target never touched.
bool DeleteKeyTree(HKEY root, const std::string& path);
bool DeleteKeyTreeW(HKEY root, const std::wstring& path);

}  // namespace suite
