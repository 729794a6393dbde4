#include "engine/expr/exp_handler.h"

#include <cmath>
#include <limits>

#include "engine/expr/exp_functions.h"
#include "engine/expr/exp_user_link.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/errors.h"
#include "engine/storage/number_text.h"
#include "engine/storage/os_services.h"
#include "engine/storage/trim_split.h"
#include "engine/storage/variant_value.h"
#include "framework/base/variant.h"

namespace {

// The tokenizer skips blanks and control bytes alike.
constexpr textutil::CharTest IsBlank = textutil::IsBlankOrControl;
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentifierChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (os::UpperChar(a[i]) != os::UpperChar(b[i])) return false;
    return true;
}

// The character that closes a literal opened by c, or 0 when c opens none.
char LiteralCloser(char c) {
    switch (c) {
        case '"': return '"';
        case '\'': return '\'';
        case '[': return ']';
        case '{': return '}';
        default: return 0;
    }
}

// Index of the parenthesis closing the one at open, skipping literals; npos when there is none.
size_t MatchingParenthesis(std::string_view text, size_t open) {
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        const char c = text[i];
        if (const char closer = LiteralCloser(c)) {
            const size_t end = text.find(closer, i + 1);
            if (end == std::string_view::npos) return std::string_view::npos;
            i = end;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0) return i;
        }
    }
    return std::string_view::npos;
}

// The deepest nesting of parentheses outside literals, to refuse an over-deep text before reading it.
int ParenthesisNesting(std::string_view text) {
    int depth = 0, deepest = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (const char closer = LiteralCloser(c)) {
            const size_t end = text.find(closer, i + 1);
            if (end == std::string_view::npos) break;
            i = end;
        } else if (c == '(') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ')') {
            --depth;
        }
    }
    return deepest;
}

// The arguments of a call: the text split at commas outside literals and parentheses.
std::vector<std::string_view> SplitArguments(std::string_view text) {
    std::vector<std::string_view> parts;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (const char closer = LiteralCloser(c)) {
            const size_t end = text.find(closer, i + 1);
            if (end == std::string_view::npos) break;
            i = end;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ',' && depth == 0) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

struct OperatorForm {
    std::string_view form;
    int code;
};

constexpr OperatorForm kSymbolForms[] = {
    {"=", expop::kEqual},         {"#", expop::kNotEqual},     {"<>", expop::kNotEqual},
    {"!=", expop::kNotEqual},     {">", expop::kGreater},      {"<", expop::kLess},
    {">=", expop::kGreaterEqual}, {"=>", expop::kGreaterEqual}, {"<=", expop::kLessEqual},
    {"=<", expop::kLessEqual},    {"$", expop::kIn},           {"==", expop::kExactlyEqual},
    {"+", expop::kPlus},          {"-", expop::kMinus},        {"*", expop::kTimes},
    {"/", expop::kDivide},        {"**", expop::kPower},       {"^", expop::kPower},
};

constexpr OperatorForm kWordForms[] = {
    {"AND", expop::kAnd}, {"OR", expop::kOr},   {"EQ", expop::kEqual},     {"NE", expop::kNotEqual},
    {"GE", expop::kGreaterEqual}, {"LE", expop::kLessEqual}, {"LT", expop::kLess}, {"GT", expop::kGreater},
};

TdvExpToken OperatorToken(std::string_view form, int code) {
    TdvExpToken token;
    token.kind = TdvExpTokenKind::Operator;
    token.text = std::string(form);
    token.code = code;
    token.level = expop::Level(code);
    return token;
}

// Length of a NOT prefix at i: ".NOT." or the bare word NOT not followed by a name character; else 0.
size_t NotPrefix(std::string_view text, size_t i) {
    if (text[i] == '!') return 1;
    if (text.size() - i >= 5 && EqualsIgnoringCase(text.substr(i, 5), ".NOT.")) return 5;
    // A digit or an underscore continues a name (NOT_DONE, NOT1), so only those keep the word from being NOT.
    if (text.size() - i >= 3 && EqualsIgnoringCase(text.substr(i, 3), "NOT") &&
        (text.size() - i == 3 || !IsIdentifierChar(text[i + 3])))
        return 3;
    return 0;
}

}  // namespace

TdvExpHandler::TdvExpHandler(TdvExpUserLink* link, bool sqlWildcards, std::string_view text) : link_(link) {
    options_.multiWildcard = sqlWildcards ? '%' : '*';
    options_.singleWildcard = sqlWildcards ? '_' : '?';
    if (!text.empty()) SetExpression(text);
}

TdvExpHandler::~TdvExpHandler() = default;

void TdvExpHandler::SetExpression(std::string_view text) {
    root_.reset();
    operandCount_ = 0;
    resultType_ = exptype::kNone;
    expression_.assign(text);
    depth_ = 0;
    if (text.empty()) return;
    if (ParenthesisNesting(text) > kMaxDepth) TooDeep();
    root_ = Parse(text);
}

void TdvExpHandler::TooDeep() {
    throw EOrdaneExpression(FormatResource(resmsg::kCannotEvaluate) + ": nested deeper than " +
                            std::to_string(kMaxDepth) + " levels");
}

void TdvExpHandler::CheckDepth(const TdvExpBaseObject& node) {
    if (node.Depth() > kMaxDepth) TooDeep();
}

void TdvExpHandler::SyntaxError() const {
    RaiseExpression(resmsg::kSyntaxError, {expression_});
}

std::unique_ptr<TdvExpBaseObject> TdvExpHandler::Parse(std::string_view text) {
    struct DepthGuard {
        int& depth;
        explicit DepthGuard(int& d) : depth(d) { ++depth; }
        ~DepthGuard() { --depth; }
    } guard(depth_);
    if (depth_ > kMaxDepth) TooDeep();
    std::vector<TdvExpToken> tokens = Tokenize(text);
    return BuildTree(tokens);
}

// --- reading tokens ---------------------------------------------------------------------------------------------

std::vector<TdvExpToken> TdvExpHandler::Tokenize(std::string_view text) {
    text = textutil::Trim(text, IsBlank);
    std::vector<TdvExpToken> tokens;
    size_t i = 0;
    bool operandPosition = true;
    for (;;) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i >= text.size()) break;
        if (operandPosition) {
            if (const size_t notLength = NotPrefix(text, i)) {
                tokens.push_back(OperatorToken(text.substr(i, notLength), expop::kNot));
                i += notLength;
                while (i < text.size() && IsBlank(text[i])) ++i;
                if (i >= text.size()) break;
            }
            ReadOperand(text, i, tokens);
        } else {
            ReadOperator(text, i, tokens);
        }
        operandPosition = !operandPosition;
    }
    return tokens;
}

void TdvExpHandler::ReadOperand(std::string_view text, size_t& i, std::vector<TdvExpToken>& tokens) {
    const char c = text[i];
    TdvExpToken token;
    if (c == '(') {
        // Literals are skipped here as in calls, so that "(NAME = ')')" reads as written.
        const size_t close = MatchingParenthesis(text, i);
        if (close == std::string_view::npos) RaiseExpression(resmsg::kMissingParenthesis);
        token.kind = TdvExpTokenKind::Group;
        token.text = std::string(text.substr(i + 1, close - i - 1));
        i = close + 1;
    } else if (c == '.') {
        const size_t close = text.find('.', i + 1);
        if (close == std::string_view::npos) RaiseExpression(resmsg::kMissingPeriod);
        const std::string_view word = text.substr(i, close - i + 1);
        if (!EqualsIgnoringCase(word, ".T.") && !EqualsIgnoringCase(word, ".F."))
            RaiseExpression(resmsg::kExpectingLogical);
        token.kind = TdvExpTokenKind::Logical;
        token.text = std::string(word);
        i = close + 1;
    } else if (IsLetter(c) || c == '_') {
        size_t end = i;
        while (end < text.size() && IsIdentifierChar(text[end])) ++end;
        if (end < text.size() && text[end] == '(') {
            const size_t close = MatchingParenthesis(text, end);
            if (close == std::string_view::npos) RaiseExpression(resmsg::kMissingParenthesis);
            token.kind = TdvExpTokenKind::Function;
            token.name = std::string(text.substr(i, end - i));
            token.text = std::string(text.substr(end + 1, close - end - 1));
            i = close + 1;
        } else {
            ReadFieldName(text, i, end, tokens);
            return;
        }
    } else if (const char closer = LiteralCloser(c)) {
        const size_t close = text.find(closer, i + 1);
        if (close == std::string_view::npos) RaiseExpression(resmsg::kMissingQuote, {std::string_view(&text[i], 1)});
        token.kind = c == '{' ? TdvExpTokenKind::Date : TdvExpTokenKind::Text;
        token.text = std::string(text.substr(i + 1, close - i - 1));
        i = close + 1;
    } else if (c == '+' || c == '-' || IsDigit(c)) {
        size_t end = i + 1;
        while (end < text.size() && (IsDigit(text[end]) || text[end] == '.')) ++end;
        token.kind = TdvExpTokenKind::Number;
        token.text = std::string(text.substr(i, end - i));
        i = end;
    } else {
        SyntaxError();
    }
    tokens.push_back(std::move(token));
}

void TdvExpHandler::ReadFieldName(std::string_view text, size_t& i, size_t end, std::vector<TdvExpToken>& tokens) {
    std::string written(text.substr(i, end - i));
    if (!link_) RaiseExpression(resmsg::kNoFunction, {written});
    TdvUserDefFieldVar* found = nullptr;
    size_t foundEnd = 0;
    std::string foundName;
    for (;;) {
        TdvUserDefFieldVar* var = link_->FindFieldVar(os::UpperCase(written));
        if (var) {
            found = var;
            foundEnd = end;
            foundName = written;
        }
        const bool periodFollows = end < text.size() && text[end] == '.';
        // A name that is not known yet, or a variable that asks for it, reads on past the period (ALIAS.NAME).
        if (!periodFollows || (var && !var->Qualified())) break;
        written += '.';
        ++end;
        while (end < text.size() && IsIdentifierChar(text[end])) written += text[end++];
    }
    if (!found) RaiseExpression(resmsg::kNoFunction, {written});
    TdvExpToken token;
    token.kind = TdvExpTokenKind::Field;
    token.text = foundName;
    token.variable = found;
    i = foundEnd;
    tokens.push_back(std::move(token));
}

void TdvExpHandler::ReadOperator(std::string_view text, size_t& i, std::vector<TdvExpToken>& tokens) {
    const char c = text[i];
    if (std::string_view("!#$*+-/<=>^").find(c) != std::string_view::npos) {
        size_t end = i + 1;
        while (end < text.size() && std::string_view("*<=>").find(text[end]) != std::string_view::npos) ++end;
        const std::string_view form = text.substr(i, end - i);
        for (const OperatorForm& f : kSymbolForms) {
            if (f.form == form) {
                tokens.push_back(OperatorToken(form, f.code));
                i = end;
                return;
            }
        }
        SyntaxError();
    }
    if (c == '.' || IsLetter(c)) {
        size_t end = i + (c == '.' ? 1 : 0);
        const size_t wordStart = end;
        while (end < text.size() && IsLetter(text[end])) ++end;
        const std::string_view word = text.substr(wordStart, end - wordStart);
        if (end < text.size() && text[end] == '.') ++end;
        for (const OperatorForm& f : kWordForms) {
            if (EqualsIgnoringCase(f.form, word)) {
                tokens.push_back(OperatorToken(text.substr(i, end - i), f.code));
                i = end;
                return;
            }
        }
    }
    SyntaxError();
}

// --- building the tree ------------------------------------------------------------------------------------------

TdvUserDefFunction* TdvExpHandler::ResolveFunction(const std::string& upperName) {
    if (TdvUserDefFunction* f = LibraryFunctions().Find(upperName)) return f;
    if (link_) {
        if (TdvUserDefFunction* f = link_->FindFunction(upperName)) return f;
        if (TdvUserDefFunction* f = link_->UnknownFunction(upperName)) return f;
    }
    RaiseExpression(resmsg::kNoFunction, {upperName});
}

std::unique_ptr<TdvExpBaseObject> TdvExpHandler::MakeFunction(const TdvExpToken& token) {
    const std::string name = os::UpperCase(token.name);
    TdvUserDefFunction* function = ResolveFunction(name);
    ++operandCount_;
    std::vector<std::unique_ptr<TdvExpBaseObject>> arguments;
    for (std::string_view part : SplitArguments(token.text)) {
        if (textutil::Trim(part, IsBlank).empty()) continue;  // empty arguments are skipped
        if (auto argument = Parse(part)) arguments.push_back(std::move(argument));
    }
    auto node = std::make_unique<TdvExpFunction>(function, name, std::move(arguments), this);
    CheckDepth(*node);
    return node;
}

std::unique_ptr<TdvExpBaseObject> TdvExpHandler::MakeNode(TdvExpToken& token) {
    switch (token.kind) {
        case TdvExpTokenKind::Operator:
            return std::make_unique<TdvExpOperator>(token.code, options_);
        case TdvExpTokenKind::Group: {
            auto node = std::make_unique<TdvExpContainer>(Parse(token.text));
            CheckDepth(*node);
            return node;
        }
        case TdvExpTokenKind::Function:
            return MakeFunction(token);
        case TdvExpTokenKind::Field:
            ++operandCount_;
            return std::make_unique<TdvExpFieldvar>(token.variable, this);
        case TdvExpTokenKind::Text:
            ++operandCount_;
            return std::make_unique<TdvExpTextLit>(token.text);
        case TdvExpTokenKind::Number: {
            ++operandCount_;
            // A malformed literal such as 1.2.3 reads as 0.
            double value = 0;
            if (!numtext::Parse(token.text, '.', &value)) value = 0;
            const size_t point = token.text.find('.');
            const int decimals = point == std::string::npos ? 0 : static_cast<int>(token.text.size() - point - 1);
            return std::make_unique<TdvExpNumLit>(value, static_cast<int>(token.text.size()), decimals);
        }
        case TdvExpTokenKind::Date:
            ++operandCount_;
            return std::make_unique<TdvExpDateLit>(DBFDate().StorageToJulian(token.text));
        case TdvExpTokenKind::Logical:
            ++operandCount_;
            return std::make_unique<TdvExpBlnLit>(EqualsIgnoringCase(token.text, ".T."));
    }
    return nullptr;
}

std::unique_ptr<TdvExpBaseObject> TdvExpHandler::BuildTree(std::vector<TdvExpToken>& tokens) {
    if (tokens.empty()) return nullptr;
    std::vector<std::unique_ptr<TdvExpBaseObject>> list;
    list.reserve(tokens.size());
    for (TdvExpToken& token : tokens) list.push_back(MakeNode(token));

    // One pass per level: an operator of the level takes the element before it (not .NOT.) and the one after
    // it, which is what taking the first unreduced operator of the level again and again comes to.
    std::vector<std::unique_ptr<TdvExpBaseObject>> reduced;
    for (int level = 2; level <= 8; ++level) {
        reduced.clear();
        reduced.reserve(list.size());
        for (size_t k = 0; k < list.size(); ++k) {
            auto* op = list[k]->Kind() == nkOperator ? static_cast<TdvExpOperator*>(list[k].get()) : nullptr;
            if (op == nullptr || op->Reduced() || op->Level() != level) {
                reduced.push_back(std::move(list[k]));
                continue;
            }
            std::unique_ptr<TdvExpBaseObject> node = std::move(list[k]);
            if (level != 6 && !reduced.empty()) {
                node->SetLeft(std::move(reduced.back()));
                reduced.pop_back();
            }
            if (k + 1 < list.size()) node->SetRight(std::move(list[++k]));
            op->MarkReduced();
            CheckDepth(*node);
            reduced.push_back(std::move(node));
        }
        list.swap(reduced);
    }
    if (list.size() != 1) RaiseExpression(resmsg::kCannotEvaluate);
    return std::move(list.front());
}

// --- evaluation -------------------------------------------------------------------------------------------------

void TdvExpHandler::Evaluate(TdvExpValue& result) {
    if (!root_) {
        result.SetNull();
        resultType_ = exptype::kNone;
        return;
    }
    root_->Evaluate(result, resultType_);
}

void TdvExpHandler::Evaluate(Variant& result) {
    Evaluate(keyValue_);
    result = keyValue_.ToVariant();
}

namespace {
// A date value as a 32-bit day: anything that is no such day (the empty-date marker, NaN, huge values) is the
// empty date 0, never a wrapped or undefined number.
int32_t KeyDay(double value) {
    if (!(value > static_cast<double>(std::numeric_limits<int32_t>::min()) - 1.0 &&
          value < static_cast<double>(std::numeric_limits<int32_t>::max()) + 1.0))
        return 0;
    return static_cast<int32_t>(value);
}
}  // namespace

void TdvExpHandler::EvaluateToKey(TdvVariant& key) {
    if (!root_) {
        key.SetText("");
        resultType_ = exptype::kNone;
        return;
    }
    root_->Evaluate(keyValue_, resultType_);
    if (keyValue_.IsNull()) return;
    switch (resultType_) {
        case exptype::kText: key.SetText(keyValue_.Text()); break;
        case exptype::kNumber: {
            const double value = keyValue_.AsNumber();
            if (!std::isfinite(value)) RaiseExpression(resmsg::kInvalidValue, {"finite"});
            key.SetNumber(value);
            break;
        }
        case exptype::kDate: key.SetDate(KeyDay(keyValue_.AsNumber())); break;
        case exptype::kBoolean: key.SetBoolean(keyValue_.AsBoolean()); break;
        default: resultType_ = exptype::kNone; break;
    }
}

std::string TdvExpHandler::AsText() const { return root_ ? root_->AsText() : std::string(); }

std::string TdvExpHandler::CollectNames(TdvLinkKind kind) const {
    std::string names;
    if (root_) root_->CollectNames(kind, names);
    return names;
}
