// The expression bindings of a table: its user link, its seven table functions, its field variables and the
// hook for functions the host supplies by name.
//
// Every table opened after StartExpressionEngine gets a TdvDBFExpUserLink through the storage seam; the table
// owns it and destroys it when it closes, so handlers using a table's link must go before the table does.
// Because the library is searched first, LEN(...) always reaches the library's text length; the table's LEN
// is registered but never reached.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/expr/exp_user_link.h"
#include "engine/storage/expression_link.h"

class DVO_dBaseFld;

// Calls the table's function hook: "FIND" asks whether a function exists, "PARSE" evaluates it.
class TdvlDBFGeneric : public TdvUserDefFunction {
public:
    static constexpr size_t kValueBufferSize = 32768;
    TdvlDBFGeneric(DVO_dBaseFld* table, std::string name);
    // Passes the call node to the hook in the first bytes of the value buffer (a pointer's width) and reads
    // the value back by its type letter: C zero-terminated text, D 32-bit day, F or N double, L a character
    // of "TtYyJj" for true. A hook answer of -1 or another letter gives no value (false).
    bool Execute(TdvExpFunction& call, TdvExpValue& result, int& type) override;
    // Asks the hook whether the table offers a function of that name.
    bool Exists(std::string_view name);

private:
    DVO_dBaseFld* table_;
    std::vector<uint8_t> buffer_;  // the hook's value buffer, kept for the object's life
};

class TdvDBFExpUserLink : public TdvExpUserLink, public TdvExpressionLink {
public:
    explicit TdvDBFExpUserLink(DVO_dBaseFld* table);
    ~TdvDBFExpUserLink() override;

    // A name the table's hook offers becomes a new TdvlDBFGeneric of the link; otherwise 65178.
    TdvUserDefFunction* UnknownFunction(std::string_view name) override;
    // The seam: adds RECNO, DELETED, BOF, EOF, TYPE, LEN or FIELDNO (another name raises 65178).
    void AddTableFunction(const std::string& name) override;
    // The seam: adds the field variable of field fieldNumber (1-based); another number is error 1003.
    void AddFieldVariable(int32_t fieldNumber) override;

    DVO_dBaseFld* Table() const { return table_; }

private:
    DVO_dBaseFld* table_;
    std::unique_ptr<TdvlDBFGeneric> generic_;  // the link's own hook object, "genericfunction"
};

// Base of the seven table functions: a function that holds its table.
class TdvlDBFFunction : public TdvUserDefFunction {
public:
    TdvlDBFFunction(DVO_dBaseFld* table, std::string name) : TdvUserDefFunction(std::move(name)), table_(table) {}

protected:
    DVO_dBaseFld* table_;
};

// RECNO(): the current record number (0 right after opening).
class TdvlDBFRecNo : public TdvlDBFFunction {
public:
    explicit TdvlDBFRecNo(DVO_dBaseFld* table) : TdvlDBFFunction(table, "RECNO") {}
    bool Execute(TdvExpFunction& call, TdvExpValue& result, int& type) override;
};

// DELETED(): whether the current record's deletion byte is '*'.
class TdvlDBFDeleted : public TdvlDBFFunction {
public:
    explicit TdvlDBFDeleted(DVO_dBaseFld* table) : TdvlDBFFunction(table, "DELETED") {}
    bool Execute(TdvExpFunction& call, TdvExpValue& result, int& type) override;
};

// BOF(): the table's start-of-table flag.
class TdvlDBFBof : public TdvlDBFFunction {
public:
    explicit TdvlDBFBof(DVO_dBaseFld* table) : TdvlDBFFunction(table, "BOF") {}
    bool Execute(TdvExpFunction& call, TdvExpValue& result, int& type) override;
};

// EOF(): the table's end-of-table flag.
class TdvlDBFEof : public TdvlDBFFunction {
public:
    explicit TdvlDBFEof(DVO_dBaseFld* table) : TdvlDBFFunction(table, "EOF") {}
    bool Execute(TdvExpFunction& call, TdvExpValue& result, int& type) override;
};

// TYPE(name): the one-letter type of the named field; error 1003 when the table has none.
class TdvlDBFType : public TdvlDBFFunction {
public:
    explicit TdvlDBFType(DVO_dBaseFld* table) : TdvlDBFFunction(table, "TYPE") {}
    bool Execute(TdvExpFunction& call, TdvExpValue& result, int& type) override;
};

// LEN(name): the named field's length byte (descriptor byte 16); error 1003 when absent.
class TdvlDBFLen : public TdvlDBFFunction {
public:
    explicit TdvlDBFLen(DVO_dBaseFld* table) : TdvlDBFFunction(table, "LEN") {}
    bool Execute(TdvExpFunction& call, TdvExpValue& result, int& type) override;
};

// FIELDNO(name): the field's number, 0 when the table has no such field.
class TdvlDBFFieldNo : public TdvlDBFFunction {
public:
    explicit TdvlDBFFieldNo(DVO_dBaseFld* table) : TdvlDBFFunction(table, "FIELDNO") {}
    bool Execute(TdvExpFunction& call, TdvExpValue& result, int& type) override;
};

// One field of the table as a variable (link kind lkTableField): C and M text (M the memo's contents up to its first
// zero byte), D date, N F number, L boolean, other types their raw text with type 9.
class TdvlDBFFieldVars : public TdvUserDefFieldVar {
public:
    TdvlDBFFieldVars(DVO_dBaseFld* table, int32_t fieldNumber);
    TdvLinkKind LinkKind() const override { return lkTableField; }
    // Always answers true.
    bool GetValue(TdvExpValue& result, int& type) override;
    int32_t FieldNumber() const { return fieldNumber_; }

private:
    DVO_dBaseFld* table_;
    int32_t fieldNumber_;
};

// Engine start-up: builds the function library and installs the table link factory (idempotent). Tables
// opened before it have no link.
void StartExpressionEngine();
// The expression link of an open table, nullptr when it has none.
TdvDBFExpUserLink* TableUserLink(const DVO_dBaseFld& table);
