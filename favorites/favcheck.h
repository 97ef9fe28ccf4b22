// Finding dead Internet favorites: the ".url" files below the user's and the
// common favorites folders whose web server answers that the page is gone.
// Only a definite answer (404 or 410 after redirects) marks a favorite dead:
// an unreachable server, a login page, a server error or an address that is
// not http/https leaves it alone. No window is involved; the dialog and the
// unattended run show and remove what the check reports.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "handles.h"

namespace marksift {

using suite::UniqueInternet;

enum class LinkState {
  Alive,         // 2xx or 3xx
  Dead,          // 404 or 410 after redirects
  Inconclusive,  // no answer, or an answer that says nothing about the page
  NotChecked,    // no address, or a scheme other than http/https
};

// An http or https address split by the system's URL parser.
struct HttpTarget {
  bool secure = false;
  std::string host;
  INTERNET_PORT port = 0;  // 80 or 443 unless the address names one
  std::string object;      // path and query, "/" at least; no fragment
  std::string user, password;
};
// False for an address the parser rejects and for every other scheme.
bool SplitAddress(const std::string& address, HttpTarget& out);
LinkState StateForStatus(DWORD status);

// Favorites are candidates whose lower-cased path contains ".url" (so
// "x.url.txt" counts, as it always has).
bool IsFavoritePath(const std::string& path);
// The text after the last backslash with every double quote removed.
std::string FavoriteName(const std::string& path);
// "BASEURL" of section "DEFAULT"; when that is missing or empty, "URL" of
// section "InternetShortcut" (names compared without regard to case). Empty
// for an unreadable, oversized or broken file.
std::string FavoriteAddress(const std::string& path);

// The user's favorites folder, then the common one (missing or repeated
// folders left out).
std::vector<std::string> FavoriteFolders();
// Every file below the folders, in order, folder by folder.
std::vector<std::string> ListCandidates(const std::vector<std::string>& folders,
                                        const std::atomic<bool>* stop = nullptr);

// No web site gets more than this many of the check's requests at once, however
// many of the favorites point at it ("site": the host name of the address,
// without regard to case; every port of a host counts as the same site).
constexpr int kMaxRequestsPerHost = 4;
// Requests of one check in flight at once, over all sites: a slow site keeps
// only its own few workers waiting while the others go on with other sites.
constexpr int kCheckWorkers = 64;

struct CheckOptions {
  DWORD timeoutMs = 10000;             // connect, send and receive, per request
  int parallel = kCheckWorkers;        // favorites checked at once
  int perHost = kMaxRequestsPerHost;   // of those, at most this many per site
};

// The site a request for the address goes to (the lower-cased host name);
// empty for an address that is never requested.
std::string SiteOf(const std::string& address);

// WinINet keeps a process-wide limit of connections per server (2 by default,
// 4 for HTTP/1.0 servers) and makes any further request to that server wait
// for a free connection. Raises both limits to at least `perServer` so that the
// per-site cap of the check, not the system's, decides. Returns the limit in
// force for HTTP/1.1 servers afterwards (0 when it cannot be read).
DWORD RaiseConnectionLimit(DWORD perServer);

// Holds the internet sessions that are open right now so that another thread
// can close them: closing a session breaks the request waiting inside it.
class RequestCanceller {
 public:
  // Closes every session it holds.
  void Cancel();
  bool Cancelled() const;
  // A check hands its session over for the time of its requests (the raw
  // handle stays usable); false, and the session stays the caller's, when
  // the check was cancelled before.
  bool Add(UniqueInternet& session);
  // Gives a session handed over back to the caller; empty when Cancel has
  // closed it.
  UniqueInternet Remove(HINTERNET session);
  // Closes the handles (children of a session handed over; empty ones are
  // skipped) unless Cancel closed them with their session; they are then only
  // let go: a handle is never closed twice, so a value the system hands out
  // again stays untouched. False when the check was cancelled.
  bool CloseUnlessCancelled(std::initializer_list<UniqueInternet*> handles);

 private:
  mutable std::shared_mutex lock_;
  bool cancelled_ = false;
  std::vector<UniqueInternet> open_;
};

// What makes a favorite file the same file later: its size and the time it
// was last written. An invalid stamp matches nothing.
struct FileStamp {
  bool valid = false;
  uint64_t size = 0;
  uint64_t written = 0;
  bool operator==(const FileStamp& o) const {
    return valid && o.valid && size == o.size && written == o.written;
  }
  bool operator!=(const FileStamp& o) const { return !(*this == o); }
};
FileStamp StampOf(const std::string& path);

struct LinkResult {
  LinkState state = LinkState::NotChecked;
  DWORD status = 0;  // HTTP status code, 0 when none arrived
  DWORD error = 0;   // WinINet error of a failed request
  FileStamp stamp;   // of the favorite file, taken before its address was read
};

// One GET request for the address (redirects followed), classified.
LinkResult CheckAddress(const std::string& address, const CheckOptions& options = {},
                        RequestCanceller* canceller = nullptr);

// What the check tells its window, always in candidate order and from the
// thread that called CheckFavorites, exactly as a one-by-one check would.
class CheckSink {
 public:
  virtual ~CheckSink() = default;
  virtual void Started(size_t /*candidates*/) {}
  virtual void Checking(size_t /*index*/, const std::string& /*path*/) {}
  // A favorite whose check ended (not called for other files).
  virtual void Checked(size_t /*index*/, const std::string& /*path*/, const LinkResult&) {}
  // `stamp` identifies the file as it was checked (see RecycleFavorites).
  virtual void Dead(const std::string& /*path*/, const FileStamp& /*stamp*/) {}
};

// Checks every favorite among the candidates, several at once, and returns the
// dead ones in candidate order (with their stamps in `stamps`, when given).
// Up to `options.parallel` requests run at once, at most `options.perHost` of
// them to one site: a worker that is free takes the first favorite, in
// candidate order, whose site is below its cap; favorites of a busy site wait
// for one of its requests to end.
// When `stop` becomes true the open requests are closed, no new one starts and
// the check returns what it had reported within about a second: a request the
// system cannot break at once is left to end by its time-out on its own
// thread. No exception leaves the checking threads.
std::vector<std::string> CheckFavorites(const std::vector<std::string>& candidates,
                                        CheckSink& sink, const std::atomic<bool>& stop,
                                        const CheckOptions& options = {},
                                        std::vector<FileStamp>* stamps = nullptr);

// Moves favorite files to the Recycle Bin, each only while it is still the
// file that was checked (its stamp, `stamps` parallel to `paths`, matches):
// one rewritten since is left and stays listed. Returns those that were there
// and are gone afterwards. Folders and files that are not favorites are left.
// Stops between files when `stop` becomes true.
std::vector<std::string> RecycleFavorites(const std::vector<std::string>& paths,
                                          const std::vector<FileStamp>& stamps,
                                          HWND owner = nullptr,
                                          const std::atomic<bool>* stop = nullptr);

// "检查: %-32s" with the favorite's name.
std::string CheckedLine(const std::string& path);

// The unattended pass ("-Auto"): checks every favorite in `folders`, moves
// the dead ones to the Recycle Bin and writes the cleaning log with those
// really gone; nothing removed writes no log (an older one stays). Returns
// the removed favorites.
std::vector<std::string> RunUnattendedPass(const std::vector<std::string>& folders,
                                           const CheckOptions& options = {});

}  // namespace marksift
