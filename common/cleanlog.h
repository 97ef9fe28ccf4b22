// The cleaning log: the file through which every cleaner reports one pass to
// the console. Two sections, "Numbers" (one value, the count) and "Files" (one
// value per removed item), keys "Item0", "Item1", ... in the settings syntax.
// Under the dry run (common/dryrun.h) every log named here is read, written
// and deleted under its preview name ("Snipwell.log" -> "Snipwell-Preview.log"),
// so the normal log stays as it was.
#pragma once
#include <string>
#include <vector>

namespace suite {

// An entry as the log holds it: a line break (or NUL) inside the entry, as a
// registry name may hold, becomes a blank, so one entry is always one line
// and cannot forge keys or sections of its own.
std::string OneLogLine(std::string entry);

// Adds `items` to `section` of the log `fileName` in the program folder under
// "Item0".."Item<N-1>" and rewrites the whole file; creates the file when it
// is missing. False when the file cannot be created or written.
bool WriteLog(const std::string& fileName, const std::string& section,
              const std::vector<std::string>& items);
// Appends the section's values in key order to `out` ("Item0" up to the
// section's value count; a missing key reads as empty). A missing section
// leaves `out` alone; an unreadable file empties it and gives false.
bool ReadLog(const std::string& fileName, const std::string& section,
             std::vector<std::string>& out);
// Deletes the log in the program folder (a missing file is no error).
void DeleteLog(const std::string& fileName);
// The same two for a log given by its full path (the console reads the logs of
// the folder it runs the cleaners from).
bool ReadLogAt(const std::string& path, const std::string& section, std::vector<std::string>& out);
void DeleteLogAt(const std::string& path);

// One whole pass: deletes the old log, writes "Numbers" with `count`, then
// "Files" with `files`. When the log cannot be created it ends the process
// with exit status 1, after showing "无法创建日志文件!" only when someone is
// there to read it (not in a silent mode, common/programs.h).
void WriteCleaningLog(const std::string& fileName, int count,
                      const std::vector<std::string>& files);
// The same with a whole "Numbers" list (the main cleaner's "-Track" pass logs
// the list the plug-in run filled).
void WriteCleaningLog(const std::string& fileName, const std::vector<std::string>& numbers,
                      const std::vector<std::string>& files);
inline void WriteCleaningLog(const std::string& fileName, const std::vector<std::string>& files) {
  WriteCleaningLog(fileName, static_cast<int>(files.size()), files);
}

}  // namespace suite
