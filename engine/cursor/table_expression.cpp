#include "engine/cursor/table_expression.h"

#include "engine/expr/exp_handler.h"
#include "engine/expr/exp_user_link.h"
#include "engine/expr/exp_value.h"
#include "engine/expr/table_bindings.h"
#include "engine/storage/dbf_fields.h"

TdvTableExpression::TdvTableExpression(DVO_dBaseFld* table)
    : handler_(std::make_unique<TdvExpHandler>(TableUserLink(*table))),
      value_(std::make_unique<TdvExpValue>()) {}

TdvTableExpression::~TdvTableExpression() = default;

void TdvTableExpression::SetOptions(bool caseInsensitive, bool partialMatch) {
    handler_->SetCaseInsensitive(caseInsensitive);
    handler_->SetPartialMatch(partialMatch);
}

bool TdvTableExpression::CaseInsensitive() const { return handler_->CaseInsensitive(); }
bool TdvTableExpression::PartialMatch() const { return handler_->PartialMatch(); }

void TdvTableExpression::SetExpression(const std::string& text) {
    try {
        handler_->SetExpression(text);
    } catch (...) {
        // A text that failed half-way must not leave operands counted for a tree that is not there.
        Reset();
        throw;
    }
}

void TdvTableExpression::Reset() { handler_->SetExpression(std::string_view()); }

int TdvTableExpression::OperandCount() const { return handler_->OperandCount(); }

int TdvTableExpression::Evaluate(bool& truth) {
    handler_->Evaluate(*value_);
    truth = handler_->ResultType() == exptype::kBoolean && value_->AsBoolean();
    return handler_->ResultType();
}

int TdvTableExpression::EvaluateToKey(TdvVariant& key) {
    handler_->EvaluateToKey(key);
    return handler_->ResultType();
}

std::string TdvTableExpression::AsText() const { return handler_->AsText(); }

std::string TdvTableExpression::CollectNames(TdvLinkKind kind) const { return handler_->CollectNames(kind); }
