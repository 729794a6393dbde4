// The byte offsets of the three memo file layouts (drawn in memo_file.h), named once for the memo classes that
// read and write them and for the table creator that lays out a new, empty memo file. Every access goes through
// a TdvByteView or TdvWriteView of a header or block header.
#pragma once

#include <cstddef>
#include <cstdint>

// Block 0 of every layout. dBase III and dBase IV integers are little-endian, FoxPro ones big-endian.
namespace memoheader {
constexpr size_t kImageSize = 32;      // the part of block 0 that is read and written
constexpr size_t kNextBlock = 0;       // 4 bytes: next available block (dBase IV: head of the free chain)
constexpr size_t kFreedMark = 4;       // 4 bytes, dBase IV: set to 0 when a memo is freed
constexpr size_t kTableName = 8;       // 9 bytes, dBase III and IV: table name, 0x00-padded
constexpr size_t kTableNameSize = 9;
constexpr size_t kTableNameChars = 8;  // of which at most 8 are characters
constexpr size_t kDb3Version = 16;     // 1 byte, dBase III: 0x03 as new files are written
constexpr size_t kDb4BlockSize = 20;   // dBase IV: block size, written in 2 bytes, read in 4
constexpr size_t kFoxBlockSize = 6;    // 2 bytes, FoxPro
constexpr size_t kFoxHeaderSize = 512; // FoxPro: block 0 spans at least this many bytes
}  // namespace memoheader

// The first bytes of a memo's first block.
namespace memoblock {
constexpr size_t kHeaderSize = 8;      // dBase IV and FoxPro; dBase III has none
constexpr size_t kDb3Length = 0;       // 4 bytes, dBase III with a password: the memo's length, plain
constexpr size_t kDb4Mark = 0;         // 2 bytes, dBase IV: 0xFF 0xFF for a block in use
constexpr size_t kDb4DataOffset = 2;   // 2 bytes, dBase IV: offset of the memo bytes, written as 8
constexpr size_t kDb4Length = 4;       // 4 bytes, dBase IV: memo bytes + 8
constexpr size_t kFreeNext = 0;        // 4 bytes, dBase IV free run: first block of the next run
constexpr size_t kFreeCount = 4;       // 4 bytes, dBase IV free run: blocks in this run
constexpr size_t kFoxType = 0;         // 4 bytes, FoxPro: 1 written; 0, 1 and 2 read
constexpr size_t kFoxLength = 4;       // 4 bytes, FoxPro: memo bytes
constexpr uint8_t kDb3EndMark = 0x1A;  // dBase III: two of them end a memo
}  // namespace memoblock
