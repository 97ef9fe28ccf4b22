// Bringing a backup back: the registry editor imports each file of a backup
// folder, and what the registry holds afterwards is counted.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace suite {

struct RestoreResult {
  int files = 0;     // backup files found
  int imported = 0;  // files whose every key and value is in the registry after the import
};
// Stages every "RB<i>.reg" of store\name in a folder of its own and imports
// each with the registry editor, one after the other, waiting for each. A file
// counts as imported when the registry, read afterwards, holds every key and
// value it names. `staging` empty: a new folder under the user's temp folder,
// removed afterwards; otherwise that folder (files of the same name replaced).
RestoreResult RestoreBackup(const std::string& store, const std::string& name,
                            const std::string& staging = std::string());
// Runs "regedit.exe /s <file>" hidden and waits. When the system wants
// elevation for it (Windows Vista and later), starts it through the shell so
// the system can ask, and waits for that. False when it could not be started
// or did not end.
bool ImportRegFile(const std::string& file);
// The same start through the shell alone ("runas" on Windows Vista and
// later, "open" before), waiting for the program to end.
bool RunThroughShellAndWait(const std::string& program, const std::string& parameters,
                            DWORD timeoutMs);
// Whether the registry holds every key and value that a .reg file names.
bool RegFileContentPresent(const std::string& file);

}  // namespace suite
