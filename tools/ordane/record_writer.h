// RecordWriter: dump's output, written straight from the record buffer into a large output buffer. It gives the
// bytes RecordJson and CsvQuote(CsvText(FieldValue)) give, without building a JSON value per record: the field
// kinds that fill tables (text, numbers, dates, logicals, and every field with --raw) are formatted here, every
// other kind (memos, binary fields) through FieldValue.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/ordane/field_text.h"

namespace ordane {

class RecordWriter {
public:
    // Writes records of table to out as JSON lines, or as CSV rows when csv; raw shows stored bytes in hex.
    RecordWriter(DVO_dBaseFld& table, int codePage, bool raw, bool csv, std::FILE* out);
    ~RecordWriter();  // writes what is buffered
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // The CSV header row (nothing for JSON lines).
    void WriteHeader();
    // The table's current record; when one of its fields raises, nothing of it is written.
    void WriteRecord();

private:
    // Appends the current record to the buffer.
    void Append();
    enum class Kind { kText, kNumber, kDate, kLogical, kOther };
    struct Column {
        const TdvFieldDesc* field;
        Kind kind;
        std::string jsonName;  // "NAME": as JSON writes it
    };
    void Text(const TdvFieldDesc& f);
    void Number(const TdvFieldDesc& f);
    void Date(const TdvFieldDesc& f);
    void Hex(const TdvFieldDesc& f);
    void Other(const TdvFieldDesc& f);
    // Appends a value as CSV quotes it: quoted when it holds a comma, a quote, CR or LF.
    void CsvField(std::string_view text);
    void Flush();

    DVO_dBaseFld& table_;
    int codePage_;
    bool raw_, csv_;
    std::FILE* out_;
    bool sameAsJson_ = true;                 // false when field names repeat: then every record goes the slow way
    std::vector<Column> columns_;
    std::vector<std::string> byteText_;      // each byte of the code page in UTF-8, JSON-escaped unless csv
    std::array<bool, 256> plain_{};          // the byte's text is the byte itself
    std::string buffer_;                     // output not yet written
    std::string scratch_;                    // one field's text
};

}  // namespace ordane
