// The byte offsets of a table file's header and field descriptors (the layout is drawn in dbf_table.h), named
// once for every reader and writer of the format: the table, the table creator and the tools. Every access goes
// through a TdvByteView or TdvWriteView of the header image or of one 32-byte descriptor.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dbfheader {
constexpr size_t kSize = 32;          // the fixed part, before the descriptors
constexpr size_t kVersion = 0;        // 1 byte
constexpr size_t kUpdateYear = 1;     // 1 byte, year mod 100; month and day follow
constexpr size_t kUpdateMonth = 2;
constexpr size_t kUpdateDay = 3;
constexpr size_t kRecordCount = 4;    // 4 bytes
constexpr size_t kHeaderLength = 8;   // 2 bytes
constexpr size_t kRecordLength = 10;  // 2 bytes
constexpr size_t kEncrypted = 15;     // 1 byte
constexpr size_t kChangeStamp = 16;   // 4 bytes
constexpr size_t kUserId = 20;        // 4 bytes
constexpr size_t kFlags = 28;         // 1 byte
constexpr size_t kLanguage = 29;      // 1 byte
constexpr uint8_t kTerminator = 0x0D; // ends the descriptors
constexpr uint8_t kEndMark = 0x1A;    // follows the last record
constexpr int32_t kBacklinkSize = 263;  // 0x30 tables: after the terminator
}  // namespace dbfheader

namespace dbfdesc {
constexpr size_t kSize = 32;          // one descriptor
constexpr size_t kName = 0;           // 11 bytes, NUL-padded
constexpr size_t kNameSize = 11;
constexpr size_t kType = 11;          // 1 byte, the type letter
constexpr size_t kOffset = 12;        // 4 bytes, written for 0x30 tables, never read
constexpr size_t kLength = 16;        // 1 byte
constexpr size_t kDecimals = 17;      // 1 byte; type C: the high byte of the length
constexpr size_t kFlags = 18;         // 1 byte, 0x30 tables
}  // namespace dbfdesc
