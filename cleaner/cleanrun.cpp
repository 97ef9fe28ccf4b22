#include "cleanrun.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "cleanlog.h"
#include "dryrun.h"
#include "folderguard.h"
#include "inifile.h"
#include "options.h"
#include "regremove.h"
#include "removal.h"
#include "sysinfo.h"
#include "text.h"

namespace dustrel {

namespace {

constexpr int kBarCap = 10000;

const char kStatusEmpty[] = "没有可删除的项目!";
const char kStatusCollect[] = "正在收集垃圾信息...";
const char kStatusFiles[] = "正在清理文件垃圾...";
const char kStatusFinal[] = "正在进行最后的统计工作...";

void Say(const CleanProgress& progress, const std::string& text) {
  if (progress.status) progress.status(text);
}
void Range(const CleanProgress& progress, size_t n) {
  if (progress.range) progress.range(static_cast<int>(std::min<size_t>(n, kBarCap)));
}
void Position(const CleanProgress& progress, size_t i) {
  if (progress.position && i <= static_cast<size_t>(kBarCap)) progress.position(static_cast<int>(i));
}

// A file a preview has already removed no longer exists for the rest of the run.
bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
         !suite::RemovedByDryRun(path);
}

// What happened to one ticked row.
enum class Fate {
  Kept,       // still there: stays listed
  Gone,       // removed by this run: counted and logged
  Vanished,   // not there when the run came to it (a second row of the same file): dropped
  Deferred,   // left to the IE cache sweep: gone only if the sweep took it
  Store,      // a browser-store row, emptied with its store
};

// Removes one file or folder row. The attributes are cleared first (a
// read-only file would refuse); they are put back when the item stays.
Fate RemoveFile(const std::string& path, bool deleteNoBackup) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || suite::RemovedByDryRun(path)) return Fate::Vanished;
  // A file's attributes are cleared only when it is really removed (a preview
  // changes nothing; its removal calls are inert).
  const bool clearAttributes =
      (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && suite::MayChange("clear attributes", path);
  if (clearAttributes) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  const bool gone =
      deleteNoBackup ? suite::DeletePermanently(path) : suite::MoveToRecycleBin(path);
  if (gone) return Fate::Gone;
  if (clearAttributes && Exists(path)) SetFileAttributesA(path.c_str(), attributes);
  return Exists(path) ? Fate::Kept : Fate::Gone;
}

struct Plan {
  std::vector<Fate> fates;  // per input row
  std::vector<size_t> files;
  std::vector<size_t> registry;
  std::vector<size_t> stores;
  OtherItemTicks storeTicks{};  // the stores of the ticked store rows
};

bool Stopped(const CleanSettings& settings) { return settings.stop && settings.stop->load(); }

// The OtherItem row whose store holds the entries of a cookie or history row.
int StoreOfEntry(const FoundItem& row) {
  return row.marker.find("Cookie") != std::string::npos ? 4 : 2;
}

// Empties the stores of the ticked store rows. A store row is gone when its
// store was emptied; the listed entries of an emptied store go with it, those
// of a store that was kept stay listed.
void EmptyStores(const std::vector<FoundItem>& rows, const CleanSettings& settings, Plan& plan,
                 bool autoExit, suite::RestorePoint& point) {
  OtherItemTicks emptied{};
  bool any = false;
  for (bool t : plan.storeTicks) any = any || t;
  if (any && settings.cleanBrowserStores && !Stopped(settings))
    emptied = CleanBrowserStores(plan.storeTicks, autoExit, point);
  for (size_t i : plan.stores) plan.fates[i] = emptied[rows[i].store - 1] ? Fate::Gone : Fate::Kept;
  for (size_t i = 0; i < rows.size(); ++i)
    if (KindOf(rows[i]) == RowKind::Browser)
      plan.fates[i] = emptied[StoreOfEntry(rows[i]) - 1] ? Fate::Store : Fate::Kept;
}

// Shared by both runs: sorts the ticked rows by kind; unticked rows stay.
Plan Classify(const std::vector<FoundItem>& rows, const CleanProgress& progress) {
  Plan plan;
  plan.fates.assign(rows.size(), Fate::Kept);
  for (size_t i = 0; i < rows.size(); ++i) {
    const FoundItem& row = rows[i];
    if (row.checked) {
      switch (KindOf(row)) {
        case RowKind::File: plan.files.push_back(i); break;
        case RowKind::Registry: plan.registry.push_back(i); break;
        case RowKind::Browser: break;  // goes with its store
        case RowKind::Store:
          if (row.store >= 1 && row.store <= kOtherItemCount && IsStoreItem(row.store)) {
            plan.stores.push_back(i);
            plan.storeTicks[static_cast<size_t>(row.store - 1)] = true;
          }
          break;
      }
    }
    Position(progress, i + 1);
  }
  return plan;
}

void RemoveRegistryRows(const std::vector<FoundItem>& rows, suite::RestorePoint& point,
                        Plan& plan) {
  if (plan.registry.empty()) return;
  std::vector<std::string> texts, markers;
  for (size_t i : plan.registry) {
    texts.push_back(EntryTextOf(rows[i]));
    markers.push_back(rows[i].marker);
  }
  const suite::RemovalReport removed = RemoveRegistryEntries(texts, markers, point);
  if (!removed.BackedUp()) return;  // nothing was removed
  for (size_t k = 0; k < plan.registry.size(); ++k)
    if (k < removed.gone.size() && removed.gone[k]) plan.fates[plan.registry[k]] = Fate::Gone;
}

// Counts, sizes, the cleaned-entries list (row order) and the rows that stay.
void Tally(const std::vector<FoundItem>& rows, const Plan& plan, CleanResult& result) {
  for (size_t i = 0; i < rows.size(); ++i) {
    const FoundItem& row = rows[i];
    switch (plan.fates[i]) {
      case Fate::Kept:
      case Fate::Deferred:  // still there after the sweep (decided by the caller)
        result.remaining.push_back(row);
        break;
      case Fate::Gone:
        if (KindOf(row) == RowKind::Store) {
          ++result.storeRows;
          result.cleaned.push_back(StoreTextOf(row));
        } else if (KindOf(row) == RowKind::Registry) {
          ++result.registryRows;
          result.cleaned.push_back(EntryTextOf(row));
        } else {
          ++result.fileRows;
          result.bytes += RowBytes(row);
          result.cleaned.push_back(FilePathOf(row));
        }
        break;
      case Fate::Vanished:
      case Fate::Store:
        break;
    }
  }
  result.megabytes = result.bytes / 1024 / 1024;
}

// Everything one run removes from the registry goes into one backup folder.
std::string BackupStoreOf(const CleanSettings& settings) {
  return settings.backupStore.empty() ? suite::BackupStorePath() : settings.backupStore;
}

// The IE cache folder whose files are left to the cache sweep; none when the
// folder is not what its name says (a root or a shell folder: the scan did
// not walk it either).
std::string CacheFolderOf(const CleanSettings& settings) {
  if (!settings.useSystemCacheFolder) return suite::ToLower(settings.cacheFolder);
  const std::string cache = suite::ShellFolder("Cache");
  if (!suite::IsSweepableFolder(cache, suite::SweptFolder::Cache)) return std::string();
  return suite::ToLower(cache);
}

}  // namespace

bool ReadDeleteNoBackup() { return ReadOptions().deleteNoBackup; }

uint64_t RowBytes(const FoundItem& row) {
  if (row.bytes != 0) return row.bytes;
  const size_t blank = row.size.find(' ');
  if (blank == std::string::npos) return 8192;
  return std::strtoull(row.size.substr(0, blank).c_str(), nullptr, 10);
}

std::string CleanSummary(const std::string strOver[7], int fileRows, int registryRows,
                         uint64_t megabytes) {
  return suite::Format("%s\n\n%s%d\n%s%d\n%s %llu MB \n\n%s\n%s", strOver[0].c_str(),
                       strOver[1].c_str(), fileRows, strOver[2].c_str(), registryRows,
                       strOver[3].c_str(), static_cast<unsigned long long>(megabytes),
                       strOver[5].c_str(), strOver[6].c_str());
}

bool IsGameCache(const std::string& path) {
  const std::string lower = suite::ToLower(path);
  return lower.find("cuts.dir") != std::string::npos ||
         lower.find("gta3.dir") != std::string::npos || lower.find("txd.dir") != std::string::npos;
}

DiskFigures MeasureDisks() {
  unsigned long long totalMb = 0, freeMb = 0;
  suite::DiskSpaceTotals(totalMb, freeMb);
  DiskFigures figures;
  figures.freeMb = freeMb;
  figures.usedMb = totalMb > freeMb ? totalMb - freeMb : 0;
  return figures;
}

CleanResult CleanRun(const std::vector<FoundItem>& rows, const CleanSettings& settings,
                     const CleanProgress& progress) {
  CleanResult result;
  if (settings.measureDisks) result.before = MeasureDisks();
  Say(progress, suite::GetInterfaceText(settings.iniName, "strCleanWait"));
  if (rows.empty()) {
    Say(progress, kStatusEmpty);
    return result;
  }
  result.ran = true;

  Say(progress, kStatusCollect);
  Range(progress, rows.size());
  Plan plan = Classify(rows, progress);

  Say(progress, kStatusFiles);
  Range(progress, plan.files.size());
  const std::string cache = CacheFolderOf(settings);
  std::vector<size_t> deferred;
  for (size_t k = 0; k < plan.files.size(); ++k) {
    if (Stopped(settings)) break;  // what the run has not reached stays
    const size_t i = plan.files[k];
    const std::string path = FilePathOf(rows[i]);
    const std::string lower = suite::ToLower(path);
    if (IsGameCache(path)) {
      plan.fates[i] = Exists(path) ? Fate::Kept : Fate::Vanished;
    } else if (!settings.deleteNoBackup && !cache.empty() &&
               lower.find(cache) != std::string::npos) {
      plan.fates[i] = Fate::Deferred;  // the cache sweep removes it through the browser
      deferred.push_back(i);
    } else {
      plan.fates[i] = RemoveFile(path, settings.deleteNoBackup);
    }
    Position(progress, k + 1);
  }

  Say(progress, kStatusFinal);
  suite::RestorePoint point(BackupStoreOf(settings));
  if (!Stopped(settings)) RemoveRegistryRows(rows, point, plan);

  EmptyStores(rows, settings, plan, false, point);
  for (size_t i : deferred)
    if (!Exists(FilePathOf(rows[i]))) plan.fates[i] = Fate::Gone;

  Tally(rows, plan, result);
  result.stopped = Stopped(settings);

  if (settings.mode == RunMode::PowerOn) return result;
  if (settings.measureDisks) result.after = MeasureDisks();
  suite::InterfaceTexts texts(settings.iniName);
  std::string strOver[7];
  for (int n = 0; n < 7; ++n) strOver[n] = texts.Get("strOver", n + 1);
  result.summary = CleanSummary(strOver, result.fileRows, result.registryRows, result.megabytes);

  if (settings.mode == RunMode::Auto) {
    suite::WriteCleaningLog(settings.autoLogName,
                            result.fileRows + result.registryRows + result.storeRows,
                            result.cleaned);
    result.logWritten = true;
  } else if (settings.mode == RunMode::Track) {
    static const TrackLog kNone;
    const TrackLog& track = settings.track ? *settings.track : kNone;
    suite::WriteCleaningLog(settings.trackLogName, track.counts, track.traces);
    result.logWritten = true;
  }
  return result;
}

CleanResult AutoExitClean(const std::vector<FoundItem>& rows, const CleanSettings& settings,
                          const CleanProgress& progress) {
  CleanResult result;
  Say(progress, suite::GetInterfaceText(settings.iniName, "strCleanWait"));
  suite::RestorePoint point(BackupStoreOf(settings));
  if (rows.empty()) {
    Say(progress, "No Item!");
    return result;
  }
  result.ran = true;
  Plan plan = Classify(rows, CleanProgress{});
  EmptyStores(rows, settings, plan, true, point);
  for (size_t i : plan.files) {
    if (Stopped(settings)) break;
    plan.fates[i] = RemoveFile(FilePathOf(rows[i]), settings.deleteNoBackup);
  }
  if (settings.cleanBrowserStores && plan.storeTicks[0] && !Stopped(settings)) {
    OtherItemTicks cacheOnly{};
    cacheOnly[0] = true;  // the cache sweep again, for what the deletions freed
    CleanBrowserStores(cacheOnly, true, point);
  }
  if (!Stopped(settings)) RemoveRegistryRows(rows, point, plan);
  Tally(rows, plan, result);
  return result;
}

}  // namespace dustrel
