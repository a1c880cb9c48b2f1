// Refunds: a receipt looked up and ticked, goods entered one by one, and the negative
// order with its effect on the member, the salesperson, the stock and the day's totals,
// written whole or not at all.

#include "clock.h"
#include "msgbox.h"
#include "refundform.h"
#include "refundlogic.h"
#include "testshop.h"
#include "typing.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QDateTime kNow(QDate(2024, 6, 15), QTime(15, 0, 0));
const QString kSale = QStringLiteral("40615100000");

struct Shop {
    TestShop shop;
    qint64 apple = 0, banana = 0, pear = 0;
    qint64 salesId = 0;

    Shop()
    {
        apple = shop.addGoods(QStringLiteral("111"), QStringLiteral("苹果"), 12.50, 8, 100, 0, QStringLiteral("G-1"));
        banana = shop.addGoods(QStringLiteral("222"), QStringLiteral("香蕉"), 3.00, 1.5, 50, 0, QStringLiteral("G-2"));
        pear = shop.addGoods(QStringLiteral("333"), QStringLiteral("梨"), 2.50, 1, 20, 0, QStringLiteral("G-3"));
        shop.exec(QStringLiteral("insert into member(card_id,name,addup,exchange,buy_times,status) "
                                 "values('M01','张三',100,0,4,-1)"));
        shop.exec(QStringLiteral("insert into sales(sales_no,sales_name,amount) values('S01','小李',500)"));
        salesId = shop.store().lastInsertId();
        sell(kSale, QStringLiteral("M01"), salesId);
    }

    // A recorded sale of one apple, one banana and two pears, as the settlement writes it.
    void sell(const QString &orderId, const QString &card, qint64 sales)
    {
        shop.exec(QStringLiteral("insert into orderlist(order_id,card_id,total_cost,total_money,seller,sales_id,order_date) "
                                 "values(:o,:c,11.5,20.5,'收银员',:s,DATE('now','localtime'))"),
                  {{QStringLiteral("o"), orderId}, {QStringLiteral("c"), card}, {QStringLiteral("s"), sales}});
        const QList<std::tuple<QString, double, double, qint64>> lines{
            {QStringLiteral("111"), 1, 12.5, apple}, {QStringLiteral("222"), 1, 3.0, banana}, {QStringLiteral("333"), 2, 5.0, pear}};
        for (const auto &[code, qty, money, id] : lines)
            shop.exec(QStringLiteral("insert into order_detail(order_id,barcode,amount,subtotal,goods_id) values(:o,:b,:a,:m,:g)"),
                      {{QStringLiteral("o"), orderId}, {QStringLiteral("b"), code}, {QStringLiteral("a"), qty},
                       {QStringLiteral("m"), money}, {QStringLiteral("g"), id}});
    }

    QVariant one(const QString &sql) { return shop.scalar(sql); }
    double stock(qint64 id) { return one(QStringLiteral("select amount from goods where goods_id=") + QString::number(id)).toDouble(); }
    double dayTotal()
    {
        return one(QStringLiteral("select total(total_money) from orderlist where order_date=DATE('now','localtime')")).toDouble();
    }
    // Everything a refund may touch, to prove that nothing changed.
    QString snapshot()
    {
        QStringList out;
        for (const QString &sql : {QStringLiteral("select count(*) from orderlist"), QStringLiteral("select count(*) from order_detail"),
                                   QStringLiteral("select addup||'/'||buy_times from member"), QStringLiteral("select amount from sales"),
                                   QStringLiteral("select group_concat(amount||':'||sold) from goods")})
            out << one(sql).toString();
        return out.join(QLatin1Char('|'));
    }
};

struct Script {
    Script() { Msg::setScript([](const QString &, const QString &) { return false; }); }
    ~Script() { Msg::clearScript(); }
};

RefundLine ticked(const QString &code, const QString &qty, const QString &money, qint64 id)
{
    RefundLine l;
    l.barcode = code;
    l.qtyText = qty;
    l.moneyText = money;
    l.goodsId = QString::number(id);
    l.ticked = true;
    return l;
}

} // namespace

class TestRefund : public QObject {
    Q_OBJECT
private slots:
    void init() { Clock::setFixed(kNow); }
    void cleanup() { Clock::setSource(nullptr); }

    void receiptRefundByKeys();
    void receiptWithoutSalespersonStillGivesCard();
    void unknownReceiptAndEmptyList();
    void nothingTickedStillCountsAVisit();
    void goodsTabByKeys();
    void lineMoney_data();
    void lineMoney();
    void badNumbersWriteNothing_data();
    void badNumbersWriteNothing();
    void failingInsertLeavesNothing();
    void refundNumbersNeverRepeat();
};

void TestRefund::receiptRefundByKeys()
{
    Script script;
    Shop s;
    s.shop.exec(QStringLiteral("update setting set add_rate=2"));
    const double dayBefore = s.dayTotal();
    QCOMPARE(s.stock(s.apple), 99.0);

    TrefundForm dlg(s.shop.store(), QStringLiteral("收银员"), 2);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("退货操作"));
    QVERIFY(dlg.liushuhaoEdit->hasFocus());
    QCOMPARE(dlg.amountEdit->text(), QStringLiteral("0"));
    QCOMPARE(dlg.moneyEdit->text(), QStringLiteral("0"));

    QTest::keyClicks(dlg.liushuhaoEdit, kSale);
    QTest::keyClick(dlg.liushuhaoEdit, Qt::Key_Return);
    QCOMPARE(dlg.ListView->topLevelItemCount(), 3);
    QVERIFY(dlg.ListView->hasFocus());
    QTreeWidgetItem *first = dlg.ListView->topLevelItem(0);
    QCOMPARE(first->text(0), QStringLiteral("111"));
    QCOMPARE(first->text(1), QStringLiteral("G-1"));
    QCOMPARE(first->text(2), QStringLiteral("苹果"));
    QCOMPARE(first->text(3), QStringLiteral("1"));
    QCOMPARE(first->text(4), QStringLiteral("12.50"));
    QCOMPARE(first->checkState(0), Qt::Unchecked);
    QCOMPARE(dlg.cardNoEdit->text(), QStringLiteral("M01"));
    QCOMPARE(dlg.salesNoEdit->text(), QStringLiteral("S01"));

    // Right ticks the selected line; ticking again unticks it.
    QTest::keyClick(dlg.ListView, Qt::Key_Right);
    QTest::keyClick(dlg.ListView, Qt::Key_Down);
    QTest::keyClick(dlg.ListView, Qt::Key_Right);
    QCOMPARE(dlg.moneyEdit->text(), QStringLiteral("15.50"));
    QCOMPARE(dlg.amountEdit->text(), QStringLiteral("2"));
    QTest::keyClick(dlg.ListView, Qt::Key_Right);
    QCOMPARE(dlg.moneyEdit->text(), QStringLiteral("12.50"));
    QTest::keyClick(dlg.ListView, Qt::Key_Right);
    QCOMPARE(dlg.moneyEdit->text(), QStringLiteral("15.50"));
    // Delete takes the unticked pear off the list.
    QTest::keyClick(dlg.ListView, Qt::Key_Down);
    QTest::keyClick(dlg.ListView, Qt::Key_Delete);
    QCOMPARE(dlg.ListView->topLevelItemCount(), 2);
    QCOMPARE(dlg.moneyEdit->text(), QStringLiteral("15.50"));

    // Enter walks the fields; the refund money is overwritten before recording.
    QTest::keyClick(dlg.ListView, Qt::Key_Return);
    QVERIFY(dlg.amountEdit->hasFocus());
    QTest::keyClick(dlg.amountEdit, Qt::Key_Return);
    QVERIFY(dlg.moneyEdit->hasFocus());
    dlg.moneyEdit->selectAll();
    QTest::keyClicks(dlg.moneyEdit, QStringLiteral("15"));
    QTest::keyClick(dlg.moneyEdit, Qt::Key_Return);
    QTest::keyClick(dlg.cardNoEdit, Qt::Key_Return);
    QTest::keyClick(dlg.salesNoEdit, Qt::Key_Return);
    QVERIFY(dlg.OKbtn->hasFocus());
    QTest::keyClick(dlg.OKbtn, Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("退货操作成功！")});
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    const QString no = dlg.orderNo();
    QCOMPARE(no, QStringLiteral("40615150000"));

    const Rows head = s.shop.store().select(
        QStringLiteral("select card_id,total_cost,total_money,seller,sales_id,order_date=DATE('now','localtime') "
                       "from orderlist where order_id=:o"),
        {{QStringLiteral("o"), no}});
    QCOMPARE(head.size(), 1);
    QCOMPARE(head.rows[0][0].toString(), QStringLiteral("M01"));
    QCOMPARE(head.rows[0][1].toDouble(), -9.5);
    QCOMPARE(head.rows[0][2].toDouble(), -15.0);
    QCOMPARE(head.rows[0][3].toString(), QStringLiteral("收银员"));
    QCOMPARE(head.rows[0][4].toLongLong(), s.salesId);
    QCOMPARE(head.rows[0][5].toInt(), 1);
    const Rows lines = s.shop.store().select(
        QStringLiteral("select barcode,amount,subtotal,goods_id from order_detail where order_id=:o order by detail_id"),
        {{QStringLiteral("o"), no}});
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.rows[0][0].toString(), QStringLiteral("111"));
    QCOMPARE(lines.rows[0][1].toDouble(), -1.0);
    QCOMPARE(lines.rows[0][2].toDouble(), -12.5);
    QCOMPARE(lines.rows[0][3].toLongLong(), s.apple);
    QCOMPARE(lines.rows[1][2].toDouble(), -3.0);

    // 15 money at 2 per point; one more visit. The salesperson loses 15.
    QCOMPARE(s.one(QStringLiteral("select addup from member")).toDouble(), 92.5);
    QCOMPARE(s.one(QStringLiteral("select buy_times from member")).toInt(), 5);
    QCOMPARE(s.one(QStringLiteral("select amount from sales")).toDouble(), 485.0);
    // Stock comes back through the store; the day's total drops by the refund.
    QCOMPARE(s.stock(s.apple), 100.0);
    QCOMPARE(s.stock(s.banana), 50.0);
    QCOMPARE(s.stock(s.pear), 18.0);
    QCOMPARE(s.one(QStringLiteral("select sold from goods where barcode='111'")).toDouble(), 0.0);
    QCOMPARE(s.dayTotal(), dayBefore - 15.0);
}

void TestRefund::receiptWithoutSalespersonStillGivesCard()
{
    Shop s;
    s.sell(QStringLiteral("40615110000"), QStringLiteral("M01"), -1);
    s.sell(QStringLiteral("40615120000"), QString(), -1);
    const auto member = RefundLogic::lookupReceipt(s.shop.store(), QStringLiteral("40615110000"));
    QVERIFY(member.has_value());
    QCOMPARE(member->cardId, QStringLiteral("M01"));
    QVERIFY(member->salesNo.isEmpty());
    const auto plain = RefundLogic::lookupReceipt(s.shop.store(), QStringLiteral("40615120000"));
    QVERIFY(plain->cardId.isEmpty());
    QVERIFY(plain->salesNo.isEmpty());
    QCOMPARE(plain->lines.size(), 3);
    QCOMPARE(plain->lines[2].qtyText, QStringLiteral("2"));
    QCOMPARE(plain->lines[2].moneyText, QStringLiteral("5.00"));
    QCOMPARE(plain->lines[2].goodsId, QString::number(s.pear));
}

void TestRefund::unknownReceiptAndEmptyList()
{
    Script script;
    Shop s;
    const QString before = s.snapshot();
    TrefundForm dlg(s.shop.store(), QStringLiteral("收银员"), 1);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClicks(dlg.liushuhaoEdit, QStringLiteral("x' or '1'='1"));
    QTest::keyClick(dlg.liushuhaoEdit, Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("无此流水号，请重新输入")});
    QCOMPARE(dlg.ListView->topLevelItemCount(), 0);
    // Right in the serial field goes to the goods tab.
    QTest::keyClick(dlg.liushuhaoEdit, Qt::Key_Right);
    QCOMPARE(dlg.pages->currentIndex(), 1);
    QVERIFY(dlg.barcodeinputEdit->hasFocus());
    // "退货" with an empty list only closes.
    dlg.OKbtnClick();
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QVERIFY(Msg::takeShown().isEmpty());
    QCOMPARE(s.snapshot(), before);
}

void TestRefund::nothingTickedStillCountsAVisit()
{
    Script script;
    Shop s;
    TrefundForm dlg(s.shop.store(), QStringLiteral("收银员"), 1);
    dlg.liushuhaoEdit->setText(kSale);
    dlg.liushuhaoEditEnter();
    QCOMPARE(dlg.ListView->topLevelItemCount(), 3);
    dlg.OKbtnClick();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    const QString no = dlg.orderNo();
    QCOMPARE(s.one(QStringLiteral("select total_money from orderlist where order_id='") + no + QLatin1Char('\'')).toDouble(), 0.0);
    QCOMPARE(s.one(QStringLiteral("select count(*) from order_detail where order_id='") + no + QLatin1Char('\'')).toInt(), 0);
    QCOMPARE(s.one(QStringLiteral("select buy_times from member")).toInt(), 5);
    QCOMPARE(s.one(QStringLiteral("select addup from member")).toDouble(), 100.0);
}

void TestRefund::goodsTabByKeys()
{
    Script script;
    Shop s;
    TrefundForm dlg(s.shop.store(), QStringLiteral("收银员"), 1);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.pages->setCurrentIndex(1);
    QVERIFY(dlg.barcodeinputEdit->hasFocus());

    QTest::keyClicks(dlg.barcodeinputEdit, QStringLiteral("999"));
    QTest::keyClick(dlg.barcodeinputEdit, Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("查无此商品。")});
    QVERIFY(dlg.barcodeinputEdit->hasFocus());

    // By goods number: the pear at 2.50.
    dlg.barcodeinputEdit->clear();
    QTest::keyClicks(dlg.barcodeinputEdit, QStringLiteral("G-3"));
    QTest::keyClick(dlg.barcodeinputEdit, Qt::Key_Return);
    QCOMPARE(dlg.goodsNumEdit->text(), QStringLiteral("1"));
    QCOMPARE(dlg.totalEdit->text(), QStringLiteral("2.50"));
    QVERIFY(dlg.goodsNumEdit->hasFocus());
    dlg.goodsNumEdit->selectAll();
    QTest::keyClicks(dlg.goodsNumEdit, QStringLiteral("3"));
    QTest::keyClick(dlg.goodsNumEdit, Qt::Key_Return);
    QCOMPARE(dlg.totalEdit->text(), QStringLiteral("7.50"));
    QVERIFY(dlg.totalEdit->hasFocus());
    // Passing through the quantity again does not multiply the amount a second time.
    QTest::keyClick(dlg.totalEdit, Qt::Key_Backtab);
    QVERIFY(dlg.goodsNumEdit->hasFocus());
    QTest::keyClick(dlg.goodsNumEdit, Qt::Key_Tab);
    QCOMPARE(dlg.totalEdit->text(), QStringLiteral("7.50"));
    QTest::keyClick(dlg.totalEdit, Qt::Key_Return);
    QVERIFY(dlg.goodsOkBtn->hasFocus());
    QTest::keyClick(dlg.goodsOkBtn, Qt::Key_Return);

    QCOMPARE(dlg.ListView->topLevelItemCount(), 1);
    QTreeWidgetItem *item = dlg.ListView->topLevelItem(0);
    QCOMPARE(item->text(0), QStringLiteral("333"));
    QCOMPARE(item->text(1), QStringLiteral("G-3"));
    QCOMPARE(item->text(3), QStringLiteral("3"));
    QCOMPARE(item->text(4), QStringLiteral("7.50"));
    QCOMPARE(item->checkState(0), Qt::Checked);
    QCOMPARE(dlg.moneyEdit->text(), QStringLiteral("7.50"));
    QCOMPARE(dlg.amountEdit->text(), QStringLiteral("3"));
    QVERIFY(dlg.barcodeinputEdit->text().isEmpty());
    QVERIFY(dlg.goodsNumEdit->text().isEmpty());
    QVERIFY(dlg.totalEdit->text().isEmpty());
    QVERIFY(dlg.barcodeinputEdit->hasFocus());

    // A quantity that is no number is refused where it is typed.
    QTest::keyClicks(dlg.barcodeinputEdit, QStringLiteral("111"));
    QTest::keyClick(dlg.barcodeinputEdit, Qt::Key_Return);
    dlg.goodsNumEdit->selectAll();
    QTest::keyClicks(dlg.goodsNumEdit, QStringLiteral("1..2"));
    QTest::keyClick(dlg.goodsNumEdit, Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("数量或金额输入格式不正确")});
    QVERIFY(dlg.goodsNumEdit->hasFocus());
    dlg.goodsOkBtnClick();
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("数量或金额输入格式不正确")});
    QCOMPARE(dlg.ListView->topLevelItemCount(), 1);

    // Until then the field keeps the focus; "取消" is still in reach.
    QTest::keyClick(dlg.goodsNumEdit, Qt::Key_Tab);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("数量或金额输入格式不正确")});
    QVERIFY(dlg.goodsNumEdit->hasFocus());
    dlg.sBitBtn1->setFocus(Qt::MouseFocusReason);
    QVERIFY(Msg::takeShown().isEmpty());

    // Enter on an empty code goes to the card field; a click ticks and unticks.
    dlg.goodsNumEdit->clear();
    dlg.barcodeinputEdit->clear();
    dlg.barcodeinputEdit->setFocus();
    QTest::keyClick(dlg.barcodeinputEdit, Qt::Key_Return);
    QVERIFY(dlg.cardNoEdit->hasFocus());
    const QRect r = dlg.ListView->visualItemRect(item);
    QTest::mouseClick(dlg.ListView->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(dlg.ListView->topLevelItem(0)->checkState(0), Qt::Unchecked);
    QCOMPARE(dlg.moneyEdit->text(), QStringLiteral("0.00"));
    QCOMPARE(dlg.amountEdit->text(), QStringLiteral("0"));
}

void TestRefund::lineMoney_data()
{
    QTest::addColumn<double>("price");
    QTest::addColumn<QString>("qty");
    QTest::addColumn<QString>("money");
    QTest::newRow("2.50 x 3") << 2.5 << "3" << "7.50";
    QTest::newRow("fraction") << 3.99 << "0.5" << "2.00";
    QTest::newRow("to 1/10000 then shown") << 0.3333 << "3" << "1.00";
    QTest::newRow("zero") << 12.5 << "0" << "0.00";
}

void TestRefund::lineMoney()
{
    QFETCH(double, price);
    QFETCH(QString, qty);
    QString money;
    QVERIFY(RefundLogic::lineMoney(price, qty, &money));
    QTEST(money, "money");
    QVERIFY(!RefundLogic::lineMoney(price, QStringLiteral("3x"), &money));
}

void TestRefund::badNumbersWriteNothing_data()
{
    QTest::addColumn<QString>("money");
    QTest::addColumn<QString>("qty");
    QTest::newRow("money 1..5") << "1..5" << "1";
    QTest::newRow("money empty") << "" << "1";
    QTest::newRow("money dot") << "." << "1";
    QTest::newRow("quantity") << "12.50" << "1,5";
}

void TestRefund::badNumbersWriteNothing()
{
    QFETCH(QString, money);
    QFETCH(QString, qty);
    Shop s;
    const QString before = s.snapshot();
    RefundRequest req;
    req.lines = {ticked(QStringLiteral("111"), qty, QStringLiteral("12.50"), s.apple)};
    req.moneyText = money;
    req.cardNo = QStringLiteral("M01");
    req.salesNo = QStringLiteral("S01");
    req.cashier = QStringLiteral("收银员");
    const RefundOutcome out = RefundLogic::record(s.shop.store(), req, kNow);
    QVERIFY(!out.ok);
    QCOMPARE(out.message, QStringLiteral("数量或金额输入格式不正确"));
    QCOMPARE(s.snapshot(), before);
}

void TestRefund::failingInsertLeavesNothing()
{
    Script script;
    Shop s;
    // The second line's insert fails, after the order and the first line went in.
    s.shop.exec(QStringLiteral("CREATE TRIGGER fail_banana BEFORE INSERT ON order_detail WHEN NEW.barcode='222' "
                               "BEGIN SELECT RAISE(ABORT,'disk is full'); END"));
    const QString before = s.snapshot();
    TrefundForm dlg(s.shop.store(), QStringLiteral("收银员"), 1);
    dlg.liushuhaoEdit->setText(kSale);
    dlg.liushuhaoEditEnter();
    dlg.toggleTick(0);
    dlg.toggleTick(1);
    dlg.OKbtnClick();
    const QStringList shown = Msg::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().contains(QStringLiteral("disk is full")), qPrintable(shown.first()));
    QVERIFY(dlg.orderNo().isEmpty());
    QCOMPARE(s.snapshot(), before);
    QVERIFY(!s.shop.store().inTransaction());

    // The same refund goes through once the store takes it.
    s.shop.exec(QStringLiteral("DROP TRIGGER fail_banana"));
    dlg.OKbtnClick();
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("退货操作成功！")});
    QCOMPARE(s.one(QStringLiteral("select count(*) from order_detail")).toInt(), 5);
}

void TestRefund::refundNumbersNeverRepeat()
{
    Shop s;
    // A sale already holds this second's number.
    s.sell(orderNumberAt(kNow), QString(), -1);
    RefundRequest req;
    req.lines = {ticked(QStringLiteral("111"), QStringLiteral("1"), QStringLiteral("12.50"), s.apple)};
    req.moneyText = QStringLiteral("12.50");
    req.cashier = QStringLiteral("收银员");
    const RefundOutcome a = RefundLogic::record(s.shop.store(), req, kNow);
    const RefundOutcome b = RefundLogic::record(s.shop.store(), req, kNow.addMSecs(300));
    QVERIFY(a.ok && b.ok);
    QCOMPARE(a.orderNo, QStringLiteral("40615150001"));
    QCOMPARE(b.orderNo, QStringLiteral("40615150002"));
    QCOMPARE(s.one(QStringLiteral("select count(*) from order_detail where order_id='40615150002'")).toInt(), 1);
    // No card: no member changes.
    QCOMPARE(s.one(QStringLiteral("select buy_times from member")).toInt(), 4);
}

QTEST_MAIN(TestRefund)
#include "tst_refund.moc"
