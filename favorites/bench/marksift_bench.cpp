// Speed of the favorites check: 500 favorites against a local server, one in
// ten behind an endpoint that answers only after a delay. Prints the time of
// the whole check next to the sum of the single requests' times, and whether
// the check found exactly what a one-by-one check finds.
//   scripts/wine-run build/bench/marksift_bench.exe [favorites] [delay-ms]
#include <windows.h>

#include <cstdio>
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
  const int count = argc > 1 ? std::atoi(argv[1]) : 500;
  const int delayMs = argc > 2 ? std::atoi(argv[2]) : 500;
  test::LocalHttpServer server(600000, 10 * count + 100);
  if (!server.Running()) {
    std::printf("no local server\n");
    return 1;
  }
  t::ScratchDir dir("C:\\suite-bench\\favorites");
  const char* routes[] = {"/ok", "/gone", "/moved", "/removed", "/ok", "/moved-gone", "/ok",
                          "/forbidden", "/ok"};
  std::vector<std::string> candidates;
  int delayed = 0;
  for (int i = 0; i < count; ++i) {
    std::string route;
    if (i % 10 == 9) {
      route = "/slow?ms=" + std::to_string(delayMs) + "&status=" + (i % 20 == 19 ? "404" : "200") +
              "&n=" + std::to_string(i);
      ++delayed;
    } else {
      route = std::string(routes[i % 9]) + "?n=" + std::to_string(i);
    }
    const std::string path = dir / ("Site " + std::to_string(i) + ".url");
    t::WriteBytes(path, "[InternetShortcut]\r\nURL=" + server.Url(route) + "\r\n");
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

  struct Quiet : CheckSink {} sink;
  std::atomic<bool> stop{false};
  CheckOptions options;
  const double start = Seconds();
  const std::vector<std::string> dead = CheckFavorites(candidates, sink, stop, options);
  const double run = Seconds() - start;

  std::printf("favorites: %d, delayed by %d ms: %d\n", count, delayMs, delayed);
  std::printf("sum of the single requests: %.2f s\n", sum);
  std::printf("check run (%d at once): %.2f s\n", options.parallel, run);
  std::printf("dead: %zu, same as one by one: %s\n", dead.size(),
              dead == deadOneByOne ? "yes" : "NO");
  return dead == deadOneByOne ? 0 : 2;
}
