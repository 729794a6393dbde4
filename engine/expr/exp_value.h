// TdvExpValue: the value an expression node computes, with the type codes every evaluated value carries.
//
// Values during evaluation are null, boolean, number (a double) or text, like the framework's Variant. The
// framework's Variant gives up its text buffer whenever its type changes, so evaluating into it would allocate
// for every record; this value keeps its text buffer for its whole life, and a node that evaluates into the same
// value again reuses it. Convert with ToVariant at the boundary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class Variant;

// Type codes carried with every evaluated value.
namespace exptype {
constexpr int kNone = 0;       // no value: no expression, or a result that cannot become a key
constexpr int kAbsent = 1;     // a missing argument, or a function or variable that produced nothing
constexpr int kAny = 2;        // any type (only as the required type of a function argument)
constexpr int kText = 3;
constexpr int kNumber = 4;
constexpr int kDate = 6;       // the Julian day held as a number
constexpr int kBoolean = 8;
constexpr int kLogical = kBoolean;  // the name the index engine uses for it
constexpr int kFieldText = 9;  // field text of a field type without its own mapping

// Codes 4 to 7 may be mixed in arithmetic and comparisons.
constexpr bool IsNumeric(int type) { return type >= 4 && type <= 7; }
// "Text", "Number", "Date", "Boolean", else "Unknown Value"; used in messages.
const char* TypeName(int type);
}  // namespace exptype

// CTOD('') yields this number as its date; the date functions treat it as the empty date.
constexpr double kEmptyDateMarker = 1e100;

class TdvExpValue {
public:
    enum class Kind : uint8_t { Null, Boolean, Number, Text };

    Kind GetKind() const { return kind_; }
    bool IsNull() const { return kind_ == Kind::Null; }
    bool IsText() const { return kind_ == Kind::Text; }

    void SetNull() { kind_ = Kind::Null; }
    void SetBoolean(bool value) { kind_ = Kind::Boolean; boolean_ = value; }
    void SetNumber(double value) { kind_ = Kind::Number; number_ = value; }
    // Copies the text into the value's own buffer (no allocation when the buffer is large enough).
    void SetText(std::string_view text) { kind_ = Kind::Text; text_.assign(text.data(), text.size()); }
    // Makes the value an empty text and hands out its buffer to be filled in place.
    std::string& ResetText() { kind_ = Kind::Text; text_.clear(); return text_; }
    // Turns the value into its text (see AsText) and hands out the buffer to be changed in place.
    std::string& ConvertToText();

    // The stored parts; each is meaningful only for its kind.
    bool Boolean() const { return boolean_; }
    double Number() const { return number_; }
    // The text of a text value; empty for other kinds.
    std::string_view Text() const { return kind_ == Kind::Text ? std::string_view(text_) : std::string_view(); }

    // Conversions as the framework's variant makes them. AsNumber: text by the locale's decimal separator
    // (EConvertError when it is no number), boolean 1 or 0, null 0. AsBoolean: text true when its first
    // character is one of "TtYyJj", number non-zero, null false. AsText: numbers in the general form of up to
    // 15 digits, booleans "T" or "F", null empty.
    double AsNumber() const;
    bool AsBoolean() const;
    std::string AsText() const;

    // The framework's variant of this value (null, boolean, number or text).
    Variant ToVariant() const;

private:
    Kind kind_ = Kind::Null;
    bool boolean_ = false;
    double number_ = 0;
    std::string text_;  // kept across kinds so that its buffer is reused
};
