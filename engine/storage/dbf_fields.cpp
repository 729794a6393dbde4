#include "engine/storage/dbf_fields.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/storage/byte_view.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/errors.h"
#include "engine/storage/memo_file.h"
#include "engine/storage/number_text.h"
#include "engine/storage/os_services.h"
#include "engine/storage/record_buffer_scope.h"
#include "engine/storage/trim_split.h"
#include "framework/base/exception.h"
#include "framework/base/variant.h"

namespace {

constexpr std::string_view kTrueLetters = "TtYyJj";
constexpr std::string_view kFalseLetters = "FfNn";
constexpr int32_t kMaxFieldName = 11;
constexpr int64_t kMsPerDay = 86400000;
constexpr int32_t kDateTimeEpoch = 1721425;  // the day a date-time's millisecond count starts from

TdvExpressionLinkFactory gLinkFactory = nullptr;

// Stored field text is padded with blanks only; a tab in it is data.
std::string_view TrimRight(std::string_view s) { return textutil::TrimRight(s, textutil::IsBlank); }
std::string_view TrimLeft(std::string_view s) { return textutil::TrimLeft(s, textutil::IsBlank); }
std::string_view Trim(std::string_view s) { return textutil::Trim(s, textutil::IsBlank); }

// Whether the n bytes at at are all blanks, as a binary field some writers leave unset is.
bool AllBlanks(const TdvByteView& v, size_t at, size_t n) {
    const uint8_t* p = v.Bytes(at, n);
    for (size_t i = 0; i < n; ++i)
        if (p[i] != ' ') return false;
    return true;
}

// Case-blind equality by the locale's upper case, without building upper-cased copies.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (os::UpperChar(a[i]) != os::UpperChar(b[i])) return false;
    return true;
}

// Whether a memo block number in text form names a memo. Leading zeros do not count, so the zero-padded
// pointers some writers store ("0000000000") read as no memo.
bool TextNamesMemo(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && text.front() == '0') text.remove_prefix(1);
    return !text.empty() && static_cast<unsigned char>(text.front()) > '0';
}

std::string MemoMarker(char type, bool present) {
    switch (type) {
        case 'B': return present ? "--BINARY--" : "--binary--";
        case 'G': return present ? "-GENERAL--" : "-general--";
        default: return present ? "---MEMO---" : "---memo---";
    }
}

// A date typed into a field: storage or display form, "" for no date; -1 for text that is no date. Unlike a
// stored text, 8 digits that are no calendar date are refused rather than read as the platform's day 0, so
// that a mistyped date is not silently replaced.
int32_t TextToDay(std::string_view text) {
    const std::string_view t = TrimRight(text);
    const bool digits = std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (t.size() == 8 && t != "00000000" && digits) {
        auto part = [&](size_t from, size_t n) {
            int v = 0;
            for (size_t k = from; k < from + n; ++k) v = v * 10 + (t[k] - '0');
            return v;
        };
        if (!TdvDBFDate::IsValidDate(part(0, 4), part(4, 2), part(6, 2))) return -1;
    }
    try {
        return DBFDate().StorageToJulian(t);
    } catch (const EConvertError&) {
        return -1;
    }
}

}  // namespace

void SetExpressionLinkFactory(TdvExpressionLinkFactory factory) { gLinkFactory = factory; }
TdvExpressionLinkFactory ExpressionLinkFactory() { return gLinkFactory; }

DVO_dBaseFld::DVO_dBaseFld(const std::string& fileName, const std::string& password, bool readWrite, bool shared)
    : DVO_dBaseDBF(fileName, password, readWrite, shared) {
    // The table has tested the password of an encrypted table and checked every field against the record.
    if (TdvExpressionLinkFactory factory = ExpressionLinkFactory()) {
        link_ = factory(this);
        if (link_) {
            for (const char* function : {"RECNO", "DELETED", "BOF", "EOF", "TYPE", "LEN", "FIELDNO"})
                link_->AddTableFunction(function);
            for (int32_t i = 1; i <= FieldCount(); ++i) link_->AddFieldVariable(i);
        }
    }
    std::fill(fieldChanged_.begin(), fieldChanged_.end(), 0);
}

// The link refers to this table, so it goes first.
DVO_dBaseFld::~DVO_dBaseFld() { link_.reset(); }

void DVO_dBaseFld::GetRecord(int32_t n) {
    DVO_dBaseDBF::GetRecord(n);
    std::fill(fieldChanged_.begin(), fieldChanged_.end(), 0);
}

// --- helpers ----------------------------------------------------------------------------------------------------

const TdvFieldDesc* DVO_dBaseFld::Field(int32_t n) const {
    if (n < 1 || n > FieldCount()) return nullptr;
    return &Fields()[static_cast<size_t>(n - 1)];
}

bool DVO_dBaseFld::IsMemoField(const TdvFieldDesc& f) const {
    // A 0x30 B field is a double, not a memo.
    return (f.type == 'M' || f.type == 'G' || f.type == 'B') && !(f.type == 'B' && IsBinary(f));
}

bool DVO_dBaseFld::IsBinary(const TdvFieldDesc& f) const {
    if (Version() != 0x30) return false;
    switch (f.type) {
        case 'I':
        case 'M':
        case 'G': return f.length == 4;
        case 'B':
        case 'T':
        case 'Y': return f.length == 8;
        default: return false;
    }
}

TdvByteView DVO_dBaseFld::FieldBytes(const TdvFieldDesc& f) const {
    // The table checked every field against its record at opening, so no access inside the field fails.
    return TdvByteView(RecordBuffer() + f.offset, static_cast<size_t>(f.length),
                       {errcode::kBadHeader, subcode::kNone, Name()});
}

std::string_view DVO_dBaseFld::RawText(const TdvFieldDesc& f) const {
    const char* p = reinterpret_cast<const char*>(RecordBuffer()) + f.offset;
    const void* nul = std::memchr(p, 0, static_cast<size_t>(f.length));
    const size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - p) : static_cast<size_t>(f.length);
    return std::string_view(p, n);
}

std::string DVO_dBaseFld::FieldInfo(const TdvFieldDesc& f, bool baseName) const {
    std::string table = Name();
    if (baseName) {
        const size_t slash = table.find_last_of("/\\");
        if (slash != std::string::npos) table.erase(0, slash + 1);
        const size_t dot = table.rfind('.');
        if (dot != std::string::npos) table.erase(dot);
    }
    return table + "->" + f.name;
}

void DVO_dBaseFld::StoreText(const TdvFieldDesc& f, std::string_view text) {
    uint8_t* field = RecordBuffer() + f.offset;
    const size_t length = static_cast<size_t>(f.length);
    std::memset(field, ' ', length);
    const size_t n = std::min(text.size(), length);
    if (n > 0) {
        const bool left = f.type == 'C' || f.type == 'D' || f.type == 'L';
        std::memcpy(field + (left ? 0 : length - n), text.data(), n);
    }
    fieldChanged_[static_cast<size_t>(f.number)] = 1;
    recordModified = true;
}

void DVO_dBaseFld::StoreBytes(const TdvFieldDesc& f, const void* bytes) {
    std::memcpy(RecordBuffer() + f.offset, bytes, static_cast<size_t>(f.length));
    fieldChanged_[static_cast<size_t>(f.number)] = 1;
    recordModified = true;
}

long double DVO_dBaseFld::DecodeBinary(const TdvFieldDesc& f) const {
    const TdvByteView v = FieldBytes(f);
    switch (f.type) {
        case 'B': return AllBlanks(v, 0, 8) ? 0 : v.F64LE(0);
        case 'Y':
            return AllBlanks(v, 0, 8) ? 0 : static_cast<long double>(static_cast<int64_t>(v.U64LE(0))) / 10000.0L;
        case 'T': {
            const int32_t day = AllBlanks(v, 0, 4) ? TdvDBFDate::kPlatformOrigin : v.I32LE(0);
            const int32_t ms = AllBlanks(v, 4, 4) ? 0 : v.I32LE(4);
            if (day == 0) return 0;  // zero bytes: no date-time
            return static_cast<long double>(int64_t{day} - kDateTimeEpoch) * kMsPerDay + ms;
        }
        default: return AllBlanks(v, 0, 4) ? 0 : v.I32LE(0);
    }
}

const TdvFieldDesc& DVO_dBaseFld::Checked(std::string_view name, std::string_view acceptedTypes) {
    const TdvFieldDesc& f = FieldByName(name);
    if (!acceptedTypes.empty() && acceptedTypes.find(f.type) == std::string_view::npos)
        FoundError(errcode::kBadFieldType, subcode::kFieldType, std::string(name));
    currentNumber_ = f.number;
    return f;
}

// --- lookup and descriptors -------------------------------------------------------------------------------------

int32_t DVO_dBaseFld::FieldNumber(std::string_view name) const {
    name = TrimRight(name);
    if (name.empty() || name.size() > static_cast<size_t>(kMaxFieldName)) return 0;
    for (const TdvFieldDesc& f : Fields())
        if (SameName(f.name, name)) return f.number;
    return 0;
}

const TdvFieldDesc& DVO_dBaseFld::FieldByName(std::string_view name) {
    const int32_t n = FieldNumber(name);
    if (n == 0) FoundError(errcode::kBadFieldName, subcode::kFieldLookup, Name() + "->" + std::string(name));
    currentNumber_ = n;
    return *Field(n);
}

int32_t DVO_dBaseFld::FieldDecimals(int32_t n) {
    const TdvFieldDesc* f = Field(n);
    return f && f->type != 'C' ? f->decimals : 0;
}
int32_t DVO_dBaseFld::FieldLength(int32_t n) {
    const TdvFieldDesc* f = Field(n);
    return f ? f->length : 0;
}
int32_t DVO_dBaseFld::FieldOffset(int32_t n) {
    const TdvFieldDesc* f = Field(n);
    return f ? f->offset : 0;
}
std::string DVO_dBaseFld::FieldName(int32_t n) {
    const TdvFieldDesc* f = Field(n);
    return f ? f->name : std::string();
}
char DVO_dBaseFld::FieldType(int32_t n) {
    const TdvFieldDesc* f = Field(n);
    return f ? f->type : '\0';
}

int32_t DVO_dBaseFld::UserFunctionHook(std::string_view, std::string_view, uint8_t*, char*, uint8_t*) { return -1; }

// --- raw text ---------------------------------------------------------------------------------------------------

std::string DVO_dBaseFld::FieldGetN(std::string_view name) { return FieldGet(Checked(name, "").number); }
std::string DVO_dBaseFld::FieldGet(int32_t n) {
    const TdvFieldDesc* f = Field(n);
    if (!f) return {};
    currentNumber_ = n;
    return std::string(RawText(*f));
}

bool DVO_dBaseFld::FieldPutN(std::string_view name, std::string_view text) {
    return FieldPut(Checked(name, "").number, text);
}
bool DVO_dBaseFld::FieldPut(int32_t n, std::string_view text) {
    const TdvFieldDesc* f = Field(n);
    if (!f) return false;
    currentNumber_ = n;
    StoreText(*f, text);
    return true;
}

// --- numbers ----------------------------------------------------------------------------------------------------

long double DVO_dBaseFld::NumberGetN(std::string_view name) { return NumberGet(Checked(name, "NFBGIMTY").number); }

long double DVO_dBaseFld::NumberGet(int32_t n) {
    const TdvFieldDesc* f = Field(n);
    if (!f) return 0;
    currentNumber_ = n;
    if (IsBinary(*f)) return DecodeBinary(*f);
    const std::string_view text = TrimRight(RawText(*f));
    if (text.empty()) return 0;
    long double value = 0;
    if (!numtext::Parse(text, '.', &value))
        FoundError(errcode::kBadFieldType, subcode::kNone,
                   "Invalid number in field " + FieldInfo(*f, true) + " (" + std::string(text) + ")");
    return value;
}

bool DVO_dBaseFld::NumberPutN(std::string_view name, long double value) {
    return NumberPut(Checked(name, "NFBGIMTY").number, value);
}

bool DVO_dBaseFld::NumberPut(int32_t n, long double value) {
    const TdvFieldDesc* f = Field(n);
    if (!f) return false;
    currentNumber_ = n;
    return StoreNumber(*f, value, true);
}

bool DVO_dBaseFld::StoreNumber(const TdvFieldDesc& f, long double value, bool report) {
    const bool accepted = std::string_view("BFGMN").find(f.type) != std::string_view::npos ||
                          (Version() == 0x30 && std::string_view("ITY").find(f.type) != std::string_view::npos);
    if (!accepted) {
        if (!report) return false;
        FoundError(errcode::kBadFieldType, subcode::kFieldType, std::string());
    }
    auto tooLarge = [&](const std::string& shown) {
        if (report) FoundError(errcode::kNumberTooLarge, subcode::kNumberAssign, f.name + " - " + shown);
        return false;
    };

    if (IsBinary(f)) {
        uint8_t bytes[8] = {};
        TdvWriteView out(bytes, static_cast<size_t>(f.length), {errcode::kBadHeader, subcode::kNone, Name()});
        switch (f.type) {
            case 'B': {
                if (std::isfinite(value) && std::fabs(value) > static_cast<long double>(DBL_MAX))
                    return tooLarge(numtext::FormatFixed(value, 0));
                out.PutF64LE(0, static_cast<double>(value));
                break;
            }
            case 'Y': {
                // One signed 64-bit count of ten-thousandths, as every other program holds currency.
                const long double scaled = std::round(value * 10000.0L);
                if (!(scaled >= -9223372036854775808.0L && scaled < 9223372036854775808.0L))
                    return tooLarge(numtext::FormatFixed(value, 4));
                out.PutU64LE(0, static_cast<uint64_t>(static_cast<int64_t>(scaled)));
                break;
            }
            case 'T': {
                // Zero is "no date-time" (zero bytes); other values split into a day and the milliseconds of
                // that day, rounded down so that the time of day is never negative.
                if (value == 0) break;
                const long double days = std::floor(value / kMsPerDay);
                const long double day = days + kDateTimeEpoch;
                if (!(day >= 1 && day <= 2147483647.0L)) return tooLarge(numtext::FormatFixed(value, 0));
                const long double ms = std::trunc(value - days * kMsPerDay);
                const int32_t msOfDay = static_cast<int32_t>(std::clamp(ms, 0.0L, 86399999.0L));
                out.PutI32LE(0, static_cast<int32_t>(day));
                out.PutI32LE(4, msOfDay);
                break;
            }
            default: {  // I, M, G
                const long double t = std::trunc(value);
                if (!(t >= -2147483648.0L && t <= 2147483647.0L)) return tooLarge(numtext::FormatFixed(value, 0));
                out.PutI32LE(0, static_cast<int32_t>(t));
                break;
            }
        }
        StoreBytes(f, bytes);
        return true;
    }

    const std::string text = numtext::FormatFixed(value, f.decimals);
    if (!std::isfinite(value) || text.size() > static_cast<size_t>(f.length)) return tooLarge(text);
    StoreText(f, text);
    return true;
}

// --- dates ------------------------------------------------------------------------------------------------------

int32_t DVO_dBaseFld::DateGetN(std::string_view name) { return DateGet(Checked(name, "D").number); }

int32_t DVO_dBaseFld::DateGet(int32_t n) {
    const TdvFieldDesc* f = Field(n);
    if (!f) return 0;
    currentNumber_ = n;
    if (IsBinary(*f) && f->type == 'T') {
        const TdvByteView v = FieldBytes(*f);
        return AllBlanks(v, 0, 4) ? TdvDBFDate::kPlatformOrigin : std::max(0, v.I32LE(0));
    }
    const std::string_view text = RawText(*f);
    int32_t day = 0;
    try {
        day = DBFDate().StorageToJulian(text);
    } catch (const EConvertError&) {
        FoundError(errcode::kBadFieldType, subcode::kNone,
                   "Invalid date in field " + FieldInfo(*f, true) + " (" + std::string(text) + ")");
    }
    return day;
}

bool DVO_dBaseFld::DatePutN(std::string_view name, int32_t day) { return DatePut(Checked(name, "D").number, day); }

bool DVO_dBaseFld::DatePut(int32_t n, int32_t day) {
    const TdvFieldDesc* f = Field(n);
    if (!f) return false;
    currentNumber_ = n;
    if (day == -1) FoundError(errcode::kBadFieldType, subcode::kDateAssign, std::string());
    if (f->type != 'D') return false;
    // A day without a storage form would be stored as blanks, silently losing the date: refuse it as -1 is.
    if (day > 0 && (day < TdvDBFDate::kFirstDay || day > TdvDBFDate::kLastDay))
        FoundError(errcode::kBadFieldType, subcode::kDateAssign, std::string());
    char storage[8];
    DBFDate().JulianToStorage(day, storage);
    StoreText(*f, std::string_view(storage, 8));
    return true;
}

// --- logicals ---------------------------------------------------------------------------------------------------

bool DVO_dBaseFld::LogicGetN(std::string_view name) { return LogicGet(Checked(name, "L").number); }

bool DVO_dBaseFld::LogicGet(int32_t n) {
    const TdvFieldDesc* f = Field(n);
    if (!f) return false;
    currentNumber_ = n;
    const std::string_view text = RawText(*f);
    return !text.empty() && kTrueLetters.find(text) != std::string_view::npos;
}

bool DVO_dBaseFld::LogicPutN(std::string_view name, bool value) { return LogicPut(Checked(name, "L").number, value); }

bool DVO_dBaseFld::LogicPut(int32_t n, bool value) {
    const TdvFieldDesc* f = Field(n);
    if (!f) return false;
    currentNumber_ = n;
    if (f->type != 'L') FoundError(errcode::kBadFieldType, subcode::kFieldType, std::string());
    StoreText(*f, value ? "T" : "F");
    return true;
}

// --- display text -----------------------------------------------------------------------------------------------

std::string DVO_dBaseFld::StringGetN(std::string_view name) { return StringGet(Checked(name, "").number); }

std::string DVO_dBaseFld::StringGet(int32_t n) {
    const TdvFieldDesc* f = Field(n);
    if (!f) return {};
    currentNumber_ = n;
    if (IsBinary(*f)) {
        const long double value = DecodeBinary(*f);
        switch (f->type) {
            case 'I': return numtext::FormatFixed(value, 0);
            case 'Y': return numtext::FormatFixed(value, 4);
            case 'T': {
                const TdvByteView v = FieldBytes(*f);
                const int32_t day = DateGet(n);
                if (day <= 0) return {};
                std::string shown(TrimRight(DBFDate().JulianToDisplay(day)));
                const int32_t ms = AllBlanks(v, 4, 4) ? 0 : v.I32LE(4);
                if (ms >= 0 && ms < kMsPerDay) {
                    char time[16];
                    const int32_t s = ms / 1000;
                    std::snprintf(time, sizeof time, " %02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
                    shown += time;
                }
                return shown;
            }
            default: return MemoMarker(f->type, value > 0.1L);  // B, M, G
        }
    }
    const std::string_view text = TrimRight(RawText(*f));
    switch (f->type) {
        case 'D': return std::string(TrimRight(DBFDate().JulianToDisplay(DateGet(n))));
        case 'N':
        case 'F': {
            const std::string_view number = TrimLeft(text);
            return number.empty() ? numtext::FormatFixed(0, f->decimals) : std::string(number);
        }
        case 'L': return !text.empty() && kTrueLetters.find(text) != std::string_view::npos ? "T" : "F";
        case 'M':
        case 'B':
        case 'G': return MemoMarker(f->type, TextNamesMemo(text));
        default: return std::string(text);
    }
}

bool DVO_dBaseFld::StringPutN(std::string_view name, std::string_view text) {
    return StringPut(Checked(name, "").number, text);
}

bool DVO_dBaseFld::StringPut(int32_t n, std::string_view text) {
    const TdvFieldDesc* f = Field(n);
    if (!f) return false;
    currentNumber_ = n;

    // Text into a number field goes through NumberPut; for 0x30 binary fields that keeps the bytes sound.
    auto putNumber = [&](std::string_view t) {
        t = TrimRight(t);
        if (t.size() > 32) t = t.substr(0, 32);
        long double value = 0;
        if (!t.empty() && !numtext::Parse(t, '.', &value))
            FoundError(errcode::kBadFieldType, subcode::kNumberAssign, std::string());
        return NumberPut(n, value);
    };

    if (IsBinary(*f)) {
        if (f->type != 'T') return putNumber(text);
        // A date-time: a date in storage or display form, optionally followed by hh:mm[:ss].
        std::string_view t = Trim(text);
        if (t.empty()) return NumberPut(n, 0);
        int64_t ms = 0;
        const size_t blank = t.rfind(' ');
        if (blank != std::string_view::npos && t.find(':', blank) != std::string_view::npos) {
            int parts[3] = {0, 0, 0}, count = 0;
            bool ok = true;
            for (size_t i = blank + 1; i < t.size() && ok; ++i) {
                if (t[i] == ':') ok = ++count < 3;
                else if (t[i] >= '0' && t[i] <= '9') ok = (parts[count] = parts[count] * 10 + (t[i] - '0')) < 100;
                else ok = false;
            }
            if (!ok || parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
                FoundError(errcode::kBadFieldType, subcode::kDateAssign, std::string());
            ms = (parts[0] * 3600 + parts[1] * 60 + parts[2]) * 1000LL;
            t = TrimRight(t.substr(0, blank));
        }
        const int32_t day = TextToDay(t);
        if (day <= 0) FoundError(errcode::kBadFieldType, subcode::kDateAssign, std::string());
        return NumberPut(n, static_cast<long double>(int64_t{day} - kDateTimeEpoch) * kMsPerDay + ms);
    }

    switch (f->type) {
        case 'D': return DatePut(n, TextToDay(text));
        case 'L': {
            const char c = text.empty() ? 'F' : text.front();
            bool value = false;
            if (kTrueLetters.find(c) != std::string_view::npos) value = true;
            else if (kFalseLetters.find(c) != std::string_view::npos) value = false;
            else if (c >= '0' && c <= '9') value = c != '0';
            else FoundError(errcode::kBadFieldType, subcode::kLogicAssign, f->name);
            return LogicPut(n, value);
        }
        case 'N': return putNumber(text);
        default: StoreText(*f, text); return true;
    }
}

// --- the record as a whole --------------------------------------------------------------------------------------

bool DVO_dBaseFld::BlankRecord() {
    std::memset(RecordBuffer(), ' ', static_cast<size_t>(RecordLength()));
    for (const TdvFieldDesc& f : Fields()) {
        // A zero too wide for its field (N(3,2) cannot hold 0.00) leaves the blanks rather than failing.
        if (f.type == 'N' || f.type == 'F' || IsBinary(f)) StoreNumber(f, 0, false);
    }
    std::fill(fieldChanged_.begin(), fieldChanged_.end(), 1);
    return TableEvent(tblevent::kBlank, 0);
}

void DVO_dBaseFld::DeleteRecord() {
    // With no record current, rewriting "record 0" would append a stray record instead.
    if (CurrentRecord() < 1) ReportError(errcode::kBeyondEof, subcode::kRecordRead, Name());
    if (RecordBuffer()[0] == '*') return;
    RecordBuffer()[0] = '*';
    fieldChanged_[0] = 1;
    PutRecord(CurrentRecord());
}

void DVO_dBaseFld::UndeleteRecord() {
    if (CurrentRecord() < 1) ReportError(errcode::kBeyondEof, subcode::kRecordRead, Name());
    RecordBuffer()[0] = ' ';
    fieldChanged_[0] = 1;
    PutRecord(CurrentRecord());
}

void DVO_dBaseFld::PutFieldsFromValues(uint8_t* buffer, std::string_view names, const Variant& values) {
    if (!buffer) throw ERangeError("PutFieldsFromValues: no record buffer");
    std::vector<std::string_view> list;
    for (size_t start = 0;;) {
        const size_t semicolon = names.find(';', start);
        list.push_back(Trim(names.substr(start, semicolon == std::string_view::npos ? std::string_view::npos
                                                                                     : semicolon - start)));
        if (semicolon == std::string_view::npos) break;
        start = semicolon + 1;
    }
    // Refused before the buffer is touched: a short array would leave names without values.
    if (values.IsArray() && values.Count() < list.size())
        throw ERangeError("PutFieldsFromValues: " + std::to_string(list.size()) + " names but " +
                          std::to_string(values.Count()) + " values");

    // Borrow the caller's buffer for the assignment and put the previous one back on every path.
    TdvRecordBufferScope onBuffer(*this, buffer);
    BlankRecord();
    const size_t count = values.IsArray() ? list.size() : 1;
    for (size_t i = 0; i < count; ++i) {
        const Variant& value = values.IsArray() ? values[i] : values;
        StringPutN(list[i], value.IsNull() ? std::string() : value.AsString());
    }
}

// --- memo fields ------------------------------------------------------------------------------------------------

DVobjMemo* DVO_dBaseFld::MemoFile(int32_t n) {
    const TdvFieldDesc* f = Field(n);
    if (!f || !IsMemoField(*f)) return nullptr;
    return OpenMemo();
}

int32_t DVO_dBaseFld::MemoBlock(const TdvFieldDesc& f) {
    if (IsBinary(f)) {
        const TdvByteView v = FieldBytes(f);
        const int32_t block = AllBlanks(v, 0, 4) ? 0 : v.I32LE(0);
        if (block < 0) FoundError(errcode::kMemoFormat, subcode::kMemoFormat, FieldInfo(f, false));
        return block;
    }
    const std::string_view text = Trim(RawText(f));
    int64_t block = 0;
    for (char c : text) {
        if (c < '0' || c > '9') FoundError(errcode::kMemoFormat, subcode::kMemoFormat, FieldInfo(f, false));
        block = block * 10 + (c - '0');
        if (block > INT32_MAX) FoundError(errcode::kMemoFormat, subcode::kMemoFormat, FieldInfo(f, false));
    }
    return static_cast<int32_t>(block);
}

DVobjMemo* DVO_dBaseFld::RequireMemo(const TdvFieldDesc& f) {
    DVobjMemo* memo = OpenMemo();
    // A memo field in a table whose version has no memo file (an M field in a 0x03 table).
    if (!memo) FoundError(errcode::kBadFieldType, subcode::kMemoOpen, FieldInfo(f, false));
    return memo;
}

int32_t DVO_dBaseFld::MemoSize(int32_t n) {
    const TdvFieldDesc* f = Field(n);
    if (!f || !IsMemoField(*f)) return 0;
    currentNumber_ = n;
    const int32_t block = MemoBlock(*f);
    if (block == 0) return 0;
    return RequireMemo(*f)->MemoSize(block);
}

int32_t DVO_dBaseFld::MemoRead(int32_t n, void* buffer, int32_t size) {
    const TdvFieldDesc* f = Field(n);
    if (!f || !IsMemoField(*f) || !buffer || size <= 0) return 0;
    currentNumber_ = n;
    const int32_t block = MemoBlock(*f);
    if (block == 0) {
        static_cast<uint8_t*>(buffer)[0] = 0;
        return 0;
    }
    int32_t got = size;
    RequireMemo(*f)->MemoRead(buffer, block, got);
    return std::clamp(got, 0, size);
}

bool DVO_dBaseFld::MemoWrite(int32_t n, const void* buffer, int32_t size) {
    const TdvFieldDesc* f = Field(n);
    if (!f || !IsMemoField(*f) || size < 0 || (!buffer && size > 0))
        return false;
    currentNumber_ = n;
    DVobjMemo* memo = RequireMemo(*f);
    int32_t block = MemoBlock(*f);
    const int32_t written = memo->MemoWrite(buffer, block, size);
    // A write that did not happen (a refused memo lock) keeps the field's old block number.
    if (size > 0 && written == 0) return false;
    return StoreNumber(*f, size == 0 ? 0 : written, true);
}
