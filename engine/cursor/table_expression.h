// TdvTableExpression: one xBase expression compiled against a table's field bindings, for the handler's
// filter, its locate and the key expressions of its index files. It keeps the expression engine's types out
// of the handler's headers.
#pragma once

#include <memory>
#include <string>

#include "engine/storage/expression_link.h"

class DVO_dBaseFld;
class TdvExpHandler;
class TdvExpValue;
class TdvVariant;

class TdvTableExpression {
public:
    // Bound to the table's expression link; a table without one resolves no field names.
    explicit TdvTableExpression(DVO_dBaseFld* table);
    ~TdvTableExpression();
    TdvTableExpression(const TdvTableExpression&) = delete;
    TdvTableExpression& operator=(const TdvTableExpression&) = delete;

    // Text comparison options; they take effect with the next SetExpression.
    void SetOptions(bool caseInsensitive, bool partialMatch);
    bool CaseInsensitive() const;
    bool PartialMatch() const;
    // Compiles the text (raises EOrdaneExpression); an empty text leaves no expression. After a failure there
    // is no expression either.
    void SetExpression(const std::string& text);
    // Drops the compiled expression: OperandCount() becomes 0.
    void Reset();
    // Operand leaves of the compiled expression; 0 when there is none.
    int OperandCount() const;
    // Evaluates on the table's current record buffer; answers the result type (8 logical) and, for a logical
    // result, its truth in truth.
    int Evaluate(bool& truth);
    // Evaluates into an index key; answers the result type (0 when the value can be no key).
    int EvaluateToKey(TdvVariant& key);
    // The expression as the engine prints it.
    std::string AsText() const;
    // "NAME;" for every node of the link kind (17: table fields), in tree order.
    std::string CollectNames(TdvLinkKind kind) const;

private:
    std::unique_ptr<TdvExpHandler> handler_;
    std::unique_ptr<TdvExpValue> value_;  // kept so that a text result reuses its buffer record after record
};
