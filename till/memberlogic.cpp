#include "memberlogic.h"

#include "store.h"

#include <QRegularExpression>
#include <cmath>

namespace {

const QString kSelect = QStringLiteral("select *,(addup-exchange)as jifen from member where ");

QString text(const Rows &rows, int row, const char *column)
{
    const QVariant v = rows.value(row, QString::fromLatin1(column));
    if (!v.isValid() || v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

QList<MemberInfo> members(Store &store, const QString &where, const QString &value, bool *ok)
{
    bool good = false;
    const Rows rows = store.select(kSelect + where, {{QStringLiteral("x"), value}}, &good);
    if (ok)
        *ok = good;
    QList<MemberInfo> out;
    for (int i = 0; i < rows.size(); ++i)
        out << MemberInfo::fromRow(rows, i);
    return out;
}

// A whole number of points as the till shows it, from a balance with a fraction.
int clampPoints(double v)
{
    if (!std::isfinite(v))
        return 0;
    if (v > 2147483647.0)
        return 2147483647;
    if (v < -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(v);
}

MemberAttach attachWith(const MemberInfo &m, int rate, int points)
{
    MemberAttach a;
    a.cardId = m.cardId;
    a.points = points;
    a.mtype = m.mtype;
    a.rate = rate;
    a.name = m.name;
    a.tel = m.tel;
    a.birthday = m.birthday;
    return a;
}

} // namespace

MemberInfo MemberInfo::fromRow(const Rows &rows, int row)
{
    MemberInfo m;
    m.cardId = text(rows, row, "card_id");
    m.name = text(rows, row, "name");
    m.tel = text(rows, row, "tel");
    m.mtype = text(rows, row, "mtype");
    m.addr = text(rows, row, "addr");
    m.birthday = text(rows, row, "birthday");
    m.fromdate = text(rows, row, "fromdate");
    m.remark = text(rows, row, "remark");
    m.enddate = rows.value(row, QStringLiteral("enddate"));
    const QVariant discount = rows.value(row, QStringLiteral("discount"));
    m.discount = discount.isNull() ? 100 : discount.toInt();
    m.valid = rows.value(row, QStringLiteral("status")).toInt() == -1;
    m.addup = rows.value(row, QStringLiteral("addup")).toDouble();
    m.exchange = rows.value(row, QStringLiteral("exchange")).toDouble();
    m.jifen = rows.value(row, QStringLiteral("jifen")).toDouble();
    return m;
}

namespace MemberLogic {

int getdiscountRate(Store &store, double points)
{
    bool ok = false;
    // rowid order is the order the rows were entered, which the policy relies on.
    const Rows rows = store.select(QStringLiteral("select jifen,discount_rate from discount order by rowid"), {}, &ok);
    int rate = 100;
    if (!ok)
        return rate;
    for (int i = 0; i < rows.size(); ++i) {
        const QVariant threshold = rows.rows.at(i).at(0);
        if (threshold.isNull())
            continue;
        if (threshold.toDouble() <= points)
            rate = rows.rows.at(i).at(1).toInt();
    }
    return rate;
}

QDate endDate(const QVariant &enddate)
{
    if (!enddate.isValid() || enddate.isNull())
        return {};
    if (enddate.typeId() == QMetaType::QDate)
        return enddate.toDate();
    if (enddate.typeId() == QMetaType::QDateTime)
        return enddate.toDateTime().date();
    // Stored as "yyyy-mm-dd hh:nn:ss" (or just the date); older rows may use "/".
    QString t = enddate.toString().trimmed();
    const qsizetype cut = t.indexOf(QRegularExpression(QStringLiteral("[ T]")));
    if (cut > 0)
        t = t.left(cut);
    t.replace(QLatin1Char('/'), QLatin1Char('-'));
    return QDate::fromString(t, QStringLiteral("yyyy-M-d"));
}

bool isExpired(const QVariant &enddate, const QDate &today)
{
    const QDate end = endDate(enddate);
    return !end.isValid() || today > end;
}

int memberRate(Store &store, const MemberInfo &m, bool discountPolicy)
{
    return discountPolicy ? getdiscountRate(store, m.jifen) : m.discount;
}

QList<MemberInfo> findCard(Store &store, const QString &card, bool *ok)
{
    return members(store, QStringLiteral("card_id=:x COLLATE NOCASE"), card, ok);
}

SearchResult search(Store &store, const QString &text)
{
    SearchResult r;
    const QString x = text.trimmed();
    if (x.isEmpty())
        return r;
    static const QStringList exact{QStringLiteral("card_id=:x COLLATE NOCASE"), QStringLiteral("name=:x"),
                                   QStringLiteral("tel=:x")};
    static const QStringList partial{QStringLiteral("card_id like '%' || :x || '%'"),
                                     QStringLiteral("name like '%' || :x || '%'"),
                                     QStringLiteral("tel like '%' || :x || '%'")};
    for (int pass = 0; pass < 2; ++pass) {
        for (const QString &where : pass == 0 ? exact : partial) {
            bool ok = false;
            r.members = members(store, where, x, &ok);
            if (!ok) {
                r.ok = false;
                r.error = store.lastError();
                r.members.clear();
                return r;
            }
            if (!r.members.isEmpty()) {
                r.exact = pass == 0;
                return r;
            }
        }
    }
    return r;
}

MemberAttach attachFromDialog(const MemberInfo &m, int rate)
{
    // Whole part, cut towards zero.
    return attachWith(m, rate, clampPoints(std::trunc(m.addup - m.exchange)));
}

MemberAttach attachFromEntry(const MemberInfo &m, int rate)
{
    // Nearest whole number, halves to even.
    return attachWith(m, rate, clampPoints(std::nearbyint(m.jifen)));
}

DirectEntry directEntry(Store &store, const QString &text, const QDate &today, bool discountPolicy)
{
    DirectEntry e;
    const QString c = text.trimmed();
    if (c.isEmpty())
        return e;
    bool ok = false;
    const QList<MemberInfo> found = findCard(store, c, &ok);
    if (!ok) {
        e.outcome = DirectEntry::StoreError;
        e.message = store.lastError();
        return e;
    }
    if (found.size() != 1)
        return e;
    const MemberInfo &m = found.first();
    if (!m.valid) {
        e.outcome = DirectEntry::Invalid;
        e.message = InvalidCard;
        return e;
    }
    if (isExpired(m.enddate, today)) {
        e.outcome = DirectEntry::Expired;
        e.message = ExpiredCard;
        return e;
    }
    const int points = clampPoints(std::nearbyint(m.jifen));
    e.outcome = DirectEntry::Attached;
    e.attach = attachFromEntry(m, discountPolicy ? getdiscountRate(store, points) : m.discount);
    return e;
}

} // namespace MemberLogic
