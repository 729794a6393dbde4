#include "engine/expr/exp_nodes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/expr/exp_user_link.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/errors.h"
#include "engine/storage/number_text.h"
#include "engine/storage/os_services.h"
#include "engine/storage/trim_split.h"

void RaiseExpression(int id, std::initializer_list<std::string_view> args) {
    throw EOrdaneExpression(FormatResource(id, args));
}

namespace expop {
const char* DisplayText(int code) {
    switch (code) {
        case kEqual: return "=";
        case kNotEqual: return "#";
        case kGreater: return ">";
        case kLess: return "<";
        case kGreaterEqual: return ">=";
        case kLessEqual: return "<=";
        case kIn: return "in string";
        case kExactlyEqual: return "exactly equal";
        case kPlus: return "+";
        case kMinus: return "-";
        case kTimes: return "*";
        case kDivide: return "/";
        case kPower: return "^";
        case kAnd: return ".AND.";
        case kOr: return ".OR.";
        case kNot: return ".NOT.";
        default: return "";
    }
}

int Level(int code) {
    switch (code) {
        case kPower: return 2;
        case kTimes: case kDivide: case kAnd: return 3;
        case kPlus: case kMinus: case kOr: return 4;
        case kEqual: case kNotEqual: case kGreater: case kLess: case kGreaterEqual: case kLessEqual: case kIn:
        case kExactlyEqual: return 5;
        case kNot: return 6;
        default: return 0;
    }
}
}  // namespace expop

// --- base -------------------------------------------------------------------------------------------------------

void TdvExpBaseObject::SetLeft(std::unique_ptr<TdvExpBaseObject> node) {
    if (node) NoteChildDepth(node->Depth());
    left_ = std::move(node);
}

void TdvExpBaseObject::SetRight(std::unique_ptr<TdvExpBaseObject> node) {
    if (node) NoteChildDepth(node->Depth());
    right_ = std::move(node);
}

std::string TdvExpBaseObject::AsText() const {
    std::string text = left_ ? left_->AsText() : std::string();
    text += Token();
    if (right_) text += right_->AsText();
    return text;
}

void TdvExpBaseObject::CollectNames(TdvLinkKind kind, std::string& names) const {
    if (left_) left_->CollectNames(kind, names);
    if (LinkKind() == kind) {
        names += Token();
        names += ';';
    }
    if (right_) right_->CollectNames(kind, names);
}

// --- group, function, field variable ----------------------------------------------------------------------------

TdvExpContainer::TdvExpContainer(std::unique_ptr<TdvExpBaseObject> inner) : TdvExpBaseObject(nkContainer) {
    SetLeft(std::move(inner));
}

std::string TdvExpContainer::Token() const {
    std::string text(1, '(');
    if (left_) text += left_->AsText();
    text += ')';
    return text;
}

std::string TdvExpContainer::AsText() const { return Token(); }

void TdvExpContainer::Evaluate(TdvExpValue& result, int& type) {
    if (left_) {
        left_->Evaluate(result, type);
    } else {
        result.SetNull();
        type = exptype::kAbsent;
    }
    valueType_ = type;
}

TdvExpFunction::TdvExpFunction(TdvUserDefFunction* function, std::string name,
                               std::vector<std::unique_ptr<TdvExpBaseObject>> arguments, TdvExpHandler* handler)
    : TdvExpBaseObject(nkFunction),
      function_(function),
      name_(std::move(name)),
      arguments_(std::move(arguments)),
      scratch_(std::max<size_t>(4, arguments_.size())),
      handler_(handler) {
    for (const auto& argument : arguments_) NoteChildDepth(argument->Depth());
}

std::string TdvExpFunction::Token() const { return name_; }

std::string TdvExpFunction::AsText() const {
    std::string text = name_ + "(";
    for (size_t i = 0; i < arguments_.size(); ++i) {
        if (i > 0) text += ',';
        text += arguments_[i]->AsText();
    }
    return text + ")";
}

void TdvExpFunction::CollectNames(TdvLinkKind kind, std::string& names) const {
    TdvExpBaseObject::CollectNames(kind, names);
    for (const auto& argument : arguments_) argument->CollectNames(kind, names);
}

TdvExpBaseObject* TdvExpFunction::Argument(int i) const {
    return i >= 0 && i < ArgumentCount() ? arguments_[static_cast<size_t>(i)].get() : nullptr;
}

void TdvExpFunction::Evaluate(TdvExpValue& result, int& type) {
    type = exptype::kAbsent;
    if (!function_->Execute(*this, result, type)) type = exptype::kAbsent;
    valueType_ = type;
}

TdvExpFieldvar::TdvExpFieldvar(TdvUserDefFieldVar* variable, TdvExpHandler* handler)
    : TdvExpBaseObject(nkFieldvar), variable_(variable), handler_(handler) {}

std::string TdvExpFieldvar::Token() const { return variable_->Name(); }

TdvLinkKind TdvExpFieldvar::LinkKind() const { return variable_->LinkKind(); }

void TdvExpFieldvar::Evaluate(TdvExpValue& result, int& type) {
    type = exptype::kAbsent;
    if (!variable_->GetValue(result, type)) type = exptype::kAbsent;
    valueType_ = type;
}

// --- literals ---------------------------------------------------------------------------------------------------

void TdvExpTextLit::Evaluate(TdvExpValue& result, int& type) {
    result.SetText(text_);
    type = valueType_ = exptype::kText;
}

std::string TdvExpNumLit::Token() const { return numtext::FormatFixed(value_, std::clamp(decimals_, 0, 255)); }

void TdvExpNumLit::Evaluate(TdvExpValue& result, int& type) {
    result.SetNumber(value_);
    type = valueType_ = exptype::kNumber;
}

std::string TdvExpDateLit::Token() const {
    std::string text(1, '{');
    text += DBFDate().JulianToDisplay(static_cast<int32_t>(day_));
    text += '}';
    return text;
}

void TdvExpDateLit::Evaluate(TdvExpValue& result, int& type) {
    result.SetNumber(day_);
    type = valueType_ = exptype::kDate;
}

void TdvExpBlnLit::Evaluate(TdvExpValue& result, int& type) {
    result.SetBoolean(value_);
    type = valueType_ = exptype::kBoolean;
}

// --- operators --------------------------------------------------------------------------------------------------

TdvExpOperator::TdvExpOperator(int code, const TdvExpCompareOptions& options)
    : TdvExpBaseObject(nkOperator), code_(code), level_(expop::Level(code)), options_(options) {}

std::string TdvExpOperator::Token() const { return expop::DisplayText(code_); }

void TdvExpOperator::Invalid(const char* what) const { RaiseExpression(resmsg::kInvalidValue, {what}); }

void TdvExpOperator::Evaluate(TdvExpValue& result, int& type) {
    const bool unary = code_ == expop::kNot;
    if ((!unary && !left_) || !right_) RaiseExpression(resmsg::kMissingOperand, {expop::DisplayText(code_)});
    // The right side goes first and its type decides: stored keys depend on "1 + DATE()" being a date.
    int rightType = exptype::kNone;
    right_->Evaluate(rightValue_, rightType);
    int leftType = rightType;
    if (!unary) left_->Evaluate(result, leftType);
    if (leftType != rightType && !(exptype::IsNumeric(leftType) && exptype::IsNumeric(rightType)))
        RaiseExpression(resmsg::kSidesMismatch);
    valueType_ = rightType;
    if (rightType == exptype::kBoolean)
        EvaluateBoolean(result);
    else if (exptype::IsNumeric(rightType))
        EvaluateNumeric(result);
    else if (rightType == exptype::kText)
        EvaluateText(result);
    else
        result.SetNull();
    type = valueType_;
}

void TdvExpOperator::EvaluateBoolean(TdvExpValue& result) {
    const bool r = rightValue_.AsBoolean();
    const bool l = code_ == expop::kNot ? false : result.AsBoolean();
    bool value = false;
    switch (code_) {
        case expop::kEqual: value = l == r; break;
        case expop::kNotEqual: value = l != r; break;
        case expop::kAnd: value = l && r; break;
        case expop::kOr: value = l || r; break;
        case expop::kNot: value = !r; break;
        case expop::kPlus: case expop::kMinus: case expop::kTimes: case expop::kDivide: case expop::kPower:
            Invalid("number");
        default: Invalid("assigned");
    }
    result.SetBoolean(value);
    valueType_ = exptype::kBoolean;
}

namespace {

// x to the power n by repeated squaring: 1 for n = 0, 1 / x^|n| for n < 0.
double IntegerPower(double x, double exponent) {
    // Beyond 2^62 every double is an even integer, so clamping keeps the parity and the result's limit.
    const double limit = 4611686018427387904.0;  // 2^62
    const double e = std::clamp(std::trunc(exponent), -limit, limit);
    const bool negative = e < 0;
    uint64_t n = static_cast<uint64_t>(negative ? -e : e);
    double result = 1, base = x;
    while (n != 0) {
        if (n & 1) result *= base;
        n >>= 1;
        if (n != 0) base *= base;
    }
    if (negative) {
        if (result == 0) RaiseExpression(resmsg::kInvalidValue, {"non-zero"});
        result = 1 / result;
    }
    return result;
}

}  // namespace

void TdvExpOperator::EvaluateNumeric(TdvExpValue& result) {
    const double r = rightValue_.AsNumber();
    const double l = result.AsNumber();
    const double d = l - r;
    bool comparison = true;
    bool truth = false;
    switch (code_) {
        case expop::kEqual: truth = d == 0; break;
        case expop::kNotEqual: truth = d != 0; break;
        case expop::kGreater: truth = d > 0; break;
        case expop::kLess: truth = d < 0; break;
        case expop::kGreaterEqual: truth = d >= 0; break;
        case expop::kLessEqual: truth = d <= 0; break;
        default: comparison = false; break;
    }
    if (comparison) {
        result.SetBoolean(truth);
        valueType_ = exptype::kBoolean;
        return;
    }
    double value = 0;
    switch (code_) {
        case expop::kPlus: value = l + r; break;
        case expop::kMinus: value = d; break;
        case expop::kTimes: value = l * r; break;
        case expop::kDivide:
            // Infinity or NaN would end up in index keys, where they break the order.
            if (r == 0) Invalid("non-zero");
            value = l / r;
            break;
        case expop::kPower: value = IntegerPower(l, r); break;
        default: Invalid("assigned");
    }
    if (!std::isfinite(value)) Invalid("finite");
    result.SetNumber(value);
}

void TdvExpOperator::EvaluateText(TdvExpValue& result) {
    const std::string_view r = rightValue_.Text();
    switch (code_) {
        case expop::kEqual: case expop::kNotEqual: case expop::kGreater: case expop::kLess:
        case expop::kGreaterEqual: case expop::kLessEqual: {
            const int c = CompareTexts(result, rightValue_);
            bool value = false;
            switch (code_) {
                case expop::kEqual: value = c == 0; break;
                case expop::kNotEqual: value = c != 0; break;
                case expop::kGreater: value = c > 0; break;
                case expop::kLess: value = c < 0; break;
                case expop::kGreaterEqual: value = c >= 0; break;
                default: value = c <= 0; break;
            }
            result.SetBoolean(value);
            valueType_ = exptype::kBoolean;
            return;
        }
        case expop::kIn: {
            const std::string_view l = result.Text();
            const bool value = !l.empty() && r.find(l) != std::string_view::npos;
            result.SetBoolean(value);
            valueType_ = exptype::kBoolean;
            return;
        }
        case expop::kPlus:
            result.ConvertToText().append(r);
            return;
        case expop::kMinus: {
            // Trailing blanks of the left side move to the end: "AB  " - "CD" is "ABCD  ".
            std::string& text = result.ConvertToText();
            const size_t total = text.size() + r.size();
            const size_t kept = text.find_last_not_of(' ');
            text.resize(kept == std::string::npos ? 0 : kept + 1);
            text.append(r);
            text.resize(total, ' ');
            return;
        }
        default: Invalid("assigned");
    }
}

int TdvExpOperator::CompareTexts(const TdvExpValue& left, const TdvExpValue& right) {
    std::string_view l = left.Text(), r = right.Text();
    if (l.empty() || r.empty()) return l.empty() ? (r.empty() ? 0 : -1) : 1;
    l = textutil::TrimRight(l, textutil::IsBlank);
    r = textutil::TrimRight(r, textutil::IsBlank);
    const char wildcard = options_.multiWildcard;
    const bool leading = !r.empty() && r.front() == wildcard;
    const bool trailing = !r.empty() && r.back() == wildcard;
    if (!options_.partialMatch || !(leading || trailing)) return os::CompareText(l, r, options_.caseInsensitive);

    if (r.size() == 1) return 0;  // the wildcard alone matches anything
    if (options_.caseInsensitive) {
        leftUpper_.assign(l);
        os::UpperCase(leftUpper_.data(), leftUpper_.size());
        rightUpper_.assign(r);
        os::UpperCase(rightUpper_.data(), rightUpper_.size());
        l = leftUpper_;
        r = rightUpper_;
    }
    if (leading) r.remove_prefix(1);
    if (trailing && !r.empty()) r.remove_suffix(1);
    const int c = os::CompareText(l, r, false);
    if (c == 0) return 0;
    bool match;
    if (leading && trailing)
        match = l.find(r) != std::string_view::npos;
    else if (trailing)
        match = l.starts_with(r);
    else
        match = l.ends_with(r);  // any occurrence ending at the end, not only the first one found
    return match ? 0 : c;
}
