// DVobjNTXFile and DVobjNTXTag: the single-tag NTX index file, a true B-tree of text keys in 1024-byte pages
// addressed by byte offset. The header and page layouts, their reading and writing and the mapping to the
// framework's tree are TdvNtxPageCodec's (ntx_page.h).
//
// Every count, offset and length read is checked against the page and the file before use.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"
#include "engine/index/ntx_page.h"
#include "engine/index/page_cache.h"

class DVobjNTXFile;

class DVobjNTXTag : public DVobjIndexTag {
public:
    explicit DVobjNTXTag(DVobjNTXFile* file);
    ~DVobjNTXTag() override;

    // 'C': the text cut to the key length (trailing blanks dropped with trim); 'N': the number as fixed-width text
    // (NumberText); 'D': "yyyymmdd", "00000000" for no date. Keys already in stored form are left as they are.
    void ConvertKey(DVobjIndexKeyData& key, bool trimBlanks) override;
    // Lays out the tag from one evaluation of the key and builds it (an empty root leaf for an empty table).
    bool DefineTag(const std::string& name, const std::string& keyExpression, bool unique, bool ascending,
                   const std::string& forExpression) override;
    // As the framework's, with the record number carried for the separator the key may become.
    bool AddKey(const DVobjIndexKeyData& key) override;
    int32_t RootPage() override;
    void ReadNode(int32_t page, DVobjIndexKey& node) override;
    void WriteNode(DVobjIndexKey& node) override;
    // Reads and checks the header; one that cannot describe a tag marks the file failed (error 2112).
    void ReadHeader() override;
    void WriteHeader() override;

    // Builds the tree from every qualifying record of the table with the sorter (pages from the allocation end).
    void Build();
    // The stored text of a number: |value| with `decimals` decimals right-aligned in `width` characters, blanks
    // as '0'; a negative number has every digit c replaced by the character 92 - c so that it sorts first.
    static std::string NumberText(double value, int32_t width, int32_t decimals);
    TdvNtxPageCodec& PageCodec() { return codec_; }
    int32_t Decimals() const { return decimals_; }
    int32_t HalfPage() const { return halfPage_; }
    // Whether the stored order of the file's text keys was found to differ from byte order, so that the tag
    // compares through a weight table learned from the file (LearnCollation).
    bool LearnedCollation() const { return learned_; }

private:
    friend class DVobjNTXFile;
    // Sets key type, lengths and page capacity from a result type; false for a type that cannot be a key.
    bool LayOut(int resultType, int32_t textLength);
    // Gives the codec the tag's key type, lengths and page capacity; called whenever they change.
    void UseLayout();
    // Looks at the stored order of a character tag and, when it is not byte order, learns the weights that
    // give it (see ntx_file.cpp); a file whose order no weight table gives keeps byte order.
    void LearnCollation();
    DVobjNTXFile* file_;
    TdvNtxPageCodec codec_;                 // the tag's pages and header
    int32_t decimals_ = 0;                  // decimals of a numeric key
    bool learned_ = false;                  // collation_ holds weights learned from the file
    std::array<uint8_t, 256> weights_{};    // the learned weights
};

class DVobjNTXFile : public DVobjIndexFile {
public:
    static constexpr int32_t kPageSize = TdvNtxPageCodec::kPageSize;

    // Opens or creates the file (default extension ".NTX"); an existing file gets its tag from the header.
    DVobjNTXFile(TdvIndexOwner* owner, bool overwrite, bool create, bool readOnly, bool shared,
                 const std::string& fileName);
    ~DVobjNTXFile() override;

    // Replaces the single tag by a new one and builds it; nullptr when the key cannot be laid out.
    DVobjIndexTag* CreateTag(const std::string& name, const std::string& keyExpression, bool unique,
                             bool ascending, const std::string& forExpression) override;
    int32_t AllocatePage() override;
    int32_t FindAllocationEnd() override;
    // Advances the change counter and writes the header at once, then keeps every tag in step.
    void UpdateKeys(int32_t recordNumber, bool append) override;
    // When shared: whether the header's change counter differs from the one last seen (it is then taken).
    bool ChangedOnDisk() override;
    // Truncates to a header and an empty root leaf at 1024, under the whole-file lock.
    void EmptyFile() override;
    // Empties the file and defines the tag again from the table.
    void Reindex() override;

    // Page transfers by byte offset, one whole page each (another count is a range error). A file not shared
    // keeps recently used pages in a small cache.
    bool ReadPage(int32_t offset, uint8_t* buffer, int32_t count) override;
    void WritePage(int32_t offset, const uint8_t* buffer, int32_t count) override;
    void Reencrypt() override;
    // Whether offset is a node page of the file: a multiple of 1024 from 1024 up to its end.
    bool PageInFile(int32_t offset);
    // Writes an empty leaf (its offset table filled in) at offset.
    void WriteEmptyLeaf(int32_t offset);
    uint16_t Counter() const { return counter_; }
    DVobjNTXTag* Tag() const { return static_cast<DVobjNTXTag*>(TagAt(0)); }

private:
    friend class DVobjNTXTag;
    // Keeps a copy of the page at offset when the file is not shared.
    void Remember(int32_t offset, const uint8_t* page);
    static constexpr size_t kCacheSlots = 8192;  // per half: 16 MB at most, touched only as pages are used
    TdvPageCache cache_{kPageSize, kCacheSlots};  // pages of a file not shared
    uint16_t counter_ = 1;      // change counter, as last written or read
    int64_t knownSize_ = 0;     // bytes known to be in the file
};
