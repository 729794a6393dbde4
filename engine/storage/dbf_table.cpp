#include "engine/storage/dbf_table.h"

#include <algorithm>
#include <cstring>

#include "engine/storage/byte_view.h"
#include "engine/storage/crypt.h"
#include "engine/storage/dbf_layout.h"
#include "engine/storage/errors.h"
#include "engine/storage/memo_file.h"
#include "engine/storage/pack_journal.h"
#include "engine/storage/trim_split.h"

namespace {

constexpr uint32_t kWholeFileLength = 0x7FFFFFFF;
constexpr uint64_t kFormatLimit = 0xFFFFFFFFull;  // record offsets are 32-bit in the format
constexpr int32_t kPlainCipherStart = dbfheader::kSize + 1;  // the area ends before the terminator byte
constexpr int32_t kFoxCipherStart = kPlainCipherStart + dbfheader::kBacklinkSize;  // and before the backlinks

// One descriptor as stored; its offset and number are the caller's.
TdvFieldDesc DecodeDescriptor(const TdvByteView& d) {
    TdvFieldDesc f;
    const std::string_view name = d.Text(dbfdesc::kName, dbfdesc::kNameSize);
    f.name.assign(name.substr(0, name.find('\0')));
    f.type = static_cast<char>(d.U8(dbfdesc::kType));
    f.length = d.U8(dbfdesc::kLength);
    f.decimals = d.U8(dbfdesc::kDecimals);
    if (f.type == 'C') {
        f.length += 256 * f.decimals;
        f.decimals = 0;
    }
    f.flags = d.U8(dbfdesc::kFlags);
    return f;
}

// 0x07: the dBase III layout as a Windows program writes it, with ANSI text.
bool AcceptedVersion(uint8_t v) { return v == 0x03 || v == 0x07 || v == 0x30 || v == 0x83 || v == 0x8B || v == 0xF5; }

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
    // A pack that was killed half-way is finished or rolled back before anything of the set is read.
    TdvPackJournal::Recover(OsName());
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
    CheckFieldsInRecord();
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

TdvStructure DVO_dBaseDBF::HeaderKind() const { return {errcode::kBadHeader, subcode::kTableOpen, Name()}; }

int32_t DVO_dBaseDBF::CipherAreaLength() const {
    return std::max(0, headerLength_ - (version_ == 0x30 ? kFoxCipherStart : kPlainCipherStart));
}

void DVO_dBaseDBF::ReadHeaderAndDescriptors() {
    int32_t got = ReadAt(0, header_.data(), dbfheader::kSize);
    if (got < static_cast<int32_t>(dbfheader::kSize)) CheckError(errcode::kShortRead, subcode::kTableOpen);
    const TdvByteView head(header_.data(), header_.size(), HeaderKind());
    version_ = head.U8(dbfheader::kVersion);
    if (!AcceptedVersion(version_)) BadHeader();
    headerLength_ = head.U16LE(dbfheader::kHeaderLength);
    recordLength_ = head.U16LE(dbfheader::kRecordLength);
    const uint8_t flags = head.U8(dbfheader::kFlags);
    flagBit0_ = flags & 1;
    flagBit1_ = flags & 2;
    flagBit2_ = flags & 4;
    changeStamp_ = head.U32LE(dbfheader::kChangeStamp);
    encrypted_ = head.U8(dbfheader::kEncrypted) != 0;

    if (encrypted_ && readPassword.empty())
        throw EOrdaneEncryption(FormatResource(resmsg::kNoPassword, {Name()}));
    if (!encrypted_ && !readPassword.empty())
        throw EOrdaneEncryption(FormatResource(resmsg::kPasswordForPlain, {Name()}));

    currentRecord_ = 0;
    eof_ = false;
    bof_ = true;
    // A header too small for its terminator or an empty record cannot be a table; following them would divide
    // by zero.
    if (headerLength_ < kPlainCipherStart || recordLength_ < 1) BadHeader();

    // The descriptor area as the file holds it: a header length that points past the end of the file leaves
    // the view short of it. The allocation is bounded by the 16-bit header length.
    const int32_t areaLength = headerLength_ - static_cast<int32_t>(dbfheader::kSize);
    descriptors_.assign(static_cast<size_t>(areaLength), 0);
    got = ReadAt(dbfheader::kSize, descriptors_.data(), areaLength);
    TdvWriteView area(descriptors_.data(), static_cast<size_t>(std::max(got, 0)), HeaderKind());
    area.Check(0, static_cast<size_t>(areaLength));
    recordCount_ = CountFromFileSize();
    if (encrypted_) {
        const int32_t enciphered = std::min(CipherAreaLength(), areaLength);
        CryptBuffer(readPassword, area.Bytes(0, static_cast<size_t>(enciphered)),
                    area.Bytes(0, static_cast<size_t>(enciphered)), enciphered, 0);
    }
    ParseDescriptors(area);
    hasMemo_ = version_ == 0x83 || version_ == 0x8B || version_ == 0xF5;
    if (version_ == 0x30) {
        // Some writers leave the memo flag clear on tables with memo fields; the fields decide as well.
        hasMemo_ = flagBit1_ != 0 || std::any_of(fields_.begin(), fields_.end(), [](const TdvFieldDesc& f) {
                       return f.type == 'M' || f.type == 'G';
                   });
    }
}

void DVO_dBaseDBF::ParseDescriptors(const TdvByteView& area) {
    // The descriptors end at the 0x0D terminator, bounded by the header length: writers differ on whether a
    // backlink area follows, so the header length alone cannot give the count.
    fields_.clear();
    int64_t offset = 1;
    for (size_t at = 0; area.Holds(at, dbfdesc::kSize) && area.U8(at) != dbfheader::kTerminator;
         at += dbfdesc::kSize) {
        TdvFieldDesc f = DecodeDescriptor(area.Sub(at, dbfdesc::kSize));
        f.offset = static_cast<int32_t>(offset);
        f.number = static_cast<int32_t>(fields_.size() + 1);
        offset += f.length;
        fields_.push_back(std::move(f));
    }
    // A wrong password scrambles the descriptors, so their lengths no longer add up to the record length: this
    // is the password test. It comes first, or a scrambled length would be reported as a damaged header.
    if (encrypted_ && offset != recordLength_)
        throw EOrdaneEncryption(std::string(ResourceMessage(resmsg::kBadPassword)) + Name());
}

void DVO_dBaseDBF::CheckFieldsInRecord() const {
    // Whatever class opens the table: the field accessors address the record buffer by these offsets and
    // lengths without checking them again.
    const TdvByteView record(ownRecord_.data(), static_cast<size_t>(recordLength_), HeaderKind());
    for (const TdvFieldDesc& f : fields_) record.Check(static_cast<size_t>(f.offset), static_cast<size_t>(f.length));
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
    std::array<uint8_t, dbfheader::kSize> fresh{};
    if (ReadAt(0, fresh.data(), dbfheader::kSize) < static_cast<int32_t>(dbfheader::kSize))
        CheckError(errcode::kShortRead, subcode::kTableOpen);
    header_ = fresh;
    recordCount_ = CountFromFileSize();
    changeStamp_ = TdvByteView(header_.data(), header_.size(), HeaderKind()).U32LE(dbfheader::kChangeStamp);
}

void DVO_dBaseDBF::WriteHeaderBytes(bool withCount) {
    os::LocalTime now = os::Now();
    changeStamp_ = (static_cast<uint32_t>(now.hour) << 22) + (static_cast<uint32_t>(now.minute) << 16) +
                   (static_cast<uint32_t>(now.second) << 10) + static_cast<uint32_t>(now.millisecond);
    TdvWriteView head(header_.data(), header_.size(), HeaderKind());
    head.PutU8(dbfheader::kUpdateYear, static_cast<uint8_t>(now.year % 100));
    head.PutU8(dbfheader::kUpdateMonth, static_cast<uint8_t>(now.month));
    head.PutU8(dbfheader::kUpdateDay, static_cast<uint8_t>(now.day));
    head.PutU32LE(dbfheader::kRecordCount, static_cast<uint32_t>(recordCount_));
    head.PutU8(dbfheader::kFlags, static_cast<uint8_t>(flagBit0_ | flagBit1_ | flagBit2_));
    head.PutU32LE(dbfheader::kChangeStamp, changeStamp_);
    head.PutU8(dbfheader::kEncrypted, encrypted_ ? 1 : 0);
    head.PutU32LE(dbfheader::kUserId, static_cast<uint32_t>(userId_));
    if (withCount) {
        WriteAt(0, head.Data(), static_cast<int32_t>(head.Size()));
    } else {
        // Everything but the record count: the date, and the encryption flag through the flags byte.
        constexpr size_t kDateBytes = dbfheader::kRecordCount - dbfheader::kUpdateYear;
        constexpr size_t kFlagBytes = dbfheader::kFlags + 1 - dbfheader::kEncrypted;
        WriteAt(dbfheader::kUpdateYear, head.Bytes(dbfheader::kUpdateYear, kDateBytes), int32_t{kDateBytes});
        WriteAt(dbfheader::kEncrypted, head.Bytes(dbfheader::kEncrypted, kFlagBytes), int32_t{kFlagBytes});
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
