#include "localhttp.h"

#include <ws2tcpip.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdlib>

namespace marksift::test {

namespace {

struct WinsockUser {
  WinsockUser() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockUser() { WSACleanup(); }
};
WinsockUser& Winsock() {
  static WinsockUser user;
  return user;
}

std::string Query(const std::string& target, const std::string& name) {
  const size_t q = target.find('?');
  if (q == std::string::npos) return std::string();
  const std::string key = name + "=";
  for (size_t at = q + 1; at < target.size();) {
    size_t end = target.find('&', at);
    if (end == std::string::npos) end = target.size();
    if (target.compare(at, key.size(), key) == 0) return target.substr(at + key.size(), end - at - key.size());
    at = end + 1;
  }
  return std::string();
}

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 410: return "Gone";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

}  // namespace

namespace {

// A listening socket on 127.0.0.<last> with a port of the system's choice.
SOCKET ListenOn(int last, int& port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return s;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl((127u << 24) | static_cast<u_long>(last));
  addr.sin_port = 0;
  int len = sizeof addr;
  if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, 128) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  port = ntohs(addr.sin_port);
  return s;
}

}  // namespace

LocalHttpServer::LocalHttpServer(DWORD lifetimeMs, int maxRequests, int sites) {
  Winsock();
  // One select() waits for every listener: stay below the socket set's size.
  sites = std::max(1, std::min(sites, FD_SETSIZE - 4));
  for (int i = 0; i < sites; ++i) {
    int port = 0;
    SOCKET s = ListenOn(i + 1, port);
    if (s == INVALID_SOCKET) break;
    listeners_.push_back({s, "127.0.0." + std::to_string(i + 1), port});
  }
  if (listeners_.empty()) return;
  listener_ = listeners_[0].socket;
  port_ = listeners_[0].port;
  acceptor_ = std::thread([this, lifetimeMs, maxRequests] { AcceptLoop(lifetimeMs, maxRequests); });
}

LocalHttpServer::~LocalHttpServer() { Stop(); }

void LocalHttpServer::Stop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
  }
  queued_.notify_all();
  if (acceptor_.joinable()) acceptor_.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> guard(lock_);
    threads.swap(servers_);
  }
  for (std::thread& t : threads) t.join();
  for (const Accepted& a : queue_) closesocket(a.socket);
  queue_.clear();
  for (const Listener& l : listeners_) closesocket(l.socket);
  listeners_.clear();
  listener_ = INVALID_SOCKET;
}

std::string LocalHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string LocalHttpServer::SiteUrl(int site, const std::string& path) const {
  if (site < 0 || site >= Sites()) return std::string();
  return "http://" + listeners_[site].address + ":" + std::to_string(listeners_[site].port) + path;
}

std::map<std::string, int> LocalHttpServer::PeakPerSite() const {
  std::lock_guard<std::mutex> guard(lock_);
  return peak_;
}

int LocalHttpServer::Peak() const {
  int most = 0;
  for (const auto& site : PeakPerSite()) most = std::max(most, site.second);
  return most;
}

int LocalHttpServer::Hits(const std::string& path) const {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = hits_.find(path);
  return it == hits_.end() ? 0 : it->second;
}

void LocalHttpServer::AcceptLoop(DWORD lifetimeMs, int maxRequests) {
  const DWORD start = GetTickCount();
  while (!stop_ && GetTickCount() - start < lifetimeMs && requests_ < maxRequests) {
    fd_set ready;
    FD_ZERO(&ready);
    for (const Listener& l : listeners_) FD_SET(l.socket, &ready);
    timeval wait{0, 50000};
    if (select(0, &ready, nullptr, nullptr, &wait) <= 0) continue;
    for (const Listener& l : listeners_) {
      if (!FD_ISSET(l.socket, &ready)) continue;
      SOCKET c = accept(l.socket, nullptr, nullptr);
      if (c == INVALID_SOCKET) continue;
      std::lock_guard<std::mutex> guard(lock_);
      if (idle_ <= static_cast<int>(queue_.size())) {
        if (servers_.size() >= 4000) {
          closesocket(c);
          continue;
        }
        servers_.emplace_back([this] { ServeLoop(); });
        ++idle_;
      }
      queue_.push_back({c, l.address});
      queued_.notify_one();
    }
  }
}

void LocalHttpServer::ServeLoop() {
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    queued_.wait(guard, [this] { return stop_ || !queue_.empty(); });
    if (stop_) break;
    Accepted next = queue_.front();
    queue_.pop_front();
    --idle_;
    guard.unlock();
    Serve(next.socket, next.site);
    guard.lock();
    ++idle_;
  }
}

void LocalHttpServer::Serve(SOCKET s, const std::string& site) {
  std::string in;
  const DWORD start = GetTickCount();
  // Blocking reads that give up now and then to look at the stop flag.
  DWORD slice = 200;
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&slice), sizeof slice);
  while (!stop_ && in.find("\r\n\r\n") == std::string::npos && in.size() < 16384 &&
         GetTickCount() - start < 5000) {
    char buf[2048];
    int got = recv(s, buf, sizeof buf, 0);
    if (got < 0 && WSAGetLastError() == WSAETIMEDOUT) continue;
    if (got <= 0) break;
    in.append(buf, got);
    if (!in.empty() && in[0] == 0x16) {  // TLS handshake record: not for this server
      ++tlsHellos_;
      closesocket(s);
      return;
    }
  }
  const size_t sp1 = in.find(' '), sp2 = in.find(' ', sp1 + 1);
  if (sp1 == std::string::npos || sp2 == std::string::npos) {
    closesocket(s);
    return;
  }
  const std::string target = in.substr(sp1 + 1, sp2 - sp1 - 1);
  const std::string path = target.substr(0, target.find('?'));
  ++requests_;
  {
    std::lock_guard<std::mutex> guard(lock_);
    ++hits_[target];
    int& now = ++active_[site];
    int& most = peak_[site];
    most = std::max(most, now);
  }
  int status = 404;
  std::string location;
  if (path == "/ok") status = 200;
  else if (path == "/gone") status = 404;
  else if (path == "/removed") status = 410;
  else if (path == "/moved") status = 301, location = "/ok";
  else if (path == "/moved-gone") status = 301, location = "/gone";
  else if (path == "/login") status = 401;
  else if (path == "/forbidden") status = 403;
  else if (path == "/error") status = 500;
  else if (path == "/busy") status = 429;
  else if (path == "/slow") {
    const int ms = std::atoi(Query(target, "ms").c_str());
    const std::string s2 = Query(target, "status");
    status = s2.empty() ? 200 : std::atoi(s2.c_str());
    for (int waited = 0; waited < ms && !stop_; waited += 10) Sleep(10);
  }
  const std::string body = std::to_string(status) + " " + Reason(status) + "\n";
  std::string out = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
  if (!location.empty()) out += "Location: " + location + "\r\n";
  out += "Content-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
  {
    // The request counts as answered before the answer leaves: the client may
    // start its next request as soon as it has read this one.
    std::lock_guard<std::mutex> guard(lock_);
    --active_[site];
  }
  if (!stop_) send(s, out.data(), static_cast<int>(out.size()), 0);
  shutdown(s, SD_SEND);
  closesocket(s);
}

int RefusedPort() {
  Winsock();
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof addr;
  bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  closesocket(s);
  return ntohs(addr.sin_port);
}

void WarmUpCertificateStore() {
  HANDLE lock = CreateMutexA(nullptr, FALSE, "suite-tests-root-store");
  if (lock) WaitForSingleObject(lock, 300000);
  HCERTSTORE store = CertOpenSystemStoreA(0, "ROOT");
  if (store) CertCloseStore(store, 0);
  if (lock) {
    ReleaseMutex(lock);
    CloseHandle(lock);
  }
}

}  // namespace marksift::test
