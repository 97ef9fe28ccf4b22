// The trace-scanner table: the one place that binds the scan-target rows
// OtherItem2..OtherItem24 to the privacy-trace scanners, and the cleaning
// run's browser-store step (rows OtherItem1, 2, 4, 25, 26) to the browser
// cleaners. The junk scan and the cleaning run call only these two entries.
#pragma once
#include <array>
#include <atomic>
#include <string>

#include "founditem.h"

namespace suite {
class RestorePoint;
}

namespace dustrel {

constexpr int kOtherItemCount = 26;
constexpr int kTraceScannerCount = 23;  // scanner k runs for ticked row OtherItem(k+2)

// Ticks of the rows OtherItem1..OtherItem26 (index 0 is OtherItem1).
using OtherItemTicks = std::array<bool, kOtherItemCount>;

struct TraceContext {
  RowSink& sink;
  const std::atomic<bool>& stop;  // scanners end early when it becomes true
  std::string iniName;            // settings file for the description texts ("Dustrel.ini")
};

using TraceScanner = void (*)(TraceContext& context);

// Scanner k of the table, or nullptr while that trace kind has no scanner.
TraceScanner TraceScannerAt(int k);

// Runs the scanners of every ticked row OtherItem2..OtherItem24 in table order.
void RunTraceScanners(const OtherItemTicks& ticks, TraceContext& context);

// The OtherItem rows whose whole store the cleaning run empties: 1 cache,
// 2 history, 4 cookies, 25 form data, 26 saved passwords.
bool IsStoreItem(int n);

// One store row per ticked store row that holds something (marker "Store",
// ticked, `store` = its OtherItem number; texts "OtherItem<n>" and
// "strStoreRow"). The cleaning run empties a store only through its row.
void AddBrowserStoreRows(const OtherItemTicks& ticks, TraceContext& context);

// The browser-store step of the cleaning run: empties the stores marked in
// `stores` (index n-1 for OtherItem<n>) and tells which of them are empty
// now. `autoExit` is the reduced variant run before an automatic shutdown
// (cache, history and cookies only). The keys it removes are backed up into
// the run's restore point.
OtherItemTicks CleanBrowserStores(const OtherItemTicks& stores, bool autoExit,
                                  suite::RestorePoint& point);

}  // namespace dustrel
