#pragma once
// The day summary of the till: the orders of one day (optionally of one cashier), the
// goods sold that day, three totals, and the short day report for the receipt printer.
// Refunds are orders with negative money and quantities, so every figure is net.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class Store;
class QueryModel;

namespace DaySummary {

// First entry of the cashier list; it stands for no filter.
QString allCashiers();  // "所有收银员"
// "所有收银员" followed by every seller.seller in table order.
QStringList cashierChoices(Store &store, QString *error = nullptr);

// The day and cashier of one summary. An empty cashier or allCashiers() means all.
struct Filter {
    QDate day;
    QString cashier;

    bool allCashiers() const;
    // " and orderlist.seller=:seller" or empty; the range over order_date uses its index
    // and covers both stored forms, "yyyy-mm-dd" and "yyyy-mm-dd hh:mm:ss".
    QString where() const;
    QVariantMap params() const;
};

// Statements of the two grids and the two sums, for the filter's where() and params().
QString ordersSql(const Filter &f);
QString goodsSql(const Filter &f);
QString goodsCountSql(const Filter &f);
QString moneySql(const Filter &f);

// The three figures as the bottom bar shows them.
struct Totals {
    int orderCount = 0;
    QString countText;       // countEdit: the number of orders, empty when none
    QString goodsCountText;  // goodscountEdit: net quantity, shortest text ("0" when none)
    QString moneyText;       // moneyEdit: "￥0.00"
};

// Fills the two grid models and returns the totals. False with *error when the store
// fails; the models are then empty and the totals those of an empty day.
bool load(Store &store, const Filter &f, QueryModel &orders, QueryModel &goods, Totals *totals,
          QString *error = nullptr);
// The totals alone.
bool totals(Store &store, const Filter &f, Totals *totals, QString *error = nullptr);

// The day report ("日小结") as the lines of "日统计.txt".
QStringList reportLines(const QDate &day, const QTime &printedAt, const QString &cashierText,
                        const Totals &totals);
QString reportFileName();  // "日统计.txt"
// Writes the report file (GB18030, CR LF) into the program folder, replacing an earlier one.
bool writeReport(const QString &path, const QStringList &lines, QString *error);

}  // namespace DaySummary
