// The programs the machine starts from HKEY_LOCAL_MACHINE's Run and
// RunServices keys, each described by the known-program table or else by the
// product name in its program file's version block.
#pragma once
#include <atomic>
#include <string>

#include "advlist.h"

namespace dustrel {

extern const char kRunKey[];
extern const char kRunServicesKey[];

// The known-program table: the description of the first mark found in the
// lower-cased command; empty when none is.
std::string KnownProgramText(const std::string& command, bool runServices);

// The part of a command that names the program file: quotes removed, a
// leading "rundll32.exe " dropped, cut before the first " -" and " /" (and
// after ".exe" when an option follows it directly). A command without " -"
// or " /" is the program path as a whole.
std::string ProgramPathOf(const std::string& command);

// The file's product name from its version block (the first translation that
// has one), or "Unknown".
std::string ProductNameOf(const std::string& file);

// The icon source of a command: the text up to and including its first
// ".exe" (any letter case), quotes removed; the first three characters when
// it names no ".exe".
std::string IconSourceOf(const std::string& command);

// Rows: column 0 value name, 1 command, 2 description, 3 "Run"/"RunServices";
// Run entries first. The entry is the value. On a 64-bit Windows the 32-bit
// view's keys follow their 64-bit keys; their rows' column 3 and name begin
// with "Wow6432Node\".
AdvList ListStartup(const std::atomic<bool>* stop = nullptr);

}  // namespace dustrel
