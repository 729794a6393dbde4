#include "engine/storage/dbf_date.h"

#include <cstdio>

#include "engine/storage/os_services.h"
#include "framework/base/exception.h"

namespace {

constexpr const char* kShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kLongDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                         "Thursday", "Friday", "Saturday"};
constexpr const char* kShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLongMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                           "July",    "August",   "September", "October", "November", "December"};

// Platform day count (days since 1899-12-30) of a calendar date, by the civil-days method; it is computed
// independently of the Julian formulas so that the offset is derived, not assumed.
int64_t PlatformDayCount(int year, int month, int day) {
    const int64_t y = year - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t daysFrom1970 = era * 146097 + doe - 719468;
    return daysFrom1970 + 25569;  // 1970-01-01 is platform day 25569
}

[[noreturn]] void NotADate(std::string_view text) {
    throw EConvertError("'" + std::string(text) + "' is not a valid date");
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void AppendNumber(std::string& out, int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    out += buf;
}

}  // namespace

TdvDBFDate::TdvDBFDate()
    : dayOffset_(static_cast<int32_t>(2444240 - PlatformDayCount(1980, 1, 1))), fourDigitYear_(false) {}

bool TdvDBFDate::IsValidDate(int year, int month, int dayOfMonth) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || dayOfMonth < 1) return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return dayOfMonth <= last;
}

int32_t TdvDBFDate::EncodeJulian(int year, int month, int dayOfMonth) {
    if (!IsValidDate(year, month, dayOfMonth)) return 0;
    const int64_t a = (14 - month) / 12;
    const int64_t y = int64_t{year} + 4800 - a;
    const int64_t m = month + 12 * a - 3;
    return static_cast<int32_t>(dayOfMonth + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045);
}

void TdvDBFDate::DecodeJulian(int32_t day, int* year, int* month, int* dayOfMonth) {
    if (day <= 0) {
        *year = *month = *dayOfMonth = 0;
        return;
    }
    const int64_t a = int64_t{day} + 32044;
    const int64_t b = (4 * a + 3) / 146097;
    const int64_t c = a - 146097 * b / 4;
    const int64_t d = (4 * c + 3) / 1461;
    const int64_t e = c - 1461 * d / 4;
    const int64_t m = (5 * e + 2) / 153;
    *dayOfMonth = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    *month = static_cast<int>(m + 3 - 12 * (m / 10));
    *year = static_cast<int>(100 * b + d - 4800 + m / 10);
}

int TdvDBFDate::DayOfWeek(int32_t day) {
    if (day <= 0) return 0;
    return static_cast<int>((int64_t{day} + 1) % 7) + 1;  // day 0 of the count was a Monday
}

int32_t TdvDBFDate::Today() {
    const os::LocalTime now = os::Now();
    return EncodeJulian(now.year, now.month, now.day);
}

void TdvDBFDate::JulianToStorage(int32_t day, char* out) const {
    if (day < kFirstDay || day > kLastDay) {
        for (int i = 0; i < 8; ++i) out[i] = ' ';
        return;
    }
    int y, m, d;
    DecodeJulian(day, &y, &m, &d);
    const int digits[8] = {y / 1000, y / 100 % 10, y / 10 % 10, y % 10, m / 10, m % 10, d / 10, d % 10};
    for (int i = 0; i < 8; ++i) out[i] = static_cast<char>('0' + digits[i]);
}

std::string TdvDBFDate::JulianToStorage(int32_t day) const {
    std::string out(8, ' ');
    JulianToStorage(day, out.data());
    return out;
}

std::string TdvDBFDate::DisplayPattern() const {
    std::string pattern = os::UpperCase(os::Locale().shortDateFormat);
    // Widen the year by repeating its first letter; a pattern without a year has nothing to widen.
    if (fourDigitYear_) {
        const size_t first = pattern.find('Y');
        if (first != std::string::npos)
            while (pattern.find("YYYY") == std::string::npos) pattern.insert(first, 1, 'Y');
    }
    return pattern;
}

std::string TdvDBFDate::JulianToDisplay(int32_t day) const {
    const std::string pattern = DisplayPattern();
    if (day < kFirstDay || day > kLastDay) return std::string(pattern.size(), ' ');
    int y, m, d;
    DecodeJulian(day, &y, &m, &d);
    const char separator = os::Locale().dateSeparator;
    std::string out;
    for (size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) ++run;
        switch (c) {
            case 'D':
                if (run == 1 || run == 2) AppendNumber(out, d, static_cast<int>(run));
                else if (run == 3) out += kShortDayNames[DayOfWeek(day) - 1];
                else out += kLongDayNames[DayOfWeek(day) - 1];
                break;
            case 'M':
                if (run == 1 || run == 2) AppendNumber(out, m, static_cast<int>(run));
                else if (run == 3) out += kShortMonthNames[m - 1];
                else out += kLongMonthNames[m - 1];
                break;
            case 'Y':
                if (run <= 2) AppendNumber(out, y % 100, 2);
                else AppendNumber(out, y, 4);
                break;
            case '/':
                out.append(run, separator);
                break;
            case '\'':
            case '"': {
                // A quoted literal is copied as it stands.
                const size_t close = pattern.find(c, i + 1);
                const size_t end = close == std::string::npos ? pattern.size() : close;
                out.append(pattern, i + 1, end - i - 1);
                i = close == std::string::npos ? pattern.size() : close + 1;
                continue;
            }
            default:
                out.append(run, c);
                break;
        }
        i += run;
    }
    return out;
}

int32_t TdvDBFDate::DisplayToJulian(std::string_view text) const {
    const std::string pattern = os::UpperCase(os::Locale().shortDateFormat);
    // Order of the parts from the pattern's first D, M and Y.
    const size_t posD = pattern.find('D'), posM = pattern.find('M'), posY = pattern.find('Y');
    enum Order { kMDY, kDMY, kYMD } order = kMDY;
    if (posY < posM && posY < posD) order = kYMD;
    else if (posD < posM) order = kDMY;

    const char separator = os::Locale().dateSeparator;
    auto isSeparator = [&](char c) {
        if (c == separator) return true;
        for (char p : pattern)
            if (p == c && !(p >= 'A' && p <= 'Z') && p != ' ') return true;
        return false;
    };

    int values[3] = {0, 0, 0};
    int widths[3] = {0, 0, 0};
    int count = 0;
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && text[i] == ' ') ++i;
    };
    skipBlanks();
    while (count < 3) {
        if (i >= text.size() || !IsDigit(text[i])) NotADate(text);
        int value = 0, width = 0;
        while (i < text.size() && IsDigit(text[i])) {
            if (width >= 4) NotADate(text);  // no part of a date has more than four digits
            value = value * 10 + (text[i] - '0');
            ++width;
            ++i;
        }
        values[count] = value;
        widths[count] = width;
        ++count;
        skipBlanks();
        if (i >= text.size()) break;
        if (count == 3 || !isSeparator(text[i])) NotADate(text);
        ++i;
        skipBlanks();
    }
    if (i < text.size() || count < 2) NotADate(text);

    int year, month, day;
    int yearWidth = 4;
    if (count == 2) {
        // Day and month only: this year.
        int ty, tm, td;
        DecodeJulian(Today(), &ty, &tm, &td);
        year = ty;
        if (order == kDMY) day = values[0], month = values[1];
        else month = values[0], day = values[1];
    } else if (order == kYMD) {
        year = values[0], yearWidth = widths[0], month = values[1], day = values[2];
    } else if (order == kDMY) {
        day = values[0], month = values[1], year = values[2], yearWidth = widths[2];
    } else {
        month = values[0], day = values[1], year = values[2], yearWidth = widths[2];
    }
    if (yearWidth <= 2) {
        const int pivot = os::Locale().centuryPivot;
        year += pivot / 100 * 100;
        if (year < pivot) year += 100;
    }
    const int32_t julian = EncodeJulian(year, month, day);
    if (julian == 0) NotADate(text);
    return julian;
}

int32_t TdvDBFDate::StorageToJulian(std::string_view text) const {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty() || text == "00000000") return 0;
    if (text.size() == 8) {
        bool digits = true;
        for (char c : text) digits = digits && IsDigit(c);
        if (digits) {
            auto part = [&](size_t from, size_t n) {
                int v = 0;
                for (size_t k = from; k < from + n; ++k) v = v * 10 + (text[k] - '0');
                return v;
            };
            const int32_t julian = EncodeJulian(part(0, 4), part(4, 2), part(6, 2));
            // A stored text that is no calendar date reads as the platform's day 0, as other readers do.
            return julian != 0 ? julian : dayOffset_;
        }
    }
    return DisplayToJulian(text);
}

TdvDBFDate& DBFDate() {
    static TdvDBFDate instance;
    return instance;
}
