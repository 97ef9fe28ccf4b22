// A small HTTP server on 127.0.0.1 for the favorites tests: fixed routes, one
// thread per connection, every connection closed after one answer. It stops
// when the object goes away, and by itself after its time limit or request
// limit, so a test that hangs cannot leave it running.
//
// Routes: /ok 200, /gone 404, /removed 410, /moved 301 -> /ok,
// /moved-gone 301 -> /gone, /login 401, /forbidden 403, /error 500,
// /busy 429, /slow?ms=N&status=S (S after N ms, default 200); anything
// else 404.
#pragma once
#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace marksift::test {

class LocalHttpServer {
 public:
  explicit LocalHttpServer(DWORD lifetimeMs = 300000, int maxRequests = 5000);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  bool Running() const { return listener_ != INVALID_SOCKET; }
  int Port() const { return port_; }
  std::string Url(const std::string& path) const;
  // Plain requests answered, by path (query included).
  int Hits(const std::string& path) const;
  int Requests() const { return requests_; }
  // Connections that opened with a TLS handshake record instead of a request.
  int TlsHellos() const { return tlsHellos_; }
  void Stop();

 private:
  void AcceptLoop(DWORD lifetimeMs, int maxRequests);
  void Serve(SOCKET s);

  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0}, tlsHellos_{0};
  mutable std::mutex lock_;
  std::map<std::string, int> hits_;
  std::vector<std::thread> connections_;
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
