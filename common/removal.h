// Where a file or folder is removed: the protected-path guard every deletion
// passes, the move to the Recycle Bin and the permanent deletion.
#pragma once
#include <windows.h>

#include <string>

namespace suite {

// The shared protected-path guard of every deletion: true for what no cleaner
// may ever remove - a drive root, the Windows folder, the system folder(s),
// the Program Files folder(s), the temp folder and the profile folders
// themselves (the folder, not the files in it), any folder that holds one of
// them, and the suite's own folder (with the registry backup store beside the
// programs) with everything in it. A text that cannot be judged (relative,
// wildcards, too long) is protected too.
bool IsProtectedPath(const std::string& path);

// True only when the system says that nothing exists at `path` (file or path
// not found); an item whose attributes cannot be read for another reason
// (access denied, a sharing violation, a broken name) is not gone.
bool IsGone(const std::string& path);

// Sends a file or folder to the Recycle Bin (no confirmation, silent, no error
// display). Protected paths (IsProtectedPath) are refused. When the item
// cannot go to the bin, a file is deleted permanently instead - unless
// `recycleOnly` is set: then the item stays where it is and the call says so
// (where no Recycle Bin answers for the item's drive, or the drive is no
// fixed disk, the shell would delete it outright, so the call does not even
// try). Only absolute paths without
// wildcards are accepted: the shell operation would expand "*" and "?" and act
// on every match. True when the item is gone afterwards (IsGone).
bool MoveToRecycleBin(const std::string& path, HWND owner = nullptr, bool recycleOnly = false);

// Sends a registry backup folder to the Recycle Bin, never deleting it
// outright (where no Recycle Bin takes it, it stays). The one exception to
// the guard: a folder directly in the backup store of the suite's own folder
// may go; anything else protected is refused, and so is a link.
bool RecycleBackupFolder(const std::string& folder, HWND owner = nullptr);

// Deletes one file permanently (no Recycle Bin), its attributes cleared
// first; the same path rules and the same guard as MoveToRecycleBin. Folders
// are not deleted. True when the file is gone afterwards.
bool DeletePermanently(const std::string& path);

}  // namespace suite
