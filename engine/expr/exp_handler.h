// TdvExpHandler: one xBase expression, compiled to a tree of nodes and evaluated against the current record.
//
// The text is read into tokens (operands and operators alternate), the tokens become nodes, and the operator
// nodes take their neighbours as children level by level, a lower level first and left to right within a level:
//
//   level 2  ^ **          level 4  + - .OR.                       level 6  .NOT. !
//   level 3  * / .AND.     level 5  = # <> != > < >= => <= =< $ ==
//
// So ".AND." binds like "*" and ".OR." like "+", tighter than the comparisons: A = 1 .AND. B = 2 groups as
// A = (1 .AND. B) = 2, and comparisons joined by .AND. or .OR. must be parenthesised. Stored index expressions
// rely on this grouping. Names are resolved through the user link: field names when the text is read, function
// names (the engine's library first) when the tree is built. Every failure raises EOrdaneExpression with one of
// the engine's resource messages; a date literal that is no date raises EConvertError.
//
// Nesting is limited to kMaxDepth levels of tree (groups, calls and chained operators alike), so that reading,
// evaluating and destroying a tree never exhausts the stack; a deeper expression is refused when it is set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/expr/exp_nodes.h"
#include "engine/expr/exp_value.h"

class TdvExpUserLink;
class TdvUserDefFieldVar;
class TdvUserDefFunction;
class TdvVariant;
class Variant;

enum class TdvExpTokenKind : uint8_t { Operator, Group, Function, Field, Text, Number, Date, Logical };

struct TdvExpToken {
    TdvExpTokenKind kind = TdvExpTokenKind::Text;
    // Operator: its form as written; Group: the inner text; Function: the text between the parentheses;
    // Field: the name as written; literals: their characters between the delimiters.
    std::string text;
    std::string name;                        // Function: its name as written
    int code = 0;                            // Operator: its code
    int level = 0;                           // Operator: its level
    TdvUserDefFieldVar* variable = nullptr;  // Field: the variable found
};

class TdvExpHandler {
public:
    static constexpr int kMaxDepth = 1000;

    // Sets the options ("%" and "_" as wildcards in SQL style, else "*" and "?") and parses a non-empty text.
    explicit TdvExpHandler(TdvExpUserLink* link = nullptr, bool sqlWildcards = false, std::string_view text = {});
    ~TdvExpHandler();
    TdvExpHandler(const TdvExpHandler&) = delete;
    TdvExpHandler& operator=(const TdvExpHandler&) = delete;

    // Destroys the old tree, resets the operand count and the result type, and parses a non-empty text. After a
    // failure the handler has no tree.
    void SetExpression(std::string_view text);
    const std::string& Expression() const { return expression_; }

    // Evaluates the tree into result and keeps its type code as the result type (0 and null without a tree).
    void Evaluate(TdvExpValue& result);
    // The same into the framework's variant.
    void Evaluate(Variant& result);
    // Evaluates into an index key: text, number, date (a Julian day; the empty date for CTOD('') and for any
    // value that is no 32-bit day) or boolean. A null result leaves the key; another type leaves it and makes
    // the result type 0. Without a tree the key becomes empty text. A number that is not finite raises 65182.
    void EvaluateToKey(TdvVariant& key);

    std::string AsText() const;                 // the tree as text; empty without one
    // "NAME;" for every node of that link kind, in tree order.
    std::string CollectNames(TdvLinkKind kind) const;
    int ResultType() const { return resultType_; }
    int OperandCount() const { return operandCount_; }
    TdvExpBaseObject* Root() const { return root_.get(); }
    TdvExpUserLink* UserLink() const { return link_; }

    // Text comparison options; set them before SetExpression, the operators copy them when they are built.
    bool CaseInsensitive() const { return options_.caseInsensitive; }
    void SetCaseInsensitive(bool value) { options_.caseInsensitive = value; }
    bool PartialMatch() const { return options_.partialMatch; }
    void SetPartialMatch(bool value) { options_.partialMatch = value; }
    char MultiWildcard() const { return options_.multiWildcard; }
    char SingleWildcard() const { return options_.singleWildcard; }

    // Reads text into tokens, resolving field names through the link. Raises 65153-65157 and 65178.
    std::vector<TdvExpToken> Tokenize(std::string_view text);
    // Builds the tree of the tokens (nullptr for none); raises 65152 when they do not reduce to one node.
    std::unique_ptr<TdvExpBaseObject> BuildTree(std::vector<TdvExpToken>& tokens);

private:
    std::unique_ptr<TdvExpBaseObject> Parse(std::string_view text);
    std::unique_ptr<TdvExpBaseObject> MakeNode(TdvExpToken& token);
    std::unique_ptr<TdvExpBaseObject> MakeFunction(const TdvExpToken& token);
    TdvUserDefFunction* ResolveFunction(const std::string& upperName);
    void ReadOperand(std::string_view text, size_t& i, std::vector<TdvExpToken>& tokens);
    void ReadOperator(std::string_view text, size_t& i, std::vector<TdvExpToken>& tokens);
    void ReadFieldName(std::string_view text, size_t& i, size_t end, std::vector<TdvExpToken>& tokens);
    [[noreturn]] void SyntaxError() const;
    [[noreturn]] static void TooDeep();
    static void CheckDepth(const TdvExpBaseObject& node);

    TdvExpUserLink* link_;
    int resultType_ = exptype::kNone;
    std::unique_ptr<TdvExpBaseObject> root_;
    int operandCount_ = 0;
    TdvExpCompareOptions options_;
    std::string expression_;  // the text last set, for messages
    int depth_ = 0;           // nesting of the text being parsed
    TdvExpValue keyValue_;    // EvaluateToKey's value, kept so that its text buffer is reused
};
