// ordane dump --format sql: a table as a script that makes and fills the same table in a SQL database.
//
// Column types hold every value the field can: C varchar(n); N and F numeric(p,s) (integer or bigint when
// they have no decimals and at most 9 or 18 digits); D date; L boolean; M text; G and memo B bytea (PostgreSQL)
// or blob (SQLite); binary I integer; binary Y numeric(19,4); binary B double precision; binary T timestamp;
// other types text. Blank values are NULL; so are values their column cannot hold (number text that is no number
// of the field, a date that is not in the calendar), which the dump counts. The 0x30 tables' system fields
// (_NullFlags) are left out.
//
// PostgreSQL: SET client_encoding, BEGIN, CREATE TABLE, COPY ... FROM stdin (text format), COMMIT.
// SQLite: BEGIN TRANSACTION, CREATE TABLE, one INSERT per record, COMMIT.
// Identifiers are the file's base name and the field names in lower case, always quoted. Text is UTF-8.
// A NUL byte inside text cannot be held by SQL text: the dump stops with an error, and as the script stops
// before its COMMIT, a database that reads it keeps nothing of it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class DVO_dBaseFld;
struct TdvFieldDesc;

namespace ordane {

class ToolTable;

enum class SqlDialect { kPostgres, kSqlite };

// The dialect of a name as --dialect takes it: "postgres" or "sqlite" (UsageError otherwise).
SqlDialect SqlDialectNamed(const std::string& name);

// Writes one table as SQL to a stream, buffered. Errors writing the stream raise std::runtime_error.
class SqlWriter {
public:
    // tableName: the SQL table's name as it stands (quoted when written). withDeleted: adds a "_deleted" boolean
    // column that says whether the record is marked deleted.
    SqlWriter(DVO_dBaseFld& table, std::string tableName, SqlDialect dialect, int codePage, bool withDeleted,
              std::FILE* out);
    SqlWriter(const SqlWriter&) = delete;
    SqlWriter& operator=(const SqlWriter&) = delete;

    // Writes everything before the first row: encoding, transaction, CREATE TABLE, the COPY line.
    void Begin();
    // Writes the table's current record as one row. REQUIRES: Begin, a current record. A NUL byte inside text
    // raises std::runtime_error naming record and field.
    void Row();
    // Writes the end of the rows and the COMMIT, and flushes the stream.
    void End();
    // Values that were not blank but that their column cannot hold (a number that is not one, a date out of
    // range), written as NULL.
    int64_t Unfit() const { return unfit_; }

private:
    enum class Kind { kText, kNumber, kDate, kLogical, kMemoText, kMemoBytes, kInt32, kCurrency, kDouble,
                      kTimestamp };
    struct Column {
        const TdvFieldDesc* field;  // the table's descriptor
        Kind kind;
        std::string name;           // SQL name, unquoted
        std::string type;           // SQL type
        int32_t precision = 0;      // kNumber: digits in all, and after the point
        int32_t scale = 0;
    };

    void AddColumn(const TdvFieldDesc& f, int codePage);
    std::string UniqueName(std::string name) const;
    std::string Quoted(std::string_view identifier) const;
    void Value(const Column& c);
    void Null();
    void Number(const Column& c, std::string_view text);
    void Text(std::string_view bytes, const Column& c);
    [[noreturn]] void NulInText(const Column& c) const;
    void Bytes(std::string_view bytes);
    void Date(int32_t day, int64_t millisecond, bool withTime);
    void DateText(unsigned y, unsigned m, unsigned d, int64_t millisecond);  // millisecond < 0: a date only
    void Write(std::string_view s) { buffer_.append(s); }
    void FlushIfFull();
    void Flush();

    DVO_dBaseFld& table_;
    std::string tableName_;
    SqlDialect dialect_;
    bool withDeleted_;
    std::FILE* out_;
    std::vector<Column> columns_;
    std::string utf8_[256];     // each byte of the code page as UTF-8
    std::string escaped_[256];  // the same, escaped for the dialect's text
    std::string buffer_;        // output not yet written to out_
    std::string memo_;          // the memo being written
    std::string text_;          // text being converted before it is written
    std::string insertInto_;    // SQLite: what starts each row
    int64_t unfit_ = 0;
};

// Runs dump for --format sql over a table that dump has opened, ordered and filtered: the rows of every record
// the table shows. The SQL table is named after fileName. Answers the exit code.
int DumpSql(ToolTable& table, const std::string& fileName, const std::string& dialect, int codePage,
            bool withDeleted);

}  // namespace ordane
