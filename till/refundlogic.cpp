#include "refundlogic.h"

#include "money.h"
#include "orderno.h"
#include "store.h"

#include <cmath>

namespace {

QString shown(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double)
        return formatQty(v.toDouble());
    return v.toString();
}

QVariant goodsIdValue(const QString &text)
{
    bool ok = false;
    const qlonglong id = text.trimmed().toLongLong(&ok);
    return ok ? QVariant(id) : QVariant();
}

// The first rows of a lookup by barcode, then by goods number.
Rows byCode(Store &store, const QString &columns, const QString &code)
{
    const QVariantMap p{{QStringLiteral("code"), code}};
    Rows rows = store.select(QStringLiteral("select ") + columns + QStringLiteral(" from goods where barcode=:code"), p);
    if (rows.isEmpty())
        rows = store.select(QStringLiteral("select ") + columns + QStringLiteral(" from goods where goods_no=:code"), p);
    return rows;
}

// Minus, without a negative zero in the store.
double neg(double v)
{
    return v == 0 ? 0.0 : -v;
}

RefundOutcome fail(const QString &message)
{
    RefundOutcome o;
    o.message = message;
    return o;
}

} // namespace

namespace RefundLogic {

std::optional<ReceiptForRefund> lookupReceipt(Store &store, const QString &orderId, QString *error)
{
    const QVariantMap p{{QStringLiteral("id"), orderId}};
    bool ok = false;
    const Rows rows = store.select(
        QStringLiteral("SELECT goods.goods_id as gid,goods.barcode as goods_code,goods_no,name,price,"
                       "order_detail.amount as goods_amount,subtotal,order_detail.goods_id,"
                       "order_detail.barcode as detail_code "
                       "FROM order_detail left JOIN goods ON goods.goods_id=order_detail.goods_id "
                       "where order_id=:id order by order_detail.detail_id"),
        p, &ok);
    if (!ok) {
        if (error)
            *error = store.lastError();
        return std::nullopt;
    }
    if (rows.isEmpty())
        return std::nullopt;
    ReceiptForRefund r;
    for (int i = 0; i < rows.size(); ++i) {
        RefundLine line;
        line.barcode = shown(rows.value(i, QStringLiteral("goods_code")));
        if (rows.value(i, QStringLiteral("goods_code")).isNull())
            line.barcode = shown(rows.value(i, QStringLiteral("detail_code")));  // goods since removed
        line.goodsNo = shown(rows.value(i, QStringLiteral("goods_no")));
        line.name = shown(rows.value(i, QStringLiteral("name")));
        line.qtyText = formatQty(rows.value(i, QStringLiteral("goods_amount")).toDouble());
        line.moneyText = formatMoney(rows.value(i, QStringLiteral("subtotal")).toDouble());
        line.goodsId = shown(rows.value(i, QStringLiteral("goods_id")));
        r.lines.append(line);
    }
    // A left join: a receipt without a salesperson still gives its member card.
    const Rows head = store.select(QStringLiteral("SELECT card_id,Sales_No FROM orderlist left join sales on "
                                                  "sales.sales_id=orderlist.sales_id where order_id=:id"),
                                   p, &ok);
    if (ok && !head.isEmpty()) {
        r.cardId = shown(head.value(0, QStringLiteral("card_id")));
        r.salesNo = shown(head.value(0, QStringLiteral("Sales_No")));
    }
    return r;
}

std::optional<double> priceOf(Store &store, const QString &code)
{
    const Rows rows = byCode(store, QStringLiteral("price"), code);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.value(0, QStringLiteral("price")).toDouble();
}

std::optional<RefundLine> itemOf(Store &store, const QString &code)
{
    const Rows rows = byCode(store, QStringLiteral("barcode,goods_no,name,goods_id"), code);
    if (rows.isEmpty())
        return std::nullopt;
    RefundLine line;
    line.barcode = shown(rows.value(0, QStringLiteral("barcode")));
    line.goodsNo = shown(rows.value(0, QStringLiteral("goods_no")));
    line.name = shown(rows.value(0, QStringLiteral("name")));
    line.goodsId = shown(rows.value(0, QStringLiteral("goods_id")));
    return line;
}

bool lineMoney(double unitPrice, const QString &qtyText, QString *money)
{
    double q = 0;
    if (!parseNumber(qtyText, &q))
        return false;
    const long double units = std::nearbyintl(std::nearbyintl(static_cast<long double>(unitPrice) * 10000.0L) * q);
    if (money)
        *money = formatMoney(static_cast<double>(units / 10000.0L));
    return true;
}

RefundTotals totals(const QList<RefundLine> &lines)
{
    double qty = 0;
    Money money;
    for (const RefundLine &l : lines) {
        if (!l.ticked)
            continue;
        qty += StrToFloatEx(l.qtyText);
        money += Money::fromText(l.moneyText);
    }
    RefundTotals t;
    t.amountText = formatQty(qty);
    t.moneyText = money.toText();
    return t;
}

RefundOutcome record(Store &store, const RefundRequest &request, const QDateTime &now)
{
    // Everything typed is read before anything is written.
    double money = 0;
    if (!parseNumber(request.moneyText, &money))
        return fail(BadNumber);
    struct Ticked {
        const RefundLine *line;
        double qty;
        double money;
    };
    QList<Ticked> ticked;
    for (const RefundLine &l : request.lines) {
        if (!l.ticked)
            continue;
        Ticked t{&l, 0, 0};
        if (!parseNumber(l.qtyText, &t.qty) || !parseNumber(l.moneyText, &t.money))
            return fail(BadNumber);
        ticked.append(t);
    }

    Transaction tx(store);
    if (!tx.isActive())
        return fail(store.lastError());
    bool ok = true;
    auto stop = [&]() { return fail(store.lastError()); };

    long double cost = 0;
    for (const Ticked &t : ticked) {
        // Goods no longer in the catalogue add no cost.
        const Rows rows = store.select(QStringLiteral("select costprice from goods where barcode=:b"),
                                       {{QStringLiteral("b"), t.line->barcode}}, &ok);
        if (!ok)
            return stop();
        if (!rows.isEmpty())
            cost += static_cast<long double>(t.qty) * rows.value(0, QStringLiteral("costprice")).toDouble();
    }

    const QString cardNo = request.cardNo.trimmed();
    const QString salesNo = request.salesNo.trimmed();
    int salesId = -1;
    if (!salesNo.isEmpty()) {
        const QVariant id = store.scalar(QStringLiteral("select sales_id from sales where sales_no=:no"),
                                         {{QStringLiteral("no"), salesNo}}, &ok);
        if (!ok)
            return stop();
        if (id.isValid() && !id.isNull())
            salesId = id.toInt();
    }

    QString error;
    const QString orderNo = allocateOrderNumber(store, now, &error);
    if (orderNo.isEmpty())
        return fail(error);

    if (!store.exec(QStringLiteral("insert into orderlist(order_id,card_id,total_cost,total_money,seller,sales_id,order_date) "
                                   "values(:order_id,:card_id,:total_cost,:total_money,:seller,:sales_id,DATE('now','localtime'))"),
                    {{QStringLiteral("order_id"), orderNo},
                     {QStringLiteral("card_id"), cardNo},
                     {QStringLiteral("total_cost"), neg(Money::fromLongDouble(cost).toDouble())},
                     {QStringLiteral("total_money"), neg(money)},
                     {QStringLiteral("seller"), request.cashier},
                     {QStringLiteral("sales_id"), salesId}}))
        return stop();

    for (const Ticked &t : ticked) {
        if (!store.exec(QStringLiteral("insert into order_detail(order_id,barcode,amount,subtotal,goods_id) "
                                       "values(:order_id,:barcode,:amount,:subtotal,:goods_id)"),
                        {{QStringLiteral("order_id"), orderNo},
                         {QStringLiteral("barcode"), t.line->barcode},
                         {QStringLiteral("amount"), neg(t.qty)},
                         {QStringLiteral("subtotal"), neg(t.money)},
                         {QStringLiteral("goods_id"), goodsIdValue(t.line->goodsId)}}))
            return stop();
    }

    if (!cardNo.isEmpty()) {
        const int addRate = request.addRate > 0 ? request.addRate : 1;
        const double thistime = Money::fromDouble(money / addRate).toDouble();
        // The card is matched as the till finds it: without regard to letter case.
        if (!store.exec(QStringLiteral("update member set addup=ifnull(addup,0)-:thistime,buy_times=ifnull(buy_times,0)+1 "
                                       "where card_id=:card COLLATE NOCASE"),
                        {{QStringLiteral("thistime"), thistime}, {QStringLiteral("card"), cardNo}}))
            return stop();
    }

    if (salesId != -1) {
        if (!store.exec(QStringLiteral("update sales set amount=ifnull(amount,0)-:thistime where sales_id=:id"),
                        {{QStringLiteral("thistime"), money}, {QStringLiteral("id"), salesId}}))
            return stop();
    }

    if (!tx.commit())
        return stop();
    RefundOutcome o;
    o.ok = true;
    o.orderNo = orderNo;
    o.message = Done;
    return o;
}

} // namespace RefundLogic
