// The folders no walk of a special folder may take for its own: the drive
// roots, the Windows, system and Program Files folders, the profile folders
// and the user's shell folders. The deletion guard (IsProtectedPath) refuses
// to remove any of them; the special-folder guard refuses to sweep a temp,
// Recent or cache folder that is one of them or lies above one (a temp path
// that names "C:\", a data folder or the profile folder).
#pragma once
#include <string>
#include <vector>

namespace suite {

// A path as the guards compare it: full ("." and ".." resolved as the system
// resolves them), long names, no trailing backslash ("C:" for a root), ASCII
// letters upper-cased. Empty when the text cannot be brought into that form.
std::string GuardForm(const std::string& path);
// A drive root ("C:"), a share root ("\\SERVER\SHARE") or a device form.
bool IsRootForm(const std::string& form);
// `inner` lies below `outer` (both in guard form).
bool IsBelowForm(const std::string& inner, const std::string& outer);

// The special folders that are swept by their own rules and are therefore
// left out of the guard when that very folder is judged.
enum class SweptFolder { None, Temp, Cache, Recent };

struct GuardedFolder {
  std::string form;                     // guard form
  SweptFolder kind = SweptFolder::None;  // which swept folder this entry is, if any
};

// The system's guarded folders (read once per process).
const std::vector<GuardedFolder>& SystemGuardedFolders();

// Whether `folder` may be walked as the special folder `kind`: a full path
// that is no root, none of `guarded` (apart from the entries of its own kind)
// and no folder above one of them; a temp folder must also have "TEMP" or
// "TMP" in its path.
bool IsSweepableFolder(const std::string& folder, SweptFolder kind,
                       const std::vector<GuardedFolder>& guarded);
inline bool IsSweepableFolder(const std::string& folder, SweptFolder kind) {
  return IsSweepableFolder(folder, kind, SystemGuardedFolders());
}
// Made-up folders for tests: every entry is of no swept kind.
std::vector<GuardedFolder> GuardedFoldersOf(const std::vector<std::string>& paths);

}  // namespace suite
