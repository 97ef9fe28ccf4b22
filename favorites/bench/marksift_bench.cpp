// Speed of the favorites check: favorites spread over many sites (distinct
// loopback addresses 127.0.0.2, 127.0.0.3, ... answered by the benchmark's own
// server), one in ten behind an endpoint that answers only after a delay.
// Prints the sum of the single requests' times (the favorites checked one by
// one), the time of the whole check (several runs), the most requests any
// site had at once, and whether the check found exactly what the one-by-one
// check finds.
//   scripts/wine-run build/bench/marksift_bench.exe [favorites] [delay-ms] [sites] [runs]
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "favcheck.h"
#include "localhttp.h"
#include "testsupport.h"

namespace t = suite::test;
using namespace marksift;

namespace {

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const int count = argc > 1 ? std::atoi(argv[1]) : 500;
  const int delayMs = argc > 2 ? std::atoi(argv[2]) : 500;
  const int wantSites = argc > 3 ? std::atoi(argv[3]) : 50;
  const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
  // A port of sites served outside this process (favorites/bench/sites.py on
  // 127.0.0.2 onwards, see marksift_bench.sh); 0: the server in this process.
  const int externalPort = argc > 5 ? std::atoi(argv[5]) : 0;
  // Site 0 (127.0.0.1) is left out: the favorites use 127.0.0.2 onwards.
  test::LocalHttpServer server(1800000, (runs + 1) * 2 * count + 100,
                               externalPort ? 1 : wantSites + 1);
  if (!externalPort && (!server.Running() || server.Sites() < 2)) {
    std::printf("no local server\n");
    return 1;
  }
  const int sites = externalPort ? wantSites : server.Sites() - 1;
  if (sites < wantSites) std::printf("only %d sites answer (wanted %d)\n", sites, wantSites);
  auto siteUrl = [&](int site, const std::string& route) {
    if (!externalPort) return server.SiteUrl(site, route);
    return "http://127.0.0." + std::to_string(site + 1) + ":" + std::to_string(externalPort) + route;
  };
  t::ScratchDir dir("C:\\suite-bench\\favorites");
  const char* routes[] = {"/ok", "/gone", "/moved", "/removed", "/ok", "/moved-gone", "/ok",
                          "/forbidden", "/ok"};
  std::vector<std::string> candidates;
  int delayed = 0;
  unsigned seed = 20240613;  // the same spread over the sites on every run
  for (int i = 0; i < count; ++i) {
    seed = seed * 1103515245u + 12345u;
    const int site = 1 + static_cast<int>((seed >> 16) % static_cast<unsigned>(sites));
    std::string route;
    if (i % 10 == 9) {
      route = "/slow?ms=" + std::to_string(delayMs) + "&status=" + (i % 20 == 19 ? "404" : "200") +
              "&n=" + std::to_string(i);
      ++delayed;
    } else {
      route = std::string(routes[i % 9]) + "?n=" + std::to_string(i);
    }
    const std::string path = dir / ("Site " + std::to_string(i) + ".url");
    t::WriteBytes(path, "[InternetShortcut]\r\nURL=" + siteUrl(site, route) + "\r\n");
    candidates.push_back(path);
  }

  // One by one, each request timed on its own.
  double sum = 0;
  std::vector<std::string> deadOneByOne;
  for (const std::string& path : candidates) {
    const double start = Seconds();
    const LinkResult r = CheckAddress(FavoriteAddress(path));
    sum += Seconds() - start;
    if (r.state == LinkState::Dead) deadOneByOne.push_back(path);
  }
  {
    // The part of the check that reads files, not the network.
    const double start = Seconds();
    for (const std::string& path : candidates) {
      StampOf(path);
      FavoriteAddress(path);
    }
    std::printf("reading the favorites alone: %.2f s\n", Seconds() - start);
  }
  std::printf("favorites: %d on %d sites, delayed by %d ms: %d\n", count, sites, delayMs, delayed);
  std::printf("sum of the single requests: %.2f s\n", sum);

  struct Quiet : CheckSink {} sink;
  std::atomic<bool> stop{false};
  CheckOptions options;
  bool same = true;
  double best = 0;
  auto cpuSeconds = [] {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto value = [](const FILETIME& f) {
      return static_cast<double>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
    };
    return value(kernel) + value(user);
  };
  for (int run = 0; run < runs; ++run) {
    const double start = Seconds(), cpuStart = cpuSeconds();
    const std::vector<std::string> dead = CheckFavorites(candidates, sink, stop, options);
    const double took = Seconds() - start;
    std::printf("  processor time of the run (check and server): %.2f s\n", cpuSeconds() - cpuStart);
    same = same && dead == deadOneByOne;
    best = run == 0 ? took : std::min(best, took);
    std::printf("check run %d (%d at once, %d per site): %.2f s, %.1fx; dead: %zu, same as one by one: %s\n",
                run + 1, options.parallel, options.perHost, took, sum / took, dead.size(),
                dead == deadOneByOne ? "yes" : "NO");
  }
  if (externalPort) {
    std::printf("best: %.2f s, %.1fx (the sites' server counts the requests at once)\n", best,
                sum / best);
    return same ? 0 : 2;
  }
  std::printf("best: %.2f s, %.1fx; most requests at once on one site: %d (cap %d)\n", best,
              sum / best, server.Peak(), kMaxRequestsPerHost);
  return same && server.Peak() <= kMaxRequestsPerHost ? 0 : 2;
}
