// DVO_dBaseDBF: an xBase table file. Opens an existing table, checks its header and field descriptors, and moves
// whole records between the file and one record buffer; keeps the header's record count and date current and
// takes the table's locks. It knows nothing of field types (the field layer derives from it).
//
// File layout, every integer little-endian (offsets named in dbf_layout.h):
//
//   OFFSET  SIZE  DESCRIPTION
//   0       1     version byte: 0x03 plain, 0x83 dBase III memo, 0x8B dBase IV memo, 0xF5 FoxPro memo,
//                 0x30 Visual FoxPro (memo file when flag bit 1 is set or M/G fields exist); others refused
//   1       1     year of the last update, mod 100 (written on every header write, never read)
//   2       1     month of the last update, 1-12
//   3       1     day of the last update, 1-31
//   4       4     record count, unsigned; written, never trusted: the count is derived from the file size
//   8       2     header length = offset of record 1; at least 33, and the file must hold it
//   10      2     record length, deletion flag included; at least 1, and every field must lie inside it
//   12      3     reserved; kept as read
//   15      1     encryption flag: non-zero when descriptors and records are enciphered
//   16      4     change stamp of the last header write: hour<<22 | minute<<16 | second<<10 | millisecond
//   20      4     user id of the last writer
//   24      4     reserved; kept as read
//   28      1     flags: bit 0 production index, bit 1 memo file, bit 2 database-container member; bits 3-7
//                 written as 0
//   29      1     language driver / code page mark; kept as read
//   30      2     reserved; kept as read
//   32      32*n  field descriptors (below), one per field in record order
//   32+32n  1     0x0D terminator; the descriptors end at it, whatever the header length says
//   33+32n  263   0x30 tables: backlink area (some writers add it to other versions too)
//   hdrlen  ...   records, reclen bytes each, record 1 first; then an optional 0x1A end mark
//
// The descriptor area (header length - 32 bytes from offset 32) is read in one piece; an encrypted table has
// its first header length - 33 bytes (- 296 for 0x30) enciphered. Header writes change only the bytes named
// above in the 32-byte image last read, so reserved bytes survive.
//
// Field descriptor, 32 bytes:
//
//   OFFSET  SIZE  DESCRIPTION
//   0       11    field name, upper case, NUL-padded when shorter than 11
//   11      1     type letter (C N F D L M B G, and I T Y in 0x30 tables; see dbf_fields.h)
//   12      4     0x30 tables: offset of the field in the record (written, never read); else reserved.
//                 In memory the offset is always computed from the lengths, starting at 1
//   16      1     field length
//   17      1     decimal count; type C: the high byte of the length (length = byte 16 + 256 x byte 17)
//   18      1     0x30 tables: field flags (system, nullable, binary)
//   19      13    reserved (in memory the field gets its 1-based number)
//
// Record: byte 0 is the deletion flag ('*' deleted, ' ' not), the fields follow without gaps.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/storage/disk_file.h"
#include "engine/storage/lock_layout.h"
#include "engine/storage/record_request.h"

class DVobjMemo;
class TdvByteView;
struct TdvStructure;

// The table's state: re-encryption rewrites every record as it stands, and the handler then moves physically.
enum TdvTableState : uint8_t { tsNormal = 1, tsReencrypting = 5 };

// Table events raised through TableEvent.
namespace tblevent {
constexpr int kBlank = 0, kOpened = 2, kBeforeRead = 4, kBeforeWrite = 5, kAfterRead = 6, kAfterWrite = 7,
              kAfterFlush = 8;
}

// One field descriptor as read, with its place in the record filled in.
struct TdvFieldDesc {
    std::string name;      // upper case as stored, at most 11 characters
    char type = 'C';       // type letter
    int32_t length = 0;    // bytes in the record (type C: byte 16 + 256 x byte 17)
    int32_t decimals = 0;  // decimal count (0 for type C)
    int32_t offset = 0;    // offset in the record, the deletion flag being offset 0
    int32_t number = 0;    // 1-based field number
    uint8_t flags = 0;     // 0x30 tables: descriptor byte 18 (system, nullable, binary)
};

class DVO_dBaseDBF : public DVO_DiskFile {
public:
    // Opens an existing table. The name gets ".DBF" when it has no extension. The password may be empty.
    // A header or descriptor that does not fit the file or the record is error 1001 (subcode 1204); for an
    // encrypted table, descriptors whose lengths do not add up to the record length are the wrong password
    // (EOrdaneEncryption 65167). So no field of an open table lies outside its record.
    DVO_dBaseDBF(const std::string& fileName, const std::string& password, bool readWrite, bool shared);
    ~DVO_dBaseDBF() override;

    // --- overrides of the disk file
    // Flushes the table and an already open memo file, then raises event 8.
    void Flush() override;
    // Renames the table and its memo file; a failed memo rename renames the table back (reported, 1106).
    bool Rename(const std::string& newName) override;
    void StatusUpdate(int32_t stat1, int32_t stat2, int32_t stat3) override;

    // --- the table's own operations
    // Writes the record buffer as a new last record under the append lock (refused: error 33, nothing written).
    virtual void AppendRecord();
    // Notification hook; the base clears the record-modified flag and settles the table state. Returns true.
    virtual bool TableEvent(int event, int32_t value);
    // Reads record n (> 0) or a relative request (recreq); 0 does nothing. Moves off an end set EOF/BOF.
    virtual void GetRecord(int32_t n);
    virtual bool LockAppend();
    virtual bool LockTable();
    virtual bool LockWholeFile();
    // Releases one level of the current lock; the last level of a table lock writes a deferred header.
    virtual bool Unlock();
    virtual bool LockRecord();
    // Writes the record buffer over record n; n outside 1..count appends. The caller holds the record lock.
    virtual void PutRecord(int32_t n);
    virtual void SetLockProtocol(TdvLokProtocol protocol);
    // Whether an index file is attached (decides the record-lock offset of the default protocol).
    virtual bool UsesIndexLocking();

    // The memo object, created on first use; nullptr for a table without a memo file.
    DVobjMemo* OpenMemo();
    void SetUserId(int32_t id) { userId_ = id; }
    // Shared tables: re-reads the header and re-derives the record count from the file size.
    void RefreshHeader();
    // Writes the header when read-write, dirty and no table lock defers it.
    void WriteHeader();

    // --- state
    int32_t RecordCount() const { return recordCount_; }
    int32_t HeaderLength() const { return headerLength_; }
    int32_t RecordLength() const { return recordLength_; }
    int32_t FieldCount() const { return static_cast<int32_t>(fields_.size()); }
    const std::vector<TdvFieldDesc>& Fields() const { return fields_; }
    int32_t CurrentRecord() const { return currentRecord_; }
    uint8_t Version() const { return version_; }
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEncrypted() const { return encrypted_; }
    bool HasMemo() const { return hasMemo_; }
    bool IsDeleted() const { return recordBuffer_ != nullptr && recordBuffer_[0] == '*'; }
    bool FileLocked() const { return fileLocked_; }
    bool HeaderDirty() const { return headerDirty_; }
    uint32_t ChangeStamp() const { return changeStamp_; }
    TdvLokProtocol LockProtocol() const { return lockProtocol_; }
    uint8_t FlagBits() const { return static_cast<uint8_t>(flagBit0_ | flagBit1_ | flagBit2_); }
    void SetFlagBit0(bool on) { flagBit0_ = on ? 1 : 0; }
    const std::array<uint8_t, 32>& HeaderImage() const { return header_; }

    // The record buffer every record and field operation uses (record length + 1 bytes, last one 0x1A).
    uint8_t* RecordBuffer() const { return recordBuffer_; }
    const uint8_t* SavedCopy() const { return savedCopy_.data(); }
    // Points the record buffer elsewhere (REQUIRES: record length + 1 bytes); nullptr restores the own buffer.
    void SetRecordBuffer(uint8_t* buffer) { recordBuffer_ = buffer ? buffer : ownRecord_.data(); }

    bool useDeleted = true;      // deleted records are visible
    bool exactMatch = false;     // used by the handler's seek
    bool autoFlush = false;      // flush after every record write
    bool recordModified = false; // the record buffer changed since it was read or written
    TdvTableState tableState = tsNormal;
    std::string readPassword;    // key for decrypting
    std::string writePassword;   // key for encrypting

protected:
    // The descriptor area as read (decrypted), for re-encryption.
    std::vector<uint8_t>& DescriptorArea() { return descriptors_; }
    void SetEncrypted(bool on) { encrypted_ = on; }
    void MarkHeaderDirty() { headerDirty_ = true; }
    // The table handler positions through its order and filter and sets the end flags itself.
    void SetEof(bool on) { eof_ = on; }
    void SetBof(bool on) { bof_ = on; }
    uint64_t RecordOffset(int32_t n) const;
    // The range enciphered as the descriptor area (header length - 33, or - 296 for 0x30 tables; never < 0).
    int32_t CipherAreaLength() const;

    std::vector<uint8_t> fieldChanged_;  // flag 0 for the deletion byte, flag i for field i

private:
    void ReadHeaderAndDescriptors();
    // Decodes the descriptors of the area (decrypted); an encrypted table whose lengths do not add up to the
    // record length has the wrong password.
    void ParseDescriptors(const TdvByteView& area);
    // Raises error 1001 unless every field lies inside the record (REQUIRES: the own record buffer).
    void CheckFieldsInRecord() const;
    // What a header, descriptor or record view reports: error 1001, subcode 1204, with the table's name.
    TdvStructure HeaderKind() const;
    void WriteHeaderBytes(bool withCount);
    int32_t CountFromFileSize();
    [[noreturn]] void BadHeader();

    std::array<uint8_t, 32> header_{};   // the header as last read or written
    bool headerDirty_ = false;           // record count or date must be rewritten
    int32_t recordCount_ = 0;            // derived from the file size
    int32_t headerLength_ = 0;           // offset of record 1
    int32_t recordLength_ = 0;           // bytes per record, deletion flag included
    std::vector<uint8_t> descriptors_;   // descriptor area as read, decrypted
    std::vector<TdvFieldDesc> fields_;   // the descriptors before the 0x0D terminator
    int32_t currentRecord_ = 0;          // record in the buffer; 0 after opening
    uint8_t* recordBuffer_ = nullptr;    // the buffer in use
    std::vector<uint8_t> ownRecord_;     // the table's own record buffer
    std::vector<uint8_t> savedCopy_;     // copy taken after every read and write
    std::vector<uint8_t> cipherBuffer_;  // work area for enciphering a record before writing
    bool eof_ = false;
    bool bof_ = true;
    uint8_t version_ = 0;
    bool fileLocked_ = false;            // LockTable or LockWholeFile is held
    uint8_t flagBit0_ = 0, flagBit1_ = 0, flagBit2_ = 0;
    uint32_t changeStamp_ = 0;
    bool encrypted_ = false;
    int32_t userId_ = 0;
    bool hasMemo_ = false;
    TdvLockLayout lockLayout_ = DefaultLockLayout();  // of the protocol, kept for a value outside the four
    TdvLokProtocol lockProtocol_ = TdvLokProtocol::Default;
    std::unique_ptr<DVobjMemo> memo_;
};
