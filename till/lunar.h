#pragma once
// The Chinese lunar calendar of the lunar years 1900-2056, from two constant tables:
// one 16-bit month-size word per year (months in order, a leap month right after the
// month it repeats, from bit 15 down; set = 30 days, clear = 29) and one 4-bit leap
// month per year (two years a byte, the even offset from 1900 in the high half).
// Days outside the table (before 1900-01-01, after the end of lunar 2056 in early 2057)
// have no lunar date: their TLunarDate is invalid and gives no text.

#include <QDate>
#include <QString>
#include <QtGlobal>

struct TLunarDate {
    int lYear = 0;
    int lMonth = 0;              // 1-12; 0 when the day lies outside the table
    int lDay = 0;                // 1-30
    bool FlagLeapMonth = false;  // in the leap month that follows month lMonth
    int MaxMonthDays = 0;        // length of that month (29 or 30)

    bool isValid() const { return lMonth != 0; }
    // lMonth + "月" + lDay + "日" (the form of member birthdays, leap flag not shown);
    // empty when invalid.
    QString text() const;
    bool operator==(const TLunarDate &) const = default;
};

// A solar date and its lunar date; the lunar date is recomputed when the day changes.
class TTransDate {
public:
    static constexpr int FirstYear = 1900;
    static constexpr int LastYear = 2056;

    TTransDate() = default;
    explicit TTransDate(QDate date) { setDate(date); }

    QDate Date() const { return m_date; }
    void setDate(QDate date);
    const TLunarDate &LunarDate() const { return m_lunar; }

    // The conversion itself; invalid for days outside the table.
    static TLunarDate toLunar(QDate date);
    // First and last day that have a lunar date.
    static QDate firstDate();
    static QDate lastDate();

    // Table lookups for lunar year y, month m.
    static int leapMonth(int y);            // 0 without leap month or outside the table
    // Regular month m's days in the low 16 bits; when m is y's leap month, the leap
    // month's days in the high 16 bits. 30 outside the table.
    static int monthDays(int y, int m);
    static int yearDays(int y);             // all months of y; 0 outside the table
    static quint16 monthSizeWord(int y);    // the stored word; 0 outside the table

private:
    QDate m_date;
    TLunarDate m_lunar;
};
