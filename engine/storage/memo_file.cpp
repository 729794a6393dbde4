#include "engine/storage/memo_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/storage/crypt.h"
#include "engine/storage/dbf_table.h"
#include "engine/storage/errors.h"
#include "engine/storage/trim_split.h"

namespace {

constexpr int32_t kDb3BlockSize = 512;
constexpr int32_t kDb3MaxScan = 65519;    // a dBase III memo that never ends is this long
constexpr int32_t kMaxBlocks = 65535;     // one memo spans at most this many blocks
constexpr uint64_t kFormatLimit = 0xFFFFFFFFull;

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Be32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
void PutBe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

// Folder and name of a file without its extension.
std::string WithoutExtension(const std::string& name) {
    size_t slash = name.find_last_of("/\\");
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return name.substr(0, dot);
    return name;
}

}  // namespace

// --- dBase III ---------------------------------------------------------------------------------------------------

std::string DVobjMemo::MemoFileName(const std::string& tableFileName, uint8_t version) {
    const std::string name(textutil::Trim(tableFileName, textutil::IsBlank));
    const std::string base = WithoutExtension(name);
    // The extension follows the case of the table's, so that a new memo file is found by programs that look
    // for it case-sensitively (x.dbf goes with x.fpt, X.DBF with X.FPT).
    const std::string extension = name.substr(base.size());
    const bool lower = std::any_of(extension.begin(), extension.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    const bool fox = version == 0x30 || version == 0xF5;
    return base + (lower ? (fox ? ".fpt" : ".dbt") : (fox ? ".FPT" : ".DBT"));
}

DVobjMemo::DVobjMemo(DVO_dBaseDBF* owner, uint8_t version, bool readWrite, bool shared, const std::string& password,
                     const std::string& tableFileName)
    : DVO_DiskFile(MemoFileName(tableFileName, version), readWrite, shared),
      encrypted(!password.empty()),
      readPassword(password),
      writePassword(password),
      owner_(owner),
      version_(version) {
    if (!Existed()) FoundError(errcode::kFileNotFound, subcode::kMemoOpen, Name());
    Open();
}

void DVobjMemo::FoundError(int32_t code, int32_t subCode, const std::string& information) {
    if (!owner_) DVO_DiskFile::FoundError(code, subCode, information);
    owner_->FoundError(code, subCode, information);
    ReporterReturned();
}

void DVobjMemo::BadMemo() {
    FoundError(errcode::kMemoFormat, subcode::kMemoFormat, Name());
    ReporterReturned();
}

int32_t DVobjMemo::DataOffset() const {
    return blockHeaderLength_ == 0 && !readPassword.empty() ? 4 : blockHeaderLength_;
}

void DVobjMemo::ReadImage(uint64_t offset, int32_t count) {
    image_.fill(0);
    ReadAt(offset, image_.data(), std::min<int32_t>(count, 32));
}

uint64_t DVobjMemo::BlockOffset(int32_t block, int64_t fileSize) {
    uint64_t offset = static_cast<uint64_t>(block) * static_cast<uint64_t>(blockSize_);
    if (block < 0 || offset >= static_cast<uint64_t>(fileSize)) BadMemo();
    return offset;
}

int32_t DVobjMemo::StoredLengthAt(int32_t block) {
    if (block == 0) return blockHeaderLength_;
    const int64_t fileSize = FileSize();
    const uint64_t offset = BlockOffset(block, fileSize);
    ReadImage(offset, 32);
    int64_t length = StoredLength();
    if (blockHeaderLength_ > 0) {
        // The header's length must describe bytes the file holds (a short last block is tolerated).
        if (length < blockHeaderLength_ || CeilDiv(length, blockSize_) > kMaxBlocks ||
            offset + static_cast<uint64_t>(length) > static_cast<uint64_t>(fileSize) + static_cast<uint64_t>(blockSize_))
            BadMemo();
        return static_cast<int32_t>(length);
    }
    if (!readPassword.empty()) {
        length = Le32(image_.data());
        if (length > static_cast<int64_t>(fileSize) - static_cast<int64_t>(offset) - 4 ||
            CeilDiv(length + 6, blockSize_) > kMaxBlocks)
            BadMemo();
        return static_cast<int32_t>(length);
    }
    // No password: the memo ends at its first 0x1A. Other programs store memos longer than 65519 bytes, so the
    // scan goes on to the end of the file (at most the 65535 blocks a memo can span); a memo that never ends
    // counts 65519 bytes, or what the file holds after its start when that is less.
    std::array<uint8_t, kDb3BlockSize> piece{};
    int64_t counted = 0;
    const int64_t limit = int64_t{kMaxBlocks} * kDb3BlockSize;
    while (counted < limit) {
        int32_t got = ReadAt(offset + static_cast<uint64_t>(counted), piece.data(), kDb3BlockSize);
        const uint8_t* end = static_cast<const uint8_t*>(std::memchr(piece.data(), 0x1A, static_cast<size_t>(got)));
        if (end) return static_cast<int32_t>(counted + (end - piece.data()));
        counted += got;
        if (got < kDb3BlockSize) break;
    }
    return static_cast<int32_t>(std::min<int64_t>(counted, kDb3MaxScan));
}

int32_t DVobjMemo::StoredLength() { return 0; }

int32_t DVobjMemo::MemoSize(int32_t block) {
    if (block == 0) return 0;
    return StoredLengthAt(block) - blockHeaderLength_;
}

void DVobjMemo::MemoRead(void* buffer, int32_t block, int32_t& size) {
    if (size <= 0) {
        size = 0;
        return;
    }
    currentBlock_ = block;
    blockCount_ = 0;
    if (block == 0) {
        size = 0;
        static_cast<uint8_t*>(buffer)[0] = 0;
        return;
    }
    int32_t n = std::min(StoredLengthAt(block) - blockHeaderLength_, size);
    const int32_t dataOffset = DataOffset();
    blockCount_ = static_cast<int32_t>(CeilDiv(int64_t{dataOffset} + n, blockSize_));
    // A short read (a memo cut off by the end of the file) delivers only the bytes that exist.
    size = ReadAt(static_cast<uint64_t>(block) * static_cast<uint64_t>(blockSize_) + static_cast<uint64_t>(dataOffset),
                  buffer, n);
    if (encrypted) CryptBuffer(readPassword, buffer, buffer, size, 0);
}

int32_t DVobjMemo::MemoWrite(const void* buffer, int32_t& block, int32_t size) {
    if (size < 0) BadMemo();
    if (size == 0 && block == 0) return 0;
    if (IsShared() && !LockMemo()) return 0;
    try {
        int64_t oldLength = block > 0 ? StoredLengthAt(block) : 0;
        if (blockHeaderLength_ == 0 && !readPassword.empty() && block > 0) oldLength += 4;
        blockCount_ = static_cast<int32_t>(CeilDiv(oldLength, blockSize_));
        currentBlock_ = block;
        ReserveBlocks(size);

        int32_t front = blockHeaderLength_;
        if (blockHeaderLength_ == 0) {
            front = writePassword.empty() ? 0 : 4;
            if (front) PutLe32(image_.data(), static_cast<uint32_t>(size));
        }
        const int64_t terminator = blockHeaderLength_ == 0 ? 2 : 0;
        const int64_t total = CeilDiv(front + int64_t{size} + terminator, blockSize_) * blockSize_;
        const uint64_t at = static_cast<uint64_t>(currentBlock_) * static_cast<uint64_t>(blockSize_);
        if (total / blockSize_ > kMaxBlocks || at + static_cast<uint64_t>(total) > kFormatLimit)
            FoundError(errcode::kWriteError, subcode::kWrite, Name());
        std::vector<uint8_t> out(static_cast<size_t>(total), 0);
        std::memcpy(out.data(), image_.data(), static_cast<size_t>(front));
        CryptBuffer(writePassword, buffer, out.data() + front, size, 1);
        PutTerminator(out.data() + front + size);
        WriteAt(at, out.data(), static_cast<int32_t>(total));
    } catch (...) {
        if (IsShared()) UnlockRegion();
        throw;
    }
    block = currentBlock_;
    UnlockRegion();
    return currentBlock_;
}

void DVobjMemo::ReserveBlocks(int32_t length) {
    const int32_t front = writePassword.empty() ? 0 : 4;
    const int32_t needed = static_cast<int32_t>(CeilDiv(int64_t{front} + length + 2, blockSize_));
    if (currentBlock_ < 1 || blockCount_ < needed) {
        ReadImage(0, 32);
        // Never hand out blocks the file already holds, whatever the header says.
        int64_t next = std::max<int64_t>({Le32(image_.data()), 1, CeilDiv(FileSize(), blockSize_)});
        if (next + needed > INT32_MAX) FoundError(errcode::kWriteError, subcode::kWrite, Name());
        currentBlock_ = static_cast<int32_t>(next);
        PutLe32(image_.data(), static_cast<uint32_t>(next + needed));
        WriteAt(0, image_.data(), 32);
    }
    blockCount_ = needed;
    image_.fill(0);
}

void DVobjMemo::FreeBlocks(int32_t) {}

void DVobjMemo::PutTerminator(uint8_t* destination) {
    destination[0] = 0x1A;
    destination[1] = 0x1A;
}

void DVobjMemo::SetLockProtocol(TdvLokProtocol protocol) {
    if (const TdvLockLayout* layout = LockLayoutFor(protocol)) lockLayout_ = *layout;
    protocol_ = protocol;
}

bool DVobjMemo::LockMemo() {
    if (!LockLayoutFor(protocol_)) return false;
    if (RetryLock([this] { return LockRegion(lockLayout_.fileLockOffset, lockLayout_.fileLockLength); })) return true;
    CheckError(error_, subcode::kMemoLock);
    return false;
}

bool DVobjMemo::RenameWithTable(const std::string& newTableName) {
    std::string extension = OsName().substr(WithoutExtension(OsName()).size());
    const std::string newBase = WithoutExtension(std::string(textutil::Trim(newTableName, textutil::IsBlank)));
    if (!Rename(newBase + extension)) return false;
    if (IsReadWrite()) {
        // The header carries the table's name, at most 8 characters, upper case.
        std::string base = WithoutExtension(Name());
        base = base.substr(base.find_last_of('/') + 1).substr(0, 8);
        ReadImage(0, 32);
        std::fill(image_.begin() + 8, image_.begin() + 17, 0);
        std::memcpy(&image_[8], base.data(), base.size());
        WriteAt(0, image_.data(), 32);
    }
    return true;
}

// --- dBase IV ----------------------------------------------------------------------------------------------------

DVobjMemo4::DVobjMemo4(DVO_dBaseDBF* owner, uint8_t version, bool readWrite, bool shared, const std::string& password,
                       const std::string& tableFileName)
    : DVobjMemo(owner, version, readWrite, shared, password, tableFileName) {
    ReadImage(0, 32);
    uint32_t size = Le32(&image_[20]);
    // Free runs and block headers are read 32 bytes at a time; smaller or absurd blocks cannot be this layout.
    if (size < 32 || size > 0x10000) FoundError(errcode::kMemoFormat, subcode::kMemoOpen, Name());
    blockSize_ = static_cast<int32_t>(size);
    blockHeaderLength_ = 8;
    if (IsReadWrite() && FileSize() < blockSize_) {
        std::vector<uint8_t> block0(static_cast<size_t>(blockSize_), 0);
        std::memcpy(block0.data(), image_.data(), 32);
        WriteAt(0, block0.data(), blockSize_);
    }
}

int32_t DVobjMemo4::StoredLength() {
    if (image_[0] != 0xFF || image_[1] != 0xFF) BadMemo();
    return static_cast<int32_t>(std::min<uint32_t>(Le32(&image_[4]), INT32_MAX));
}

void DVobjMemo4::PutTerminator(uint8_t*) {}

void DVobjMemo4::ReserveBlocks(int32_t length) {
    const int32_t needed = static_cast<int32_t>(CeilDiv(int64_t{length} + 8, blockSize_));
    if (currentBlock_ > 0) FreeBlocks(currentBlock_);
    currentBlock_ = FirstFit(needed);
    blockCount_ = needed;
    image_.fill(0);
    image_[0] = image_[1] = 0xFF;
    image_[2] = 8;
    PutLe32(&image_[4], static_cast<uint32_t>(length) + 8);
}

void DVobjMemo4::FreeBlocks(int32_t block) {
    const uint64_t at = BlockOffset(block, FileSize());
    ReadImage(at, 8);
    const uint32_t run = static_cast<uint32_t>(CeilDiv(StoredLength(), blockSize_));
    std::array<uint8_t, 8> header{};
    ReadAt(0, header.data(), 8);
    std::array<uint8_t, 8> node{};
    std::memcpy(node.data(), header.data(), 4);
    PutLe32(&node[4], run);
    WriteAt(at, node.data(), 8);
    PutLe32(&header[0], static_cast<uint32_t>(block));
    PutLe32(&header[4], 0);
    WriteAt(0, header.data(), 8);
}

int32_t DVobjMemo4::FirstFit(int32_t needed) {
    const uint64_t blockSize = static_cast<uint64_t>(blockSize_);
    ReadImage(0, 32);
    int64_t end = FileSize() / blockSize_;
    if (end == 0) {
        end = 1;
        WriteAt(0, image_.data(), 32);
    }
    int64_t cur = Le32(image_.data());
    int64_t prev = 0;
    int64_t link = 0;
    bool fitted = false;
    // Each step visits another block below the end, so a chain longer than that loops.
    for (int64_t steps = 0; cur < end; ++steps) {
        if (steps > end || cur < 1) BadMemo();
        ReadImage(static_cast<uint64_t>(cur) * blockSize, 32);
        const uint32_t next = Le32(image_.data());
        const uint32_t count = Le32(&image_[4]);
        if (count < static_cast<uint32_t>(needed)) {
            prev = cur;
            cur = next;
            continue;
        }
        link = next;
        if (count > static_cast<uint32_t>(needed)) {
            PutLe32(&image_[4], count - static_cast<uint32_t>(needed));
            WriteAt(static_cast<uint64_t>(cur + needed) * blockSize, image_.data(), 32);
            link = cur + needed;
        }
        fitted = true;
        break;
    }
    if (!fitted) {
        cur = end;
        link = end + needed;
    }
    if (link > INT32_MAX || cur > INT32_MAX) FoundError(errcode::kWriteError, subcode::kWrite, Name());
    ReadImage(static_cast<uint64_t>(prev) * blockSize, 32);
    PutLe32(image_.data(), static_cast<uint32_t>(link));
    WriteAt(static_cast<uint64_t>(prev) * blockSize, image_.data(), 32);
    return static_cast<int32_t>(cur);
}

// --- FoxPro ------------------------------------------------------------------------------------------------------

DVobjFXMemo20::DVobjFXMemo20(DVO_dBaseDBF* owner, uint8_t version, bool readWrite, bool shared,
                             const std::string& password, const std::string& tableFileName)
    : DVobjMemo(owner, version, readWrite, shared, password, tableFileName) {
    ReadImage(0, 32);
    blockSize_ = (image_[6] << 8) | image_[7];
    if (blockSize_ == 0) FoundError(errcode::kMemoFormat, subcode::kMemoOpen, Name());
    blockHeaderLength_ = 8;
}

int32_t DVobjFXMemo20::StoredLength() {
    // 0 picture and 1 text; 2 (object) is what other programs write for general fields.
    const uint32_t type = Be32(image_.data());
    if (type > 2) BadMemo();
    return static_cast<int32_t>(std::min<uint64_t>(uint64_t{Be32(&image_[4])} + 8, INT32_MAX));
}

void DVobjFXMemo20::PutTerminator(uint8_t*) {}

void DVobjFXMemo20::ReserveBlocks(int32_t length) {
    const int32_t needed = static_cast<int32_t>(CeilDiv(int64_t{length} + 8, blockSize_));
    if (currentBlock_ < 1 || blockCount_ < needed) {
        std::array<uint8_t, 8> header{};
        ReadAt(0, header.data(), 8);
        // Never hand out blocks the file already holds, whatever the header says.
        int64_t next = std::max<int64_t>({Be32(header.data()), CeilDiv(512, blockSize_), CeilDiv(FileSize(), blockSize_)});
        if (next + needed > INT32_MAX) FoundError(errcode::kWriteError, subcode::kWrite, Name());
        currentBlock_ = static_cast<int32_t>(next);
        PutBe32(header.data(), static_cast<uint32_t>(next + needed));
        WriteAt(0, header.data(), 8);
    }
    blockCount_ = needed;
    image_.fill(0);
    PutBe32(image_.data(), 1);
    PutBe32(&image_[4], static_cast<uint32_t>(length));
}

bool DVobjFXMemo20::RenameWithTable(const std::string& newTableName) {
    std::string extension = OsName().substr(WithoutExtension(OsName()).size());
    return Rename(WithoutExtension(std::string(textutil::Trim(newTableName, textutil::IsBlank))) + extension);
}
