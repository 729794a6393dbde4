// Date and time values of the data-access layer. A TDateTime is a double: whole days since 30 December 1899,
// the fraction the time of day (for days before the origin the fraction still counts forward from midnight).
// Date fields hold a date stamp (1 = 1 January of year 1) and date-time fields milliseconds since the stamp
// origin, as record buffers store them. Text uses the layer's format settings.
#pragma once

#include <cstdint>
#include <string>

using TDateTime = double;

// How dates and numbers become text. Date patterns take d, dd, M, MM, yy, yyyy and the date separator '/';
// time patterns H, HH, m, mm, s, ss. Other characters are copied.
struct TFormatSettings {
    std::string shortDateFormat = "M/d/yyyy";
    char dateSeparator = '/';
    std::string longTimeFormat = "HH:mm:ss";
    char timeSeparator = ':';
    char decimalSeparator = '.';
    int centuryPivot = 1950;  // two-digit years map into [pivot, pivot + 99]
};

// The settings in use; the program replaces them from the platform's locale at start-up.
TFormatSettings& FormatSettings();

inline constexpr int32_t kDateDelta = 693594;  // date stamp of 30 December 1899
inline constexpr double kMSecsPerDay = 86400000.0;

bool IsValidDate(int year, int month, int day);
// Date stamp of a valid date (1 = 1 January of year 1); 0 when the date is not valid.
int32_t EncodeDateStamp(int year, int month, int day);
// Year, month, day of a stamp from 1 to the stamp of 31 December 9999; false otherwise.
bool DecodeDateStamp(int32_t stamp, int* year, int* month, int* day);

TDateTime StampToDateTime(int32_t stamp, int32_t msecsOfDay);
// Splits a TDateTime into stamp and milliseconds of the day; false when outside years 1 to 9999.
bool DateTimeToStamp(TDateTime value, int32_t* stamp, int32_t* msecsOfDay);

std::string FormatDate(int year, int month, int day);
std::string FormatTime(int hour, int minute, int second);
// Date part only when the time is midnight.
std::string DateTimeToString(TDateTime value);
std::string DateToString(TDateTime value);

// Parses a date in the order of the short date format (two numbers alone take the current year's place from
// the given default year); false for text that is not a valid date.
bool TryStrToDate(const std::string& text, TDateTime* value, int defaultYear = 2000);
// A date, optionally followed by a blank and a time H:m[:s].
bool TryStrToDateTime(const std::string& text, TDateTime* value, int defaultYear = 2000);
