// The fixed tables of the 8-bit text services (code_pages.h).
//
// Generated once, by a throw-away script that is not kept, from Python's 'cp437', 'cp850' and 'cp1252' codecs and
// its unicodedata module:
//  - conversion, for each source byte 0x80-0xFF: the source character encoded in the target page when it is
//    there ("exact", no note); otherwise box drawing -> '-' or '|' for plain lines, '+' for corners and
//    junctions ("box"); shades and blocks -> '#' ("block"); a hand-picked neighbour ("manual"); the character
//    with its accents stripped (NFKD, combining marks removed, one character left) when that is in the target
//    ("strip"); else '?'. Bytes 0x00-0x7F map to themselves; the undefined CP1252 bytes map to '?'.
//  - Unicode: the codec's decoding, with OEM 0x00-0x1F and 0x7F as the control characters and the undefined
//    CP1252 bytes as U+0081, U+008D, U+008F, U+0090, U+009D.
//  - collation: the groups of code_pages.h in order, each group one primary weight.
// Edit by hand only with the same rules; the tests check the properties (round trips, no control byte produced,
// lossless Unicode, unique collation weights).
#include "engine/storage/code_pages.h"

namespace os::code_page_tables {

// 437 -> 1252. Row = source byte: target byte, source character.
const uint8_t kOem437ToAnsi[256] = {
    // 0x00-0x7F: control bytes and ASCII map to themselves
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    0xC7,  // 80 latin capital letter c with cedilla
    0xFC,  // 81 latin small letter u with diaeresis
    0xE9,  // 82 latin small letter e with acute
    0xE2,  // 83 latin small letter a with circumflex
    0xE4,  // 84 latin small letter a with diaeresis
    0xE0,  // 85 latin small letter a with grave
    0xE5,  // 86 latin small letter a with ring above
    0xE7,  // 87 latin small letter c with cedilla
    0xEA,  // 88 latin small letter e with circumflex
    0xEB,  // 89 latin small letter e with diaeresis
    0xE8,  // 8A latin small letter e with grave
    0xEF,  // 8B latin small letter i with diaeresis
    0xEE,  // 8C latin small letter i with circumflex
    0xEC,  // 8D latin small letter i with grave
    0xC4,  // 8E latin capital letter a with diaeresis
    0xC5,  // 8F latin capital letter a with ring above
    0xC9,  // 90 latin capital letter e with acute
    0xE6,  // 91 latin small letter ae
    0xC6,  // 92 latin capital letter ae
    0xF4,  // 93 latin small letter o with circumflex
    0xF6,  // 94 latin small letter o with diaeresis
    0xF2,  // 95 latin small letter o with grave
    0xFB,  // 96 latin small letter u with circumflex
    0xF9,  // 97 latin small letter u with grave
    0xFF,  // 98 latin small letter y with diaeresis
    0xD6,  // 99 latin capital letter o with diaeresis
    0xDC,  // 9A latin capital letter u with diaeresis
    0xA2,  // 9B cent sign
    0xA3,  // 9C pound sign
    0xA5,  // 9D yen sign
    0x50,  // 9E peseta sign -> 'P' (manual)
    0x83,  // 9F latin small letter f with hook
    0xE1,  // A0 latin small letter a with acute
    0xED,  // A1 latin small letter i with acute
    0xF3,  // A2 latin small letter o with acute
    0xFA,  // A3 latin small letter u with acute
    0xF1,  // A4 latin small letter n with tilde
    0xD1,  // A5 latin capital letter n with tilde
    0xAA,  // A6 feminine ordinal indicator
    0xBA,  // A7 masculine ordinal indicator
    0xBF,  // A8 inverted question mark
    0xAC,  // A9 reversed not sign -> not sign (manual)
    0xAC,  // AA not sign
    0xBD,  // AB vulgar fraction one half
    0xBC,  // AC vulgar fraction one quarter
    0xA1,  // AD inverted exclamation mark
    0xAB,  // AE left-pointing double angle quotation mark
    0xBB,  // AF right-pointing double angle quotation mark
    0x23,  // B0 light shade -> '#' (block)
    0x23,  // B1 medium shade -> '#' (block)
    0x23,  // B2 dark shade -> '#' (block)
    0x7C,  // B3 box drawings light vertical -> '|' (box)
    0x2B,  // B4 box drawings light vertical and left -> '+' (box)
    0x2B,  // B5 box drawings vertical single and left double -> '+' (box)
    0x2B,  // B6 box drawings vertical double and left single -> '+' (box)
    0x2B,  // B7 box drawings down double and left single -> '+' (box)
    0x2B,  // B8 box drawings down single and left double -> '+' (box)
    0x2B,  // B9 box drawings double vertical and left -> '+' (box)
    0x7C,  // BA box drawings double vertical -> '|' (box)
    0x2B,  // BB box drawings double down and left -> '+' (box)
    0x2B,  // BC box drawings double up and left -> '+' (box)
    0x2B,  // BD box drawings up double and left single -> '+' (box)
    0x2B,  // BE box drawings up single and left double -> '+' (box)
    0x2B,  // BF box drawings light down and left -> '+' (box)
    0x2B,  // C0 box drawings light up and right -> '+' (box)
    0x2B,  // C1 box drawings light up and horizontal -> '+' (box)
    0x2B,  // C2 box drawings light down and horizontal -> '+' (box)
    0x2B,  // C3 box drawings light vertical and right -> '+' (box)
    0x2D,  // C4 box drawings light horizontal -> '-' (box)
    0x2B,  // C5 box drawings light vertical and horizontal -> '+' (box)
    0x2B,  // C6 box drawings vertical single and right double -> '+' (box)
    0x2B,  // C7 box drawings vertical double and right single -> '+' (box)
    0x2B,  // C8 box drawings double up and right -> '+' (box)
    0x2B,  // C9 box drawings double down and right -> '+' (box)
    0x2B,  // CA box drawings double up and horizontal -> '+' (box)
    0x2B,  // CB box drawings double down and horizontal -> '+' (box)
    0x2B,  // CC box drawings double vertical and right -> '+' (box)
    0x2D,  // CD box drawings double horizontal -> '-' (box)
    0x2B,  // CE box drawings double vertical and horizontal -> '+' (box)
    0x2B,  // CF box drawings up single and horizontal double -> '+' (box)
    0x2B,  // D0 box drawings up double and horizontal single -> '+' (box)
    0x2B,  // D1 box drawings down single and horizontal double -> '+' (box)
    0x2B,  // D2 box drawings down double and horizontal single -> '+' (box)
    0x2B,  // D3 box drawings up double and right single -> '+' (box)
    0x2B,  // D4 box drawings up single and right double -> '+' (box)
    0x2B,  // D5 box drawings down single and right double -> '+' (box)
    0x2B,  // D6 box drawings down double and right single -> '+' (box)
    0x2B,  // D7 box drawings vertical double and horizontal single -> '+' (box)
    0x2B,  // D8 box drawings vertical single and horizontal double -> '+' (box)
    0x2B,  // D9 box drawings light up and left -> '+' (box)
    0x2B,  // DA box drawings light down and right -> '+' (box)
    0x23,  // DB full block -> '#' (block)
    0x23,  // DC lower half block -> '#' (block)
    0x23,  // DD left half block -> '#' (block)
    0x23,  // DE right half block -> '#' (block)
    0x23,  // DF upper half block -> '#' (block)
    0x61,  // E0 greek small letter alpha -> 'a' (manual)
    0xDF,  // E1 latin small letter sharp s
    0x47,  // E2 greek capital letter gamma -> 'G' (manual)
    0x70,  // E3 greek small letter pi -> 'p' (manual)
    0x53,  // E4 greek capital letter sigma -> 'S' (manual)
    0x73,  // E5 greek small letter sigma -> 's' (manual)
    0xB5,  // E6 micro sign
    0x74,  // E7 greek small letter tau -> 't' (manual)
    0x46,  // E8 greek capital letter phi -> 'F' (manual)
    0x54,  // E9 greek capital letter theta -> 'T' (manual)
    0x4F,  // EA greek capital letter omega -> 'O' (manual)
    0x64,  // EB greek small letter delta -> 'd' (manual)
    0x38,  // EC infinity -> '8' (manual)
    0x66,  // ED greek small letter phi -> 'f' (manual)
    0x65,  // EE greek small letter epsilon -> 'e' (manual)
    0x6E,  // EF intersection -> 'n' (manual)
    0x3D,  // F0 identical to -> '=' (manual)
    0xB1,  // F1 plus-minus sign
    0x3E,  // F2 greater-than or equal to -> '>' (manual)
    0x3C,  // F3 less-than or equal to -> '<' (manual)
    0x3F,  // F4 top half integral -> '?' (manual)
    0x3F,  // F5 bottom half integral -> '?' (manual)
    0xF7,  // F6 division sign
    0x7E,  // F7 almost equal to -> '~' (manual)
    0xB0,  // F8 degree sign
    0xB7,  // F9 bullet operator -> middle dot (manual)
    0xB7,  // FA middle dot
    0x76,  // FB square root -> 'v' (manual)
    0x6E,  // FC superscript latin small letter n -> 'n' (strip)
    0xB2,  // FD superscript two
    0x23,  // FE black square -> '#' (manual)
    0xA0,  // FF no-break space
};

// 1252 -> 437. Row = source byte: target byte, source character.
const uint8_t kAnsiToOem437[256] = {
    // 0x00-0x7F: control bytes and ASCII map to themselves
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    0x45,  // 80 euro sign -> 'E' (manual)
    0x3F,  // 81 U+0081 -> '?' (undefined)
    0x2C,  // 82 single low-9 quotation mark -> ',' (manual)
    0x9F,  // 83 latin small letter f with hook
    0x22,  // 84 double low-9 quotation mark -> '"' (manual)
    0x2E,  // 85 horizontal ellipsis -> '.' (manual)
    0x2B,  // 86 dagger -> '+' (manual)
    0x2B,  // 87 double dagger -> '+' (manual)
    0x5E,  // 88 modifier letter circumflex accent -> '^' (manual)
    0x25,  // 89 per mille sign -> '%' (manual)
    0x53,  // 8A latin capital letter s with caron -> 'S' (strip)
    0x3C,  // 8B single left-pointing angle quotation mark -> '<' (manual)
    0x4F,  // 8C latin capital ligature oe -> 'O' (manual)
    0x3F,  // 8D U+008D -> '?' (undefined)
    0x5A,  // 8E latin capital letter z with caron -> 'Z' (strip)
    0x3F,  // 8F U+008F -> '?' (undefined)
    0x3F,  // 90 U+0090 -> '?' (undefined)
    0x27,  // 91 left single quotation mark -> "'" (manual)
    0x27,  // 92 right single quotation mark -> "'" (manual)
    0x22,  // 93 left double quotation mark -> '"' (manual)
    0x22,  // 94 right double quotation mark -> '"' (manual)
    0xF9,  // 95 bullet -> bullet operator (manual)
    0x2D,  // 96 en dash -> '-' (manual)
    0x2D,  // 97 em dash -> '-' (manual)
    0x7E,  // 98 small tilde -> '~' (manual)
    0x54,  // 99 trade mark sign -> 'T' (manual)
    0x73,  // 9A latin small letter s with caron -> 's' (strip)
    0x3E,  // 9B single right-pointing angle quotation mark -> '>' (manual)
    0x6F,  // 9C latin small ligature oe -> 'o' (manual)
    0x3F,  // 9D U+009D -> '?' (undefined)
    0x7A,  // 9E latin small letter z with caron -> 'z' (strip)
    0x59,  // 9F latin capital letter y with diaeresis -> 'Y' (strip)
    0xFF,  // A0 no-break space
    0xAD,  // A1 inverted exclamation mark
    0x9B,  // A2 cent sign
    0x9C,  // A3 pound sign
    0x3F,  // A4 currency sign -> '?' (manual)
    0x9D,  // A5 yen sign
    0x7C,  // A6 broken bar -> '|' (manual)
    0x3F,  // A7 section sign -> '?' (manual)
    0x22,  // A8 diaeresis -> '"' (manual)
    0x63,  // A9 copyright sign -> 'c' (manual)
    0xA6,  // AA feminine ordinal indicator
    0xAE,  // AB left-pointing double angle quotation mark
    0xAA,  // AC not sign
    0x2D,  // AD soft hyphen -> '-' (manual)
    0x52,  // AE registered sign -> 'R' (manual)
    0x2D,  // AF macron -> '-' (manual)
    0xF8,  // B0 degree sign
    0xF1,  // B1 plus-minus sign
    0xFD,  // B2 superscript two
    0x33,  // B3 superscript three -> '3' (manual)
    0x27,  // B4 acute accent -> "'" (manual)
    0xE6,  // B5 micro sign
    0x3F,  // B6 pilcrow sign -> '?' (manual)
    0xFA,  // B7 middle dot
    0x2C,  // B8 cedilla -> ',' (manual)
    0x31,  // B9 superscript one -> '1' (manual)
    0xA7,  // BA masculine ordinal indicator
    0xAF,  // BB right-pointing double angle quotation mark
    0xAC,  // BC vulgar fraction one quarter
    0xAB,  // BD vulgar fraction one half
    0x3F,  // BE vulgar fraction three quarters -> '?' (manual)
    0xA8,  // BF inverted question mark
    0x41,  // C0 latin capital letter a with grave -> 'A' (strip)
    0x41,  // C1 latin capital letter a with acute -> 'A' (strip)
    0x41,  // C2 latin capital letter a with circumflex -> 'A' (strip)
    0x41,  // C3 latin capital letter a with tilde -> 'A' (strip)
    0x8E,  // C4 latin capital letter a with diaeresis
    0x8F,  // C5 latin capital letter a with ring above
    0x92,  // C6 latin capital letter ae
    0x80,  // C7 latin capital letter c with cedilla
    0x45,  // C8 latin capital letter e with grave -> 'E' (strip)
    0x90,  // C9 latin capital letter e with acute
    0x45,  // CA latin capital letter e with circumflex -> 'E' (strip)
    0x45,  // CB latin capital letter e with diaeresis -> 'E' (strip)
    0x49,  // CC latin capital letter i with grave -> 'I' (strip)
    0x49,  // CD latin capital letter i with acute -> 'I' (strip)
    0x49,  // CE latin capital letter i with circumflex -> 'I' (strip)
    0x49,  // CF latin capital letter i with diaeresis -> 'I' (strip)
    0x44,  // D0 latin capital letter eth -> 'D' (manual)
    0xA5,  // D1 latin capital letter n with tilde
    0x4F,  // D2 latin capital letter o with grave -> 'O' (strip)
    0x4F,  // D3 latin capital letter o with acute -> 'O' (strip)
    0x4F,  // D4 latin capital letter o with circumflex -> 'O' (strip)
    0x4F,  // D5 latin capital letter o with tilde -> 'O' (strip)
    0x99,  // D6 latin capital letter o with diaeresis
    0x78,  // D7 multiplication sign -> 'x' (manual)
    0x4F,  // D8 latin capital letter o with stroke -> 'O' (manual)
    0x55,  // D9 latin capital letter u with grave -> 'U' (strip)
    0x55,  // DA latin capital letter u with acute -> 'U' (strip)
    0x55,  // DB latin capital letter u with circumflex -> 'U' (strip)
    0x9A,  // DC latin capital letter u with diaeresis
    0x59,  // DD latin capital letter y with acute -> 'Y' (strip)
    0x3F,  // DE latin capital letter thorn -> '?' (manual)
    0xE1,  // DF latin small letter sharp s
    0x85,  // E0 latin small letter a with grave
    0xA0,  // E1 latin small letter a with acute
    0x83,  // E2 latin small letter a with circumflex
    0x61,  // E3 latin small letter a with tilde -> 'a' (strip)
    0x84,  // E4 latin small letter a with diaeresis
    0x86,  // E5 latin small letter a with ring above
    0x91,  // E6 latin small letter ae
    0x87,  // E7 latin small letter c with cedilla
    0x8A,  // E8 latin small letter e with grave
    0x82,  // E9 latin small letter e with acute
    0x88,  // EA latin small letter e with circumflex
    0x89,  // EB latin small letter e with diaeresis
    0x8D,  // EC latin small letter i with grave
    0xA1,  // ED latin small letter i with acute
    0x8C,  // EE latin small letter i with circumflex
    0x8B,  // EF latin small letter i with diaeresis
    0x64,  // F0 latin small letter eth -> 'd' (manual)
    0xA4,  // F1 latin small letter n with tilde
    0x95,  // F2 latin small letter o with grave
    0xA2,  // F3 latin small letter o with acute
    0x93,  // F4 latin small letter o with circumflex
    0x6F,  // F5 latin small letter o with tilde -> 'o' (strip)
    0x94,  // F6 latin small letter o with diaeresis
    0xF6,  // F7 division sign
    0x6F,  // F8 latin small letter o with stroke -> 'o' (manual)
    0x97,  // F9 latin small letter u with grave
    0xA3,  // FA latin small letter u with acute
    0x96,  // FB latin small letter u with circumflex
    0x81,  // FC latin small letter u with diaeresis
    0x79,  // FD latin small letter y with acute -> 'y' (strip)
    0x3F,  // FE latin small letter thorn -> '?' (manual)
    0x98,  // FF latin small letter y with diaeresis
};

// 850 -> 1252. Row = source byte: target byte, source character.
const uint8_t kOem850ToAnsi[256] = {
    // 0x00-0x7F: control bytes and ASCII map to themselves
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    0xC7,  // 80 latin capital letter c with cedilla
    0xFC,  // 81 latin small letter u with diaeresis
    0xE9,  // 82 latin small letter e with acute
    0xE2,  // 83 latin small letter a with circumflex
    0xE4,  // 84 latin small letter a with diaeresis
    0xE0,  // 85 latin small letter a with grave
    0xE5,  // 86 latin small letter a with ring above
    0xE7,  // 87 latin small letter c with cedilla
    0xEA,  // 88 latin small letter e with circumflex
    0xEB,  // 89 latin small letter e with diaeresis
    0xE8,  // 8A latin small letter e with grave
    0xEF,  // 8B latin small letter i with diaeresis
    0xEE,  // 8C latin small letter i with circumflex
    0xEC,  // 8D latin small letter i with grave
    0xC4,  // 8E latin capital letter a with diaeresis
    0xC5,  // 8F latin capital letter a with ring above
    0xC9,  // 90 latin capital letter e with acute
    0xE6,  // 91 latin small letter ae
    0xC6,  // 92 latin capital letter ae
    0xF4,  // 93 latin small letter o with circumflex
    0xF6,  // 94 latin small letter o with diaeresis
    0xF2,  // 95 latin small letter o with grave
    0xFB,  // 96 latin small letter u with circumflex
    0xF9,  // 97 latin small letter u with grave
    0xFF,  // 98 latin small letter y with diaeresis
    0xD6,  // 99 latin capital letter o with diaeresis
    0xDC,  // 9A latin capital letter u with diaeresis
    0xF8,  // 9B latin small letter o with stroke
    0xA3,  // 9C pound sign
    0xD8,  // 9D latin capital letter o with stroke
    0xD7,  // 9E multiplication sign
    0x83,  // 9F latin small letter f with hook
    0xE1,  // A0 latin small letter a with acute
    0xED,  // A1 latin small letter i with acute
    0xF3,  // A2 latin small letter o with acute
    0xFA,  // A3 latin small letter u with acute
    0xF1,  // A4 latin small letter n with tilde
    0xD1,  // A5 latin capital letter n with tilde
    0xAA,  // A6 feminine ordinal indicator
    0xBA,  // A7 masculine ordinal indicator
    0xBF,  // A8 inverted question mark
    0xAE,  // A9 registered sign
    0xAC,  // AA not sign
    0xBD,  // AB vulgar fraction one half
    0xBC,  // AC vulgar fraction one quarter
    0xA1,  // AD inverted exclamation mark
    0xAB,  // AE left-pointing double angle quotation mark
    0xBB,  // AF right-pointing double angle quotation mark
    0x23,  // B0 light shade -> '#' (block)
    0x23,  // B1 medium shade -> '#' (block)
    0x23,  // B2 dark shade -> '#' (block)
    0x7C,  // B3 box drawings light vertical -> '|' (box)
    0x2B,  // B4 box drawings light vertical and left -> '+' (box)
    0xC1,  // B5 latin capital letter a with acute
    0xC2,  // B6 latin capital letter a with circumflex
    0xC0,  // B7 latin capital letter a with grave
    0xA9,  // B8 copyright sign
    0x2B,  // B9 box drawings double vertical and left -> '+' (box)
    0x7C,  // BA box drawings double vertical -> '|' (box)
    0x2B,  // BB box drawings double down and left -> '+' (box)
    0x2B,  // BC box drawings double up and left -> '+' (box)
    0xA2,  // BD cent sign
    0xA5,  // BE yen sign
    0x2B,  // BF box drawings light down and left -> '+' (box)
    0x2B,  // C0 box drawings light up and right -> '+' (box)
    0x2B,  // C1 box drawings light up and horizontal -> '+' (box)
    0x2B,  // C2 box drawings light down and horizontal -> '+' (box)
    0x2B,  // C3 box drawings light vertical and right -> '+' (box)
    0x2D,  // C4 box drawings light horizontal -> '-' (box)
    0x2B,  // C5 box drawings light vertical and horizontal -> '+' (box)
    0xE3,  // C6 latin small letter a with tilde
    0xC3,  // C7 latin capital letter a with tilde
    0x2B,  // C8 box drawings double up and right -> '+' (box)
    0x2B,  // C9 box drawings double down and right -> '+' (box)
    0x2B,  // CA box drawings double up and horizontal -> '+' (box)
    0x2B,  // CB box drawings double down and horizontal -> '+' (box)
    0x2B,  // CC box drawings double vertical and right -> '+' (box)
    0x2D,  // CD box drawings double horizontal -> '-' (box)
    0x2B,  // CE box drawings double vertical and horizontal -> '+' (box)
    0xA4,  // CF currency sign
    0xF0,  // D0 latin small letter eth
    0xD0,  // D1 latin capital letter eth
    0xCA,  // D2 latin capital letter e with circumflex
    0xCB,  // D3 latin capital letter e with diaeresis
    0xC8,  // D4 latin capital letter e with grave
    0x69,  // D5 latin small letter dotless i -> 'i' (manual)
    0xCD,  // D6 latin capital letter i with acute
    0xCE,  // D7 latin capital letter i with circumflex
    0xCF,  // D8 latin capital letter i with diaeresis
    0x2B,  // D9 box drawings light up and left -> '+' (box)
    0x2B,  // DA box drawings light down and right -> '+' (box)
    0x23,  // DB full block -> '#' (block)
    0x23,  // DC lower half block -> '#' (block)
    0xA6,  // DD broken bar
    0xCC,  // DE latin capital letter i with grave
    0x23,  // DF upper half block -> '#' (block)
    0xD3,  // E0 latin capital letter o with acute
    0xDF,  // E1 latin small letter sharp s
    0xD4,  // E2 latin capital letter o with circumflex
    0xD2,  // E3 latin capital letter o with grave
    0xF5,  // E4 latin small letter o with tilde
    0xD5,  // E5 latin capital letter o with tilde
    0xB5,  // E6 micro sign
    0xFE,  // E7 latin small letter thorn
    0xDE,  // E8 latin capital letter thorn
    0xDA,  // E9 latin capital letter u with acute
    0xDB,  // EA latin capital letter u with circumflex
    0xD9,  // EB latin capital letter u with grave
    0xFD,  // EC latin small letter y with acute
    0xDD,  // ED latin capital letter y with acute
    0xAF,  // EE macron
    0xB4,  // EF acute accent
    0xAD,  // F0 soft hyphen
    0xB1,  // F1 plus-minus sign
    0x5F,  // F2 double low line -> '_' (manual)
    0xBE,  // F3 vulgar fraction three quarters
    0xB6,  // F4 pilcrow sign
    0xA7,  // F5 section sign
    0xF7,  // F6 division sign
    0xB8,  // F7 cedilla
    0xB0,  // F8 degree sign
    0xA8,  // F9 diaeresis
    0xB7,  // FA middle dot
    0xB9,  // FB superscript one
    0xB3,  // FC superscript three
    0xB2,  // FD superscript two
    0x23,  // FE black square -> '#' (manual)
    0xA0,  // FF no-break space
};

// 1252 -> 850. Row = source byte: target byte, source character.
const uint8_t kAnsiToOem850[256] = {
    // 0x00-0x7F: control bytes and ASCII map to themselves
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    0x45,  // 80 euro sign -> 'E' (manual)
    0x3F,  // 81 U+0081 -> '?' (undefined)
    0x2C,  // 82 single low-9 quotation mark -> ',' (manual)
    0x9F,  // 83 latin small letter f with hook
    0x22,  // 84 double low-9 quotation mark -> '"' (manual)
    0x2E,  // 85 horizontal ellipsis -> '.' (manual)
    0x2B,  // 86 dagger -> '+' (manual)
    0x2B,  // 87 double dagger -> '+' (manual)
    0x5E,  // 88 modifier letter circumflex accent -> '^' (manual)
    0x25,  // 89 per mille sign -> '%' (manual)
    0x53,  // 8A latin capital letter s with caron -> 'S' (strip)
    0x3C,  // 8B single left-pointing angle quotation mark -> '<' (manual)
    0x4F,  // 8C latin capital ligature oe -> 'O' (manual)
    0x3F,  // 8D U+008D -> '?' (undefined)
    0x5A,  // 8E latin capital letter z with caron -> 'Z' (strip)
    0x3F,  // 8F U+008F -> '?' (undefined)
    0x3F,  // 90 U+0090 -> '?' (undefined)
    0x27,  // 91 left single quotation mark -> "'" (manual)
    0x27,  // 92 right single quotation mark -> "'" (manual)
    0x22,  // 93 left double quotation mark -> '"' (manual)
    0x22,  // 94 right double quotation mark -> '"' (manual)
    0xFA,  // 95 bullet -> middle dot (manual)
    0x2D,  // 96 en dash -> '-' (manual)
    0x2D,  // 97 em dash -> '-' (manual)
    0x7E,  // 98 small tilde -> '~' (manual)
    0x54,  // 99 trade mark sign -> 'T' (manual)
    0x73,  // 9A latin small letter s with caron -> 's' (strip)
    0x3E,  // 9B single right-pointing angle quotation mark -> '>' (manual)
    0x6F,  // 9C latin small ligature oe -> 'o' (manual)
    0x3F,  // 9D U+009D -> '?' (undefined)
    0x7A,  // 9E latin small letter z with caron -> 'z' (strip)
    0x59,  // 9F latin capital letter y with diaeresis -> 'Y' (strip)
    0xFF,  // A0 no-break space
    0xAD,  // A1 inverted exclamation mark
    0xBD,  // A2 cent sign
    0x9C,  // A3 pound sign
    0xCF,  // A4 currency sign
    0xBE,  // A5 yen sign
    0xDD,  // A6 broken bar
    0xF5,  // A7 section sign
    0xF9,  // A8 diaeresis
    0xB8,  // A9 copyright sign
    0xA6,  // AA feminine ordinal indicator
    0xAE,  // AB left-pointing double angle quotation mark
    0xAA,  // AC not sign
    0xF0,  // AD soft hyphen
    0xA9,  // AE registered sign
    0xEE,  // AF macron
    0xF8,  // B0 degree sign
    0xF1,  // B1 plus-minus sign
    0xFD,  // B2 superscript two
    0xFC,  // B3 superscript three
    0xEF,  // B4 acute accent
    0xE6,  // B5 micro sign
    0xF4,  // B6 pilcrow sign
    0xFA,  // B7 middle dot
    0xF7,  // B8 cedilla
    0xFB,  // B9 superscript one
    0xA7,  // BA masculine ordinal indicator
    0xAF,  // BB right-pointing double angle quotation mark
    0xAC,  // BC vulgar fraction one quarter
    0xAB,  // BD vulgar fraction one half
    0xF3,  // BE vulgar fraction three quarters
    0xA8,  // BF inverted question mark
    0xB7,  // C0 latin capital letter a with grave
    0xB5,  // C1 latin capital letter a with acute
    0xB6,  // C2 latin capital letter a with circumflex
    0xC7,  // C3 latin capital letter a with tilde
    0x8E,  // C4 latin capital letter a with diaeresis
    0x8F,  // C5 latin capital letter a with ring above
    0x92,  // C6 latin capital letter ae
    0x80,  // C7 latin capital letter c with cedilla
    0xD4,  // C8 latin capital letter e with grave
    0x90,  // C9 latin capital letter e with acute
    0xD2,  // CA latin capital letter e with circumflex
    0xD3,  // CB latin capital letter e with diaeresis
    0xDE,  // CC latin capital letter i with grave
    0xD6,  // CD latin capital letter i with acute
    0xD7,  // CE latin capital letter i with circumflex
    0xD8,  // CF latin capital letter i with diaeresis
    0xD1,  // D0 latin capital letter eth
    0xA5,  // D1 latin capital letter n with tilde
    0xE3,  // D2 latin capital letter o with grave
    0xE0,  // D3 latin capital letter o with acute
    0xE2,  // D4 latin capital letter o with circumflex
    0xE5,  // D5 latin capital letter o with tilde
    0x99,  // D6 latin capital letter o with diaeresis
    0x9E,  // D7 multiplication sign
    0x9D,  // D8 latin capital letter o with stroke
    0xEB,  // D9 latin capital letter u with grave
    0xE9,  // DA latin capital letter u with acute
    0xEA,  // DB latin capital letter u with circumflex
    0x9A,  // DC latin capital letter u with diaeresis
    0xED,  // DD latin capital letter y with acute
    0xE8,  // DE latin capital letter thorn
    0xE1,  // DF latin small letter sharp s
    0x85,  // E0 latin small letter a with grave
    0xA0,  // E1 latin small letter a with acute
    0x83,  // E2 latin small letter a with circumflex
    0xC6,  // E3 latin small letter a with tilde
    0x84,  // E4 latin small letter a with diaeresis
    0x86,  // E5 latin small letter a with ring above
    0x91,  // E6 latin small letter ae
    0x87,  // E7 latin small letter c with cedilla
    0x8A,  // E8 latin small letter e with grave
    0x82,  // E9 latin small letter e with acute
    0x88,  // EA latin small letter e with circumflex
    0x89,  // EB latin small letter e with diaeresis
    0x8D,  // EC latin small letter i with grave
    0xA1,  // ED latin small letter i with acute
    0x8C,  // EE latin small letter i with circumflex
    0x8B,  // EF latin small letter i with diaeresis
    0xD0,  // F0 latin small letter eth
    0xA4,  // F1 latin small letter n with tilde
    0x95,  // F2 latin small letter o with grave
    0xA2,  // F3 latin small letter o with acute
    0x93,  // F4 latin small letter o with circumflex
    0xE4,  // F5 latin small letter o with tilde
    0x94,  // F6 latin small letter o with diaeresis
    0xF6,  // F7 division sign
    0x9B,  // F8 latin small letter o with stroke
    0x97,  // F9 latin small letter u with grave
    0xA3,  // FA latin small letter u with acute
    0x96,  // FB latin small letter u with circumflex
    0x81,  // FC latin small letter u with diaeresis
    0xEC,  // FD latin small letter y with acute
    0xE7,  // FE latin small letter thorn
    0x98,  // FF latin small letter y with diaeresis
};

// Code page 437: byte -> Unicode code point (lossless).
const uint16_t kUnicode437[256] = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007,  // 00
    0x0008, 0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F,  // 08
    0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017,  // 10
    0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F,  // 18
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,  // 20
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,  // 28
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,  // 30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,  // 38
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,  // 40
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,  // 48
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,  // 50
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,  // 58
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,  // 60
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,  // 68
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,  // 70
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F,  // 78
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // E8
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// Code page 850: byte -> Unicode code point (lossless).
const uint16_t kUnicode850[256] = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007,  // 00
    0x0008, 0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F,  // 08
    0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017,  // 10
    0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F,  // 18
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,  // 20
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,  // 28
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,  // 30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,  // 38
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,  // 40
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,  // 48
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,  // 50
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,  // 58
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,  // 60
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,  // 68
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,  // 70
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F,  // 78
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,  // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// Code page 1252: byte -> Unicode code point (lossless).
const uint16_t kUnicode1252[256] = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007,  // 00
    0x0008, 0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F,  // 08
    0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017,  // 10
    0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F,  // 18
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,  // 20
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,  // 28
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,  // 30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,  // 38
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,  // 40
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,  // 48
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,  // 50
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,  // 58
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,  // 60
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,  // 68
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,  // 70
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F,  // 78
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,  // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,  // B8
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,  // C0
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,  // C8
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,  // D0
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,  // D8
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,  // E0
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,  // E8
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,  // F0
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,  // F8
};

// Collation of CP1252: {first element}, {second element of an expansion}; each {primary, secondary, tertiary}.
// Primary weights: 144 groups.
const CollationEntry kCollation1252[256] = {
    {{1, 0, 0}, {0, 0, 0}},  // 00 control 00
    {{2, 0, 0}, {0, 0, 0}},  // 01 control 01
    {{3, 0, 0}, {0, 0, 0}},  // 02 control 02
    {{4, 0, 0}, {0, 0, 0}},  // 03 control 03
    {{5, 0, 0}, {0, 0, 0}},  // 04 control 04
    {{6, 0, 0}, {0, 0, 0}},  // 05 control 05
    {{7, 0, 0}, {0, 0, 0}},  // 06 control 06
    {{8, 0, 0}, {0, 0, 0}},  // 07 control 07
    {{9, 0, 0}, {0, 0, 0}},  // 08 control 08
    {{10, 0, 0}, {0, 0, 0}},  // 09 control 09
    {{11, 0, 0}, {0, 0, 0}},  // 0A control 0A
    {{12, 0, 0}, {0, 0, 0}},  // 0B control 0B
    {{13, 0, 0}, {0, 0, 0}},  // 0C control 0C
    {{14, 0, 0}, {0, 0, 0}},  // 0D control 0D
    {{15, 0, 0}, {0, 0, 0}},  // 0E control 0E
    {{16, 0, 0}, {0, 0, 0}},  // 0F control 0F
    {{17, 0, 0}, {0, 0, 0}},  // 10 control 10
    {{18, 0, 0}, {0, 0, 0}},  // 11 control 11
    {{19, 0, 0}, {0, 0, 0}},  // 12 control 12
    {{20, 0, 0}, {0, 0, 0}},  // 13 control 13
    {{21, 0, 0}, {0, 0, 0}},  // 14 control 14
    {{22, 0, 0}, {0, 0, 0}},  // 15 control 15
    {{23, 0, 0}, {0, 0, 0}},  // 16 control 16
    {{24, 0, 0}, {0, 0, 0}},  // 17 control 17
    {{25, 0, 0}, {0, 0, 0}},  // 18 control 18
    {{26, 0, 0}, {0, 0, 0}},  // 19 control 19
    {{27, 0, 0}, {0, 0, 0}},  // 1A control 1A
    {{28, 0, 0}, {0, 0, 0}},  // 1B control 1B
    {{29, 0, 0}, {0, 0, 0}},  // 1C control 1C
    {{30, 0, 0}, {0, 0, 0}},  // 1D control 1D
    {{31, 0, 0}, {0, 0, 0}},  // 1E control 1E
    {{32, 0, 0}, {0, 0, 0}},  // 1F control 1F
    {{39, 0, 0}, {0, 0, 0}},  // 20 space
    {{45, 0, 0}, {0, 0, 0}},  // 21 exclamation mark
    {{52, 0, 0}, {0, 0, 0}},  // 22 quotation mark
    {{70, 0, 0}, {0, 0, 0}},  // 23 number sign
    {{100, 0, 0}, {0, 0, 0}},  // 24 dollar sign
    {{71, 0, 0}, {0, 0, 0}},  // 25 percent sign
    {{69, 0, 0}, {0, 0, 0}},  // 26 ampersand
    {{51, 0, 0}, {0, 0, 0}},  // 27 apostrophe
    {{57, 0, 0}, {0, 0, 0}},  // 28 left parenthesis
    {{58, 0, 0}, {0, 0, 0}},  // 29 right parenthesis
    {{66, 0, 0}, {0, 0, 0}},  // 2A asterisk
    {{88, 0, 0}, {0, 0, 0}},  // 2B plus sign
    {{42, 0, 0}, {0, 0, 0}},  // 2C comma
    {{41, 0, 0}, {0, 0, 0}},  // 2D hyphen-minus
    {{49, 0, 0}, {0, 0, 0}},  // 2E full stop
    {{67, 0, 0}, {0, 0, 0}},  // 2F solidus
    {{107, 0, 0}, {0, 0, 0}},  // 30 digit zero
    {{108, 0, 0}, {0, 0, 0}},  // 31 digit one
    {{109, 0, 0}, {0, 0, 0}},  // 32 digit two
    {{110, 0, 0}, {0, 0, 0}},  // 33 digit three
    {{111, 0, 0}, {0, 0, 0}},  // 34 digit four
    {{112, 0, 0}, {0, 0, 0}},  // 35 digit five
    {{113, 0, 0}, {0, 0, 0}},  // 36 digit six
    {{114, 0, 0}, {0, 0, 0}},  // 37 digit seven
    {{115, 0, 0}, {0, 0, 0}},  // 38 digit eight
    {{116, 0, 0}, {0, 0, 0}},  // 39 digit nine
    {{44, 0, 0}, {0, 0, 0}},  // 3A colon
    {{43, 0, 0}, {0, 0, 0}},  // 3B semicolon
    {{92, 0, 0}, {0, 0, 0}},  // 3C less-than sign
    {{93, 0, 0}, {0, 0, 0}},  // 3D equals sign
    {{94, 0, 0}, {0, 0, 0}},  // 3E greater-than sign
    {{47, 0, 0}, {0, 0, 0}},  // 3F question mark
    {{65, 0, 0}, {0, 0, 0}},  // 40 commercial at
    {{117, 0, 1}, {0, 0, 0}},  // 41 latin capital letter a
    {{118, 0, 1}, {0, 0, 0}},  // 42 latin capital letter b
    {{119, 0, 1}, {0, 0, 0}},  // 43 latin capital letter c
    {{120, 0, 1}, {0, 0, 0}},  // 44 latin capital letter d
    {{121, 0, 1}, {0, 0, 0}},  // 45 latin capital letter e
    {{122, 0, 1}, {0, 0, 0}},  // 46 latin capital letter f
    {{123, 0, 1}, {0, 0, 0}},  // 47 latin capital letter g
    {{124, 0, 1}, {0, 0, 0}},  // 48 latin capital letter h
    {{125, 0, 1}, {0, 0, 0}},  // 49 latin capital letter i
    {{126, 0, 1}, {0, 0, 0}},  // 4A latin capital letter j
    {{127, 0, 1}, {0, 0, 0}},  // 4B latin capital letter k
    {{128, 0, 1}, {0, 0, 0}},  // 4C latin capital letter l
    {{129, 0, 1}, {0, 0, 0}},  // 4D latin capital letter m
    {{130, 0, 1}, {0, 0, 0}},  // 4E latin capital letter n
    {{131, 0, 1}, {0, 0, 0}},  // 4F latin capital letter o
    {{132, 0, 1}, {0, 0, 0}},  // 50 latin capital letter p
    {{133, 0, 1}, {0, 0, 0}},  // 51 latin capital letter q
    {{134, 0, 1}, {0, 0, 0}},  // 52 latin capital letter r
    {{135, 0, 1}, {0, 0, 0}},  // 53 latin capital letter s
    {{136, 0, 1}, {0, 0, 0}},  // 54 latin capital letter t
    {{137, 0, 1}, {0, 0, 0}},  // 55 latin capital letter u
    {{138, 0, 1}, {0, 0, 0}},  // 56 latin capital letter v
    {{139, 0, 1}, {0, 0, 0}},  // 57 latin capital letter w
    {{140, 0, 1}, {0, 0, 0}},  // 58 latin capital letter x
    {{141, 0, 1}, {0, 0, 0}},  // 59 latin capital letter y
    {{142, 0, 1}, {0, 0, 0}},  // 5A latin capital letter z
    {{59, 0, 0}, {0, 0, 0}},  // 5B left square bracket
    {{68, 0, 0}, {0, 0, 0}},  // 5C reverse solidus
    {{60, 0, 0}, {0, 0, 0}},  // 5D right square bracket
    {{79, 0, 0}, {0, 0, 0}},  // 5E circumflex accent
    {{40, 0, 0}, {0, 0, 0}},  // 5F low line
    {{77, 0, 0}, {0, 0, 0}},  // 60 grave accent
    {{117, 0, 0}, {0, 0, 0}},  // 61 latin small letter a
    {{118, 0, 0}, {0, 0, 0}},  // 62 latin small letter b
    {{119, 0, 0}, {0, 0, 0}},  // 63 latin small letter c
    {{120, 0, 0}, {0, 0, 0}},  // 64 latin small letter d
    {{121, 0, 0}, {0, 0, 0}},  // 65 latin small letter e
    {{122, 0, 0}, {0, 0, 0}},  // 66 latin small letter f
    {{123, 0, 0}, {0, 0, 0}},  // 67 latin small letter g
    {{124, 0, 0}, {0, 0, 0}},  // 68 latin small letter h
    {{125, 0, 0}, {0, 0, 0}},  // 69 latin small letter i
    {{126, 0, 0}, {0, 0, 0}},  // 6A latin small letter j
    {{127, 0, 0}, {0, 0, 0}},  // 6B latin small letter k
    {{128, 0, 0}, {0, 0, 0}},  // 6C latin small letter l
    {{129, 0, 0}, {0, 0, 0}},  // 6D latin small letter m
    {{130, 0, 0}, {0, 0, 0}},  // 6E latin small letter n
    {{131, 0, 0}, {0, 0, 0}},  // 6F latin small letter o
    {{132, 0, 0}, {0, 0, 0}},  // 70 latin small letter p
    {{133, 0, 0}, {0, 0, 0}},  // 71 latin small letter q
    {{134, 0, 0}, {0, 0, 0}},  // 72 latin small letter r
    {{135, 0, 0}, {0, 0, 0}},  // 73 latin small letter s
    {{136, 0, 0}, {0, 0, 0}},  // 74 latin small letter t
    {{137, 0, 0}, {0, 0, 0}},  // 75 latin small letter u
    {{138, 0, 0}, {0, 0, 0}},  // 76 latin small letter v
    {{139, 0, 0}, {0, 0, 0}},  // 77 latin small letter w
    {{140, 0, 0}, {0, 0, 0}},  // 78 latin small letter x
    {{141, 0, 0}, {0, 0, 0}},  // 79 latin small letter y
    {{142, 0, 0}, {0, 0, 0}},  // 7A latin small letter z
    {{61, 0, 0}, {0, 0, 0}},  // 7B left curly bracket
    {{96, 0, 0}, {0, 0, 0}},  // 7C vertical line
    {{62, 0, 0}, {0, 0, 0}},  // 7D right curly bracket
    {{81, 0, 0}, {0, 0, 0}},  // 7E tilde
    {{33, 0, 0}, {0, 0, 0}},  // 7F control 7F
    {{103, 0, 0}, {0, 0, 0}},  // 80 euro sign
    {{34, 0, 0}, {0, 0, 0}},  // 81 control 81
    {{51, 16, 0}, {0, 0, 0}},  // 82 single low-9 quotation mark
    {{122, 11, 0}, {0, 0, 0}},  // 83 latin small letter f with hook
    {{52, 16, 0}, {0, 0, 0}},  // 84 double low-9 quotation mark
    {{50, 0, 0}, {0, 0, 0}},  // 85 horizontal ellipsis
    {{73, 0, 0}, {0, 0, 0}},  // 86 dagger
    {{74, 0, 0}, {0, 0, 0}},  // 87 double dagger
    {{79, 14, 0}, {0, 0, 0}},  // 88 modifier letter circumflex accent
    {{72, 0, 0}, {0, 0, 0}},  // 89 per mille sign
    {{135, 4, 1}, {0, 0, 0}},  // 8A latin capital letter s with caron
    {{55, 0, 0}, {0, 0, 0}},  // 8B single left-pointing angle quotation mark
    {{131, 13, 1}, {121, 0, 1}},  // 8C latin capital ligature oe
    {{35, 0, 0}, {0, 0, 0}},  // 8D control 8D
    {{142, 4, 1}, {0, 0, 0}},  // 8E latin capital letter z with caron
    {{36, 0, 0}, {0, 0, 0}},  // 8F control 8F
    {{37, 0, 0}, {0, 0, 0}},  // 90 control 90
    {{51, 14, 0}, {0, 0, 0}},  // 91 left single quotation mark
    {{51, 15, 0}, {0, 0, 0}},  // 92 right single quotation mark
    {{52, 14, 0}, {0, 0, 0}},  // 93 left double quotation mark
    {{52, 15, 0}, {0, 0, 0}},  // 94 right double quotation mark
    {{75, 0, 0}, {0, 0, 0}},  // 95 bullet
    {{41, 15, 0}, {0, 0, 0}},  // 96 en dash
    {{41, 16, 0}, {0, 0, 0}},  // 97 em dash
    {{81, 14, 0}, {0, 0, 0}},  // 98 small tilde
    {{87, 0, 0}, {0, 0, 0}},  // 99 trade mark sign
    {{135, 4, 0}, {0, 0, 0}},  // 9A latin small letter s with caron
    {{56, 0, 0}, {0, 0, 0}},  // 9B single right-pointing angle quotation mark
    {{131, 13, 0}, {121, 0, 0}},  // 9C latin small ligature oe
    {{38, 0, 0}, {0, 0, 0}},  // 9D control 9D
    {{142, 4, 0}, {0, 0, 0}},  // 9E latin small letter z with caron
    {{141, 6, 1}, {0, 0, 0}},  // 9F latin capital letter y with diaeresis
    {{39, 14, 0}, {0, 0, 0}},  // A0 no-break space
    {{46, 0, 0}, {0, 0, 0}},  // A1 inverted exclamation mark
    {{99, 0, 0}, {0, 0, 0}},  // A2 cent sign
    {{101, 0, 0}, {0, 0, 0}},  // A3 pound sign
    {{98, 0, 0}, {0, 0, 0}},  // A4 currency sign
    {{102, 0, 0}, {0, 0, 0}},  // A5 yen sign
    {{97, 0, 0}, {0, 0, 0}},  // A6 broken bar
    {{63, 0, 0}, {0, 0, 0}},  // A7 section sign
    {{80, 0, 0}, {0, 0, 0}},  // A8 diaeresis
    {{85, 0, 0}, {0, 0, 0}},  // A9 copyright sign
    {{117, 12, 0}, {0, 0, 0}},  // AA feminine ordinal indicator
    {{53, 0, 0}, {0, 0, 0}},  // AB left-pointing double angle quotation mark
    {{95, 0, 0}, {0, 0, 0}},  // AC not sign
    {{41, 14, 0}, {0, 0, 0}},  // AD soft hyphen
    {{86, 0, 0}, {0, 0, 0}},  // AE registered sign
    {{83, 0, 0}, {0, 0, 0}},  // AF macron
    {{84, 0, 0}, {0, 0, 0}},  // B0 degree sign
    {{89, 0, 0}, {0, 0, 0}},  // B1 plus-minus sign
    {{109, 12, 0}, {0, 0, 0}},  // B2 superscript two
    {{110, 12, 0}, {0, 0, 0}},  // B3 superscript three
    {{78, 0, 0}, {0, 0, 0}},  // B4 acute accent
    {{144, 0, 0}, {0, 0, 0}},  // B5 micro sign
    {{64, 0, 0}, {0, 0, 0}},  // B6 pilcrow sign
    {{76, 0, 0}, {0, 0, 0}},  // B7 middle dot
    {{82, 0, 0}, {0, 0, 0}},  // B8 cedilla
    {{108, 12, 0}, {0, 0, 0}},  // B9 superscript one
    {{131, 12, 0}, {0, 0, 0}},  // BA masculine ordinal indicator
    {{54, 0, 0}, {0, 0, 0}},  // BB right-pointing double angle quotation mark
    {{104, 0, 0}, {0, 0, 0}},  // BC vulgar fraction one quarter
    {{105, 0, 0}, {0, 0, 0}},  // BD vulgar fraction one half
    {{106, 0, 0}, {0, 0, 0}},  // BE vulgar fraction three quarters
    {{48, 0, 0}, {0, 0, 0}},  // BF inverted question mark
    {{117, 2, 1}, {0, 0, 0}},  // C0 latin capital letter a with grave
    {{117, 1, 1}, {0, 0, 0}},  // C1 latin capital letter a with acute
    {{117, 3, 1}, {0, 0, 0}},  // C2 latin capital letter a with circumflex
    {{117, 7, 1}, {0, 0, 0}},  // C3 latin capital letter a with tilde
    {{117, 6, 1}, {0, 0, 0}},  // C4 latin capital letter a with diaeresis
    {{117, 5, 1}, {0, 0, 0}},  // C5 latin capital letter a with ring above
    {{117, 13, 1}, {121, 0, 1}},  // C6 latin capital letter ae
    {{119, 8, 1}, {0, 0, 0}},  // C7 latin capital letter c with cedilla
    {{121, 2, 1}, {0, 0, 0}},  // C8 latin capital letter e with grave
    {{121, 1, 1}, {0, 0, 0}},  // C9 latin capital letter e with acute
    {{121, 3, 1}, {0, 0, 0}},  // CA latin capital letter e with circumflex
    {{121, 6, 1}, {0, 0, 0}},  // CB latin capital letter e with diaeresis
    {{125, 2, 1}, {0, 0, 0}},  // CC latin capital letter i with grave
    {{125, 1, 1}, {0, 0, 0}},  // CD latin capital letter i with acute
    {{125, 3, 1}, {0, 0, 0}},  // CE latin capital letter i with circumflex
    {{125, 6, 1}, {0, 0, 0}},  // CF latin capital letter i with diaeresis
    {{120, 10, 1}, {0, 0, 0}},  // D0 latin capital letter eth
    {{130, 7, 1}, {0, 0, 0}},  // D1 latin capital letter n with tilde
    {{131, 2, 1}, {0, 0, 0}},  // D2 latin capital letter o with grave
    {{131, 1, 1}, {0, 0, 0}},  // D3 latin capital letter o with acute
    {{131, 3, 1}, {0, 0, 0}},  // D4 latin capital letter o with circumflex
    {{131, 7, 1}, {0, 0, 0}},  // D5 latin capital letter o with tilde
    {{131, 6, 1}, {0, 0, 0}},  // D6 latin capital letter o with diaeresis
    {{91, 0, 0}, {0, 0, 0}},  // D7 multiplication sign
    {{131, 9, 1}, {0, 0, 0}},  // D8 latin capital letter o with stroke
    {{137, 2, 1}, {0, 0, 0}},  // D9 latin capital letter u with grave
    {{137, 1, 1}, {0, 0, 0}},  // DA latin capital letter u with acute
    {{137, 3, 1}, {0, 0, 0}},  // DB latin capital letter u with circumflex
    {{137, 6, 1}, {0, 0, 0}},  // DC latin capital letter u with diaeresis
    {{141, 1, 1}, {0, 0, 0}},  // DD latin capital letter y with acute
    {{143, 0, 1}, {0, 0, 0}},  // DE latin capital letter thorn
    {{135, 0, 0}, {135, 13, 0}},  // DF latin small letter sharp s
    {{117, 2, 0}, {0, 0, 0}},  // E0 latin small letter a with grave
    {{117, 1, 0}, {0, 0, 0}},  // E1 latin small letter a with acute
    {{117, 3, 0}, {0, 0, 0}},  // E2 latin small letter a with circumflex
    {{117, 7, 0}, {0, 0, 0}},  // E3 latin small letter a with tilde
    {{117, 6, 0}, {0, 0, 0}},  // E4 latin small letter a with diaeresis
    {{117, 5, 0}, {0, 0, 0}},  // E5 latin small letter a with ring above
    {{117, 13, 0}, {121, 0, 0}},  // E6 latin small letter ae
    {{119, 8, 0}, {0, 0, 0}},  // E7 latin small letter c with cedilla
    {{121, 2, 0}, {0, 0, 0}},  // E8 latin small letter e with grave
    {{121, 1, 0}, {0, 0, 0}},  // E9 latin small letter e with acute
    {{121, 3, 0}, {0, 0, 0}},  // EA latin small letter e with circumflex
    {{121, 6, 0}, {0, 0, 0}},  // EB latin small letter e with diaeresis
    {{125, 2, 0}, {0, 0, 0}},  // EC latin small letter i with grave
    {{125, 1, 0}, {0, 0, 0}},  // ED latin small letter i with acute
    {{125, 3, 0}, {0, 0, 0}},  // EE latin small letter i with circumflex
    {{125, 6, 0}, {0, 0, 0}},  // EF latin small letter i with diaeresis
    {{120, 10, 0}, {0, 0, 0}},  // F0 latin small letter eth
    {{130, 7, 0}, {0, 0, 0}},  // F1 latin small letter n with tilde
    {{131, 2, 0}, {0, 0, 0}},  // F2 latin small letter o with grave
    {{131, 1, 0}, {0, 0, 0}},  // F3 latin small letter o with acute
    {{131, 3, 0}, {0, 0, 0}},  // F4 latin small letter o with circumflex
    {{131, 7, 0}, {0, 0, 0}},  // F5 latin small letter o with tilde
    {{131, 6, 0}, {0, 0, 0}},  // F6 latin small letter o with diaeresis
    {{90, 0, 0}, {0, 0, 0}},  // F7 division sign
    {{131, 9, 0}, {0, 0, 0}},  // F8 latin small letter o with stroke
    {{137, 2, 0}, {0, 0, 0}},  // F9 latin small letter u with grave
    {{137, 1, 0}, {0, 0, 0}},  // FA latin small letter u with acute
    {{137, 3, 0}, {0, 0, 0}},  // FB latin small letter u with circumflex
    {{137, 6, 0}, {0, 0, 0}},  // FC latin small letter u with diaeresis
    {{141, 1, 0}, {0, 0, 0}},  // FD latin small letter y with acute
    {{143, 0, 0}, {0, 0, 0}},  // FE latin small letter thorn
    {{141, 6, 0}, {0, 0, 0}},  // FF latin small letter y with diaeresis
};

}  // namespace os::code_page_tables
