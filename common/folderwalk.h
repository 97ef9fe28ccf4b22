// Recursive folder listing used by the shortcut cleaner, the console's
// cleanliness check and the folder-size sums.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace suite {

struct WalkEntry {
  const std::string& path;  // full path of the file
  uint64_t size;
  unsigned long attributes;
  // The folder being listed, exactly as the walk joined it (the starting
  // folder as given, then "<folder>\<sub-folder>"), and the file's own name.
  const std::string* folder = nullptr;
  const char* name = nullptr;
};

// Hands every file below `folder` (hidden and system files included) to
// `onFile`. Folders that are reparse points (junctions, symbolic links) are not
// entered, so links that point back up cannot make the walk endless. Entries
// whose full path would not fit the Windows path limit are passed over. The
// walk ends early when `stop` becomes true. Works on full paths; the process's
// current directory is left alone.
void WalkFolder(const std::string& folder, const std::function<void(const WalkEntry&)>& onFile,
                const std::atomic<bool>* stop = nullptr);

// How a folder is listed. `Plain`: FindFirstFile/FindNextFile. `Basic`:
// FindFirstFileEx without the short 8.3 names and with larger fetches, which
// Windows 7 and later know (older systems refuse the flags; a listing refused
// that way is made again the plain way). Both hand over the same files with
// the same names, sizes and attributes.
enum class FolderListing { Plain, Basic };
// Whether this system knows the `Basic` listing (Windows 7, NT 6.1, and later),
// asked once at run time.
bool BasicListingAvailable();
// The listing `WalkFolder` uses: `Plain` on every system. Where `Basic`
// applies it was measured no faster (under Wine as Windows 7, 1,000,000
// files: 5-13 % more processor time), so the plain call stays.
FolderListing DefaultFolderListing();
// From now on `WalkFolder` uses `listing` in this process (benchmarks).
void UseFolderListing(FolderListing listing);
// The same walk with a chosen listing (benchmarks and tests compare them).
void WalkFolderWith(FolderListing listing, const std::string& folder,
                    const std::function<void(const WalkEntry&)>& onFile,
                    const std::atomic<bool>* stop = nullptr);

// Sum of the sizes of all files below `folder` (64-bit), by the same walk.
uint64_t FolderSize(const std::string& folder, const std::atomic<bool>* stop = nullptr);

}  // namespace suite
