#include "regremoval.h"

#include "dryrun.h"
#include "handles.h"
#include "registry.h"
#include "text.h"

namespace suite {

namespace {

bool SameEntry(const RegEntry& a, const RegEntry& b) {
  return a.rootName == b.rootName && a.isValue == b.isValue &&
         EntryKeyPathW(a) == EntryKeyPathW(b) &&
         (!a.isValue || EntryValueNameW(a) == EntryValueNameW(b));
}

// Removes one entry (opening keys with the access the deletion needs) and
// tells whether it is gone afterwards. A key entry with an empty path, an
// unknown root, or a path of backslashes only never deletes anything.
bool DeleteRegEntry(const RegEntry& entry) {
  HKEY root = RootKeyFromName(entry.rootName);
  if (!root) return false;
  const std::wstring path = EntryKeyPathW(entry);
  if (entry.isValue) {
    // Only a value that is there now is removed and reported gone.
    UniqueKey key = OpenKeyNoLink(root, path, KEY_SET_VALUE | KEY_QUERY_VALUE);
    if (!key) return false;
    const std::wstring name = EntryValueNameW(entry);
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
            ERROR_FILE_NOT_FOUND ||
        ValueRemovedByDryRun(root, path, name))
      return false;
    if (!MayChange("delete value", EntryText(entry))) {
      NoteRemovedValue(root, path, name);
      return true;
    }
    RegDeleteValueW(key.get(), name.c_str());
  } else {
    if (path.find_first_not_of(L'\\') == std::wstring::npos) return false;
    UniqueKey probe;
    if (RegOpenKeyExW(root, path.c_str(), REG_OPTION_OPEN_LINK, InNativeView(KEY_READ), probe.put()) ==
            ERROR_FILE_NOT_FOUND ||
        KeyRemovedByDryRun(root, path))
      return false;  // nothing there to remove
    probe.reset();
    // Whole or not at all: a tree that cannot go whole stays as it was.
    if (!DeleteKeyTreeW(root, path)) return false;
  }
  return RegEntryGone(entry);
}

}  // namespace

RestorePoint::RestorePoint() : RestorePoint(BackupStorePath()) {}

RestorePoint::RestorePoint(std::string store) : store_(std::move(store)) {}

bool RestorePoint::Open() {
  if (folder_.empty()) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    folder_ = CreateBackupFolder(store_, now);
  }
  return !folder_.empty();
}

bool RestorePoint::Write(const std::vector<RegEntry>& entries, std::vector<bool>& held) {
  held.assign(entries.size(), false);
  if (entries.empty()) return true;
  if (!Open()) return false;
  const bool regedit4 = UseRegedit4Header();
  std::vector<RegEntry> heldNow;
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string file = Format("%s\\RB%d.reg", folder_.c_str(), next_);
    bool written = false;
    held[i] = BackupEntryFile(entries[i], file, regedit4, &written);
    if (!written) {
      // The files of this write stay (they hold what is still there) and
      // keep their numbers; the failed number is taken by the next write.
      held.assign(entries.size(), false);
      return false;
    }
    ++next_;
    if (held[i]) heldNow.push_back(entries[i]);
  }
  held_.insert(held_.end(), heldNow.begin(), heldNow.end());
  return true;
}

bool RestorePoint::Holds(const RegEntry& entry) const {
  for (const RegEntry& h : held_)
    if (SameEntry(h, entry)) return true;
  return false;
}

bool RemovalReport::AllGone() const {
  if (gone.empty()) return false;
  for (bool g : gone)
    if (!g) return false;
  return true;
}

RemovalReport RemoveWithBackup(const std::vector<RegEntry>& entries, RestorePoint& point) {
  RemovalReport report;
  report.held.assign(entries.size(), false);
  report.gone.assign(entries.size(), false);
  if (entries.empty()) return report;
  // What is not there needs no backup and is not removed; what the point
  // holds already is not written twice.
  std::vector<RegEntry> toWrite;
  std::vector<size_t> written;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (RegEntryGone(entries[i])) continue;
    if (point.Holds(entries[i])) {
      report.held[i] = true;
    } else {
      toWrite.push_back(entries[i]);
      written.push_back(i);
    }
  }
  std::vector<bool> held;
  if (!point.Write(toWrite, held)) {
    report.held.assign(entries.size(), false);
    report.backupFailed = true;
    return report;
  }
  for (size_t k = 0; k < written.size(); ++k) report.held[written[k]] = held[k];
  report.folder = point.Folder();
  for (size_t i = 0; i < entries.size(); ++i)
    if (report.held[i]) report.gone[i] = DeleteRegEntry(entries[i]);
  return report;
}

RemovalReport RemoveWithBackup(const std::vector<RegEntry>& entries, const std::string& store) {
  RestorePoint point(store);
  return RemoveWithBackup(entries, point);
}

bool RemoveSettingValue(const std::string& rootName, const std::string& keyPath,
                        const std::string& valueName) {
  const RegEntry entry = ValueEntry(rootName, keyPath, valueName);
  if (RegEntryGone(entry)) return true;
  return DeleteRegEntry(entry);
}

}  // namespace suite
