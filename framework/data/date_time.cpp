#include "framework/data/date_time.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// Days from 1 January 1970 in the proleptic Gregorian calendar (the well-known era-based conversion).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int* year, int* month, int* day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    *year = static_cast<int>(y + (m <= 2));
    *month = static_cast<int>(m);
    *day = static_cast<int>(d);
}

const int64_t kStampBase = DaysFromCivil(1, 1, 1) - 1;  // civil day count of stamp 0
const int32_t kMaxStamp = static_cast<int32_t>(DaysFromCivil(9999, 12, 31) - kStampBase);

std::string Two(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

// Splits text into its runs of digits.
std::vector<int> Numbers(const std::string& text, size_t* pos, char stop) {
    std::vector<int> out;
    size_t i = *pos;
    while (i < text.size() && text[i] != stop) {
        if (std::isdigit(static_cast<unsigned char>(text[i]))) {
            long v = 0;
            size_t start = i;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
                if (i - start > 6) return {};
                v = v * 10 + (text[i] - '0');
                ++i;
            }
            out.push_back(static_cast<int>(v));
        } else if (text[i] == ' ' && !out.empty() && stop == ' ') {
            break;
        } else if (text[i] == FormatSettings().dateSeparator || text[i] == '-' || text[i] == '.' ||
                   text[i] == '/' || text[i] == ' ') {
            ++i;
        } else {
            return {};
        }
    }
    *pos = i;
    return out;
}

}  // namespace

TFormatSettings& FormatSettings() {
    static TFormatSettings settings;
    return settings;
}

bool IsValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int limit = days[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= limit;
}

int32_t EncodeDateStamp(int year, int month, int day) {
    if (!IsValidDate(year, month, day)) return 0;
    return static_cast<int32_t>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                                kStampBase);
}

bool DecodeDateStamp(int32_t stamp, int* year, int* month, int* day) {
    if (stamp < 1 || stamp > kMaxStamp) return false;
    CivilFromDays(stamp + kStampBase, year, month, day);
    return true;
}

TDateTime StampToDateTime(int32_t stamp, int32_t msecsOfDay) {
    double days = static_cast<double>(stamp) - kDateDelta;
    double frac = msecsOfDay / kMSecsPerDay;
    return days < 0 ? days - frac : days + frac;
}

bool DateTimeToStamp(TDateTime value, int32_t* stamp, int32_t* msecsOfDay) {
    if (!std::isfinite(value)) return false;
    double whole = std::trunc(value);
    double ms = std::round(std::fabs(value - whole) * kMSecsPerDay);
    if (ms >= kMSecsPerDay) {
        ms -= kMSecsPerDay;
        whole += value < 0 ? -1 : 1;
    }
    double s = whole + kDateDelta;
    if (s < 1 || s > kMaxStamp) return false;
    *stamp = static_cast<int32_t>(s);
    *msecsOfDay = static_cast<int32_t>(ms);
    return true;
}

std::string FormatDate(int year, int month, int day) {
    const TFormatSettings& fs = FormatSettings();
    const std::string& f = fs.shortDateFormat;
    std::string out;
    for (size_t i = 0; i < f.size();) {
        char c = f[i];
        size_t n = 1;
        while (i + n < f.size() && f[i + n] == c) ++n;
        if (c == 'd') out += n >= 2 ? Two(day) : std::to_string(day);
        else if (c == 'M') out += n >= 2 ? Two(month) : std::to_string(month);
        else if (c == 'y') {
            char b[8];
            if (n <= 2) std::snprintf(b, sizeof b, "%02d", year % 100);
            else std::snprintf(b, sizeof b, "%04d", year);
            out += b;
        } else if (c == '/') out.append(n, fs.dateSeparator);
        else out.append(n, c);
        i += n;
    }
    return out;
}

std::string FormatTime(int hour, int minute, int second) {
    const TFormatSettings& fs = FormatSettings();
    const std::string& f = fs.longTimeFormat;
    std::string out;
    for (size_t i = 0; i < f.size();) {
        char c = f[i];
        size_t n = 1;
        while (i + n < f.size() && f[i + n] == c) ++n;
        int v = c == 'H' || c == 'h' ? hour : c == 'm' ? minute : c == 's' ? second : -1;
        if (v >= 0) out += n >= 2 ? Two(v) : std::to_string(v);
        else if (c == ':') out.append(n, fs.timeSeparator);
        else out.append(n, c);
        i += n;
    }
    return out;
}

std::string DateToString(TDateTime value) {
    int32_t stamp, ms;
    int y, m, d;
    if (!DateTimeToStamp(value, &stamp, &ms) || !DecodeDateStamp(stamp, &y, &m, &d)) return {};
    return FormatDate(y, m, d);
}

std::string DateTimeToString(TDateTime value) {
    int32_t stamp, ms;
    int y, m, d;
    if (!DateTimeToStamp(value, &stamp, &ms) || !DecodeDateStamp(stamp, &y, &m, &d)) return {};
    std::string out = FormatDate(y, m, d);
    if (ms != 0) {
        int secs = ms / 1000;
        out += ' ';
        out += FormatTime(secs / 3600, secs / 60 % 60, secs % 60);
    }
    return out;
}

bool TryStrToDate(const std::string& text, TDateTime* value, int defaultYear) {
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    std::vector<int> n = Numbers(text, &pos, '\0');
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos != text.size() || n.size() < 2 || n.size() > 3) return false;
    // The order of day, month and year follows the short date format.
    std::string order;
    for (char c : FormatSettings().shortDateFormat)
        if ((c == 'd' || c == 'M' || c == 'y') && order.find(c) == std::string::npos) order += c;
    if (order.size() != 3) order = "Mdy";
    int day = 0, month = 0, year = defaultYear;
    bool twoDigitYear = false;
    size_t k = 0;
    for (char c : order) {
        if (c == 'y' && n.size() == 2) continue;
        if (k >= n.size()) return false;
        int v = n[k++];
        if (c == 'd') day = v;
        else if (c == 'M') month = v;
        else {
            year = v;
            twoDigitYear = v < 100;
        }
    }
    if (twoDigitYear) {
        int pivot = FormatSettings().centuryPivot;
        int century = pivot / 100 * 100;
        year += century;
        if (year < pivot) year += 100;
    }
    int32_t stamp = EncodeDateStamp(year, month, day);
    if (stamp == 0) return false;
    *value = StampToDateTime(stamp, 0);
    return true;
}

bool TryStrToDateTime(const std::string& text, TDateTime* value, int defaultYear) {
    std::string t = text;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    size_t sep = t.find(FormatSettings().timeSeparator);
    if (sep == std::string::npos) return TryStrToDate(t, value, defaultYear);
    size_t blank = t.rfind(' ', sep);
    if (blank == std::string::npos) return false;
    TDateTime date;
    if (!TryStrToDate(t.substr(0, blank), &date, defaultYear)) return false;
    int h = 0, m = 0, s = 0;
    char tail = 0;
    std::string times = t.substr(blank + 1);
    for (char& c : times)
        if (c == FormatSettings().timeSeparator) c = ':';
    int got = std::sscanf(times.c_str(), "%d:%d:%d%c", &h, &m, &s, &tail);
    if (got < 2 || got > 3 || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return false;
    int32_t stamp, ms;
    DateTimeToStamp(date, &stamp, &ms);
    *value = StampToDateTime(stamp, (h * 3600 + m * 60 + s) * 1000);
    return true;
}
