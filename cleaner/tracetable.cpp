#include "tracetable.h"

namespace dustrel {

namespace {

// Scanner k serves row OtherItem(k+2). Entries stay empty until their trace
// kind is built.
const TraceScanner kScanners[kTraceScannerCount] = {};

}  // namespace

TraceScanner TraceScannerAt(int k) {
  return k >= 0 && k < kTraceScannerCount ? kScanners[k] : nullptr;
}

void RunTraceScanners(const OtherItemTicks& ticks, TraceContext& context) {
  for (int k = 0; k < kTraceScannerCount; ++k) {
    if (context.stop) return;
    if (!ticks[static_cast<size_t>(k + 1)]) continue;
    if (TraceScanner scanner = TraceScannerAt(k)) scanner(context);
  }
}

void CleanBrowserStores(const OtherItemTicks& /*ticks*/, bool /*autoExit*/) {}

}  // namespace dustrel
