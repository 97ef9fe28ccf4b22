#include "reportfigures.h"

#include "text.h"

namespace dustrel {

namespace {

PieFigures Labelled(unsigned long long used, unsigned long long free) {
  PieFigures p;
  p.usedMb = used;
  p.freeMb = free;
  p.usedLabel = suite::Format("已用:%llu MB", used);
  p.freeLabel = suite::Format("剩余:%llu MB", free);
  return p;
}

}  // namespace

PieFigures BeforePie(const DiskFigures& before) { return Labelled(before.usedMb, before.freeMb); }

PieFigures AfterPie(const DiskFigures& after, unsigned long long freedMb) {
  // Files in the Recycle Bin still take their space: the freed megabytes are
  // added to what the disks show free, never beyond the disks' size.
  const unsigned long long total = after.usedMb + after.freeMb;
  unsigned long long free = after.freeMb + freedMb;
  if (free > total) free = total;
  return Labelled(total - free, free);
}

}  // namespace dustrel
