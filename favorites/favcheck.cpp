#include "favcheck.h"

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>

#include "folderwalk.h"
#include "inifile.h"
#include "probes.h"

namespace marksift {

namespace {

constexpr uint64_t kMaxFavoriteBytes = 1 << 20;  // a favorite is a few hundred bytes

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
  const size_t cut = path.find_last_of('\\');
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
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
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
  std::lock_guard<std::mutex> guard(lock_);
  cancelled_ = true;
  for (HINTERNET session : open_) InternetCloseHandle(session);
  open_.clear();
}

bool RequestCanceller::Cancelled() const {
  std::lock_guard<std::mutex> guard(lock_);
  return cancelled_;
}

bool RequestCanceller::Add(HINTERNET session) {
  std::lock_guard<std::mutex> guard(lock_);
  if (cancelled_) return false;
  open_.push_back(session);
  return true;
}

bool RequestCanceller::Remove(HINTERNET session) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = std::find(open_.begin(), open_.end(), session);
  if (it == open_.end()) return false;
  open_.erase(it);
  return true;
}

LinkResult CheckAddress(const std::string& address, const CheckOptions& options,
                        RequestCanceller* canceller) {
  LinkResult result;
  HttpTarget target;
  if (!SplitAddress(address, target)) return result;  // NotChecked
  result.state = LinkState::Inconclusive;

  UniqueInternet session(
      InternetOpenA("My Session", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) {
    result.error = GetLastError();
    return result;
  }
  if (canceller && !canceller->Add(session.get())) return result;
  UniqueInternet connection, request;
  {
    // Every level gets the time-outs: some WinINet versions take them only
    // from the connection or the request handle itself.
    auto limitTime = [&options](HINTERNET h) {
      DWORD timeout = options.timeoutMs, retries = 1;
      for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                           INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                           INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
        InternetSetOptionA(h, option, &timeout, sizeof timeout);
      InternetSetOptionA(h, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
    };
    limitTime(session.get());

    connection.reset(InternetConnectA(
        session.get(), target.host.c_str(), target.port,
        target.user.empty() ? nullptr : target.user.c_str(),
        target.password.empty() ? nullptr : target.password.c_str(), INTERNET_SERVICE_HTTP, 0, 1));
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES |
                  INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
                  INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    if (target.secure) flags |= INTERNET_FLAG_SECURE;
    if (connection) {
      limitTime(connection.get());
      request.reset(HttpOpenRequestA(connection.get(), "GET", target.object.c_str(), nullptr,
                                     nullptr, nullptr, flags, 1));
    }
    if (request) limitTime(request.get());
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
  }
  if (canceller && !canceller->Remove(session.get())) {
    // Cancel closed the session, and with it the connection and the request.
    request.release();
    connection.release();
    session.release();
    result.state = LinkState::Inconclusive;
  }
  return result;
}

std::vector<std::string> CheckFavorites(const std::vector<std::string>& candidates,
                                        CheckSink& sink, const std::atomic<bool>& stop,
                                        const CheckOptions& options) {
  std::vector<std::string> dead;
  sink.Started(candidates.size());
  const size_t n = candidates.size();
  std::vector<LinkResult> results(n);
  std::vector<char> done(n, 0);
  std::mutex lock;
  std::condition_variable changed;
  std::atomic<size_t> next{0};
  RequestCanceller canceller;

  auto work = [&] {
    for (;;) {
      if (stop) return;
      const size_t i = next++;
      if (i >= n) return;
      LinkResult r;
      if (IsFavoritePath(candidates[i])) r = CheckAddress(FavoriteAddress(candidates[i]), options,
                                                          &canceller);
      {
        std::lock_guard<std::mutex> guard(lock);
        results[i] = r;
        done[i] = 1;
      }
      changed.notify_all();
    }
  };
  const int threads = std::max(1, std::min<int>(options.parallel, static_cast<int>(n)));
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) pool.emplace_back(work);

  for (size_t i = 0; i < n && !stop; ++i) {
    sink.Checking(i, candidates[i]);
    LinkResult r;
    {
      std::unique_lock<std::mutex> guard(lock);
      while (!done[i] && !stop) changed.wait_for(guard, std::chrono::milliseconds(50));
      if (!done[i]) break;
      r = results[i];
    }
    if (!IsFavoritePath(candidates[i])) continue;
    // A result that raced with a stop may come from a closed request: drop it.
    if (stop) break;
    sink.Checked(i, candidates[i], r);
    if (r.state == LinkState::Dead) {
      dead.push_back(candidates[i]);
      sink.Dead(candidates[i]);
    }
  }
  if (stop) canceller.Cancel();
  for (std::thread& t : pool) t.join();
  return dead;
}

std::vector<std::string> RecycleFavorites(const std::vector<std::string>& paths, HWND owner) {
  std::vector<std::string> removed;
  for (const std::string& path : paths) {
    const DWORD attr = GetFileAttributesA(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY) ||
        !IsFavoritePath(path))
      continue;
    // The Recycle Bin only: a favorite the shell cannot recycle stays where it
    // is, never deleted outright.
    if (suite::MoveToRecycleBin(path, owner, /*recycleOnly=*/true)) removed.push_back(path);
  }
  return removed;
}

std::string CheckedLine(const std::string& path) {
  return suite::Format("检查: %-32s", FavoriteName(path).c_str());
}

}  // namespace marksift
