#include "engine/index/index_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/storage/crypt.h"
#include "engine/storage/errors.h"
#include "engine/storage/os_services.h"
#include "engine/storage/trim_split.h"

namespace {
constexpr int32_t kCipherPiece = 512;
constexpr int32_t kMaxTransfer = 32768;

size_t NameStart(const std::string& s) {
    size_t p = s.find_last_of(":\\/");
    return p == std::string::npos ? 0 : p + 1;
}

bool HasExtension(const std::string& s) { return s.find('.', NameStart(s)) != std::string::npos; }

std::string Directory(const std::string& path) {
    size_t p = path.find_last_of("\\/");
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

// Ciphers a transfer in pieces of 512 bytes, each piece from cipher position 0.
void CipherPieces(const std::string& key, uint8_t* bytes, int32_t count, int direction) {
    for (int32_t at = 0; at < count; at += kCipherPiece)
        CryptBuffer(key, bytes + at, bytes + at, std::min(kCipherPiece, count - at), direction);
}
}  // namespace

DVobjIndexFile::DVobjIndexFile(TdvIndexOwner* owner, bool overwrite, bool create, bool readOnly, bool shared,
                               const std::string& fileName, const std::string& defaultExtension)
    : owner_(owner), extension_(defaultExtension) {
    std::string name(textutil::Trim(fileName));
    if (!HasExtension(name)) name += defaultExtension;
    else extension_ = name.substr(name.find('.', NameStart(name)));
    fileName_ = os::UpperCase(name.substr(NameStart(name)));
    if (owner_ && NameStart(name) == 0) name = Directory(owner_->TableFileName()) + name;
    exact_ = owner_ ? owner_->ExactMatch() : true;
    const bool exists = os::FileExists(os::AbsolutePath(name));
    if (create && (!exists || overwrite)) {
        disk_ = std::make_unique<DVO_DiskFile>(name, true, shared);
        disk_->CreateNew();
        allocationEnd_ = 0;
    } else if (exists) {
        disk_ = std::make_unique<DVO_DiskFile>(name, !readOnly, shared);
        disk_->Open();
    } else {
        return;
    }
    opened_ = true;
}

DVobjIndexFile::~DVobjIndexFile() {
    try {
        CloseTags();
    } catch (...) {
        // Destruction must not throw; what could not be written stays as it was on disk.
    }
}

void DVobjIndexFile::CloseTags() {
    for (DVobjIndexTag* t : tags_) t->ReleaseNodes();
    tags_.FreeAll();
}

DVobjIndexTag* DVobjIndexFile::CreateTag(const std::string&, const std::string&, bool, bool, const std::string&) {
    return nullptr;
}

bool DVobjIndexFile::DeleteTag(const std::string&) { return false; }

void DVobjIndexFile::ReportError(int32_t code, int32_t subCode, const std::string& info) {
    if (!owner_) ::ReportError(code, subCode, info);
    owner_->ReportError(code, subCode, info);
    ReporterReturned();
}

int32_t DVobjIndexFile::AllocatePage() { return -1; }
int32_t DVobjIndexFile::FindAllocationEnd() { return -1; }

bool DVobjIndexFile::ReadBlock(int64_t position, void* buffer, int32_t count) {
    if (count < 0 || count > kMaxTransfer || position < 0) throw ERangeError();
    auto* bytes = static_cast<uint8_t*>(buffer);
    // Zero first, so that a short file yields zeroed entries rather than stale bytes.
    std::memset(bytes, 0, static_cast<size_t>(count));
    ++blockReads_;
    const int32_t got = disk_->ReadAt(static_cast<uint64_t>(position), bytes, count);
    if (owner_ && owner_->Encrypted()) CipherPieces(owner_->ReadKey(), bytes, count, 0);
    return got == count;
}

void DVobjIndexFile::WriteBlock(int64_t position, const void* buffer, int32_t count) {
    if (count < 0 || count > kMaxTransfer || position < 0) throw ERangeError();
    if (owner_ && owner_->Encrypted()) {
        std::vector<uint8_t> copy(static_cast<const uint8_t*>(buffer), static_cast<const uint8_t*>(buffer) + count);
        CipherPieces(owner_->WriteKey(), copy.data(), count, 1);
        disk_->WriteAt(static_cast<uint64_t>(position), copy.data(), count);
    } else {
        disk_->WriteAt(static_cast<uint64_t>(position), buffer, count);
    }
}

bool DVobjIndexFile::ReadPage(int32_t page, uint8_t* buffer, int32_t count) {
    return ReadBlock(page, buffer, count);
}

void DVobjIndexFile::WritePage(int32_t page, const uint8_t* buffer, int32_t count) { WriteBlock(page, buffer, count); }

void DVobjIndexFile::Reindex() {}

bool DVobjIndexFile::RenameFile(const std::string& newName) {
    std::string name(textutil::Trim(newName));
    size_t dot = name.find('.', NameStart(name));
    if (dot != std::string::npos) name.resize(dot);
    name += extension_;
    if (NameStart(name) == 0) name = Directory(disk_->OsName()) + name;
    if (!disk_->Rename(name)) return false;
    fileName_ = os::UpperCase(name.substr(NameStart(name)));
    return true;
}

void DVobjIndexFile::UpdateKeys(int32_t recordNumber, bool append) {
    allocationEnd_ = -1;
    for (DVobjIndexTag* t : tags_) t->UpdateRecordKey(recordNumber, append);
}

bool DVobjIndexFile::ChangedOnDisk() { return false; }

void DVobjIndexFile::SetLockProtocol(TdvLokProtocol protocol) {
    lockProtocol_ = protocol;
    if (const TdvLockLayout* layout = LockLayoutFor(protocol)) lockLayout_ = *layout;
}

void DVobjIndexFile::Reencrypt() {
    if (!owner_) return;
    const int64_t blocks = disk_->FileSize() / kCipherPiece;
    std::vector<uint8_t> block(kCipherPiece);
    for (int64_t b = 0; b < blocks; ++b) {
        const uint64_t at = static_cast<uint64_t>(b) * kCipherPiece;
        disk_->ReadAt(at, block.data(), kCipherPiece);
        CryptBuffer(owner_->ReadKey(), block.data(), block.data(), kCipherPiece, 0);
        CryptBuffer(owner_->WriteKey(), block.data(), block.data(), kCipherPiece, 1);
        disk_->WriteAt(at, block.data(), kCipherPiece);
    }
}

void DVobjIndexFile::EmptyFile() {}

DVobjIndexTag* DVobjIndexFile::TagAt(int32_t index) const {
    if (index < 0 || index >= TagCount()) return nullptr;
    return tags_.Items(static_cast<size_t>(index));
}

DVobjIndexTag* DVobjIndexFile::TagByName(const std::string& name) const {
    const std::string wanted = os::UpperCase(name);
    for (DVobjIndexTag* t : tags_)
        if (os::UpperCase(t->Name()) == wanted) return t;
    return nullptr;
}

bool DVobjIndexFile::MatchesName(const std::string& fileName) const {
    return os::UpperCase(fileName.substr(NameStart(fileName))) == fileName_;
}

bool DVobjIndexFile::Lock() {
    if (!disk_->IsShared()) return true;
    if (!LockLayoutFor(lockProtocol_)) LockFailed(errcode::kLockViolation);
    if (RetryLock([this] { return disk_->LockRegion(lockLayout_.fileLockOffset, lockLayout_.fileLockLength); }))
        return true;
    LockFailed(disk_->Error());
}

void DVobjIndexFile::LockFailed(int32_t error) const {
    throw EOrdaneError(FormatResource(idxerr::kLockFailed, {std::to_string(error), disk_->Name()}),
                       idxerr::kLockFailed, subcode::kNone);
}

bool DVobjIndexFile::Unlock() { return disk_->UnlockRegion(); }
