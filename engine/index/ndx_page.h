// TdvNdxPageCodec: the bytes of an NDX file, turned into header fields and node entries and back. The tag's
// reads and writes and the bottom-up build all go through it; nothing else in the engine knows these offsets.
//
// The file is an array of 512-byte blocks (byte offset = block number x 512); block 0 is the header, every other
// block a node page. All integers little-endian and signed.
//
// Header (block 0):
//   OFFSET  SIZE  DESCRIPTION
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
//   OFFSET  SIZE                         DESCRIPTION
//   0       2                            entry count n (bytes 2-3 stay zero)
//   2       2                            zero
//   4       n (leaf) or n+1 (interior)   entries of entry length each; a leaf's last entry ends at 4 + n x entry
//           entries                      length, an interior page's pointer-only entry needs only its child word
//
// Entry:
//   OFFSET  SIZE        DESCRIPTION
//   0       4           child block (interior pages; 0 in leaves)
//   4       4           record number (leaves; 0 in interior pages)
//   8       key length  key: characters blank-padded, or an IEEE double (number, date as Julian day; a blank
//                       date is 1e100 so blank dates come last); the entry's remaining bytes are zero
//
// A page is interior when its first entry's child is non-zero. Entry n of an interior page carries only the child
// for keys above every separator; in memory it gets the maximal key ("\xFF" or 1.7e308). In memory a text key has
// no trailing blanks (a key of blanks is the empty key), Target is the record number in a leaf and the child block
// in an interior page, and OrderRecord is 0.
#pragma once

#include <cstdint>
#include <string>

#include "engine/index/index_page.h"

class DVobjIndexKeyData;

// The header's fields as stored.
struct TdvNdxHeader {
    int32_t root = 0;           // root block
    int32_t allocationEnd = 0;  // next block to hand out
    int16_t keyLength = 0;      // 8 for numeric and date keys
    int16_t keysPerPage = 0;
    int16_t keyType = 0;        // 1 numeric/date, 0 character
    int16_t entryLength = 0;
    bool unique = false;
    std::string keyExpression;  // without the terminator and trailing blanks
};

class TdvNdxPageCodec : public TdvIndexPageCodec {
public:
    static constexpr int32_t kPageSize = 512;
    static constexpr int16_t kNumericKeyType = 1, kTextKeyType = 0;  // the header's key type word
    static constexpr int16_t kNumericKeyLength = 8;                   // the header's key length of numbers, dates

    explicit TdvNdxPageCodec(DVobjIndexFile* file) : TdvIndexPageCodec(file) {}

    // --- header
    // Reads the header fields from block. Returns what in them cannot describe a tag (key length, entry length
    // or keys per page that do not fit a page, a missing or unterminated expression), empty when they can. The
    // root is not checked: that takes the file.
    static std::string DecodeHeader(TdvByteView block, TdvNdxHeader& header);
    // Writes header into block, zeros everywhere else; an expression longer than the header takes is cut.
    static void EncodeHeader(const TdvNdxHeader& header, TdvWriteView block);
    // The root block number of a header block.
    static int32_t DecodeRoot(TdvByteView block) { return block.I32LE(kRootAt); }
    // Whether a node page is interior (its first entry has a child).
    static bool IsInterior(TdvByteView page) { return page.I32LE(kEntriesAt) != 0; }
    // Page geometry of a new tag: entry length for a key length, keys per page for an entry length.
    static int32_t EntryLengthFor(int32_t keyLength) { return (keyLength + kKeyWords + 3) / 4 * 4; }
    static int32_t KeysPerPageFor(int32_t entryLength) { return (kPageSize - kPageWords) / entryLength; }

    // --- pages
    // Sets the layout the tag's pages have. textKeys: keys are blank-padded text, else 8-byte doubles.
    void SetLayout(int32_t keyLength, int32_t entryLength, int32_t keysPerPage, bool textKeys);
    int32_t PageSize() const override { return kPageSize; }
    int32_t PageCapacity() const override { return keysPerPage_; }
    // Raises idxerr::kBadPage for a count above keys per page, a leaf record number below 1, or an entry or key
    // that would reach past the page or its entry (the view's error), and idxerr::kBadPointer for a child below
    // 1; all with subcode idxsub::kReadNode and the file's name.
    void DecodePage(TdvByteView bytes, int32_t page, DVobjIndexKey& node) const override;
    // Stores the count (minus one for an interior page, whose last entry is its pointer-only entry) and the
    // entries: Target in the child word of interior entries and the record word of leaf entries, and the key.
    void EncodePage(const DVobjIndexKey& node, int32_t first, int32_t count, bool interior,
                    TdvWriteView bytes) const override;

private:
    // Writes a converted key into the entry at offset at of a zeroed page: text blank-padded and cut to the key
    // length, or the double (0 for an empty key).
    void EncodeKey(const DVobjIndexKeyData& key, TdvWriteView page, size_t at) const;
    // Raises the page view's error when an entry has no room for the 8-byte key of a numeric tag.
    void CheckKeyRoom(TdvByteView page) const;

    static constexpr size_t kRootAt = 0, kAllocationEndAt = 4, kKeyLengthAt = 12, kKeysPerPageAt = 14,
                            kKeyTypeAt = 16, kEntryLengthAt = 18, kUniqueAt = 23, kExpressionAt = 24;
    static constexpr size_t kExpressionRoom = kPageSize - kExpressionAt;
    static constexpr size_t kCountAt = 0, kEntriesAt = 4;
    static constexpr size_t kEntryChildAt = 0, kEntryRecordAt = 4, kEntryKeyAt = 8;
    static constexpr int32_t kKeyWords = 8;   // bytes of an entry before its key
    static constexpr int32_t kPageWords = 8;  // the count word and an interior page's last child word

    int32_t keyLength_ = 0;    // stored key bytes
    int32_t entryLength_ = 0;  // bytes per entry
    int32_t keysPerPage_ = 0;  // entries a page takes
    bool textKeys_ = true;     // blank-padded text keys, else doubles
};
