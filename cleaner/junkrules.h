// The junk rules: which files the disk scan lists, with which category, and
// whether the row starts ticked. A pure function of three texts (NAME, DIR,
// PATH) and the special folders, so it is tested without any file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace dustrel {

// Category of a hit; the label texts are "g_RbStr0" .. "g_RbStr4".
enum JunkCategory {
  kJunkBak = 0,      // the ".BAK" rule (row left unticked)
  kJunkName = 1,     // any other name rule
  kJunkFolder = 2,   // under a "\TMP\" or "\MSDOWNLD.TMP\" folder
  kJunkSpecial = 3,  // under the temp folder or the Recent folder (special-folder pass)
  kJunkIeCache = 4,  // under the IE cache folder (special-folder pass; marker "Cache")
};

// Fixed label of the temp folder's first-level sub-folders.
extern const char* const kTempSubfolderLabel;  // "临时目录-可以删除"

struct JunkHit {
  JunkCategory category;
  bool checked;
};

// The special folders of the special-folder pass, upper-cased. An empty text
// never matches.
struct SpecialFolders {
  std::string temp;    // long temp path, ends in a backslash
  std::string recent;  // "Recent" shell folder ("\RECENT\" on Windows 9x)
  std::string cache;   // "Cache" shell folder
};

// PATH as the rules see it: DIR, a backslash unless DIR is longer than two
// characters and already ends in one, then NAME.
std::string JunkPathOf(const std::string& dir, const std::string& name);

// What the rules take from a file's folder, worked out once for all the files
// of a folder: whether DIR (with the backslash PATH puts after it) names a
// restore point or a recycle bin, an Adobe folder, or a junk folder.
struct JunkFolder {
  bool restoreOrBin = false;
  bool adobe = false;
  bool folderRule[2] = {false, false};  // "\TMP", "\MSDOWNLD.TMP"
};
JunkFolder JunkFolderOf(const std::string& dirU);

// Applies the rules to one file. `nameU`, `dirU`, `pathU` are the upper-cased
// NAME, DIR and PATH; `special` is null outside the special-folder pass.
// Hits are appended to `hits` in rule order: one per firing name rule (a
// name may fire several), otherwise at most one folder, special or cache hit.
void MatchJunkRules(const std::string& nameU, const std::string& dirU, const std::string& pathU,
                    const SpecialFolders* special, std::vector<JunkHit>& hits);
// The same with the folder's part worked out before (JunkFolderOf(dirU)).
void MatchJunkRules(const std::string& nameU, const JunkFolder& folder, const std::string& pathU,
                    const SpecialFolders* special, std::vector<JunkHit>& hits);

// The same from the texts as walked (upper-cases them itself).
std::vector<JunkHit> MatchJunk(const std::string& dir, const std::string& name,
                               const SpecialFolders* special);

// Size column texts: "%ld Byte" of a file's size, "%ld 字节" of a temp
// sub-folder's; the full 64-bit number.
std::string FileSizeText(uint64_t bytes);
std::string FolderSizeText(uint64_t bytes);

// Whether a first-level entry of the temp folder is listed as a temp
// sub-folder: attributes exactly the directory bit and no "." in the name.
bool IsListedTempSubfolder(const std::string& name, unsigned long attributes);

}  // namespace dustrel
