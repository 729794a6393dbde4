// The 8-bit text services of the OS layer (os_services.h, section "8-bit text") and the fixed tables behind them.
//
// Everything here is independent of the process's C locale and LANG: the tables are our own and fixed.
//  - OEM <-> ANSI: one 256-byte table per direction and OEM page (437 or 850 <-> 1252). A character present in
//    both pages maps exactly; one the target lacks maps to a best-fit neighbour (accent stripped, box drawing to
//    '+', '-' or '|', shades and blocks to '#', Greek and math to a close Latin letter or sign, else '?').
//    Control bytes 0x00-0x1F and 0x7F and ASCII 0x20-0x7E map to themselves; no other byte maps to a control byte.
//  - Unicode: one 256-entry table of code points per page, lossless (a bijection byte <-> code point). OEM bytes
//    0x00-0x1F and 0x7F decode as the control characters, not as their display glyphs; the five bytes CP1252
//    leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) decode to U+0081, U+008D, U+008F, U+0090, U+009D.
//  - Case: CP1252 upper and lower case of ASCII and the Latin-1 letters plus š/Š, œ/Œ, ž/Ž and ÿ -> Ÿ;
//    ß, µ, ª, º, ƒ, × and ÷ have no case partner and stay unchanged.
//  - Collation: a three-level CP1252 weight table (below).
// ToUtf8 and FromUtf8 report error 87 (invalid parameter; EOrdaneError) for a code page other than 437, 850 and
// 1252.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/storage/os_services.h"

namespace os {

// The 256-byte conversion table for an OEM page (437 or 850; any other value selects 437).
const uint8_t* OemToAnsiTable(int oemCodePage);
const uint8_t* AnsiToOemTable(int oemCodePage);
// The byte -> code point table of 437, 850 or 1252; nullptr for any other page.
const uint16_t* UnicodeTable(int codePage);

// CP1252 case mapping of one byte; bytes without a partner map to themselves.
uint8_t UpperAnsi(uint8_t c);
uint8_t LowerAnsi(uint8_t c);

// Collation of CP1252 text, compared level by level over the whole strings:
//  1. primary: the base character. Control and undefined bytes first (in byte order), then blanks, punctuation
//     and symbols, then digits, then letters a..z, then þ and µ. Accents and case do not count here.
//  2. secondary: the mark (CollationMark) — accents, and the variants that share a base (no-break space, dashes,
//     curly quotes, superscript digits, ordinal indicators).
//  3. tertiary: case, lower before upper; skipped when case is ignored.
// æ, Æ, œ, Œ and ß count as two elements ("ae", "oe", "ss") carrying the ligature mark, so "ae" < "æ" < "af".
// A string whose elements are a prefix of the other's sorts first at the primary level. Strings no level tells
// apart are finally ordered by their bytes when case counts, so only equal strings compare 0 then.
enum CollationMark : uint8_t {
    kMarkNone, kMarkAcute, kMarkGrave, kMarkCircumflex, kMarkCaron, kMarkRing, kMarkDiaeresis, kMarkTilde,
    kMarkCedilla, kMarkStroke, kMarkEth, kMarkHook, kMarkOrdinal, kMarkLigature, kMarkVariant1, kMarkVariant2,
    kMarkVariant3,
};
struct CollationElement {
    uint8_t primary;    // base character, 1..; 0 only in an absent second element
    uint8_t secondary;  // a CollationMark
    uint8_t tertiary;   // 0 lower case or caseless, 1 upper case
};
struct CollationEntry {
    CollationElement first;   // every byte has one
    CollationElement second;  // the second element of an expansion (æ, œ, ß); primary 0 when there is none
};
const CollationEntry& CollationOf(uint8_t c);

namespace code_page_tables {
// Generated once from the cp437, cp850 and cp1252 codecs and the Unicode character database (see the .cpp).
extern const uint8_t kOem437ToAnsi[256];
extern const uint8_t kAnsiToOem437[256];
extern const uint8_t kOem850ToAnsi[256];
extern const uint8_t kAnsiToOem850[256];
extern const uint16_t kUnicode437[256];
extern const uint16_t kUnicode850[256];
extern const uint16_t kUnicode1252[256];
extern const CollationEntry kCollation1252[256];
}  // namespace code_page_tables

}  // namespace os
