#include "engine/storage/dbf_date.h"

#include <gtest/gtest.h>

#include "engine/storage/os_services.h"
#include "framework/base/exception.h"

namespace {

// Sets the locale's short date pattern for one test and puts the previous settings back afterwards.
class DateLocale {
public:
    explicit DateLocale(const std::string& pattern, char separator = '/') : saved_(os::Locale()) {
        os::LocaleSettings s = saved_;
        s.shortDateFormat = pattern;
        s.dateSeparator = separator;
        os::SetLocale(s);
    }
    ~DateLocale() { os::SetLocale(saved_); }

private:
    os::LocaleSettings saved_;
};

class FourDigitYear {
public:
    explicit FourDigitYear(bool on) : saved_(DBFDate().FourDigitYear()) { DBFDate().SetFourDigitYear(on); }
    ~FourDigitYear() { DBFDate().SetFourDigitYear(saved_); }

private:
    bool saved_;
};

TEST(DbfDate, DayOffsetIsThePlatformOrigin) {
    EXPECT_EQ(DBFDate().DayOffset(), 2415019);
    EXPECT_EQ(TdvDBFDate::EncodeJulian(1899, 12, 30), 2415019);
    EXPECT_EQ(TdvDBFDate::EncodeJulian(1980, 1, 1), 2444240);
}

TEST(DbfDate, JulianRoundTripsOverTheWholeStorableRange) {
    for (int32_t day = TdvDBFDate::kFirstDay; day <= TdvDBFDate::kLastDay; day += 97) {
        int y, m, d;
        TdvDBFDate::DecodeJulian(day, &y, &m, &d);
        ASSERT_EQ(TdvDBFDate::EncodeJulian(y, m, d), day) << y << "-" << m << "-" << d;
    }
    int y, m, d;
    TdvDBFDate::DecodeJulian(TdvDBFDate::kLastDay, &y, &m, &d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 99991231);
    TdvDBFDate::DecodeJulian(0, &y, &m, &d);
    EXPECT_EQ(y + m + d, 0);
}

TEST(DbfDate, StorageToJulian) {
    struct Case {
        const char* text;
        int32_t day;
    } cases[] = {
        {"19991231", 2451544}, {"20000229", 2451604}, {"20010229", 2415019},  // no such day: platform day 0
        {"20011301", 2415019}, {"00000000", 0},       {"        ", 0},
        {"", 0},               {"19800101  ", 2444240}, {"00010101", TdvDBFDate::kFirstDay},
    };
    for (const Case& c : cases) EXPECT_EQ(DBFDate().StorageToJulian(c.text), c.day) << "'" << c.text << "'";
}

TEST(DbfDate, StorageOfEmptyAndUnstorableDays) {
    EXPECT_EQ(DBFDate().JulianToStorage(2451544), "19991231");
    EXPECT_EQ(DBFDate().JulianToStorage(0), "        ");
    EXPECT_EQ(DBFDate().JulianToStorage(-5), "        ");
    EXPECT_EQ(DBFDate().JulianToStorage(TdvDBFDate::kFirstDay - 1), "        ");
    EXPECT_EQ(DBFDate().JulianToStorage(TdvDBFDate::kLastDay + 1), "        ");
    EXPECT_EQ(DBFDate().JulianToStorage(INT32_MAX), "        ");
}

TEST(DbfDate, DisplayFollowsThePattern) {
    struct Case {
        const char* pattern;
        char separator;
        bool fourDigits;
        const char* shown;
    } cases[] = {
        {"M/d/yyyy", '/', false, "3/7/2004"},  {"MM/dd/yy", '/', false, "03/07/04"},
        {"MM/dd/yy", '/', true, "03/07/2004"}, {"dd.MM.yyyy", '.', false, "07.03.2004"},
        {"yyyy-MM-dd", '-', false, "2004-03-07"}, {"d/M/y", '-', true, "7-3-2004"},
        {"ddd d mmm yy", '/', false, "Sun 7 Mar 04"},
    };
    const int32_t day = TdvDBFDate::EncodeJulian(2004, 3, 7);
    for (const Case& c : cases) {
        DateLocale locale(c.pattern, c.separator);
        FourDigitYear flag(c.fourDigits);
        EXPECT_EQ(DBFDate().JulianToDisplay(day), c.shown) << c.pattern;
    }
}

TEST(DbfDate, FourDigitYearFlagWithAPatternWithoutYearEnds) {
    DateLocale locale("dd/MM");
    FourDigitYear flag(true);
    EXPECT_EQ(DBFDate().DisplayPattern(), "DD/MM");
    EXPECT_EQ(DBFDate().JulianToDisplay(TdvDBFDate::EncodeJulian(2004, 3, 7)), "07/03");
    EXPECT_EQ(DBFDate().JulianToDisplay(0), "     ");
}

TEST(DbfDate, EmptyDayDisplaysAsBlanksOfThePatternLength) {
    DateLocale locale("MM/dd/yy");
    FourDigitYear flag(true);
    EXPECT_EQ(DBFDate().JulianToDisplay(0), std::string(10, ' '));
}

TEST(DbfDate, DisplayTextParsesBack) {
    struct Case {
        const char* pattern;
        const char* text;
        int year, month, day;
    } cases[] = {
        {"M/d/yyyy", "3/7/2004", 2004, 3, 7},   {"M/d/yyyy", " 12/31/1999 ", 1999, 12, 31},
        {"dd/MM/yyyy", "07/03/2004", 2004, 3, 7}, {"yyyy/MM/dd", "2004/03/07", 2004, 3, 7},
        {"M/d/yy", "3/7/49", 2049, 3, 7},       {"M/d/yy", "3/7/50", 1950, 3, 7},
    };
    for (const Case& c : cases) {
        DateLocale locale(c.pattern);
        EXPECT_EQ(DBFDate().StorageToJulian(c.text), TdvDBFDate::EncodeJulian(c.year, c.month, c.day))
            << c.pattern << " " << c.text;
    }
}

TEST(DbfDate, TextThatIsNoDateRaisesTheConversionError) {
    DateLocale locale("M/d/yyyy");
    for (const char* text : {"2/30/2001", "abc", "1/2/3/4", "13/1/2000", "1//2000", "1/2/20001", "7", "1999123"})
        EXPECT_THROW(DBFDate().StorageToJulian(text), EConvertError) << text;
}

TEST(DbfDate, DayOfWeekAndToday) {
    EXPECT_EQ(TdvDBFDate::DayOfWeek(TdvDBFDate::EncodeJulian(2004, 3, 7)), 1);  // a Sunday
    EXPECT_EQ(TdvDBFDate::DayOfWeek(TdvDBFDate::EncodeJulian(2004, 3, 13)), 7);
    EXPECT_EQ(TdvDBFDate::DayOfWeek(0), 0);
    const os::LocalTime now = os::Now();
    EXPECT_EQ(TdvDBFDate::Today(), TdvDBFDate::EncodeJulian(now.year, now.month, now.day));
}

}  // namespace
