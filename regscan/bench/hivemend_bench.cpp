// Speed check of the software walk: seeds a large synthetic tree under
// HKEY_CURRENT_USER\Software (kept between runs), then times, in the same run,
// a bare enumeration of its keys and values and the scanner's walk of it, and
// prints both with their ratio. Run inside the sandbox:
//   scripts/wine-run build/tests/hivemend_bench.exe [--keys N] [--clean]
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "handles.h"
#include "registry.h"
#include "scanengine.h"
#include "testsupport.h"

namespace {

const char kTree[] = "Software\\SuiteBench";
const char kFiles[] = "C:\\suite-bench-files";

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Counts {
  long keys = 0, values = 0;
};

// 10 values per 3 keys on average: every key gets 3 values, every third key one
// more; one value in ten names a missing file (half of them in folders that
// exist), one in ten a present file, the rest plain data.
void Seed(int keyCount) {
  for (int d = 0; d < 50; ++d)
    suite::test::MakeDirs(std::string(kFiles) + "\\d" + std::to_string(d));
  for (int d = 0; d < 50; ++d)
    suite::test::WriteBytes(std::string(kFiles) + "\\d" + std::to_string(d) + "\\present.exe", "MZ");
  long value = 0;
  const int perGroup = 100;  // keys below one group key
  for (int k = 0; k < keyCount; ++k) {
    const std::string path = std::string(kTree) + "\\g" + std::to_string(k / perGroup) + "\\k" +
                             std::to_string(k);
    suite::UniqueKey key;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    key.put(), nullptr);
    const int n = 3 + (k % 3 == 0 ? 1 : 0);
    for (int v = 0; v < n; ++v, ++value) {
      std::string data;
      const long sel = value % 20;
      if (sel == 0)
        data = std::string(kFiles) + "\\d" + std::to_string(value % 50) + "\\gone" +
               std::to_string(value) + ".exe";
      else if (sel == 10)
        data = "C:\\suite-bench-missing\\m" + std::to_string(value % 500) + "\\app.exe /run";
      else if (sel == 5 || sel == 15)
        data = std::string(kFiles) + "\\d" + std::to_string(value % 50) + "\\present.exe -x";
      else
        data = "setting text " + std::to_string(value);
      const std::string name = "value" + std::to_string(v);
      if (sel == 7) {
        DWORD dw = static_cast<DWORD>(value);
        RegSetValueExA(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&dw), 4);
      } else {
        RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
      }
    }
  }
  suite::test::SetString(HKEY_CURRENT_USER, kTree, "seeded", std::to_string(keyCount));
}

// The floor: open, every value with its data, every subkey, close.
void BareWalk(HKEY root, const std::string& path, Counts& c) {
  std::vector<std::string> children;
  {
    suite::UniqueKey key = suite::OpenKey(root, path, KEY_READ);
    if (!key) return;
    ++c.keys;
    char name[256], data[1025];
    for (DWORD i = 0;; ++i) {
      DWORD nameLen = sizeof name, dataLen = sizeof data - 1, type = 0;
      if (RegEnumValueA(key.get(), i, name, &nameLen, nullptr, &type,
                        reinterpret_cast<BYTE*>(data), &dataLen) != ERROR_SUCCESS)
        break;
      ++c.values;
    }
    children = suite::SubkeyNames(key.get());
  }
  for (const std::string& child : children) BareWalk(root, path + "\\" + child, c);
}

}  // namespace

int main(int argc, char** argv) {
  int keyCount = 100000;
  bool clean = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--keys") && i + 1 < argc) keyCount = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--clean")) clean = true;
  }
  if (clean) {
    suite::DeleteKeyTree(HKEY_CURRENT_USER, kTree);
    suite::test::RemoveTree(kFiles);
    std::printf("removed the benchmark tree\n");
    return 0;
  }
  if (suite::ReadString(HKEY_CURRENT_USER, kTree, "seeded") != std::to_string(keyCount)) {
    suite::DeleteKeyTree(HKEY_CURRENT_USER, kTree);
    const auto start = Clock::now();
    Seed(keyCount);
    std::printf("seeded %d keys in %.1f s\n", keyCount, Seconds(start));
  }

  // Bare walk, scan, bare walk again: the ratio uses the mean of the two bare
  // walks, so neither side profits from a cache the other has warmed.
  auto bareWalk = [](Counts& c) {
    const auto start = Clock::now();
    BareWalk(HKEY_CURRENT_USER, kTree, c);
    return Seconds(start);
  };
  Counts counts, again;
  const double bare1 = bareWalk(counts);
  std::printf("bare enumeration: %ld keys, %ld values in %.2f s\n", counts.keys, counts.values,
              bare1);

  std::atomic<bool> stop{false};
  long rows = 0, statuses = 0;
  hivemend::ScanSink sink{[&](const hivemend::ScanRow&) { ++rows; },
                          [&](const std::string&) { ++statuses; }};
  hivemend::Scanner scanner(hivemend::DefaultScanSettings(), sink, stop);
  const auto start = Clock::now();
  scanner.SoftwareWalk(HKEY_CURRENT_USER, kTree);
  const double scan = Seconds(start);
  std::printf("scan (software walk): %ld rows in %.2f s\n", rows, scan);
  const double bare2 = bareWalk(again);
  std::printf("bare enumeration again: %.2f s\n", bare2);
  const double bare = (bare1 + bare2) / 2;
  std::printf("ratio scan / bare: %.2f\n", bare > 0 ? scan / bare : 0.0);
  std::fflush(stdout);
  return 0;
}
