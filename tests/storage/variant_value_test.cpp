#include "engine/storage/variant_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/storage/dbf_date.h"
#include "engine/storage/errors.h"
#include "engine/storage/number_text.h"
#include "framework/base/exception.h"

namespace {

TdvVariant Text(std::string_view s) {
    TdvVariant v;
    v.SetText(s);
    return v;
}
TdvVariant Number(double x) {
    TdvVariant v;
    v.SetNumber(x);
    return v;
}
TdvVariant Boolean(bool b) {
    TdvVariant v;
    v.SetBoolean(b);
    return v;
}
TdvVariant Date(int32_t day) {
    TdvVariant v;
    v.SetDate(day);
    return v;
}
TdvVariant Binary(std::string_view s) {
    TdvVariant v;
    v.SetBinary(s.data(), static_cast<int32_t>(s.size()));
    return v;
}

TEST(VariantCompare, TextWithThePrefixRule) {
    struct Case {
        const char* left;
        const char* right;
        int prefixResult;
        int result;
        int32_t position;
    } cases[] = {
        {"AB", "ABC", 0, 0, 3},  {"AB", "ABC", -1, -1, 3}, {"ABC", "AB", 0, 1, 3}, {"AB", "AC", 0, -1, 2},
        {"AB", "AB", -1, 0, 3},  {"B", "AAA", 0, 1, 1},    {"\xE9", "e", 0, 1, 1},  // bytes compare unsigned
    };
    for (const Case& c : cases) {
        TdvVariant a = Text(c.left), b = Text(c.right);
        int32_t position = -1;
        EXPECT_EQ(a.Compare(&b, &position, nullptr, c.prefixResult), c.result) << c.left << " vs " << c.right;
        EXPECT_EQ(position, c.position) << c.left << " vs " << c.right;
    }
}

TEST(VariantCompare, EmptyValues) {
    TdvVariant empty, emptyText = Text(""), a = Text("A");
    int32_t position = 7;
    EXPECT_EQ(emptyText.Compare(&a, &position, nullptr, 0), -1);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(emptyText.Compare(&emptyText, nullptr, nullptr, 0), 0);
    EXPECT_EQ(empty.Compare(&a, nullptr, nullptr, 0), -1);
    EXPECT_EQ(empty.Compare(nullptr, nullptr, nullptr, 0), 0);
    EXPECT_EQ(a.Compare(nullptr, nullptr, nullptr, 0), 1);
    EXPECT_EQ(a.Compare(&emptyText, nullptr, nullptr, 0), 1);
    EXPECT_EQ(a.Compare(&empty, nullptr, nullptr, 0), 1);
}

TEST(VariantCompare, CollationTableWeighsCharacters) {
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i);
    table['a'] = 'A';  // fold one letter
    TdvVariant lower = Text("a"), upper = Text("A"), b = Text("B");
    EXPECT_EQ(lower.Compare(&upper, nullptr, table, 0), 0);
    EXPECT_EQ(lower.Compare(&b, nullptr, table, 0), -1);
    EXPECT_EQ(lower.Compare(&b, nullptr, nullptr, 0), 1);
}

TEST(VariantCompare, KindsMustAgreeUnlessOneSideIsBinary) {
    TdvVariant n = Number(1), t = Text("AB"), bin = Binary("ABC");
    try {
        n.Compare(&t, nullptr, nullptr, 0);
        FAIL() << "no mismatch error";
    } catch (const EOrdaneError& e) {
        EXPECT_STREQ(e.what(), "Variant types mismatch for compare");
    }
    // A binary value takes the text's kind: table and prefix rule apply.
    int32_t position = 0;
    EXPECT_EQ(t.Compare(&bin, &position, nullptr, 0), 0);
    EXPECT_EQ(position, 3);
    EXPECT_EQ(t.Compare(&bin, nullptr, nullptr, -1), -1);
    EXPECT_EQ(bin.Compare(&t, nullptr, nullptr, 0), 1);
    // Binary against binary: no prefix rule.
    TdvVariant shortBin = Binary("AB");
    EXPECT_EQ(shortBin.Compare(&bin, nullptr, nullptr, 0), -1);
}

TEST(VariantCompare, NumbersDatesAndBooleans) {
    struct Case {
        TdvVariant a, b;
        int result;
    } cases[] = {
        {Number(-2.5), Number(1), -1}, {Number(3), Number(3), 0},     {Number(10), Number(9), 1},
        {Date(2451544), Date(2451545), -1}, {Date(7), Date(7), 0},  {Boolean(false), Boolean(true), -1},
        {Boolean(true), Boolean(false), 1},   {Boolean(true), Boolean(true), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.a.Compare(&c.b, nullptr, nullptr, 0), c.result);
}

TEST(VariantCompare, RawComparesTheBytesOfANumber) {
    // 256.0 is 00 00 00 00 00 00 70 40 and 1.0 is 00 .. F0 3F: numerically greater, bytewise smaller at byte 7.
    TdvVariant big = Number(256), one = Number(1);
    int32_t position = 0;
    EXPECT_EQ(big.Compare(&one, nullptr, nullptr, 0), 1);
    EXPECT_EQ(big.CompareRaw(&one, &position, nullptr, 0), -1);
    EXPECT_EQ(position, 7);
}

TEST(VariantConversions, Table) {
    EXPECT_TRUE(Text("yes").AsBoolean());
    EXPECT_FALSE(Text("no").AsBoolean());
    EXPECT_TRUE(Number(-1.5).AsBoolean());
    EXPECT_FALSE(Number(0.9).AsBoolean());
    EXPECT_FALSE(Date(2451544).AsBoolean());
    EXPECT_EQ(Boolean(true).AsText(), "T");
    EXPECT_EQ(Boolean(false).AsText(), "F");
    EXPECT_EQ(Boolean(true).AsNumber(), 1.0);
    EXPECT_EQ(Date(2451544).AsNumber(), 2451544.0);
    EXPECT_EQ(Text("19991231").AsDate(), 2451544);
    EXPECT_EQ(Number(2451544.9).AsDate(), 2451544);
    EXPECT_EQ(Text(" -12.5e1 ").AsNumber(), -125.0);
    EXPECT_EQ(Number(0.1).AsText(), "0.1");
    EXPECT_EQ(Number(1e20).AsText(), "1E20");
    EXPECT_EQ(Number(-123456.75).AsText(), "-123456.75");
    EXPECT_EQ(Binary("AB").AsText(), "AB");
    TdvVariant empty;
    EXPECT_EQ(empty.AsText(), "");
    EXPECT_EQ(empty.AsNumber(), 0);
    EXPECT_EQ(empty.AsDate(), 0);
    EXPECT_FALSE(empty.AsBoolean());
}

TEST(VariantConversions, DatesFromNumbersAreRangeChecked) {
    for (double x : {0.0, 0.05, -3.0, 1e10, -1e10, 4294967296.0, std::nan(""), 1.0, 1721425.0, 5373485.0})
        EXPECT_EQ(Number(x).AsDate(), 0) << x;
}

TEST(VariantConversions, TextThatIsNoNumberRaises) {
    for (const char* text : {"abc", "1.2.3", "inf", "nan", "0x10", "1e", "-", "1 2"})
        EXPECT_THROW(Text(text).AsNumber(), EConvertError) << text;
}

TEST(VariantBuffer, SizingAndSetters) {
    TdvVariant v(4);
    EXPECT_EQ(v.Capacity(), 4);
    EXPECT_EQ(v.Kind(), vkEmpty);
    v.SetText("ABC");
    v.PadTo(10);
    EXPECT_EQ(v.Bytes(), "ABC       ");
    EXPECT_EQ(v.Kind(), vkText);
    v.PadTo(2);
    EXPECT_EQ(v.Size(), 10);
    v.TrimRight();
    EXPECT_EQ(v.Bytes(), "ABC");
    EXPECT_EQ(v.Capacity(), 10);  // never shrinks
    v.SetNumber(2);
    v.AppendBytes("WXYZ", 4);
    EXPECT_EQ(v.Kind(), vkBinary);
    EXPECT_EQ(v.Size(), 12);
    v.AppendBytes(v.Data(), 12);  // its own bytes, while the buffer grows
    EXPECT_EQ(v.Size(), 24);
    EXPECT_EQ(std::memcmp(v.Data(), v.Data() + 12, 12), 0);
    v.AppendBytes(nullptr, 3);
    v.AppendBytes("Q", 0);
    EXPECT_EQ(v.Size(), 24);
    EXPECT_THROW(v.SetSize(-1), ERangeError);
}

TEST(VariantBuffer, AssignCopiesAndNullClears) {
    TdvVariant a = Text("HELLO"), b;
    EXPECT_TRUE(b.Assign(&a));
    a.SetText("X");
    EXPECT_EQ(b.Bytes(), "HELLO");
    EXPECT_EQ(b.Kind(), vkText);
    EXPECT_FALSE(b.Assign(nullptr));
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Capacity(), 0);
}

TEST(VariantBuffer, TranslateOnlyTouchesText) {
    TdvVariant t = Text("abc"), n = Number(1.0);
    t.Translate(nullptr);
    EXPECT_EQ(t.Bytes(), "ABC");
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i == 'B' ? 'x' : i);
    t.Translate(table);
    EXPECT_EQ(t.Bytes(), "AxC");
    const std::string before(n.Bytes());
    n.Translate(table);
    n.PadTo(20);
    EXPECT_EQ(n.Bytes(), before);
}

TEST(NumberText, ParseAcceptsOnlyNumbers) {
    struct Case {
        const char* text;
        bool ok;
        long double value;
    } cases[] = {
        {"12.5", true, 12.5L},  {"  -0.25", true, -0.25L}, {"+3", true, 3.0L},      {"1E3", true, 1000.0L},
        {"2.5e-2  ", true, 0.025L}, {".5", true, 0.5L},    {"5.", true, 5.0L},      {"", false, 0},
        {"   ", false, 0},      {"1,5", false, 0},         {"12a", false, 0},       {"e5", false, 0},
        {"--1", false, 0},      {"1e+", false, 0},         {"0x1p3", false, 0},     {"infinity", false, 0},
    };
    for (const Case& c : cases) {
        long double v = -99;
        EXPECT_EQ(numtext::Parse(c.text, '.', &v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    long double v = 0;
    EXPECT_TRUE(numtext::Parse("1,5", ',', &v));
    EXPECT_EQ(v, 1.5L);
}

TEST(NumberText, ParseIsCorrectlyRoundedOnBothPaths) {
    for (const char* text : {"804.19", "0.1", "12345678901234567890123", "1.00000000000000000000001",
                             "-99999999.99", "3.14159265358979323846264338", "1e-30", "7e300"}) {
        long double fast = 0;
        ASSERT_TRUE(numtext::Parse(text, '.', &fast)) << text;
        EXPECT_EQ(fast, std::strtold(text, nullptr)) << text;
    }
}

TEST(NumberText, FormatFixedRoundsTiesAwayFromZero) {
    struct Case {
        long double value;
        int decimals;
        const char* text;
    } cases[] = {
        {12345.678L, 2, "12345.68"}, {0.125L, 2, "0.13"},  {-0.125L, 2, "-0.13"},   {2.675, 2, "2.68"},
        {2.5L, 0, "3"},              {-2.5L, 0, "-3"},     {0.0L, 2, "0.00"},       {-0.001L, 2, "0.00"},
        {9.995L, 2, "10.00"},        {999.5L, 0, "1000"},  {0.004L, 1, "0.0"},      {0.05L, 1, "0.1"},
        {1234567.5L, 2, "1234567.50"}, {1e20L, 0, "100000000000000000000"}, {0.5L, 0, "1"}, {0.49L, 0, "0"},
    };
    for (const Case& c : cases) EXPECT_EQ(numtext::FormatFixed(c.value, c.decimals), c.text) << c.text;
}

TEST(NumberText, FormatGeneral) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0, "0"},         {1, "1"},         {-2.5, "-2.5"}, {0.1 + 0.2, "0.3"}, {123456789012345.0, "123456789012345"},
        {1e15, "1E15"},   {1.5e-7, "1.5E-7"}, {0.00001, "0.00001"}, {1234.5678, "1234.5678"},
    };
    for (const Case& c : cases) EXPECT_EQ(numtext::FormatGeneral(c.value, '.'), c.text) << c.text;
}

}  // namespace
