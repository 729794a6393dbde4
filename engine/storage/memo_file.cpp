#include "engine/storage/memo_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/storage/byte_view.h"
#include "engine/storage/crypt.h"
#include "engine/storage/dbf_table.h"
#include "engine/storage/errors.h"
#include "engine/storage/memo_layout.h"
#include "engine/storage/trim_split.h"

namespace {

constexpr int32_t kDb3BlockSize = 512;
constexpr int32_t kDb3MaxScan = 65519;    // a dBase III memo that never ends is this long
constexpr int32_t kMaxBlocks = 65535;     // one memo spans at most this many blocks
constexpr uint64_t kFormatLimit = 0xFFFFFFFFull;

constexpr int32_t kBlockHeaderSize = static_cast<int32_t>(memoblock::kHeaderSize);  // dBase IV and FoxPro
constexpr int32_t kDb3PrefixSize = 4;  // the length before a dBase III memo with a password
constexpr int32_t kDb3EndSize = 2;     // the two 0x1A bytes after a dBase III memo
constexpr int32_t kDb4MinBlockSize = 32, kDb4MaxBlockSize = 0x10000;
constexpr uint16_t kDb4InUse = 0xFFFF;  // the mark of a dBase IV block in use
constexpr uint32_t kFoxText = 1;        // the FoxPro block type written for every memo

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
    const int32_t got = ReadAt(offset, image_.data(), std::min<int32_t>(count, static_cast<int32_t>(image_.size())));
    imageRead_ = static_cast<size_t>(std::max(0, got));
}

TdvByteView DVobjMemo::ImageAsRead(int32_t subCode) const {
    return TdvByteView(image_.data(), imageRead_, {errcode::kMemoFormat, subCode, Name()});
}

TdvWriteView DVobjMemo::Image() {
    return TdvWriteView(image_.data(), image_.size(), {errcode::kMemoFormat, subcode::kMemoFormat, Name()});
}

TdvWriteView DVobjMemo::NewImage() {
    image_.fill(0);
    imageRead_ = 0;
    return Image();
}

int64_t DVobjMemo::NextFreeBlock(uint32_t stated, int64_t firstBlock) {
    // Never hand out blocks the file already holds, whatever the header says. A header naming a block further
    // past the end than one memo can reach is damaged: following it would write far past what the file holds.
    const int64_t end = std::max<int64_t>(CeilDiv(FileSize(), blockSize_), firstBlock);
    if (int64_t{stated} > end + kMaxBlocks) BadMemo();
    return std::max<int64_t>(stated, end);
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
    ReadImage(offset, memoheader::kImageSize);
    int64_t length = StoredLength();
    if (blockHeaderLength_ > 0) {
        // The header's length must describe bytes the file holds (a short last block is tolerated).
        if (length < blockHeaderLength_ || CeilDiv(length, blockSize_) > kMaxBlocks ||
            offset + static_cast<uint64_t>(length) > static_cast<uint64_t>(fileSize) + static_cast<uint64_t>(blockSize_))
            BadMemo();
        return static_cast<int32_t>(length);
    }
    if (!readPassword.empty()) {
        length = ImageAsRead(subcode::kMemoFormat).U32LE(memoblock::kDb3Length);
        if (length > static_cast<int64_t>(fileSize) - static_cast<int64_t>(offset) - kDb3PrefixSize ||
            CeilDiv(length + kDb3PrefixSize + kDb3EndSize, blockSize_) > kMaxBlocks)
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
        const uint8_t* end =
            static_cast<const uint8_t*>(std::memchr(piece.data(), memoblock::kDb3EndMark, static_cast<size_t>(got)));
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
        if (blockHeaderLength_ == 0 && !readPassword.empty() && block > 0) oldLength += kDb3PrefixSize;
        blockCount_ = static_cast<int32_t>(CeilDiv(oldLength, blockSize_));
        currentBlock_ = block;
        ReserveBlocks(size);

        int32_t front = blockHeaderLength_;
        if (blockHeaderLength_ == 0) {
            front = writePassword.empty() ? 0 : kDb3PrefixSize;
            if (front) Image().PutU32LE(memoblock::kDb3Length, static_cast<uint32_t>(size));
        }
        const int64_t terminator = blockHeaderLength_ == 0 ? kDb3EndSize : 0;
        const int64_t total = CeilDiv(front + int64_t{size} + terminator, blockSize_) * blockSize_;
        const uint64_t at = static_cast<uint64_t>(currentBlock_) * static_cast<uint64_t>(blockSize_);
        if (total / blockSize_ > kMaxBlocks || at + static_cast<uint64_t>(total) > kFormatLimit)
            FoundError(errcode::kWriteError, subcode::kWrite, Name());
        // Block header, memo bytes and terminator, in whole blocks.
        std::vector<uint8_t> bytes(static_cast<size_t>(total), 0);
        TdvWriteView out(bytes.data(), bytes.size(), {errcode::kMemoFormat, subcode::kWrite, Name()});
        out.Put(0, Image().Bytes(0, static_cast<size_t>(front)), static_cast<size_t>(front));
        CryptBuffer(writePassword, buffer, out.Bytes(static_cast<size_t>(front), static_cast<size_t>(size)), size, 1);
        PutTerminator(out.Bytes(static_cast<size_t>(front + size), static_cast<size_t>(terminator)));
        WriteAt(at, out.Data(), static_cast<int32_t>(total));
    } catch (...) {
        if (IsShared()) UnlockRegion();
        throw;
    }
    block = currentBlock_;
    UnlockRegion();
    return currentBlock_;
}

void DVobjMemo::ReserveBlocks(int32_t length) {
    const int32_t front = writePassword.empty() ? 0 : kDb3PrefixSize;
    const int32_t needed = static_cast<int32_t>(CeilDiv(int64_t{front} + length + kDb3EndSize, blockSize_));
    if (currentBlock_ < 1 || blockCount_ < needed) {
        // A header the file lacks reads as zeros: the end of the file decides then.
        ReadImage(0, memoheader::kImageSize);
        TdvWriteView header = Image();
        const int64_t next = NextFreeBlock(header.U32LE(memoheader::kNextBlock), 1);
        if (next + needed > INT32_MAX) FoundError(errcode::kWriteError, subcode::kWrite, Name());
        currentBlock_ = static_cast<int32_t>(next);
        header.PutU32LE(memoheader::kNextBlock, static_cast<uint32_t>(next + needed));
        WriteAt(0, header.Data(), static_cast<int32_t>(header.Size()));
    }
    blockCount_ = needed;
    NewImage();
}

void DVobjMemo::FreeBlocks(int32_t) {}

int32_t DVobjMemo::FirstDataBlock() const { return 1; }

void DVobjMemo::Empty() {
    // dBase III: the next block; dBase IV: the head of the free chain, which at the end of the file is empty.
    ReadImage(0, memoheader::kImageSize);
    TdvWriteView header = Image();
    header.PutU32LE(memoheader::kNextBlock, static_cast<uint32_t>(FirstDataBlock()));
    WriteAt(0, header.Data(), static_cast<int32_t>(header.Size()));
    Truncate(static_cast<uint64_t>(FirstDataBlock()) * static_cast<uint64_t>(blockSize_));
}

int32_t DVobjMemo::CopyMemo(int32_t block, DVobjMemo& target) {
    if (block == 0) return 0;
    if (target.blockSize_ != blockSize_ || target.blockHeaderLength_ != blockHeaderLength_) BadMemo();
    const int32_t size = MemoSize(block);  // checks the block and its length against the file
    const int32_t front = DataOffset();
    const int64_t terminator = blockHeaderLength_ == 0 ? kDb3EndSize : 0;
    const int64_t total = CeilDiv(int64_t{front} + size + terminator, blockSize_) * blockSize_;
    std::vector<uint8_t> bytes(static_cast<size_t>(total), 0);
    // A memo cut short by the end of the file keeps what exists; the rest of its blocks stays zero.
    ReadAt(static_cast<uint64_t>(block) * static_cast<uint64_t>(blockSize_), bytes.data(), front + size);
    error_ = 0;
    if (terminator) PutTerminator(bytes.data() + front + size);
    if (target.IsShared() && !target.LockMemo()) return 0;
    try {
        target.currentBlock_ = 0;
        target.blockCount_ = 0;
        target.ReserveBlocks(size);
        const uint64_t at = static_cast<uint64_t>(target.currentBlock_) * static_cast<uint64_t>(blockSize_);
        if (at + static_cast<uint64_t>(total) > kFormatLimit)
            target.FoundError(errcode::kWriteError, subcode::kWrite, target.Name());
        target.WriteAt(at, bytes.data(), static_cast<int32_t>(total));
    } catch (...) {
        if (target.IsShared()) target.UnlockRegion();
        throw;
    }
    if (target.IsShared()) target.UnlockRegion();
    return target.currentBlock_;
}

void DVobjMemo::PutTerminator(uint8_t* destination) {
    destination[0] = memoblock::kDb3EndMark;
    destination[1] = memoblock::kDb3EndMark;
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
        base = base.substr(base.find_last_of('/') + 1).substr(0, memoheader::kTableNameChars);
        ReadImage(0, memoheader::kImageSize);
        TdvWriteView header = Image();
        header.Fill(memoheader::kTableName, memoheader::kTableNameSize, 0);
        header.Put(memoheader::kTableName, base.data(), base.size());
        WriteAt(0, header.Data(), static_cast<int32_t>(header.Size()));
    }
    return true;
}

// --- dBase IV ----------------------------------------------------------------------------------------------------

DVobjMemo4::DVobjMemo4(DVO_dBaseDBF* owner, uint8_t version, bool readWrite, bool shared, const std::string& password,
                       const std::string& tableFileName)
    : DVobjMemo(owner, version, readWrite, shared, password, tableFileName) {
    ReadImage(0, memoheader::kImageSize);
    const uint32_t size = ImageAsRead(subcode::kMemoOpen).U32LE(memoheader::kDb4BlockSize);
    // Free runs and block headers are read 32 bytes at a time; smaller or absurd blocks cannot be this layout.
    if (size < kDb4MinBlockSize || size > kDb4MaxBlockSize)
        FoundError(errcode::kMemoFormat, subcode::kMemoOpen, Name());
    blockSize_ = static_cast<int32_t>(size);
    blockHeaderLength_ = kBlockHeaderSize;
    if (IsReadWrite() && FileSize() < blockSize_) {
        std::vector<uint8_t> block0(static_cast<size_t>(blockSize_), 0);
        TdvWriteView(block0.data(), block0.size(), {errcode::kMemoFormat, subcode::kMemoOpen, Name()})
            .Put(0, image_.data(), image_.size());
        WriteAt(0, block0.data(), blockSize_);
    }
}

int32_t DVobjMemo4::StoredLength() {
    const TdvByteView header = ImageAsRead(subcode::kMemoFormat);
    if (header.U16LE(memoblock::kDb4Mark) != kDb4InUse) BadMemo();
    return static_cast<int32_t>(std::min<uint32_t>(header.U32LE(memoblock::kDb4Length), INT32_MAX));
}

void DVobjMemo4::PutTerminator(uint8_t*) {}

void DVobjMemo4::ReserveBlocks(int32_t length) {
    const int32_t needed = static_cast<int32_t>(CeilDiv(int64_t{length} + kBlockHeaderSize, blockSize_));
    if (currentBlock_ > 0) FreeBlocks(currentBlock_);
    currentBlock_ = FirstFit(needed);
    blockCount_ = needed;
    TdvWriteView header = NewImage();
    header.PutU16LE(memoblock::kDb4Mark, kDb4InUse);
    header.PutU16LE(memoblock::kDb4DataOffset, kBlockHeaderSize);
    header.PutU32LE(memoblock::kDb4Length, static_cast<uint32_t>(length + kBlockHeaderSize));
}

void DVobjMemo4::FreeBlocks(int32_t block) {
    const int64_t fileSize = FileSize();
    const uint64_t at = BlockOffset(block, fileSize);
    ReadImage(at, memoblock::kHeaderSize);
    uint32_t run = static_cast<uint32_t>(CeilDiv(StoredLength(), blockSize_));
    // Some writers place the next memo in the block that the last byte of a memo spills into. Freeing that
    // block would hand another memo's header out as free space: the run ends before a block that starts a memo.
    for (uint32_t i = 1; i < run; ++i) {
        const uint64_t next = at + uint64_t{i} * static_cast<uint64_t>(blockSize_);
        if (next + memoblock::kHeaderSize > static_cast<uint64_t>(fileSize)) break;
        ReadImage(next, memoblock::kHeaderSize);
        const TdvByteView header = ImageAsRead(subcode::kMemoFormat);
        if (header.U16LE(memoblock::kDb4Mark) == kDb4InUse && header.U16LE(memoblock::kDb4DataOffset) == kBlockHeaderSize) {
            run = i;
            break;
        }
    }
    // The freed run goes to the head of the chain: it links to the old head, the header to it.
    std::array<uint8_t, memoblock::kHeaderSize> headBytes{}, nodeBytes{};
    ReadAt(0, headBytes.data(), static_cast<int32_t>(headBytes.size()));
    TdvWriteView header(headBytes.data(), headBytes.size(), {errcode::kMemoFormat, subcode::kMemoFormat, Name()});
    TdvWriteView node(nodeBytes.data(), nodeBytes.size(), header.Kind());
    node.PutU32LE(memoblock::kFreeNext, header.U32LE(memoheader::kNextBlock));
    node.PutU32LE(memoblock::kFreeCount, run);
    WriteAt(at, node.Data(), static_cast<int32_t>(node.Size()));
    header.PutU32LE(memoheader::kNextBlock, static_cast<uint32_t>(block));
    header.PutU32LE(memoheader::kFreedMark, 0);
    WriteAt(0, header.Data(), static_cast<int32_t>(header.Size()));
}

int32_t DVobjMemo4::FirstFit(int32_t needed) {
    const uint64_t blockSize = static_cast<uint64_t>(blockSize_);
    const int32_t imageSize = static_cast<int32_t>(memoheader::kImageSize);
    ReadImage(0, imageSize);
    int64_t end = FileSize() / blockSize_;
    if (end == 0) {
        end = 1;
        WriteAt(0, Image().Data(), imageSize);
    }
    const int64_t lastBlock = CeilDiv(FileSize(), blockSize_);
    int64_t cur = Image().U32LE(memoheader::kNextBlock);
    int64_t prev = 0;
    int64_t link = 0;
    bool fitted = false;
    // Each step visits another block below the end, so a chain longer than that loops. Runs lie below the end,
    // so a chain node is a whole 32-byte image.
    for (int64_t steps = 0; cur < end; ++steps) {
        if (steps > end || cur < 1) BadMemo();
        ReadImage(static_cast<uint64_t>(cur) * blockSize, imageSize);
        TdvWriteView run = Image();
        const uint32_t next = run.U32LE(memoblock::kFreeNext);
        const uint32_t count = run.U32LE(memoblock::kFreeCount);
        if (count < static_cast<uint32_t>(needed)) {
            prev = cur;
            cur = next;
            continue;
        }
        // A run that claims blocks past the end of the file would have its remainder written out there.
        if (cur + int64_t{count} > lastBlock) BadMemo();
        link = next;
        if (count > static_cast<uint32_t>(needed)) {
            run.PutU32LE(memoblock::kFreeCount, count - static_cast<uint32_t>(needed));
            WriteAt(static_cast<uint64_t>(cur + needed) * blockSize, run.Data(), imageSize);
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
    ReadImage(static_cast<uint64_t>(prev) * blockSize, imageSize);
    TdvWriteView linking = Image();
    linking.PutU32LE(prev == 0 ? memoheader::kNextBlock : memoblock::kFreeNext, static_cast<uint32_t>(link));
    WriteAt(static_cast<uint64_t>(prev) * blockSize, linking.Data(), imageSize);
    return static_cast<int32_t>(cur);
}

// --- FoxPro ------------------------------------------------------------------------------------------------------

DVobjFXMemo20::DVobjFXMemo20(DVO_dBaseDBF* owner, uint8_t version, bool readWrite, bool shared,
                             const std::string& password, const std::string& tableFileName)
    : DVobjMemo(owner, version, readWrite, shared, password, tableFileName) {
    ReadImage(0, memoheader::kImageSize);
    blockSize_ = ImageAsRead(subcode::kMemoOpen).U16BE(memoheader::kFoxBlockSize);
    if (blockSize_ == 0) FoundError(errcode::kMemoFormat, subcode::kMemoOpen, Name());
    blockHeaderLength_ = kBlockHeaderSize;
}

int32_t DVobjFXMemo20::StoredLength() {
    // 0 picture and 1 text; 2 (object) is what other programs write for general fields.
    const TdvByteView header = ImageAsRead(subcode::kMemoFormat);
    if (header.U32BE(memoblock::kFoxType) > 2) BadMemo();
    return static_cast<int32_t>(
        std::min<uint64_t>(uint64_t{header.U32BE(memoblock::kFoxLength)} + kBlockHeaderSize, INT32_MAX));
}

void DVobjFXMemo20::PutTerminator(uint8_t*) {}

void DVobjFXMemo20::ReserveBlocks(int32_t length) {
    const int32_t needed = static_cast<int32_t>(CeilDiv(int64_t{length} + kBlockHeaderSize, blockSize_));
    if (currentBlock_ < 1 || blockCount_ < needed) {
        // Only the first 8 header bytes are rewritten; bytes the file lacks read as zeros.
        std::array<uint8_t, memoblock::kHeaderSize> headBytes{};
        ReadAt(0, headBytes.data(), static_cast<int32_t>(headBytes.size()));
        TdvWriteView header(headBytes.data(), headBytes.size(), {errcode::kMemoFormat, subcode::kMemoFormat, Name()});
        const int64_t next = NextFreeBlock(header.U32BE(memoheader::kNextBlock),
                                           CeilDiv(memoheader::kFoxHeaderSize, blockSize_));
        if (next + needed > INT32_MAX) FoundError(errcode::kWriteError, subcode::kWrite, Name());
        currentBlock_ = static_cast<int32_t>(next);
        header.PutU32BE(memoheader::kNextBlock, static_cast<uint32_t>(next + needed));
        WriteAt(0, header.Data(), static_cast<int32_t>(header.Size()));
    }
    blockCount_ = needed;
    TdvWriteView header = NewImage();
    header.PutU32BE(memoblock::kFoxType, kFoxText);
    header.PutU32BE(memoblock::kFoxLength, static_cast<uint32_t>(length));
}

int32_t DVobjFXMemo20::FirstDataBlock() const {
    return static_cast<int32_t>(CeilDiv(memoheader::kFoxHeaderSize, blockSize_));
}

void DVobjFXMemo20::Empty() {
    std::array<uint8_t, memoblock::kHeaderSize> headBytes{};
    ReadAt(0, headBytes.data(), static_cast<int32_t>(headBytes.size()));
    TdvWriteView header(headBytes.data(), headBytes.size(), {errcode::kMemoFormat, subcode::kMemoFormat, Name()});
    header.PutU32BE(memoheader::kNextBlock, static_cast<uint32_t>(FirstDataBlock()));
    WriteAt(0, header.Data(), static_cast<int32_t>(header.Size()));
    Truncate(static_cast<uint64_t>(FirstDataBlock()) * static_cast<uint64_t>(blockSize_));
}

bool DVobjFXMemo20::RenameWithTable(const std::string& newTableName) {
    std::string extension = OsName().substr(WithoutExtension(OsName()).size());
    return Rename(WithoutExtension(std::string(textutil::Trim(newTableName, textutil::IsBlank))) + extension);
}
