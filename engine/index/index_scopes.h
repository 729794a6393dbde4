// Scopes the single-tag index formats share while they rebuild a file: the whole-file lock, and the table's
// current record put back after a build walked the table.
#pragma once

#include <cstdint>

#include "engine/index/index_file.h"
#include "engine/index/index_owner.h"

// Holds the whole-file lock of a shared file for a scope (a file not shared needs none).
class TdvWholeFileLock {
public:
    explicit TdvWholeFileLock(DVobjIndexFile* file) : disk_(file->Disk()) {
        if (!disk_->IsShared()) return;
        if (!disk_->LockWhole()) file->LockFailed(disk_->Error());
        held_ = true;
    }
    ~TdvWholeFileLock() {
        if (held_) disk_->UnlockRegion();
    }
    TdvWholeFileLock(const TdvWholeFileLock&) = delete;
    TdvWholeFileLock& operator=(const TdvWholeFileLock&) = delete;

private:
    DVO_DiskFile* disk_;  // the locked file; not owned
    bool held_ = false;   // whether this scope took the lock
};

// Restores the table's current record after a build walked the table.
class TdvBuildRecordScope {
public:
    explicit TdvBuildRecordScope(TdvIndexOwner* owner) : owner_(owner), record_(owner->CurrentRecord()) {}
    ~TdvBuildRecordScope() {
        try {
            if (record_ >= 1 && record_ <= owner_->RecordCount()) owner_->ReadRecordPhysical(record_);
        } catch (...) {
            // The build's own failure, if any, is the one worth reporting.
        }
    }
    TdvBuildRecordScope(const TdvBuildRecordScope&) = delete;
    TdvBuildRecordScope& operator=(const TdvBuildRecordScope&) = delete;

private:
    TdvIndexOwner* owner_;  // the table walked; not owned
    int32_t record_;        // its current record before the build
};
