// Internet Explorer's stores: the history and cookie scanners over the WinINet
// URL cache, the three URL-cache sweeps, the history object, the browser's own
// clearing command (Internet Explorer 7), and the form-data (AutoComplete) and
// saved-password cleaners. The cleaners that remove registry keys back them up
// to the suite's .reg store first and remove nothing when that fails.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <functional>
#include <string>

#include "tracetable.h"

namespace dustrel::traces {

// Column 0 of a browser row whose address cannot be shown.
extern const char* const kUrlTooLong;  // "History is too long,can't Display"

// Walks every entry of the URL cache. The entry buffer starts at `firstSize`
// bytes and grows to the size the cache asks for; `visit` sees each entry with
// the size of the buffer that holds it. True when the walk reached the end of
// the cache, false on any other error (or a stop).
using CacheVisitor = std::function<void(const INTERNET_CACHE_ENTRY_INFOA& entry, size_t bufferSize)>;
bool WalkUrlCache(size_t firstSize, const CacheVisitor& visit,
                  const std::atomic<bool>* stop = nullptr);

// The source address of an entry, read only within the entry buffer of
// `bufferSize` bytes that starts at `entry`; kUrlTooLong when the address does
// not lie in the buffer or does not end inside it. At most 32767 bytes.
std::string EntryUrl(const INTERNET_CACHE_ENTRY_INFOA& entry, size_t bufferSize);

// The two scanners (table entries 0 and 2): one ticked row per history or
// cookie entry of the cache.
void ScanHistory(TraceContext& context);
void ScanCookies(TraceContext& context);

// The sweeps: delete every cache entry with neither the cookie nor the
// history bit (cache), with the cookie bit (cookies), with the history bit
// (history). True when the walk reached the end of the cache.
bool SweepCache();
bool SweepCookies();
bool SweepHistory();
// Clears the history through the browser's history object; false when the
// object is missing or refuses.
bool ClearHistoryObject();

// "S-1-<authority>-<sub>-<sub>...", the text form of a security identifier.
std::string SidText(PSID sid);
// The security identifier of the user running this process, as text; empty
// when it cannot be read.
std::string CurrentUserSidText();

// The AutoComplete key of one owner below the Protected Storage provider.
std::string ProtectedStorageKey(const std::string& owner);  // ...Provider\<owner>
std::string AutoCompleteKey(const std::string& owner);      // ...\Data\e161255a-...

struct BrowserCleanResult {
  bool found = false;    // there was something to remove
  bool backedUp = false; // the backup was written (otherwise nothing was removed)
  bool removed = false;  // the key is gone afterwards
  std::string backupFolder;
};

// Form AutoComplete data. Windows 9x: the key of the logged-on user's name
// under HKEY_LOCAL_MACHINE. NT family: the key of the user's security
// identifier under HKEY_CURRENT_USER, opened up with a temporary access list
// while it is backed up and removed; every access list changed is put back.
// The key goes through the shared removal into `point` (the run's restore point).
BrowserCleanResult CleanAutoComplete(suite::RestorePoint& point);
// Saved passwords: the "IntelliForms" key of the browser.
BrowserCleanResult CleanPasswords(suite::RestorePoint& point);

// Whether the store of row OtherItem<n> holds anything the cleaning run
// would remove: cache entries (1), history entries (2), cookies (4), the
// AutoComplete key (25), the saved-password key (26). False for other rows.
bool StoreHasContent(int n);

// How the browser-store step reaches the outside world (tests replace parts).
struct BrowserStoreActions {
  // The run's restore point for the keys removed; null: a point of its own
  // in the store beside the program.
  suite::RestorePoint* restorePoint = nullptr;
  // Starts a program without waiting (Internet Explorer 7's clearing
  // command); false when it could not be started.
  std::function<bool(const std::string& program, const std::string& parameters)> start;
};
BrowserStoreActions DefaultBrowserStoreActions();

// The cleaning run's step for the browser stores, by the marked rows
// OtherItem1 (cache), 2 (history), 4 (cookies), 25 (form data), 26
// (passwords). Returns the stores emptied (with Internet Explorer 7: whose
// clearing command was started).
OtherItemTicks CleanBrowserStores(const OtherItemTicks& stores, bool autoExit,
                                  const BrowserStoreActions& actions);

}  // namespace dustrel::traces
