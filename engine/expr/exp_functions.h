// The engine-wide library of expression functions, one class per function, and its registry.
//
// Every function evaluates its own arguments through the shared argument routine of TdvUserDefFunction, in the
// order it needs them, and reads each right after evaluating it. "n" below is a number truncated towards zero.
// Widths and sizes are capped at kMaxTextWidth characters (65182 beyond): an index header's expression must not
// be able to demand gigabytes. A date of exactly kEmptyDateMarker is the empty date, like a day of 0.
#pragma once

#include <cstdint>
#include <string>

#include "engine/expr/exp_user_link.h"

constexpr int32_t kMaxTextWidth = 65535;
// STRTRAN can multiply its text's length; its result stops here (65182).
constexpr size_t kMaxReplacedText = 16u << 20;

// The library in registration order (also its search order), created on first use and kept to the end.
TdvFunctionReg& LibraryFunctions();

#define VELMORA_UDF_EXECUTE bool Execute(TdvExpFunction& call, TdvExpValue& result, int& type) override

// ALLTRIM(text): the text without leading and trailing characters of code 32 or below.
class TdvUDFAllTrim : public TdvUserDefFunction {
public:
    TdvUDFAllTrim() : TdvUserDefFunction("ALLTRIM") {}
    VELMORA_UDF_EXECUTE;
};

// ASC(text): the code of the first character; 0 for an empty text.
class TdvUDFAsc : public TdvUserDefFunction {
public:
    TdvUDFAsc() : TdvUserDefFunction("ASC") {}
    VELMORA_UDF_EXECUTE;
};

// AT(needle, haystack [, n]): position of the n-th occurrence, or of the last one found when there are fewer
// (0 for none, and for n <= 0). Occurrences may overlap.
class TdvUDFAt : public TdvUserDefFunction {
public:
    TdvUDFAt() : TdvUserDefFunction("AT") {}
    VELMORA_UDF_EXECUTE;
};

// ATC(needle, haystack [, n]): AT with both texts upper-cased (ASCII letters only).
class TdvUDFAtC : public TdvUserDefFunction {
public:
    TdvUDFAtC() : TdvUserDefFunction("ATC") {}
    VELMORA_UDF_EXECUTE;
};

// BETWEEN(value, low, high): low <= value <= high; low and high must have the value's type.
class TdvUDFBetween : public TdvUserDefFunction {
public:
    TdvUDFBetween() : TdvUserDefFunction("BETWEEN") {}
    VELMORA_UDF_EXECUTE;
};

// CEILING(number): the smallest integer not below it.
class TdvUDFCeiling : public TdvUserDefFunction {
public:
    TdvUDFCeiling() : TdvUserDefFunction("CEILING") {}
    VELMORA_UDF_EXECUTE;
};

// CHR(n): the one-character text of code n; outside 0-255 raises 65182 "Byte".
class TdvUDFChr : public TdvUserDefFunction {
public:
    TdvUDFChr() : TdvUserDefFunction("CHR") {}
    VELMORA_UDF_EXECUTE;
};

// CTOD(text): the date of "yyyymmdd" or the locale's short form; the empty-date marker for an empty text.
class TdvUDFCToD : public TdvUserDefFunction {
public:
    TdvUDFCToD() : TdvUserDefFunction("CTOD") {}
    VELMORA_UDF_EXECUTE;
};

// DATE(): today's Julian day.
class TdvUDFDate : public TdvUserDefFunction {
public:
    TdvUDFDate() : TdvUserDefFunction("DATE") {}
    VELMORA_UDF_EXECUTE;
};

// DESCEND(value): a value that sorts the other way: 5231808 - day for dates (the marker stays), the negated
// number, every character c as (256 - c) mod 256, the negated boolean; false for other types.
class TdvUDFDescend : public TdvUserDefFunction {
public:
    TdvUDFDescend() : TdvUserDefFunction("DESCEND") {}
    VELMORA_UDF_EXECUTE;
};

// DOW(date): 1 Sunday .. 7 Saturday; 0 for the empty date.
class TdvUDFDoW : public TdvUserDefFunction {
public:
    TdvUDFDoW() : TdvUserDefFunction("DOW") {}
    VELMORA_UDF_EXECUTE;
};

// DTOC(date [, 1]): the display form, or with 1 the storage form; blanks for the empty date.
class TdvUDFDToC : public TdvUserDefFunction {
public:
    TdvUDFDToC() : TdvUserDefFunction("DTOC") {}
    VELMORA_UDF_EXECUTE;
};

// DTOS(date): "yyyymmdd"; 8 blanks for the empty date.
class TdvUDFDToS : public TdvUserDefFunction {
public:
    TdvUDFDToS() : TdvUserDefFunction("DTOS") {}
    VELMORA_UDF_EXECUTE;
};

// EMPTY(value): the empty date, 0, an all-blank text, false; false for other types.
class TdvUDFEmpty : public TdvUserDefFunction {
public:
    TdvUDFEmpty() : TdvUserDefFunction("EMPTY") {}
    VELMORA_UDF_EXECUTE;
};

// FLOOR(number): the largest integer not above it.
class TdvUDFFloor : public TdvUserDefFunction {
public:
    TdvUDFFloor() : TdvUserDefFunction("FLOOR") {}
    VELMORA_UDF_EXECUTE;
};

// IIF(condition, then, else): evaluates only the chosen branch; its value and type are the result.
class TdvUDFIif : public TdvUserDefFunction {
public:
    TdvUDFIif() : TdvUserDefFunction("IIF") {}
    VELMORA_UDF_EXECUTE;
};

// INT(number): truncated towards zero.
class TdvUDFInt : public TdvUserDefFunction {
public:
    TdvUDFInt() : TdvUserDefFunction("INT") {}
    VELMORA_UDF_EXECUTE;
};

// LEFT(text, n): the first n characters; empty for a count of 0.01 or less.
class TdvUDFLeft : public TdvUserDefFunction {
public:
    TdvUDFLeft() : TdvUserDefFunction("LEFT") {}
    VELMORA_UDF_EXECUTE;
};

// LEN(text): the number of characters, blanks included.
class TdvUDFLen : public TdvUserDefFunction {
public:
    TdvUDFLen() : TdvUserDefFunction("LEN") {}
    VELMORA_UDF_EXECUTE;
};

// LOWER(text): lower case by the locale's rules.
class TdvUDFLower : public TdvUserDefFunction {
public:
    TdvUDFLower() : TdvUserDefFunction("LOWER") {}
    VELMORA_UDF_EXECUTE;
};

// LTRIM(text): without leading characters of code 32 or below.
class TdvUDFLTrim : public TdvUserDefFunction {
public:
    TdvUDFLTrim() : TdvUserDefFunction("LTRIM") {}
    VELMORA_UDF_EXECUTE;
};

// MOD(a, b): the remainder of the truncated numbers, with the sign of a; a zero divisor raises 65182.
class TdvUDFMod : public TdvUserDefFunction {
public:
    TdvUDFMod() : TdvUserDefFunction("MOD") {}
    VELMORA_UDF_EXECUTE;
};

// PADC, PADL, PADR(value, width [, pad]): the value as text padded with pad (a one-character text, default a
// blank) to width; a text as long as the width or longer is unchanged. A bad pad raises 65182 "Char".
class TdvUDFPadMain : public TdvUserDefFunction {
public:
    using TdvUserDefFunction::TdvUserDefFunction;
    VELMORA_UDF_EXECUTE;

protected:
    // How many of the missing characters go on the left.
    virtual size_t LeftPart(size_t missing) const = 0;
};

class TdvUDFPadC : public TdvUDFPadMain {
public:
    TdvUDFPadC() : TdvUDFPadMain("PADC") {}

protected:
    size_t LeftPart(size_t missing) const override { return missing / 2; }
};

class TdvUDFPadL : public TdvUDFPadMain {
public:
    TdvUDFPadL() : TdvUDFPadMain("PADL") {}

protected:
    size_t LeftPart(size_t missing) const override { return missing; }
};

class TdvUDFPadR : public TdvUDFPadMain {
public:
    TdvUDFPadR() : TdvUDFPadMain("PADR") {}

protected:
    size_t LeftPart(size_t) const override { return 0; }
};

// PROPER(text): a character is upper-cased after a blank, punctuation (not the apostrophe), code 0 or 127, or
// at the start; otherwise lower-cased.
class TdvUDFProper : public TdvUserDefFunction {
public:
    TdvUDFProper() : TdvUserDefFunction("PROPER") {}
    VELMORA_UDF_EXECUTE;
};

// RIGHT(text, n): the last n characters; the whole text for n <= 0 or n >= its length.
class TdvUDFRight : public TdvUserDefFunction {
public:
    TdvUDFRight() : TdvUserDefFunction("RIGHT") {}
    VELMORA_UDF_EXECUTE;
};

// TRIM(text): without trailing characters of code 32 or below.
class TdvUDFTrim : public TdvUserDefFunction {
public:
    explicit TdvUDFTrim(std::string name = "TRIM") : TdvUserDefFunction(std::move(name)) {}
    VELMORA_UDF_EXECUTE;
};

// RTRIM(text): TRIM under its other name.
class TdvUDFRTrim : public TdvUDFTrim {
public:
    TdvUDFRTrim() : TdvUDFTrim("RTRIM") {}
};

// SOUNDEX(text): the first character and up to three sound digits, "0000" for an empty text.
class TdvUDFSoundex : public TdvUserDefFunction {
public:
    TdvUDFSoundex() : TdvUserDefFunction("SOUNDEX") {}
    VELMORA_UDF_EXECUTE;
};

// SPACE(n): n blanks; empty for n <= 0.
class TdvUDFSpace : public TdvUserDefFunction {
public:
    TdvUDFSpace() : TdvUserDefFunction("SPACE") {}
    VELMORA_UDF_EXECUTE;
};

// STR(number [, width [, decimals]]): fixed-point, rounded, right-aligned in width (default: the link's
// number width, 10); asterisks when it does not fit.
class TdvUDFStr : public TdvUserDefFunction {
public:
    explicit TdvUDFStr(std::string name = "STR") : TdvUserDefFunction(std::move(name)) {}
    VELMORA_UDF_EXECUTE;

protected:
    // Last touch to the formatted text; nothing in STR.
    virtual void Finish(std::string&) const {}
};

// STRZERO: STR with every leading blank made "0" (so a negative number gives "00-5").
class TdvUDFStrZero : public TdvUDFStr {
public:
    TdvUDFStrZero() : TdvUDFStr("STRZERO") {}

protected:
    void Finish(std::string& text) const override;
};

// STRTRAN(text, search [, replacement [, start [, count]]]): replaces at most count occurrences from the
// start-th on.
class TdvUDFStrTran : public TdvUserDefFunction {
public:
    TdvUDFStrTran() : TdvUserDefFunction("STRTRAN") {}
    VELMORA_UDF_EXECUTE;
};

// SUBSTR(text, start [, count]): count characters from start (1-based); empty for start < 1 or beyond the end.
class TdvUDFSubStr : public TdvUserDefFunction {
public:
    TdvUDFSubStr() : TdvUserDefFunction("SUBSTR") {}
    VELMORA_UDF_EXECUTE;
};

// UPPER(text): upper case by the locale's rules.
class TdvUDFUpper : public TdvUserDefFunction {
public:
    TdvUDFUpper() : TdvUserDefFunction("UPPER") {}
    VELMORA_UDF_EXECUTE;
};

// VAL(text): the number the text reads as in the locale's form; 0 for an empty or invalid text.
class TdvUDFVal : public TdvUserDefFunction {
public:
    TdvUDFVal() : TdvUserDefFunction("VAL") {}
    VELMORA_UDF_EXECUTE;
};

#undef VELMORA_UDF_EXECUTE
