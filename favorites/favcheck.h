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
#include <mutex>
#include <string>
#include <vector>

#include "handles.h"

namespace marksift {

struct InternetHandlePolicy {
  using Type = HINTERNET;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::InternetCloseHandle(h); }
};
using UniqueInternet = suite::UniqueHandle<InternetHandlePolicy>;

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

struct CheckOptions {
  DWORD timeoutMs = 10000;  // connect, send and receive, per request
  int parallel = 8;         // favorites checked at once
};

// Keeps the internet sessions that are open right now so that another thread
// can close them: closing a session breaks the request waiting inside it.
class RequestCanceller {
 public:
  void Cancel();
  bool Cancelled() const;
  // A check registers its session; false when the check was cancelled before.
  bool Add(HINTERNET session);
  // True when the caller still owns the session (Cancel did not close it).
  bool Remove(HINTERNET session);

 private:
  mutable std::mutex lock_;
  bool cancelled_ = false;
  std::vector<HINTERNET> open_;
};

struct LinkResult {
  LinkState state = LinkState::NotChecked;
  DWORD status = 0;  // HTTP status code, 0 when none arrived
  DWORD error = 0;   // WinINet error of a failed request
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
  virtual void Dead(const std::string& /*path*/) {}
};

// Checks every favorite among the candidates, several at once, and returns the
// dead ones in candidate order. When `stop` becomes true the open requests are
// closed, no new one starts and the check returns what it had reported.
std::vector<std::string> CheckFavorites(const std::vector<std::string>& candidates,
                                        CheckSink& sink, const std::atomic<bool>& stop,
                                        const CheckOptions& options = {});

// Moves favorite files to the Recycle Bin; returns those that were there and
// are gone afterwards. Folders and files that are not favorites are left.
std::vector<std::string> RecycleFavorites(const std::vector<std::string>& paths,
                                          HWND owner = nullptr);

// "检查: %-32s" with the favorite's name.
std::string CheckedLine(const std::string& path);

}  // namespace marksift
