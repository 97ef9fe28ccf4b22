#include "consoletest.h"

#include <sstream>

#include "sysinfo.h"

namespace t = suite::test;

namespace suite::console::test {

std::string StandinPath() { return ProgramFolderPath("console_standin.exe"); }

const std::vector<std::string>& CleanerNames() {
  static const std::vector<std::string> names = {"Snipwell.exe", "Marksift.exe", "Dustrel.exe",
                                                 "Hivemend.exe", "Patchmoor.exe"};
  return names;
}

StandinFolder::StandinFolder(const std::string& path, const std::vector<std::string>& programs)
    : dir_(path) {
  for (const std::string& p : programs) CopyFileA(StandinPath().c_str(), (dir_ / p).c_str(), FALSE);
}

std::vector<std::string> StandinFolder::Calls() const {
  std::vector<std::string> lines;
  std::istringstream in(t::ReadBytes(dir_ / "calls.txt"));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::string LogBytes(int count, const std::vector<std::string>& files) {
  std::string s = "[Numbers]\r\nItem0=" + std::to_string(count) + "\r\n\r\n";
  if (!files.empty()) {
    s += "[Files]\r\n";
    for (size_t i = 0; i < files.size(); ++i)
      s += "Item" + std::to_string(i) + "=" + files[i] + "\r\n";
    s += "\r\n";
  }
  return s;
}

void StandinFolder::SeedLog(const std::string& logName, int count,
                            const std::vector<std::string>& files) {
  SeedLogBytes(logName, LogBytes(count, files));
}

void StandinFolder::SeedLogBytes(const std::string& logName, const std::string& bytes) {
  t::WriteBytes(dir_ / (logName + ".seed"), bytes);
}

void StandinFolder::Hang(const std::string& program) { t::WriteBytes(dir_ / (program + ".hang"), "x"); }

void StandinFolder::Release() { t::WriteBytes(dir_ / "release", "x"); }

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
}

}  // namespace suite::console::test
