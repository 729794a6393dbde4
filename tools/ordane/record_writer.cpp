#include "tools/ordane/record_writer.h"

#include <charconv>
#include <cmath>
#include <set>

#include "engine/storage/byte_view.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/dbf_fields.h"
#include "engine/storage/errors.h"
#include "engine/storage/os_services.h"
#include "engine/storage/trim_split.h"
#include "tools/ordane/csv.h"

namespace ordane {
namespace {

constexpr size_t kFlushAt = 1 << 20;

std::string JsonDump(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

// A double as JSON writes it.
void AppendJsonNumber(std::string& out, double d) {
    if (!std::isfinite(d)) {
        out += "null";
        return;
    }
    char buf[64];
    char* end = nlohmann::detail::to_chars(buf, buf + sizeof buf, d);
    out.append(buf, static_cast<size_t>(end - buf));
}

template <typename Int>
void AppendInt(std::string& out, Int v) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, static_cast<size_t>(end - buf));
}

}  // namespace

RecordWriter::RecordWriter(DVO_dBaseFld& table, int codePage, bool raw, bool csv, std::FILE* out)
    : table_(table), codePage_(codePage), raw_(raw), csv_(csv), out_(out) {
    std::set<std::string> names;
    for (const TdvFieldDesc& f : table.Fields()) {
        Kind kind = Kind::kOther;
        if (table.IsMemoField(f) || table.IsBinary(f)) kind = Kind::kOther;
        else if (f.type == 'N' || f.type == 'F' || f.type == 'I' || f.type == 'Y') kind = Kind::kNumber;
        else if (f.type == 'D') kind = Kind::kDate;
        else if (f.type == 'L') kind = Kind::kLogical;
        else kind = Kind::kText;
        const std::string name = os::ToUtf8(f.name, codePage);
        if (!names.insert(name).second) sameAsJson_ = false;
        columns_.push_back(Column{&f, kind, JsonDump(Json(name)) + ":"});
    }
    for (int b = 0; b < 256; ++b) {
        std::string utf8 = os::ToUtf8(std::string(1, static_cast<char>(b)), codePage);
        if (!csv) {
            utf8 = JsonDump(Json(utf8));
            utf8 = utf8.substr(1, utf8.size() - 2);
        }
        plain_[static_cast<size_t>(b)] = utf8.size() == 1 && static_cast<uint8_t>(utf8[0]) == b;
        byteText_.push_back(utf8);
    }
    buffer_.reserve(kFlushAt + 4096);
}

RecordWriter::~RecordWriter() { Flush(); }

void RecordWriter::Flush() {
    if (!buffer_.empty()) std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    buffer_.clear();
}

void RecordWriter::WriteHeader() {
    if (!csv_) return;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (i) buffer_ += ',';
        buffer_ += CsvQuote(os::ToUtf8(columns_[i].field->name, codePage_));
    }
    buffer_ += "\r\n";
}

void RecordWriter::WriteRecord() {
    // A field that cannot be read leaves nothing of its record behind.
    const size_t start = buffer_.size();
    try {
        Append();
    } catch (...) {
        buffer_.resize(start);
        throw;
    }
    if (buffer_.size() >= kFlushAt) Flush();
}

void RecordWriter::Append() {
    if (!csv_ && !sameAsJson_) {
        buffer_ += JsonDump(RecordJson(table_, codePage_, raw_));
        buffer_ += '\n';
    } else {
        if (!csv_) {
            buffer_ += "{\"recno\":";
            AppendInt(buffer_, table_.CurrentRecord());
            buffer_ += table_.IsDeleted() ? ",\"deleted\":true,\"fields\":{" : ",\"deleted\":false,\"fields\":{";
        }
        for (size_t i = 0; i < columns_.size(); ++i) {
            const Column& c = columns_[i];
            if (i) buffer_ += ',';
            if (!csv_) buffer_ += c.jsonName;
            if (raw_) {
                Hex(*c.field);
                continue;
            }
            switch (c.kind) {
                case Kind::kText: Text(*c.field); break;
                case Kind::kNumber: Number(*c.field); break;
                case Kind::kDate: Date(*c.field); break;
                case Kind::kLogical: buffer_ += table_.LogicGet(c.field->number) ? "true" : "false"; break;
                case Kind::kOther: Other(*c.field); break;
            }
        }
        buffer_ += csv_ ? "\r\n" : "}}\n";
    }
}

void RecordWriter::Text(const TdvFieldDesc& f) {
    const TdvByteView view = table_.FieldBytes(f);
    const std::string_view stored =
        textutil::TrimRight(std::string_view(reinterpret_cast<const char*>(view.Data()), static_cast<size_t>(f.length)),
                            textutil::IsBlank);
    std::string& out = csv_ ? scratch_ : buffer_;
    if (csv_) scratch_.clear();
    else buffer_ += '"';
    // Runs of bytes that stand for themselves go in one piece.
    size_t run = 0;
    for (size_t i = 0; i < stored.size(); ++i) {
        const uint8_t byte = static_cast<uint8_t>(stored[i]);
        if (plain_[byte]) continue;
        out.append(stored.data() + run, i - run);
        out += byteText_[byte];
        run = i + 1;
    }
    out.append(stored.data() + run, stored.size() - run);
    if (csv_) CsvField(scratch_);
    else buffer_ += '"';
}

void RecordWriter::Number(const TdvFieldDesc& f) {
    const TdvByteView view = table_.FieldBytes(f);
    const std::string_view stored(reinterpret_cast<const char*>(view.Data()), static_cast<size_t>(f.length));
    if (textutil::Trim(stored, textutil::IsBlank).empty()) {
        if (!csv_) buffer_ += "null";
        return;
    }
    double d = 0;
    try {
        d = static_cast<double>(table_.NumberGet(f.number));
    } catch (const EOrdaneError&) {
        if (!csv_) buffer_ += "null";  // not a number: no value rather than a guess
        return;
    }
    if (csv_ && std::isfinite(d) && std::floor(d) == d && std::fabs(d) < 1e15) {
        // Whole numbers without the ".0" a JSON writer adds.
        AppendInt(buffer_, static_cast<long long>(d));
        return;
    }
    AppendJsonNumber(buffer_, d);
}

void RecordWriter::Date(const TdvFieldDesc& f) {
    int32_t day = 0;
    try {
        day = table_.DateGet(f.number);
    } catch (const std::exception&) {
        day = 0;
    }
    if (day <= 0) {
        if (!csv_) buffer_ += "null";
        return;
    }
    int y = 0, m = 0, d = 0;
    TdvDBFDate::DecodeJulian(day, &y, &m, &d);
    char buf[32];
    if (y < 0 || y > 9999) {
        const int n = std::snprintf(buf, sizeof buf, csv_ ? "%04d-%02d-%02d" : "\"%04d-%02d-%02d\"", y, m, d);
        buffer_.append(buf, static_cast<size_t>(n));
        return;
    }
    char* p = buf;
    if (!csv_) *p++ = '"';
    const int parts[] = {y / 100, y % 100, -1, m, -1, d};
    for (int part : parts) {
        if (part < 0) {
            *p++ = '-';
            continue;
        }
        *p++ = static_cast<char>('0' + part / 10);
        *p++ = static_cast<char>('0' + part % 10);
    }
    if (!csv_) *p++ = '"';
    buffer_.append(buf, static_cast<size_t>(p - buf));
}

void RecordWriter::Hex(const TdvFieldDesc& f) {
    static const char* digits = "0123456789abcdef";
    const uint8_t* bytes = table_.FieldBytes(f).Data();
    if (!csv_) buffer_ += '"';
    for (int32_t i = 0; i < f.length; ++i) {
        buffer_ += digits[bytes[i] >> 4];
        buffer_ += digits[bytes[i] & 15];
    }
    if (!csv_) buffer_ += '"';
}

void RecordWriter::Other(const TdvFieldDesc& f) {
    const Json value = FieldValue(table_, f, codePage_, raw_);
    if (csv_) CsvField(CsvText(value));
    else buffer_ += JsonDump(value);
}

void RecordWriter::CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) buffer_ += text;
    else buffer_ += CsvQuote(text);
}

}  // namespace ordane
