#pragma once
// The reference the lunar table is made from and checked against: ICU's Chinese
// calendar, with the published months of published.h where ICU's computation differs.
// Plain C++ over ICU's C API, so the table generator can use it without Qt.

#include "published.h"

#include <unicode/ucal.h>
#include <unicode/utypes.h>

#include <stdexcept>
#include <string>

struct RefDay {
    int year = 0;      // lunar year, numbered like the Gregorian year its month 1 falls in
    int month = 0;     // 1..12
    bool leap = false;
    int day = 0;       // 1..30
    bool operator==(const RefDay &) const = default;
};

// Julian day number of a Gregorian date.
inline long julianDay(int y, int m, int d)
{
    const int a = (14 - m) / 12;
    const long yy = y + 4800 - a;
    const int mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

class ReferenceCalendar {
public:
    ReferenceCalendar()
    {
        UErrorCode err = U_ZERO_ERROR;
        static const UChar utc[] = {'U', 'T', 'C', 0};
        m_cal = ucal_open(utc, -1, "zh_CN@calendar=chinese", UCAL_DEFAULT, &err);
        if (U_FAILURE(err))
            throw std::runtime_error(std::string("ucal_open: ") + u_errorName(err));
    }
    ~ReferenceCalendar() { ucal_close(m_cal); }
    ReferenceCalendar(const ReferenceCalendar &) = delete;
    ReferenceCalendar &operator=(const ReferenceCalendar &) = delete;

    // ICU's answer for the civil day with this Julian day number.
    RefDay icu(long jd)
    {
        UErrorCode err = U_ZERO_ERROR;
        // Noon UTC of that day, so the day is the same whatever offset ICU computes in.
        ucal_setMillis(m_cal, ((jd - 2440588) * 86400.0 + 43200.0) * 1000.0, &err);
        RefDay r;
        r.year = ucal_get(m_cal, UCAL_EXTENDED_YEAR, &err) - 2637;
        r.month = ucal_get(m_cal, UCAL_MONTH, &err) + 1;
        r.leap = ucal_get(m_cal, UCAL_IS_LEAP_MONTH, &err) != 0;
        r.day = ucal_get(m_cal, UCAL_DATE, &err);
        if (U_FAILURE(err))
            throw std::runtime_error(std::string("ucal_get: ") + u_errorName(err));
        return r;
    }

    // The published calendar's answer: ICU's, except inside the months of published.h.
    RefDay published(long jd, bool *corrected = nullptr)
    {
        for (const PublishedMonth &p : kPublishedMonths) {
            const long first = julianDay(p.year, p.month, p.day);
            if (jd >= first && jd < first + p.days) {
                if (corrected)
                    *corrected = true;
                return {p.lunarYear, p.lunarMonth, p.leap, int(jd - first) + 1};
            }
        }
        if (corrected)
            *corrected = false;
        return icu(jd);
    }

private:
    UCalendar *m_cal = nullptr;
};
