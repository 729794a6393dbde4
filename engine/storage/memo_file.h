// Memo files: the contents of a table's memo fields (M, B, G), kept beside the table in ".DBT" or ".FPT".
// A field holds only the number of the memo's first block; block n starts at byte n x block size, block 0 is
// the file header, and block number 0 in a field means "no memo". One memo spans at most 65535 blocks. Offsets
// are named in memo_layout.h.
//
// dBase III (DVobjMemo, ".DBT", table version 0x83): blocks of 512 bytes, integers little-endian.
//
//   header (block 0; only its first 32 bytes are read or written)
//   OFFSET  SIZE  DESCRIPTION
//   0       4     next available block; a memo is written there when it cannot stay in place. It may not lie
//                 past the end of the file (a header that says so is damaged)
//   4       4     unused; kept
//   8       9     table name, upper case, at most 8 characters, 0x00-padded; written by a rename
//   16      1     0x03 in new files; kept
//   17      15    unused; kept (the rest of block 0 is never touched)
//
//   memo (no block header; it starts at the first byte of its first block)
//   OFFSET  SIZE  DESCRIPTION
//   0       4     with a password only: the memo's length, plain; must lie inside the file
//   0 or 4  n     the memo bytes, enciphered with a password
//   then    2     0x1A 0x1A; then 0x00 up to the end of the block
//   Without a password the length is found by scanning for the first 0x1A, to the end of the file; a memo
//   that never ends counts 65519 bytes (or what the file holds after its start, when that is less).
//
// dBase IV (DVobjMemo4, ".DBT", version 0x8B): block size from the header, integers little-endian.
//
//   header (block 0, padded to a whole block when the file is shorter)
//   OFFSET  SIZE  DESCRIPTION
//   0       4     first block of the free chain; at or past the file's last block: the chain is empty
//   4       4     set to 0 whenever a memo is freed
//   8       9     table name, as for dBase III
//   17      3     unused; kept
//   20      4     block size: 32 to 65536 (new files write 2 bytes, 22-23 staying 0)
//   24      8     unused; kept
//
//   memo in use (first block)
//   OFFSET  SIZE  DESCRIPTION
//   0       2     0xFF 0xFF, the in-use mark
//   2       2     offset of the memo bytes in the block: written as 8, never read (they start at 8)
//   4       4     total length = memo bytes + 8; must lie inside the file (a short last block is tolerated)
//   8       n     the memo bytes, enciphered with a password; then 0x00 up to the end of the last block
//
//   free run (first block of a run of free blocks, a node of the free chain)
//   OFFSET  SIZE  DESCRIPTION
//   0       4     first block of the next free run (at or past the file's last block: the end of the chain)
//   4       4     blocks in this run; the run must lie inside the file
//
// FoxPro (DVobjFXMemo20, ".FPT", versions 0xF5 and 0x30): block size from the header, every integer big-endian.
//
//   header (block 0, at least 512 bytes; only the first 8 are written)
//   OFFSET  SIZE  DESCRIPTION
//   0       4     next available block; as for dBase III, never past the end of the file
//   4       2     unused; kept
//   6       2     block size, not 0
//   8       504   unused; kept
//
//   memo (first block)
//   OFFSET  SIZE  DESCRIPTION
//   0       4     type: 1 written for every memo; 0 (picture), 1 (text) and 2 (object) read
//   4       4     memo length, not counting these 8 bytes; must lie inside the file (a short last block is
//                 tolerated)
//   8       n     the memo bytes, enciphered with a password; then 0x00 up to the end of the last block
//
// Every block number and length read from a file is checked against the file before it is used, and every
// header and block header is read through a view of the bytes the file holds: a damaged memo file gets error
// 1005 ("dBase memo record has format error"; subcode 6101 while opening, 6199 after), never a read past its
// end, a write far past it, an endless walk of a looping free chain, or an allocation its numbers would demand.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/storage/disk_file.h"
#include "engine/storage/lock_layout.h"

class DVO_dBaseDBF;
class TdvByteView;
class TdvWriteView;

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

    // The first block a memo can take: the one after the header (FoxPro: after its 512 bytes).
    virtual int32_t FirstDataBlock() const;
    // Cuts the file back to its header and makes the first data block the next one to take (dBase IV: the free
    // chain empty); the rest of the header is kept. REQUIRES: read-write and write access (not shared).
    virtual void Empty();
    // Appends the memo at block to target, exactly as stored (block header with its type and length, the bytes
    // still enciphered, the end marks), so that nothing another program wrote there changes; answers its first
    // block in target (0 for block 0). REQUIRES: target has this layout, block size and password.
    int32_t CopyMemo(int32_t block, DVobjMemo& target);

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
    // The bytes the last ReadImage got from the file; an access past them is error 1005 with subCode.
    TdvByteView ImageAsRead(int32_t subCode) const;
    // The whole image, bytes the file lacked reading as zeros.
    TdvWriteView Image();
    // The image cleared, for preparing a header or block header.
    TdvWriteView NewImage();
    // The block a memo taken at the end goes to: the header's next block (stated), but never one the file
    // holds nor one below firstBlock; error 1005 when stated lies further past the end than a memo reaches.
    int64_t NextFreeBlock(uint32_t stated, int64_t firstBlock);
    [[noreturn]] void BadMemo();
    int32_t DataOffset() const;

    DVO_dBaseDBF* owner_;                 // the table that created this object (not owned)
    uint8_t version_;                     // the table's version byte
    int32_t currentBlock_ = 0;            // first block of the memo last read or written
    int32_t blockCount_ = 0;              // blocks of that memo
    int32_t blockSize_ = 512;             // dBase IV and FoxPro: from the file header
    std::array<uint8_t, 32> image_{};     // the header or block header last read or prepared
    size_t imageRead_ = 0;                // bytes of image_ the last read got from the file
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
    void Empty() override;
    int32_t FirstDataBlock() const override;
};
