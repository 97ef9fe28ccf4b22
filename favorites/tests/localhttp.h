// A small HTTP server on 127.0.0.1 for the favorites tests: fixed routes, a
// pool of serving threads that grows while every thread is busy (a slow
// answer holds its thread), every connection closed after one answer. It stops
// when the object goes away, and by itself after its time limit or request
// limit, so a test that hangs cannot leave it running.
//
// With `sites` above 1 it also answers on 127.0.0.2, 127.0.0.3, ... (one
// listener each, all on loopback): favorites on many sites without a name
// server. It counts, per address, how many requests it was working on at once
// (from the request read to the answer sent) and keeps the highest count.
//
// Routes: /ok 200, /gone 404, /removed 410, /moved 301 -> /ok,
// /moved-gone 301 -> /gone, /login 401, /forbidden 403, /error 500,
// /busy 429, /slow?ms=N&status=S (S after N ms, default 200); anything
// else 404.
#pragma once
#include <winsock2.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace marksift::test {

class LocalHttpServer {
 public:
  explicit LocalHttpServer(DWORD lifetimeMs = 300000, int maxRequests = 5000, int sites = 1);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  bool Running() const { return listener_ != INVALID_SOCKET; }
  int Port() const { return port_; }
  std::string Url(const std::string& path) const;
  // Sites that answer (the first is 127.0.0.1); fewer than asked for when an
  // address could not be listened on.
  int Sites() const { return static_cast<int>(listeners_.size()); }
  // "http://127.0.0.<site + 1>:<its port><path>".
  std::string SiteUrl(int site, const std::string& path) const;
  // The most requests worked on at once, per site address ("127.0.0.5").
  std::map<std::string, int> PeakPerSite() const;
  int Peak() const;  // over all sites
  // Plain requests answered, by path (query included).
  int Hits(const std::string& path) const;
  int Requests() const { return requests_; }
  // Connections that opened with a TLS handshake record instead of a request.
  int TlsHellos() const { return tlsHellos_; }
  void Stop();

 private:
  struct Listener {
    SOCKET socket;
    std::string address;
    int port;
  };
  struct Accepted {
    SOCKET socket;
    std::string site;
  };
  void AcceptLoop(DWORD lifetimeMs, int maxRequests);
  void ServeLoop();
  void Serve(SOCKET s, const std::string& site);

  SOCKET listener_ = INVALID_SOCKET;  // the first of listeners_
  int port_ = 0;
  std::vector<Listener> listeners_;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0}, tlsHellos_{0};
  mutable std::mutex lock_;
  std::map<std::string, int> hits_;
  std::map<std::string, int> active_, peak_;  // per site address
  std::deque<Accepted> queue_;   // accepted, not yet taken by a serving thread
  int idle_ = 0;                 // serving threads waiting for a connection
  std::condition_variable queued_;
  std::vector<std::thread> servers_;
  std::thread acceptor_;
};

// A port on 127.0.0.1 where nothing listens.
int RefusedPort();

// Opens the system's root certificate store once. In a fresh Wine prefix the
// first opening imports the host's root certificates, which takes long; the
// tests do it up front, one process at a time, so that no time limit of a
// check under test includes it.
void WarmUpCertificateStore();

}  // namespace marksift::test
