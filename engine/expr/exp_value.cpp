#include "engine/expr/exp_value.h"

#include "engine/storage/number_text.h"
#include "engine/storage/os_services.h"
#include "framework/base/exception.h"
#include "framework/base/variant.h"

namespace exptype {
const char* TypeName(int type) {
    switch (type) {
        case kText: return "Text";
        case kNumber: return "Number";
        case kDate: return "Date";
        case kBoolean: return "Boolean";
        default: return "Unknown Value";
    }
}
}  // namespace exptype

std::string& TdvExpValue::ConvertToText() {
    switch (kind_) {
        case Kind::Text: break;
        case Kind::Null: text_.clear(); break;
        case Kind::Boolean: text_.assign(1, boolean_ ? 'T' : 'F'); break;
        case Kind::Number: text_ = numtext::FormatGeneral(number_, os::Locale().decimalSeparator); break;
    }
    kind_ = Kind::Text;
    return text_;
}

double TdvExpValue::AsNumber() const {
    switch (kind_) {
        case Kind::Number: return number_;
        case Kind::Boolean: return boolean_ ? 1 : 0;
        case Kind::Null: return 0;
        case Kind::Text: break;
    }
    double value = 0;
    if (!numtext::Parse(text_, os::Locale().decimalSeparator, &value))
        throw EConvertError("'" + text_ + "' is not a valid floating point value");
    return value;
}

bool TdvExpValue::AsBoolean() const {
    switch (kind_) {
        case Kind::Boolean: return boolean_;
        case Kind::Number: return number_ != 0;
        case Kind::Null: return false;
        case Kind::Text: break;
    }
    return !text_.empty() && std::string_view("TtYyJj").find(text_[0]) != std::string_view::npos;
}

std::string TdvExpValue::AsText() const {
    switch (kind_) {
        case Kind::Text: return text_;
        case Kind::Boolean: return boolean_ ? "T" : "F";
        case Kind::Number: return numtext::FormatGeneral(number_, os::Locale().decimalSeparator);
        case Kind::Null: break;
    }
    return std::string();
}

Variant TdvExpValue::ToVariant() const {
    switch (kind_) {
        case Kind::Boolean: return Variant(boolean_);
        case Kind::Number: return Variant(number_);
        case Kind::Text: return Variant(text_);
        case Kind::Null: break;
    }
    return Variant();
}
