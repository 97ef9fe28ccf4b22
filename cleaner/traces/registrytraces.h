// The registry trace scanners: most-recently-used lists, typed addresses,
// search histories, recent-file lists and stale registrations whose files are
// gone. Each one reads its key or keys (opened for reading only), applies its
// test and hands one row per found entry to the context's sink. Nothing here
// removes anything: the cleaning run hands the ticked rows to the
// registry-entry remover, which backs them up first.
#pragma once
#include <string>

#include "tracetable.h"

namespace dustrel::traces {

// Table entries k = 1 and 3 .. 22 (k = 0 and 2 are the browser stores).
void ScanTypedUrls(TraceContext& context);         // 1
void ScanAppPaths(TraceContext& context);          // 3
void ScanSharedDlls(TraceContext& context);        // 4
void ScanHelpFiles(TraceContext& context);         // 5: help files, then HTML Help files
void ScanKnownDlls(TraceContext& context);         // 6: known DLLs, 16-bit DLLs, VxDs
void ScanStartupGroup(TraceContext& context);      // 7: the six scanners below, in this order
void ScanDisabledStartup(TraceContext& context);
void ScanSharedTools(TraceContext& context);
void ScanLogonValues(TraceContext& context);
void ScanStartupWebPages(TraceContext& context);
void ScanStartMenuOrder(TraceContext& context);
void ScanContextMenuExtensions(TraceContext& context);
void ScanFindHistory(TraceContext& context);       // 8
void ScanRunHistory(TraceContext& context);        // 9
void ScanOpenSaveHistory(TraceContext& context);   // 10
void ScanLastVisited(TraceContext& context);       // 11
void ScanInstallLocations(TraceContext& context);  // 12
void ScanWinZip(TraceContext& context);            // 13
void ScanWinRar(TraceContext& context);            // 14
void ScanPaint(TraceContext& context);             // 15
void ScanWordPad(TraceContext& context);           // 16
void ScanNetAnts(TraceContext& context);           // 17
void ScanMediaPlayer(TraceContext& context);       // 18
void Scan3721(TraceContext& context);              // 19
void ScanRealPlayer(TraceContext& context);        // 20
void ScanSearchBarText(TraceContext& context);     // 21
void ScanSearchBarFiles(TraceContext& context);    // 22

// The data of a Run value names a web page: upper-cased, it holds "WWW.",
// "URL:", ".HTM" or "HTTP:".
bool HasWebMark(const std::string& data);
// A browser context-menu entry of one of the download managers the cleaner
// leaves alone (the name, upper-cased, holds one of their names).
bool IsKeptMenuExtension(const std::string& name);
// The folder look-up of the start-menu test: one trailing "\" and then one
// trailing "." dropped, then any entry the file system finds counts.
bool FolderEntryPresent(std::string path);

}  // namespace dustrel::traces
