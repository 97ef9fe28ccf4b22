// Plug-in cleaning definitions: files in the folder "CleanPlugin" beside the
// program, each describing in the settings-file syntax the registry entries and
// files that make up one application's history. The files are kept scrambled:
//
//   offset  0, 16 bytes: "Velmora Lock", NUL-terminated
//   offset 16,  4 bytes: length K of the key copy (little-endian)
//   offset 20, 20 bytes: the key, each byte XOR 0x3C, then a NUL
//   offset 40, the rest: the definition text, each byte XORed with every key
//                        byte in turn (the transform is its own inverse)
//
// A run never writes a file: the definition is read and decoded in memory, so
// the files in "CleanPlugin" stay as they are and no working copy is left
// behind, also when two copies of the program run at once. Only the lock and
// unlock operations (the definition tool) rewrite a file.
//
// Rules (section "Registry": Reg0, Reg1, ...; section "File/Folder": File0,
// File1, ...) are lines of tagged fields "Tag:text;". A rule that lacks a tag,
// has an empty SubKey, Source or Pattern, or names an unknown root adds no row.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "cleanrun.h"
#include "founditem.h"
#include "scantargets.h"

namespace dustrel {

extern const char* const kPluginFolderName;  // "CleanPlugin"
extern const char* const kPluginSignature;   // "Velmora Lock"
extern const char* const kPluginKey;         // the key built into the program
constexpr size_t kPluginHeaderSize = 40;
constexpr unsigned char kPluginKeyMask = 0x3C;

// Result codes of the lock and unlock operations.
enum PluginCode {
  kPluginOk = 0,
  kPluginCannotWrite = -1,  // the file cannot be opened or rewritten
  kPluginNotLocked = -2,    // unlock: not a locked file or unreadable; lock: already locked
  kPluginWrongKey = -3,     // unlock: the key copy is not the program's key
};

// --- The format, in memory -------------------------------------------------

// Each byte XORed with every byte of `key` in turn (an empty key changes nothing).
void TransformBody(std::string& bytes, const std::string& key = kPluginKey);
// The locked form of a plain definition text.
std::string LockText(const std::string& plain, const std::string& key = kPluginKey);
// Whether the bytes begin with the signature (at least a whole header).
bool IsLockedText(const std::string& bytes);
// Decodes locked bytes: kPluginOk with the plain text, kPluginNotLocked, or
// kPluginWrongKey.
int UnlockText(const std::string& locked, std::string& plain,
               const std::string& key = kPluginKey);

// --- The files (the definition tool) ---------------------------------------

// Reads the header of the file: false when it cannot be read or is not locked.
bool IsLockedPlugin(const std::string& path);
// Decodes the file in place (the result has no header). The file is replaced
// only when the new content has been written whole.
int UnlockPlugin(const std::string& path);
// Encodes a plain definition file in place; kPluginNotLocked when it is
// already locked.
int LockPlugin(const std::string& path);

// --- The scan-target list --------------------------------------------------

// The definition files in `folder` (entries whose name is longer than three
// characters; folders are not definitions), as full paths ordered by name
// without regard to case (the order an NTFS folder lists them in).
std::vector<std::string> ListPlugins(const std::string& folder);
// ListPlugins of "CleanPlugin" beside the running program.
std::vector<std::string> LoadPlugins();
// The status-line text after loading: "状态:共可以清理 %d 个常用软件的历史记录!"
// with the count, or a single blank when there is none.
std::string PluginStatusText(size_t count);
// Appends one ticked row per definition to the scan-target list (after the
// drive and OtherItem rows) and returns the status-line text.
std::string AddPluginRows(ScanTargets& targets, const std::vector<std::string>& definitions);
// The paths of the ticked plug-in rows, in row order.
std::vector<std::string> TickedPlugins(const ScanTargets& targets);

// --- A run -------------------------------------------------------------------

// The folders the path variables stand for; `ok` false when a lookup failed
// (file rules are then skipped), `win9x` skips the file rules too.
struct PluginFolders {
  std::string appData;       // %AppData%
  std::string programFiles;  // %ProgramFiles%
  std::string windows;       // %Windows%, %windir%, %SYSTEMROOT%
  std::string system;        // %System%
  std::string personal;      // %Personal%
  bool ok = false;
  bool win9x = false;
};
// The folders of the running system.
PluginFolders SystemPluginFolders();
// Source with its first listed variable replaced; false when Source holds
// none of the variables but still a "%" (the file rules end there).
bool ExpandPluginSource(const std::string& source, const PluginFolders& folders,
                        std::string& expanded);

// One rule, taken apart. `has*` tells whether the tag was present.
struct PluginRule {
  std::string rootKey, subKey, type, pattern, source;
  bool hasRootKey = false, hasSubKey = false, hasType = false, hasPattern = false,
       hasSource = false;
};
PluginRule ParsePluginRule(const std::string& line);

struct PluginRun {
  bool decoded = false;  // the definition could be read, decoded and parsed
  int rows = 0;          // rows handed to the sink
  // What each row would remove, in row order: a file path, or the entry text
  // "ROOT\key|name" of a registry row (as the cleaning run lists it).
  std::vector<std::string> entries;
};
// Interprets the decoded text of one definition and hands its rows to `sink`.
PluginRun RunPluginText(const std::string& plain, const PluginFolders& folders, RowSink& sink);
// Reads and decodes the definition at `path` in memory and runs it. Returns 1
// when it added at least one row, else 0 (also for a file that cannot be read
// or decoded: nothing is added for it).
int RunPlugin(const std::string& path, RowSink& sink);
int RunPlugin(const std::string& path, const PluginFolders& folders, RowSink& sink,
              PluginRun* run = nullptr);

// What the "-Track" step found, per definition that added rows.
struct TrackedDefinition {
  std::string path;
  std::vector<std::string> entries;  // PluginRun::entries
};

// The "-Track" step: runs each ticked definition in order (rows to `sink`) and
// fills `log` for "History.log": `traces` gets the path of every definition
// that added rows, `counts` the number of them as decimal text. Stops early
// when `stop` becomes true. Returns the definitions that added rows.
std::vector<TrackedDefinition> RunTrackedPlugins(const std::vector<std::string>& definitions,
                                                 RowSink& sink, TrackLog& log,
                                                 const std::atomic<bool>* stop = nullptr);
std::vector<TrackedDefinition> RunTrackedPlugins(const std::vector<std::string>& definitions,
                                                 const PluginFolders& folders, RowSink& sink,
                                                 TrackLog& log,
                                                 const std::atomic<bool>* stop = nullptr);

// "History.log" after the cleaning run, counting only what is really gone:
// the definitions with at least one entry among `cleaned` (the cleaning run's
// list of removed file paths and entry texts).
TrackLog TrackLogOfCleaned(const std::vector<TrackedDefinition>& found,
                           const std::vector<std::string>& cleaned);

}  // namespace dustrel
