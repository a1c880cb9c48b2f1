#include "memberreg.h"

#include "clock.h"
#include "store.h"

namespace MemberReg {

QStringList cardTypes(Store &store, QString *error)
{
    bool ok = false;
    const Rows rows = store.select(QStringLiteral("select mtype from disrate order by rowid"), {}, &ok);
    if (!ok && error)
        *error = store.lastError();
    QStringList out;
    for (const QVariantList &r : rows.rows)
        out << r.value(0).toString();
    return out;
}

std::optional<int> typeRate(Store &store, const QString &mtype, QString *error)
{
    bool ok = false;
    const Rows rows = store.select(QStringLiteral("select mrate from disrate where mtype=:t order by rowid limit 1"),
                                   {{QStringLiteral("t"), mtype}}, &ok);
    if (!ok) {
        if (error)
            *error = store.lastError();
        return std::nullopt;
    }
    if (rows.isEmpty() || rows.rows.first().value(0).isNull())
        return std::nullopt;
    return rows.rows.first().value(0).toInt();
}

QString birthdayText(int month, int day)
{
    if (month <= 0 || day <= 0)
        return {};
    return QString::number(month) + QStringLiteral("月") + QString::number(day) + QStringLiteral("日");
}

int listNumber(const QString &text, int max)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok && n >= 1 && n <= max ? n : 0;
}

int discountValue(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : 100;
}

QDate defaultEndDate(const QDate &today)
{
    // A fixed date would sooner or later lie in the past and make every new card
    // expired on the day it is issued.
    return QDate(today.year() + 10, 12, 31);
}

std::optional<bool> cardExists(Store &store, const QString &cardId, QString *error)
{
    bool ok = false;
    const QVariant n = store.scalar(QStringLiteral("select count(*) from member where card_id=:c COLLATE NOCASE"),
                                    {{QStringLiteral("c"), cardId.trimmed()}}, &ok);
    if (!ok) {
        if (error)
            *error = store.lastError();
        return std::nullopt;
    }
    return n.toLongLong() > 0;
}

Save insert(Store &store, const NewMember &m, QString *error)
{
    const QString card = m.cardId.trimmed();
    if (card.isEmpty())
        return Save::Empty;
    Query q(store, QStringLiteral("insert into member(card_id,fromdate,enddate,discount,name,tel,birthday,lunar,addr,"
                                  "email,remark,mtype,exchange,status) values(:card_id,:fromdate,:enddate,:discount,"
                                  ":name,:tel,:birthday,:lunar,:addr,:email,:remark,:mtype,:exchange,:status)"));
    q.bind(QStringLiteral("card_id"), card)
        .bind(QStringLiteral("fromdate"), Clock::today())
        .bind(QStringLiteral("enddate"), m.enddate)
        .bind(QStringLiteral("discount"), discountValue(m.discountText))
        .bind(QStringLiteral("name"), m.name)
        .bind(QStringLiteral("tel"), m.tel)
        .bind(QStringLiteral("birthday"), birthdayText(m.month, m.day))
        .bind(QStringLiteral("lunar"), m.lunar ? -1 : 0)
        .bind(QStringLiteral("addr"), m.addr)
        .bind(QStringLiteral("email"), m.email)
        .bind(QStringLiteral("remark"), m.remark)
        .bind(QStringLiteral("mtype"), m.mtype)
        .bind(QStringLiteral("exchange"), 0)
        .bind(QStringLiteral("status"), m.status ? -1 : 0);
    if (q.exec())
        return Save::Saved;
    const QString e = q.lastError();
    if (error)
        *error = e;
    // The unique index on card_id: the card was registered in the meantime.
    if (e.contains(QStringLiteral("UNIQUE constraint failed"), Qt::CaseInsensitive)) {
        if (error)
            *error = duplicateText();
        return Save::Duplicate;
    }
    return Save::Failed;
}

Save save(Store &store, const NewMember &m, QString *error)
{
    if (m.cardId.trimmed().isEmpty())
        return Save::Empty;
    const std::optional<bool> exists = cardExists(store, m.cardId, error);
    if (!exists)
        return Save::Failed;
    if (*exists) {
        if (error)
            *error = duplicateText();
        return Save::Duplicate;
    }
    return insert(store, m, error);
}

QString duplicateText()
{
    return QStringLiteral("此会员卡编号已存在！");
}

}  // namespace MemberReg
