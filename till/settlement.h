#pragma once
// Recording a sale: the order, its lines, the member's points and purchase count and
// the salesperson's total, in one transaction. Stock follows the lines in the store.

#include "money.h"
#include "saleline.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

class Store;

struct SaleRecord {
    SaleLines lines;
    Money settled;           // realmoneyEdit: what the sale is settled for
    bool ismember = false;
    QString cardId;          // the attached member's stored card_id; empty without one
    QVariant memberRate;     // disRateEdit as an integer; invalid keeps the member's rate
    Money noaddup;           // part of the sale that earns no points
    int salesId = -1;        // salesperson, -1 when none
    QString cashier;
    int addRate = 1;         // money per point
};

struct SettlementOutcome {
    bool ok = false;
    QString orderNo;
    Money points;            // added to member.addup
    QString error;           // the store's message when !ok
};

namespace Settlement {

// Sum of the lines' cost amounts.
Money costTotal(const SaleLines &lines);
// Points of a sale: (settled - noaddup) / addRate, to 1/10000 (ties to even).
Money salePoints(Money settled, Money noaddup, int addRate);
// Records the sale stamped with `now`. Nothing is written unless everything is.
SettlementOutcome record(Store &store, const SaleRecord &sale, const QDateTime &now);

// Number of the day's orders and their total money, as the store returns them.
struct DayTotals {
    QString bishu;
    QString xiaoshou;
};
DayTotals dayTotals(Store &store, const QDate &day, bool *ok = nullptr);
// Text of the owner's notice about a large sale.
QString noticeText(const QString &orderNo, const QString &realMoneyText, const DayTotals &day);

}
