// The user link of an expression: the functions and field variables one owner (a table) offers, with their base
// classes and the owning lists that hold them.
//
// An expression handler resolves names through its link: field names through FindFieldVar, function names
// (after the engine-wide library) through FindFunction and, as a last resort, UnknownFunction.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/expression_link.h"

class TdvExpFunction;
class TdvExpValue;

// Base of every expression function: the library functions and the table functions.
class TdvUserDefFunction {
public:
    explicit TdvUserDefFunction(std::string name = std::string()) : name_(std::move(name)) {}
    virtual ~TdvUserDefFunction() = default;
    TdvUserDefFunction(const TdvUserDefFunction&) = delete;
    TdvUserDefFunction& operator=(const TdvUserDefFunction&) = delete;

    // The upper-case name calls are matched against; empty in the base.
    virtual const std::string& Name() const { return name_; }
    // Evaluates the call's arguments itself, writes the value into result and its type code into type;
    // answers false when it produced nothing. The base produces nothing.
    virtual bool Execute(TdvExpFunction& call, TdvExpValue& result, int& type);

protected:
    // The shared argument routine: evaluates argument i (0-based) of the call into `into` and answers its type
    // code, 1 when the call has no argument i (then `into` is left alone). A number or date given where a
    // non-numeric type is required raises 65179 (type name, i + 1, function name); required 2 takes anything.
    int Argument(TdvExpFunction& call, int i, int required, TdvExpValue& into) const;
    // As Argument, but a missing argument raises 65179 as well.
    int RequiredArgument(TdvExpFunction& call, int i, int required, TdvExpValue& into) const;
    // Argument i as a number, evaluated into the call's scratch value i; fallback when it is missing.
    double NumberArgument(TdvExpFunction& call, int i, double fallback) const;
    // Required argument i as a number (scratch value i).
    double NumberArgument(TdvExpFunction& call, int i) const;
    // Required argument i as text, evaluated into `into` and converted there; the text stays in `into`.
    std::string& TextArgument(TdvExpFunction& call, int i, TdvExpValue& into) const;

private:
    std::string name_;
};

// Base of field variables: a named value of the link's owner.
class TdvUserDefFieldVar {
public:
    // The name is upper-cased here.
    explicit TdvUserDefFieldVar(std::string_view name, int32_t length = 0, bool qualified = false);
    virtual ~TdvUserDefFieldVar() = default;
    TdvUserDefFieldVar(const TdvUserDefFieldVar&) = delete;
    TdvUserDefFieldVar& operator=(const TdvUserDefFieldVar&) = delete;

    virtual const std::string& Name() const { return name_; }
    // The kind that CollectNames selects by.
    virtual TdvLinkKind LinkKind() const { return lkUserVariable; }
    // Writes the value and its type code; false when there is none (the base has none).
    virtual bool GetValue(TdvExpValue& result, int& type);

    int32_t Length() const { return length_; }
    // When set, a period after this name makes the tokenizer read on as a qualified name.
    bool Qualified() const { return qualified_; }

protected:
    void SetLength(int32_t length) { length_ = length; }

private:
    std::string name_;
    int32_t length_;
    bool qualified_;
};

// An owning list of functions: objects are destroyed with the list.
class TdvFunctionReg {
public:
    // Takes the function; false (and nothing kept) for none.
    bool Add(std::unique_ptr<TdvUserDefFunction> function);
    int Count() const { return static_cast<int>(items_.size()); }
    // The function at index (0-based), nullptr outside the list.
    TdvUserDefFunction* Item(int index) const;
    // Its name, empty outside the list.
    std::string Name(int index) const;
    // The first function whose name equals name exactly, or nullptr.
    TdvUserDefFunction* Find(std::string_view name) const;

private:
    std::vector<std::unique_ptr<TdvUserDefFunction>> items_;
};

// An owning list of field variables.
class TdvFieldVarReg {
public:
    bool Add(std::unique_ptr<TdvUserDefFieldVar> variable);
    int Count() const { return static_cast<int>(items_.size()); }
    TdvUserDefFieldVar* Item(int index) const;
    std::string Name(int index) const;
    TdvUserDefFieldVar* Find(std::string_view name) const;

private:
    std::vector<std::unique_ptr<TdvUserDefFieldVar>> items_;
};

class TdvExpUserLink {
public:
    TdvExpUserLink() = default;
    virtual ~TdvExpUserLink() = default;
    TdvExpUserLink(const TdvExpUserLink&) = delete;
    TdvExpUserLink& operator=(const TdvExpUserLink&) = delete;

    // The first of the link's functions named exactly name (upper case), or nullptr.
    virtual TdvUserDefFunction* FindFunction(std::string_view name);
    // The variable named exactly name; failing that, for a qualified name A.B, the lookup of B (repeatedly);
    // nullptr when still absent.
    virtual TdvUserDefFieldVar* FindFieldVar(std::string_view name);
    // The last resort for a function name nothing else knows: raises 65178 in the base.
    virtual TdvUserDefFunction* UnknownFunction(std::string_view name);

    bool AddFunction(std::unique_ptr<TdvUserDefFunction> function) { return functions_.Add(std::move(function)); }
    bool AddFieldVar(std::unique_ptr<TdvUserDefFieldVar> variable) { return fieldVars_.Add(std::move(variable)); }
    const TdvFunctionReg& Functions() const { return functions_; }
    const TdvFieldVarReg& FieldVars() const { return fieldVars_; }
    // The width STR and STRZERO use when the call gives none.
    int32_t DefaultNumberWidth() const { return 10; }

private:
    TdvFunctionReg functions_;
    TdvFieldVarReg fieldVars_;
};
