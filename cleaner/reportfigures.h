// The figures of the disk report's two pies: "清理前" from the disks before
// the cleaning run, "清理后" from the disks after it plus what the run freed
// (files sent to the Recycle Bin still take their space until it is emptied).
#pragma once
#include <string>

namespace dustrel {

struct DiskFigures {
  unsigned long long usedMb = 0;
  unsigned long long freeMb = 0;
};

struct PieFigures {
  unsigned long long usedMb = 0;
  unsigned long long freeMb = 0;
  std::string usedLabel;  // "已用:%d MB"
  std::string freeLabel;  // "剩余:%d MB"
};

PieFigures BeforePie(const DiskFigures& before);
// The freed megabytes move from used to free (never below zero used).
PieFigures AfterPie(const DiskFigures& after, unsigned long long freedMb);

}  // namespace dustrel
