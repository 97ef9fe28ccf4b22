// The rules that decide a registry entry names something gone, each written
// once: Hivemend's category walks and its second look before a repair,
// Dustrel's trace scanners and the advanced file-types page all ask these.
// A rule takes the entry's texts as read (value data, value or key names) and
// the caller's path checker (each program keeps its own variant); it answers
// "stale" only when the entry names a file that the checker calls missing.
// Only the server look-up below reads the registry.
#pragma once
#include <windows.h>

#include <string>

#include "pathcheck.h"

namespace suite {

// Where the rules' entries live (under HKEY_LOCAL_MACHINE). The session
// manager keys are spelt as the programs have always looked for them.
extern const char* const kAppPathsKey;     // one subkey per program
extern const char* const kKnownDllsKey;    // values: DLL names in the system folder
extern const char* const kKnown16DllsKey;  // the same for 16-bit DLLs
extern const char* const kKnownVxdsKey;    // values: driver paths
extern const char* const kHelpKey;         // values: help file name -> its folder
extern const char* const kHtmlHelpKey;     // the same for HTML Help files
// Below a class key of HKEY_CLASSES_ROOT.
extern const char* const kDefaultIconKey;  // "DefaultIcon"
// Below a class identifier's key: the in-process server, else the local one.
extern const char* const kInprocServerKey;  // "InprocServer32"
extern const char* const kLocalServerKey;   // "LocalServer32"
// Below a verb key (class\shell\verb).
extern const char* const kCommandKey;  // "command"

// An App Paths subkey, by its default value (the program, perhaps with
// arguments): stale when the text is a drive path whose program is gone. An
// empty text or one without ":\" is never judged.
bool AppPathStale(const std::string& program, PathChecker& checker);

// A known-DLL value, by its data: a file of the system folder `systemFolder`.
bool KnownDllStale(const std::string& data, const std::string& systemFolder,
                   PathChecker& checker);
// A known-VxD value, by its data: a path of its own.
bool KnownVxdStale(const std::string& data, PathChecker& checker);

// A help list value: its name is the file, its data the folder it lies in
// (with or without a trailing backslash). An empty folder is never judged.
bool HelpFileStale(const std::string& fileName, const std::string& folder,
                   PathChecker& checker);

// The icon file (before the first ",") and index (the number after it) of a
// DefaultIcon value; a value without "," gives no file and index 0.
void SplitIconValue(const std::string& value, std::string& file, int& index);
// A class key, by its DefaultIcon value: stale when the value names an icon
// file ("file,index") that is gone. Without a comma, or with nothing before
// it, there is no file to judge.
bool DefaultIconStale(const std::string& iconValue, PathChecker& checker);

// The default value of a class identifier's server key (`clsidPath` below
// `key`): the in-process server, else the local one. False when the class has
// neither key.
bool ReadComServer(HKEY key, const std::string& clsidPath, std::string& server);
// A class identifier, by that server text: stale when the server (perhaps
// with arguments) is gone.
bool ComServerStale(const std::string& server, PathChecker& checker);

// A verb key, by the default value of its command key: stale when the
// command's program is gone.
bool ShellCommandStale(const std::string& command, PathChecker& checker);

}  // namespace suite
