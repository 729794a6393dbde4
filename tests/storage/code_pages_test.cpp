#include "engine/storage/code_pages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "raised.h"

// Counts the allocations of this test binary, to check that collation allocates nothing. GCC takes the
// malloc/free pair of the replacement for a mismatch once it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
static std::atomic<long> gAllocations{0};
void* operator new(std::size_t size) {
    ++gAllocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }
std::string Hex(int b) {
    char s[8];
    std::snprintf(s, sizeof s, "0x%02X", b);
    return s;
}
std::string AllBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s += static_cast<char>(b);
    return s;
}

// Selects an OEM code page for the life of the object.
class OemPage {
public:
    explicit OemPage(int page) : saved_(os::Locale()) {
        os::LocaleSettings s = saved_;
        s.oemCodePage = page;
        os::SetLocale(s);
    }
    ~OemPage() { os::SetLocale(saved_); }

private:
    os::LocaleSettings saved_;
};

// The ANSI byte holding the same character as byte b of code page `page`, or -1 when CP1252 lacks it.
int SameCharacterInAnsi(int page, int b) {
    const uint16_t cp = os::UnicodeTable(page)[b];
    for (int a = 0; a < 256; ++a)
        if (os::UnicodeTable(1252)[a] == cp) return a;
    return -1;
}
int SameCharacterInOem(int page, int a) {
    const uint16_t cp = os::UnicodeTable(1252)[a];
    for (int b = 0; b < 256; ++b)
        if (os::UnicodeTable(page)[b] == cp) return b;
    return -1;
}

// --- OEM <-> ANSI ---

struct Pair {
    int from, to;
    const char* what;
};

TEST(CodePageConversion, CharactersInBothPagesMapExactlyIn437) {
    const Pair cases[] = {{0x81, 0xFC, "u diaeresis"}, {0x80, 0xC7, "C cedilla"}, {0x82, 0xE9, "e acute"},
                          {0x8E, 0xC4, "A diaeresis"}, {0xA4, 0xF1, "n tilde"}, {0xE1, 0xDF, "sharp s"},
                          {0xE6, 0xB5, "micro"},       {0x9C, 0xA3, "pound"},   {0xF8, 0xB0, "degree"},
                          {0xFF, 0xA0, "no-break space"}, {0x9F, 0x83, "f hook"}, {0xAE, 0xAB, "guillemet"}};
    OemPage page(437);
    for (const Pair& c : cases) {
        EXPECT_EQ(os::OemToAnsi(Byte(c.from)), Byte(c.to)) << c.what;
        EXPECT_EQ(os::AnsiToOem(Byte(c.to)), Byte(c.from)) << c.what;
    }
}

TEST(CodePageConversion, MissingCharactersMapToABestFitNeighbour) {
    const Pair oemToAnsi[] = {{0xB3, '|', "light vertical"}, {0xBA, '|', "double vertical"},
                              {0xC4, '-', "light horizontal"}, {0xCD, '-', "double horizontal"},
                              {0xDA, '+', "corner"},          {0xC5, '+', "cross"},
                              {0xC1, '+', "T junction"},      {0xB0, '#', "light shade"},
                              {0xDB, '#', "full block"},      {0xE0, 'a', "alpha"},
                              {0xE3, 'p', "pi"},              {0xE4, 'S', "capital sigma"},
                              {0xF2, '>', "greater or equal"}, {0xF9, 0xB7, "bullet operator"},
                              {0xA9, 0xAC, "reversed not"},   {0x9E, 'P', "peseta"}};
    const Pair ansiToOem[] = {{0xC0, 'A', "A grave"},   {0xC3, 'A', "A tilde"},   {0xE3, 'a', "a tilde"},
                              {0xCA, 'E', "E circumflex"}, {0xFD, 'y', "y acute"}, {0xD8, 'O', "O stroke"},
                              {0x8A, 'S', "S caron"},   {0x9F, 'Y', "Y diaeresis"}, {0x80, 'E', "euro"},
                              {0x93, '"', "left double quote"}, {0x92, '\'', "right single quote"},
                              {0x96, '-', "en dash"},   {0x95, 0xF9, "bullet"},   {0xA9, 'c', "copyright"},
                              {0xA7, '?', "section"},   {0xDE, '?', "thorn"},     {0x81, '?', "undefined"}};
    OemPage page(437);
    for (const Pair& c : oemToAnsi) EXPECT_EQ(os::OemToAnsi(Byte(c.from)), Byte(c.to)) << c.what;
    for (const Pair& c : ansiToOem) EXPECT_EQ(os::AnsiToOem(Byte(c.from)), Byte(c.to)) << c.what;
}

class CodePagePair : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Oem, CodePagePair, testing::Values(437, 850));

TEST_P(CodePagePair, ControlBytesAndAsciiMapToThemselvesAndNothingElseBecomesAControlByte) {
    const uint8_t* toAnsi = os::OemToAnsiTable(GetParam());
    const uint8_t* toOem = os::AnsiToOemTable(GetParam());
    for (int b = 0; b < 256; ++b) {
        if (b < 0x80) {
            EXPECT_EQ(toAnsi[b], b) << Hex(b);
            EXPECT_EQ(toOem[b], b) << Hex(b);
        } else {
            EXPECT_TRUE(toAnsi[b] >= 0x20 && toAnsi[b] != 0x7F) << Hex(b) << " -> " << Hex(toAnsi[b]);
            EXPECT_TRUE(toOem[b] >= 0x20 && toOem[b] != 0x7F) << Hex(b) << " -> " << Hex(toOem[b]);
        }
    }
}

TEST_P(CodePagePair, ACharacterPresentInTheTargetMapsExactlyAndRoundTrips) {
    const uint8_t* toAnsi = os::OemToAnsiTable(GetParam());
    const uint8_t* toOem = os::AnsiToOemTable(GetParam());
    for (int b = 0x80; b < 256; ++b) {
        if (int a = SameCharacterInAnsi(GetParam(), b); a >= 0) {
            EXPECT_EQ(toAnsi[b], a) << "OEM " << Hex(b);
            EXPECT_EQ(toOem[toAnsi[b]], b) << "OEM " << Hex(b) << " does not come back";
        }
        if (int o = SameCharacterInOem(GetParam(), b); o >= 0) {
            EXPECT_EQ(toOem[b], o) << "ANSI " << Hex(b);
            EXPECT_EQ(toAnsi[toOem[b]], b) << "ANSI " << Hex(b) << " does not come back";
        }
    }
}

TEST_P(CodePagePair, ConversionKeepsTheLengthAndWorksInPlace) {
    OemPage page(GetParam());
    const std::string all = AllBytes() + std::string("\0tail", 5);
    const std::string ansi = os::OemToAnsi(all);
    const std::string oem = os::AnsiToOem(all);
    EXPECT_EQ(ansi.size(), all.size());
    EXPECT_EQ(oem.size(), all.size());

    std::string buffer = all;
    os::OemToAnsi(buffer.data(), buffer.data(), buffer.size());
    EXPECT_EQ(buffer, ansi);
    buffer = all;
    os::AnsiToOem(buffer.data(), buffer.data(), buffer.size());
    EXPECT_EQ(buffer, oem);

    std::vector<char> separate(all.size(), 'x');
    os::OemToAnsi(all.data(), separate.data(), all.size());
    EXPECT_EQ(std::string(separate.begin(), separate.end()), ansi);
    EXPECT_EQ(os::OemToAnsi(""), "");
}

TEST(CodePageConversion, Page850IsSelectedThroughTheLocale) {
    {
        OemPage page(850);
        EXPECT_EQ(os::OemCodePage(), 850);
        EXPECT_EQ(os::OemToAnsi("\xB5"), "\xC1");  // A acute, a letter in 850
        EXPECT_EQ(os::OemToAnsi("\xD5"), "i");     // dotless i
        EXPECT_EQ(os::AnsiToOem("\xC0\xE3\xDE"), "\xB7\xC6\xE8");  // A grave, a tilde, thorn: all in 850
        EXPECT_EQ(os::AnsiToOem("\x80"), "E");
    }
    OemPage page(437);
    EXPECT_EQ(os::OemCodePage(), 437);
    EXPECT_EQ(os::OemToAnsi("\xB5"), "+");  // a box junction in 437
    EXPECT_EQ(os::AnsiToOem("\xC0\xE3\xDE"), "Aa?");
}

TEST(CodePageConversion, AnythingButPage850MeansPage437) {
    OemPage page(1252);
    EXPECT_EQ(os::OemCodePage(), 437);
    EXPECT_EQ(os::OemToAnsi("\xB3"), "|");
}

TEST(CodePageConversion, Page850CoversAllOfLatin1) {
    const uint8_t* toOem = os::AnsiToOemTable(850);
    const uint8_t* toAnsi = os::OemToAnsiTable(850);
    for (int a = 0xA0; a < 256; ++a) EXPECT_EQ(toAnsi[toOem[a]], a) << Hex(a);
}

// --- case ---

TEST(CodePageCase, LettersOfCp1252HaveTheirPartners) {
    const Pair pairs[] = {{'a', 'A', "a"},       {'z', 'Z', "z"},       {0xE0, 0xC0, "a grave"},
                          {0xE9, 0xC9, "e acute"}, {0xF1, 0xD1, "n tilde"}, {0xFC, 0xDC, "u diaeresis"},
                          {0xFE, 0xDE, "thorn"},   {0xF8, 0xD8, "o stroke"}, {0xE6, 0xC6, "ae"},
                          {0x9A, 0x8A, "s caron"}, {0x9C, 0x8C, "oe"},      {0x9E, 0x8E, "z caron"},
                          {0xFF, 0x9F, "y diaeresis"}};
    for (const Pair& p : pairs) {
        EXPECT_EQ(os::UpperCase(Byte(p.from)), Byte(p.to)) << p.what;
        EXPECT_EQ(os::LowerCase(Byte(p.to)), Byte(p.from)) << p.what;
        EXPECT_EQ(os::UpperChar(static_cast<char>(p.from)), static_cast<char>(p.to)) << p.what;
    }
}

TEST(CodePageCase, CharactersWithoutAPartnerStayUnchanged) {
    const struct {
        int c;
        const char* what;
    } cases[] = {{0xDF, "sharp s"}, {0xB5, "micro"},   {0xD7, "times"}, {0xF7, "divide"}, {0xAA, "ordinal a"},
                 {0xBA, "ordinal o"}, {0x83, "f hook"}, {'1', "digit"}, {'-', "hyphen"}, {0x81, "undefined"}};
    for (const auto& c : cases) {
        EXPECT_EQ(os::UpperCase(Byte(c.c)), Byte(c.c)) << c.what;
        EXPECT_EQ(os::LowerCase(Byte(c.c)), Byte(c.c)) << c.what;
    }
}

TEST(CodePageCase, UpperAndLowerAreInversesOnEveryLetter) {
    for (int c = 0; c < 256; ++c) {
        const uint8_t u = os::UpperAnsi(static_cast<uint8_t>(c));
        const uint8_t l = os::LowerAnsi(static_cast<uint8_t>(c));
        if (u != c) {
            EXPECT_EQ(os::LowerAnsi(u), c) << Hex(c);
        }
        if (l != c) {
            EXPECT_EQ(os::UpperAnsi(l), c) << Hex(c);
        }
        EXPECT_FALSE(u != c && l != c) << Hex(c) << " is both upper and lower case";
    }
}

TEST(CodePageCase, BufferFormsConvertInPlace) {
    std::string text = "Stra\xDF" "e \xE0 \xB5m \xFF";  // "Straße à µm ÿ"
    os::UpperCase(text.data(), text.size());
    EXPECT_EQ(text, "STRA\xDF" "E \xC0 \xB5M \x9F");
    os::LowerCase(text.data(), text.size());
    EXPECT_EQ(text, "stra\xDF" "e \xE0 \xB5m \xFF");
}

TEST(CodePageCase, IndependentOfTheProcessLocale) {
    // The C library's toupper in the "C" locale knows no accented letters; ours does.
    EXPECT_EQ(os::UpperCase("\xE9t\xE9"), "\xC9T\xC9");
}

// --- collation ---

// Words in ascending order under CompareText with case counting.
const char* const kOrdered[] = {
    "",      "\x01",   " ",         "\xA0",       "_",     "-",     "\x96",  ",",      "!",     "?",
    ".",     "'",      "\x92",      "\"",         "(",     "@",     "*",     "/",      "&",     "#",
    "%",     "+",      "<",         "=",          ">",     "|",     "$",     "\x80",   "0",     "1",
    "\xB9",  "2",      "9",         "a",          "A",     "\xE1",  "\xC1",  "\xE0",   "\xE2",  "\xE5",
    "\xE4",  "\xC4",   "\xAA",      "aa",         "ab",    "aB",    "Ab",    "\xE1" "b", "abc", "Abc",
    "\xC1" "bc", "abd", "ae",       "Ae",         "\xE1" "e", "\xE6", "\xC6", "af",     "b",     "B",
    "c",     "\xE7",   "\xC7",      "d",          "\xF0",  "\xD0",  "e",     "\xE9",   "\xE8",  "\xEA",
    "\xEB",  "f",      "\x83",      "n",          "\xF1",  "o",     "\xF3",  "\xF6",  "\xF8",   "\xBA",
    "oe",    "\x9C",   "\x8C",      "s",          "S",     "\x9A",  "\x8A",  "ss",     "\xDF",  "st",
    "y",     "\xFD",   "\xFF",      "\x9F",       "z",     "Z",     "\x9E",  "\xFE",   "\xDE",  "\xB5",
};

TEST(CodePageCollation, WordsSortInTheDefinedOrder) {
    const size_t n = std::size(kOrdered);
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j) {
            const int expected = i < j ? -1 : i > j ? 1 : 0;
            EXPECT_EQ(os::CompareText(kOrdered[i], kOrdered[j], false), expected)
                << "\"" << os::ToUtf8(kOrdered[i], 1252) << "\" vs \"" << os::ToUtf8(kOrdered[j], 1252) << "\"";
        }
    }
}

TEST(CodePageCollation, LevelsAreComparedOneAfterTheOtherOverTheWholeText) {
    const struct {
        const char* a;
        const char* b;
        int expected;
        const char* why;
    } cases[] = {
        {"abc", "abd", -1, "primary difference"},
        {"ab", "abc", -1, "a prefix sorts first"},
        {"ab", "\xC1" "BC", -1, "a prefix sorts first whatever its accents and case"},
        {"Abc", "abd", -1, "a primary difference beats an earlier case difference"},
        {"\xE1" "bc", "abd", -1, "a primary difference beats an earlier accent difference"},
        {"Ab", "\xE1" "b", -1, "an accent difference beats an earlier case difference"},
        {"aB", "Ab", -1, "the first case difference decides"},
        {"r\xE9sum\xE9", "r\xE9sume", 1, "accents count"},
        {"\x93" "x" "\x94", "\"x\"", 1, "curly quotes are variants of the straight ones"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(os::CompareText(c.a, c.b, false), c.expected) << c.why;
        EXPECT_EQ(os::CompareText(c.b, c.a, false), -c.expected) << c.why << " (reversed)";
    }
}

TEST(CodePageCollation, IgnoringCaseSkipsOnlyTheCaseLevel) {
    EXPECT_EQ(os::CompareText("a", "A", true), 0);
    EXPECT_EQ(os::CompareText("r\xE9sum\xE9", "R\xC9SUM\xC9", true), 0);
    EXPECT_EQ(os::CompareText("\xE6", "\xC6", true), 0);
    EXPECT_EQ(os::CompareText("\xFF", "\x9F", true), 0);
    EXPECT_EQ(os::CompareText("a", "\xE1", true), -1);
    EXPECT_EQ(os::CompareText("ss", "\xDF", true), -1);
    EXPECT_EQ(os::CompareText("aB", "Ab", true), 0);
    EXPECT_EQ(os::CompareText("abc", "ABD", true), -1);
    EXPECT_EQ(os::CompareText("ABC", "ab", true), 1);
}

TEST(CodePageCollation, PunctuationSortsBeforeDigitsAndDigitsBeforeLetters) {
    for (int c = 0x21; c < 0x7F; ++c) {
        const std::string s = Byte(c);
        const bool digit = c >= '0' && c <= '9';
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!digit && !letter) {
            EXPECT_EQ(os::CompareText(s, "0", false), -1) << s;
        }
        if (digit) {
            EXPECT_EQ(os::CompareText(s, "a", false), -1) << s;
        }
    }
}

TEST(CodePageCollation, OnlyEqualTextsCompareEqualWhenCaseCounts) {
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const int r = os::CompareText(Byte(a), Byte(b), false);
            ASSERT_TRUE(a == b ? r == 0 : r != 0) << Hex(a) << " and " << Hex(b) << " compare equal";
            ASSERT_EQ(os::CompareText(Byte(b), Byte(a), false), -r) << Hex(a) << " vs " << Hex(b);
        }
    }
}

TEST(CodePageCollation, EveryByteHasItsOwnWeights) {
    for (int a = 0; a < 256; ++a) {
        const os::CollationEntry& e = os::CollationOf(static_cast<uint8_t>(a));
        EXPECT_NE(e.first.primary, 0) << Hex(a);
        EXPECT_LE(e.first.tertiary, 1) << Hex(a);
    }
    // The byte tie-break of CompareText is never needed: distinct bytes differ at some level.
    for (int a = 0; a < 256; ++a) {
        for (int b = a + 1; b < 256; ++b) {
            const os::CollationEntry& x = os::CollationOf(static_cast<uint8_t>(a));
            const os::CollationEntry& y = os::CollationOf(static_cast<uint8_t>(b));
            const auto same = [](const os::CollationElement& p, const os::CollationElement& q) {
                return p.primary == q.primary && p.secondary == q.secondary && p.tertiary == q.tertiary;
            };
            EXPECT_FALSE(same(x.first, y.first) && same(x.second, y.second)) << Hex(a) << " and " << Hex(b);
        }
    }
}

TEST(CodePageCollation, ComparesWithoutAllocating) {
    const std::string a(200, 'x'), b = a + "\xDF";
    const long before = gAllocations.load();
    int sum = 0;
    sum += os::CompareText("Stra\xDF" "e", "STRASSE", false);
    sum += os::CompareText("Stra\xDF" "e", "STRASSE", true);
    sum += os::CompareText(a, b, false);
    EXPECT_EQ(gAllocations.load(), before);
    EXPECT_EQ(sum, 1 + 1 - 1);
}

// --- UTF-8 ---

class Utf8Page : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Pages, Utf8Page, testing::Values(437, 850, 1252));

TEST_P(Utf8Page, AllBytesRoundTrip) {
    const std::string all = AllBytes();
    const std::string utf8 = os::ToUtf8(all, GetParam());
    EXPECT_EQ(os::FromUtf8(utf8, GetParam()), all);
}

TEST_P(Utf8Page, EveryByteDecodesToItsOwnCharacterAndControlsStayControls) {
    std::vector<std::string> seen;
    for (int b = 0; b < 256; ++b) {
        const std::string u = os::ToUtf8(Byte(b), GetParam());
        if (b < 0x20 || b == 0x7F) {
            EXPECT_EQ(u, Byte(b)) << Hex(b);
        }
        for (const std::string& s : seen) EXPECT_NE(u, s) << Hex(b) << " decodes like an earlier byte";
        seen.push_back(u);
    }
}

TEST(Utf8, KnownCharacters) {
    EXPECT_EQ(os::ToUtf8("\x81", 437), "\xC3\xBC");        // ü
    EXPECT_EQ(os::ToUtf8("\xC9", 437), "\xE2\x95\x94");    // ╔
    EXPECT_EQ(os::ToUtf8("\xD5", 850), "\xC4\xB1");        // ı
    EXPECT_EQ(os::ToUtf8("\x80", 1252), "\xE2\x82\xAC");   // €
    EXPECT_EQ(os::ToUtf8("\x81", 1252), "\xC2\x81");       // undefined byte, kept as U+0081
    EXPECT_EQ(os::ToUtf8("a\x01", 437), "a\x01");
    EXPECT_EQ(os::FromUtf8("\xC3\xBC", 437), "\x81");
    EXPECT_EQ(os::FromUtf8("\xC3\xBC", 1252), "\xFC");
    EXPECT_EQ(os::FromUtf8("\xE2\x82\xAC", 1252), "\x80");
}

TEST(Utf8, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(os::FromUtf8("\xE2\x82\xAC", 437), "?");        // € is not in 437
    EXPECT_EQ(os::FromUtf8("\xE2\x98\xBA", 437), "?");        // ☺ is a display glyph of 0x01 only
    EXPECT_EQ(os::FromUtf8("\xC4\xB1", 1252), "?");           // ı is not in 1252
    EXPECT_EQ(os::FromUtf8("x\xF0\x9F\x98\x80y", 850), "x?y");  // one '?' for one character
}

TEST(Utf8, InvalidInputGivesOneQuestionMarkPerBadByte) {
    const struct {
        const char* input;
        const char* expected;
        const char* what;
    } cases[] = {
        {"\x80", "?", "lone continuation byte"},
        {"\xC3", "?", "truncated at the end"},
        {"\xC3" "A", "?A", "truncated before ASCII"},
        {"\xE2\x82", "??", "truncated three-byte sequence"},
        {"\xC0\x80", "??", "overlong NUL"},
        {"\xE0\x80\xAF", "???", "overlong three-byte form"},
        {"\xED\xA0\x80", "???", "surrogate"},
        {"\xF4\x90\x80\x80", "????", "above U+10FFFF"},
        {"\xF5\xFF\xFE", "???", "bytes that never occur"},
        {"a\xE9" "b", "a?b", "Latin-1 passed as UTF-8"},
    };
    for (const auto& c : cases) EXPECT_EQ(os::FromUtf8(c.input, 1252), c.expected) << c.what;
}

TEST(Utf8, OtherCodePagesAreRefusedWithAnEngineError) {
    EXPECT_EQ(Raised([] { os::ToUtf8("x", 1250); }), std::make_pair(errcode::kInvalidParameter, subcode::kNone));
    EXPECT_EQ(Raised([] { os::FromUtf8("x", 0); }), std::make_pair(errcode::kInvalidParameter, subcode::kNone));
}

}  // namespace
