// DVobjNDXFile and DVobjNDXTag: the single-tag NDX index file, a B-tree of keys over one table in 512-byte
// blocks (byte offset = block number x 512). All integers little-endian and signed.
//
// Header block (block 0):
//   OFFSET  SIZE  MEANING
//   0       4     root block number
//   4       4     allocation end: the next block to hand out (informational; recomputed from the file size)
//   8       4     zero
//   12      2     key length (8 for numeric and date keys)
//   14      2     keys per page = 504 div entry length
//   16      2     key type: 1 numeric/date, 0 character (written, not trusted on reading)
//   18      2     entry length = roundup4(key length + 8)
//   20      3     zero
//   23      1     bit 0: unique
//   24      488   key expression, zero-terminated, then zeros
//
// Node page (every other block):
//   OFFSET  SIZE           MEANING
//   0       2              entry count n
//   2       2              zero
//   4       n (leaf) or n+1 (interior) entries of entry length each
//
// Entry:
//   OFFSET  SIZE        MEANING
//   0       4           child block (interior pages; 0 in leaves)
//   4       4           record number (leaves; 0 in interior pages)
//   8       key length  key: characters blank-padded, or an IEEE double (number, date as Julian day; a blank
//                       date is 1e100 so blank dates come last)
// A page is interior when its first entry's child is non-zero. Entry n of an interior page carries only the
// child for keys above every separator; in memory it gets the maximal key.
//
// Every count, length and block number read is checked against the page and the file before use.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"

class DVobjNDXFile;

class DVobjNDXTag : public DVobjIndexTag {
public:
    explicit DVobjNDXTag(DVobjNDXFile* file);
    ~DVobjNDXTag() override;

    // 'C': the text cut to the key length (trailing blanks dropped with trim); 'N': the number; 'D': the day
    // as a double, no date as 1e100. Files that store dates as "yyyymmdd" text get that text.
    void ConvertKey(DVobjIndexKeyData& key, bool trimBlanks) override;
    // Lays out the tag from one evaluation of the key and builds it (empty root for an empty table).
    bool DefineTag(const std::string& name, const std::string& keyExpression, bool unique, bool ascending,
                   const std::string& forExpression) override;
    int32_t RootPage() override;
    void ReadNode(int32_t page, DVobjIndexKey& node) override;
    void WriteNode(DVobjIndexKey& node) override;
    // Reads and checks block 0; a header that does not fit the page marks the file failed (error 2112).
    void ReadHeader() override;
    void WriteHeader() override;

    // Builds the tree from every record of the table with the sorter (blocks from the allocation end on).
    void Build();
    // Stored key bytes of a converted key, blank-padded or the 8 bytes of the double (out: key length bytes).
    void StoreKey(const DVobjIndexKeyData& key, uint8_t* out) const;
    // Date keys kept as "yyyymmdd" text (a writer's variant of the format).
    bool DatesAsText() const { return datesAsText_; }
    // Julian day of date key 0 (0 when keys are Julian days, as the format says).
    int32_t DateBase() const { return dateBase_; }

private:
    friend class DVobjNDXFile;
    // Sets key type, lengths and page capacity from a result type; false for a type that cannot be a key.
    bool LayOut(int resultType, int32_t textLength);
    // Looks at the first and last keys of a date tag to learn whether its writer counted days from 1900.
    void DetectDateBase();
    DVobjNDXFile* file_;
    bool datesAsText_ = false;
    int32_t dateBase_ = 0;       // another writer stores days since 1900-01-01 and blank dates as 0
    int16_t storedKeyType_ = 0;  // key type word as read from the header
};

class DVobjNDXFile : public DVobjIndexFile {
public:
    static constexpr int32_t kBlockSize = 512;

    // Opens or creates the file (default extension ".NDX"); an existing file gets its tag from block 0.
    DVobjNDXFile(TdvIndexOwner* owner, bool overwrite, bool create, bool readOnly, bool shared,
                 const std::string& fileName);
    ~DVobjNDXFile() override;

    // Replaces the single tag by a new one and builds it; nullptr when the key cannot be laid out.
    DVobjIndexTag* CreateTag(const std::string& name, const std::string& keyExpression, bool unique,
                             bool ascending, const std::string& forExpression) override;
    int32_t AllocatePage() override;
    int32_t FindAllocationEnd() override;
    // Truncates to a header and an empty root leaf at block 1, under the whole-file lock.
    void EmptyFile() override;
    // Empties the file and rebuilds the tag from the table.
    void Reindex() override;

    void Reencrypt() override;

    // Block transfers by block number. A file not shared keeps recently used pages in a small cache.
    bool ReadPage(int32_t block, uint8_t* buffer);
    void WritePage(int32_t block, const uint8_t* buffer);
    // Blocks the file holds now.
    int32_t BlocksOnDisk();
    // Whether block is a node page of the file (1 up to its end); asks the file only past the known end.
    bool PageInFile(int32_t block);
    DVobjNDXTag* Tag() const { return static_cast<DVobjNDXTag*>(TagAt(0)); }
    // Pages asked for since opening, from the cache or the disk (BlockReads counts the disk reads).
    int64_t PageReads() const { return pageReads_; }

private:
    static constexpr size_t kCacheSlots = 4096;  // per half: 4 MB at most
    struct CachedPage {
        int32_t block = -1;
        uint8_t bytes[kBlockSize];
    };
    // The slot that holds block (page nullptr) or should take the page; nullptr when nothing is cached.
    CachedPage* CacheSlot(int32_t block, const uint8_t* page);
    void Remember(int32_t block, const uint8_t* page);
    void ForgetPages();
    std::unique_ptr<CachedPage[]> cache_;  // direct-mapped by block number: interior half, leaf half
    int32_t knownBlocks_ = 0;              // blocks known to be in the file
    int64_t pageReads_ = 0;
};
