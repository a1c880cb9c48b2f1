// The discount and quantity dialogs: their arithmetic as tables, and the real dialogs
// driven with keys over sale lines recounted by the till's pricing rules.

#include "discountform.h"
#include "discountlogic.h"
#include "goodsnumform.h"
#include "msgbox.h"
#include "pricing.h"
#include "salelinetest.h"
#include "typing.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

Q_DECLARE_METATYPE(PricingOptions)

namespace {

SaleLine line(const QString &code, const QString &price, const QString &qty, const QString &ifdis = QStringLiteral("-1"),
              const QString &memberPrice = {})
{
    SaleLine l;
    l.caption = code;
    l[SaleLine::Name] = QStringLiteral("商品") + code;
    l[SaleLine::Price] = price;
    l[SaleLine::MemberPrice] = memberPrice;
    l[SaleLine::Rate] = QStringLiteral("100");
    l[SaleLine::Qty] = qty;
    l[SaleLine::Amount] = formatMoney(StrToFloatEx(price) * StrToFloatEx(qty));
    l[SaleLine::UnitCost] = QStringLiteral("4.5");
    l[SaleLine::CostAmount] = formatMoney(4.5 * StrToFloatEx(qty));
    l[SaleLine::IfDis] = ifdis;
    l[SaleLine::IfAddup] = QStringLiteral("-1");
    l[SaleLine::GoodsId] = code;
    return l;
}




// Whole-sale setup as the till fills it from its recount.
DiscountSetup wholeSale(SaleLines &lines, bool ismember, const PricingOptions &o, int lowest = 0)
{
    const SaleTotals t = Pricing::recount(lines, ismember, o);
    DiscountSetup s;
    s.zhengdan = true;
    s.zhekou_qian = t.priceTotal.toDouble() - t.nodismoney.toDouble();
    s.nodis = t.nodismoney.toDouble();
    s.lowestDiscount = lowest;
    s.rounding = o;
    s.received = QStringLiteral("0");
    return s;
}

DiscountSetup oneLine(const SaleLines &lines, int row, int lowest = 0, const PricingOptions &o = {})
{
    DiscountSetup s;
    s.row = row;
    s.lowestDiscount = lowest;
    s.rounding = o;
    s.received = QStringLiteral("0");
    [[maybe_unused]] const bool ok = DiscountLogic::lineBase(lines.at(row), &s.zhekou_qian);
    return s;
}

DiscountHooks recountOnly(std::function<void()> recount)
{
    DiscountHooks h;
    h.recount = std::move(recount);
    return h;
}

struct Script {
    Script() { Msg::setScript([](const QString &, const QString &) { return false; }); }
    ~Script() { Msg::clearScript(); }
};

} // namespace

class TestDiscount : public QObject {
    Q_OBJECT
private slots:
    void discountedAmount_data();
    void discountedAmount();
    void fieldsInStep_data();
    void fieldsInStep();
    void lineBase();
    void confirmLine();
    void wholeSaleNonDiscountableLine();
    void wholeSaleSpreadsToLargestLine_data();
    void wholeSaleSpreadsToLargestLine();
    void wholeSaleOneLineTakesAmountExactly();
    void wholeSaleChange();
    void quantity_data();
    void quantity();

    void dialogLowestDiscountOnSecondDigit();
    void dialogRateZeroJumpsToConfirm();
    void dialogEnterEnterConfirms();
    void dialogEscapeChangesNothing();
    void dialogCollectTooLow();
    void dialogPolicyPrefill();
    void dialogEnterNeverConfirmsFromRateField();
    void quantityDialog();
};

void TestDiscount::discountedAmount_data()
{
    QTest::addColumn<double>("base");
    QTest::addColumn<double>("rate");
    QTest::addColumn<PricingOptions>("options");
    QTest::addColumn<double>("amount");
    QTest::newRow("85 of 20") << 20.0 << 85.0 << opts(false, false, false) << 17.0;
    QTest::newRow("80 of 22") << 22.0 << 80.0 << opts(false, false, false) << 17.6;
    QTest::newRow("80 of 22, opt3 cuts") << 22.0 << 80.0 << opts(false, false, true) << 17.0;
    QTest::newRow("opt1 12.34 down") << 12.34 << 100.0 << opts(true, false, false) << 12.3;
    QTest::newRow("opt1 12.35 up") << 12.35 << 100.0 << opts(true, false, false) << 12.4;
    QTest::newRow("opt2 12.44 down") << 12.44 << 100.0 << opts(false, true, false) << 12.0;
    QTest::newRow("opt2 12.46 up") << 12.46 << 100.0 << opts(false, true, false) << 13.0;
    QTest::newRow("opt3 12.99") << 12.99 << 100.0 << opts(false, false, true) << 12.0;
    // Each option works on the unrounded amount; the later one wins.
    QTest::newRow("opt1+opt2 from unrounded") << 17.46 << 100.0 << opts(true, true, false) << 18.0;
    QTest::newRow("opt1+opt3 from unrounded") << 17.96 << 100.0 << opts(true, false, true) << 17.0;
    QTest::newRow("rate 0") << 22.0 << 0.0 << opts(false, false, false) << 0.0;
}

void TestDiscount::discountedAmount()
{
    QFETCH(double, base);
    QFETCH(double, rate);
    QFETCH(PricingOptions, options);
    QFETCH(double, amount);
    QCOMPARE(DiscountLogic::discountedAmount(base, rate, options), amount);
}

void TestDiscount::fieldsInStep_data()
{
    // One event on fresh fields: what the three fields and the rate become.
    QTest::addColumn<double>("base");
    QTest::addColumn<double>("nodis");
    QTest::addColumn<PricingOptions>("options");
    QTest::addColumn<QString>("event");  // "rate:85", "leaveEmptyThenAmount:4", "amount:4"
    QTest::addColumn<QString>("rateText");
    QTest::addColumn<QString>("amountText");
    QTest::addColumn<QString>("collectText");
    QTest::addColumn<double>("disRate");
    const PricingOptions none = opts(false, false, false);
    QTest::newRow("rate 85 on a line of 20") << 20.0 << 0.0 << none << "rate:85" << "85" << "3.00" << "17.00" << 0.0;
    QTest::newRow("opt3 rate 80 on 22") << 22.0 << 0.0 << opts(false, false, true) << "rate:80" << "80" << "5.00"
                                        << "17.00" << 0.0;
    QTest::newRow("whole sale keeps the other part") << 30.0 << 8.0 << none << "rate:90" << "90" << "3.00" << "35.00"
                                                     << 0.0;
    QTest::newRow("one digit computes nothing") << 20.0 << 0.0 << none << "rate:8" << "8" << "" << "" << 0.0;
    QTest::newRow("rate 0 everything off") << 20.0 << 8.0 << none << "rate:0" << "0" << "20.00" << "8.00" << 0.0;
    QTest::newRow("rate 08") << 20.0 << 0.0 << none << "rate:08" << "08" << "18.40" << "1.60" << 0.0;
    QTest::newRow("amount after an empty rate sets the rate") << 20.0 << 0.0 << none << "leaveEmptyThenAmount:4"
                                                              << "" << "4" << "16.00" << 80.0;
    QTest::newRow("amount alone leaves the rate") << 20.0 << 0.0 << none << "amount:4" << "" << "4" << "16.00" << 0.0;
    QTest::newRow("amount above base and other part clears") << 20.0 << 5.0 << none << "amount:26" << "" << ""
                                                             << "25" << 0.0;
    QTest::newRow("unreadable amount is ignored") << 20.0 << 0.0 << none << "amount:1..2" << "" << "1..2" << ""
                                                  << 0.0;
}

void TestDiscount::fieldsInStep()
{
    QFETCH(double, base);
    QFETCH(double, nodis);
    QFETCH(PricingOptions, options);
    QFETCH(QString, event);
    DiscountSetup s;
    s.zhengdan = nodis != 0;
    s.zhekou_qian = base;
    s.nodis = nodis;
    s.rounding = options;
    DiscountCalc c(s);
    const QString kind = event.section(QLatin1Char(':'), 0, 0);
    const QString value = event.section(QLatin1Char(':'), 1);
    if (kind == QLatin1String("rate")) {
        c.rateText = value;
        const DiscountCalc::Reaction r = c.rateKeyReleased();
        QVERIFY(r.message.isEmpty());
        QCOMPARE(r.focus == DiscountCalc::Focus::Confirm, value == QLatin1String("0"));
    } else {
        if (kind == QLatin1String("leaveEmptyThenAmount"))
            c.rateLeft();
        c.setAmountText(value);
    }
    QTEST(c.rateText, "rateText");
    QTEST(c.amountText, "amountText");
    QTEST(c.collectText, "collectText");
    QTEST(c.dis_rate, "disRate");
}

void TestDiscount::lineBase()
{
    double base = 0;
    QVERIFY(DiscountLogic::lineBase(line(QStringLiteral("1"), QStringLiteral("10.00"), QStringLiteral("2.5")), &base));
    QCOMPARE(base, 25.0);
    QVERIFY(!DiscountLogic::lineBase(line(QStringLiteral("1"), QStringLiteral("10.00"), QStringLiteral("2"),
                                          QStringLiteral("0")),
                                     &base));
    QVERIFY(!DiscountLogic::lineBase(line(QStringLiteral("1"), QStringLiteral("10.00"), QStringLiteral("x")), &base));
}

void TestDiscount::confirmLine()
{
    SaleLines lines{line(QStringLiteral("A"), QStringLiteral("5.00"), QStringLiteral("1")),
                    line(QStringLiteral("B"), QStringLiteral("10.00"), QStringLiteral("2"))};
    const PricingOptions o;
    DiscountCalc c(oneLine(lines, 1));
    c.rateText = QStringLiteral("85");
    c.rateKeyReleased();
    c.rateLeft();
    QVERIFY(c.collectLeft().message.isEmpty());
    QCOMPARE(c.dis_rate, 85.0);
    int recounts = 0;
    const DiscountCalc::Result r = c.confirm(lines, recountOnly([&] { ++recounts; Pricing::recount(lines, false, o); }));
    QVERIFY(r.applied);
    QCOMPARE(recounts, 1);
    QCOMPARE(rates(lines), (QStringList{QStringLiteral("100"), QStringLiteral("85")}));
    QCOMPARE(amounts(lines), (QStringList{QStringLiteral("5.00"), QStringLiteral("17.00")}));
    // A later quantity change keeps the 85 percent.
    QCOMPARE(QuantityLogic::apply(lines, 1, QStringLiteral("4"), false), QuantityLogic::Outcome::Changed);
    Pricing::recount(lines, false, o);
    QCOMPARE(lines[1][SaleLine::Amount], QStringLiteral("34.00"));

    // An empty amount to collect changes nothing.
    DiscountCalc empty(oneLine(lines, 0));
    const SaleLines before = lines;
    QVERIFY(!empty.confirm(lines, recountOnly([] { QFAIL("no recount"); })).applied);
    QCOMPARE(lines, before);
}

void TestDiscount::wholeSaleNonDiscountableLine()
{
    SaleLines lines{line(QStringLiteral("A"), QStringLiteral("10.00"), QStringLiteral("2")),
                    line(QStringLiteral("B"), QStringLiteral("8.00"), QStringLiteral("1"), QStringLiteral("0"))};
    const PricingOptions o;
    DiscountSetup s = wholeSale(lines, false, o);
    QCOMPARE(s.zhekou_qian, 20.0);
    QCOMPARE(s.nodis, 8.0);
    DiscountCalc c(s);
    c.rateText = QStringLiteral("90");
    c.rateKeyReleased();
    QCOMPARE(c.collectText, QStringLiteral("26.00"));
    c.rateLeft();
    c.collectLeft();
    QCOMPARE(c.dis_rate, 90.0);
    const DiscountCalc::Result r = c.confirm(lines, recountOnly([&] { Pricing::recount(lines, false, o); }));
    QVERIFY(r.applied);
    QCOMPARE(rates(lines), (QStringList{QStringLiteral("90"), QStringLiteral("100")}));
    QCOMPARE(amounts(lines), (QStringList{QStringLiteral("18.00"), QStringLiteral("8.00")}));
    QCOMPARE(r.realMoneyText, QStringLiteral("26.00"));
    QVERIFY(r.focusReceive);
    QVERIFY(r.changeText.isEmpty());
}

void TestDiscount::wholeSaleSpreadsToLargestLine_data()
{
    QTest::addColumn<QStringList>("prices");
    QTest::addColumn<PricingOptions>("options");
    QTest::addColumn<QString>("collect");
    QTest::addColumn<QStringList>("amounts");
    // 3 x 0.67 = 2.01: every line to 0.1, the first largest takes the difference.
    QTest::newRow("a penny over") << QStringList{"1.00", "1.00", "1.00"} << opts(false, false, false) << "2"
                                  << QStringList{"0.60", "0.70", "0.70"};
    // opt1 rounds 2.83, 2.83, 5.67 to 2.8, 2.8, 5.7 = 11.30; the largest takes 0.03.
    QTest::newRow("rounded lines under") << QStringList{"3.33", "3.33", "6.67"} << opts(true, false, false) << "11.33"
                                         << QStringList{"2.80", "2.80", "5.73"};
    // Already adding up: nothing is spread.
    QTest::newRow("adds up") << QStringList{"10.00", "10.00"} << opts(false, false, false) << "18"
                             << QStringList{"9.00", "9.00"};
    // opt2 spreads in whole yuan.
    QTest::newRow("whole yuan") << QStringList{"4.00", "6.00"} << opts(false, true, false) << "8.5"
                                << QStringList{"3.00", "5.50"};
}

void TestDiscount::wholeSaleSpreadsToLargestLine()
{
    QFETCH(QStringList, prices);
    QFETCH(PricingOptions, options);
    QFETCH(QString, collect);
    SaleLines lines;
    for (int i = 0; i < prices.size(); ++i)
        lines << line(QString::number(i), prices.at(i), QStringLiteral("1"));
    DiscountCalc c(wholeSale(lines, false, options));
    c.rateLeft();  // left empty: the rate comes from the amounts
    c.collectText = collect;
    QVERIFY(c.collectLeft().message.isEmpty());
    // Hooks as the till window has them: realmoneyEdit first, then its spreading.
    QString realmoney;
    int spreads = 0;
    DiscountHooks hooks;
    hooks.recount = [&] { realmoney = Pricing::recount(lines, false, options).amountTotal.toText(); };
    hooks.setRealMoney = [&](const QString &t) { realmoney = t; };
    hooks.moneyopt = [&] {
        ++spreads;
        Pricing::moneyopt(lines, Money::fromText(realmoney), options.s4r52);
    };
    const DiscountCalc::Result r = c.confirm(lines, hooks);
    QVERIFY(r.applied);
    QTEST(amounts(lines), "amounts");
    QCOMPARE(realmoney, r.realMoneyText);
    QCOMPARE(spreads, QTest::currentDataTag() == QLatin1String("adds up") ? 0 : 1);
    Money sum;
    for (const SaleLine &l : lines)
        sum += Money::fromText(l[SaleLine::Amount]);
    QCOMPARE(sum.toText(), r.realMoneyText);
}

void TestDiscount::wholeSaleOneLineTakesAmountExactly()
{
    // opt2 would round the recounted line to 9.00; the one line takes 8.49 exactly.
    SaleLines lines{line(QStringLiteral("A"), QStringLiteral("9.99"), QStringLiteral("1"))};
    const PricingOptions o = opts(false, true, false);
    DiscountCalc c(wholeSale(lines, false, o));
    c.collectText = QStringLiteral("8.49");
    c.collectLeft();
    const DiscountCalc::Result r = c.confirm(lines, recountOnly([&] { Pricing::recount(lines, false, o); }));
    QCOMPARE(lines[0][SaleLine::Amount], QStringLiteral("8.49"));
    QCOMPARE(lines[0][SaleLine::Rate], QStringLiteral("85"));
    QCOMPARE(r.realMoneyText, QStringLiteral("8.49"));
}

void TestDiscount::wholeSaleChange()
{
    // A member-priced line stays out of the discount and keeps its member price.
    SaleLines lines{line(QStringLiteral("A"), QStringLiteral("10.00"), QStringLiteral("3")),
                    line(QStringLiteral("M"), QStringLiteral("10.00"), QStringLiteral("1"), QStringLiteral("-1"),
                         QStringLiteral("8.00"))};
    const PricingOptions o;
    DiscountSetup s = wholeSale(lines, true, o);
    QCOMPARE(s.zhekou_qian, 30.0);
    QCOMPARE(s.nodis, 8.0);
    s.received = QStringLiteral("50");
    DiscountCalc c(s);
    c.rateText = QStringLiteral("80");
    c.rateKeyReleased();
    c.rateLeft();
    c.collectLeft();
    QCOMPARE(c.collectText, QStringLiteral("32.00"));
    const DiscountCalc::Result r = c.confirm(lines, recountOnly([&] { Pricing::recount(lines, true, o); }));
    QCOMPARE(amounts(lines), (QStringList{QStringLiteral("24.00"), QStringLiteral("8.00")}));
    QCOMPARE(r.changeText, QStringLiteral("18.00"));
    QVERIFY(!r.focusReceive);
}

void TestDiscount::quantity_data()
{
    QTest::addColumn<SaleLine>("start");
    QTest::addColumn<bool>("ismember");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("amount");  // after the till's recount
    QTest::addColumn<QString>("cost");
    SaleLine r90 = line(QStringLiteral("A"), QStringLiteral("10.00"), QStringLiteral("1"));
    r90[SaleLine::Rate] = QStringLiteral("90");
    r90[SaleLine::Amount] = QStringLiteral("9.00");
    SaleLine member = line(QStringLiteral("M"), QStringLiteral("10.00"), QStringLiteral("1"), QStringLiteral("-1"),
                           QStringLiteral("8.00"));
    member[SaleLine::Amount] = QStringLiteral("8.00");
    SaleLine free = line(QStringLiteral("F"), QStringLiteral("0.00"), QStringLiteral("1"));
    SaleLine noRate = line(QStringLiteral("N"), QStringLiteral("10.00"), QStringLiteral("1"));
    noRate[SaleLine::Rate].clear();
    noRate[SaleLine::Amount] = QStringLiteral("7.00");
    SaleLine zeroQty = line(QStringLiteral("Z"), QStringLiteral("10.00"), QStringLiteral("0"));
    zeroQty[SaleLine::Rate] = QStringLiteral("90");
    using O = QuantityLogic::Outcome;
    QTest::newRow("keeps 90 percent") << r90 << false << "3" << int(O::Changed) << "27.00" << "13.50";
    QTest::newRow("discounted line doubled") << r90 << false << "2" << int(O::Changed) << "18.00" << "9.00";
    QTest::newRow("fraction") << r90 << false << "0.5" << int(O::Changed) << "4.50" << "2.25";
    QTest::newRow("member price") << member << true << "2" << int(O::Changed) << "16.00" << "9.00";
    QTest::newRow("zero price stays 0") << free << false << "4" << int(O::Changed) << "0.00" << "18.00";
    QTest::newRow("zero old quantity stays 0") << zeroQty << false << "2" << int(O::Changed) << "0.00" << "9.00";
    QTest::newRow("no rate column: full price") << noRate << false << "2" << int(O::Changed) << "20.00" << "9.00";
    QTest::newRow("0 removes") << r90 << false << "0" << int(O::Removed) << "" << "";
    QTest::newRow("0.0 removes") << r90 << false << "0.0" << int(O::Removed) << "" << "";
    QTest::newRow("1..5 refused") << r90 << false << "1..5" << int(O::Bad) << "9.00" << "4.50";
    QTest::newRow(". refused") << r90 << false << "." << int(O::Bad) << "9.00" << "4.50";
    QTest::newRow("empty does nothing") << r90 << false << "" << int(O::Empty) << "9.00" << "4.50";
}

void TestDiscount::quantity()
{
    QFETCH(SaleLine, start);
    QFETCH(bool, ismember);
    QFETCH(QString, typed);
    QFETCH(int, outcome);
    SaleLines lines{line(QStringLiteral("X"), QStringLiteral("1.00"), QStringLiteral("1")), start};
    QCOMPARE(int(QuantityLogic::apply(lines, 1, typed, ismember)), outcome);
    Pricing::recount(lines, ismember, {});
    if (outcome == int(QuantityLogic::Outcome::Removed)) {
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].caption, QStringLiteral("X"));
        return;
    }
    QCOMPARE(lines.size(), 2);
    QTEST(lines[1][SaleLine::Amount], "amount");
    QTEST(lines[1][SaleLine::CostAmount], "cost");
    if (outcome == int(QuantityLogic::Outcome::Changed))
        QCOMPARE(lines[1][SaleLine::Qty], typed);
}

void TestDiscount::dialogLowestDiscountOnSecondDigit()
{
    Script script;
    SaleLines lines{line(QStringLiteral("A"), QStringLiteral("10.00"), QStringLiteral("2"))};
    const SaleLines before = lines;
    TdiscountForm dlg(oneLine(lines, 0, 80), lines, recountOnly([] {}));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("折扣[单品]"));
    QVERIFY(dlg.discountEdit->hasFocus());
    QTest::keyClick(dlg.discountEdit, Qt::Key_7);
    QVERIFY(Msg::takeShown().isEmpty());
    QVERIFY(dlg.disEdit2->text().isEmpty());
    QTest::keyClick(dlg.discountEdit, Qt::Key_9);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("折扣过低，系统不允许，请修改")});
    QVERIFY(dlg.discountEdit->text().isEmpty());
    QVERIFY(dlg.disEdit2->text().isEmpty());
    // Letters and a third digit are not taken.
    typeText(dlg.discountEdit, QStringLiteral("a8"));
    QCOMPARE(dlg.discountEdit->text(), QStringLiteral("8"));
    QVERIFY(dlg.disEdit2->text().isEmpty());
    typeText(dlg.discountEdit, QStringLiteral("55"));
    QCOMPARE(dlg.discountEdit->text(), QStringLiteral("85"));
    QCOMPARE(dlg.disEdit2->text(), QStringLiteral("3.00"));
    QCOMPARE(dlg.realMoneyEdit->text(), QStringLiteral("17.00"));
    QCOMPARE(lines, before);
}

void TestDiscount::dialogRateZeroJumpsToConfirm()
{
    Script script;
    SaleLines lines{line(QStringLiteral("A"), QStringLiteral("10.00"), QStringLiteral("2")),
                    line(QStringLiteral("B"), QStringLiteral("8.00"), QStringLiteral("1"), QStringLiteral("0"))};
    const PricingOptions o;
    // Rate 0 is never tested against the lowest discount: the collect field is not left.
    TdiscountForm dlg(wholeSale(lines, false, o, 80), lines, recountOnly([&] { Pricing::recount(lines, false, o); }));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("折扣[整单]"));
    QTest::keyClick(dlg.discountEdit, Qt::Key_0);
    QCOMPARE(dlg.disEdit2->text(), QStringLiteral("20.00"));
    QCOMPARE(dlg.realMoneyEdit->text(), QStringLiteral("8.00"));
    QVERIFY(dlg.OKBtn->hasFocus());
    QTest::keyClick(dlg.OKBtn, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(Msg::takeShown().isEmpty());
    QCOMPARE(rates(lines), (QStringList{QStringLiteral("0"), QStringLiteral("100")}));
    QCOMPARE(amounts(lines), (QStringList{QStringLiteral("0.00"), QStringLiteral("8.00")}));
    QCOMPARE(dlg.outcome().realMoneyText, QStringLiteral("8.00"));
}

void TestDiscount::dialogEnterEnterConfirms()
{
    Script script;
    SaleLines lines{line(QStringLiteral("A"), QStringLiteral("10.00"), QStringLiteral("2"))};
    int recounts = 0;
    TdiscountForm dlg(oneLine(lines, 0, 80), lines, recountOnly([&] { ++recounts; Pricing::recount(lines, false, {}); }));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClicks(dlg.discountEdit, QStringLiteral("85"));
    QTest::keyClick(dlg.discountEdit, Qt::Key_Return);
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.realMoneyEdit->hasFocus());
    QTest::keyClick(dlg.realMoneyEdit, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(recounts, 1);
    QCOMPARE(lines[0][SaleLine::Rate], QStringLiteral("85"));
    QCOMPARE(lines[0][SaleLine::Amount], QStringLiteral("17.00"));
}

void TestDiscount::dialogEscapeChangesNothing()
{
    Script script;
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_F6)}) {
        SaleLines lines{line(QStringLiteral("A"), QStringLiteral("10.00"), QStringLiteral("2"))};
        const SaleLines before = lines;
        TdiscountForm dlg(oneLine(lines, 0), lines, recountOnly([] { QFAIL("no recount"); }));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClicks(dlg.discountEdit, QStringLiteral("85"));
        QTest::keyClick(dlg.discountEdit, Qt::Key_Return);
        QTest::keyClick(dlg.realMoneyEdit, Qt::Key(key));
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.applied());
        QCOMPARE(lines, before);
        QVERIFY(Msg::takeShown().isEmpty());
    }
}

void TestDiscount::dialogCollectTooLow()
{
    Script script;
    SaleLines lines{line(QStringLiteral("A"), QStringLiteral("10.00"), QStringLiteral("2"))};
    const SaleLines before = lines;
    TdiscountForm dlg(oneLine(lines, 0, 80), lines, recountOnly([] {}));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(dlg.discountEdit, Qt::Key_Return);
    QTest::keyClicks(dlg.realMoneyEdit, QStringLiteral("10"));
    // Half price: refused and cleared, so the confirmation that follows only closes.
    QTest::keyClick(dlg.realMoneyEdit, Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("折扣过低，系统不允许，请修改")});
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(lines, before);

    // An amount that is no number is reported where it is typed; nothing is confirmed.
    TdiscountForm bad(oneLine(lines, 0, 80), lines, recountOnly([] { QFAIL("no recount"); }));
    bad.show();
    QVERIFY(QTest::qWaitForWindowActive(&bad));
    QTest::keyClick(bad.discountEdit, Qt::Key_Return);
    QTest::keyClicks(bad.realMoneyEdit, QStringLiteral("1..6"));
    QTest::keyClick(bad.realMoneyEdit, Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("实收金额格式不正确，请重新填写")});
    QVERIFY(bad.isVisible());
    QVERIFY(bad.realMoneyEdit->hasFocus());
    QCOMPARE(bad.realMoneyEdit->text(), QStringLiteral("1..6"));
    bad.reject();
    QCOMPARE(lines, before);

    // An amount at the lowest discount is taken, also when confirmed by a click.
    TdiscountForm ok(oneLine(lines, 0, 80), lines, recountOnly([&] { Pricing::recount(lines, false, {}); }));
    ok.show();
    QVERIFY(QTest::qWaitForWindowActive(&ok));
    QTest::keyClick(ok.discountEdit, Qt::Key_Return);
    QTest::keyClicks(ok.realMoneyEdit, QStringLiteral("16"));
    QTest::mouseClick(ok.OKBtn, Qt::LeftButton);
    QVERIFY(Msg::takeShown().isEmpty());
    QCOMPARE(ok.result(), int(QDialog::Accepted));
    QCOMPARE(lines[0][SaleLine::Amount], QStringLiteral("16.00"));
    QCOMPARE(lines[0][SaleLine::Rate], QStringLiteral("80"));
}

void TestDiscount::dialogPolicyPrefill()
{
    Script script;
    SaleLines lines{line(QStringLiteral("A"), QStringLiteral("10.00"), QStringLiteral("2"))};
    DiscountSetup s = oneLine(lines, 0, 80);
    s.prefillRate = QStringLiteral("100");
    {
        // The prefilled rate stays whole although the field takes two typed digits,
        // and counts only once a key is released in the field.
        TdiscountForm dlg(s, lines, recountOnly([] {}));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(dlg.discountEdit->text(), QStringLiteral("100"));
        QCOMPARE(dlg.infoLbl->text(), QStringLiteral("说明：已根据积分政策自动设置折扣率"));
        QVERIFY(dlg.realMoneyEdit->text().isEmpty());
    }
    s.prefillRate = QStringLiteral("90");
    TdiscountForm dlg(s, lines, recountOnly([&] { Pricing::recount(lines, false, {}); }));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(dlg.discountEdit, Qt::Key_End);
    QCOMPARE(dlg.realMoneyEdit->text(), QStringLiteral("18.00"));
    QTest::keyClick(dlg.discountEdit, Qt::Key_Return);
    QTest::keyClick(dlg.realMoneyEdit, Qt::Key_Return);
    QCOMPARE(lines[0][SaleLine::Amount], QStringLiteral("18.00"));
}

void TestDiscount::dialogEnterNeverConfirmsFromRateField()
{
    // A Return arriving in the rate or amount field (a scanner's, say) only moves on.
    Script script;
    SaleLines lines{line(QStringLiteral("A"), QStringLiteral("10.00"), QStringLiteral("2"))};
    const SaleLines before = lines;
    TdiscountForm dlg(oneLine(lines, 0), lines, recountOnly([] {}));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClicks(dlg.discountEdit, QStringLiteral("85"));
    QTest::keyClick(dlg.discountEdit, Qt::Key_Return);
    QVERIFY(dlg.isVisible());
    dlg.disEdit2->setFocus();
    QTest::keyClick(dlg.disEdit2, Qt::Key_Return);
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.realMoneyEdit->hasFocus());
    QCOMPARE(lines, before);
}

void TestDiscount::quantityDialog()
{
    Script script;
    SaleLine l = line(QStringLiteral("A"), QStringLiteral("10.00"), QStringLiteral("1"));
    l[SaleLine::Name] = QStringLiteral("可乐");
    l[SaleLine::Rate] = QStringLiteral("90");
    l[SaleLine::Amount] = QStringLiteral("9.00");
    SaleLines lines{l};
    int recounts = 0;
    TgoodsNumForm dlg(lines, 0, false, [&] { ++recounts; Pricing::recount(lines, false, {}); });
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("商品数量"));
    QCOMPARE(dlg.goodsinfoLbl->text(), QStringLiteral("商品：可乐\n单价：10.00\n数量：1"));
    QVERIFY(dlg.goodNumEdit->hasFocus());
    QTest::keyClick(dlg.goodNumEdit, Qt::Key_Return);  // empty: stays open
    QVERIFY(dlg.isVisible());
    QTest::keyClicks(dlg.goodNumEdit, QStringLiteral("1..5"));
    QTest::keyClick(dlg.goodNumEdit, Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("数量格式不对，请重新填写")});
    QVERIFY(dlg.goodNumEdit->text().isEmpty());
    QVERIFY(dlg.isVisible());
    QCOMPARE(recounts, 0);
    QTest::keyClicks(dlg.goodNumEdit, QStringLiteral("3"));
    QTest::keyClick(dlg.goodNumEdit, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(recounts, 1);
    QCOMPARE(lines[0][SaleLine::Qty], QStringLiteral("3"));
    QCOMPARE(lines[0][SaleLine::Amount], QStringLiteral("27.00"));

    TgoodsNumForm esc(lines, 0, false, [] { QFAIL("no recount"); });
    esc.show();
    QVERIFY(QTest::qWaitForWindowActive(&esc));
    QTest::keyClicks(esc.goodNumEdit, QStringLiteral("0"));
    QTest::keyClick(esc.goodNumEdit, Qt::Key_Escape);
    QCOMPARE(esc.result(), int(QDialog::Rejected));
    QCOMPARE(lines.size(), 1);

    TgoodsNumForm zero(lines, 0, false, [&] { Pricing::recount(lines, false, {}); });
    zero.show();
    QVERIFY(QTest::qWaitForWindowActive(&zero));
    QTest::keyClicks(zero.goodNumEdit, QStringLiteral("0"));
    QTest::keyClick(zero.goodNumEdit, Qt::Key_Return);
    QVERIFY(zero.removed());
    QVERIFY(lines.isEmpty());
}

QTEST_MAIN(TestDiscount)
#include "tst_discount.moc"
