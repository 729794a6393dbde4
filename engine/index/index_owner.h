// TdvIndexOwner: what an index file needs of the table it belongs to, and nothing more.
//
// The table handler implements it; the index engine never sees the handler itself, so the layers stay one-way
// (the handler includes the index engine, never the reverse). Tests implement it over a bare table.
// TdvKeyExpression is one compiled key or FOR expression, evaluated on the owner's current record buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/expr/exp_value.h"  // the result type codes of an evaluation (exptype)

class TdvVariant;

class TdvKeyExpression {
public:
    virtual ~TdvKeyExpression() = default;
    // Evaluates on the owner's current record buffer into value; returns the result type (exptype).
    virtual int Evaluate(TdvVariant& value) = 0;
    // The expression as the expression engine reports it.
    virtual std::string Text() const = 0;
};

class TdvIndexOwner {
public:
    virtual ~TdvIndexOwner() = default;

    // Absolute file name of the table; index files without a path are placed beside it.
    virtual std::string TableFileName() const = 0;
    virtual int32_t RecordCount() = 0;
    // Number of the record in the current buffer; 0 when none.
    virtual int32_t CurrentRecord() = 0;
    // Reads record n physically (deleted ones too, no order, no filter) into the current buffer.
    virtual void ReadRecordPhysical(int32_t n) = 0;
    // The buffer expressions read; SetRecordBuffer(nullptr) restores the table's own.
    virtual uint8_t* RecordBuffer() = 0;
    virtual void SetRecordBuffer(uint8_t* buffer) = 0;
    // The record as it was before the pending edit, or nullptr when the table keeps no such copy.
    virtual const uint8_t* SavedRecord() = 0;
    // Whether any field of the current record changed since it was read.
    virtual bool AnyFieldChanged() = 0;
    // The table's exact-match setting for seeks.
    virtual bool ExactMatch() = 0;
    // Cipher keys of an encrypted table; both empty for a plain table.
    virtual bool Encrypted() = 0;
    virtual std::string ReadKey() = 0;
    virtual std::string WriteKey() = 0;
    // Compiles an expression against the table's field bindings; raises EOrdaneExpression when it cannot.
    virtual std::unique_ptr<TdvKeyExpression> CompileExpression(const std::string& text) = 0;
    // The table's error routine: passes the error on once (to the table's FoundError or the engine's reporting
    // procedure) and never returns.
    [[noreturn]] virtual void ReportError(int32_t code, int32_t subCode, const std::string& info) = 0;
    // Progress of index builds: start (-1, phase, total), step (phase, n), end (0, 0, 0).
    virtual void StatusUpdate(int32_t stat1, int32_t stat2, int32_t stat3) = 0;
    // Width and decimals of the numeric field an expression consists of (formats that store numbers as text
    // size their keys by it); false when the expression is no numeric field of the table.
    virtual bool NumericField(const std::string& expression, int32_t& width, int32_t& decimals) {
        (void)expression, (void)width, (void)decimals;
        return false;
    }
};
