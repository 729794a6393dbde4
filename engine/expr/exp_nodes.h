// The nodes of an expression tree. Every node owns its children, so destroying the root destroys the tree.
//
// Evaluation writes into a value the caller provides and keeps its own intermediate values in the nodes, so a
// tree that has been evaluated once evaluates again without allocating (as long as texts do not grow). The
// tree's shape never changes after it is built; a handler and its tree are used by one thread.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/expr/exp_value.h"
#include "engine/storage/errors.h"  // the resource ids RaiseExpression takes (resmsg)
#include "engine/storage/expression_link.h"

class TdvExpHandler;
class TdvUserDefFunction;
class TdvUserDefFieldVar;

enum TdvExpNodeKind : uint8_t {
    nkOperator, nkContainer, nkFunction, nkFieldvar, nkTextLit, nkNumLit, nkDateLit, nkBlnLit
};

// Operator codes, and the level each binds at (a lower level binds tighter).
namespace expop {
constexpr int kEqual = 0x81, kNotEqual = 0x82, kGreater = 0x83, kLess = 0x84, kGreaterEqual = 0x85,
              kLessEqual = 0x86, kIn = 0x87, kExactlyEqual = 0x88, kPlus = 0x89, kMinus = 0x8A,
              kTimes = 0x8B, kDivide = 0x8C, kPower = 0x8D, kAnd = 0x90, kOr = 0x91, kNot = 0x92;
// The operator's display text ("=", "in string", ".AND.", ...); empty for an unknown code.
const char* DisplayText(int code);
// 2 for "^", 3 for "*" "/" .AND., 4 for "+" "-" .OR., 5 for the comparisons, 6 for .NOT.; 0 when unknown.
int Level(int code);
}  // namespace expop

class TdvExpBaseObject {
public:
    explicit TdvExpBaseObject(TdvExpNodeKind kind) : kind_(kind) {}
    virtual ~TdvExpBaseObject() = default;
    TdvExpBaseObject(const TdvExpBaseObject&) = delete;
    TdvExpBaseObject& operator=(const TdvExpBaseObject&) = delete;

    // The node's own display text.
    virtual std::string Token() const = 0;
    // -1; a field variable answers its variable's kind.
    virtual TdvLinkKind LinkKind() const { return lkNone; }
    // The whole subtree as text: left subtree, own token, right subtree, without blanks.
    virtual std::string AsText() const;
    // Appends, in tree order, the token and a ";" of every node in the subtree whose LinkKind is kind.
    virtual void CollectNames(TdvLinkKind kind, std::string& names) const;
    // Computes the node's value into result and its type code into type.
    virtual void Evaluate(TdvExpValue& result, int& type) = 0;

    TdvExpNodeKind Kind() const { return kind_; }
    int ValueType() const { return valueType_; }  // type code of the node's last evaluation
    TdvExpBaseObject* Left() const { return left_.get(); }
    TdvExpBaseObject* Right() const { return right_.get(); }
    void SetLeft(std::unique_ptr<TdvExpBaseObject> node);
    void SetRight(std::unique_ptr<TdvExpBaseObject> node);
    // Levels of nodes from this one down to its deepest leaf (1 for a leaf); bounds every recursion over it.
    int Depth() const { return depth_; }

protected:
    void NoteChildDepth(int childDepth) { if (childDepth + 1 > depth_) depth_ = childDepth + 1; }

    TdvExpNodeKind kind_;
    int valueType_ = exptype::kNone;
    std::unique_ptr<TdvExpBaseObject> left_;
    std::unique_ptr<TdvExpBaseObject> right_;
    int depth_ = 1;
};

// A parenthesised group; its one child (the left) is the tree of the inner text, or none when it was empty.
class TdvExpContainer : public TdvExpBaseObject {
public:
    explicit TdvExpContainer(std::unique_ptr<TdvExpBaseObject> inner);
    std::string Token() const override;    // "(" + inner text + ")"
    std::string AsText() const override;   // the same
    void Evaluate(TdvExpValue& result, int& type) override;  // the inner value; type 1 when empty
};

// A function call: the function object (not owned), its argument trees in order and the building handler.
class TdvExpFunction : public TdvExpBaseObject {
public:
    TdvExpFunction(TdvUserDefFunction* function, std::string name,
                   std::vector<std::unique_ptr<TdvExpBaseObject>> arguments, TdvExpHandler* handler);
    std::string Token() const override;    // the function's name
    std::string AsText() const override;   // name(arg,arg,...)
    void CollectNames(TdvLinkKind kind, std::string& names) const override;  // its own, then its arguments'
    void Evaluate(TdvExpValue& result, int& type) override;          // type 1 when the function fails

    int ArgumentCount() const { return static_cast<int>(arguments_.size()); }
    // Argument tree i, nullptr when the call has no argument i.
    TdvExpBaseObject* Argument(int i) const;
    // A value the function may keep argument i in while it works (i < max(4, argument count)).
    TdvExpValue& Scratch(int i) { return scratch_.at(static_cast<size_t>(i)); }
    TdvExpHandler* Handler() const { return handler_; }
    TdvUserDefFunction* Function() const { return function_; }

private:
    TdvUserDefFunction* function_;
    std::string name_;  // as resolved (upper case)
    std::vector<std::unique_ptr<TdvExpBaseObject>> arguments_;
    std::vector<TdvExpValue> scratch_;
    TdvExpHandler* handler_;
};

// A field variable of the link (not owned).
class TdvExpFieldvar : public TdvExpBaseObject {
public:
    TdvExpFieldvar(TdvUserDefFieldVar* variable, TdvExpHandler* handler);
    std::string Token() const override;     // the variable's name
    TdvLinkKind LinkKind() const override;  // the variable's kind
    void Evaluate(TdvExpValue& result, int& type) override;  // type 1 when the variable gives nothing
    TdvUserDefFieldVar* Variable() const { return variable_; }

private:
    TdvUserDefFieldVar* variable_;
    TdvExpHandler* handler_;
};

// Text comparison settings an operator takes from its handler when it is built.
struct TdvExpCompareOptions {
    bool caseInsensitive = false;
    bool partialMatch = true;
    char multiWildcard = '*';
    char singleWildcard = '?';  // kept for callers; the comparison uses only the multi-character wildcard
};

class TdvExpOperator : public TdvExpBaseObject {
public:
    TdvExpOperator(int code, const TdvExpCompareOptions& options);
    std::string Token() const override;  // the display text
    // Right operand first, then the left; see the operator rules in the implementation.
    void Evaluate(TdvExpValue& result, int& type) override;

    int Code() const { return code_; }
    int Level() const { return level_; }
    bool Reduced() const { return reduced_; }
    void MarkReduced() { reduced_ = true; }
    // The text comparison of the six comparison operators: -1, 0 or 1 (0 also for a wildcard match).
    int CompareTexts(const TdvExpValue& left, const TdvExpValue& right);

private:
    void EvaluateBoolean(TdvExpValue& result);
    void EvaluateNumeric(TdvExpValue& result);
    void EvaluateText(TdvExpValue& result);
    [[noreturn]] void Invalid(const char* what) const;

    int code_;
    int level_;
    bool reduced_ = false;
    TdvExpCompareOptions options_;
    TdvExpValue rightValue_;  // the right operand's value, kept between evaluations
    std::string leftUpper_;   // upper-cased copies for case-insensitive wildcard matches
    std::string rightUpper_;
};

class TdvExpTextLit : public TdvExpBaseObject {
public:
    explicit TdvExpTextLit(std::string text) : TdvExpBaseObject(nkTextLit), text_(std::move(text)) {}
    std::string Token() const override { return "\"" + text_ + "\""; }
    void Evaluate(TdvExpValue& result, int& type) override;

private:
    std::string text_;
};

class TdvExpNumLit : public TdvExpBaseObject {
public:
    // length: characters of the literal; decimals: characters after its first period.
    TdvExpNumLit(double value, int length, int decimals)
        : TdvExpBaseObject(nkNumLit), value_(value), length_(length), decimals_(decimals) {}
    std::string Token() const override;  // fixed-point with the literal's decimals
    void Evaluate(TdvExpValue& result, int& type) override;
    int Length() const { return length_; }
    int Decimals() const { return decimals_; }

private:
    double value_;
    int length_;
    int decimals_;
};

class TdvExpDateLit : public TdvExpBaseObject {
public:
    explicit TdvExpDateLit(double day) : TdvExpBaseObject(nkDateLit), day_(day) {}
    std::string Token() const override;  // "{" + display date + "}"
    void Evaluate(TdvExpValue& result, int& type) override;

private:
    double day_;
};

class TdvExpBlnLit : public TdvExpBaseObject {
public:
    explicit TdvExpBlnLit(bool value) : TdvExpBaseObject(nkBlnLit), value_(value) {}
    std::string Token() const override { return value_ ? ".T." : ".F."; }
    void Evaluate(TdvExpValue& result, int& type) override;

private:
    bool value_;
};

// Raises EOrdaneExpression with resource message id formatted with args.
[[noreturn]] void RaiseExpression(int id, std::initializer_list<std::string_view> args = {});
