// The one path by which a program removes registry entries it cleans: each
// entry is written to the backup store first (common/regstore) and removed
// only when its file holds it exactly. A run keeps one RestorePoint, so
// everything it removes lands in one dated folder, RB0.reg, RB1.reg, ...
// without gaps, and one restore from Hivemend's chooser brings the run back.
// A key entry goes whole or not at all (common/registry).
//
// The suite's own settings (Dustrel's option switches, the ActiveX record)
// are not cleaned entries: they are removed by RemoveSettingValue.
// Nothing here touches a window.
#pragma once
#include <string>
#include <vector>

#include "backupstore.h"
#include "regentry.h"
#include "regwriter.h"

namespace suite {

// One dated backup folder of the store that one run writes into. The folder
// is made at the first write. Not shared between threads.
class RestorePoint {
 public:
  RestorePoint();  // the store beside the program
  explicit RestorePoint(std::string store);
  RestorePoint(const RestorePoint&) = delete;
  RestorePoint& operator=(const RestorePoint&) = delete;

  // Makes the dated folder now (Write makes it at its first call); false
  // when it cannot be made.
  bool Open();
  // Writes one "RB<n>.reg" per entry, numbered on from this point's earlier
  // files; `held` tells per entry whether its file holds it exactly. False
  // when the folder or a file could not be written: none of these entries
  // may then be removed (the next write takes the failed number again).
  bool Write(const std::vector<RegEntry>& entries, std::vector<bool>& held);
  // Whether an earlier write of this point holds the entry exactly.
  bool Holds(const RegEntry& entry) const;

  const std::string& Store() const { return store_; }
  const std::string& Folder() const { return folder_; }  // empty until the first write
  int Files() const { return next_; }

 private:
  std::string store_;
  std::string folder_;
  int next_ = 0;
  std::vector<RegEntry> held_;
};

struct RemovalReport {
  std::string folder;         // the backup folder of the run; empty while nothing was written
  bool backupFailed = false;  // the backup could not be written: nothing was removed
  std::vector<bool> held;  // per entry: its backup holds it exactly (only those are removed)
  std::vector<bool> gone;  // per entry: removed by this call and gone afterwards
  bool BackedUp() const { return !backupFailed; }
  bool AllGone() const;
};

// Backs the entries up (those not there are skipped; those the point holds
// already are not written again), then removes, in order, each entry whose
// file holds it exactly. Each entry is checked again just before its
// removal; a key entry whose tree cannot be removed whole stays as it was.
RemovalReport RemoveWithBackup(const std::vector<RegEntry>& entries, RestorePoint& point);
// The same in a restore point of its own in `store`.
RemovalReport RemoveWithBackup(const std::vector<RegEntry>& entries,
                               const std::string& store = BackupStorePath());

// Removes one value of the suite's own settings (not a cleaned entry, so no
// backup). True when it is gone afterwards, also when it was not there.
bool RemoveSettingValue(const std::string& rootName, const std::string& keyPath,
                        const std::string& valueName);

}  // namespace suite
