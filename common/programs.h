// The suite's six programs in one table: each one's executable, the silent
// switches it knows with the log each of them writes, and its settings file.
// The cleaners take their log names from here and the console builds its
// step and log tables from it. Also whether this process runs unattended.
#pragma once
#include <string>
#include <vector>

namespace suite {

enum class Program { Snipwell, Marksift, Dustrel, Hivemend, Patchmoor, Brisko };
constexpr int kProgramCount = 6;

struct SilentSwitch {
  const char* argument;  // exactly as on the command line
  const char* logName;   // the cleaning log the run writes beside the program; "" for none
};

struct ProgramEntry {
  Program program;
  const char* executable;
  const char* settingsFile;  // "" when the program's texts are fixed
  SilentSwitch switches[2];  // an unused slot has a null argument
};

inline constexpr ProgramEntry kPrograms[kProgramCount] = {
    {Program::Snipwell, "Snipwell.exe", "Snipwell.ini", {{"-Auto", "Snipwell.log"}, {}}},
    {Program::Marksift, "Marksift.exe", "", {{"-Auto", "Marksift.log"}, {}}},
    {Program::Dustrel, "Dustrel.exe", "Dustrel.ini",
     {{"-Auto", "Dustrel.log"}, {"-Track", "History.log"}}},
    {Program::Hivemend, "Hivemend.exe", "Hivemend.ini", {{"-Auto", "Hivemend.log"}, {}}},
    {Program::Patchmoor, "Patchmoor.exe", "", {{"-Auto", "Patchmoor.log"}, {}}},
    {Program::Brisko, "Brisko.exe", "Brisko.ini", {{"-Auto", ""}, {}}},
};

constexpr const ProgramEntry& EntryOf(Program program) {
  return kPrograms[static_cast<int>(program)];
}
constexpr const char* ExecutableOf(Program program) { return EntryOf(program).executable; }
constexpr const char* SettingsFileOf(Program program) { return EntryOf(program).settingsFile; }
// The switch in `slot` (0: "-Auto"; Dustrel's 1: "-Track").
constexpr const SilentSwitch& SwitchOf(Program program, int slot = 0) {
  return EntryOf(program).switches[slot];
}
constexpr const char* LogNameOf(Program program, int slot = 0) {
  return SwitchOf(program, slot).logName;
}
// The silent switches of a program, for the start-mode parsing.
std::vector<std::string> SilentSwitchesOf(Program program);

// Whether this process runs one of its silent modes: nobody is there to
// answer a message box, so none may be shown. Set by the start-mode parsing.
void SetUnattendedRun(bool on);
bool UnattendedRun();

}  // namespace suite
