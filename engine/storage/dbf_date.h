// TdvDBFDate: the engine's date conversions. Inside the engine a date is an int32 Julian day number (the
// astronomers' day count, 1 January 4713 BC of the proleptic Julian calendar being day 0); 0 or less is "no
// date". Tables store a date as the 8 characters "yyyymmdd", or 8 blanks for no date; users see the locale's
// short date form.
//
// Day 2415019 is the platform's date origin, 30 December 1899. Calendar dates are Gregorian, and only the years
// 1 to 9999 have a storage form: a day outside 0001-01-01 .. 9999-12-31 (days 1721426 .. 5373484) is not a
// storable date.
//
// One engine-wide instance (DBFDate()) lives for the whole run; its four-digit-year flag is the one setting.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TdvDBFDate {
public:
    static constexpr int32_t kFirstDay = 1721426;  // 0001-01-01
    static constexpr int32_t kLastDay = 5373484;   // 9999-12-31
    static constexpr int32_t kPlatformOrigin = 2415019;  // 1899-12-30, the platform's day 0

    TdvDBFDate();
    TdvDBFDate(const TdvDBFDate&) = delete;
    TdvDBFDate& operator=(const TdvDBFDate&) = delete;

    // Julian day number = platform day count + DayOffset() (2415019).
    int32_t DayOffset() const { return dayOffset_; }
    // When set, display dates always show a four-digit year, whatever the locale's short date pattern says.
    bool FourDigitYear() const { return fourDigitYear_; }
    void SetFourDigitYear(bool value) { fourDigitYear_ = value; }

    // "yyyymmdd" for a storable day, 8 blanks for day <= 0 or a day outside the storable range.
    std::string JulianToStorage(int32_t day) const;
    // The same into exactly 8 bytes at out (no terminator); allocates nothing.
    void JulianToStorage(int32_t day, char* out) const;
    // The locale's short date form (see DisplayPattern); blanks as long as the pattern for no date.
    std::string JulianToDisplay(int32_t day) const;
    // The locale's short date pattern, upper-cased, with the year widened to YYYY when the flag asks for it.
    std::string DisplayPattern() const;

    // Trailing blanks dropped; "" and "00000000" give 0; 8 digits are yyyymmdd (2415019 when no calendar date);
    // any other text is read in the locale's short date form. REQUIRES nothing; raises EConvertError when the
    // text is no date.
    int32_t StorageToJulian(std::string_view text) const;
    // Reads the locale's short date form (day, month, year in the pattern's order; the year may be omitted,
    // meaning this year; two-digit years fall in the locale's century window). Raises EConvertError.
    int32_t DisplayToJulian(std::string_view text) const;

    // 1 Sunday .. 7 Saturday; 0 for day <= 0.
    static int DayOfWeek(int32_t day);
    // Today's Julian day, from the local clock.
    static int32_t Today();
    // Year, month and day of month of a day > 0 (proleptic Gregorian); all three 0 for day <= 0.
    static void DecodeJulian(int32_t day, int* year, int* month, int* dayOfMonth);
    // The day of a calendar date; 0 when (year, month, day) is no date of the years 1..9999.
    static int32_t EncodeJulian(int year, int month, int dayOfMonth);
    static bool IsValidDate(int year, int month, int dayOfMonth);

private:
    int32_t dayOffset_;    // 2415019, derived at start-up from a known date
    bool fourDigitYear_;   // widen the display year to four digits
};

// The engine-wide date object.
TdvDBFDate& DBFDate();
