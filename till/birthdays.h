#pragma once
// Members whose birthday is today or tomorrow. A birthday is stored as the text
// month + "月" + day + "日" (member.birthday) with member.lunar telling the calendar
// (-1 lunar, otherwise solar); solar birthdays match the solar date of the day, lunar
// ones the lunar date (the leap flag is not used: a lunar 2月1日 also falls in a leap
// second month).
//
// A birthday whose day does not exist in a year is kept on the last day of its month:
// a solar 2月29日 falls on 28 February of a common year, a lunar 30日 on day 29 of a
// 29-day month. Nobody's birthday is skipped for a year.

#include "lunar.h"

#include <QDate>
#include <QString>
#include <QVariantMap>

class Store;
struct Rows;

namespace Birthdays {

// month + "月" + day + "日", without leading zeros.
QString text(int month, int day);

// The birthday texts that one day matches.
struct DayTexts {
    QString solar;        // the day's own solar text
    QString solarExtra;   // "2月29日" on 28 February of a common year, else empty
    QString lunar;        // the day's lunar text; empty outside the lunar table
    QString lunarExtra;   // lunar month + "月30日" on day 29 of a 29-day month, else empty

    bool matches(const QString &birthday, bool lunarBirthday) const;
};
DayTexts textsOf(QDate day);
DayTexts textsOf(TTransDate &converter, QDate day);

// Today's and tomorrow's texts, the reminder's caption line and its statement.
struct Days {
    QDate today;
    DayTexts now;
    DayTexts next;

    // "今日日期:公历" + T + "（农历" + L + "）今明日以下会员生日："; without the lunar part
    // when today has no lunar date.
    QString label() const;
    // A listed member whose birthday is tomorrow's (the row is coloured).
    bool isTomorrow(const QString &birthday, bool lunarBirthday) const
    {
        return next.matches(birthday, lunarBirthday);
    }
    // Condition on member and its bound values (:t, :tx, :t1, :t1x, :l, :lx, :l1, :l1x;
    // missing texts are bound as NULL, which matches nothing).
    static QString condition();
    QVariantMap params() const;
};
Days daysOf(QDate today);

// Columns of the reminder's list, in the grid's order, then lunar.
QString listSql();

// The members of today and tomorrow. False on a store error (message in *error).
bool find(Store &store, const Days &days, Rows *rows, QString *error = nullptr);

// "今明日" + count + "位会员过生日"; empty when count is 0 or less.
QString notice(int count);

// Members whose birthday is today or tomorrow by Clock::today(); -1 on a store error.
int upcomingCount(Store &store, QString *error = nullptr);
// The till's status-bar notice at start-up: notice(upcomingCount()); empty when no
// member has a birthday today or tomorrow, or when the store failed (*error says why).
QString startupNotice(Store &store, QString *error = nullptr);

}
