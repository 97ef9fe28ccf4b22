// Helpers for the tests that run under Wine in the sandbox: scratch folders and
// registry keys that clean up after themselves, starting the real programs,
// reading the Recycle Bin, making shortcuts, switching the Windows version.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace suite::test {

// A folder made afresh for one test and removed with everything in it.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& path);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// A registry key made afresh for one test (HKCU\Software\SuiteTests\<name>) and
// deleted with its subtree.
class ScratchKey {
 public:
  explicit ScratchKey(const std::string& name, HKEY root = HKEY_CURRENT_USER,
                      const std::string& parent = "Software\\SuiteTests");
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  HKEY Root() const { return root_; }
  const std::string& Path() const { return path_; }
  std::string Sub(const std::string& name) const { return path_ + "\\" + name; }

 private:
  HKEY root_;
  std::string path_;
};

void RemoveTree(const std::string& path);
void MakeDirs(const std::string& path);
bool WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);

void SetString(HKEY root, const std::string& key, const std::string& name,
               const std::string& value, DWORD type = REG_SZ);
void SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value);
void SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
            const std::string& bytes);
// The main cleaner's saved selection as its save command writes it: one byte
// per named row (a drive root "C:\\", "OtherItem<n>", a definition's file
// name), the count, and the row names.
void SetDustrelSelection(const std::vector<std::pair<std::string, bool>>& rows);
bool KeyExists(HKEY root, const std::string& key);
bool ValueExists(HKEY root, const std::string& key, const std::string& name);
// Every key and value below root\path as the ANSI calls see them.
struct RegValue {
  DWORD type;
  std::string data;
  bool operator==(const RegValue& o) const { return type == o.type && data == o.data; }
};
using Snapshot = std::map<std::string, std::map<std::string, RegValue>>;  // key path -> values
Snapshot TakeSnapshot(HKEY root, const std::string& path);

// A registry link below `parent`, made as the system makes them
// (REG_OPTION_CREATE_LINK and a "SymbolicLinkValue" naming the target's full
// native path, such as "\\Registry\\Machine\\Software\\X"); and its removal
// (the link itself, not its target).
bool MakeRegistryLink(HKEY root, const std::string& parent, const std::wstring& name,
                      const std::wstring& targetNativePath);
void RemoveRegistryLink(HKEY root, const std::string& parent, const std::wstring& name);

// A registry value saved when made and put back as it was when destroyed (a
// value that did not exist is removed again): for tests that change a value
// of the sandbox's system keys.
class SavedValue {
 public:
  SavedValue(HKEY root, std::string key, std::string name);
  ~SavedValue();
  SavedValue(const SavedValue&) = delete;
  SavedValue& operator=(const SavedValue&) = delete;

 private:
  HKEY root_;
  std::string key_, name_;
  DWORD type_ = 0;
  std::string data_;
  bool present_ = false;
};

// A key of the sandbox's system places made for a test (with every missing
// key above it) and removed again when destroyed, from the topmost key it
// made; a key that was there before is left as it is.
class SeededKey {
 public:
  SeededKey(HKEY root, const std::string& path);
  ~SeededKey();
  SeededKey(const SeededKey&) = delete;
  SeededKey& operator=(const SeededKey&) = delete;
  // False when the key was there before.
  bool Made() const { return !made_.empty(); }

 private:
  HKEY root_;
  std::string made_;  // the topmost key made, or empty
};

// The built programs and their settings files ("W:\dist" in the sandbox).
std::string DistFolder();
// The real-world sample files ("W:\testdata"), empty when they were not copied.
std::string TestDataFolder();
// Copies the named files of the dist folder (such as "Snipwell.exe",
// "Snipwell.ini") into `folder`.
void InstallFromDist(const std::string& folder, const std::vector<std::string>& names);

struct ProcessResult {
  DWORD exitCode = 0xffffffff;
  bool timedOut = false;
  std::string output;  // what the program wrote to its standard output
  DWORD startError = 0;  // GetLastError of a CreateProcess that failed
};
// Starts `commandLine` in `folder` and waits at most `timeoutMs` (killed then).
ProcessResult RunProcess(const std::string& commandLine, const std::string& folder = std::string(),
                         DWORD timeoutMs = 120000);

// Original Windows paths of the items in the Recycle Bin (the sandbox trash).
std::vector<std::string> RecycledPaths();
void EmptyRecycleBin();

// While this object lives the sandbox has no Recycle Bin: the trash folder is
// moved aside and a plain file takes its name, so the shell cannot make one.
class RecycleBinUnavailable {
 public:
  RecycleBinUnavailable();
  ~RecycleBinUnavailable();
  RecycleBinUnavailable(const RecycleBinUnavailable&) = delete;
  RecycleBinUnavailable& operator=(const RecycleBinUnavailable&) = delete;
  bool Active() const { return active_; }

 private:
  bool active_ = false;
};

// A shortcut made by the system's shell-link interface.
bool MakeShortcut(const std::string& lnkPath, const std::string& target,
                  const std::string& arguments = std::string());

// Makes the named program see another Windows version ("win98", "win2k",
// "winxp", "winxp64", "vista", "win7") while this object lives.
class WindowsVersionFor {
 public:
  WindowsVersionFor(const std::string& exeName, const std::string& version);
  ~WindowsVersionFor();
  WindowsVersionFor(const WindowsVersionFor&) = delete;
  WindowsVersionFor& operator=(const WindowsVersionFor&) = delete;

 private:
  std::string key_;
};

// A program started with its window, for tests that drive the window from
// outside as a person would. Ended (if still running) when the object goes.
class WindowProgram {
 public:
  WindowProgram(const std::string& commandLine, const std::string& folder);
  ~WindowProgram();
  WindowProgram(const WindowProgram&) = delete;
  WindowProgram& operator=(const WindowProgram&) = delete;
  bool Started() const { return process_ != nullptr; }
  // The program's top-level window with this caption, or nullptr after the wait.
  HWND WaitForWindow(const std::string& caption, DWORD timeoutMs = 15000);
  // A message box (another dialog of the window's thread) shown over `main`.
  HWND WaitForMessageBox(HWND main, DWORD timeoutMs = 60000);
  // A visible dialog of the program other than `except`, shown by any of its
  // threads (an unattended worker shows its message box without an owner).
  HWND WaitForDialog(HWND except, DWORD timeoutMs = 60000);
  // Waits for the process to end; true when it did.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
};

// The text of a message box (its static text control).
std::string MessageBoxText(HWND box);
// Presses a button of a dialog (posted, as a click does).
void ClickButton(HWND dialog, int id);
std::string ControlText(HWND dialog, int id);

// Windows' shell-folder paths of the sandbox user.
std::string ProfileFolder();  // C:\users\<name>

}  // namespace suite::test
