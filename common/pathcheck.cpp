#include "pathcheck.h"

#include <windows.h>

#include "handles.h"
#include "probes.h"

namespace suite {

const PathCheckVariant kCleanerPathCheck{true, 3, true};
const PathCheckVariant kRegistryScannerPathCheck{true, 6, true};
const PathCheckVariant kShortcutPathCheck{false, 4, false};

namespace {

void RemoveQuotes(std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    if (c != '"') out.push_back(c);
  s.swap(out);
}

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

// The name Windows looks up for a path component: trailing blanks and dots go.
std::string LookupName(const std::string& name) {
  size_t end = name.find_last_not_of(" .");
  return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

}  // namespace

PathChecker::PathChecker(const PathCheckVariant& variant)
    : PathChecker(variant, NonFixedDrives()) {}

PathChecker::PathChecker(const PathCheckVariant& variant, std::vector<std::string> nonFixedRoots)
    : variant_(variant), nonFixedRoots_(std::move(nonFixedRoots)) {}

bool PathChecker::OnNonFixedDrive(const std::string& text) const {
  // Drive letters are compared without regard to case: "e:\" is drive E too.
  const std::string upper = ToUpper(text);
  for (const std::string& root : nonFixedRoots_)
    if (upper.find(ToUpper(root)) != std::string::npos) return true;
  return false;
}

bool PathChecker::FileReferenceExists(const std::string& original) {
  std::string text = original;
  if (variant_.driveGate && !(text.size() >= 3 && text[1] == ':' && text[2] == '\\'))
    return true;
  if (ToUpper(text).find("\\INSTALLER\\") != std::string::npos) return true;
  if (text.size() <= variant_.lengthLimit) return true;
  RemoveQuotes(text);
  if (variant_.semicolonCut) {
    size_t semi = text.find(';');
    if (semi != std::string::npos) text.resize(semi);
  }
  // For a plain name (no wildcards) the prefix test's folder listing also
  // answers the look-up of the whole text: its last prefix is the whole name.
  const size_t cut = LastBackslash(text);
  const bool plain = cut != std::string::npos && !LookupName(text.substr(cut + 1)).empty() &&
                     !HasWildcard(text.substr(cut + 1)) && text.size() < MAX_PATH;
  if (plain) return PrefixExists(text);
  return PathExists(text) || PrefixExists(text);
}

bool PathChecker::PathExists(const std::string& original) {
  std::string text = original;
  RemoveQuotes(text);
  DropTrailingBackslash(text);
  if (OnNonFixedDrive(text)) return true;
  if (text.empty() || text.size() >= MAX_PATH) return false;
  if (GetFileAttributesA(text.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  DropTrailingBackslash(text);
  if (!text.empty() && text.back() == '.') text.pop_back();
  if (text.empty()) return false;
  WIN32_FIND_DATAA data;
  UniqueFind find(FindFirstFileA(text.c_str(), &data));
  // Any entry found counts, folders included: callers expect a folder that
  // exists to be present.
  return static_cast<bool>(find);
}

const PathChecker::Folder& PathChecker::ListFolder(const std::string& folder) {
  const std::string key = ToUpper(folder);
  auto it = folders_.find(key);
  if (it != folders_.end()) return *it->second;
  auto entry = std::make_unique<Folder>();
  DWORD attr = GetFileAttributesA(folder.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) {
    entry->exists = true;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA((folder + "*").c_str(), &data));
    if (find) {
      do {
        entry->upperNames.insert(ToUpper(data.cFileName));
        if (data.cAlternateFileName[0]) entry->upperNames.insert(ToUpper(data.cAlternateFileName));
      } while (FindNextFileA(find.get(), &data));
    }
  }
  return *folders_.emplace(key, std::move(entry)).first->second;
}

bool PathChecker::PrefixExists(const std::string& original) {
  std::string text = original;
  RemoveQuotes(text);
  size_t cut = LastBackslash(text);
  if (cut == std::string::npos) return false;
  const std::string folder = text.substr(0, cut + 1);
  const std::string name = text.substr(cut + 1);
  if (name.empty()) return false;
  // Every candidate is the folder plus a piece of the name; the non-fixed drive
  // rule sees only the folder part (a root ends in the folder's backslash).
  if (OnNonFixedDrive(folder)) return true;
  if (HasWildcard(name) || folder.size() + name.size() >= MAX_PATH) {
    for (size_t i = 1; i <= name.size(); ++i)
      if (PathExists(folder + name.substr(0, i))) return true;
    return false;
  }
  // Without wildcards, folder + prefix exists exactly when the folder holds an
  // entry of that name (as Windows looks names up): one listing answers all.
  const Folder& listing = ListFolder(folder);
  if (!listing.exists) return false;
  for (size_t i = 1; i <= name.size(); ++i) {
    std::string candidate = LookupName(name.substr(0, i));
    if (!candidate.empty() && listing.upperNames.count(ToUpper(candidate))) return true;
  }
  return false;
}

}  // namespace suite
