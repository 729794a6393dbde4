#include "engine/expr/exp_functions.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/expr/exp_function_support.h"
#include "engine/expr/exp_nodes.h"
#include "engine/storage/os_services.h"

namespace expfn {

int64_t Count(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kLimit = 9007199254740992.0;  // 2^53
    return static_cast<int64_t>(std::clamp(std::trunc(value), -kLimit, kLimit));
}

int64_t Width(double value) {
    const int64_t width = Count(value);
    if (width > kMaxTextWidth) RaiseExpression(resmsg::kInvalidValue, {"width"});
    return width;
}

bool DayOf(double value, int32_t* day) {
    if (!(value >= 1 && value < static_cast<double>(std::numeric_limits<int32_t>::max()) + 1.0)) return false;
    *day = static_cast<int32_t>(value);
    return true;
}

void UpperAscii(std::string& text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

}  // namespace expfn

TdvFunctionReg& LibraryFunctions() {
    static TdvFunctionReg registry = [] {
        TdvFunctionReg reg;
        TdvFunctionReg* r = &reg;
        r->Add(std::make_unique<TdvUDFAllTrim>());
        r->Add(std::make_unique<TdvUDFAsc>());
        r->Add(std::make_unique<TdvUDFAt>());
        r->Add(std::make_unique<TdvUDFAtC>());
        r->Add(std::make_unique<TdvUDFBetween>());
        r->Add(std::make_unique<TdvUDFCeiling>());
        r->Add(std::make_unique<TdvUDFChr>());
        r->Add(std::make_unique<TdvUDFCToD>());
        r->Add(std::make_unique<TdvUDFDate>());
        r->Add(std::make_unique<TdvUDFDescend>());
        r->Add(std::make_unique<TdvUDFDoW>());
        r->Add(std::make_unique<TdvUDFDToC>());
        r->Add(std::make_unique<TdvUDFDToS>());
        r->Add(std::make_unique<TdvUDFEmpty>());
        r->Add(std::make_unique<TdvUDFFloor>());
        r->Add(std::make_unique<TdvUDFIif>());
        r->Add(std::make_unique<TdvUDFInt>());
        r->Add(std::make_unique<TdvUDFLeft>());
        r->Add(std::make_unique<TdvUDFLen>());
        r->Add(std::make_unique<TdvUDFLower>());
        r->Add(std::make_unique<TdvUDFLTrim>());
        r->Add(std::make_unique<TdvUDFMod>());
        r->Add(std::make_unique<TdvUDFPadC>());
        r->Add(std::make_unique<TdvUDFPadL>());
        r->Add(std::make_unique<TdvUDFPadR>());
        r->Add(std::make_unique<TdvUDFProper>());
        r->Add(std::make_unique<TdvUDFRight>());
        r->Add(std::make_unique<TdvUDFRTrim>());
        r->Add(std::make_unique<TdvUDFSoundex>());
        r->Add(std::make_unique<TdvUDFSpace>());
        r->Add(std::make_unique<TdvUDFStr>());
        r->Add(std::make_unique<TdvUDFStrTran>());
        r->Add(std::make_unique<TdvUDFStrZero>());
        r->Add(std::make_unique<TdvUDFSubStr>());
        r->Add(std::make_unique<TdvUDFTrim>());
        r->Add(std::make_unique<TdvUDFUpper>());
        r->Add(std::make_unique<TdvUDFVal>());
        return reg;
    }();
    return registry;
}

// --- functions of any type --------------------------------------------------------------------------------------

namespace {
// The variant comparison BETWEEN uses: texts by the collation, null first, booleans false first, else numbers.
int CompareValues(const TdvExpValue& a, const TdvExpValue& b) {
    if (a.IsText() && b.IsText()) return os::CompareText(a.Text(), b.Text(), false);
    if (a.IsNull() || b.IsNull()) return a.IsNull() ? (b.IsNull() ? 0 : -1) : 1;
    if (a.GetKind() == TdvExpValue::Kind::Boolean && b.GetKind() == TdvExpValue::Kind::Boolean)
        return static_cast<int>(a.Boolean()) - static_cast<int>(b.Boolean());
    const double x = a.AsNumber(), y = b.AsNumber();
    return (x > y) - (x < y);
}
}  // namespace

bool TdvUDFBetween::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const int valueType = RequiredArgument(call, 0, exptype::kAny, call.Scratch(0));
    RequiredArgument(call, 1, valueType, call.Scratch(1));
    RequiredArgument(call, 2, valueType, call.Scratch(2));
    result.SetBoolean(CompareValues(call.Scratch(0), call.Scratch(1)) >= 0 &&
                      CompareValues(call.Scratch(0), call.Scratch(2)) <= 0);
    type = exptype::kBoolean;
    return true;
}

bool TdvUDFDescend::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    type = RequiredArgument(call, 0, exptype::kAny, result);
    switch (type) {
        case exptype::kDate: {
            const double day = result.AsNumber();
            if (day != kEmptyDateMarker) result.SetNumber(5231808 - day);
            break;
        }
        case exptype::kNumber: {
            const double value = result.AsNumber();
            result.SetNumber(value == 0 ? 0.0 : -value);
            break;
        }
        case exptype::kText:
            for (char& c : result.ConvertToText())
                c = static_cast<char>((256 - static_cast<unsigned char>(c)) % 256);
            break;
        case exptype::kBoolean: result.SetBoolean(!result.AsBoolean()); break;
        default: result.SetBoolean(false); break;
    }
    return true;
}

bool TdvUDFEmpty::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    TdvExpValue& value = call.Scratch(0);
    const int valueType = RequiredArgument(call, 0, exptype::kAny, value);
    bool empty = false;
    switch (valueType) {
        case exptype::kDate: empty = value.AsNumber() == 0 || value.AsNumber() == kEmptyDateMarker; break;
        case exptype::kNumber: empty = value.AsNumber() == 0; break;
        case exptype::kText: empty = value.Text().find_first_not_of(' ') == std::string_view::npos; break;
        case exptype::kBoolean: empty = !value.AsBoolean(); break;
        default: break;
    }
    result.SetBoolean(empty);
    type = exptype::kBoolean;
    return true;
}

bool TdvUDFIif::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    RequiredArgument(call, 0, exptype::kBoolean, call.Scratch(0));
    const int branch = call.Scratch(0).AsBoolean() ? 1 : 2;
    type = RequiredArgument(call, branch, exptype::kAny, result);
    return true;
}
