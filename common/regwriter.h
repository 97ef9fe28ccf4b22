// The suite's .reg writer: one file per key tree or per value, in the layout
// the system's registry editor reads back to the same names, types and data.
// Nothing here touches a window.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "regentry.h"

namespace suite {

// Header lines of the .reg files.
extern const char* const kRegedit4Header;  // the Windows 9x family
extern const char* const kRegedit5Header;

// The header this system's registry editor expects (by GetVersion's top bit).
bool UseRegedit4Header();

// Writes one .reg file for root\keyPath and its whole subtree. REGEDIT4 files
// are ANSI text, version-5 files UTF-16 with a BOM (as the system's editor
// writes them); both end lines with CR LF and read back through the registry
// editor to the same names, types and data. `rootName` is one of the
// predefined root names; an unknown name writes the header only. False when
// the file cannot be created.
bool ExportKey(const std::string& rootName, const std::string& keyPath,
               const std::string& filePath, bool regedit4);
// What an export could hold.
struct ExportReport {
  bool written = false;   // the file was created and written whole
  bool keyFound = false;  // the key opened (else only the header was written)
  // Every key and value below was read and written so that an import gives
  // it back exactly: no value or subkey that could not be read, no name the
  // file cannot carry (a line break; for REGEDIT4 a character outside the
  // ANSI code page), no registry link, nothing beyond the depth limit.
  bool exact = false;
  // Values of the key itself that were written exactly (UTF-16 names).
  std::vector<std::wstring> exactValues;
};
ExportReport ExportKeyW(const std::string& rootName, const std::wstring& keyPath,
                        const std::string& filePath, bool regedit4);
// The key's section with the one value `valueName` (matched without regard
// to case) and nothing else: importing it sets that value and leaves the
// key's other values and subkeys alone.
ExportReport ExportValueW(const std::string& rootName, const std::wstring& keyPath,
                          const std::wstring& valueName, const std::string& filePath,
                          bool regedit4);
// The same text in the ANSI code page, without a file.
std::string ExportText(const std::string& rootName, const std::string& keyPath, bool regedit4);

// Writes the backup file of one entry (a key entry: its whole tree; a value
// entry: that value alone); true when it holds the entry exactly. Programs
// back up and remove through RemoveWithBackup (common/regremoval).
bool BackupEntryFile(const RegEntry& entry, const std::string& file, bool regedit4,
                     bool* written = nullptr);

}  // namespace suite
