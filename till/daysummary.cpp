#include "daysummary.h"

#include "models.h"
#include "money.h"
#include "store.h"
#include "textfile.h"

namespace DaySummary {

QString allCashiers()
{
    return QStringLiteral("所有收银员");
}

QStringList cashierChoices(Store &store, QString *error)
{
    QStringList out{allCashiers()};
    bool ok = false;
    const Rows rows = store.select(QStringLiteral("select seller from seller order by rowid"), {}, &ok);
    if (!ok && error)
        *error = store.lastError();
    for (const QVariantList &r : rows.rows)
        out << r.value(0).toString();
    return out;
}

bool Filter::allCashiers() const
{
    return cashier.isEmpty() || cashier == DaySummary::allCashiers();
}

QString Filter::where() const
{
    // A range instead of date(order_date)=: the order_date index serves it.
    QString w = QStringLiteral("orderlist.order_date >= :d and orderlist.order_date < :d1");
    if (!allCashiers())
        w += QStringLiteral(" and orderlist.seller=:seller");
    return w;
}

QVariantMap Filter::params() const
{
    QVariantMap p{{QStringLiteral("d"), day.toString(QStringLiteral("yyyy-MM-dd"))},
                  {QStringLiteral("d1"), day.addDays(1).toString(QStringLiteral("yyyy-MM-dd"))}};
    if (!allCashiers())
        p.insert(QStringLiteral("seller"), cashier);
    return p;
}

QString ordersSql(const Filter &f)
{
    return QStringLiteral("SELECT order_id,total_money,card_id,Sales_no,seller from orderlist "
                          "left JOIN sales on sales.sales_id=orderlist.sales_id where ")
           + f.where() + QStringLiteral(" order by order_id");
}

QString goodsSql(const Filter &f)
{
    // The lines are reached from the day's orders (inner join: a line without its order
    // has no date), so the planner can start at the order_date index.
    return QStringLiteral("SELECT goods.barcode as bcode,name,class_name,total(order_detail.amount) as shuliang,"
                          "total(subtotal) as jine FROM (orderlist INNER JOIN order_detail ON "
                          "order_detail.order_id = orderlist.order_id) left JOIN goods ON "
                          "goods.goods_id = order_detail.goods_id where ")
           + f.where() + QStringLiteral(" group by goods.barcode,name,class_name");
}

QString goodsCountSql(const Filter &f)
{
    return QStringLiteral("select total(order_detail.amount) as sum1 from orderlist INNER JOIN order_detail "
                          "ON order_detail.order_id = orderlist.order_id where ")
           + f.where();
}

QString moneySql(const Filter &f)
{
    return QStringLiteral("select total(total_money) as moneysum from orderlist where ") + f.where();
}

namespace {

Totals emptyTotals()
{
    Totals t;
    t.goodsCountText = formatQty(0);
    t.moneyText = QStringLiteral("￥") + formatMoney(0);
    return t;
}

bool sums(Store &store, const Filter &f, Totals *t, QString *error)
{
    const QVariantMap p = f.params();
    bool ok1 = false, ok2 = false;
    const QVariant sum1 = store.scalar(goodsCountSql(f), p, &ok1);
    if (!ok1) {
        if (error)
            *error = store.lastError();
        return false;
    }
    const QVariant money = store.scalar(moneySql(f), p, &ok2);
    if (!ok2) {
        if (error)
            *error = store.lastError();
        return false;
    }
    t->goodsCountText = formatQty(sum1.toDouble());
    t->moneyText = QStringLiteral("￥") + formatMoney(money.toDouble());
    return true;
}

void setCount(Totals *t, int n)
{
    t->orderCount = n;
    t->countText = n > 0 ? QString::number(n) : QString();
}

}  // namespace

bool totals(Store &store, const Filter &f, Totals *out, QString *error)
{
    Totals t = emptyTotals();
    bool ok = false;
    const QVariant n = store.scalar(QStringLiteral("select count(*) from orderlist where ") + f.where(), f.params(), &ok);
    if (!ok) {
        if (error)
            *error = store.lastError();
        *out = emptyTotals();
        return false;
    }
    setCount(&t, n.toInt());
    if (!sums(store, f, &t, error)) {
        *out = emptyTotals();
        return false;
    }
    *out = t;
    return true;
}

bool load(Store &store, const Filter &f, QueryModel &orders, QueryModel &goods, Totals *out, QString *error)
{
    Totals t = emptyTotals();
    const QVariantMap p = f.params();
    auto fail = [&](const QString &message) {
        if (error)
            *error = message;
        orders.clear();
        goods.clear();
        *out = emptyTotals();
        return false;
    };
    if (!orders.setQuery(ordersSql(f), p))
        return fail(orders.lastError());
    setCount(&t, orders.rowCount());
    QString sumError;
    if (!sums(store, f, &t, &sumError))
        return fail(sumError);
    if (!goods.setQuery(goodsSql(f), p))
        return fail(goods.lastError());
    *out = t;
    return true;
}

QStringList reportLines(const QDate &day, const QTime &printedAt, const QString &cashierText, const Totals &totals)
{
    const QString rule(32, QLatin1Char('-'));
    const QString blank = QStringLiteral(" ");
    QStringList l;
    l << QStringLiteral("\x1b@")  // printer reset
      << QStringLiteral("            日小结") << rule
      << QStringLiteral("打印日期:") + day.toString(QStringLiteral("yyyy-MM-dd"))
      << QStringLiteral("打印时间:") + printedAt.toString(QStringLiteral("HH:mm:ss"))
      << QStringLiteral("收银员:") + cashierText << rule
      << QStringLiteral("本日销售单数：") + totals.countText
      << QStringLiteral("销售商品数量：") + totals.goodsCountText
      << QStringLiteral("本日销售额：") + totals.moneyText.mid(1)  // without the "￥"
      << blank << blank << QStringLiteral("签字：");
    for (int i = 0; i < 5; ++i)
        l << blank;
    return l;
}

QString reportFileName()
{
    return QStringLiteral("日统计.txt");
}

bool writeReport(const QString &path, const QStringList &lines, QString *error)
{
    return writeAnsiLines(path, lines, error);
}

}  // namespace DaySummary
