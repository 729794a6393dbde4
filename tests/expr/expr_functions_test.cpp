// The function library: every function's rule, its edge cases and its error path, one row per case.
#include "engine/expr/exp_functions.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/storage/dbf_date.h"
#include "expr_test_support.h"

using exprtest::Case;
using exprtest::Check;
using exprtest::Fails;
using exprtest::Evaluated;

namespace {

class ExprFunctions : public ::testing::Test {
protected:
    void SetUp() override { exprtest::UseTestLocale(); }
};

const double kMarch15 = TdvDBFDate::EncodeJulian(2024, 3, 15);

TEST_F(ExprFunctions, RegistryHoldsTheLibraryInOrder) {
    const char* names[] = {"ALLTRIM", "ASC", "AT", "ATC", "BETWEEN", "CEILING", "CHR", "CTOD", "DATE", "DESCEND",
                           "DOW", "DTOC", "DTOS", "EMPTY", "FLOOR", "IIF", "INT", "LEFT", "LEN", "LOWER",
                           "LTRIM", "MOD", "PADC", "PADL", "PADR", "PROPER", "RIGHT", "RTRIM", "SOUNDEX", "SPACE",
                           "STR", "STRTRAN", "STRZERO", "SUBSTR", "TRIM", "UPPER", "VAL"};
    const TdvFunctionReg& reg = LibraryFunctions();
    ASSERT_EQ(reg.Count(), 37);
    for (int i = 0; i < 37; ++i) EXPECT_EQ(reg.Name(i), names[i]);
    EXPECT_EQ(reg.Name(37), "");
    EXPECT_EQ(reg.Item(-1), nullptr);
    EXPECT_EQ(reg.Find("LEN"), reg.Item(18));
    EXPECT_EQ(reg.Find("len"), nullptr);  // callers upper-case the name
}

TEST_F(ExprFunctions, TextFunctions) {
    const Case cases[] = {
        {"ALLTRIM('  ab c  ')", 3, "ab c"},
        {"ALLTRIM(CHR(9) + 'x' + CHR(0))", 3, "x"},
        {"ALLTRIM('')", 3, ""},
        Fails("ALLTRIM(5)", "Text needed for Argument 1 of ALLTRIM"),
        {"ASC('A')", 4, 65.0},
        {"ASC(CHR(200))", 4, 200.0},
        {"ASC('')", 4, 0.0},
        Fails("ASC({20240315})", "Text needed for Argument 1 of ASC"),
        {"AT('a', 'banana')", 4, 2.0},
        {"AT('a', 'banana', 3)", 4, 6.0},
        {"AT('a', 'banana', 4)", 4, 6.0},
        {"AT('x', 'banana')", 4, 0.0},
        {"AT('a', 'banana', 0)", 4, 0.0},
        {"AT('', 'banana')", 4, 0.0},
        {"AT('aa', 'aaaa', 2)", 4, 2.0},
        {"AT('a', 'banana', 1000000000000000)", 4, 6.0},
        Fails("AT(1, 'a')", "Text needed for Argument 1 of AT"),
        Fails("AT('a')", "Text needed for Argument 2 of AT"),
        {"ATC('A', 'banana')", 4, 2.0},
        {"ATC('NA', 'BaNaNa', 2)", 4, 5.0},
        Fails("ATC('a', 2)", "Text needed for Argument 2 of ATC"),
        {"CHR(65)", 3, "A"},
        {"CHR(65.9)", 3, "A"},
        {"LEN(CHR(0))", 4, 1.0},
        Fails("CHR(300)", "A Byte value is required but invalid"),
        Fails("CHR(-1)", "A Byte value is required but invalid"),
        Fails("CHR()", "Number needed for Argument 1 of CHR"),
        {"LEFT('abc', 2)", 3, "ab"},
        {"LEFT('abc', 0)", 3, ""},
        {"LEFT('abc', 0.01)", 3, ""},
        {"LEFT('abc', 10)", 3, "abc"},
        {"LEFT('abc', '2')", 3, "ab"},  // a text where a number is needed goes through the conversion
        Fails("LEFT(1, 1)", "Text needed for Argument 1 of LEFT"),
        Fails("LEFT('abc', 'x')", "'x' is not a valid floating point value"),
        {"LEN('abc ')", 4, 4.0},
        {"LEN('')", 4, 0.0},
        Fails("LEN(3)", "Text needed for Argument 1 of LEN"),
        {"LOWER('AbC')", 3, "abc"},
        Fails("LOWER(1)", "Text needed for Argument 1 of LOWER"),
        {"LTRIM('  a ')", 3, "a "},
        Fails("LTRIM(1)", "Text needed for Argument 1 of LTRIM"),
        {"PADC('ab', 5)", 3, " ab  "},
        {"PADC('ab', 6, '-')", 3, "--ab--"},
        {"PADL('abc', 2)", 3, "abc"},
        {"PADL('a', 3, '*')", 3, "**a"},
        {"PADR('a', 3)", 3, "a  "},
        {"PADR(5, 3)", 3, "5  "},
        {"PADR(.T., 2)", 3, "T "},
        {"PADL('a', -3)", 3, "a"},
        Fails("PADL('a', 3, 'xy')", "A Char value is required but invalid"),
        Fails("PADL('a', 3, '')", "A Char value is required but invalid"),
        Fails("PADR('a', 3, .T.)", "A Char value is required but invalid"),
        Fails("PADC()", "Value needed for Argument 1 of Pad"),
        Fails("PADL('a', 65536)", "A width value is required but invalid"),
        {"LEN(PADL('a', 65535))", 4, 65535.0},
        {"PROPER('hello WORLD-wide')", 3, "Hello World-Wide"},
        {"PROPER(\"o'neil mc2x@home\")", 3, "O'neil Mc2x@Home"},
        {"PROPER('a' + CHR(0) + 'b' + CHR(127) + 'c' + CHR(200) + 'D')", 3,
         std::string("A\0B\x7f" "C\xe8" "d", 7)},
        Fails("PROPER(1)", "Text needed for Argument 1 of PROPER"),
        {"RIGHT('abc', 0)", 3, "abc"},
        {"RIGHT('abc', -1)", 3, "abc"},
        {"RIGHT('abc', 2)", 3, "bc"},
        {"RIGHT('abc', 3)", 3, "abc"},
        {"RIGHT('abc', 5)", 3, "abc"},
        Fails("RIGHT('abc')", "Number needed for Argument 2 of RIGHT"),
        {"RTRIM('a  ')", 3, "a"},
        {"TRIM(' a ' + CHR(10))", 3, " a"},
        Fails("TRIM(1)", "Text needed for Argument 1 of TRIM"),
        Fails("RTRIM(1)", "Text needed for Argument 1 of RTRIM"),
        {"SOUNDEX('Robert')", 3, "R163"},
        {"SOUNDEX('ABE')", 3, "A100"},
        {"SOUNDEX('A')", 3, "A000"},
        {"SOUNDEX('')", 3, "0000"},
        {"SOUNDEX('robert')", 3, "R163"},
        {"SOUNDEX('Pfister')", 3, "P123"},
        {"SOUNDEX('Tymczak')", 3, "T520"},  // vowels are dropped before doubles are
        {"SOUNDEX('Bbb')", 3, "B100"},
        Fails("SOUNDEX(1)", "Text needed for Argument 1 of SOUNDEX"),
        {"SPACE(3)", 3, "   "},
        {"SPACE(0)", 3, ""},
        {"SPACE(-5)", 3, ""},
        Fails("SPACE(VAL('1e12'))", "A width value is required but invalid"),
        Fails("SPACE(1000000000000)", "A width value is required but invalid"),
        {"STRTRAN('abcabc', 'b', 'X')", 3, "aXcaXc"},
        {"STRTRAN('abcabc', 'b', 'X', 2)", 3, "abcaXc"},
        {"STRTRAN('abcabc', 'b', 'X', 1, 1)", 3, "aXcabc"},
        {"STRTRAN('abcabc', 'b')", 3, "acac"},
        {"STRTRAN('abc', 'x', 'y')", 3, "abc"},
        {"STRTRAN('abc', '', 'y')", 3, "abc"},
        {"STRTRAN('', 'a', 'y')", 3, ""},
        {"STRTRAN('aaa', 'a', 'bb', 2, 0)", 3, "aaa"},
        Fails("STRTRAN(SPACE(65535), ' ', SPACE(65535))", "A width value is required but invalid"),
        Fails("STRTRAN('abc', 1)", "Text needed for Argument 2 of STRTRAN"),
        {"SUBSTR('abcdef', 3, 2)", 3, "cd"},
        {"SUBSTR('abcdef', 3)", 3, "cdef"},
        {"SUBSTR('abcdef', 6, 5)", 3, "f"},
        {"SUBSTR('abc', 0)", 3, ""},
        {"SUBSTR('abc', 4)", 3, ""},
        {"SUBSTR('abc', 2, 0)", 3, ""},
        {"SUBSTR('abc', -1, 2)", 3, ""},
        {"SUBSTR('abc', 1, -2)", 3, ""},
        Fails("SUBSTR(1, 1)", "Text needed for Argument 1 of SUBSTR"),
        {"UPPER('abc')", 3, "ABC"},
        {"UPPER('\xe9t\xe9')", 3, "\xc9T\xc9"},
        Fails("UPPER(5)", "Text needed for Argument 1 of UPPER"),
        Fails("UPPER()", "Text needed for Argument 1 of UPPER"),
    };
    for (const Case& c : cases) Check(c, Evaluated(c.text));
}

TEST_F(ExprFunctions, NumberFunctions) {
    const Case cases[] = {
        {"CEILING(1.2)", 4, 2.0},
        {"CEILING(-1.2)", 4, -1.0},
        {"STR(CEILING(-0.5), 2)", 3, " 0"},  // no negative zero
        Fails("CEILING()", "Number needed for Argument 1 of CEILING"),
        Fails("CEILING('x')", "'x' is not a valid floating point value"),
        {"FLOOR(1.5)", 4, 1.0},
        {"FLOOR(-1.5)", 4, -2.0},
        Fails("FLOOR()", "Number needed for Argument 1 of FLOOR"),
        {"INT(1.7)", 4, 1.0},
        {"INT(-1.7)", 4, -1.0},
        Fails("INT()", "Number needed for Argument 1 of INT"),
        {"MOD(7, 3)", 4, 1.0},
        {"MOD(-7, 3)", 4, -1.0},
        {"MOD(7, -3)", 4, 1.0},
        {"MOD(7.9, 3.9)", 4, 1.0},
        {"MOD(100000000000000000000, 7)", 4, 2.0},
        Fails("MOD(1, 0)", "A non-zero value is required but invalid"),
        Fails("MOD(1, 0.5)", "A non-zero value is required but invalid"),
        Fails("MOD(1)", "Number needed for Argument 2 of MOD"),
        {"STR(3.14159)", 3, "         3"},
        {"STR(3.14159, 6, 2)", 3, "  3.14"},
        {"STR(123456, 3)", 3, "***"},
        {"STR(-1.5, 5, 1)", 3, " -1.5"},
        {"STR(2.675, 5, 2)", 3, " 2.68"},
        {"STR(2.5, 3)", 3, "  3"},
        {"STR(1, 0)", 3, ""},
        {"STR(1, -4)", 3, ""},
        {"STR(1, 3, -2)", 3, "  1"},
        {"LEN(STR(1, 300, 300))", 4, 300.0},
        Fails("STR(1, 70000)", "A width value is required but invalid"),
        Fails("STR('x')", "'x' is not a valid floating point value"),
        Fails("STR()", "Number needed for Argument 1 of STR"),
        {"STRZERO(42, 5)", 3, "00042"},
        {"STRZERO(-5, 4)", 3, "00-5"},
        {"STRZERO(3.14159, 6, 2)", 3, "003.14"},
        {"STRZERO(123456, 3)", 3, "***"},
        Fails("STRZERO(1, 1000000000)", "A width value is required but invalid"),
        {"VAL('12.5')", 4, 12.5},
        {"VAL(' -3 ')", 4, -3.0},
        {"VAL('1e3')", 4, 1000.0},
        {"VAL('abc')", 4, 0.0},
        {"VAL('12abc')", 4, 0.0},
        {"VAL('')", 4, 0.0},
        Fails("VAL(12)", "Text needed for Argument 1 of VAL"),
    };
    for (const Case& c : cases) Check(c, Evaluated(c.text));
}

TEST_F(ExprFunctions, DateAndAnyTypeFunctions) {
    const Case cases[] = {
        {"CTOD('20240315')", 6, kMarch15},
        {"CTOD('15/03/2024')", 6, kMarch15},
        {"CTOD('')", 6, 1e100},
        {"CTOD('        ')", 6, 0.0},
        Fails("CTOD('31/02/2024')", "'31/02/2024' is not a valid date"),
        Fails("CTOD(1)", "Text needed for Argument 1 of CTOD"),
        {"DATE()", 6, static_cast<double>(TdvDBFDate::Today())},
        {"DOW(CTOD('20240317'))", 4, 1.0},
        {"DOW(CTOD('20240316'))", 4, 7.0},
        {"DOW(CTOD(''))", 4, 0.0},
        {"DOW({})", 4, 0.0},
        {"DOW(VAL('1e300'))", 4, 0.0},
        Fails("DOW()", "Date needed for Argument 1 of DOW"),
        {"DTOC(CTOD('20240315'))", 3, "15/03/2024"},
        {"DTOC(CTOD('20240315'), 1)", 3, "20240315"},
        {"DTOC(CTOD(''), 1)", 3, "        "},
        {"DTOC(CTOD(''))", 3, "          "},
        Fails("DTOC()", "Date needed for Argument 1 of DTOC"),
        {"DTOS(CTOD('20240315'))", 3, "20240315"},
        {"DTOS(CTOD(''))", 3, "        "},
        {"DTOS(-5)", 3, "        "},
        {"DTOS(VAL('1e300'))", 3, "        "},
        Fails("DTOS()", "Date needed for Argument 1 of DTOS"),
        {"BETWEEN(5, 1, 10)", 8, true},
        {"BETWEEN(10, 1, 10)", 8, true},
        {"BETWEEN(11, 1, 10)", 8, false},
        {"BETWEEN('b', 'a', 'c')", 8, true},
        {"BETWEEN('d', 'a', 'c')", 8, false},
        {"BETWEEN(CTOD('20240315'), CTOD('20240101'), CTOD('20241231'))", 8, true},
        {"BETWEEN(.T., .F., .T.)", 8, true},
        Fails("BETWEEN('b', 1, 2)", "Text needed for Argument 2 of BETWEEN"),
        Fails("BETWEEN(1, 2)", "Number needed for Argument 3 of BETWEEN"),
        {"DESCEND('AB')", 3, "\xbf\xbe"},
        {"DESCEND(CHR(0))", 3, std::string(1, '\0')},
        {"DESCEND(5)", 4, -5.0},
        {"DESCEND(0)", 4, 0.0},
        {"DESCEND(.T.)", 8, false},
        {"DESCEND(CTOD('20240315'))", 6, 5231808 - kMarch15},
        {"DESCEND(CTOD(''))", 6, 1e100},
        {"DESCEND(())", 1, false},
        Fails("DESCEND()", "Unknown Value needed for Argument 1 of DESCEND"),
        {"EMPTY(CTOD(''))", 8, true},
        {"EMPTY({})", 8, true},
        {"EMPTY(CTOD('20240315'))", 8, false},
        {"EMPTY(0)", 8, true},
        {"EMPTY(1)", 8, false},
        {"EMPTY('   ')", 8, true},
        {"EMPTY('')", 8, true},
        {"EMPTY(' a')", 8, false},
        {"EMPTY(.F.)", 8, true},
        {"EMPTY(.T.)", 8, false},
        {"EMPTY(())", 8, false},
        Fails("EMPTY()", "Unknown Value needed for Argument 1 of EMPTY"),
        {"IIF(.T., 'a', 'b')", 3, "a"},
        {"IIF(.F., 1, 2)", 4, 2.0},
        {"IIF(1 = 1, CTOD('20240315'), 'x')", 6, kMarch15},
        {"IIF(.T., 1, 1 / 0)", 4, 1.0},  // only the chosen branch is evaluated
        {"IIF('Y', 1, 2)", 4, 1.0},
        Fails("IIF(1, 2, 3)", "Boolean needed for Argument 1 of IIF"),
        Fails("IIF(.F., 1)", "Unknown Value needed for Argument 3 of IIF"),
    };
    for (const Case& c : cases) Check(c, Evaluated(c.text));
}

}  // namespace
