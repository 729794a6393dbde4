// The number and date functions of the library.
#include <algorithm>
#include <cmath>

#include "engine/expr/exp_function_support.h"
#include "engine/expr/exp_functions.h"
#include "engine/expr/exp_handler.h"
#include "engine/expr/exp_nodes.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/number_text.h"
#include "engine/storage/os_services.h"

// --- numbers ----------------------------------------------------------------------------------------------------

bool TdvUDFCeiling::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    result.SetNumber(std::ceil(NumberArgument(call, 0)) + 0.0);  // + 0.0 turns -0 into 0
    type = exptype::kNumber;
    return true;
}

bool TdvUDFFloor::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    result.SetNumber(std::floor(NumberArgument(call, 0)) + 0.0);
    type = exptype::kNumber;
    return true;
}

bool TdvUDFInt::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    result.SetNumber(std::trunc(NumberArgument(call, 0)) + 0.0);
    type = exptype::kNumber;
    return true;
}

bool TdvUDFMod::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const double dividend = std::trunc(NumberArgument(call, 0));
    const double divisor = std::trunc(NumberArgument(call, 1));
    if (divisor == 0) RaiseExpression(resmsg::kInvalidValue, {"non-zero"});
    // fmod of the truncated values is exact and keeps the dividend's sign, for any size of number.
    result.SetNumber(std::fmod(dividend, divisor) + 0.0);
    type = exptype::kNumber;
    return true;
}

bool TdvUDFStr::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const double value = NumberArgument(call, 0);
    int64_t width = 10;
    if (const TdvExpUserLink* link = call.Handler() ? call.Handler()->UserLink() : nullptr)
        width = link->DefaultNumberWidth();
    int64_t decimals = 0;
    if (call.Argument(1) != nullptr) {
        width = expfn::Width(NumberArgument(call, 1));
        if (call.Argument(2) != nullptr) decimals = std::clamp<int64_t>(expfn::Count(NumberArgument(call, 2)), 0, 255);
    }
    if (width < 0) width = 0;
    std::string& text = result.ResetText();
    text = numtext::FormatFixed(value, static_cast<int>(decimals));
    const size_t w = static_cast<size_t>(width);
    if (text.size() > w)
        text.assign(w, '*');
    else
        text.insert(0, w - text.size(), ' ');
    Finish(text);
    type = exptype::kText;
    return true;
}

void TdvUDFStrZero::Finish(std::string& text) const {
    for (char& c : text) {
        if (c != ' ') break;
        c = '0';
    }
}

bool TdvUDFVal::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const std::string& text = TextArgument(call, 0, call.Scratch(0));
    double value = 0;
    if (!numtext::Parse(text, os::Locale().decimalSeparator, &value)) value = 0;
    result.SetNumber(value);
    type = exptype::kNumber;
    return true;
}

// --- dates ------------------------------------------------------------------------------------------------------

namespace {
// A date value as a day, 0 for the empty date.
int32_t DateArgumentDay(double value) {
    int32_t day = 0;
    return expfn::DayOf(value, &day) ? day : 0;
}
}  // namespace

bool TdvUDFCToD::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const std::string& text = TextArgument(call, 0, call.Scratch(0));
    result.SetNumber(text.empty() ? kEmptyDateMarker : DBFDate().StorageToJulian(text));
    type = exptype::kDate;
    return true;
}

bool TdvUDFDate::Execute(TdvExpFunction&, TdvExpValue& result, int& type) {
    result.SetNumber(TdvDBFDate::Today());
    type = exptype::kDate;
    return true;
}

bool TdvUDFDoW::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    RequiredArgument(call, 0, exptype::kDate, call.Scratch(0));
    result.SetNumber(TdvDBFDate::DayOfWeek(DateArgumentDay(call.Scratch(0).AsNumber())));
    type = exptype::kNumber;
    return true;
}

bool TdvUDFDToC::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    RequiredArgument(call, 0, exptype::kDate, call.Scratch(0));
    const int32_t day = DateArgumentDay(call.Scratch(0).AsNumber());
    const bool storageForm = call.Argument(1) != nullptr && NumberArgument(call, 1) == 1;
    result.SetText(storageForm ? DBFDate().JulianToStorage(day) : DBFDate().JulianToDisplay(day));
    type = exptype::kText;
    return true;
}

bool TdvUDFDToS::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    RequiredArgument(call, 0, exptype::kDate, call.Scratch(0));
    const int32_t day = DateArgumentDay(call.Scratch(0).AsNumber());
    std::string& text = result.ResetText();
    text.resize(8);
    DBFDate().JulianToStorage(day, text.data());
    type = exptype::kText;
    return true;
}
