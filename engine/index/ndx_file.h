// DVobjNDXFile and DVobjNDXTag: the single-tag NDX index file, a B-tree of keys over one table in 512-byte
// blocks. The header and page layouts, and their reading and writing, are TdvNdxPageCodec's (ndx_page.h).
//
// Every count, length and block number read is checked against the page and the file before use.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"
#include "engine/index/ndx_page.h"
#include "engine/index/page_cache.h"

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
    // The codec of the tag's pages, laid out as the tag is.
    TdvNdxPageCodec& PageCodec() { return codec_; }
    // Date keys kept as "yyyymmdd" text (a writer's variant of the format).
    bool DatesAsText() const { return datesAsText_; }
    // Julian day of date key 0 (0 when keys are Julian days, as the format says).
    int32_t DateBase() const { return dateBase_; }

private:
    friend class DVobjNDXFile;
    // Sets key type, lengths and page capacity from a result type; false for a type that cannot be a key.
    bool LayOut(int resultType, int32_t textLength);
    // Gives the codec the tag's key type, lengths and page capacity; called whenever they change.
    void UseLayout();
    // Looks at the first and last keys of a date tag to learn whether its writer counted days from 1900.
    void DetectDateBase();
    DVobjNDXFile* file_;
    TdvNdxPageCodec codec_;      // the tag's pages and header
    bool datesAsText_ = false;
    int32_t dateBase_ = 0;       // another writer stores days since 1900-01-01 and blank dates as 0
    int16_t storedKeyType_ = 0;  // key type word as read from the header
};

class DVobjNDXFile : public DVobjIndexFile {
public:
    static constexpr int32_t kBlockSize = TdvNdxPageCodec::kPageSize;

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

    // Block transfers by block number, one whole block each (another count is a range error). A file not shared
    // keeps recently used pages in a small cache.
    bool ReadPage(int32_t block, uint8_t* buffer, int32_t count) override;
    void WritePage(int32_t block, const uint8_t* buffer, int32_t count) override;
    // Blocks the file holds now.
    int32_t BlocksOnDisk();
    // Whether block is a node page of the file (1 up to its end); asks the file only past the known end.
    bool PageInFile(int32_t block);
    DVobjNDXTag* Tag() const { return static_cast<DVobjNDXTag*>(TagAt(0)); }
    // Pages asked for since opening, from the cache or the disk (BlockReads counts the disk reads).
    int64_t PageReads() const { return pageReads_; }

private:
    static constexpr size_t kCacheSlots = 4096;  // per half: 4 MB at most
    void Remember(int32_t block, const uint8_t* page);
    void ForgetPages();
    TdvPageCache cache_{kBlockSize, kCacheSlots};  // pages of a file not shared
    int32_t knownBlocks_ = 0;              // blocks known to be in the file
    int64_t pageReads_ = 0;
};
