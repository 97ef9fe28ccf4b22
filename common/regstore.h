// The suite's registry backup store, by its four jobs: the .reg writer
// (regwriter), the store and its folders (backupstore), the entries a program
// removes (regentry) and the restore (regrestore). Whatever a program removes
// from the registry it writes there first, through RemoveWithBackup
// (regremoval), so Hivemend's restore chooser can bring it back.
#pragma once

#include "backupstore.h"
#include "regentry.h"
#include "regrestore.h"
#include "regwriter.h"
