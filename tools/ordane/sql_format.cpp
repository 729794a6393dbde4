#include "tools/ordane/sql_format.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "engine/storage/byte_view.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/dbf_fields.h"
#include "engine/storage/os_services.h"
#include "tools/ordane/command.h"
#include "tools/ordane/tool_table.h"

namespace ordane {
namespace {

constexpr size_t kFlushAt = 1 << 16;
constexpr uint8_t kSystemField = 0x01;  // 0x30 descriptor flag of a field the table keeps for itself

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

std::string_view Trimmed(std::string_view s) {
    size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Appends v as exactly width digits (REQUIRES: v < 10^width).
void AppendDigits(std::string& out, unsigned v, int width) {
    char digits[8];
    for (int i = width - 1; i >= 0; --i, v /= 10) digits[i] = static_cast<char>('0' + v % 10);
    out.append(digits, static_cast<size_t>(width));
}

// The date of "YYYYMMDD" text when it is a valid one; false for anything else (the engine then decides).
bool PlainDate(std::string_view text, unsigned* y, unsigned* m, unsigned* d) {
    if (text.size() != 8) return false;
    unsigned v[8];
    for (int i = 0; i < 8; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v[i] = static_cast<unsigned>(text[i] - '0');
    }
    *y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
    *m = v[4] * 10 + v[5];
    *d = v[6] * 10 + v[7];
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (*y < 1 || *m < 1 || *m > 12 || *d < 1) return false;
    const bool leap = (*y % 4 == 0 && *y % 100 != 0) || *y % 400 == 0;
    return *d <= days[*m - 1] + (*m == 2 && leap ? 1 : 0);
}

void AppendDecimal(std::string& out, uint64_t v) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) out += digits[--n];
}

}  // namespace

SqlDialect SqlDialectNamed(const std::string& name) {
    if (name == "postgres") return SqlDialect::kPostgres;
    if (name == "sqlite") return SqlDialect::kSqlite;
    throw UsageError("unknown SQL dialect " + name + " (postgres or sqlite)");
}

SqlWriter::SqlWriter(DVO_dBaseFld& table, std::string tableName, SqlDialect dialect, int codePage,
                     bool withDeleted, std::FILE* out)
    : table_(table), tableName_(std::move(tableName)), dialect_(dialect), withDeleted_(withDeleted), out_(out) {
    for (int b = 1; b < 256; ++b) {
        const std::string& utf8 = utf8_[b] = os::ToUtf8(std::string(1, static_cast<char>(b)), codePage);
        std::string& escaped = escaped_[b];
        for (char c : utf8) {
            if (dialect_ == SqlDialect::kSqlite) {
                escaped += c == '\'' ? std::string("''") : std::string(1, c);
                continue;
            }
            // COPY's text format: the column and row separators and the escape character itself.
            switch (c) {
                case '\\': escaped += "\\\\"; break;
                case '\t': escaped += "\\t"; break;
                case '\n': escaped += "\\n"; break;
                case '\r': escaped += "\\r"; break;
                default: escaped += c;
            }
        }
    }
    for (const TdvFieldDesc& f : table_.Fields()) AddColumn(f, codePage);
    buffer_.reserve(kFlushAt * 2);
}

void SqlWriter::AddColumn(const TdvFieldDesc& f, int codePage) {
    if (table_.Version() == 0x30 && (f.flags & kSystemField)) return;
    Column c{&f, Kind::kText, UniqueName(LowerAscii(os::ToUtf8(f.name, codePage))), {}};
    // The 0x30 tables' binary types, by letter.
    static const struct {
        char letter;
        Kind kind;
        const char* type;
    } kBinaryTypes[] = {{'I', Kind::kInt32, "integer"},
                        {'Y', Kind::kCurrency, "numeric(19,4)"},
                        {'B', Kind::kDouble, "double precision"},
                        {'T', Kind::kTimestamp, "timestamp"}};
    const bool postgres = dialect_ == SqlDialect::kPostgres;
    if (table_.IsMemoField(f)) {
        c.kind = f.type == 'M' ? Kind::kMemoText : Kind::kMemoBytes;
        c.type = f.type == 'M' ? "text" : postgres ? "bytea" : "blob";
        return columns_.push_back(std::move(c));
    }
    if (table_.IsBinary(f)) {
        for (const auto& binary : kBinaryTypes) {
            if (binary.letter != f.type) continue;
            c.kind = binary.kind;
            c.type = binary.type;
            return columns_.push_back(std::move(c));
        }
    }
    if (f.type == 'N' || f.type == 'F' || f.type == 'I' || f.type == 'Y') {
        c.kind = Kind::kNumber;
        c.precision = f.length;
        c.scale = f.decimals;
        if (c.scale == 0 && c.precision <= 9) {
            c.type = "integer";
        } else if (c.scale == 0 && c.precision <= 18) {
            c.type = "bigint";
        } else if (c.precision >= 1 && c.precision <= 1000 && c.scale < c.precision) {
            c.type = "numeric(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
        } else {
            c.type = "numeric";  // a descriptor no declared precision fits: any number
            c.precision = 0;
        }
    } else if (f.type == 'D') {
        c.kind = Kind::kDate;
        c.type = "date";
    } else if (f.type == 'L') {
        c.kind = Kind::kLogical;
        c.type = "boolean";
    } else {
        c.type = f.type == 'C' && f.length > 0 ? "varchar(" + std::to_string(f.length) + ")" : "text";
    }
    columns_.push_back(std::move(c));
}

std::string SqlWriter::UniqueName(std::string name) const {
    // Two descriptors of one name, or a field called like the deletion column, still make a valid table.
    auto taken = [&](const std::string& n) {
        if (withDeleted_ && n == "_deleted") return true;
        for (const Column& c : columns_)
            if (c.name == n) return true;
        return false;
    };
    if (name.empty()) name = "field";
    if (!taken(name)) return name;
    for (int i = 2;; ++i) {
        std::string candidate = name + "_" + std::to_string(i);
        if (!taken(candidate)) return candidate;
    }
}

std::string SqlWriter::Quoted(std::string_view identifier) const {
    std::string q = "\"";
    for (char c : identifier) {
        if (c == '\0') throw std::runtime_error("a SQL name cannot hold a NUL byte");
        q += c;
        if (c == '"') q += '"';
    }
    return q + "\"";
}

void SqlWriter::Begin() {
    const std::string table = Quoted(tableName_);
    const bool postgres = dialect_ == SqlDialect::kPostgres;
    Write(postgres ? "SET client_encoding = 'UTF8';\nBEGIN;\n" : "BEGIN TRANSACTION;\n");
    Write("CREATE TABLE " + table + " (");
    std::string names;
    for (size_t i = 0; i < columns_.size(); ++i) {
        Write((i ? ",\n    " : "\n    ") + Quoted(columns_[i].name) + " " + columns_[i].type);
        names += (i ? ", " : "") + Quoted(columns_[i].name);
    }
    if (withDeleted_) {
        Write(std::string(columns_.empty() ? "\n    " : ",\n    ") + "\"_deleted\" boolean");
        names += std::string(columns_.empty() ? "" : ", ") + "\"_deleted\"";
    }
    Write("\n);\n");
    if (postgres) Write("COPY " + table + " (" + names + ") FROM stdin;\n");
    insertInto_ = "INSERT INTO " + table + " VALUES(";
    Flush();
}

void SqlWriter::Row() {
    const bool postgres = dialect_ == SqlDialect::kPostgres;
    if (!postgres) Write(insertInto_);
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (i) Write(postgres ? "\t" : ",");
        Value(columns_[i]);
    }
    if (withDeleted_) {
        if (!columns_.empty()) Write(postgres ? "\t" : ",");
        Write(table_.IsDeleted() ? (postgres ? "t" : "1") : (postgres ? "f" : "0"));
    }
    Write(postgres ? "\n" : ");\n");
    FlushIfFull();
}

void SqlWriter::End() {
    Write(dialect_ == SqlDialect::kPostgres ? "\\.\nCOMMIT;\n" : "COMMIT;\n");
    Flush();
    if (std::fflush(out_) != 0 || std::ferror(out_)) throw std::runtime_error("cannot write the SQL output");
}

void SqlWriter::Value(const Column& c) {
    const TdvFieldDesc& f = *c.field;
    const TdvByteView view = table_.FieldBytes(f);
    const std::string_view bytes(reinterpret_cast<const char*>(view.Data()), static_cast<size_t>(f.length));
    switch (c.kind) {
        case Kind::kText: {
            // Text pads with blanks, and some writers with NUL bytes.
            size_t end = bytes.size();
            while (end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == '\0')) --end;
            if (end == 0) return Null();
            return Text(bytes.substr(0, end), c);
        }
        case Kind::kNumber: return Number(c, Trimmed(bytes));
        case Kind::kDate: {
            // Only a real calendar date: the database would refuse anything else, and a guess is no value.
            unsigned y = 0, m = 0, d = 0;
            if (PlainDate(bytes, &y, &m, &d)) return DateText(y, m, d, -1);
            if (!IsBlank(bytes)) ++unfit_;
            return Null();
        }
        case Kind::kLogical: {
            const char v = bytes.empty() ? ' ' : bytes[0];
            const bool postgres = dialect_ == SqlDialect::kPostgres;
            if (std::strchr("TtYy", v) && v) return Write(postgres ? "t" : "1");
            if (std::strchr("FfNn", v) && v) return Write(postgres ? "f" : "0");
            return Null();  // blank or '?': not known
        }
        case Kind::kMemoText:
        case Kind::kMemoBytes: {
            const int32_t size = table_.MemoSize(f.number);
            if (size <= 0) return Null();
            memo_.resize(static_cast<size_t>(size));
            memo_.resize(static_cast<size_t>(table_.MemoRead(f.number, memo_.data(), size)));
            if (memo_.empty()) return Null();
            if (c.kind == Kind::kMemoText) return Text(memo_, c);
            return Bytes(memo_);
        }
        case Kind::kInt32: {
            const int64_t v = view.I32LE(0);
            if (v < 0) Write("-");
            AppendDecimal(buffer_, static_cast<uint64_t>(v < 0 ? -v : v));
            return;
        }
        case Kind::kCurrency: {
            // Ten-thousandths in a signed 64-bit integer, written exactly.
            const int64_t v = static_cast<int64_t>(view.U64LE(0));
            const uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
            if (v < 0) Write("-");
            AppendDecimal(buffer_, magnitude / 10000);
            char fraction[8];
            std::snprintf(fraction, sizeof fraction, ".%04u", static_cast<unsigned>(magnitude % 10000));
            return Write(fraction);
        }
        case Kind::kDouble: {
            const double d = view.F64LE(0);
            if (!std::isfinite(d)) return Null();
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", d);
            return Write(text);
        }
        case Kind::kTimestamp: {
            if (IsBlank(bytes)) return Null();
            const int32_t day = view.I32LE(0);
            const uint32_t ms = view.U32LE(4);
            if (day == 0 && ms == 0) return Null();
            return Date(day, ms < 86400000u ? static_cast<int64_t>(ms) : -1, true);
        }
    }
}

void SqlWriter::Null() { Write(dialect_ == SqlDialect::kPostgres ? "\\N" : "NULL"); }

void SqlWriter::Number(const Column& c, std::string_view text) {
    if (text.empty()) return Null();
    // A plain decimal: sign, digits, point, digits; written in a canonical form both databases read.
    size_t i = 0;
    const bool negative = text[0] == '-';
    if (text[0] == '-' || text[0] == '+') ++i;
    auto digitsFrom = [&](size_t start) {
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        return text.substr(start, i - start);
    };
    std::string_view whole = digitsFrom(i);
    std::string_view fraction;
    if (i < text.size() && text[i] == '.') fraction = digitsFrom(++i);
    const bool isNumber = i == text.size() && !(whole.empty() && fraction.empty());
    while (!whole.empty() && whole[0] == '0') whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    const bool fits = c.precision == 0 || (static_cast<int32_t>(whole.size()) <= c.precision - c.scale &&
                                           static_cast<int32_t>(fraction.size()) <= c.scale);
    if (!isNumber || !fits) {
        ++unfit_;
        return Null();
    }
    if (negative && !(whole.empty() && fraction.empty())) Write("-");
    Write(whole.empty() ? std::string_view("0") : whole);
    if (!fraction.empty()) {
        Write(".");
        Write(fraction);
    }
}

void SqlWriter::Text(std::string_view bytes, const Column& c) {
    const bool sqlite = dialect_ == SqlDialect::kSqlite;
    if (sqlite && bytes.find('\r') != std::string_view::npos) {
        // The sqlite3 shell drops a CR before a line's end, even inside a literal: such text goes as its UTF-8
        // bytes in hex.
        text_.clear();
        for (char ch : bytes) {
            if (ch == '\0') NulInText(c);
            text_ += utf8_[static_cast<uint8_t>(ch)];
        }
        Write("CAST(");
        Bytes(text_);
        Write(" AS TEXT)");
        return;
    }
    if (sqlite) buffer_ += '\'';
    size_t plain = 0;  // start of the run of bytes that are written as they stand
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(bytes[i]);
        if (b < 0x80 && b >= 0x20 && b != '\'' && b != '\\') continue;
        if (b == 0) NulInText(c);
        buffer_.append(bytes.data() + plain, i - plain);
        buffer_ += escaped_[b];
        plain = i + 1;
    }
    buffer_.append(bytes.data() + plain, bytes.size() - plain);
    if (sqlite) buffer_ += '\'';
}

void SqlWriter::NulInText(const Column& c) const {
    throw std::runtime_error("record " + std::to_string(table_.CurrentRecord()) + ", field " + c.field->name +
                             ": the text holds a NUL byte, which SQL text cannot hold");
}

void SqlWriter::Bytes(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    Write(dialect_ == SqlDialect::kSqlite ? "X'" : "\\\\x");
    for (char ch : bytes) {
        const uint8_t b = static_cast<uint8_t>(ch);
        buffer_ += digits[b >> 4];
        buffer_ += digits[b & 15];
    }
    if (dialect_ == SqlDialect::kSqlite) buffer_ += '\'';
}

void SqlWriter::Date(int32_t day, int64_t millisecond, bool withTime) {
    int y = 0, m = 0, d = 0;
    if (day > 0) TdvDBFDate::DecodeJulian(day, &y, &m, &d);
    // Years both databases take as they stand; a time of day past its end is no time.
    if (day <= 0 || y < 1 || y > 9999 || (withTime && millisecond < 0)) {
        ++unfit_;
        return Null();
    }
    DateText(static_cast<unsigned>(y), static_cast<unsigned>(m), static_cast<unsigned>(d),
             withTime ? millisecond : -1);
}

void SqlWriter::DateText(unsigned y, unsigned m, unsigned d, int64_t millisecond) {
    const bool sqlite = dialect_ == SqlDialect::kSqlite;
    if (sqlite) buffer_ += '\'';
    AppendDigits(buffer_, y, 4);
    buffer_ += '-';
    AppendDigits(buffer_, m, 2);
    buffer_ += '-';
    AppendDigits(buffer_, d, 2);
    if (millisecond >= 0) {
        const auto ms = static_cast<unsigned>(millisecond);
        buffer_ += ' ';
        AppendDigits(buffer_, ms / 3600000u, 2);
        buffer_ += ':';
        AppendDigits(buffer_, ms / 60000u % 60u, 2);
        buffer_ += ':';
        AppendDigits(buffer_, ms / 1000u % 60u, 2);
        buffer_ += '.';
        AppendDigits(buffer_, ms % 1000u, 3);
    }
    if (sqlite) buffer_ += '\'';
}

void SqlWriter::FlushIfFull() {
    if (buffer_.size() >= kFlushAt) Flush();
}

void SqlWriter::Flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size())
        throw std::runtime_error("cannot write the SQL output");
    buffer_.clear();
}

int DumpSql(ToolTable& t, const std::string& fileName, const std::string& dialect, int codePage,
            bool withDeleted) {
    // The table's name: the file's base name without its extension.
    std::string name = fileName.substr(fileName.find_last_of('/') + 1);
    if (size_t dot = name.find_last_of('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    SqlWriter writer(t, LowerAscii(name), SqlDialectNamed(dialect), codePage, withDeleted, stdout);
    writer.Begin();
    t.progress.Start("dump", t.RecordCount());
    int64_t shown = 0;
    for (t.GetRecord(recreq::kFirst); !t.Eof(); t.GetRecord(recreq::kNext)) {
        t.progress.Step(++shown);
        writer.Row();
    }
    t.progress.Finish();
    writer.End();
    if (writer.Unfit() > 0)
        std::fprintf(stderr, "ordane: %lld values that their columns cannot hold were written as NULL\n",
                     static_cast<long long>(writer.Unfit()));
    return kExitOk;
}

}  // namespace ordane
