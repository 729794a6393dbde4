// The 8-bit text services of os_services.h over the fixed tables of code_pages_tables.cpp.
#include "engine/storage/code_pages.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "engine/storage/errors.h"

namespace os {

namespace {

using namespace code_page_tables;

// CP1252 case tables, built at compile time from the rules of code_pages.h.
constexpr std::array<uint8_t, 256> MakeUpper() {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = static_cast<uint8_t>(c);
    for (int c = 'a'; c <= 'z'; ++c) t[c] = static_cast<uint8_t>(c - 0x20);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7) t[c] = static_cast<uint8_t>(c - 0x20);  // à..þ -> À..Þ, except ÷ (0xF7; 0xD7 is ×)
    t[0x9A] = 0x8A;  // š -> Š
    t[0x9C] = 0x8C;  // œ -> Œ
    t[0x9E] = 0x8E;  // ž -> Ž
    t[0xFF] = 0x9F;  // ÿ -> Ÿ
    return t;
}

constexpr std::array<uint8_t, 256> MakeLower() {
    constexpr std::array<uint8_t, 256> upper = MakeUpper();
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = static_cast<uint8_t>(c);
    for (int c = 0; c < 256; ++c)
        if (upper[c] != c) t[upper[c]] = static_cast<uint8_t>(c);
    return t;
}

constexpr std::array<uint8_t, 256> kUpper = MakeUpper();
constexpr std::array<uint8_t, 256> kLower = MakeLower();
static_assert(kUpper[0xDF] == 0xDF && kUpper[0xB5] == 0xB5, "ß and µ have no upper case in CP1252");
static_assert(kLower[0xD7] == 0xD7 && kUpper[0xF7] == 0xF7, "× and ÷ are not letters");
static_assert(kLower[0x9F] == 0xFF && kLower['A'] == 'a', "lower case is the inverse of upper case");

void Map(const uint8_t* table, const char* source, char* destination, size_t count) {
    // Byte by byte from the front, so destination == source is fine.
    for (size_t i = 0; i < count; ++i)
        destination[i] = static_cast<char>(table[static_cast<uint8_t>(source[i])]);
}

std::string Map(const uint8_t* table, std::string_view text) {
    std::string out(text.size(), '\0');
    Map(table, text.data(), out.data(), text.size());
    return out;
}

// --- collation ---

// Walks the collation elements of a text, one or two per byte.
class ElementCursor {
public:
    explicit ElementCursor(std::string_view text)
        : next_(reinterpret_cast<const uint8_t*>(text.data())), end_(next_ + text.size()) {}

    // The next element, or nullptr at the end.
    const CollationElement* Next() {
        if (pending_ != nullptr) return std::exchange(pending_, nullptr);
        if (next_ == end_) return nullptr;
        const CollationEntry& entry = kCollation1252[*next_++];
        if (entry.second.primary != 0) pending_ = &entry.second;
        return &entry.first;
    }

private:
    const uint8_t* next_;                        // next byte to expand
    const uint8_t* end_;                         // one past the last byte
    const CollationElement* pending_ = nullptr;  // second element of the last expansion, not yet returned
};

int Sign(int d) { return (d > 0) - (d < 0); }

// Compares the element sequences of a and b at one level; a sequence that ends first sorts first.
int CompareLevel(std::string_view a, std::string_view b, uint8_t CollationElement::*level) {
    ElementCursor ca(a), cb(b);
    for (;;) {
        const CollationElement* ea = ca.Next();
        const CollationElement* eb = cb.Next();
        if (ea == nullptr || eb == nullptr) return (ea != nullptr) - (eb != nullptr);
        if (ea->*level != eb->*level) return Sign(int(ea->*level) - int(eb->*level));
    }
}

// --- UTF-8 ---

// The Unicode table of a page; a page other than 437, 850 and 1252 is a caller's error, reported as the platform
// reports a conversion asked of a code page it does not have.
const uint16_t* RequireUnicodeTable(int codePage) {
    const uint16_t* table = UnicodeTable(codePage);
    if (table == nullptr)
        ReportError(errcode::kInvalidParameter, subcode::kNone, "code page " + std::to_string(codePage));
    return table;
}

struct Reverse {
    uint16_t codePoint;
    uint8_t byte;
};
using ReverseTable = std::array<Reverse, 128>;  // the upper half of a page, sorted by code point

ReverseTable MakeReverse(const uint16_t* table) {
    ReverseTable r{};
    for (int i = 0; i < 128; ++i) r[i] = {table[128 + i], static_cast<uint8_t>(128 + i)};
    std::sort(r.begin(), r.end(), [](const Reverse& x, const Reverse& y) { return x.codePoint < y.codePoint; });
    return r;
}

const ReverseTable& ReverseOf(int codePage) {
    static const ReverseTable r437 = MakeReverse(kUnicode437);
    static const ReverseTable r850 = MakeReverse(kUnicode850);
    static const ReverseTable r1252 = MakeReverse(kUnicode1252);
    return codePage == 437 ? r437 : codePage == 850 ? r850 : r1252;
}

char EncodeCodePoint(const ReverseTable& reverse, uint32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);  // the lower half is the same in all three pages
    auto it = std::lower_bound(reverse.begin(), reverse.end(), cp,
                               [](const Reverse& r, uint32_t v) { return r.codePoint < v; });
    return it != reverse.end() && it->codePoint == cp ? static_cast<char>(it->byte) : '?';
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {  // every table entry is in the Basic Multilingual Plane
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one well-formed UTF-8 sequence at text[i]; returns its length, or 0 when the byte at i does not
// start one (overlong forms, surrogates, values above U+10FFFF and truncated sequences included).
size_t DecodeUtf8(std::string_view text, size_t i, uint32_t* cp) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(i);
    size_t length;
    uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead < 0x80) {
        *cp = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        *cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        *cp = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        *cp = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // no overlong forms
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() - i < length) return 0;
    for (size_t k = 1; k < length; ++k) {
        const uint8_t c = byte(i + k);
        if (k == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF)) return 0;
        *cp = (*cp << 6) | (c & 0x3F);
    }
    return length;
}

}  // namespace

// --- internals of code_pages.h ---

const uint8_t* OemToAnsiTable(int oemCodePage) { return oemCodePage == 850 ? kOem850ToAnsi : kOem437ToAnsi; }
const uint8_t* AnsiToOemTable(int oemCodePage) { return oemCodePage == 850 ? kAnsiToOem850 : kAnsiToOem437; }

const uint16_t* UnicodeTable(int codePage) {
    switch (codePage) {
        case 437: return kUnicode437;
        case 850: return kUnicode850;
        case 1252: return kUnicode1252;
        default: return nullptr;
    }
}

uint8_t UpperAnsi(uint8_t c) { return kUpper[c]; }
uint8_t LowerAnsi(uint8_t c) { return kLower[c]; }

const CollationEntry& CollationOf(uint8_t c) { return kCollation1252[c]; }

// --- os_services.h ---

int OemCodePage() { return Locale().oemCodePage == 850 ? 850 : 437; }

void OemToAnsi(const char* source, char* destination, size_t count) {
    Map(OemToAnsiTable(OemCodePage()), source, destination, count);
}
void AnsiToOem(const char* source, char* destination, size_t count) {
    Map(AnsiToOemTable(OemCodePage()), source, destination, count);
}
std::string OemToAnsi(std::string_view text) { return Map(OemToAnsiTable(OemCodePage()), text); }
std::string AnsiToOem(std::string_view text) { return Map(AnsiToOemTable(OemCodePage()), text); }

void UpperCase(char* text, size_t count) { Map(kUpper.data(), text, text, count); }
void LowerCase(char* text, size_t count) { Map(kLower.data(), text, text, count); }
std::string UpperCase(std::string_view text) { return Map(kUpper.data(), text); }
std::string LowerCase(std::string_view text) { return Map(kLower.data(), text); }
char UpperChar(char c) { return static_cast<char>(kUpper[static_cast<uint8_t>(c)]); }

int CompareText(std::string_view a, std::string_view b, bool ignoreCase) {
    // On the fly, level by level: no allocation whatever the length.
    if (int r = CompareLevel(a, b, &CollationElement::primary); r != 0) return r;
    if (int r = CompareLevel(a, b, &CollationElement::secondary); r != 0) return r;
    if (ignoreCase) return 0;
    if (int r = CompareLevel(a, b, &CollationElement::tertiary); r != 0) return r;
    // Identical level: the weights are unique per byte, so this only separates strings if the table ever
    // gives two bytes the same weights.
    return Sign(a.compare(b));
}

std::string ToUtf8(std::string_view text, int codePage) {
    const uint16_t* table = RequireUnicodeTable(codePage);
    std::string out;
    out.reserve(text.size());
    for (char c : text) AppendUtf8(out, table[static_cast<uint8_t>(c)]);
    return out;
}

std::string FromUtf8(std::string_view text, int codePage) {
    RequireUnicodeTable(codePage);
    const ReverseTable& reverse = ReverseOf(codePage);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        uint32_t cp = 0;
        const size_t length = DecodeUtf8(text, i, &cp);
        if (length == 0) {  // one '?' per byte that starts no well-formed sequence
            out += '?';
            ++i;
            continue;
        }
        out += EncodeCodePoint(reverse, cp);
        i += length;
    }
    return out;
}

}  // namespace os
