// The till's pricing rules: adding goods, the recount with member prices, rates and
// the rounding options, and the spreading of a whole-sale amount.
#include "goods.h"
#include "pricing.h"
#include "salelinetest.h"
#include "testshop.h"

#include <QtTest>

namespace {

SaleLine line(const QString &barcode, const QString &price, const QString &memberPrice, const QString &rate,
              const QString &qty, const QString &amount, const QString &ifdis = QStringLiteral("-1"),
              const QString &ifaddup = QStringLiteral("-1"))
{
    SaleLine l;
    l.caption = barcode;
    l[SaleLine::Name] = QStringLiteral("商品") + barcode;
    l[SaleLine::Price] = price;
    l[SaleLine::MemberPrice] = memberPrice;
    l[SaleLine::Rate] = rate;
    l[SaleLine::Qty] = qty;
    l[SaleLine::Amount] = amount;
    l[SaleLine::UnitCost] = QStringLiteral("1");
    l[SaleLine::CostAmount] = QStringLiteral("1");
    l[SaleLine::IfDis] = ifdis;
    l[SaleLine::IfAddup] = ifaddup;
    l[SaleLine::GoodsId] = QStringLiteral("1");
    return l;
}

GoodsRecord goods(const QString &barcode, double price, double price2 = 0, const QString &ifdis = QStringLiteral("-1"),
                  const QString &cost = QStringLiteral("3.5"))
{
    GoodsRecord g;
    g.barcode = barcode;
    g.name = QStringLiteral("商品") + barcode;
    g.price = price;
    g.price2 = price2;
    g.costprice = cost;
    g.stock = 10;
    g.ifdis = ifdis;
    g.ifaddup = QStringLiteral("-1");
    g.goodsId = QStringLiteral("7");
    return g;
}



} // namespace

Q_DECLARE_METATYPE(SaleLines)
Q_DECLARE_METATYPE(PricingOptions)

class TestPricing : public QObject {
    Q_OBJECT
private slots:
    void recount_data();
    void recount();
    void rounding_data();
    void rounding();
    void totals();
    void emptySale();
    void addSameCodeTwice();
    void discountSurvivesQuantityChange();
    void addNewLine_data();
    void addNewLine();
    void memberPriceOnRepeatedScan();
    void moneyopt_data();
    void moneyopt();
    void memberRate();
    void findGoodsByBarcodeAndNumber();
};

void TestPricing::recount_data()
{
    QTest::addColumn<SaleLines>("lines");
    QTest::addColumn<bool>("member");
    QTest::addColumn<QStringList>("expected");

    const SaleLine memberLine = line(QStringLiteral("1"), QStringLiteral("10.00"), QStringLiteral("8.00"),
                                     QStringLiteral("90"), QStringLiteral("1"), QStringLiteral("9.00"));
    QTest::newRow("member price ignores the rate") << SaleLines{memberLine} << true << QStringList{QStringLiteral("8.00")};
    QTest::newRow("member price times quantity")
        << SaleLines{line(QStringLiteral("1"), QStringLiteral("10.00"), QStringLiteral("8.00"), QStringLiteral("90"),
                          QStringLiteral("3"), QStringLiteral("27.00"))}
        << true << QStringList{QStringLiteral("24.00")};
    QTest::newRow("without member the rate of the amount stays") << SaleLines{memberLine} << false
                                                                  << QStringList{QStringLiteral("9.00")};
    QTest::newRow("discounted amount keeps its rate")
        << SaleLines{line(QStringLiteral("1"), QStringLiteral("10.00"), {}, QStringLiteral("90"), QStringLiteral("2"),
                          QStringLiteral("18.00"))}
        << false << QStringList{QStringLiteral("18.00")};
    QTest::newRow("empty rate means full price")
        << SaleLines{line(QStringLiteral("1"), QStringLiteral("10.00"), {}, {}, QStringLiteral("2"), QStringLiteral("5.00"))}
        << false << QStringList{QStringLiteral("20.00")};
    QTest::newRow("goods without discount take full price")
        << SaleLines{line(QStringLiteral("1"), QStringLiteral("10.00"), {}, QStringLiteral("90"), QStringLiteral("1"),
                          QStringLiteral("9.00"), QStringLiteral("0"))}
        << false << QStringList{QStringLiteral("10.00")};
    QTest::newRow("free line stays free")
        << SaleLines{line(QStringLiteral("1"), QStringLiteral("10.00"), {}, QStringLiteral("0"), QStringLiteral("1"),
                          QStringLiteral("0.00"))}
        << false << QStringList{QStringLiteral("0.00")};
    QTest::newRow("price 0")
        << SaleLines{line(QStringLiteral("1"), QStringLiteral("0.00"), {}, QStringLiteral("90"), QStringLiteral("2"),
                          QStringLiteral("0.00"))}
        << false << QStringList{QStringLiteral("0.00")};
    QTest::newRow("quantity 0 gives 0, not a division by zero")
        << SaleLines{line(QStringLiteral("1"), QStringLiteral("10.00"), {}, QStringLiteral("90"), QStringLiteral("0"),
                          QStringLiteral("9.00"))}
        << false << QStringList{QStringLiteral("0.00")};
    QTest::newRow("fractional quantity")
        << SaleLines{line(QStringLiteral("1"), QStringLiteral("3.00"), {}, {}, QStringLiteral("2.5"), QStringLiteral("3.00"))}
        << false << QStringList{QStringLiteral("7.50")};
    QTest::newRow("the amount, not the rate text, gives the rate")
        << SaleLines{line(QStringLiteral("1"), QStringLiteral("3.00"), {}, QStringLiteral("100"), QStringLiteral("2.5"),
                          QStringLiteral("3.00"))}
        << false << QStringList{QStringLiteral("3.00")};
}

void TestPricing::recount()
{
    QFETCH(SaleLines, lines);
    QFETCH(bool, member);
    QFETCH(QStringList, expected);
    Pricing::recount(lines, member, {});
    QCOMPARE(amounts(lines), expected);
    // A second recount changes nothing: the amounts are the sale's stable state.
    const SaleLines once = lines;
    Pricing::recount(lines, member, {});
    QCOMPARE(lines, once);
}

void TestPricing::rounding_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<PricingOptions>("options");
    QTest::addColumn<QString>("expected");

    const PricingOptions opt1 = opts(true, false, false);
    const PricingOptions opt2 = opts(false, true, false);
    const PricingOptions opt3 = opts(false, false, true);
    QTest::newRow("opt1 12.34") << QStringLiteral("12.34") << opt1 << QStringLiteral("12.30");
    QTest::newRow("opt1 12.35") << QStringLiteral("12.35") << opt1 << QStringLiteral("12.40");
    QTest::newRow("opt1 12.25") << QStringLiteral("12.25") << opt1 << QStringLiteral("12.30");
    QTest::newRow("opt1 12.24") << QStringLiteral("12.24") << opt1 << QStringLiteral("12.20");
    QTest::newRow("opt1 12.95") << QStringLiteral("12.95") << opt1 << QStringLiteral("13.00");
    QTest::newRow("opt1 12.00") << QStringLiteral("12.00") << opt1 << QStringLiteral("12.00");
    QTest::newRow("opt2 12.44") << QStringLiteral("12.44") << opt2 << QStringLiteral("12.00");
    QTest::newRow("opt2 12.45") << QStringLiteral("12.45") << opt2 << QStringLiteral("12.00");
    QTest::newRow("opt2 12.46") << QStringLiteral("12.46") << opt2 << QStringLiteral("13.00");
    QTest::newRow("opt2 12.50") << QStringLiteral("12.50") << opt2 << QStringLiteral("13.00");
    // The boundary is the binary value of the amount: 12.45 is stored a little below,
    // 0.45 a little above.
    QTest::newRow("opt2 0.45") << QStringLiteral("0.45") << opt2 << QStringLiteral("1.00");
    QTest::newRow("opt2 0.46") << QStringLiteral("0.46") << opt2 << QStringLiteral("1.00");
    QTest::newRow("opt3 12.99") << QStringLiteral("12.99") << opt3 << QStringLiteral("12.00");
    QTest::newRow("opt3 12.00") << QStringLiteral("12.00") << opt3 << QStringLiteral("12.00");
    QTest::newRow("opt3 0.99") << QStringLiteral("0.99") << opt3 << QStringLiteral("0.00");
    // Options apply in their order: 0.1 yuan first, then whole yuan, then the cut.
    QTest::newRow("opt1+opt3 12.96") << QStringLiteral("12.96") << opts(true, false, true) << QStringLiteral("13.00");
    QTest::newRow("opt1+opt3 12.94") << QStringLiteral("12.94") << opts(true, false, true) << QStringLiteral("12.00");
    QTest::newRow("opt1+opt2 12.41") << QStringLiteral("12.41") << opts(true, true, false) << QStringLiteral("12.00");
    QTest::newRow("opt1+opt2 12.45") << QStringLiteral("12.45") << opts(true, true, false) << QStringLiteral("13.00");
    QTest::newRow("none 12.345 price") << QStringLiteral("12.345") << PricingOptions{} << QStringLiteral("12.35");
}

void TestPricing::rounding()
{
    QFETCH(QString, amount);
    QFETCH(PricingOptions, options);
    QFETCH(QString, expected);
    // The price itself is the amount of one piece at full price.
    SaleLines lines{line(QStringLiteral("1"), amount, {}, QStringLiteral("100"), QStringLiteral("1"), amount)};
    Pricing::recount(lines, false, options);
    QCOMPARE(lines.first()[SaleLine::Amount], expected);
}

void TestPricing::totals()
{
    SaleLines lines{
        line(QStringLiteral("1"), QStringLiteral("10.00"), QStringLiteral("8.00"), QStringLiteral("90"),
             QStringLiteral("2"), QStringLiteral("18.00")),
        line(QStringLiteral("2"), QStringLiteral("5.00"), {}, QStringLiteral("90"), QStringLiteral("1"),
             QStringLiteral("4.50")),
        line(QStringLiteral("3"), QStringLiteral("3.00"), {}, QStringLiteral("100"), QStringLiteral("1"),
             QStringLiteral("3.00"), QStringLiteral("0"), QStringLiteral("0")),
    };
    SaleLines copy = lines;
    SaleTotals t = Pricing::recount(copy, true, {});
    QCOMPARE(amounts(copy), (QStringList{QStringLiteral("16.00"), QStringLiteral("4.50"), QStringLiteral("3.00")}));
    QCOMPARE(t.originalTotal.toText(), QStringLiteral("28.00"));  // 20 + 5 + 3
    QCOMPARE(t.priceTotal.toText(), QStringLiteral("24.00"));     // 16 + 5 + 3
    QCOMPARE(t.amountTotal.toText(), QStringLiteral("23.50"));
    QCOMPARE(t.nodismoney.toText(), QStringLiteral("19.00"));     // member-priced 16 + no-discount 3
    QCOMPARE(t.noaddup.toText(), QStringLiteral("3.00"));
    QCOMPARE(t.quantityText(), QStringLiteral("4"));

    copy = lines;
    t = Pricing::recount(copy, false, {});
    QCOMPARE(amounts(copy), (QStringList{QStringLiteral("18.00"), QStringLiteral("4.50"), QStringLiteral("3.00")}));
    QCOMPARE(t.priceTotal.toText(), QStringLiteral("28.00"));
    QCOMPARE(t.nodismoney.toText(), QStringLiteral("3.00"));
}

void TestPricing::emptySale()
{
    SaleLines lines{line(QStringLiteral("1"), QStringLiteral("10.00"), {}, QStringLiteral("100"), QStringLiteral("1"),
                         QStringLiteral("10.00"))};
    lines.removeLast();  // the last row deleted
    const SaleTotals t = Pricing::recount(lines, false, {});
    QCOMPARE(t.priceTotal.toText(), QStringLiteral("0.00"));
    QCOMPARE(t.originalTotal.toText(), QStringLiteral("0.00"));
    QCOMPARE(t.amountTotal.toText(), QStringLiteral("0.00"));
    QCOMPARE(t.quantityText(), QStringLiteral("0"));
}

void TestPricing::addSameCodeTwice()
{
    SaleLines lines;
    QCOMPARE(Pricing::addGoods(lines, goods(QStringLiteral("690"), 2.5), {}), 0);
    QCOMPARE(Pricing::addGoods(lines, goods(QStringLiteral("691"), 1), {}), 1);
    QCOMPARE(Pricing::addGoods(lines, goods(QStringLiteral("690"), 2.5), {}), 0);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0][SaleLine::Qty], QStringLiteral("2"));
    QCOMPARE(lines[0][SaleLine::Amount], QStringLiteral("5.00"));
    QCOMPARE(lines[0][SaleLine::CostAmount], QStringLiteral("7.00"));  // 2 x 3.5
    QCOMPARE(lines[1][SaleLine::Qty], QStringLiteral("1"));
}

void TestPricing::discountSurvivesQuantityChange()
{
    // A line discounted to 9.00 of 10.00 (by the discount dialog) is scanned again.
    SaleLines lines;
    Pricing::addGoods(lines, goods(QStringLiteral("1"), 10), {});
    lines[0][SaleLine::Rate] = QStringLiteral("90");
    lines[0][SaleLine::Amount] = QStringLiteral("9.00");
    Pricing::recount(lines, false, {});
    QCOMPARE(lines[0][SaleLine::Amount], QStringLiteral("9.00"));
    Pricing::addGoods(lines, goods(QStringLiteral("1"), 10), {});
    Pricing::recount(lines, false, {});
    QCOMPARE(lines[0][SaleLine::Qty], QStringLiteral("2"));
    QCOMPARE(lines[0][SaleLine::Rate], QStringLiteral("90"));
    QCOMPARE(lines[0][SaleLine::Amount], QStringLiteral("18.00"));
}

void TestPricing::addNewLine_data()
{
    QTest::addColumn<bool>("member");
    QTest::addColumn<double>("price2");
    QTest::addColumn<QString>("ifdis");
    QTest::addColumn<QString>("memberPrice");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("amount");

    QTest::newRow("plain") << false << 0.0 << QStringLiteral("-1") << QString() << QStringLiteral("100")
                           << QStringLiteral("10.00");
    QTest::newRow("member price shown, not used") << false << 8.0 << QStringLiteral("-1") << QStringLiteral("8.00")
                                                  << QStringLiteral("100") << QStringLiteral("10.00");
    QTest::newRow("negative member price is none") << true << -1.0 << QStringLiteral("-1") << QString()
                                                   << QStringLiteral("95") << QStringLiteral("9.50");
    QTest::newRow("member rate") << true << 0.0 << QStringLiteral("-1") << QString() << QStringLiteral("95")
                                 << QStringLiteral("9.50");
    QTest::newRow("member, goods without discount") << true << 0.0 << QStringLiteral("0") << QString()
                                                    << QStringLiteral("100") << QStringLiteral("10.00");
    QTest::newRow("member price") << true << 8.0 << QStringLiteral("-1") << QStringLiteral("8.00")
                                  << QStringLiteral("95") << QStringLiteral("8.00");
}

void TestPricing::addNewLine()
{
    QFETCH(bool, member);
    QFETCH(double, price2);
    QFETCH(QString, ifdis);
    QFETCH(QString, memberPrice);
    QFETCH(QString, rate);
    QFETCH(QString, amount);

    SaleLines lines;
    MemberPricing m{member, QStringLiteral("95")};
    Pricing::addGoods(lines, goods(QStringLiteral("6901"), 10, price2, ifdis), m);
    QCOMPARE(lines.size(), 1);
    const SaleLine &l = lines.first();
    QCOMPARE(l.caption, QStringLiteral("6901"));
    QCOMPARE(l[SaleLine::Name], QStringLiteral("商品6901"));
    QCOMPARE(l[SaleLine::Price], QStringLiteral("10.00"));
    QCOMPARE(l[SaleLine::MemberPrice], memberPrice);
    QCOMPARE(l[SaleLine::Rate], rate);
    QCOMPARE(l[SaleLine::Qty], QStringLiteral("1"));
    QCOMPARE(l[SaleLine::Amount], amount);
    QCOMPARE(l[SaleLine::UnitCost], QStringLiteral("3.5"));
    QCOMPARE(l[SaleLine::CostAmount], QStringLiteral("3.5"));
    QCOMPARE(l[SaleLine::IfDis], ifdis);
    QCOMPARE(l[SaleLine::IfAddup], QStringLiteral("-1"));
    QCOMPARE(l[SaleLine::GoodsId], QStringLiteral("7"));
    // The recount agrees with what was added.
    SaleLines again = lines;
    Pricing::recount(again, member, {});
    QCOMPARE(again.first()[SaleLine::Amount], amount);
}

void TestPricing::memberPriceOnRepeatedScan()
{
    SaleLines lines;
    const MemberPricing m{true, QStringLiteral("90")};
    Pricing::addGoods(lines, goods(QStringLiteral("1"), 10, 8), m);
    Pricing::addGoods(lines, goods(QStringLiteral("1"), 10, 8), m);
    QCOMPARE(lines[0][SaleLine::Amount], QStringLiteral("16.00"));
    // A line added before the card: its rate column takes the member's rate, and the
    // rate counts once the quantity is raised by scanning again.
    Pricing::addGoods(lines, goods(QStringLiteral("2"), 10), {});
    Pricing::applyMemberRate(lines, QStringLiteral("90"));
    Pricing::recount(lines, true, {});
    QCOMPARE(lines[1][SaleLine::Amount], QStringLiteral("10.00"));
    Pricing::addGoods(lines, goods(QStringLiteral("2"), 10), m);
    Pricing::recount(lines, true, {});
    QCOMPARE(lines[1][SaleLine::Amount], QStringLiteral("18.00"));
}

void TestPricing::moneyopt_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("real");
    QTest::addColumn<bool>("opt2");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("difference to the largest")
        << QStringList{QStringLiteral("3.33"), QStringLiteral("3.34"), QStringLiteral("3.33")} << QStringLiteral("9.00")
        << false << QStringList{QStringLiteral("2.40"), QStringLiteral("3.30"), QStringLiteral("3.30")};
    QTest::newRow("first of equal largest")
        << QStringList{QStringLiteral("1.00"), QStringLiteral("5.00"), QStringLiteral("5.00")} << QStringLiteral("10.50")
        << false << QStringList{QStringLiteral("1.00"), QStringLiteral("4.50"), QStringLiteral("5.00")};
    QTest::newRow("already adds up")
        << QStringList{QStringLiteral("4.46"), QStringLiteral("5.54")} << QStringLiteral("10.00") << false
        << QStringList{QStringLiteral("4.50"), QStringLiteral("5.50")};
    QTest::newRow("whole yuan with opt2")
        << QStringList{QStringLiteral("4.46"), QStringLiteral("5.44")} << QStringLiteral("9.90") << true
        << QStringList{QStringLiteral("4.90"), QStringLiteral("5.00")};
    QTest::newRow("no amount above 0: first line")
        << QStringList{QStringLiteral("0.00"), QStringLiteral("0.00")} << QStringLiteral("1.00") << false
        << QStringList{QStringLiteral("1.00"), QStringLiteral("0.00")};
    QTest::newRow("one line") << QStringList{QStringLiteral("17.56")} << QStringLiteral("17.56") << false
                              << QStringList{QStringLiteral("17.56")};
}

void TestPricing::moneyopt()
{
    QFETCH(QStringList, before);
    QFETCH(QString, real);
    QFETCH(bool, opt2);
    QFETCH(QStringList, after);
    SaleLines lines;
    for (const QString &a : before)
        lines << line(QString::number(lines.size()), QStringLiteral("10.00"), {}, QStringLiteral("100"),
                      QStringLiteral("1"), a);
    Pricing::moneyopt(lines, Money::fromText(real), opt2);
    QCOMPARE(amounts(lines), after);

    SaleLines none;
    Pricing::moneyopt(none, Money::fromText(real), opt2);  // nothing to spread on
    QVERIFY(none.isEmpty());
}

void TestPricing::memberRate()
{
    SaleLines lines{
        line(QStringLiteral("1"), QStringLiteral("10.00"), {}, QStringLiteral("100"), QStringLiteral("1"), QStringLiteral("10.00")),
        line(QStringLiteral("2"), QStringLiteral("10.00"), {}, QStringLiteral("85"), QStringLiteral("1"), QStringLiteral("8.50"),
             QStringLiteral("0")),
    };
    Pricing::applyMemberRate(lines, QStringLiteral("95"));
    QCOMPARE(lines[0][SaleLine::Rate], QStringLiteral("95"));
    QCOMPARE(lines[1][SaleLine::Rate], QStringLiteral("100"));
}

void TestPricing::findGoodsByBarcodeAndNumber()
{
    TestShop shop;
    shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3, 2, 10, 0, QStringLiteral("A01"));
    shop.addGoods(QStringLiteral("6902"), QStringLiteral("旧货"), 5, 1, 10, 0, QStringLiteral("A02"));
    shop.exec(QStringLiteral("update goods set hide=-1 where barcode='6902'"));
    // A goods number that is also another goods' barcode: the barcode wins.
    shop.addGoods(QStringLiteral("A01"), QStringLiteral("条码A01"), 7);

    QString error;
    auto g = findGoods(shop.store(), QStringLiteral("6901"), &error);
    QVERIFY(g);
    QCOMPARE(g->name, QStringLiteral("可乐"));
    QCOMPARE(g->costprice, QStringLiteral("2"));
    QCOMPARE(g->ifdis, QStringLiteral("-1"));
    QCOMPARE(g->stock, 10.0);

    g = findGoods(shop.store(), QStringLiteral("6902"), &error);
    QVERIFY2(g, "a retired goods is still found by its barcode");
    QCOMPARE(g->name, QStringLiteral("旧货"));
    QVERIFY2(!findGoods(shop.store(), QStringLiteral("A02"), &error), "but not by its goods number");
    QVERIFY(error.isEmpty());

    g = findGoods(shop.store(), QStringLiteral("A01"), &error);
    QVERIFY(g);
    QCOMPARE(g->name, QStringLiteral("条码A01"));
    QVERIFY(!findGoods(shop.store(), QStringLiteral("x' or '1'='1"), &error));
}

QTEST_GUILESS_MAIN(TestPricing)
#include "tst_pricing.moc"
