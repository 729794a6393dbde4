#include "engine/storage/dbf_table.h"

#include <algorithm>
#include <cstring>

#include "engine/storage/crypt.h"
#include "engine/storage/errors.h"
#include "engine/storage/memo_file.h"
#include "engine/storage/trim_split.h"

namespace {

constexpr uint32_t kWholeFileLength = 0x7FFFFFFF;
constexpr uint64_t kFormatLimit = 0xFFFFFFFFull;  // record offsets are 32-bit in the format
constexpr int32_t kBacklinkBytes = 263;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool AcceptedVersion(uint8_t v) { return v == 0x03 || v == 0x30 || v == 0x83 || v == 0x8B || v == 0xF5; }

std::string TableFileName(const std::string& fileName) {
    std::string name(textutil::Trim(fileName, textutil::IsBlank));
    size_t slash = name.find_last_of("/\\");
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) name += ".DBF";
    return name;
}

}  // namespace

DVO_dBaseDBF::DVO_dBaseDBF(const std::string& fileName, const std::string& password, bool readWrite, bool shared)
    : DVO_DiskFile(TableFileName(fileName), readWrite, shared), readPassword(password), writePassword(password) {
    SetLockProtocol(TdvLokProtocol::Default);
    Open();
    fileLocked_ = false;
    ReadHeaderAndDescriptors();
    headerDirty_ = false;
    ownRecord_.assign(static_cast<size_t>(recordLength_) + 1, ' ');
    ownRecord_.back() = 0x1A;
    recordBuffer_ = ownRecord_.data();
    savedCopy_.assign(ownRecord_.size(), ' ');
    cipherBuffer_.assign(ownRecord_.size(), ' ');
    fieldChanged_.assign(fields_.size() + 1, 0);
    RefreshHeader();
    TableEvent(tblevent::kOpened, 0);
}

DVO_dBaseDBF::~DVO_dBaseDBF() {
    // Destructors never throw: a header that cannot be written at closing is lost, not raised.
    try {
        if (headerDirty_ && !IsClosed()) {
            RefreshHeader();
            fileLocked_ = false;
            WriteHeader();
        }
    } catch (const std::exception&) {
    }
    memo_.reset();
}

void DVO_dBaseDBF::BadHeader() { ReportError(errcode::kBadHeader, subcode::kTableOpen, Name()); }

int32_t DVO_dBaseDBF::CipherAreaLength() const {
    return std::max(0, headerLength_ - (version_ == 0x30 ? 296 : 33));
}

void DVO_dBaseDBF::ReadHeaderAndDescriptors() {
    int32_t got = ReadAt(0, header_.data(), 32);
    if (got < 32) CheckError(errcode::kShortRead, subcode::kTableOpen);
    version_ = header_[0];
    if (!AcceptedVersion(version_)) BadHeader();
    headerLength_ = Get16(&header_[8]);
    recordLength_ = Get16(&header_[10]);
    flagBit0_ = header_[28] & 1;
    flagBit1_ = header_[28] & 2;
    flagBit2_ = header_[28] & 4;
    changeStamp_ = Get32(&header_[16]);
    encrypted_ = header_[15] != 0;

    if (encrypted_ && readPassword.empty())
        throw EOrdaneEncryption(FormatResource(resmsg::kNoPassword, {Name()}));
    if (!encrypted_ && !readPassword.empty())
        throw EOrdaneEncryption(FormatResource(resmsg::kPasswordForPlain, {Name()}));

    currentRecord_ = 0;
    eof_ = false;
    bof_ = true;
    // A header too small for its terminator, an empty record, or a file shorter than its header cannot be a
    // table; following them would divide by zero or read past the file.
    if (headerLength_ < 33 || recordLength_ < 1) BadHeader();
    if (FileSize() < headerLength_) BadHeader();
    recordCount_ = CountFromFileSize();

    descriptors_.assign(static_cast<size_t>(headerLength_ - 32), 0);
    got = ReadAt(32, descriptors_.data(), headerLength_ - 32);
    if (got < headerLength_ - 32) CheckError(errcode::kShortRead, subcode::kTableOpen);
    if (encrypted_) {
        int32_t area = std::min(CipherAreaLength(), headerLength_ - 32);
        CryptBuffer(readPassword, descriptors_.data(), descriptors_.data(), area, 0);
    }
    ParseDescriptors();
    hasMemo_ = version_ == 0x83 || version_ == 0x8B || version_ == 0xF5;
    if (version_ == 0x30) {
        // Some writers leave the memo flag clear on tables with memo fields; the fields decide as well.
        hasMemo_ = flagBit1_ != 0 || std::any_of(fields_.begin(), fields_.end(), [](const TdvFieldDesc& f) {
                       return f.type == 'M' || f.type == 'G';
                   });
    }
}

void DVO_dBaseDBF::ParseDescriptors() {
    // The descriptors end at the 0x0D terminator, bounded by the header length: writers differ on whether a
    // backlink area follows, so the header length alone cannot give the count.
    fields_.clear();
    int64_t offset = 1;
    for (size_t at = 0; at + 32 <= descriptors_.size() && descriptors_[at] != 0x0D; at += 32) {
        const uint8_t* d = &descriptors_[at];
        TdvFieldDesc f;
        size_t nameLength = 0;
        while (nameLength < 11 && d[nameLength] != 0) ++nameLength;
        f.name.assign(reinterpret_cast<const char*>(d), nameLength);
        f.type = static_cast<char>(d[11]);
        f.length = d[16];
        f.decimals = d[17];
        if (f.type == 'C') {
            f.length = d[16] + 256 * d[17];
            f.decimals = 0;
        }
        f.flags = d[18];
        f.offset = static_cast<int32_t>(offset);
        f.number = static_cast<int32_t>(fields_.size() + 1);
        offset += f.length;
        fields_.push_back(std::move(f));
    }
    // A wrong password scrambles the lengths; the field layer reports that as a password error instead.
    if (!encrypted_ && offset > recordLength_) BadHeader();
}

int32_t DVO_dBaseDBF::CountFromFileSize() {
    int64_t size = FileSize();
    if (size <= headerLength_) return 0;
    int64_t count = (size - headerLength_) / recordLength_;
    return static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
}

uint64_t DVO_dBaseDBF::RecordOffset(int32_t n) const {
    return static_cast<uint64_t>(headerLength_) + static_cast<uint64_t>(n - 1) * static_cast<uint64_t>(recordLength_);
}

void DVO_dBaseDBF::RefreshHeader() {
    if (!IsShared()) return;
    std::array<uint8_t, 32> fresh{};
    if (ReadAt(0, fresh.data(), 32) < 32) CheckError(errcode::kShortRead, subcode::kTableOpen);
    header_ = fresh;
    recordCount_ = CountFromFileSize();
    changeStamp_ = Get32(&header_[16]);
}

void DVO_dBaseDBF::WriteHeaderBytes(bool withCount) {
    os::LocalTime now = os::Now();
    changeStamp_ = (static_cast<uint32_t>(now.hour) << 22) + (static_cast<uint32_t>(now.minute) << 16) +
                   (static_cast<uint32_t>(now.second) << 10) + static_cast<uint32_t>(now.millisecond);
    header_[1] = static_cast<uint8_t>(now.year % 100);
    header_[2] = static_cast<uint8_t>(now.month);
    header_[3] = static_cast<uint8_t>(now.day);
    Put32(&header_[4], static_cast<uint32_t>(recordCount_));
    header_[28] = static_cast<uint8_t>(flagBit0_ | flagBit1_ | flagBit2_);
    Put32(&header_[16], changeStamp_);
    header_[15] = encrypted_ ? 1 : 0;
    Put32(&header_[20], static_cast<uint32_t>(userId_));
    if (withCount) {
        WriteAt(0, header_.data(), 32);
    } else {
        // Everything but the record count: the date, and the flags through the user id.
        WriteAt(1, &header_[1], 3);
        WriteAt(15, &header_[15], 14);
    }
    headerDirty_ = false;
}

void DVO_dBaseDBF::WriteHeader() {
    if (!IsReadWrite() || !headerDirty_ || fileLocked_) return;
    WriteHeaderBytes(true);
}

void DVO_dBaseDBF::GetRecord(int32_t n) {
    if (recordCount_ == 0) {
        RefreshHeader();
        if (recordCount_ == 0) {
            eof_ = bof_ = true;
            return;
        }
    }
    if (n == 0) return;
    eof_ = bof_ = false;
    int32_t target;
    switch (n) {
        case recreq::kNext: target = currentRecord_ + 1; break;
        case recreq::kPrior:
            target = currentRecord_ - 1;
            if (target <= 0) {
                bof_ = true;
                return;
            }
            break;
        case recreq::kFirst: target = 1; break;
        case recreq::kLast: target = recordCount_; break;
        case recreq::kReread:
            target = currentRecord_;
            // Nothing is current yet: there is nothing to re-read.
            if (target == 0) return;
            break;
        default:
            if (n < 1) ReportError(errcode::kBeyondEof, subcode::kRecordRead, Name());
            target = n;
    }
    if (target > recordCount_) {
        RefreshHeader();
        if (target > recordCount_) {
            if (target - 1 > recordCount_) ReportError(errcode::kBeyondEof, subcode::kRecordRead, Name());
            eof_ = true;
            return;
        }
    }
    TableEvent(tblevent::kBeforeRead, n);
    int32_t got = ReadAt(RecordOffset(target), recordBuffer_, recordLength_);
    if (got < recordLength_) CheckError(errcode::kShortRead, subcode::kRecordRead);
    if (encrypted_) CryptBuffer(readPassword, recordBuffer_, recordBuffer_, recordLength_, 0);
    currentRecord_ = target;
    TableEvent(tblevent::kAfterRead, target);
    std::memcpy(savedCopy_.data(), recordBuffer_, static_cast<size_t>(recordLength_) + 1);
}

void DVO_dBaseDBF::AppendRecord() {
    if (!IsReadWrite()) CheckError(errcode::kAccessDenied, subcode::kWrite);
    if (!LockAppend()) CheckError(errcode::kLockViolation, subcode::kWrite);
    try {
        TableEvent(tblevent::kBeforeWrite, 0);
        recordModified = true;
        RefreshHeader();
        int32_t target = recordCount_ + 1;
        uint64_t at = RecordOffset(target);
        if (target < 1 || at + static_cast<uint64_t>(recordLength_) + 1 > kFormatLimit)
            CheckError(errcode::kWriteError, subcode::kWrite);
        recordBuffer_[0] = ' ';
        // The record and its 0x1A end mark go out in one write, from the cipher buffer unless the record buffer
        // itself already ends with the mark.
        const uint8_t* source = recordBuffer_;
        if (encrypted_) {
            CryptBuffer(writePassword, recordBuffer_, cipherBuffer_.data(), recordLength_, 1);
            source = cipherBuffer_.data();
        } else if (recordBuffer_[recordLength_] != 0x1A) {
            std::memcpy(cipherBuffer_.data(), recordBuffer_, static_cast<size_t>(recordLength_));
            source = cipherBuffer_.data();
        }
        cipherBuffer_[recordLength_] = 0x1A;
        WriteAt(at, source, recordLength_ + 1);
        recordCount_ = target;
        currentRecord_ = target;
        headerDirty_ = true;
        WriteHeader();
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
    eof_ = bof_ = false;
    TableEvent(tblevent::kAfterWrite, 0);
    if (autoFlush) Flush();
    std::memcpy(savedCopy_.data(), recordBuffer_, static_cast<size_t>(recordLength_) + 1);
}

void DVO_dBaseDBF::PutRecord(int32_t n) {
    TableEvent(tblevent::kBeforeWrite, n);
    if (n > recordCount_ || n < 1) {
        AppendRecord();
        return;
    }
    if (!IsReadWrite()) CheckError(errcode::kAccessDenied, subcode::kWrite);
    headerDirty_ = true;
    const uint8_t* source = recordBuffer_;
    if (encrypted_) {
        CryptBuffer(writePassword, recordBuffer_, cipherBuffer_.data(), recordLength_, 1);
        source = cipherBuffer_.data();
    }
    WriteAt(RecordOffset(n), source, recordLength_);
    currentRecord_ = n;
    RefreshHeader();
    if (IsShared() && !fileLocked_) {
        // A replace does not change the record count, and without the append lock a peer may be appending
        // right now: rewriting bytes 4-7 from our view could undo its count. Update everything else.
        WriteHeaderBytes(false);
    } else {
        WriteHeader();
    }
    TableEvent(tblevent::kAfterWrite, n);
    if (autoFlush) Flush();
    std::memcpy(savedCopy_.data(), recordBuffer_, static_cast<size_t>(recordLength_) + 1);
}

bool DVO_dBaseDBF::TableEvent(int event, int32_t) {
    if (event == tblevent::kAfterRead || event == tblevent::kAfterWrite) {
        recordModified = false;
        if (tableState != tsReencrypting) tableState = tsNormal;
    }
    return true;
}

void DVO_dBaseDBF::Flush() {
    DVO_DiskFile::Flush();
    if (memo_) memo_->Flush();
    TableEvent(tblevent::kAfterFlush, currentRecord_);
}

bool DVO_dBaseDBF::Rename(const std::string& newName) {
    DVobjMemo* memo = hasMemo_ ? OpenMemo() : nullptr;
    std::string oldName = OsName();
    DVO_DiskFile::Rename(newName);
    if (memo) {
        int32_t code = 0;
        try {
            if (!memo->RenameWithTable(OsName())) code = errcode::kAccessDenied;
        } catch (const EOrdaneError& e) {
            code = e.Code();
        }
        if (code != 0) {
            // Keep the pair together: put the table back under its old name.
            try {
                DVO_DiskFile::Rename(oldName);
            } catch (const EOrdaneError&) {
            }
            ReportError(code, subcode::kRename, memo->Name());
        }
    }
    return true;
}

void DVO_dBaseDBF::StatusUpdate(int32_t, int32_t, int32_t) {}

DVobjMemo* DVO_dBaseDBF::OpenMemo() {
    if (memo_) return memo_.get();
    if (!hasMemo_) return nullptr;
    switch (version_) {
        case 0x83:
            memo_ = std::make_unique<DVobjMemo>(this, version_, IsReadWrite(), IsShared(), readPassword, OsName());
            break;
        case 0x8B:
            memo_ = std::make_unique<DVobjMemo4>(this, version_, IsReadWrite(), IsShared(), readPassword, OsName());
            break;
        default:
            memo_ = std::make_unique<DVobjFXMemo20>(this, version_, IsReadWrite(), IsShared(), readPassword, OsName());
    }
    memo_->SetLockProtocol(lockProtocol_);
    memo_->encrypted = true;
    memo_->readPassword = readPassword;
    memo_->writePassword = writePassword;
    return memo_.get();
}

void DVO_dBaseDBF::SetLockProtocol(TdvLokProtocol protocol) {
    if (const TdvLockLayout* layout = LockLayoutFor(protocol)) lockLayout_ = *layout;
    lockProtocol_ = protocol;
    if (memo_) memo_->SetLockProtocol(protocol);
}

bool DVO_dBaseDBF::UsesIndexLocking() { return false; }

bool DVO_dBaseDBF::LockAppend() {
    if (fileLocked_) {
        IncLockCount();
        return true;
    }
    return LockRegion(lockLayout_.appendOffset, 1);
}

bool DVO_dBaseDBF::LockTable() {
    if (fileLocked_) {
        IncLockCount();
        return true;
    }
    if (!LockRegion(lockLayout_.lockBase, lockLayout_.tableLockLength)) return false;
    fileLocked_ = true;
    RefreshHeader();
    return true;
}

bool DVO_dBaseDBF::LockWholeFile() {
    if (fileLocked_) {
        IncLockCount();
        return true;
    }
    if (!LockRegion(0, kWholeFileLength)) return false;
    fileLocked_ = true;
    RefreshHeader();
    return true;
}

bool DVO_dBaseDBF::LockRecord() {
    if (fileLocked_) {
        IncLockCount();
        return true;
    }
    // A protocol outside the four has no record lock.
    if (!LockLayoutFor(lockProtocol_)) return false;
    return LockRegion(
        RecordLockOffset(lockLayout_, currentRecord_, headerLength_, recordLength_, UsesIndexLocking()), 1);
}

bool DVO_dBaseDBF::Unlock() {
    bool ok = UnlockRegion();
    if (fileLocked_ && LockCount() == 0) {
        fileLocked_ = false;
        WriteHeader();
    }
    return ok;
}
