// The system figures against a seeded registry, and what the performance
// page shows from them.
#include <gtest/gtest.h>

#include "performance.h"
#include "registry.h"
#include "testsupport.h"

namespace t = suite::test;
using namespace suite::console;

namespace {

const PerformanceTexts kTexts{"释放磁盘空间", "系统性能提升", "启动速度提升"};

}  // namespace

TEST(Figures, StartupEntriesAreTheValuesOfTheRunKeys) {
  const int base = CountStartupEntries();
  const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::string policy = "Software\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer\\Run";
  t::SetString(HKEY_CURRENT_USER, run, "BriskoTestA", "C:\\a.exe");
  t::SetString(HKEY_LOCAL_MACHINE, run, "BriskoTestB", "C:\\b.exe");
  t::SetString(HKEY_CURRENT_USER, policy, "BriskoTestC", "C:\\c.exe");
  // A 32-bit program's entry lies in the 32-bit view's Run key.
  const std::string run32 = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
  t::SetString(HKEY_LOCAL_MACHINE, run32, "BriskoTestD", "C:\\d.exe");
  // A subkey is no startup entry.
  t::SetString(HKEY_CURRENT_USER, run + "\\BriskoTestSub", "x", "y");
  EXPECT_EQ(CountStartupEntries(), base + 4);
  RegDeleteKeyValueA(HKEY_CURRENT_USER, run.c_str(), "BriskoTestA");
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, run.c_str(), "BriskoTestB");
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, run32.c_str(), "BriskoTestD");
  RegDeleteKeyA(HKEY_CURRENT_USER, policy.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, (run + "\\BriskoTestSub").c_str());
  EXPECT_EQ(CountStartupEntries(), base);
  EXPECT_EQ(StartupKeys().size(), 8u);
}

TEST(Figures, ServicesWithAndWithoutAnAutomaticStart) {
  t::ScratchKey services("BriskoServices");
  t::SetDword(services.Root(), services.Sub("boot"), "Start", 0);
  t::SetDword(services.Root(), services.Sub("system"), "Start", 1);
  t::SetDword(services.Root(), services.Sub("auto"), "Start", 2);
  t::SetDword(services.Root(), services.Sub("manual"), "Start", 3);
  t::SetDword(services.Root(), services.Sub("disabled"), "Start", 4);
  t::SetString(services.Root(), services.Sub("nostart"), "Type", "x");
  t::SetString(services.Root(), services.Sub("textstart"), "Start", "2");
  int all = -1, automatic = -1;
  CountServices(services.Root(), services.Path(), all, automatic);
  EXPECT_EQ(all, 7);
  EXPECT_EQ(automatic, 3);
  CountServices(services.Root(), services.Sub("missing"), all, automatic);
  EXPECT_EQ(all, 0);
  EXPECT_EQ(automatic, 0);
}

TEST(Figures, TheSystemsServicesAndProcessesAreCounted) {
  const std::string key = "SYSTEM\\CurrentControlSet\\Services\\BriskoTestService";
  const SystemFigures before = TakeSystemFigures();
  t::SetDword(HKEY_LOCAL_MACHINE, key, "Start", 2);
  const SystemFigures after = TakeSystemFigures();
  suite::DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
  EXPECT_EQ(after.services, before.services + 1);
  EXPECT_EQ(after.automaticServices, before.automaticServices + 1);
  EXPECT_GT(before.processes, 0);  // this test itself at least
  const DiskFigures disk = TakeDiskFigures();
  EXPECT_GT(disk.totalMb, 0u);
  EXPECT_LE(disk.freeMb, disk.totalMb);
}

TEST(Display, WithNoChangeNoGainIsShown) {
  const SystemFigures same{10, 200, 80, 30};
  const DiskFigures disk{1000, 400};
  const PerformanceDisplay d = ComputeDisplay(same, same, disk, disk, kTexts);
  EXPECT_EQ(d.startupAfter, kBeforePosition);
  EXPECT_EQ(d.performanceAfter, kBeforePosition);
  EXPECT_EQ(d.startupText, "启动速度提升:0");
  EXPECT_EQ(d.performanceText, "系统性能提升: 0%");
  EXPECT_EQ(d.diskText, "释放磁盘空间 0 MB");
  EXPECT_EQ(d.diskBefore, 60);
  EXPECT_EQ(d.diskAfter, 60);
}

TEST(Display, MeasuredChangesMoveTheBarsAndTexts) {
  const SystemFigures before{10, 200, 80, 30};
  SystemFigures after = before;
  after.startupEntries = 7;  // three startup entries removed
  PerformanceDisplay d = ComputeDisplay(before, after, {1000, 400}, {1000, 500}, kTexts);
  EXPECT_EQ(d.startupText, "启动速度提升:30");
  EXPECT_EQ(d.startupAfter, kBeforePosition + 3);
  EXPECT_EQ(d.performanceText, "系统性能提升: 3%");
  EXPECT_EQ(d.diskText, "释放磁盘空间 100 MB");
  EXPECT_EQ(d.diskAfter, 50);

  after = before;
  after.services = 198;
  after.automaticServices = 79;
  after.processes = 15;  // half the processes gone
  d = ComputeDisplay(before, after, {1000, 400}, {1000, 400}, kTexts);
  EXPECT_EQ(d.performanceAfter, kBeforePosition + 15 + 2);
  EXPECT_EQ(d.startupAfter, kBeforePosition + 1);
  EXPECT_EQ(d.performanceText, "系统性能提升: 4%");  // 2 + 1 + 0.5, rounded
  EXPECT_EQ(d.startupText, "启动速度提升:30");
}

TEST(Display, NoProcessesAndNoDisksDoNotDivideByZero) {
  const SystemFigures before{0, 0, 0, 0};
  const SystemFigures after{0, 0, 0, 0};
  const PerformanceDisplay d = ComputeDisplay(before, after, {0, 0}, {0, 0}, kTexts);
  EXPECT_EQ(d.diskBefore, 0);
  EXPECT_EQ(d.performanceText, "系统性能提升: 0%");
  // More free space than the total (a drive that went away) stays in range,
  // and less free space afterwards is no space freed.
  const PerformanceDisplay odd = ComputeDisplay(before, after, {100, 300}, {0, 5}, kTexts);
  EXPECT_EQ(odd.diskBefore, 0);
  EXPECT_EQ(odd.diskText, "释放磁盘空间 0 MB");
  EXPECT_EQ(ComputeDisplay(before, after, {1000, 500}, {1000, 380}, kTexts).diskText,
            "释放磁盘空间 0 MB");
  // Bars never leave their range, even when many entries came back.
  SystemFigures many{0, 0, 0, 0};
  SystemFigures more{500, 0, 0, 0};
  EXPECT_EQ(ComputeDisplay(many, more, {1, 1}, {1, 1}, kTexts).startupAfter, 1);
}
