#include "settlement.h"

#include "goods.h"
#include "orderno.h"
#include "store.h"

namespace {
const QString kInsertOrder = QStringLiteral(
    "insert into orderlist(order_id,card_id,total_cost,total_money,seller,sales_id,order_date) "
    "values(:order_id,:card_id,:total_cost,:total_money,:seller,:sales_id,:order_date)");
const QString kInsertLine = QStringLiteral(
    "insert into order_detail(order_id,barcode,amount,subtotal,goods_id) "
    "values(:order_id,:barcode,:amount,:subtotal,:goods_id)");
const QString kUpdateMember = QStringLiteral(
    "update member set addup=ifNULL(addup,0)+:thistime,buy_times=ifNULL(buy_times,0)+1,"
    "discount=ifNULL(:discount,discount) where card_id=:card_id");
const QString kUpdateSales = QStringLiteral(
    "update sales set amount=ifNULL(amount,0)+:thistime where sales_id=:sales_id");
}

namespace Settlement {

Money costTotal(const SaleLines &lines)
{
    Money sum;
    for (const SaleLine &line : lines)
        sum += Money::fromText(line[SaleLine::CostAmount]);
    return sum;
}

Money salePoints(Money settled, Money noaddup, int addRate)
{
    const int rate = addRate < 1 ? 1 : addRate;
    return Money::fromLongDouble((settled - noaddup).toLongDouble() / rate);
}

SettlementOutcome record(Store &store, const SaleRecord &sale, const QDateTime &now)
{
    SettlementOutcome out;
    auto fail = [&]() {
        out.ok = false;
        out.orderNo.clear();
        out.error = store.lastError();
        return out;
    };

    Transaction tx(store);
    if (!tx.isActive())
        return fail();

    QString error;
    out.orderNo = allocateOrderNumber(store, now, &error);
    if (out.orderNo.isEmpty()) {
        store.setLastError(error);
        return fail();
    }

    // The order date comes from the same clock as the number, so both name one day.
    const QString date = now.date().toString(QStringLiteral("yyyy-MM-dd"));
    if (!store.exec(kInsertOrder, {{QStringLiteral("order_id"), out.orderNo},
                                   {QStringLiteral("card_id"), sale.ismember ? sale.cardId : QString()},
                                   {QStringLiteral("total_cost"), costTotal(sale.lines).toDouble()},
                                   {QStringLiteral("total_money"), sale.settled.toDouble()},
                                   {QStringLiteral("seller"), sale.cashier},
                                   {QStringLiteral("sales_id"), sale.salesId},
                                   {QStringLiteral("order_date"), date}}))
        return fail();

    for (const SaleLine &line : sale.lines) {
        if (!store.exec(kInsertLine, {{QStringLiteral("order_id"), out.orderNo},
                                      {QStringLiteral("barcode"), line.caption},
                                      {QStringLiteral("amount"), StrToFloatEx(line[SaleLine::Qty])},
                                      {QStringLiteral("subtotal"), Money::fromText(line[SaleLine::Amount]).toDouble()},
                                      {QStringLiteral("goods_id"), line[SaleLine::GoodsId]}}))
            return fail();
    }

    if (sale.ismember) {
        out.points = salePoints(sale.settled, sale.noaddup, sale.addRate);
        const QVariant rate = sale.memberRate.isValid() ? sale.memberRate : QVariant(QMetaType(QMetaType::Int));
        if (!store.exec(kUpdateMember, {{QStringLiteral("thistime"), out.points.toDouble()},
                                        {QStringLiteral("discount"), rate},
                                        {QStringLiteral("card_id"), sale.cardId}}))
            return fail();
    }

    if (sale.salesId > 0) {
        if (!store.exec(kUpdateSales, {{QStringLiteral("thistime"), sale.settled.toDouble()},
                                       {QStringLiteral("sales_id"), sale.salesId}}))
            return fail();
    }

    if (!tx.commit())
        return fail();
    out.ok = true;
    return out;
}

DayTotals dayTotals(Store &store, const QDate &day, bool *ok)
{
    const Rows rows = store.select(
        QStringLiteral("select count(order_id)as bishu,sum(total_money)as xiaoshou from orderlist "
                       "where order_date>=:day and order_date<:next"),
        {{QStringLiteral("day"), day.toString(QStringLiteral("yyyy-MM-dd"))},
         {QStringLiteral("next"), day.addDays(1).toString(QStringLiteral("yyyy-MM-dd"))}},
        ok);
    DayTotals t;
    if (!rows.isEmpty()) {
        t.bishu = storedText(rows.value(0, QStringLiteral("bishu")));
        t.xiaoshou = storedText(rows.value(0, QStringLiteral("xiaoshou")));
    }
    return t;
}

QString noticeText(const QString &orderNo, const QString &realMoneyText, const DayTotals &day)
{
    return QStringLiteral("通知:流水号") + orderNo + QStringLiteral("金额:") + realMoneyText
           + QStringLiteral("。累计销售") + day.bishu + QStringLiteral("笔,销售额") + day.xiaoshou;
}

}
