#include "birthdays.h"

#include "clock.h"
#include "store.h"

namespace Birthdays {

QString text(int month, int day)
{
    return QString::number(month) + QStringLiteral("月") + QString::number(day) + QStringLiteral("日");
}

bool DayTexts::matches(const QString &birthday, bool lunarBirthday) const
{
    if (birthday.isEmpty())
        return false;
    if (lunarBirthday)
        return birthday == lunar || birthday == lunarExtra;
    return birthday == solar || birthday == solarExtra;
}

DayTexts textsOf(TTransDate &converter, QDate day)
{
    DayTexts t;
    t.solar = text(day.month(), day.day());
    if (day.month() == 2 && day.day() == 28 && !QDate::isLeapYear(day.year()))
        t.solarExtra = text(2, 29);
    converter.setDate(day);
    const TLunarDate &l = converter.LunarDate();
    if (l.isValid()) {
        t.lunar = l.text();
        if (l.lDay == 29 && l.MaxMonthDays == 29)
            t.lunarExtra = text(l.lMonth, 30);
    }
    return t;
}

DayTexts textsOf(QDate day)
{
    TTransDate converter;
    return textsOf(converter, day);
}

QString Days::label() const
{
    QString s = QStringLiteral("今日日期:公历") + now.solar;
    if (!now.lunar.isEmpty())
        s += QStringLiteral("（农历") + now.lunar + QStringLiteral("）");
    return s + QStringLiteral("今明日以下会员生日：");
}

QString Days::condition()
{
    // A yes/no flag is yes only when it is -1, so anything else is a solar birthday.
    return QStringLiteral("(ifnull(lunar,0)<>-1 and birthday in (:t,:tx,:t1,:t1x))"
                          " or (lunar=-1 and birthday in (:l,:lx,:l1,:l1x))");
}

QVariantMap Days::params() const
{
    const auto v = [](const QString &s) { return s.isEmpty() ? QVariant() : QVariant(s); };
    return {{QStringLiteral("t"), v(now.solar)},       {QStringLiteral("tx"), v(now.solarExtra)},
            {QStringLiteral("t1"), v(next.solar)},     {QStringLiteral("t1x"), v(next.solarExtra)},
            {QStringLiteral("l"), v(now.lunar)},       {QStringLiteral("lx"), v(now.lunarExtra)},
            {QStringLiteral("l1"), v(next.lunar)},     {QStringLiteral("l1x"), v(next.lunarExtra)}};
}

Days daysOf(QDate today)
{
    TTransDate converter;
    Days d;
    d.today = today;
    d.now = textsOf(converter, today);
    d.next = textsOf(converter, today.addDays(1));
    return d;
}

QString listSql()
{
    return QStringLiteral("select card_id,name,tel,(addup-exchange) as jifen,buy_times,birthday,"
                          "fromdate,enddate,lunar from member where ")
        + Days::condition();
}

bool find(Store &store, const Days &days, Rows *rows, QString *error)
{
    bool ok = false;
    Rows r = store.select(listSql(), days.params(), &ok);
    if (!ok) {
        if (error)
            *error = store.lastError();
        return false;
    }
    if (rows)
        *rows = std::move(r);
    return true;
}

QString notice(int count)
{
    if (count <= 0)
        return {};
    return QStringLiteral("今明日") + QString::number(count) + QStringLiteral("位会员过生日");
}

int upcomingCount(Store &store, QString *error)
{
    const Days days = daysOf(Clock::today());
    bool ok = false;
    const QVariant n = store.scalar(QStringLiteral("select count(*) from member where ") + Days::condition(),
                                    days.params(), &ok);
    if (!ok) {
        if (error)
            *error = store.lastError();
        return -1;
    }
    return n.toInt();
}

QString startupNotice(Store &store, QString *error)
{
    return notice(upcomingCount(store, error));
}

}
