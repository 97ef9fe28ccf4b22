#include "shellglue.h"

#include "inifile.h"
#include "probes.h"
#include "selection.h"
#include "tracetable.h"

namespace dustrel {

std::vector<TargetRow> BuildTargetRows(const std::string& iniName, std::string& status) {
  suite::InterfaceTexts texts(iniName);
  std::vector<TargetRow> rows;
  const std::string freeText = texts.Get("strFreesize");
  const std::string notScanned = texts.Get("strNotFS");
  for (const std::string& root : suite::FixedDrives()) {
    ULARGE_INTEGER freeBytes{};
    GetDiskFreeSpaceExA(root.c_str(), &freeBytes, nullptr, nullptr);
    TargetRow r;
    r.caption = root;
    r.column1 = suite::Format("%s:%llu MB", freeText.c_str(), freeBytes.QuadPart >> 20);
    r.status = notScanned;
    r.image = 0;
    r.checked = false;
    rows.push_back(r);
  }
  const std::string autoText = texts.Get("strAutoFS");
  for (int n = 1; n <= kOtherItemCount; ++n) {
    TargetRow r;
    r.caption = texts.Get("OtherItem", n);
    r.column1 = " ";
    r.status = autoText;
    r.image = n <= 4 ? 1 : (n <= 9 ? 2 : 3);
    r.checked = n < 2 || n > 4;
    rows.push_back(r);
  }
  status.clear();
  std::vector<bool> ticks;
  for (const TargetRow& r : rows) ticks.push_back(r.checked);
  std::vector<bool> saved;
  if (ReadSavedSelection(saved)) ApplySelection(saved, ticks);
  for (size_t i = 0; i < rows.size(); ++i) rows[i].checked = ticks[i];
  return rows;
}

bool SaveTargetSelection(const std::vector<bool>& ticks) { return SaveSelection(ticks); }

void RunWindowScan(const std::vector<bool>&, const std::vector<std::string>&, RowSink&,
                   const std::atomic<bool>&) {}

CleanOutcome RunWindowClean(const std::vector<FoundItem>& rows, const std::vector<bool>&, bool,
                            const CleanProgressSink&) {
  CleanOutcome o;
  o.remaining = rows;
  return o;
}

void RunSilentPass(bool, const std::vector<bool>&, const std::vector<std::string>&) {}

}  // namespace dustrel
