#include "junkscan.h"

#include <windows.h>

#include <unordered_set>

#include "folderwalk.h"
#include "handles.h"
#include "inifile.h"
#include "sysinfo.h"
#include "text.h"

namespace dustrel {

JunkLabels ReadJunkLabels(const std::string& iniName) {
  suite::InterfaceTexts texts(iniName);
  JunkLabels labels;
  for (int i = 0; i < 5; ++i) labels.text[i] = texts.Get("g_RbStr", i);
  return labels;
}

namespace {

// Applies the rules to the files of one walk. The upper-cased DIR and what the
// rules take from it are kept while the walk stays in one folder; NAME and
// PATH reuse their buffers.
class JunkMatcher {
 public:
  JunkMatcher(const SpecialFolders* special, const JunkLabels& labels, RowSink& sink)
      : special_(special), labels_(labels), sink_(sink) {}

  void Match(const std::string& dir, const char* name, const std::string& path, uint64_t size) {
    const DWORD now = GetTickCount();
    if (first_ || now - lastStatus_ >= 50) {
      first_ = false;
      lastStatus_ = now;
      sink_.Status(path);
    }
    if (dir != dir_) {
      dir_ = dir;
      dirU_ = suite::ToUpper(dir);
      folder_ = JunkFolderOf(dirU_);
      separator_ = !(dir.size() > 2 && suite::EndsWithBackslash(dir));
    }
    nameU_.assign(name);
    nameU_ = suite::ToUpper(std::move(nameU_));
    pathU_.assign(dirU_);
    if (separator_) pathU_.push_back('\\');
    pathU_.append(nameU_);
    hits_.clear();
    MatchJunkRules(nameU_, folder_, pathU_, special_, hits_);
    for (const JunkHit& hit : hits_) {
      FoundItem row;
      row.name = name;
      row.folder = dir;
      row.size = FileSizeText(size);
      row.bytes = size;
      row.category = labels_.text[hit.category];
      if (hit.category == kJunkIeCache) row.marker = kMarkerCache;
      row.checked = hit.checked;
      sink_.Add(std::move(row));
    }
  }

 private:
  const SpecialFolders* special_;
  const JunkLabels& labels_;
  RowSink& sink_;
  std::string dir_, dirU_, nameU_, pathU_;
  JunkFolder folder_;
  bool separator_ = true;
  bool first_ = true;
  DWORD lastStatus_ = 0;
  std::vector<JunkHit> hits_;
};

}  // namespace

bool WalkJunkFolder(const std::string& folder, const SpecialFolders* special,
                    const JunkLabels& labels, RowSink& sink, const std::atomic<bool>& stop) {
  if (stop.load()) return false;
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  JunkMatcher matcher(special, labels, sink);
  suite::WalkFolder(
      folder,
      [&](const suite::WalkEntry& entry) {
        if (stop.load()) return;
        matcher.Match(entry.folder ? *entry.folder : folder, entry.name ? entry.name : "",
                      entry.path, entry.size);
      },
      &stop);
  return !stop.load();
}

void ListTempSubfolders(const std::string& tempFolder, RowSink& sink,
                        const std::atomic<bool>& stop) {
  if (tempFolder.empty() || stop.load()) return;
  WIN32_FIND_DATAA data;
  suite::UniqueFind find(FindFirstFileA(suite::JoinPath(tempFolder, "*.*").c_str(), &data));
  if (!find) return;
  do {
    if (stop.load()) return;
    if (!IsListedTempSubfolder(data.cFileName, data.dwFileAttributes)) continue;
    const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    FoundItem row;
    row.name = data.cFileName;
    row.folder = tempFolder;
    row.size = FolderSizeText(size);
    row.bytes = size;
    row.category = kTempSubfolderLabel;
    row.checked = true;
    sink.Add(std::move(row));
  } while (FindNextFileA(find.get(), &data));
}

namespace {

// Counts the rows that pass through to the caller's sink; a second row of a
// file already listed is dropped.
class CountingSink : public RowSink {
 public:
  explicit CountingSink(RowSink& inner) : inner_(inner) {}
  void Add(FoundItem row) override {
    if (KindOf(row) == RowKind::File && !listed_.insert(suite::ToUpper(FilePathOf(row))).second)
      return;
    ++count;
    inner_.Add(std::move(row));
  }
  void Status(const std::string& text) override { inner_.Status(text); }
  size_t count = 0;

 private:
  RowSink& inner_;
  std::unordered_set<std::string> listed_;
};

}  // namespace

std::string SkippedFoldersNote(const ScanOutcome& outcome, const std::string& iniName) {
  if (outcome.skipped.empty()) return std::string();
  std::string note = suite::GetInterfaceText(iniName, "strSkipFolder");
  for (size_t i = 0; i < outcome.skipped.size(); ++i)
    note += (i ? "; " : "") + outcome.skipped[i];
  return note;
}

ScanOutcome RunScan(const ScanSettings& settings, RowSink& outer, const std::atomic<bool>& stop,
                    const DriveDoneFn& driveDone) {
  ScanOutcome outcome;
  CountingSink sink(outer);
  auto finish = [&](bool stopped) {
    outcome.stopped = stopped;
    outcome.rows = sink.count;
    return outcome;
  };

  // The drive walks: no special folders.
  for (size_t i = 0; i < settings.drives.size(); ++i) {
    if (stop.load()) {
      if (driveDone) driveDone(i);
      return finish(true);
    }
    WalkJunkFolder(settings.drives[i], nullptr, settings.labels, sink, stop);
    if (driveDone) driveDone(i);
    if (stop.load()) return finish(true);
  }

  std::string temp = settings.tempFolder, cache = settings.cacheFolder,
              recent = settings.recentFolder;
  if (settings.useSystemFolders) {
    temp = suite::TempFolder();
    cache = suite::ShellFolder("Cache");
    recent = suite::ShellFolder("Recent");
  }
  // A special folder that is a root, a system or shell folder, or holds one,
  // is not walked; the rest of the scan goes on.
  const std::vector<suite::GuardedFolder>& guarded =
      settings.useSystemFolders ? suite::SystemGuardedFolders() : settings.guardedFolders;
  const std::string skipText = suite::GetInterfaceText(settings.iniName, "strSkipFolder");
  auto judge = [&](std::string& folder, suite::SweptFolder kind) {
    if (folder.empty() || suite::IsSweepableFolder(folder, kind, guarded)) return;
    outcome.skipped.push_back(folder);
    sink.Status(skipText + folder);
    folder.clear();
  };
  judge(temp, suite::SweptFolder::Temp);
  if (settings.ticks[0]) judge(cache, suite::SweptFolder::Cache);
  if (settings.ticks[1]) judge(recent, suite::SweptFolder::Recent);
  if (!temp.empty() && !suite::EndsWithBackslash(temp)) temp.push_back('\\');

  ListTempSubfolders(temp, sink, stop);
  if (stop.load()) return finish(true);

  SpecialFolders special;
  special.temp = suite::ToUpper(temp);
  special.cache = suite::ToUpper(cache);
  special.recent = settings.useSystemFolders && suite::IsWin9x() ? std::string("\\RECENT\\")
                                                                 : suite::ToUpper(recent);
  const OtherItemTicks& ticks = settings.ticks;
  if (ticks[0] && special.cache.size() >= 3) {
    WalkJunkFolder(special.cache, &special, settings.labels, sink, stop);
    if (stop.load()) return finish(true);
  }
  const std::string recentU = suite::ToUpper(recent);
  if (ticks[1] && recentU.size() >= 3) {
    WalkJunkFolder(recentU, &special, settings.labels, sink, stop);
    if (stop.load()) return finish(true);
  }
  if (!special.temp.empty()) {
    WalkJunkFolder(special.temp, &special, settings.labels, sink, stop);
    if (stop.load()) return finish(true);
  }

  if (settings.runTraceScanners) {
    TraceContext context{sink, stop, settings.iniName};
    RunTraceScanners(ticks, context);
    if (stop.load()) return finish(true);
    AddBrowserStoreRows(ticks, context);  // each store the cleaning run would empty
    if (stop.load()) return finish(true);
  }
  return finish(false);
}

}  // namespace dustrel
