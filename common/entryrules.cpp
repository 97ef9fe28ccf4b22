#include "entryrules.h"

#include <cstdlib>

#include "handles.h"
#include "registry.h"
#include "text.h"

namespace suite {

const char* const kAppPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char* const kKnownDllsKey = "System\\CurrentControlSet\\Control\\SessionManager\\KnownDLLs";
const char* const kKnown16DllsKey =
    "System\\CurrentControlSet\\Control\\SessionManager\\Known16DLLs";
const char* const kKnownVxdsKey = "System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs";
const char* const kHelpKey = "Software\\Microsoft\\Windows\\Help";
const char* const kHtmlHelpKey = "Software\\Microsoft\\Windows\\HTML Help";
const char* const kDefaultIconKey = "DefaultIcon";
const char* const kInprocServerKey = "InprocServer32";
const char* const kLocalServerKey = "LocalServer32";
const char* const kCommandKey = "command";

namespace {

bool Missing(const std::string& text, PathChecker& checker) {
  return !checker.FileReferenceExists(text);
}

}  // namespace

bool AppPathStale(const std::string& program, PathChecker& checker) {
  return !program.empty() && program.find(":\\") != std::string::npos &&
         Missing(program, checker);
}

bool KnownDllStale(const std::string& data, const std::string& systemFolder,
                   PathChecker& checker) {
  return Missing(systemFolder + "\\" + data, checker);
}

bool KnownVxdStale(const std::string& data, PathChecker& checker) {
  return Missing(data, checker);
}

bool HelpFileStale(const std::string& fileName, const std::string& folder,
                   PathChecker& checker) {
  return !folder.empty() && Missing(JoinPath(folder, fileName), checker);
}

void SplitIconValue(const std::string& value, std::string& file, int& index) {
  file.clear();
  index = 0;
  const size_t comma = value.find(',');
  if (comma == std::string::npos) return;
  file = value.substr(0, comma);
  index = std::atoi(value.c_str() + comma + 1);
}

bool DefaultIconStale(const std::string& iconValue, PathChecker& checker) {
  std::string file;
  int index = 0;
  SplitIconValue(iconValue, file, index);
  return !file.empty() && Missing(file, checker);
}

bool ReadComServer(HKEY key, const std::string& clsidPath, std::string& server) {
  server.clear();
  UniqueKey found = OpenKey(key, clsidPath + "\\" + kInprocServerKey, KEY_READ);
  if (!found) found = OpenKey(key, clsidPath + "\\" + kLocalServerKey, KEY_READ);
  if (!found) return false;
  ReadString(found.get(), std::string(), server);
  return true;
}

bool ComServerStale(const std::string& server, PathChecker& checker) {
  return Missing(server, checker);
}

bool ShellCommandStale(const std::string& command, PathChecker& checker) {
  return Missing(command, checker);
}

}  // namespace suite
