#include "engine/storage/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace numtext {
namespace {

// Powers of ten that an 80-bit real holds exactly (10^27 needs 63 bits of mantissa after its factors of 2).
constexpr int kMaxExactPower = 27;

long double PowerOfTen(int n) {
    static const auto table = [] {
        struct T {
            long double p[kMaxExactPower + 1];
        } t{};
        long double v = 1.0L;
        for (int i = 0; i <= kMaxExactPower; ++i, v *= 10.0L) t.p[i] = v;
        return t;
    }();
    return table.p[n];
}

// The text's shape, found in one pass: where the pieces lie, the first 19 significant digits as an integer.
struct Scan {
    bool ok = false;
    bool negative = false;
    uint64_t mantissa = 0;   // first significant digits
    int kept = 0;            // significant digits in mantissa
    bool dropped = false;    // more significant digits followed than mantissa holds
    int64_t exponent = 0;    // value = mantissa x 10^exponent (when nothing was dropped)
    size_t begin = 0, end = 0;  // the number without surrounding blanks
};

Scan ScanNumber(std::string_view text, char decimalPoint) {
    Scan s;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    s.begin = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) s.negative = text[i++] == '-';
    int digits = 0;
    int64_t scale = 0;  // decimal digits after the point that went into mantissa or were leading zeros
    auto digit = [&](char c, bool fraction) {
        ++digits;
        if (s.kept == 0 && c == '0') {
            if (fraction) --scale;
            return;
        }
        if (s.kept < 19) {
            s.mantissa = s.mantissa * 10 + static_cast<uint64_t>(c - '0');
            ++s.kept;
            if (fraction) --scale;
        } else {
            if (c != '0') s.dropped = true;
            if (!fraction) ++scale;
        }
    };
    while (i < n && text[i] >= '0' && text[i] <= '9') digit(text[i++], false);
    if (i < n && text[i] == decimalPoint) {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9') digit(text[i++], true);
    }
    if (digits == 0) return s;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) expNegative = text[i++] == '-';
        int64_t e = 0;
        int expDigits = 0;
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            if (e < 100000) e = e * 10 + (text[i] - '0');  // anything larger is far out of range anyway
            ++i;
            ++expDigits;
        }
        if (expDigits == 0) return s;
        scale += expNegative ? -e : e;
    }
    s.end = i;
    while (i < n && text[i] == ' ') ++i;
    if (i != n) return s;
    s.exponent = scale;
    s.ok = true;
    return s;
}

// The number in the plain form the standard reader takes: no blanks, no '+', '.' as the point.
template <typename T>
T SlowParse(std::string_view text, const Scan& s, char decimalPoint) {
    std::string plain;
    plain.reserve(s.end - s.begin);
    for (size_t i = s.begin; i < s.end; ++i) {
        char c = text[i];
        if (c == '+') continue;
        plain += c == decimalPoint ? '.' : c;
    }
    T value{};
    const auto r = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (r.ec == std::errc::result_out_of_range) {
        // Out of range: an overflow is an infinity, an underflow zero, signed like the text.
        const bool tiny = s.exponent < 0;
        value = tiny ? T(0) : HUGE_VALL;
        if (s.negative) value = -value;
    }
    return value;
}

}  // namespace

bool Parse(std::string_view text, char decimalPoint, long double* value) {
    const Scan s = ScanNumber(text, decimalPoint);
    if (!s.ok) return false;
    long double v;
    if (s.mantissa == 0 && !s.dropped) {
        v = 0.0L;
    } else if (!s.dropped && s.exponent >= -kMaxExactPower && s.exponent <= kMaxExactPower) {
        // Both operands are exact, so one multiplication or division rounds correctly.
        const long double m = static_cast<long double>(s.mantissa);
        v = s.exponent < 0 ? m / PowerOfTen(static_cast<int>(-s.exponent))
                           : m * PowerOfTen(static_cast<int>(s.exponent));
    } else {
        *value = SlowParse<long double>(text, s, decimalPoint);
        return true;
    }
    *value = s.negative ? -v : v;
    return true;
}

bool Parse(std::string_view text, char decimalPoint, double* value) {
    const Scan s = ScanNumber(text, decimalPoint);
    if (!s.ok) return false;
    *value = SlowParse<double>(text, s, decimalPoint);
    return true;
}

std::string FormatFixed(long double value, int decimals) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    const bool negative = std::signbit(value);
    const long double magnitude = negative ? -value : value;

    // Shortest decimal form: that of the double when the value is one, so that 2.675 rounds as written.
    char buf[64];
    std::to_chars_result r;
    const double asDouble = static_cast<double>(magnitude);
    if (static_cast<long double>(asDouble) == magnitude)
        r = std::to_chars(buf, buf + sizeof buf, asDouble, std::chars_format::scientific);
    else
        r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
    *r.ptr = '\0';

    // buf is d[.ddd]e[+-]xx: collect the digits and the exponent of the first one.
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    const int exponent = std::atoi(p + 1);

    // Keep the digits down to the last decimal: `keep` of them, possibly none or fewer than there are.
    const long keep = static_cast<long>(exponent) + 1 + decimals;
    std::string kept;  // digits of round(magnitude x 10^decimals)
    if (keep < 0) {
        kept = "0";
    } else {
        const bool roundUp = static_cast<size_t>(keep) < digits.size() && digits[keep] >= '5';
        kept = digits.substr(0, std::min<size_t>(keep, digits.size()));
        if (static_cast<size_t>(keep) > digits.size()) kept.append(keep - digits.size(), '0');
        if (roundUp) {
            long i = static_cast<long>(kept.size()) - 1;
            for (; i >= 0 && kept[i] == '9'; --i) kept[i] = '0';
            if (i >= 0) ++kept[i];
            else kept.insert(kept.begin(), '1');
        }
        if (kept.empty()) kept = "0";
    }
    // Split into integer part and decimals.
    if (kept.size() < static_cast<size_t>(decimals) + 1) kept.insert(0, decimals + 1 - kept.size(), '0');
    const size_t intLen = kept.size() - decimals;
    size_t firstNonZero = 0;
    while (firstNonZero + 1 < intLen && kept[firstNonZero] == '0') ++firstNonZero;

    std::string out;
    const bool allZero = kept.find_first_not_of('0') == std::string::npos;
    if (negative && !allZero) out += '-';
    out.append(kept, firstNonZero, intLen - firstNonZero);
    if (decimals > 0) {
        out += '.';
        out.append(kept, intLen, decimals);
    }
    return out;
}

std::string FormatGeneral(double value, char decimalPoint) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", value);  // 15 significant digits
    // buf is [-]d.ddddddddddddddde[+-]xx
    const char* p = buf;
    std::string out;
    if (*p == '-') {
        out += '-';
        ++p;
    }
    std::string digits;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    const int exponent = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    if (exponent < -5 || exponent >= 15) {
        out += digits[0];
        if (digits.size() > 1) {
            out += decimalPoint;
            out.append(digits, 1, std::string::npos);
        }
        out += 'E';
        out += std::to_string(exponent);
        return out;
    }
    if (exponent < 0) {
        out += '0';
        out += decimalPoint;
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out += digits;
        return out;
    }
    const size_t intLen = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= intLen) {
        out += digits;
        out.append(intLen - digits.size(), '0');
    } else {
        out.append(digits, 0, intLen);
        out += decimalPoint;
        out.append(digits, intLen, std::string::npos);
    }
    return out;
}

}  // namespace numtext
