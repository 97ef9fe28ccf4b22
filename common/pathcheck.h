// The path-present test: does a path text found in the registry or in a
// shortcut still name something present? True also when the text cannot be
// judged. Each program uses it with its own variant (three small differences).
#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace suite {

struct PathCheckVariant {
  bool driveGate;      // judge only texts with ":\" at the second character
  size_t lengthLimit;  // texts at most this long count as present
  bool semicolonCut;   // cut the text before its first ";"
};

extern const PathCheckVariant kCleanerPathCheck;          // main cleaner
extern const PathCheckVariant kRegistryScannerPathCheck;  // registry error scanner
extern const PathCheckVariant kShortcutPathCheck;         // broken-shortcut cleaner

// One checker serves one scan: it takes the list of non-fixed drives once and
// remembers the folders it has listed, so the many look-ups of present names a
// scan makes cost one directory read per folder; a name the listing lacks is
// always asked of the system before it is called missing. A text it cannot
// judge (260 characters or more, wildcards, bytes that are no ANSI text)
// counts as present. Not for use across threads.
class PathChecker {
 public:
  explicit PathChecker(const PathCheckVariant& variant);
  // For tests: the non-fixed drive roots to assume ("D:\", ...).
  PathChecker(const PathCheckVariant& variant, std::vector<std::string> nonFixedRoots);

  bool FileReferenceExists(const std::string& text);
  bool PathExists(const std::string& text);
  bool PrefixExists(const std::string& text);

 private:
  struct Folder {
    bool exists = false;
    std::set<std::string> upperNames;  // long and short names of its entries
  };
  const Folder& ListFolder(const std::string& folder);
  bool OnNonFixedDrive(const std::string& text) const;
  static bool Judgeable(const std::string& text);
  bool IsFile(const std::string& path);
  // GetFileAttributes, trying the other system folders for a path in the
  // system folder.
  unsigned long Attributes(const std::string& path);

  PathCheckVariant variant_;
  std::vector<std::string> nonFixedRoots_;
  std::vector<std::string> otherSystemFolders_;
  std::string systemPrefix_;  // the system folder, upper-cased, with a backslash
  std::map<std::string, std::unique_ptr<Folder>> folders_;  // by upper-cased folder path
};

}  // namespace suite
