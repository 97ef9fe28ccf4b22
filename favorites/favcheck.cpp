#include "favcheck.h"

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "cleanlog.h"
#include "folderwalk.h"
#include "inifile.h"
#include "programs.h"
#include "removal.h"
#include "sysinfo.h"
#include "text.h"

namespace marksift {

namespace {

constexpr uint64_t kMaxFavoriteBytes = 1 << 20;  // a favorite is a few hundred bytes
// The check's workers: this many start with it; when the result the window
// waits for is later than kLateResult, as many again start (kMoreWorkers at
// least).
constexpr int kFirstWorkers = 4;
constexpr int kMoreWorkers = 4;
constexpr std::chrono::milliseconds kLateResult{20};

std::string Trim(const std::string& s) {
  const size_t begin = s.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return std::string();
  return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
}

// A value looked up exactly first, then without regard to the case of the
// section and value names (the system's own profile reader ignores case).
std::string LookUp(suite::IniFile& file, const std::string& section, const std::string& name) {
  std::string value = Trim(file.GetValue(section, name));
  if (!value.empty()) return value;
  for (const std::string& s : file.SectionNames()) {
    if (!suite::EqualsNoCase(s, section)) continue;
    for (const std::string& n : file.ValueNames(s))
      if (suite::EqualsNoCase(n, name)) {
        value = Trim(file.GetValue(s, n));
        if (!value.empty()) return value;
      }
  }
  return std::string();
}

}  // namespace

bool SplitAddress(const std::string& address, HttpTarget& out) {
  const std::string url = Trim(address);
  if (url.empty() || url.size() > INTERNET_MAX_URL_LENGTH) return false;
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength =
      parts.dwExtraInfoLength = parts.dwUserNameLength = parts.dwPasswordLength = 1;
  if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
    return false;
  auto piece = [](const char* p, DWORD n) { return p ? std::string(p, n) : std::string(); };
  out = HttpTarget{};
  out.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  out.host = piece(parts.lpszHostName, parts.dwHostNameLength);
  if (out.host.empty()) return false;
  out.port = parts.nPort ? parts.nPort
                         : (out.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT);
  out.object = piece(parts.lpszUrlPath, parts.dwUrlPathLength) +
               piece(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  const size_t fragment = out.object.find('#');
  if (fragment != std::string::npos) out.object.erase(fragment);
  if (out.object.empty() || out.object[0] != '/') out.object.insert(0, "/");
  out.user = piece(parts.lpszUserName, parts.dwUserNameLength);
  out.password = piece(parts.lpszPassword, parts.dwPasswordLength);
  return true;
}

LinkState StateForStatus(DWORD status) {
  if (status == 404 || status == 410) return LinkState::Dead;
  if (status >= 200 && status < 400) return LinkState::Alive;
  return LinkState::Inconclusive;
}

bool IsFavoritePath(const std::string& path) {
  return suite::ToLower(path).find(".url") != std::string::npos;
}

std::string FavoriteName(const std::string& path) {
  // Split at a real backslash: GBK trail bytes include the byte of '\'.
  const size_t cut = suite::LastBackslash(path);
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  name.erase(std::remove(name.begin(), name.end(), '"'), name.end());
  return name;
}

std::string FavoriteAddress(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || info.nFileSizeHigh != 0 ||
      info.nFileSizeLow > kMaxFavoriteBytes)
    return std::string();
  suite::IniFile file(path);
  if (!file.ReadFile()) return std::string();
  std::string address = LookUp(file, "DEFAULT", "BASEURL");
  if (address.empty()) address = LookUp(file, "InternetShortcut", "URL");
  return address;
}

std::vector<std::string> FavoriteFolders() {
  std::vector<std::string> folders;
  for (const char* name : {"Favorites", "Common Favorites"}) {
    std::string folder = suite::ShellFolder(name);
    // Only a real backslash goes: a GBK character may end in the byte of '\'.
    while (folder.size() > 3 && suite::EndsWithBackslash(folder)) folder.pop_back();
    if (folder.empty()) continue;
    bool seen = false;
    for (const std::string& f : folders) seen = seen || suite::EqualsNoCase(f, folder);
    if (!seen) folders.push_back(folder);
  }
  return folders;
}

std::vector<std::string> ListCandidates(const std::vector<std::string>& folders,
                                        const std::atomic<bool>* stop) {
  std::vector<std::string> files;
  for (const std::string& folder : folders)
    suite::WalkFolder(folder, [&](const suite::WalkEntry& e) { files.push_back(e.path); }, stop);
  return files;
}

void RequestCanceller::Cancel() {
  std::unique_lock<std::shared_mutex> guard(lock_);
  cancelled_ = true;
  open_.clear();
}

bool RequestCanceller::Cancelled() const {
  std::shared_lock<std::shared_mutex> guard(lock_);
  return cancelled_;
}

bool RequestCanceller::Add(UniqueInternet& session) {
  std::unique_lock<std::shared_mutex> guard(lock_);
  if (cancelled_) return false;
  open_.push_back(std::move(session));
  return true;
}

UniqueInternet RequestCanceller::Remove(HINTERNET session) {
  std::unique_lock<std::shared_mutex> guard(lock_);
  auto it = std::find_if(open_.begin(), open_.end(),
                         [&](const UniqueInternet& held) { return held.get() == session; });
  if (it == open_.end()) return UniqueInternet();
  UniqueInternet back = std::move(*it);
  open_.erase(it);
  return back;
}

bool RequestCanceller::CloseUnlessCancelled(std::initializer_list<UniqueInternet*> handles) {
  // Shared: the checking threads close their own handles side by side; Cancel
  // waits for them and they for it.
  std::shared_lock<std::shared_mutex> guard(lock_);
  for (UniqueInternet* h : handles) {
    if (cancelled_)
      h->release();  // closed already, with their session
    else
      h->reset();
  }
  return !cancelled_;
}

std::string SiteOf(const std::string& address) {
  HttpTarget target;
  if (!SplitAddress(address, target)) return std::string();
  return suite::ToLower(target.host);
}

DWORD RaiseConnectionLimit(DWORD perServer) {
  for (DWORD option :
       {INTERNET_OPTION_MAX_CONNS_PER_SERVER, INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER}) {
    DWORD now = 0, size = sizeof now;
    if (!InternetQueryOptionA(nullptr, option, &now, &size) || now < perServer)
      InternetSetOptionA(nullptr, option, &perServer, sizeof perServer);
  }
  DWORD limit = 0, size = sizeof limit;
  if (!InternetQueryOptionA(nullptr, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &limit, &size))
    return 0;
  return limit;
}

namespace {

// The session and every request get the time-outs: connections and requests
// take them from their session, but some WinINet versions only from the
// request handle itself.
void LimitTime(HINTERNET h, const CheckOptions& options) {
  DWORD timeout = options.timeoutMs, retries = 1;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                       INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
    InternetSetOptionA(h, option, &timeout, sizeof timeout);
  InternetSetOptionA(h, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
}

HINTERNET OpenSession(const CheckOptions& options) {
  HINTERNET session = InternetOpenA("My Session", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (session) LimitTime(session, options);
  return session;
}

// One GET request for an address already split (redirects followed), in a
// session registered with the canceller (when one is given). The connection
// and the request are this call's own; a cancel closes them with the session.
LinkResult CheckTarget(HINTERNET session, const HttpTarget& target, const CheckOptions& options,
                       RequestCanceller* canceller) {
  LinkResult result;
  result.state = LinkState::Inconclusive;
  if (!session) return result;
  UniqueInternet connection, request;
  try {
    connection.reset(InternetConnectA(
        session, target.host.c_str(), target.port,
        target.user.empty() ? nullptr : target.user.c_str(),
        target.password.empty() ? nullptr : target.password.c_str(), INTERNET_SERVICE_HTTP, 0, 1));
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES |
                  INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
                  INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    if (target.secure) flags |= INTERNET_FLAG_SECURE;
    if (connection) {
      request.reset(HttpOpenRequestA(connection.get(), "GET", target.object.c_str(), nullptr,
                                     nullptr, nullptr, flags, 1));
    }
    if (request) LimitTime(request.get(), options);
    if (!request) {
      result.error = GetLastError();
    } else if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) {
      result.error = GetLastError();
    } else {
      DWORD status = 0, size = sizeof status;
      if (HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                         &size, nullptr)) {
        result.status = status;
        result.state = StateForStatus(status);
      } else {
        result.error = GetLastError();
      }
    }
  } catch (...) {
    result.state = LinkState::Inconclusive;
  }
  bool closed = true;
  if (canceller) {
    closed = canceller->CloseUnlessCancelled({&request, &connection});
  } else {
    request.reset();
    connection.reset();
  }
  // A request broken by a cancel says nothing about the page.
  if (!closed) {
    result.state = LinkState::Inconclusive;
    result.status = 0;
  }
  return result;
}

}  // namespace

LinkResult CheckAddress(const std::string& address, const CheckOptions& options,
                        RequestCanceller* canceller) {
  LinkResult result;
  HttpTarget target;
  if (!SplitAddress(address, target)) return result;  // NotChecked
  result.state = LinkState::Inconclusive;
  UniqueInternet session(OpenSession(options));
  if (!session) {
    result.error = GetLastError();
    return result;
  }
  const HINTERNET handle = session.get();
  if (canceller && !canceller->Add(session)) return result;
  result = CheckTarget(handle, target, options, canceller);
  if (canceller) {
    session = canceller->Remove(handle);
    // Cancel closed the session, and with it the connection and the request.
    if (!session) result.state = LinkState::Inconclusive;
  }
  return result;
}

FileStamp StampOf(const std::string& path) {
  FileStamp stamp;
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return stamp;
  stamp.valid = true;
  stamp.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.written = (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                  info.ftLastWriteTime.dwLowDateTime;
  return stamp;
}

namespace {

// A site's share of the check: its requests in flight and its favorites that
// wait for one of them to end, in candidate order.
struct Site {
  int active = 0;
  std::set<size_t> waiting;
};

// What the checking threads share. It lives as long as the last of them: after
// a stop the check returns without waiting for a request that the system
// cannot break, and that thread ends by itself at its time-out.
//
// The scheduler (everything below `lock`): a worker that is free takes the
// lowest candidate index that can go now, either a favorite waiting for its
// site (`ready` holds the first waiting favorite of each site below its cap)
// or the next candidate not yet read. A candidate is read (its stamp, its
// address, its site) outside the lock and then waits for its site like any
// other, so the order of the requests follows the order of the candidates as
// far as the caps allow, and the window, which reports in that order, gets
// its rows early.
struct CheckState {
  std::vector<std::string> candidates;
  CheckOptions options;
  std::vector<LinkResult> results;
  std::vector<char> done;
  std::mutex lock;
  std::condition_variable changed;  // the awaited result arrived, or a worker ended
  size_t awaited = SIZE_MAX;        // the result the reporting thread waits for
  std::atomic<bool> quit{false};
  int running = 0;       // workers alive
  size_t nextRead = 0;   // the first candidate no worker has taken yet
  std::map<std::string, Site> sites;
  std::vector<HttpTarget> targets;             // per candidate, once read
  std::set<std::pair<size_t, Site*>> ready;    // (first waiting favorite, its site)
  // One internet session for every request of the check, held by the
  // canceller: a stop closes it, which breaks the requests waiting inside it.
  HINTERNET session = nullptr;
  RequestCanceller canceller;

  // Lists the site's first waiting favorite in `ready` when the site is below
  // its cap, and takes it out otherwise. `before` is the entry the site had.
  void Relist(Site& site, size_t before) {
    if (before != SIZE_MAX) ready.erase({before, &site});
    if (!site.waiting.empty() && site.active < options.perHost)
      ready.insert({*site.waiting.begin(), &site});
  }
  static size_t Listed(const Site& site, int perHost) {
    return !site.waiting.empty() && site.active < perHost ? *site.waiting.begin() : SIZE_MAX;
  }
  void Finish(size_t i, const LinkResult& r) {
    results[i] = r;
    done[i] = 1;
    if (i == awaited) changed.notify_all();
  }
};

// What a worker learns by reading one candidate, outside the lock.
struct ReadCandidate {
  bool request = false;  // false: the result is final without a request
  LinkResult result;
  HttpTarget target;
};

ReadCandidate ReadOne(const std::string& path) {
  ReadCandidate c;
  try {
    if (!IsFavoritePath(path)) return c;  // not a favorite: nothing to report
    c.result.stamp = StampOf(path);
    if (!SplitAddress(FavoriteAddress(path), c.target)) return c;  // NotChecked
    c.request = true;
  } catch (...) {
    c = ReadCandidate{};  // a favorite that could not be read is not dead
    c.result.state = LinkState::Inconclusive;
  }
  return c;
}

void CheckWork(const std::shared_ptr<CheckState>& st) {
  const size_t n = st->candidates.size();
  const int perHost = st->options.perHost;
  std::unique_lock<std::mutex> guard(st->lock);
  while (!st->quit) {
    const size_t firstReady = st->ready.empty() ? SIZE_MAX : st->ready.begin()->first;
    if (st->nextRead < n && st->nextRead < firstReady) {
      const size_t i = st->nextRead++;
      guard.unlock();
      ReadCandidate c = ReadOne(st->candidates[i]);
      std::string site;
      try {
        if (c.request) site = suite::ToLower(c.target.host);
      } catch (...) {
        c.request = false;
        c.result.state = LinkState::Inconclusive;
      }
      guard.lock();
      if (!c.request) {
        st->Finish(i, c.result);
        continue;
      }
      try {
        Site& s = st->sites[site];
        const size_t before = CheckState::Listed(s, perHost);
        st->targets[i] = std::move(c.target);
        st->results[i].stamp = c.result.stamp;
        s.waiting.insert(i);
        st->Relist(s, before);
      } catch (...) {
        LinkResult r;
        r.state = LinkState::Inconclusive;
        st->Finish(i, r);
        continue;
      }
      continue;
    }
    if (firstReady != SIZE_MAX) {
      const size_t i = firstReady;
      Site& s = *st->ready.begin()->second;
      st->ready.erase(st->ready.begin());
      s.waiting.erase(s.waiting.begin());
      ++s.active;
      st->Relist(s, SIZE_MAX);
      const HttpTarget target = st->targets[i];
      const FileStamp stamp = st->results[i].stamp;
      guard.unlock();
      LinkResult r;
      try {
        r = CheckTarget(st->session, target, st->options, &st->canceller);
      } catch (...) {
        r = LinkResult{};
        r.state = LinkState::Inconclusive;
      }
      r.stamp = stamp;
      guard.lock();
      const size_t before = CheckState::Listed(s, perHost);
      --s.active;
      st->Relist(s, before);
      st->Finish(i, r);
      continue;
    }
    // Nothing can go now, and nothing is left to read: this worker ends. A
    // favorite still waiting waits for a site at its cap, and the workers whose
    // requests hold that site take it when those end (each ending request
    // frees one place and its worker fills it), so no idle worker needs to stay.
    break;
  }
  --st->running;
  st->changed.notify_all();
}

}  // namespace

std::vector<std::string> CheckFavorites(const std::vector<std::string>& candidates,
                                        CheckSink& sink, const std::atomic<bool>& stop,
                                        const CheckOptions& options,
                                        std::vector<FileStamp>* stamps) {
  std::vector<std::string> dead;
  if (stamps) stamps->clear();
  auto st = std::make_shared<CheckState>();
  st->candidates = candidates;
  st->options = options;
  const size_t n = candidates.size();
  st->options.perHost = std::max(1, options.perHost);
  st->results.resize(n);
  st->done.assign(n, 0);
  st->targets.resize(n);
  RaiseConnectionLimit(static_cast<DWORD>(st->options.perHost));
  {
    UniqueInternet session(OpenSession(options));
    st->session = session.get();
    // Held by the canceller from here on; one that refuses it (cancelled
    // already) leaves it to close at the end of this block.
    if (session) st->canceller.Add(session);
  }

  std::vector<std::thread> pool;
  const int threads = std::max(1, std::min<int>(options.parallel, static_cast<int>(n)));
  // Ends the check's threads: at once when they are idle; after a stop, those
  // still waiting for an answer after a second are left to end by themselves.
  auto finish = [&](bool cancelled) {
    if (cancelled) {
      {
        std::lock_guard<std::mutex> guard(st->lock);
        st->quit = true;
      }
      st->canceller.Cancel();
      std::unique_lock<std::mutex> guard(st->lock);
      st->changed.wait_for(guard, std::chrono::milliseconds(1000),
                           [&] { return st->running == 0; });
    }
    bool allEnded;
    {
      std::lock_guard<std::mutex> guard(st->lock);
      allEnded = st->running == 0;
    }
    for (std::thread& t : pool) {
      if (!t.joinable()) continue;
      if (allEnded || !cancelled)
        t.join();
      else
        t.detach();
    }
    // Every thread has ended, or the cancel closed the session under the
    // threads left to end by themselves.
    if (st->session) st->canceller.Remove(st->session).reset();
  };

  try {
    sink.Started(n);
    // Workers are started as they are needed: a thread costs several
    // milliseconds to start (more under Wine), which is more than many a
    // request to a fast site. A few start at once; whenever the result the
    // window waits for is late and there are favorites no worker has taken,
    // a few more start, up to `threads`.
    int started = 0;
    auto startWorkers = [&](int count) {
      for (; count > 0 && started < threads; --count, ++started) {
        {
          std::lock_guard<std::mutex> guard(st->lock);
          ++st->running;
        }
        try {
          pool.emplace_back([st] { CheckWork(st); });
        } catch (...) {
          std::lock_guard<std::mutex> guard(st->lock);
          --st->running;
          throw;
        }
      }
    };
    if (n > 0) startWorkers(kFirstWorkers);
    for (size_t i = 0; i < n && !stop; ++i) {
      sink.Checking(i, candidates[i]);
      LinkResult r;
      {
        std::unique_lock<std::mutex> guard(st->lock);
        st->awaited = i;
        while (!st->done[i] && !stop) {
          if (st->changed.wait_for(guard, kLateResult) == std::cv_status::no_timeout ||
              st->done[i] || started >= threads ||
              (st->nextRead >= n && st->ready.empty()))
            continue;
          guard.unlock();
          startWorkers(std::max(kMoreWorkers, started));  // doubles while results are late
          guard.lock();
        }
        st->awaited = SIZE_MAX;
        if (!st->done[i]) break;
        r = st->results[i];
      }
      if (!IsFavoritePath(candidates[i])) continue;
      // A result that raced with a stop may come from a closed request: drop it.
      if (stop) break;
      sink.Checked(i, candidates[i], r);
      if (r.state == LinkState::Dead) {
        dead.push_back(candidates[i]);
        if (stamps) stamps->push_back(r.stamp);
        sink.Dead(candidates[i], r.stamp);
      }
    }
  } catch (...) {
    finish(true);
    throw;
  }
  finish(static_cast<bool>(stop));
  return dead;
}

std::vector<std::string> RecycleFavorites(const std::vector<std::string>& paths,
                                          const std::vector<FileStamp>& stamps, HWND owner,
                                          const std::atomic<bool>* stop) {
  std::vector<std::string> removed;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (stop && stop->load()) break;
    const std::string& path = paths[i];
    const DWORD attr = GetFileAttributesA(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY) ||
        !IsFavoritePath(path))
      continue;
    // Checked again just before it goes: a favorite written since the check
    // (a new address, another file of that name) is not the one found dead.
    if (i >= stamps.size() || StampOf(path) != stamps[i]) continue;
    // The Recycle Bin only: a favorite the shell cannot recycle stays where it
    // is, never deleted outright.
    if (suite::MoveToRecycleBin(path, owner, /*recycleOnly=*/true)) removed.push_back(path);
  }
  return removed;
}

std::string CheckedLine(const std::string& path) {
  return suite::Format("检查: %-32s", FavoriteName(path).c_str());
}

std::vector<std::string> RunUnattendedPass(const std::vector<std::string>& folders,
                                           const CheckOptions& options) {
  CheckSink quiet;
  std::atomic<bool> never{false};
  std::vector<FileStamp> stamps;
  const std::vector<std::string> dead =
      CheckFavorites(ListCandidates(folders), quiet, never, options, &stamps);
  const std::vector<std::string> removed = RecycleFavorites(dead, stamps);
  // Nothing removed: no log, an older one stays.
  if (!removed.empty()) suite::WriteCleaningLog(suite::LogNameOf(suite::Program::Marksift), removed);
  return removed;
}

}  // namespace marksift
