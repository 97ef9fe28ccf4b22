// The process-wide dry-run switch behind "-Preview". While it is on, every
// routine of the suite that would change the system (moving to the Recycle
// Bin, deleting files, registry keys and values, writing backup files and
// folders, emptying browser stores, starting system tools, changing access
// lists, saving options) asks the gate first, records what it would have
// done and reports it as done, without touching anything. What the run
// "removed" is remembered, so later look-ups of the same run (is it gone?)
// answer as they would after the real removal. The cleaning log goes to
// "<name>-Preview.log" instead of "<name>.log".
//
// Set only by the start-mode parsing (a silent mode followed by exactly
// "-Preview") or by tests; never switched off during a run.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace suite {

void SetDryRun(bool on);
bool DryRun();

// The one gate of every change: true when the caller may go ahead. Under the
// dry run it records "<action>: <target>" and gives false; the caller then
// does nothing and answers as the change would have succeeded.
bool MayChange(const std::string& action, const std::string& target);

// What the dry run recorded, in order (tests and diagnostics).
std::vector<std::string> DryRunActions();
// Forgets the records and the remembered removals (tests).
void ResetDryRunRecord();

// Files and folders the dry run removed: a path counts as removed when it or
// a folder above it was noted (without regard to ASCII letter case).
void NoteRemovedPath(const std::string& path);
bool RemovedByDryRun(const std::string& path);

// Registry keys (with their subtrees) and values the dry run removed.
void NoteRemovedKey(HKEY root, const std::wstring& keyPath);
void NoteRemovedValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName);
bool KeyRemovedByDryRun(HKEY root, const std::wstring& keyPath);
bool ValueRemovedByDryRun(HKEY root, const std::wstring& keyPath, const std::wstring& valueName);

// "X.log" -> "X-Preview.log" (a name without ".log" gets "-Preview" appended;
// a name that already is a preview name stays as it is).
std::string PreviewLogPath(const std::string& path);
// The log the running process reads and writes: the preview name under the
// dry run, `path` itself otherwise.
std::string ActiveLogPath(const std::string& path);
// The switches of a child cleaner started by this process: " -Preview" is
// added under the dry run, so the child previews too.
std::string ChildArguments(const std::string& arguments);

}  // namespace suite
