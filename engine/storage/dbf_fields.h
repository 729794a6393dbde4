// DVO_dBaseFld: typed access to the fields of a table's record buffer. Finds fields by name, reads and writes
// them as raw text, display text, number, date or logical value, blanks the record, marks it deleted or
// recalled, and reaches the memo file behind memo fields. It also finishes the table's opening: the password
// test of an encrypted table and the expression link.
//
// Field storage in the record (L length, D decimals of the descriptor; "0x30" is the Visual FoxPro version):
//
//   TYPE  STORAGE                                                     WRITTEN AS TEXT
//   C     L + 256 x D bytes of text                                   left, blank-filled
//   N, F  L ASCII characters, '.' as point, D decimals                right, blank-filled
//   D     "yyyymmdd", or 8 blanks for no date                         left
//   L     1 character; T t Y y J j are true, anything else false      left
//   M     ASCII block number of the memo (blank = none)               right
//   B     ASCII block number of a binary memo                         right
//   G     ASCII block number of an OLE memo                           right
//   0x30 tables only, binary and little-endian:
//   I     4-byte signed integer
//   T     4-byte Julian day, then 4-byte milliseconds since midnight; 8 zero bytes for no date-time
//   Y     8-byte signed integer = the value x 10000 (currency)
//   B     8-byte IEEE double
//   M, G  4-byte block number
//
// A 0x30 binary field is decoded only when its length is the type's width (4 for I, M, G; 8 for B, T, Y);
// a field of another length, and a field of these types in a table of another version, is text. Binary fields
// whose bytes are all blanks read as 0.
//
// Accessors come in pairs: by field number (1-based) and by name (an N suffix). A number outside 1..field
// count makes a reader answer its empty value (empty text, 0, false, day 0) and a writer false, without an
// error. A by-name accessor finds the field (error 1003 when there is none), checks its type (error 1004,
// subcode 1299, when the accessor does not take it) and calls its twin. All errors go through FoundError.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/storage/dbf_table.h"
#include "engine/storage/expression_link.h"

class TdvByteView;
class Variant;

class DVO_dBaseFld : public DVO_dBaseDBF {
public:
    // Opens the table (see DVO_dBaseDBF: it also tests the password of an encrypted table), then builds the
    // expression link.
    DVO_dBaseFld(const std::string& fileName, const std::string& password, bool readWrite, bool shared);
    ~DVO_dBaseFld() override;

    // Reads as the table does, then clears every field-changed flag.
    void GetRecord(int32_t n) override;

    // The descriptor of the named field: case ignored, trailing blanks of name dropped, the first match wins.
    // Error 1003 (subcode 1298, "TABLE->NAME") when none matches; a name of more than 11 characters never does.
    virtual const TdvFieldDesc& FieldByName(std::string_view name);
    // Fills the record with blanks, then zero into every N and F field and every binary field of a 0x30 table;
    // sets every changed flag; raises table event 0 and answers its result.
    virtual bool BlankRecord();
    // The stored date as a Julian day; 0 for no date. Error 1004 (no subcode) when the text is no date.
    virtual int32_t DateGetN(std::string_view name);
    virtual int32_t DateGet(int32_t n);
    // Stores the day (<= 0: no date). Day -1 and days without a storage form: error 1004, subcode 1251. A field
    // not of type D: false.
    virtual bool DatePutN(std::string_view name, int32_t day);
    virtual bool DatePut(int32_t n, int32_t day);
    // Marks the current record deleted and rewrites it; a record already marked is left alone. With no record
    // current: error 1002, nothing written.
    virtual void DeleteRecord();
    // The field's bytes as text, up to the first 0x00 byte; nothing trimmed.
    virtual std::string FieldGetN(std::string_view name);
    virtual std::string FieldGet(int32_t n);
    // Stores the text as it stands, aligned by type (see the table above), cut to the field's length.
    virtual bool FieldPutN(std::string_view name, std::string_view text);
    virtual bool FieldPut(int32_t n, std::string_view text);
    virtual int32_t FieldDecimals(int32_t n);  // 0 for type C
    virtual int32_t FieldLength(int32_t n);    // L + 256 x D for type C
    virtual int32_t FieldOffset(int32_t n);    // offset in the record, the deletion flag being 0
    virtual std::string FieldName(int32_t n);
    virtual char FieldType(int32_t n);         // the type letter; 0 for a bad number
    // Host functions for expressions: request "FIND" or "PARSE" (see the expression engine). This table offers
    // none and answers -1 to every request.
    virtual int32_t UserFunctionHook(std::string_view request, std::string_view name, uint8_t* byteOut,
                                     char* typeOut, uint8_t* valueBuffer);
    // True when the raw text is one of, or a run within, "TtYyJj" (a blank field is false).
    virtual bool LogicGetN(std::string_view name);
    virtual bool LogicGet(int32_t n);
    // Stores "T" or "F". Only for type L: else error 1004, subcode 1299.
    virtual bool LogicPutN(std::string_view name, bool value);
    virtual bool LogicPut(int32_t n, bool value);
    // The field as a number: text read with '.' as point (blank: 0; no number: error 1004 with the text);
    // 0x30 binary fields decoded: I, M, G the integer, B the double, Y the currency value, T milliseconds since
    // the Julian day 1721425 (0 for no date-time). Allocates nothing unless it reports an error.
    virtual long double NumberGetN(std::string_view name);
    virtual long double NumberGet(int32_t n);
    // Stores the value. Text: fixed-point with D decimals, ties away from zero, right-aligned; a text longer
    // than L is error 1011 (subcode 1261) and leaves the field unchanged. 0x30 binary: I, M, G truncated, Y
    // rounded to 1/10000, each error 1011 when out of its range. Types other than B F G M N (and I T Y in 0x30
    // tables): error 1004, subcode 1299.
    virtual bool NumberPutN(std::string_view name, long double value);
    virtual bool NumberPut(int32_t n, long double value);
    // Display text: raw text without trailing blanks; N, F also without leading blanks (blank: zero with D
    // decimals); D in the locale's date form; L "T" or "F"; memo fields a marker (---MEMO--- when a memo is
    // there, ---memo--- when not; --BINARY--, -GENERAL-- likewise); 0x30 I, Y and T their values.
    virtual std::string StringGetN(std::string_view name);
    virtual std::string StringGet(int32_t n);
    // Stores display text: D parsed as a date (no date, also 8 digits that are no calendar date: error 1004,
    // subcode 1251); 0x30 T a date with an optional hh:mm[:ss]; L by its first character
    // (T t Y y J j true, F f N n false, a digit non-zero, else error 1004, subcode 1262); N (and 0x30 binary
    // numbers) parsed as a number (error 1004, subcode 1261) and stored by NumberPut; other types as text.
    virtual bool StringPutN(std::string_view name, std::string_view text);
    virtual bool StringPut(int32_t n, std::string_view text);
    // Clears the deletion mark of the current record and rewrites it, marked or not (no record current: 1002).
    virtual void UndeleteRecord();

    // The number of the named field (same matching as FieldByName), 0 when there is none; no error.
    int32_t FieldNumber(std::string_view name) const;
    // Whether the field is stored in binary (a 0x30 binary type of its natural width, see the table above).
    bool IsBinary(const TdvFieldDesc& f) const;
    // Whether the field holds the block number of a memo in the memo file (M, G, and B unless it is binary);
    // no other type does.
    bool IsMemoField(const TdvFieldDesc& f) const;
    // The field's bytes in the record buffer, for decoding binary values (REQUIRES: a field of this table).
    TdvByteView FieldBytes(const TdvFieldDesc& f) const;
    // The descriptor of the field last addressed by an accessor, or nullptr.
    const TdvFieldDesc* CurrentField() const { return Field(currentNumber_); }
    // The memo object behind a memo field (M, G, and B outside 0x30 tables), opened on first use; nullptr for
    // other fields and bad numbers.
    DVobjMemo* MemoFile(int32_t n);
    // Bytes of the field's memo; 0 for no memo, other fields and bad numbers.
    int32_t MemoSize(int32_t n);
    // Reads at most size bytes of the field's memo into buffer (no terminator added); answers the bytes read.
    int32_t MemoRead(int32_t n, void* buffer, int32_t size);
    // Writes size bytes as the field's memo and stores the memo's block number in the field (0 for size 0).
    // False for other fields and bad numbers, and when the memo file wrote nothing (the field keeps its block).
    bool MemoWrite(int32_t n, const void* buffer, int32_t size);
    // Blanks buffer as a record of this table (REQUIRES record length + 1 bytes) and stores into it, by
    // StringPutN, values[i] into the i-th name of the ';'-separated names (a single value into the first name).
    // Null stores empty text. A values array with fewer elements than names is refused (ERangeError) before
    // anything is touched. The record buffer in use before is put back afterwards, also after an error.
    void PutFieldsFromValues(uint8_t* buffer, std::string_view names, const Variant& values);

    // The table's expression bindings; nullptr when no expression engine is installed.
    TdvExpressionLink* ExpressionLink() const { return link_.get(); }

protected:
    // The descriptor of field n, or nullptr outside 1..field count.
    const TdvFieldDesc* Field(int32_t n) const;
    // Stores text into the field with the type's alignment; sets the changed flags.
    void StoreText(const TdvFieldDesc& f, std::string_view text);
    // Stores raw bytes of exactly the field's length; sets the changed flags.
    void StoreBytes(const TdvFieldDesc& f, const void* bytes);
    // NumberPut's work; with report false a value that does not fit leaves the field and answers false.
    bool StoreNumber(const TdvFieldDesc& f, long double value, bool report);
    // The field's block number (0 for none); reports a block number that is no block.
    int32_t MemoBlock(const TdvFieldDesc& f);
    // The memo object for a memo field, reporting a table that has none.
    DVobjMemo* RequireMemo(const TdvFieldDesc& f);
    // "TABLE->FIELD" for messages: the stored file name or the base name (no folder, no extension).
    std::string FieldInfo(const TdvFieldDesc& f, bool baseName) const;

private:
    const TdvFieldDesc& Checked(std::string_view name, std::string_view acceptedTypes);
    std::string_view RawText(const TdvFieldDesc& f) const;
    long double DecodeBinary(const TdvFieldDesc& f) const;

    int32_t currentNumber_ = 0;                // number of the field last addressed, for messages
    std::unique_ptr<TdvExpressionLink> link_;  // the expression bindings; nullptr without an expression engine
};
