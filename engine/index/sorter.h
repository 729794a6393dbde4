// TdvSort: the external sort that index builds use. Keys (with their record numbers) go into an in-memory
// byte trie; when its 32 blocks of 40,960 bytes are full the trie is written out as a sorted run and emptied;
// retrieval merges all runs in one pass. TdvPageCollection is one run: 16 KB pages of front-compressed
// records, kept in the sorter's work file so that memory stays bounded whatever the number of keys.
//
// Sort form of a key (unsigned byte order = key order), followed by the record number as 4 big-endian bytes,
// so equal keys leave in record order and every entry is distinct:
//   text     the characters without trailing blanks            (type code 0x20)
//   number   the double's 8 bytes, order-preserving big-endian  (0x30): sign bit set when >= 0, else all
//            bits inverted. All 8 bytes are kept: dropping zero low bytes would let the appended record
//            number decide the order of numbers that differ only in those bytes.
//   date     the Julian day as 4 big-endian bytes               (0x40)
//   raw      the bytes as they are                              (0x10)
//
// Trie node (10 bytes): first child (4), next sibling (4), flags (1), key byte (1). Flags: high nibble the
// type code of a key ending here, low three bits the count (<= 4) of further key bytes packed into the
// sibling field of a node that has no sibling.
//
// Run record:
//   SIZE  MEANING
//   1     type code
//   1     total length t of the stored key, record number included
//   1     suffix length s
//   s     the last s bytes; the first t - s bytes are those of the previous record
// A zero byte ends a page; a record that would not fit before byte 16383 starts the next page.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "engine/storage/collection.h"
#include "engine/storage/variant_value.h"

class TdvSort;

class TdvPageCollection {
public:
    static constexpr int32_t kPageSize = 16384;

    explicit TdvPageCollection(TdvSort* sorter);
    // Appends one record (front-compressed against the previous one).
    void Put(uint8_t type, const uint8_t* bytes, int32_t length);
    // Writes the last page out and moves to the first record.
    void Finish();
    // Moves to the next record; false at the end.
    bool Advance();
    const uint8_t* Bytes() const { return key_; }
    int32_t Length() const { return length_; }
    uint8_t Type() const { return type_; }

private:
    void FlushPage();
    bool LoadPage(size_t index);

    TdvSort* sorter_;
    std::vector<int64_t> pages_;    // offsets of this run's pages in the work file
    uint8_t key_[256] = {};         // the current record's key
    int32_t length_ = 0;
    uint8_t type_ = 0;
    int32_t position_ = 0;          // read or write position in the page; -1 at the end
    size_t pageIndex_ = 0;
    std::unique_ptr<uint8_t[]> page_;
};

class TdvSort {
public:
    static constexpr int32_t kBlockSize = 40960;
    static constexpr int32_t kMaxBlocks = 32;
    static constexpr int32_t kMaxKeyLength = 240;
    static constexpr uint8_t kRaw = 0x10, kText = 0x20, kNumber = 0x30, kDate = 0x40;

    // A maximum above 240 raises "Sort key length greater than 240 bytes". No collation is installed: keys
    // compare as unsigned bytes (the table is accepted for the interface and not used).
    TdvSort(int32_t maxKeyLength, const uint8_t* collation, bool ascending, bool unique);
    virtual ~TdvSort();
    TdvSort(const TdvSort&) = delete;
    TdvSort& operator=(const TdvSort&) = delete;

    // Adds a key (text, number, date or raw bytes; an empty value counts as empty text).
    void Add(const TdvVariant& key, int32_t recordNumber);
    // The next key in order and its record; false when none is left. Closes adding on the first call.
    bool Next(TdvVariant& key, int32_t& recordNumber);

    int32_t KeyCount() const { return count_; }
    int32_t RunCount() const { return static_cast<int32_t>(runs_.Count()); }

private:
    friend class TdvPageCollection;
#pragma pack(push, 1)
    struct Node {
        uint32_t child;
        uint32_t sibling;
        uint8_t flags;
        uint8_t byte;
    };
#pragma pack(pop)
    static_assert(sizeof(Node) == 10);
    static constexpr uint32_t kNodesPerBlock = kBlockSize / sizeof(Node);

    Node& At(uint32_t index) {
        return reinterpret_cast<Node*>(blocks_[index / kNodesPerBlock].get())[index % kNodesPerBlock];
    }
    // A place that holds a node index: the child field (child true) or the sibling field of a node. Nodes are
    // packed, so their fields are reached through the node, never through a pointer to the field.
    struct Link {
        uint32_t node;
        bool child;
    };
    uint32_t Get(Link l) { return l.child ? At(l.node).child : At(l.node).sibling; }
    void Set(Link l, uint32_t v) {
        if (l.child) At(l.node).child = v;
        else At(l.node).sibling = v;
    }
    uint32_t NewNode(uint8_t byte);
    uint32_t NextSibling(uint32_t index) { return (At(index).flags & 7) ? 0 : At(index).sibling; }
    void Unpack(uint32_t index);
    // Builds a chain for bytes[0..n) under link, packing bytes into nodes without siblings.
    void AddChain(Link link, uint32_t sibling, const uint8_t* bytes, int32_t n, uint8_t type);
    void Insert(const uint8_t* bytes, int32_t n, uint8_t type);
    void WriteRun();
    void EmitFrom(uint32_t first, int32_t depth, TdvPageCollection& run);
    void ResetTrie();
    int64_t WritePage(const uint8_t* page);
    void ReadPage(int64_t offset, uint8_t* page);
    int Before(const TdvPageCollection& a, const TdvPageCollection& b) const;

    bool unique_;
    bool ascending_;
    int32_t count_ = 0;
    std::vector<std::unique_ptr<uint8_t[]>> blocks_;
    TdvCollection<TdvPageCollection> runs_;
    int32_t maxKeyLength_;
    bool accepting_ = true;
    uint32_t nodeCount_ = 0;        // nodes in use, the root included
    std::vector<uint8_t> work_;     // the sort form of the key being added
    uint8_t path_[256] = {};        // bytes of the trie path while writing a run
    std::vector<size_t> heap_;      // runs by their current record during retrieval
    std::vector<uint8_t> last_;     // the previous key returned (unique sorts), record number excluded
    uint8_t lastType_ = 0;
    bool haveLast_ = false;
    std::FILE* workFile_ = nullptr; // spilled run pages
    int64_t workEnd_ = 0;
};
