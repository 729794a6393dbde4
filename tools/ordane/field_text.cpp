#include "tools/ordane/field_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/storage/byte_view.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/dbf_fields.h"
#include "engine/storage/errors.h"
#include "engine/storage/os_services.h"
#include "engine/storage/trim_split.h"
#include "tools/ordane/command.h"
#include "tools/ordane/user_text.h"

namespace ordane {
namespace {

// Field text pads with blanks only.
std::string TrimRight(std::string_view s) { return std::string(textutil::TrimRight(s, textutil::IsBlank)); }
std::string Trim(std::string_view s) { return std::string(textutil::Trim(s, textutil::IsBlank)); }

std::string IsoDate(int32_t day) {
    int y = 0, m = 0, d = 0;
    TdvDBFDate::DecodeJulian(day, &y, &m, &d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

std::string MemoBytes(DVO_dBaseFld& t, const TdvFieldDesc& f) {
    int32_t size = t.MemoSize(f.number);
    std::string bytes(static_cast<size_t>(size), '\0');
    if (size > 0) bytes.resize(static_cast<size_t>(t.MemoRead(f.number, bytes.data(), size)));
    return bytes;
}

[[noreturn]] void BadValue(const TdvFieldDesc& f, const Json& value) {
    throw UsageError("field " + f.name + " cannot take the value " + value.dump());
}

// A number from JSON: a number, or text with '.' as point.
long double NumberOf(const TdvFieldDesc& f, const Json& value) {
    if (value.is_number()) return value.get<long double>();
    if (value.is_boolean()) return value.get<bool>() ? 1 : 0;
    std::string text = value.is_string() ? Trim(value.get<std::string>()) : std::string();
    char* end = nullptr;
    long double v = std::strtold(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v)) BadValue(f, value);
    return v;
}

// "YYYY-MM-DD" (or "yyyymmdd") as a Julian day; 0 for empty text.
int32_t DayOf(const TdvFieldDesc& f, const Json& value, std::string_view text) {
    int y = 0, m = 0, d = 0;
    if (text.empty()) return 0;
    char tail = 0;
    std::string s(text);
    if (!(std::sscanf(s.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) == 3 ||
          (s.size() == 8 && std::sscanf(s.c_str(), "%4d%2d%2d%c", &y, &m, &d, &tail) == 3)))
        BadValue(f, value);
    int32_t day = TdvDBFDate::EncodeJulian(y, m, d);
    if (day <= 0) BadValue(f, value);
    return day;
}

}  // namespace

Json FieldValue(DVO_dBaseFld& t, const TdvFieldDesc& f, int codePage, bool raw) {
    const TdvByteView view = t.FieldBytes(f);
    const uint8_t* bytes = view.Data();
    if (raw) {
        static const char* digits = "0123456789abcdef";
        std::string hex;
        for (int32_t i = 0; i < f.length; ++i) {
            hex += digits[bytes[i] >> 4];
            hex += digits[bytes[i] & 15];
        }
        return hex;
    }
    const std::string text(reinterpret_cast<const char*>(bytes), static_cast<size_t>(f.length));
    if (t.IsMemoField(f)) {
        std::string memo = MemoBytes(t, f);
        if (f.type == 'M') return os::ToUtf8(memo, codePage);
        return Base64Encode(memo);
    }
    if (t.IsBinary(f)) {
        switch (f.type) {
            case 'I': return view.I32LE(0);
            case 'Y': return static_cast<double>(static_cast<int64_t>(view.U64LE(0))) / 10000.0;
            case 'B': {
                const double d = view.F64LE(0);
                return std::isfinite(d) ? Json(d) : Json(nullptr);
            }
            case 'T': {
                int32_t day = view.I32LE(0);
                uint32_t ms = view.U32LE(4);
                if (day <= 0 || text.find_first_not_of(' ') == std::string::npos || ms >= 86400000u) return nullptr;
                char buf[32];
                std::snprintf(buf, sizeof buf, "%sT%02u:%02u:%02u.%03u", IsoDate(day).c_str(), ms / 3600000u,
                              ms / 60000u % 60u, ms / 1000u % 60u, ms % 1000u);
                return buf;
            }
            default: break;
        }
    }
    switch (f.type) {
        case 'N':
        case 'F':
        case 'I':
        case 'Y': {
            if (Trim(text).empty()) return nullptr;
            try {
                return static_cast<double>(t.NumberGet(f.number));
            } catch (const EOrdaneError&) {
                return nullptr;  // not a number: shown as no value rather than a guess
            }
        }
        case 'D': {
            try {
                int32_t day = t.DateGet(f.number);
                return day > 0 ? Json(IsoDate(day)) : Json(nullptr);
            } catch (const std::exception&) {
                return nullptr;
            }
        }
        case 'L': return t.LogicGet(f.number);
        default: return os::ToUtf8(TrimRight(text), codePage);
    }
}

Json RecordJson(DVO_dBaseFld& t, int codePage, bool raw) {
    Json record;
    record["recno"] = t.CurrentRecord();
    record["deleted"] = t.IsDeleted();
    Json values = Json::object();
    for (const TdvFieldDesc& f : t.Fields()) values[os::ToUtf8(f.name, codePage)] = FieldValue(t, f, codePage, raw);
    record["fields"] = values;
    return record;
}

std::string CsvText(const Json& value) {
    if (value.is_null()) return {};
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_float()) {
        // Whole numbers without the ".0" a JSON writer adds.
        double d = value.get<double>();
        if (std::floor(d) == d && std::fabs(d) < 1e15) return std::to_string(static_cast<long long>(d));
    }
    return value.dump();
}

void StoreValue(DVO_dBaseFld& t, const TdvFieldDesc& f, const Json& value, int codePage) {
    const std::string text = value.is_string() ? value.get<std::string>() : std::string();
    if (value.is_null() || (value.is_string() && Trim(text).empty() && (f.type == 'N' || f.type == 'F'))) {
        // No value: a blank record holds zero in numbers, but an absent number is stored as blanks.
        if ((f.type == 'N' || f.type == 'F') && !t.IsBinary(f)) t.FieldPut(f.number, "");
        return;
    }
    if (t.IsMemoField(f)) {
        if (!value.is_string()) BadValue(f, value);
        std::string bytes = f.type == 'M' ? TableText(text, codePage) : Base64Decode(text);
        t.MemoWrite(f.number, bytes.data(), static_cast<int32_t>(bytes.size()));
        return;
    }
    if (t.IsBinary(f) && f.type == 'T') {
        if (!value.is_string()) BadValue(f, value);
        if (Trim(text).empty()) return;
        int32_t day = DayOf(f, value, std::string_view(text).substr(0, 10));
        int h = 0, m = 0, s = 0, ms = 0;
        if (text.size() > 10) {
            std::string clock = text.substr(11);
            if (std::sscanf(clock.c_str(), "%d:%d:%d.%d", &h, &m, &s, &ms) < 2) BadValue(f, value);
        }
        long double total = (static_cast<long double>(day) - 1721425.0L) * 86400000.0L + h * 3600000.0L +
                            m * 60000.0L + s * 1000.0L + ms;
        t.NumberPut(f.number, total);
        return;
    }
    switch (f.type) {
        case 'N':
        case 'F':
        case 'I':
        case 'Y':
        case 'B':
            if (value.is_string() && Trim(text).empty()) return;
            t.NumberPut(f.number, NumberOf(f, value));
            return;
        case 'D': {
            if (!value.is_string()) BadValue(f, value);
            int32_t day = DayOf(f, value, Trim(text));
            if (day > 0) t.DatePut(f.number, day);
            return;
        }
        case 'L': {
            if (value.is_boolean()) {
                t.LogicPut(f.number, value.get<bool>());
                return;
            }
            std::string s = Trim(text);
            if (s == "T" || s == "t" || s == "true" || s == "Y" || s == "y") {
                t.LogicPut(f.number, true);
            } else if (s == "F" || s == "f" || s == "false" || s == "N" || s == "n") {
                t.LogicPut(f.number, false);
            } else if (!s.empty()) {
                BadValue(f, value);
            }
            return;
        }
        default: {
            std::string stored = value.is_string() ? TableText(text, codePage) : value.dump();
            if (static_cast<int32_t>(stored.size()) > f.length) BadValue(f, value);
            t.FieldPut(f.number, stored);
        }
    }
}

std::string Base64Encode(std::string_view bytes) {
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        uint32_t v = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
        for (int k = 18; k >= 0; k -= 6) out += alphabet[(v >> k) & 63];
    }
    if (i < bytes.size()) {
        uint32_t v = uint8_t(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= uint8_t(bytes[i + 1]) << 8;
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string Base64Decode(std::string_view text) {
    std::string out;
    uint32_t v = 0;
    int bits = 0;
    for (char c : text) {
        int d;
        if (c >= 'A' && c <= 'Z') d = c - 'A';
        else if (c >= 'a' && c <= 'z') d = c - 'a' + 26;
        else if (c >= '0' && c <= '9') d = c - '0' + 52;
        else if (c == '+') d = 62;
        else if (c == '/') d = 63;
        else if (c == '=' || c == '\n' || c == '\r') continue;
        else throw UsageError("not base64: " + std::string(text.substr(0, 20)));
        v = (v << 6) | static_cast<uint32_t>(d);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((v >> bits) & 0xFF);
        }
    }
    return out;
}

}  // namespace ordane
