#pragma once
// Member cards at the till: finding a card or a member, whether the card may be used
// today, the member's rate (own rate or the points policy) and what the till shows
// once the member is attached.

#include "saleline.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

class Store;
struct Rows;

// One member row as the till's member queries return it.
struct MemberInfo {
    QString cardId;
    QString name;
    QString tel;
    QString mtype;
    QString addr;
    QString birthday;
    QString fromdate;   // as stored
    QString remark;
    QVariant enddate;   // as stored; NULL or unreadable counts as expired
    int discount = 100; // the member's own rate
    bool valid = false; // status = -1
    double addup = 0;
    double exchange = 0;
    double jifen = 0;   // addup - exchange, with its fraction

    static MemberInfo fromRow(const Rows &rows, int row);
};

// What attaching a member puts into the till window.
struct MemberAttach {
    QString cardId;   // the stored card number (cardNoEdit, the settlement's card_id)
    int points = 0;   // jifen and jifenEdit
    QString mtype;    // the window's mtype (mtypeEdit stays empty)
    int rate = 100;   // disRateEdit
    QString name;     // mnameEdit
    QString tel;      // telEdit
    QString birthday; // birthEdit

    QString rateText() const { return QString::number(rate); }
};

namespace MemberLogic {

inline const QString InvalidCard = QStringLiteral("此会员卡目前状态为无效");
inline const QString ExpiredCard = QStringLiteral("此会员卡已超过有效期");
inline const QString UnknownCardQuestion = QStringLiteral("此会员卡尚未录入到数据库中，是否现在录入？");

// Rate for a points balance: the last row of `discount`, in table order, whose
// threshold the points reach; 100 when none does or the table cannot be read.
int getdiscountRate(Store &store, double points);

// The end date as a date; an invalid QDate when it is missing or unreadable.
QDate endDate(const QVariant &enddate);
// The end date itself is still a valid day; no end date counts as expired.
bool isExpired(const QVariant &enddate, const QDate &today);

// The member's rate in force: own rate, or the points policy's.
int memberRate(Store &store, const MemberInfo &m, bool discountPolicy);

// Card number without regard to letter case. ok is false on a store error.
QList<MemberInfo> findCard(Store &store, const QString &card, bool *ok = nullptr);

// The lookup dialog's search: exact by card (any case), name, telephone; then by part
// of each. `exact` tells which step found the rows.
struct SearchResult {
    QList<MemberInfo> members;
    bool exact = false;
    bool ok = true;
    QString error;
};
SearchResult search(Store &store, const QString &text);

// Direct entry in the card field of the till window.
struct DirectEntry {
    enum Outcome { Nothing, Invalid, Expired, Attached, StoreError };
    Outcome outcome = Nothing;
    MemberAttach attach;
    QString message;  // to show, empty for none
};
DirectEntry directEntry(Store &store, const QString &text, const QDate &today, bool discountPolicy);

// Attaching through the lookup dialog: the points are cut to a whole number there,
// while direct entry rounds them (halves to even).
MemberAttach attachFromDialog(const MemberInfo &m, int rate);
MemberAttach attachFromEntry(const MemberInfo &m, int rate);

}
