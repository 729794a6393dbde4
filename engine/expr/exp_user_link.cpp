#include "engine/expr/exp_user_link.h"

#include <string>

#include "engine/expr/exp_nodes.h"
#include "engine/storage/os_services.h"

// --- functions --------------------------------------------------------------------------------------------------

bool TdvUserDefFunction::Execute(TdvExpFunction&, TdvExpValue&, int&) { return false; }

int TdvUserDefFunction::Argument(TdvExpFunction& call, int i, int required, TdvExpValue& into) const {
    TdvExpBaseObject* argument = call.Argument(i);
    if (argument == nullptr) return exptype::kAbsent;
    int type = exptype::kNone;
    argument->Evaluate(into, type);
    if (required != exptype::kAny && type != required && !exptype::IsNumeric(required) && exptype::IsNumeric(type))
        RaiseExpression(resmsg::kArgumentNeeded, {exptype::TypeName(required), std::to_string(i + 1), Name()});
    return type;
}

int TdvUserDefFunction::RequiredArgument(TdvExpFunction& call, int i, int required, TdvExpValue& into) const {
    // A missing argument would otherwise leave whatever the value held before: refuse it instead.
    if (call.Argument(i) == nullptr)
        RaiseExpression(resmsg::kArgumentNeeded, {exptype::TypeName(required), std::to_string(i + 1), Name()});
    return Argument(call, i, required, into);
}

double TdvUserDefFunction::NumberArgument(TdvExpFunction& call, int i, double fallback) const {
    if (call.Argument(i) == nullptr) return fallback;
    Argument(call, i, exptype::kNumber, call.Scratch(i));
    return call.Scratch(i).AsNumber();
}

double TdvUserDefFunction::NumberArgument(TdvExpFunction& call, int i) const {
    RequiredArgument(call, i, exptype::kNumber, call.Scratch(i));
    return call.Scratch(i).AsNumber();
}

std::string& TdvUserDefFunction::TextArgument(TdvExpFunction& call, int i, TdvExpValue& into) const {
    RequiredArgument(call, i, exptype::kText, into);
    return into.ConvertToText();
}

// --- field variables --------------------------------------------------------------------------------------------

TdvUserDefFieldVar::TdvUserDefFieldVar(std::string_view name, int32_t length, bool qualified)
    : name_(os::UpperCase(name)), length_(length), qualified_(qualified) {}

bool TdvUserDefFieldVar::GetValue(TdvExpValue&, int&) { return false; }

// --- lists ------------------------------------------------------------------------------------------------------

bool TdvFunctionReg::Add(std::unique_ptr<TdvUserDefFunction> function) {
    if (!function) return false;
    items_.push_back(std::move(function));
    return true;
}

TdvUserDefFunction* TdvFunctionReg::Item(int index) const {
    return index >= 0 && index < Count() ? items_[static_cast<size_t>(index)].get() : nullptr;
}

std::string TdvFunctionReg::Name(int index) const {
    const TdvUserDefFunction* f = Item(index);
    return f ? f->Name() : std::string();
}

TdvUserDefFunction* TdvFunctionReg::Find(std::string_view name) const {
    for (const auto& f : items_)
        if (f->Name() == name) return f.get();
    return nullptr;
}

bool TdvFieldVarReg::Add(std::unique_ptr<TdvUserDefFieldVar> variable) {
    if (!variable) return false;
    items_.push_back(std::move(variable));
    return true;
}

TdvUserDefFieldVar* TdvFieldVarReg::Item(int index) const {
    return index >= 0 && index < Count() ? items_[static_cast<size_t>(index)].get() : nullptr;
}

std::string TdvFieldVarReg::Name(int index) const {
    const TdvUserDefFieldVar* v = Item(index);
    return v ? v->Name() : std::string();
}

TdvUserDefFieldVar* TdvFieldVarReg::Find(std::string_view name) const {
    for (const auto& v : items_)
        if (v->Name() == name) return v.get();
    return nullptr;
}

// --- the link ---------------------------------------------------------------------------------------------------

TdvUserDefFunction* TdvExpUserLink::FindFunction(std::string_view name) { return functions_.Find(name); }

TdvUserDefFieldVar* TdvExpUserLink::FindFieldVar(std::string_view name) {
    if (TdvUserDefFieldVar* v = fieldVars_.Find(name)) return v;
    // ALIAS.NAME finds NAME; only the first qualifier is dropped, so "X.AND.B" does not quietly become B.
    const size_t period = name.find('.');
    return period == std::string_view::npos ? nullptr : fieldVars_.Find(name.substr(period + 1));
}

TdvUserDefFunction* TdvExpUserLink::UnknownFunction(std::string_view name) {
    RaiseExpression(resmsg::kNoFunction, {name});
}
