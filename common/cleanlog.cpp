#include "cleanlog.h"

#include <windows.h>

#include "dryrun.h"
#include "handles.h"
#include "inifile.h"
#include "programs.h"
#include "sysinfo.h"

namespace suite {

std::string OneLogLine(std::string entry) {
  for (char& c : entry)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return entry;
}

bool WriteLog(const std::string& fileName, const std::string& section,
              const std::vector<std::string>& items) {
  const std::string path = ActiveLogPath(ProgramFolderPath(fileName));
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    UniqueHandleKernel created(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!created) return false;
  }
  IniFile file(path);
  if (!file.ReadFile()) return false;
  for (size_t i = 0; i < items.size(); ++i)
    file.SetValue(section, "Item" + std::to_string(i), OneLogLine(items[i]), true);
  return file.WriteFile();
}

bool ReadLog(const std::string& fileName, const std::string& section,
             std::vector<std::string>& out) {
  return ReadLogAt(ProgramFolderPath(fileName), section, out);
}

bool ReadLogAt(const std::string& path, const std::string& section,
               std::vector<std::string>& out) {
  IniFile file(ActiveLogPath(path));
  if (!file.ReadFile()) {
    out.clear();
    return false;
  }
  const int n = file.NumValues(section);
  for (int i = 0; i < n; ++i) out.push_back(file.GetValue(section, "Item" + std::to_string(i)));
  return true;
}

void DeleteLog(const std::string& fileName) { DeleteLogAt(ProgramFolderPath(fileName)); }

void DeleteLogAt(const std::string& path) { DeleteFileA(ActiveLogPath(path).c_str()); }

void WriteCleaningLog(const std::string& fileName, int count,
                      const std::vector<std::string>& files) {
  WriteCleaningLog(fileName, std::vector<std::string>{std::to_string(count)}, files);
}

void WriteCleaningLog(const std::string& fileName, const std::vector<std::string>& numbers,
                      const std::vector<std::string>& files) {
  DeleteLog(fileName);
  if (!WriteLog(fileName, "Numbers", numbers) ||
      !WriteLog(fileName, "Files", files)) {
    // An unattended run has nobody to click the box away: it ends at once.
    if (!UnattendedRun()) MessageBoxA(nullptr, "无法创建日志文件!", nullptr, MB_OK | MB_ICONERROR);
    ExitProcess(1);
  }
}

}  // namespace suite
