// TdvNtxPageCodec: the bytes of an NTX file, turned into header fields and node entries and back, with the
// mapping between the file's true B-tree and the framework's tree whose keys all lie in leaves. The tag's reads
// and writes and the bottom-up build all go through it; nothing else in the engine knows these offsets.
//
// The file is addressed by byte offsets; every page is 1024 bytes at a multiple of 1024; offset 0 holds the
// header. Integers are little-endian and signed.
//
// Header (offset 0):
//   OFFSET  SIZE  DESCRIPTION
//   0       2     signature: 6, or 7 when the tag has a FOR condition (bit 0)
//   2       2     change counter (wraps from 0x7FFF to 0)
//   4       4     root page offset
//   8       4     zero (another writer keeps the head of its list of unused pages here; not read)
//   12      2     entry length = key length + 8
//   14      2     key length
//   16      2     decimals of a numeric key
//   18      2     keys per page = 2 x half page
//   20      2     half page = (1020 div (key length + 10) - 1) div 2
//   22      256   key expression, zero-terminated
//   278     1     1 for a unique tag
//   279     1     1 for a descending tag
//   280     2     zero
//   282     742   FOR expression, zero-terminated, when the signature says there is one
//
// Page (any other 1024-byte page):
//   OFFSET               SIZE                          DESCRIPTION
//   0                    2                             key count n
//   2                    2 x (keys per page + 1)       offset table: the page offset of item j at position j
//   4 + 2 x keys/page    (keys per page + 1) x entry   item slots (written in slot order; read through the table)
//
// Item:
//   OFFSET  SIZE        DESCRIPTION
//   0       4           child page offset (0 in leaf pages)
//   4       4           record number
//   8       key length  key, blank-padded text (numbers and dates too: see DVobjNTXTag::ConvertKey)
//
// A page is interior when the item at table position 0 has a child. A leaf's n items are keys. An interior page's
// items 0..n-1 are separators, each greater than every key of its child; item n holds only the child for keys
// above the last separator. Every key lies in the file exactly once.
//
// Tree mapping. In memory every key lies in a leaf, and an interior entry carries the greatest key of its child:
//   - an interior page gives entries 0..n-1 (key, Target = child, OrderRecord = record) and one more for child n
//     whose key is a copy of the parent's entry for this page (the root's is "\xFF");
//   - a leaf gives its n keys (Target = OrderRecord = record) and, unless it lies on the rightmost path of the
//     tree, a copy of the parent's entry for it with Target = that entry's record: the separator above the leaf
//     is walked right after the leaf's own keys;
//   - writing stores a node's entries minus the last one for an interior page (its pointer-only item) and for a
//     leaf off the rightmost path (its last entry is the separator kept in the parent).
// In memory a text key has no trailing blanks; numeric and date keys are raw bytes compared as text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/index/index_page.h"

class DVobjIndexKeyData;

// The header's fields as stored.
struct TdvNtxHeader {
    uint16_t signature = 6;
    uint16_t counter = 1;        // change counter
    int32_t root = 0;            // root page offset
    int16_t entryLength = 0;
    int16_t keyLength = 0;
    int16_t decimals = 0;
    int16_t keysPerPage = 0;
    int16_t halfPage = 0;
    bool unique = false;
    bool descending = false;
    std::string keyExpression;   // without the terminator and trailing blanks
    std::string forExpression;   // empty when the signature has no FOR bit
};

class TdvNtxPageCodec : public TdvIndexPageCodec {
public:
    static constexpr int32_t kPageSize = 1024;
    static constexpr uint16_t kSignature = 6, kForBit = 1;
    static constexpr int32_t kMaxKeyLength = 239;  // the sorter takes key length + 1 <= 240 bytes

    explicit TdvNtxPageCodec(DVobjIndexFile* file) : TdvIndexPageCodec(file) {}

    // --- header
    // Reads the header fields from the header page. Returns what in them cannot describe a tag (lengths or
    // counts that do not fit a page, a missing or unterminated expression), empty when they can. The root is not
    // checked against the file: that takes the file.
    static std::string DecodeHeader(TdvByteView page, TdvNtxHeader& header);
    // Writes header into page, zeros everywhere else; expressions longer than their room are cut.
    static void EncodeHeader(const TdvNtxHeader& header, TdvWriteView page);
    // Header fields read on their own: the root offset and the change counter.
    static int32_t DecodeRoot(TdvByteView page) { return page.I32LE(kRootAt); }
    static uint16_t DecodeCounter(TdvByteView page) { return page.U16LE(kCounterAt); }
    // Whether a node page is interior: the item at table position 0 lies in the page and has a child.
    static bool IsInterior(TdvByteView page) {
        const size_t at = page.U16LE(kTableAt);
        return at > kTableAt && page.Holds(at, kItemWords) && page.I32LE(at + kItemChildAt) != 0;
    }
    // Page geometry for a key length: half page, keys per page (2 x half page), entry length.
    static int32_t HalfPageFor(int32_t keyLength) { return ((kPageSize - 4) / (keyLength + 10) - 1) / 2; }
    static int32_t KeysPerPageFor(int32_t keyLength) { return 2 * HalfPageFor(keyLength); }
    static int32_t EntryLengthFor(int32_t keyLength) { return keyLength + kItemWords; }

    // --- pages
    // Sets the layout of the tag's pages. textKeys: in memory keys are text, else raw bytes (numbers, dates).
    void SetLayout(int32_t keyLength, int32_t keysPerPage, bool textKeys);
    // Whether a text key of blanks is read as one blank (the tag compares by a learned order) or as the empty key.
    void SetBlankKeys(bool on) { blankKeys_ = on; }
    int32_t PageSize() const override { return kPageSize; }
    // Entries of a full interior page: its separators and the pointer-only entry.
    int32_t PageCapacity() const override { return keysPerPage_ + 1; }
    int32_t KeysPerPage() const { return keysPerPage_; }
    // Raises idxerr::kBadPage for a count above keys per page, a table offset whose item leaves the page or a
    // record number below 1, and idxerr::kBadPointer for a child that is not a page offset; subcode
    // idxsub::kReadNode with the file's name. node's parent chain must be loaded (the mapping reads it).
    void DecodePage(TdvByteView bytes, int32_t page, DVobjIndexKey& node) const override;
    // Writes entries [first, first + count) as a page storing all but the last one (interior: its child becomes
    // the pointer-only item; leaf: the last is the separator kept above).
    void EncodePage(const DVobjIndexKey& node, int32_t first, int32_t count, bool interior,
                    TdvWriteView bytes) const override;
    // Writes entries [first, first + count) storing stored of them as items; an interior page's item `stored`
    // takes the child of entry first + stored.
    // REQUIRES: bytes hold PageSize() zeros; stored <= keys per page; interior: stored < count
    void EncodeItems(const DVobjIndexKey& node, int32_t first, int32_t count, int32_t stored, bool interior,
                     TdvWriteView bytes) const;
    // Writes node to its page as the mapping says, splitting a node that holds more than a page takes: the first
    // count - count div 2 entries (then at most a page at a time) go to new pages whose last entry moves up into
    // the parent (DVobjIndexKey::LinkNewLeft), the rest stay on the node's page.
    void WriteTreeNode(DVobjIndexKey& node);
    // Whether the page at offset page, under parent (nullptr for the root), lies on the tree's rightmost path.
    static bool OnRightmostPath(const DVobjIndexKey* parent, int32_t page);
    // Whether key is the root's pointer-only key, "\xFF".
    static bool IsTopKey(const DVobjIndexKeyData& key);
    // Sets key to the root's pointer-only key.
    static void SetTopKey(DVobjIndexKeyData& key);

private:
    // The page's item slot j as the engine writes it.
    size_t SlotAt(int32_t j) const { return kTableAt + 2 * static_cast<size_t>(keysPerPage_ + 1) +
                                            static_cast<size_t>(j) * static_cast<size_t>(entryLength_); }
    // Fills key from an item's key bytes: trailing blanks dropped, text or raw bytes.
    void DecodeKey(TdvByteView item, DVobjIndexKeyData& key) const;
    // Writes key blank-padded and cut to the key length at offset at.
    void EncodeKey(const DVobjIndexKeyData& key, TdvWriteView page, size_t at) const;
    // The page buffer of writes, zeroed.
    TdvWriteView Out();
    [[noreturn]] void Bad(int32_t code, int32_t page, const std::string& what) const;

    static constexpr size_t kSignatureAt = 0, kCounterAt = 2, kRootAt = 4, kEntryLengthAt = 12, kKeyLengthAt = 14,
                            kDecimalsAt = 16, kKeysPerPageAt = 18, kHalfPageAt = 20, kExpressionAt = 22,
                            kUniqueAt = 278, kDescendingAt = 279, kForAt = 282;
    static constexpr size_t kExpressionRoom = kUniqueAt - kExpressionAt, kForRoom = kPageSize - kForAt;
    static constexpr size_t kCountAt = 0, kTableAt = 2;
    static constexpr size_t kItemChildAt = 0, kItemRecordAt = 4, kItemKeyAt = 8;
    static constexpr int32_t kItemWords = 8;  // bytes of an item before its key

    int32_t keyLength_ = 0;    // stored key bytes
    int32_t entryLength_ = 0;  // bytes per item
    int32_t keysPerPage_ = 0;  // items a page stores
    bool textKeys_ = true;     // keys are text in memory, else raw bytes
    bool blankKeys_ = false;   // a key of blanks is read as " "
    std::vector<uint8_t> out_; // one page, reused by every write
};
