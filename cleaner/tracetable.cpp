#include "tracetable.h"

#include "inifile.h"
#include "traces/browserstores.h"
#include "traces/registrytraces.h"

namespace dustrel {

namespace {

// Scanner k serves row OtherItem(k+2).
const TraceScanner kScanners[kTraceScannerCount] = {
    traces::ScanHistory,          // OtherItem2: IE history
    traces::ScanTypedUrls,        // OtherItem3: typed addresses
    traces::ScanCookies,          // OtherItem4: IE cookies
    traces::ScanAppPaths,         // OtherItem5
    traces::ScanSharedDlls,       // OtherItem6
    traces::ScanHelpFiles,        // OtherItem7: help, then HTML Help
    traces::ScanKnownDlls,        // OtherItem8: DLLs, 16-bit DLLs, VxDs
    traces::ScanStartupGroup,     // OtherItem9: startup, tools, logon, menus
    traces::ScanFindHistory,      // OtherItem10
    traces::ScanRunHistory,       // OtherItem11
    traces::ScanOpenSaveHistory,  // OtherItem12
    traces::ScanLastVisited,      // OtherItem13
    traces::ScanInstallLocations, // OtherItem14
    traces::ScanWinZip,           // OtherItem15
    traces::ScanWinRar,           // OtherItem16
    traces::ScanPaint,            // OtherItem17
    traces::ScanWordPad,          // OtherItem18
    traces::ScanNetAnts,          // OtherItem19
    traces::ScanMediaPlayer,      // OtherItem20
    traces::Scan3721,             // OtherItem21
    traces::ScanRealPlayer,       // OtherItem22
    traces::ScanSearchBarText,    // OtherItem23
    traces::ScanSearchBarFiles,   // OtherItem24
};

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

bool IsStoreItem(int n) { return n == 1 || n == 2 || n == 4 || n == 25 || n == 26; }

void AddBrowserStoreRows(const OtherItemTicks& ticks, TraceContext& context) {
  suite::InterfaceTexts texts(context.iniName);
  const std::string category = texts.Get("strStoreRow");
  for (int n = 1; n <= kOtherItemCount; ++n) {
    if (context.stop) return;
    if (!IsStoreItem(n) || !ticks[static_cast<size_t>(n - 1)] || !traces::StoreHasContent(n))
      continue;
    FoundItem row;
    row.name = texts.Get("OtherItem", n);
    row.folder = "Internet Explorer";
    row.category = category;
    row.marker = kMarkerStore;
    row.store = n;
    row.checked = true;
    context.sink.Add(std::move(row));
  }
}

OtherItemTicks CleanBrowserStores(const OtherItemTicks& stores, bool autoExit,
                                  suite::RestorePoint& point) {
  traces::BrowserStoreActions actions = traces::DefaultBrowserStoreActions();
  actions.restorePoint = &point;
  return traces::CleanBrowserStores(stores, autoExit, actions);
}

}  // namespace dustrel
