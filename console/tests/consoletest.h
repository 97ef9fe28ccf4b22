// Test helpers of the console: a folder of stand-in cleaners that record how
// they were started, seeded logs, and waiting for a condition.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "testsupport.h"

namespace suite::console::test {

// The stand-in cleaner built beside the tests.
std::string StandinPath();

// A scratch folder holding the stand-in under each of the given program names.
class StandinFolder {
 public:
  StandinFolder(const std::string& path, const std::vector<std::string>& programs);
  const std::string& Path() const { return dir_.Path(); }
  std::string operator/(const std::string& name) const { return dir_ / name; }
  // The "<name>|<first argument>|<argc>" lines, in start order.
  std::vector<std::string> Calls() const;
  // The log that the stand-in answering for `logName` writes when it has run.
  void SeedLog(const std::string& logName, int count, const std::vector<std::string>& files);
  void SeedLogBytes(const std::string& logName, const std::string& bytes);
  void Hang(const std::string& program);  // "Snipwell": waits until Release()
  void Release();

 private:
  suite::test::ScratchDir dir_;
};

// The bytes a cleaner writes for a pass: "Numbers", then "Files".
std::string LogBytes(int count, const std::vector<std::string>& files);

// Polls `condition` every 20 ms; true as soon as it holds.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000);

// The programs of the step table, as they lie beside the console.
const std::vector<std::string>& CleanerNames();

}  // namespace suite::console::test
