// Recording a sale in the store: the order and its lines, stock through the store's
// trigger, member points, the salesperson's total, order numbers, and nothing at all
// when a statement fails.
#include "clock.h"
#include "orderno.h"
#include "pricing.h"
#include "settlement.h"
#include "testshop.h"

#include <QtTest>

namespace {

const QDateTime kNow(QDate(2026, 3, 14), QTime(15, 9, 26));

GoodsRecord goodsOf(TestShop &shop, const QString &barcode)
{
    QString error;
    auto g = findGoods(shop.store(), barcode, &error);
    if (!g)
        qFatal("goods %s missing", qPrintable(barcode));
    return *g;
}

// A sale of the given barcodes (one piece per scan), priced as the till does.
SaleRecord saleOf(TestShop &shop, const QStringList &scans, bool member = false, const QString &rate = {})
{
    SaleRecord s;
    const MemberPricing m{member, rate};
    for (const QString &b : scans)
        Pricing::addGoods(s.lines, goodsOf(shop, b), m);
    const SaleTotals t = Pricing::recount(s.lines, member, {});
    s.settled = t.amountTotal;
    s.noaddup = t.noaddup;
    s.ismember = member;
    s.cashier = QStringLiteral("收银员");
    return s;
}

} // namespace

class TestSettlement : public QObject {
    Q_OBJECT
private slots:
    void init() { Clock::setFixed(kNow); }
    void cleanup() { Clock::setSource(nullptr); }

    void recordsOrderLinesAndStock();
    void memberPoints_data();
    void memberPoints();
    void salesperson();
    void sameSecondGetsNextNumber();
    void numberForm_data();
    void numberForm();
    void failingStatementWritesNothing();
    void missingTableReportsError();
    void dayTotalsAndNotice();
};

void TestSettlement::recordsOrderLinesAndStock()
{
    TestShop shop;
    const qint64 cola = shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3, 2.2, 10);
    const qint64 gum = shop.addGoods(QStringLiteral("6902"), QStringLiteral("口香糖"), 1.5, 0.8, 0);
    SaleRecord sale = saleOf(shop, {QStringLiteral("6901"), QStringLiteral("6902"), QStringLiteral("6901")});

    const SettlementOutcome out = Settlement::record(shop.store(), sale, kNow);
    QVERIFY2(out.ok, qPrintable(out.error));
    QCOMPARE(out.orderNo, QStringLiteral("60314150926"));

    const Rows order = shop.store().select(QStringLiteral("select * from orderlist"));
    QCOMPARE(order.size(), 1);
    QCOMPARE(order.value(0, QStringLiteral("order_id")).toString(), out.orderNo);
    QCOMPARE(order.value(0, QStringLiteral("card_id")).toString(), QString());
    QCOMPARE(order.value(0, QStringLiteral("total_cost")).toDouble(), 2 * 2.2 + 0.8);
    QCOMPARE(order.value(0, QStringLiteral("total_money")).toDouble(), 7.5);
    QCOMPARE(order.value(0, QStringLiteral("seller")).toString(), QStringLiteral("收银员"));
    QCOMPARE(order.value(0, QStringLiteral("sales_id")).toInt(), -1);
    QCOMPARE(order.value(0, QStringLiteral("order_date")).toString(), QStringLiteral("2026-03-14"));

    const Rows lines = shop.store().select(QStringLiteral("select * from order_detail order by detail_id"));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.value(0, QStringLiteral("barcode")).toString(), QStringLiteral("6901"));
    QCOMPARE(lines.value(0, QStringLiteral("amount")).toDouble(), 2.0);
    QCOMPARE(lines.value(0, QStringLiteral("subtotal")).toDouble(), 6.0);
    QCOMPARE(lines.value(0, QStringLiteral("goods_id")).toLongLong(), cola);
    QCOMPARE(lines.value(1, QStringLiteral("goods_id")).toLongLong(), gum);
    QCOMPARE(lines.value(1, QStringLiteral("order_id")).toString(), out.orderNo);

    // Stock follows the lines inside the store; the sale goes on below zero.
    QCOMPARE(shop.scalar(QStringLiteral("select amount from goods where goods_id=:id"), {{QStringLiteral("id"), cola}}).toDouble(), 8.0);
    QCOMPARE(shop.scalar(QStringLiteral("select sold from goods where goods_id=:id"), {{QStringLiteral("id"), cola}}).toDouble(), 2.0);
    QCOMPARE(shop.scalar(QStringLiteral("select amount from goods where goods_id=:id"), {{QStringLiteral("id"), gum}}).toDouble(), -1.0);
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from sales")).toInt(), 0);
    QVERIFY(!shop.store().inTransaction());
}

void TestSettlement::memberPoints_data()
{
    QTest::addColumn<int>("addRate");
    QTest::addColumn<QString>("noPointsPrice");  // price of a goods that earns no points, empty for none
    QTest::addColumn<double>("price");
    QTest::addColumn<double>("points");

    QTest::newRow("58.00 with a no-points line of 8.00, rate 10") << 10 << QStringLiteral("8") << 50.0 << 5.0;
    QTest::newRow("fraction stays in addup") << 1 << QString() << 1.55 << 1.55;
    QTest::newRow("four decimals") << 3 << QString() << 1.0 << 0.3333;
    QTest::newRow("exact half of 1/10000 to even") << 8 << QString() << 0.01 << 0.0012;
}

void TestSettlement::memberPoints()
{
    QFETCH(int, addRate);
    QFETCH(QString, noPointsPrice);
    QFETCH(double, price);
    QFETCH(double, points);

    TestShop shop;
    shop.exec(QStringLiteral("insert into member (card_id, name, discount, addup, exchange, buy_times, status) "
                             "values ('VIP01', '张三', 100, 2.5, 0, 4, -1)"));
    shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), price);
    QStringList scans{QStringLiteral("1")};
    if (!noPointsPrice.isEmpty()) {
        shop.addGoods(QStringLiteral("2"), QStringLiteral("烟"), noPointsPrice.toDouble());
        shop.exec(QStringLiteral("update goods set ifaddup=0 where barcode='2'"));
        scans << QStringLiteral("2");
    }
    SaleRecord sale = saleOf(shop, scans, true, QStringLiteral("100"));
    sale.cardId = QStringLiteral("VIP01");
    sale.memberRate = 95;  // the rate of this sale becomes the member's rate
    sale.addRate = addRate;

    const SettlementOutcome out = Settlement::record(shop.store(), sale, kNow);
    QVERIFY2(out.ok, qPrintable(out.error));
    QCOMPARE(out.points.toDouble(), points);
    const Rows m = shop.store().select(QStringLiteral("select addup, buy_times, discount from member"));
    QCOMPARE(m.value(0, QStringLiteral("addup")).toDouble(), 2.5 + points);
    QCOMPARE(m.value(0, QStringLiteral("buy_times")).toInt(), 5);
    QCOMPARE(m.value(0, QStringLiteral("discount")).toInt(), 95);
    QCOMPARE(shop.scalar(QStringLiteral("select card_id from orderlist")).toString(), QStringLiteral("VIP01"));
}

void TestSettlement::salesperson()
{
    TestShop shop;
    shop.exec(QStringLiteral("insert into sales (sales_no, sales_name, amount) values ('01', '小李', 100)"));
    shop.exec(QStringLiteral("insert into sales (sales_no, sales_name) values ('02', '小王')"));
    const int id = shop.scalar(QStringLiteral("select sales_id from sales where sales_no='01'")).toInt();
    shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 12.5);
    SaleRecord sale = saleOf(shop, {QStringLiteral("1")});
    sale.salesId = id;
    QVERIFY(Settlement::record(shop.store(), sale, kNow).ok);
    QCOMPARE(shop.scalar(QStringLiteral("select amount from sales where sales_id=:id"), {{QStringLiteral("id"), id}}).toDouble(), 112.5);
    QCOMPARE(shop.scalar(QStringLiteral("select amount from sales where sales_no='02'")).toDouble(), 0.0);
    QCOMPARE(shop.scalar(QStringLiteral("select sales_id from orderlist")).toInt(), id);

    // A non-member sale touches no member even when a card number is around.
    shop.exec(QStringLiteral("insert into member (card_id, name) values ('VIP01', '张三')"));
    sale.salesId = -1;
    sale.cardId = QStringLiteral("VIP01");
    QVERIFY(Settlement::record(shop.store(), sale, kNow.addSecs(5)).ok);
    QCOMPARE(shop.scalar(QStringLiteral("select buy_times from member")).toInt(), 0);
    QCOMPARE(shop.scalar(QStringLiteral("select card_id from orderlist where sales_id=-1")).toString(), QString());
}

void TestSettlement::sameSecondGetsNextNumber()
{
    TestShop shop;
    shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 2);
    const SaleRecord sale = saleOf(shop, {QStringLiteral("1")});
    QStringList numbers;
    for (int i = 0; i < 3; ++i) {
        const SettlementOutcome out = Settlement::record(shop.store(), sale, kNow);
        QVERIFY(out.ok);
        numbers << out.orderNo;
    }
    QCOMPARE(numbers, (QStringList{QStringLiteral("60314150926"), QStringLiteral("60314150927"),
                                   QStringLiteral("60314150928")}));
    // Every order keeps its own lines.
    for (const QString &no : numbers)
        QCOMPARE(shop.scalar(QStringLiteral("select count(*) from order_detail where order_id=:n"),
                             {{QStringLiteral("n"), no}}).toInt(), 1);
    // A number of a held sale or refund counts as taken too.
    QString error;
    const QString next = allocateOrderNumber(shop.store(), kNow, &error,
                                             [](const QString &n) { return n == QStringLiteral("60314150929"); });
    QCOMPARE(next, QStringLiteral("60314150930"));
}

void TestSettlement::numberForm_data()
{
    QTest::addColumn<QDateTime>("at");
    QTest::addColumn<QString>("taken");
    QTest::addColumn<QString>("expected");
    QTest::newRow("free") << kNow << QString() << QStringLiteral("60314150926");
    QTest::newRow("new year") << QDateTime(QDate(2029, 12, 31), QTime(23, 59, 59)) << QStringLiteral("91231235959")
                              << QStringLiteral("00101000000");
    QTest::newRow("next minute") << QDateTime(QDate(2026, 1, 2), QTime(8, 4, 59)) << QStringLiteral("60102080459")
                                 << QStringLiteral("60102080500");
}

void TestSettlement::numberForm()
{
    QFETCH(QDateTime, at);
    QFETCH(QString, taken);
    QFETCH(QString, expected);
    const QString no = allocateOrderNumber(at, [&](const QString &n) { return n == taken; });
    QCOMPARE(no, expected);
    QCOMPARE(no.size(), 11);
}

void TestSettlement::failingStatementWritesNothing()
{
    TestShop shop;
    shop.exec(QStringLiteral("insert into member (card_id, name, addup, buy_times) values ('VIP01', '张三', 10, 1)"));
    shop.exec(QStringLiteral("insert into sales (sales_no, sales_name, amount) values ('01', '小李', 100)"));
    shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 2, 1, 10);
    shop.addGoods(QStringLiteral("BAD"), QStringLiteral("坏"), 3, 1, 10);
    shop.exec(QStringLiteral("create trigger refuse before insert on order_detail when NEW.barcode='BAD' "
                             "begin select raise(abort, 'line refused'); end"));
    SaleRecord sale = saleOf(shop, {QStringLiteral("1"), QStringLiteral("BAD")}, true, QStringLiteral("100"));
    sale.cardId = QStringLiteral("VIP01");
    sale.salesId = 1;

    const SettlementOutcome out = Settlement::record(shop.store(), sale, kNow);
    QVERIFY(!out.ok);
    QVERIFY2(out.error.contains(QStringLiteral("line refused")), qPrintable(out.error));
    QVERIFY(out.orderNo.isEmpty());
    QVERIFY(!shop.store().inTransaction());
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from orderlist")).toInt(), 0);
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from order_detail")).toInt(), 0);
    QCOMPARE(shop.scalar(QStringLiteral("select sum(amount) from goods")).toDouble(), 20.0);
    QCOMPARE(shop.scalar(QStringLiteral("select addup from member")).toDouble(), 10.0);
    QCOMPARE(shop.scalar(QStringLiteral("select buy_times from member")).toInt(), 1);
    QCOMPARE(shop.scalar(QStringLiteral("select amount from sales")).toDouble(), 100.0);

    // The same sale goes through once the fault is gone, under the same number.
    shop.exec(QStringLiteral("drop trigger refuse"));
    const SettlementOutcome again = Settlement::record(shop.store(), sale, kNow);
    QVERIFY(again.ok);
    QCOMPARE(again.orderNo, QStringLiteral("60314150926"));
}

void TestSettlement::missingTableReportsError()
{
    TestShop shop;
    shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 2);
    const SaleRecord sale = saleOf(shop, {QStringLiteral("1")});
    // A statement failing at the start of the transaction (a table gone) is reported.
    shop.exec(QStringLiteral("alter table orderlist rename to orderlist_old"));
    const SettlementOutcome out = Settlement::record(shop.store(), sale, kNow);
    QVERIFY(!out.ok);
    QVERIFY(!out.error.isEmpty());
    QVERIFY(!shop.store().inTransaction());
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from order_detail")).toInt(), 0);
}

void TestSettlement::dayTotalsAndNotice()
{
    TestShop shop;
    shop.exec(QStringLiteral("insert into orderlist (order_id, total_money, order_date) values "
                             "('1', 100.5, '2026-03-14'), ('2', 20, '2026-03-14 18:00:00'), ('3', 7, '2026-03-13'), "
                             "('4', 9, '2026-03-15')"));
    bool ok = false;
    const Settlement::DayTotals day = Settlement::dayTotals(shop.store(), QDate(2026, 3, 14), &ok);
    QVERIFY(ok);
    QCOMPARE(day.bishu, QStringLiteral("2"));
    QCOMPARE(day.xiaoshou, QStringLiteral("120.5"));
    QCOMPARE(Settlement::noticeText(QStringLiteral("60314150926"), QStringLiteral("100.50"), day),
             QStringLiteral("通知:流水号60314150926金额:100.50。累计销售2笔,销售额120.5"));
    const Settlement::DayTotals none = Settlement::dayTotals(shop.store(), QDate(2026, 1, 1), &ok);
    QCOMPARE(none.bishu, QStringLiteral("0"));
    QCOMPARE(none.xiaoshou, QString());
}

QTEST_GUILESS_MAIN(TestSettlement)
#include "tst_settlement.moc"
