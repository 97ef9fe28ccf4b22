// The three settings of the options window and where they live:
//   DeleteNoBackup        HKLM Software\Microsoft\Windows\CurrentVersion\Explorer
//                         (1 when ticked, the value removed when not)
//   ClearRecentDocsOnExit HKU .DEFAULT\Software\Microsoft\Windows\CurrentVersion\Policies\Explorer
//                         (1 when ticked, the value removed when not)
//   AutoExitWindows       HKLM Software\Quillon (always written, 0 or 1)
#pragma once

namespace dustrel {

struct Options {
  bool deleteNoBackup = false;
  bool clearRecentDocsOnExit = false;
  bool autoExitWindows = false;
};

// Absent values read as 0 (not ticked).
Options ReadOptions();
// False when a value could not be written or removed.
bool WriteOptions(const Options& options);

}  // namespace dustrel
