#include "engine/storage/disk_file.h"

#include <cstdlib>
#include <limits>

#include "engine/storage/errors.h"

namespace {
constexpr uint64_t kWholeFileLength = 0x7FFFFFFF;

// Runs the program-end clean-up when the process exits normally.
struct ExitCleanup {
    ~ExitCleanup() { DVobjFileColl::Instance().CloseAll(); }
};
}  // namespace

DVobjFileColl& DVobjFileColl::Instance() {
    static DVobjFileColl collection;
    static ExitCleanup cleanup;  // constructed after the collection, so destroyed before it
    return collection;
}

void DVobjFileColl::CloseAll() {
    while (Count() > 0) Items(Count() - 1)->ReleaseAtExit();
}

DVO_DiskFile::DVO_DiskFile(const std::string& fileName, bool readWrite, bool shared)
    : osName_(os::AbsolutePath(fileName)), shared_(shared), readWrite_(readWrite) {
    name_ = os::UpperCase(osName_);
    existed_ = os::FileExists(osName_);
}

DVO_DiskFile::~DVO_DiskFile() { Close(); }

void DVO_DiskFile::CheckError(int32_t code, int32_t subCode) {
    if (code == 0) return;
    error_ = code;
    os::SetLastError(code);
    FoundError(code, subCode, name_);
}

void DVO_DiskFile::FoundError(int32_t code, int32_t subCode, const std::string& information) {
    ReportError(code, subCode, information);
}

void DVO_DiskFile::Open() {
    if (!closed_) return;
    int rc = handle_.Open(osName_, readWrite_ ? os::Access::ReadWrite : os::Access::ReadOnly,
                          shared_ ? os::Share::Shared : os::Share::Exclusive);
    CheckError(rc, subcode::kOpen);
    error_ = 0;
    position_ = 0;
    closed_ = false;
    existed_ = true;
    DVobjFileColl::Instance().Add(this);
}

void DVO_DiskFile::CreateNew() {
    Close();
    CheckError(os::File::Create(osName_), subcode::kCreate);
    Open();
}

bool DVO_DiskFile::Close() {
    if (closed_) return true;
    if (lockCount_ > 0) {
        lockCount_ = 1;
        UnlockRegion();
        lockCount_ = 0;
    }
    error_ = 0;
    DVobjFileColl::Instance().Remove(this);
    handle_.Close();
    closed_ = true;
    position_ = 0;
    return true;
}

void DVO_DiskFile::ReleaseAtExit() {
    if (closed_) return;
    if (lockCount_ > 0 && shared_) handle_.Unlock(lockedOffset_, lockedLength_);
    lockCount_ = 0;
    DVobjFileColl::Instance().Remove(this);
    handle_.Close();
    closed_ = true;
    position_ = 0;
}

int32_t DVO_DiskFile::ReadAt(uint64_t position, void* buffer, int32_t count) {
    if (count < 0) ReportError(errcode::kReadError, subcode::kRead, name_);
    size_t got = 0;
    error_ = 0;
    if (closed_) CheckError(errcode::kFileNotOpen, subcode::kRead);
    CheckError(handle_.ReadAt(position, buffer, static_cast<size_t>(count), &got), subcode::kRead);
    bytesTransferred_ = static_cast<int32_t>(got);
    position_ = position + got;
    if (got < static_cast<size_t>(count)) error_ = errcode::kShortRead;
    return bytesTransferred_;
}

void DVO_DiskFile::WriteAt(uint64_t position, const void* buffer, int32_t count) {
    if (count < 0) ReportError(errcode::kWriteError, subcode::kWrite, name_);
    size_t put = 0;
    error_ = 0;
    if (closed_) CheckError(errcode::kFileNotOpen, subcode::kWrite);
    if (!readWrite_) CheckError(errcode::kAccessDenied, subcode::kWrite);
    CheckError(handle_.WriteAt(position, buffer, static_cast<size_t>(count), &put), subcode::kWrite);
    bytesTransferred_ = static_cast<int32_t>(put);
    position_ = position + put;
}

int64_t DVO_DiskFile::FileSize() {
    if (closed_) CheckError(errcode::kFileNotOpen, subcode::kSize);
    uint64_t size = 0;
    CheckError(handle_.Size(&size), subcode::kSize);
    if (size > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        CheckError(errcode::kReadError, subcode::kSize);
    return static_cast<int64_t>(size);
}

void DVO_DiskFile::Flush() {
    if (closed_) return;
    CheckError(handle_.Flush(), subcode::kFlush);
}

void DVO_DiskFile::Truncate(uint64_t position) {
    if (closed_ || !readWrite_ || !HasWriteAccess()) CheckError(errcode::kAccessDenied, subcode::kTruncate);
    CheckError(handle_.Truncate(position), subcode::kTruncate);
}

bool DVO_DiskFile::Rename(const std::string& newName) {
    Close();
    std::string target = os::AbsolutePath(newName);
    int rc = os::RenameFile(osName_, target);
    if (rc == 0) {
        osName_ = target;
        name_ = os::UpperCase(target);
    }
    Open();
    CheckError(rc, subcode::kRename);
    return true;
}

void DVO_DiskFile::StatusUpdate(int32_t, int32_t, int32_t) {}

bool DVO_DiskFile::HasWriteAccess() const {
    return !shared_ || (lockCount_ > 0 && lockedOffset_ == 0 && lockedLength_ == kWholeFileLength);
}

bool DVO_DiskFile::LockRegion(uint64_t offset, uint64_t length) {
    if (!shared_) {
        error_ = 0;
        ++lockCount_;
        lockedOffset_ = offset;
        lockedLength_ = length;
        return true;
    }
    if (lockCount_ <= 0) {
        lockedOffset_ = offset;
        lockedLength_ = length;
        int rc = closed_ ? errcode::kFileNotOpen : handle_.Lock(offset, length);
        if (rc != 0) {
            error_ = rc;
            return false;
        }
        error_ = 0;
        lockCount_ = 1;
        return true;
    }
    if (offset == lockedOffset_ && length == lockedLength_) {
        error_ = 0;
        ++lockCount_;
        return true;
    }
    error_ = errcode::kLockViolation;
    return false;
}

bool DVO_DiskFile::LockWhole() {
    if (!shared_) return true;
    return LockRegion(0, kWholeFileLength);
}

bool DVO_DiskFile::UnlockRegion() {
    error_ = 0;
    if (lockCount_ > 0) {
        if (shared_ && lockCount_ == 1) {
            int rc = closed_ ? 0 : handle_.Unlock(lockedOffset_, lockedLength_);
            if (rc != 0) {
                error_ = rc;
                return false;
            }
        }
        --lockCount_;
    }
    return error_ == 0;
}
