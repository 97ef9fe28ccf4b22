// The cleaning run: removes the ticked rows of the result list (files to the
// Recycle Bin or, with DeleteNoBackup, deleted at once; registry rows through
// the remover with its .reg backup; the browser store of each ticked store
// row through the trace table, which names it in the log),
// works out the statistics and, in the silent modes, writes the log. Only
// what is really gone is counted and logged; what stays is handed back.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "founditem.h"
#include "programs.h"
#include "reportfigures.h"
#include "tracetable.h"

namespace dustrel {

enum class RunMode { Interactive, Auto, Track, PowerOn };

// What the "-Track" pass logs to "History.log": the trace counts list
// ("Numbers") and the trace list ("Files"), filled by the plug-in run.
struct TrackLog {
  std::vector<std::string> counts;
  std::vector<std::string> traces;
};

struct CleanProgress {
  std::function<void(const std::string&)> status;  // the popup's status line
  std::function<void(int)> range;                   // 0 .. n (capped at 10000)
  std::function<void(int)> position;
};

struct CleanSettings {
  RunMode mode = RunMode::Interactive;
  bool deleteNoBackup = false;       // HKLM ...\Explorer "DeleteNoBackup"
  bool useSystemCacheFolder = true;  // read the "Cache" shell folder
  std::string cacheFolder;           // used when useSystemCacheFolder is clear
  std::string backupStore;           // registry backup store; empty = the suite's store
  std::string iniName = "Dustrel.ini";  // strOver1..7
  bool cleanBrowserStores = true;    // empty the stores of the ticked store rows
  // Set by another thread (the window closing): the run ends after the item
  // it is at; what it has not reached stays.
  const std::atomic<bool>* stop = nullptr;
  bool measureDisks = true;          // before/after figures
  std::string autoLogName = suite::LogNameOf(suite::Program::Dustrel);      // "Dustrel.log"
  std::string trackLogName = suite::LogNameOf(suite::Program::Dustrel, 1);  // "History.log"
  const TrackLog* track = nullptr;   // "-Track": what History.log holds
};

struct CleanResult {
  bool ran = false;               // false: the result list was empty, nothing done
  int fileRows = 0;               // file rows really gone
  int registryRows = 0;           // registry rows really gone
  int storeRows = 0;              // browser stores emptied
  bool stopped = false;           // the stop flag ended the run early
  uint64_t bytes = 0;             // sizes of the file rows gone
  uint64_t megabytes = 0;         // bytes / 1024 / 1024
  std::vector<std::string> cleaned;  // the cleaned-entries list ("Files")
  std::vector<FoundItem> remaining;  // rows still listed: unticked, or not removable
  DiskFigures before;
  DiskFigures after;
  std::string summary;            // the report text (empty in -PowerOn mode)
  bool logWritten = false;
};

// DeleteNoBackup of HKLM "Software\Microsoft\Windows\CurrentVersion\Explorer".
bool ReadDeleteNoBackup();
// The size a row adds to the statistics: its byte count when known, else the
// size text up to the first blank as a decimal number; a text with no blank
// counts 8192.
uint64_t RowBytes(const FoundItem& row);
// "%s\n\n%s%ld\n%s%ld\n%s %ld MB \n\n%s\n%s" of strOver1, strOver2, files,
// strOver3, registry rows, strOver4, MB, strOver6, strOver7.
std::string CleanSummary(const std::string strOver[7], int fileRows, int registryRows,
                         uint64_t megabytes);
// Whether a file row is one of the game caches left alone ("cuts.dir",
// "gta3.dir", "txd.dir" in the lower-cased path).
bool IsGameCache(const std::string& path);
// The disks' used and free MB (fixed disks).
DiskFigures MeasureDisks();

CleanResult CleanRun(const std::vector<FoundItem>& rows, const CleanSettings& settings,
                     const CleanProgress& progress = {});

// The reduced run before the automatic shutdown: the ticked stores first
// (cache, history, cookies), then every ticked row, no game-cache or IE-cache exception, no statistics, no log.
// Status texts: "strCleanWait", then "No Item!" when there is no row.
CleanResult AutoExitClean(const std::vector<FoundItem>& rows, const CleanSettings& settings,
                          const CleanProgress& progress = {});

}  // namespace dustrel
