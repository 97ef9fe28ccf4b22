// The ActiveX control manager behind the two ActiveX pages of the advanced
// tools window: the walk of the registered type libraries, the orphan test,
// the date and advice of an entry, the registry-only removal of a control
// whose file is gone (classes, ProgIDs, interfaces and the whole type-library
// key, each written to the shared .reg backup store first), the unregistering
// through the control's own DllUnregisterServer with its record under
// HKEY_LOCAL_MACHINE "Software\Quillon\ActiveXClean", and that record list
// (register again, remove record). No window: the pages show the texts and
// message boxes these functions name.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "regremoval.h"

namespace dustrel {

// Where the unregistered controls are recorded (under HKEY_LOCAL_MACHINE).
extern const char* const kActiveXRecordKey;

// One registered type-library file.
struct ActiveXEntry {
  // below HKEY_CLASSES_ROOT: "TypeLib\{id}\1.0\0\win32"; a library of the
  // 32-bit view of a 64-bit Windows: "Wow6432Node\TypeLib\{id}\1.0\0\win32"
  std::string keyPath;
  std::string displayName;  // the library's name, a space, its version ("Foo Library 1.0")
  std::string filePath;     // the "win32" key's default value, as stored
  // The stored path has its own form in the ANSI code page; a path that does
  // not is never judged an orphan (the system could not look it up anyway).
  bool pathExact = true;
};

// The trailing-index rule: when the text after the last backslash is at most
// one character long (a resource index such as "\2"), that backslash and what
// follows are cut off.
std::string StripResourceIndex(const std::string& path);
// A control-cache file (".oca"/".OCA" in the path).
bool IsControlCachePath(const std::string& path);
// Whether the file of a path (after the trailing-index rule) is found; a path
// in the system folder is also looked for in the other system folders of a
// 64-bit Windows. Fills `lastWrite` when found.
bool ControlFileFound(const std::string& path, FILETIME* lastWrite = nullptr);
// The orphan test of a path after the trailing-index rule: a control-cache
// file, or a file that is not found whose path is a drive path without quotes
// or has no dot at all.
bool IsOrphanPath(const std::string& path);

// Walks HKEY_CLASSES_ROOT\TypeLib (read access only) and lists every "win32"
// key's file in walk order; then the 32-bit view's Wow6432Node\TypeLib.
// False when `stop` was raised (the list is then incomplete).
bool ListTypeLibraries(std::vector<ActiveXEntry>& out, const std::atomic<bool>* stop = nullptr);
// The orphan test of an entry (what its tick shows).
bool IsOrphanEntry(const ActiveXEntry& entry);

// "%-4d-%02d-%02d|%02d:%02d" of a file time in local time.
std::string FileDateText(const FILETIME& lastWrite);

// What the page shows for a selected entry.
struct ActiveXAdvice {
  bool fileFound = false;
  std::string date;       // FileDateText, or "无法得知!"
  std::string adviceKey;  // "strNotDeleteActiveX", "strYesDeleteActiveX" or "strDebugActiveX"
  bool registryOnly = false;  // the registry-only removal applies; else unregistering
};
ActiveXAdvice AdviseOn(const ActiveXEntry& entry);

// The registry entries a file's control owns.
struct ActiveXMatches {
  std::vector<std::string> classes;     // CLSID key names whose server is the file
  std::vector<std::string> progIds;     // their ProgIDs (safe names only, see below)
  std::vector<std::string> interfaces;  // Interface key names whose proxy/stub is one of the classes
};
// Collects the match lists for a stored file path (compared without regard to
// case). A ProgID is kept only when it is a safe key name (never a structural
// key of HKEY_CLASSES_ROOT, an extension, or a name with a backslash) and its
// own "CLSID" value, when it has one, names one of the matched classes.
// `view` is the classes key of the control's registry view ("" or
// "Wow6432Node"); the ProgIDs are then key paths below HKEY_CLASSES_ROOT (a
// 32-bit class's ProgID may lie in the classes both views share, and is taken
// only when no 64-bit class has that identifier).
ActiveXMatches CollectMatches(const std::string& storedPath, const std::string& view = "");

// The library identifier key below "TypeLib" of an entry's key path (the
// first component after "TypeLib\"); empty when the key path has none.
std::string LibraryIdentifier(const std::string& keyPath);
// The version key below the identifier ("1.0"); empty when there is none.
std::string LibraryVersion(const std::string& keyPath);
// "Wow6432Node" for a key path of the 32-bit view's classes, else "".
std::string ClassesViewOf(const std::string& keyPath);

// The HKEY_CLASSES_ROOT keys the registry-only removal deletes, in order:
// "CLSID\<class>" for each class, each ProgID, "Interface\<iid>" for each
// interface (only when the stored path holds a dot), then
// the entry's version "TypeLib\<library identifier>\<version>" (the whole
// library key when it holds no other version). A library of the 32-bit view's
// own TypeLib takes that view's classes; one of the TypeLib both views share
// takes the classes of either view that name its file.
std::vector<suite::RegEntry> RegistryOnlyEntries(const ActiveXEntry& entry);

// The shared removal's report, per entry, with the entries it was given.
struct RegistryRemoval : suite::RemovalReport {
  bool refused = false;   // no library identifier: nothing was touched
  std::vector<suite::RegEntry> entries;
  // Every entry is gone: the control is no longer registered.
  bool Complete() const { return !refused && BackedUp() && AllGone(); }
};
// The registry-only removal through the shared removal path: every entry is
// backed up, then those its backup holds are deleted. When the backup cannot
// be written nothing is deleted.
RegistryRemoval RemoveRegistryOnly(const ActiveXEntry& entry);
RegistryRemoval RemoveRegistryOnly(const ActiveXEntry& entry, const std::string& store);

// A control's own registration entry.
enum class RegistrationResult {
  Done,        // the entry returned a non-negative result
  LoadFailed,  // the file could not be loaded ("strLoadDllError")
  Failed,      // no such entry, or it returned a negative result
};
// Loads `path` and calls its "DllRegisterServer" or "DllUnregisterServer".
RegistrationResult CallRegistration(const std::string& path, bool registerServer);

// One recorded (unregistered) control.
struct ActiveXRecord {
  std::string name;      // the control's display name (value name)
  std::string filePath;  // its file (value data)
};

enum class UnregisterOutcome {
  Unregistered,  // unregistered and recorded
  LoadFailed,    // "strLoadDllError": nothing changed
  Failed,        // "strUnDllError": nothing recorded
  NoRecordKey,   // the record key could not be opened for writing: nothing done
  NotRecorded,   // unregistered, the record could not be written: registered again
};
struct UnregisterResult {
  UnregisterOutcome outcome = UnregisterOutcome::Failed;
  std::string recordName;  // the value name used (a second control of the same
                           // name gets " (2)", ...)
};
// The unregistering removal of an entry: the file after the trailing-index
// rule is unregistered and recorded under `recordKey` (HKEY_LOCAL_MACHINE).
UnregisterResult UnregisterAndRecord(const ActiveXEntry& entry,
                                     const std::string& recordKey = kActiveXRecordKey);

// The records in value order (read access; the unnamed default value is not
// a record). Empty when the key is missing.
std::vector<ActiveXRecord> ListRecords(const std::string& recordKey = kActiveXRecordKey);

enum class RegisterAgainOutcome {
  Registered,     // registered and the record consumed
  LoadFailed,     // "strLoadDllError": the record stays
  Failed,         // "strRegDllError": the record stays
  RecordKept,     // registered, but the record could not be removed
};
RegisterAgainOutcome RegisterAgain(const ActiveXRecord& record,
                                   const std::string& recordKey = kActiveXRecordKey);

enum class RemoveRecordOutcome {
  FileRecycled,      // the file went to the Recycle Bin; record removed
  FileWasMissing,    // the file was already gone; record removed
  FileProtected,     // the file lies where nothing may be deleted (system folder, ...): all kept
  FileNotRemoved,    // the file could not go to the Recycle Bin: all kept
  RecordNotRemoved,  // the file is gone but the record could not be removed
};
// Sends the record's file to the Recycle Bin through the shared deletion
// routine (never deleted outright) and removes the record only when the file
// is really gone or was already missing.
RemoveRecordOutcome RemoveRecord(const ActiveXRecord& record, HWND owner = nullptr,
                                 const std::string& recordKey = kActiveXRecordKey);

}  // namespace dustrel
