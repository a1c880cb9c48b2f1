#pragma once
// Months in which the published Chinese calendar differs from ICU's Chinese calendar.
// ICU finds new moons and principal solar terms with a low-precision model at UTC+8 for
// every year; the published calendars use precise ephemerides (and Beijing local time
// before 1929). Where a new moon or principal term falls within minutes of midnight the
// two disagree: a month starts a day earlier or later, or the leap month moves.
// Both the table generator and the day-by-day test read this list; every entry was
// checked against two independent published tables.

struct PublishedMonth {
    int year, month, day;          // Gregorian date of the month's first day
    int lunarYear, lunarMonth;
    bool leap;
    int days;                      // length of the month
};

inline constexpr PublishedMonth kPublishedMonths[] = {
    {1917, 3, 23, 1917, 2, true, 29},   // ICU: leap month after month 3
    {1917, 4, 21, 1917, 3, false, 30},
    {1922, 6, 25, 1922, 5, true, 29},   // ICU: leap month after month 6
    {1922, 7, 24, 1922, 6, false, 30},
    {1954, 2, 3, 1954, 1, false, 30},   // ICU: new year on 1954-02-04
    {1955, 2, 22, 1955, 2, false, 30},
    {1987, 7, 26, 1987, 6, true, 29},   // ICU: leap month after month 7
    {1987, 8, 24, 1987, 7, false, 30},
    {1999, 1, 17, 1998, 12, false, 30},
    {2012, 8, 17, 2012, 7, false, 30},
    {2018, 10, 9, 2018, 9, false, 30},
    {2018, 11, 8, 2018, 10, false, 29},
    {2027, 2, 6, 2027, 1, false, 30},   // ICU: new year on 2027-02-07
    {2030, 1, 4, 2029, 12, false, 30},
    {2030, 2, 3, 2030, 1, false, 29},   // ICU: new year on 2030-02-02
};
