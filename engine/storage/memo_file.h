// Memo files: the contents of a table's memo fields (M, B, G), kept beside the table in ".DBT" or ".FPT".
// A field holds only the number of the memo's first block; block n starts at byte n x block size, block 0 is
// the file header, and block number 0 in a field means "no memo".
//
// dBase III (DVobjMemo, ".DBT", table version 0x83), blocks of 512 bytes:
//   header   OFFSET 0 SIZE 4  next available block, little-endian
//            OFFSET 8 SIZE 9  table name (upper case, at most 8 characters, 0x00-padded)
//   memo     the bytes, then 0x1A 0x1A, then 0x00 up to the block end. With a password: a 4-byte
//            little-endian length first (plain), then the enciphered bytes, then 0x1A 0x1A.
//   Without a password the length is found by scanning for the first 0x1A; a memo that never ends counts
//   65519 bytes.
//
// dBase IV (DVobjMemo4, ".DBT", version 0x8B), block size from the header:
//   header   OFFSET 0 SIZE 4  first block of the free chain (or the block just past the file's end)
//            OFFSET 4 SIZE 4  set to 0 whenever a memo is freed
//            OFFSET 8 SIZE 9  table name, as above
//            OFFSET 20 SIZE 4 block size, little-endian
//   memo     FF FF | offset of the data, 16-bit (8) | total length = bytes + 8, 32-bit | the bytes
//   free run OFFSET 0 SIZE 4  first block of the next free run; OFFSET 4 SIZE 4 blocks in this run
//
// FoxPro (DVobjFXMemo20, ".FPT", versions 0xF5 and 0x30), every integer big-endian:
//   header   OFFSET 0 SIZE 4  next available block; OFFSET 6 SIZE 2 block size
//   memo     type, 32-bit (1 written; 0, 1 and 2 read) | length, 32-bit | the bytes
//
// Every length and block number read from a file is checked against the file's size before it is used: a
// damaged memo file gets error 1005 ("dBase memo record has format error"), never a read past its end, an
// endless walk of a looping free chain, or an allocation its numbers would demand.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/storage/disk_file.h"
#include "engine/storage/lock_layout.h"

class DVO_dBaseDBF;

// dBase III layout, and the base of the other two.
class DVobjMemo : public DVO_DiskFile {
public:
    // Opens the memo file named after the table (extension by version); a missing file is error 2 (6101).
    DVobjMemo(DVO_dBaseDBF* owner, uint8_t version, bool readWrite, bool shared, const std::string& password,
              const std::string& tableFileName);

    // Errors go to the owner table's reporting (the engine's when there is no owner); never returns.
    [[noreturn]] void FoundError(int32_t code, int32_t subCode, const std::string& information) override;

    // Chooses the blocks of the memo about to be written (current block, block count, header image).
    virtual void ReserveBlocks(int32_t length);
    // Returns the memo's blocks to the free chain (dBase IV only).
    virtual void FreeBlocks(int32_t block);
    // Writes what ends a memo at destination (dBase III: 0x1A 0x1A).
    virtual void PutTerminator(uint8_t* destination);
    // The length recorded in the block header image, block header included (0 for dBase III).
    virtual int32_t StoredLength();
    virtual void SetLockProtocol(TdvLokProtocol protocol);
    // Renames the memo file after the table's new name. Returns whether the rename succeeded.
    virtual bool RenameWithTable(const std::string& newTableName);

    // The number of memo bytes stored at block; 0 for block 0.
    int32_t MemoSize(int32_t block);
    // Reads the memo at block into buffer; size is the room on entry and the bytes delivered on return.
    void MemoRead(void* buffer, int32_t block, int32_t& size);
    // Writes size bytes as the memo that replaces the one at block (0 for none); block receives the memo's new
    // first block, also the result. Size 0 with block 0 writes nothing and returns 0.
    int32_t MemoWrite(const void* buffer, int32_t& block, int32_t size);
    // Takes the memo lock, retrying for the engine-wide lock wait; refused after every attempt: the file's error
    // (normally 33) is reported with subcode 1112. False without a report for a protocol outside the four.
    bool LockMemo();

    // The memo file name for a table file name and version byte.
    static std::string MemoFileName(const std::string& tableFileName, uint8_t version);

    int32_t BlockSize() const { return blockSize_; }
    int32_t CurrentBlock() const { return currentBlock_; }
    int32_t BlockCount() const { return blockCount_; }

    bool encrypted = false;     // memo bytes pass through the cipher
    std::string readPassword;   // key for decrypting
    std::string writePassword;  // key for encrypting

protected:
    // The stored length of the memo at block (block header included), checked against the file.
    int32_t StoredLengthAt(int32_t block);
    // Offset of block n; error 1005 when n lies past the end of the file.
    uint64_t BlockOffset(int32_t block, int64_t fileSize);
    // Reads up to 32 bytes at offset into the header image (zero-filling what the file lacks).
    void ReadImage(uint64_t offset, int32_t count);
    [[noreturn]] void BadMemo();
    int32_t DataOffset() const;

    DVO_dBaseDBF* owner_;                 // the table that created this object (not owned)
    uint8_t version_;                     // the table's version byte
    int32_t currentBlock_ = 0;            // first block of the memo last read or written
    int32_t blockCount_ = 0;              // blocks of that memo
    int32_t blockSize_ = 512;             // dBase IV and FoxPro: from the file header
    std::array<uint8_t, 32> image_{};     // the header or block header last read or prepared
    TdvLokProtocol protocol_{};           // chosen by the table
    TdvLockLayout lockLayout_ = DefaultLockLayout();  // of the protocol; the memo lock is its file lock
    int32_t blockHeaderLength_ = 0;       // 0 for dBase III, 8 for the others
};

// dBase IV layout: block size from the header, 8-byte block headers, a chain of free runs reused first fit.
class DVobjMemo4 : public DVobjMemo {
public:
    DVobjMemo4(DVO_dBaseDBF* owner, uint8_t version, bool readWrite, bool shared, const std::string& password,
               const std::string& tableFileName);
    void ReserveBlocks(int32_t length) override;
    void FreeBlocks(int32_t block) override;
    void PutTerminator(uint8_t* destination) override;
    int32_t StoredLength() override;

private:
    int32_t FirstFit(int32_t needed);
};

// FoxPro layout: big-endian header and block headers; freed space is reused only by rewriting in place.
class DVobjFXMemo20 : public DVobjMemo {
public:
    DVobjFXMemo20(DVO_dBaseDBF* owner, uint8_t version, bool readWrite, bool shared, const std::string& password,
                  const std::string& tableFileName);
    void ReserveBlocks(int32_t length) override;
    void PutTerminator(uint8_t* destination) override;
    int32_t StoredLength() override;
    bool RenameWithTable(const std::string& newTableName) override;
};
