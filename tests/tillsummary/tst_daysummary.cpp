// The daily summary: figures of a day with sales and a refund, per cashier and for all,
// both stored date forms, the day report's bytes and how it reaches the printer, and
// the view-password gate.

#include "clock.h"
#include "datagrid.h"
#include "daysummary.h"
#include "devices.h"
#include "models.h"
#include "money.h"
#include "msgbox.h"
#include "scramble.h"
#include "testshop.h"
#include "textfile.h"
#include "tongjiform.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTableView>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct Line {
    qint64 goodsId;
    QString barcode;
    double qty;
    double subtotal;
};

void addOrder(TestShop &shop, const QString &id, const QString &date, const QString &seller, int salesId,
              const QList<Line> &lines, const QString &card = {})
{
    double total = 0;
    for (const Line &l : lines) {
        total += l.subtotal;
        shop.exec(u"insert into order_detail(order_id,barcode,amount,subtotal,goods_id) values(:o,:b,:a,:s,:g)"_s,
                  {{u"o"_s, id}, {u"b"_s, l.barcode}, {u"a"_s, l.qty}, {u"s"_s, l.subtotal}, {u"g"_s, l.goodsId}});
    }
    shop.exec(u"insert into orderlist(order_id,card_id,total_cost,total_money,seller,sales_id,order_date) "
              "values(:o,:c,0,:t,:s,:sid,:d)"_s,
              {{u"o"_s, id}, {u"c"_s, card}, {u"t"_s, total}, {u"s"_s, seller}, {u"sid"_s, salesId}, {u"d"_s, date}});
}

// 2024-05-12: a sale of 30.00 and a refund of 10.00 by 收银员, and 5.50 by 店长 stored in
// the older date-and-time form; sales the evening before and the next day around it.
struct Day {
    qint64 g1 = 0, g2 = 0;
    void fill(TestShop &shop)
    {
        g1 = shop.addGoods(u"6901"_s, u"可乐"_s, 10);
        g2 = shop.addGoods(u"6902"_s, u"薯片"_s, 10);
        shop.exec(u"update goods set class_name='饮料' where goods_id=:g"_s, {{u"g"_s, g1}});
        shop.exec(u"insert into sales(sales_no,sales_name) values('S01','小王')"_s);
        const int s1 = int(shop.store().lastInsertId());
        addOrder(shop, u"40512100000"_s, u"2024-05-12"_s, u"收银员"_s, s1,
                 {{g1, u"6901"_s, 2, 20}, {g2, u"6902"_s, 1, 10}}, u"A001"_s);
        addOrder(shop, u"40512110000"_s, u"2024-05-12"_s, u"收银员"_s, -1, {{g2, u"6902"_s, -1, -10}});
        addOrder(shop, u"40512183000"_s, u"2024-05-12 18:30:00"_s, u"店长"_s, -1, {{g1, u"6901"_s, 0.5, 5.5}});
        addOrder(shop, u"40511235959"_s, u"2024-05-11 23:59:59"_s, u"收银员"_s, -1, {{g1, u"6901"_s, 7, 70}});
        addOrder(shop, u"40513000000"_s, u"2024-05-13"_s, u"收银员"_s, -1, {{g1, u"6901"_s, 9, 90}});
        addOrder(shop, u"40513000001"_s, u"2024-05-13 00:00:00"_s, u"店长"_s, -1, {{g1, u"6901"_s, 9, 90}});
    }
};

QByteArray gb(const QString &s)
{
    QStringEncoder enc("GB18030");
    return enc.encode(s);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Answers the next modal input box: sets its text and accepts, or cancels.
void answerInputBox(const QString &text, bool accept, bool *sawPassword)
{
    QTimer::singleShot(0, [=] {
        auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        QVERIFY(box);
        *sawPassword = box->textEchoMode() == QLineEdit::Password && box->windowTitle() == u"请输入查看密码  "_s
                       && box->labelText() == u"密码：  "_s;
        if (accept) {
            box->setTextValue(text);
            box->accept();
        } else {
            box->reject();
        }
    });
}

}  // namespace

class TestDaySummary : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        Clock::setFixed(QDateTime(QDate(2024, 5, 12), QTime(21, 5, 7)));
        Msg::setScript([](const QString &, const QString &) { return true; });
    }
    void cleanup()
    {
        Clock::setSource(nullptr);
        Msg::clearScript();
    }

    void figures_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("cashier");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("goodsCount");
        QTest::addColumn<QString>("money");
        QTest::addColumn<QStringList>("orders");
        QTest::addColumn<QStringList>("goods");  // bcode:shuliang:jine

        QTest::newRow("all cashiers") << QDate(2024, 5, 12) << DaySummary::allCashiers() << u"3"_s << u"2.5"_s
                                      << u"￥25.50"_s
                                      << QStringList{u"40512100000"_s, u"40512110000"_s, u"40512183000"_s}
                                      << QStringList{u"6901:2.5:25.5"_s, u"6902:0:0"_s};
        QTest::newRow("sale and refund of one cashier")
            << QDate(2024, 5, 12) << u"收银员"_s << u"2"_s << u"2"_s << u"￥20.00"_s
            << QStringList{u"40512100000"_s, u"40512110000"_s} << QStringList{u"6901:2:20"_s, u"6902:0:0"_s};
        QTest::newRow("older date-and-time rows") << QDate(2024, 5, 12) << u"店长"_s << u"1"_s << u"0.5"_s
                                                  << u"￥5.50"_s << QStringList{u"40512183000"_s}
                                                  << QStringList{u"6901:0.5:5.5"_s};
        QTest::newRow("next day, both forms") << QDate(2024, 5, 13) << QString() << u"2"_s << u"18"_s
                                              << u"￥180.00"_s
                                              << QStringList{u"40513000000"_s, u"40513000001"_s}
                                              << QStringList{u"6901:18:180"_s};
        QTest::newRow("no orders") << QDate(2024, 5, 20) << QString() << QString() << u"0"_s << u"￥0.00"_s
                                   << QStringList{} << QStringList{};
    }
    void figures()
    {
        QFETCH(QDate, day);
        QFETCH(QString, cashier);
        QFETCH(QString, count);
        QFETCH(QString, goodsCount);
        QFETCH(QString, money);
        QFETCH(QStringList, orders);
        QFETCH(QStringList, goods);
        TestShop shop;
        Day().fill(shop);
        QueryModel ordersModel(shop.store()), goodsModel(shop.store());
        QAbstractItemModelTester tester(&ordersModel);
        DaySummary::Totals t;
        QString error;
        QVERIFY2(DaySummary::load(shop.store(), {day, cashier}, ordersModel, goodsModel, &t, &error),
                 qPrintable(error));
        QCOMPARE(t.countText, count);
        QCOMPARE(t.goodsCountText, goodsCount);
        QCOMPARE(t.moneyText, money);

        QStringList gotOrders;
        for (int r = 0; r < ordersModel.rowCount(); ++r)
            gotOrders << ordersModel.rawValue(r, u"order_id"_s).toString();
        QCOMPARE(gotOrders, orders);
        QStringList gotGoods;
        for (int r = 0; r < goodsModel.rowCount(); ++r)
            gotGoods << goodsModel.rawValue(r, u"bcode"_s).toString() + u':'
                            + formatQty(goodsModel.rawValue(r, u"shuliang"_s).toDouble()) + u':'
                            + formatQty(goodsModel.rawValue(r, u"jine"_s).toDouble());
        gotGoods.sort();
        QCOMPARE(gotGoods, goods);

        DaySummary::Totals alone;
        QVERIFY(DaySummary::totals(shop.store(), {day, cashier}, &alone));
        QCOMPARE(alone.countText, count);
        QCOMPARE(alone.moneyText, money);
    }

    void ordersGridShowsSalespersonAndCard()
    {
        TestShop shop;
        Day().fill(shop);
        QueryModel orders(shop.store()), goods(shop.store());
        DaySummary::Totals t;
        QVERIFY(DaySummary::load(shop.store(), {QDate(2024, 5, 12), u"收银员"_s}, orders, goods, &t));
        QCOMPARE(orders.columnCount(), 5);
        QCOMPARE(orders.columnName(3).toLower(), u"sales_no"_s);
        QCOMPARE(orders.rawValue(0, u"sales_no"_s).toString(), u"S01"_s);
        QCOMPARE(orders.rawValue(0, u"card_id"_s).toString(), u"A001"_s);
        QVERIFY(orders.rawValue(1, u"sales_no"_s).isNull());  // -1: nobody
    }

    // A cashier name that looks like SQL is a value, not a part of the statement.
    void cashierIsBound()
    {
        TestShop shop;
        Day().fill(shop);
        DaySummary::Totals t;
        QVERIFY(DaySummary::totals(shop.store(), {QDate(2024, 5, 12), u"x' or '1'='1"_s}, &t));
        QCOMPARE(t.countText, QString());
        QCOMPARE(t.moneyText, u"￥0.00"_s);
    }

    void statementsUseTheDateIndex()
    {
        TestShop shop;
        const DaySummary::Filter f{QDate(2024, 5, 12), u"收银员"_s};
        for (const QString &sql : {DaySummary::ordersSql(f), DaySummary::goodsSql(f), DaySummary::goodsCountSql(f),
                                   DaySummary::moneySql(f)}) {
            const Rows plan = shop.store().select(u"EXPLAIN QUERY PLAN "_s + sql, f.params());
            QString text;
            for (const QVariantList &r : plan.rows)
                text += r.last().toString() + u'\n';
            QVERIFY2(text.contains(u"orderlist_date"_s), qPrintable(sql + u'\n' + text));
        }
    }

    void cashierChoices()
    {
        TestShop shop;
        shop.exec(u"insert into seller(seller,pass,admin) values('阿明','',0)"_s);
        QCOMPARE(DaySummary::cashierChoices(shop.store()),
                 (QStringList{u"所有收银员"_s, u"店长"_s, u"收银员"_s, u"阿明"_s}));
    }

    void reportBytes()
    {
        TestShop shop;
        DaySummary::Totals t;
        t.countText = u"2"_s;
        t.goodsCountText = u"2"_s;
        t.moneyText = u"￥20.00"_s;
        const QString path = shop.file(DaySummary::reportFileName());
        QFile::remove(path);
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));  // an earlier report is replaced
        QVERIFY(DaySummary::writeReport(path, DaySummary::reportLines(QDate(2024, 5, 12), QTime(9, 5, 7), u"收银员"_s, t),
                                        nullptr));
        QByteArray expected = "\x1b\x40\r\n";
        const QString rule(32, u'-');
        for (const QString &l : {u"            日小结"_s, rule, u"打印日期:2024-05-12"_s, u"打印时间:09:05:07"_s,
                                 u"收银员:收银员"_s, rule, u"本日销售单数：2"_s, u"销售商品数量：2"_s,
                                 u"本日销售额：20.00"_s, u" "_s, u" "_s, u"签字："_s, u" "_s, u" "_s, u" "_s,
                                 u" "_s, u" "_s})
            expected += gb(l) + "\r\n";
        QCOMPARE(fileBytes(path), expected);
    }

    // The dialog: figures on opening, the cashier filter with Enter, the printed report
    // of the chosen day (not the day of printing) and F4.
    void dialog()
    {
        TestShop shop;
        Day().fill(shop);
        Clock::setFixed(QDateTime(QDate(2024, 5, 13), QTime(8, 1, 2)));
        QStringList printed;
        QByteArray bytes;
        TtongjiForm f(shop.store(), [&](const QString &path) {
            printed << path;
            bytes = fileBytes(path);
            return true;
        });
        QCOMPARE(f.windowTitle(), u"日统计表"_s);
        QCOMPARE(f.ritongjidate->date(), QDate(2024, 5, 13));
        QCOMPARE(f.countEdit->text(), u"2"_s);
        QCOMPARE(f.moneyEdit->text(), u"￥180.00"_s);
        QCOMPARE(f.sellerCbx->currentText(), u"所有收银员"_s);

        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.ritongjidate->setDate(QDate(2024, 5, 12));
        f.sellerCbx->setCurrentIndex(f.sellerCbx->findText(u"收银员"_s));
        f.ritongjidate->setFocus();
        QTest::keyClick(f.ritongjidate, Qt::Key_Return);
        QVERIFY(f.isVisible());
        QCOMPARE(f.countEdit->text(), u"2"_s);
        QCOMPARE(f.goodscountEdit->text(), u"2"_s);
        QCOMPARE(f.moneyEdit->text(), u"￥20.00"_s);
        QCOMPARE(f.ordersGrid->model()->rowCount(), 2);
        QTest::keyClick(f.ordersGrid->view(), Qt::Key_Return);  // Enter in a grid re-queries too
        QVERIFY(f.isVisible());
        QCOMPARE(f.goodsGrid->model()->rowCount(), 2);

        // Chosen but not queried: the printout still matches its own header.
        f.sellerCbx->setCurrentIndex(f.sellerCbx->findText(u"店长"_s));
        QTest::mouseClick(f.printBtn, Qt::LeftButton);
        QCOMPARE(printed, QStringList{shop.file(u"日统计.txt"_s)});
        const QString text = fromAnsi(bytes);
        QVERIFY(text.contains(u"\r\n打印日期:2024-05-12\r\n打印时间:08:01:02\r\n收银员:店长\r\n"_s));
        QVERIFY(text.contains(u"本日销售单数：1\r\n销售商品数量：0.5\r\n本日销售额：5.50\r\n"_s));
        QCOMPARE(f.moneyEdit->text(), u"￥5.50"_s);

        QTest::keyClick(f.sellerCbx, Qt::Key_F4);
        QVERIFY(!f.isVisible());
    }

    void reportThatCannotBeWrittenIsNotPrinted()
    {
        TestShop shop;
        QVERIFY(QDir(shop.path()).mkdir(u"日统计.txt"_s));  // a folder where the file should go
        bool printed = false;
        TtongjiForm f(shop.store(), [&](const QString &) { return printed = true; });
        Msg::takeShown();
        QVERIFY(!f.printReport());
        QVERIFY(!printed);
        const QStringList shown = Msg::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().contains(u"日统计.txt"_s));
    }

    // Through the till's printer: a port gets the file's lines with CR LF; the USB
    // setting (printC) sends it to the system printer instead of an empty port name.
    void printsThroughTheTillPrinter_data()
    {
        QTest::addColumn<bool>("printC");
        QTest::newRow("port") << false;
        QTest::newRow("system printer") << true;
    }
    void printsThroughTheTillPrinter()
    {
        QFETCH(bool, printC);
        TestShop shop;
        Day().fill(shop);
        const QString port = shop.file(u"lp0"_s);
        QVERIFY(QFile(port).open(QIODevice::WriteOnly));
        QVERIFY(writeAnsiLines(shop.file(u"zazuvi.ini"_s), {u"[ports]"_s, u"LPT1="_s + port}));
        QStringList informed;
        TillPrinter printer(shop.path(), [&](const QString &t) { informed << t; });
        PrinterSettings ps;
        ps.dayin = false;
        ps.printC = printC;
        ps.printtype = printC ? QString() : u"LPT1"_s;
        printer.setSettings(ps);
        QByteArray systemJob;
        printer.setSystemPrint([&](const QString &path) {
            systemJob = fileBytes(path);
            return QString();
        });

        Clock::setFixed(QDateTime(QDate(2024, 5, 12), QTime(22, 0, 0)));
        TtongjiForm f(shop.store(), [&](const QString &path) { return printer.PrintFile(path); });
        QVERIFY(f.printReport());
        QCOMPARE(informed, QStringList());
        const QByteArray report = fileBytes(f.reportPath());
        QVERIFY(report.startsWith("\x1b\x40\r\n"));
        QVERIFY(report.contains(gb(u"本日销售额：25.50\r\n"_s)));
        if (printC) {
            QCOMPARE(systemJob, report);
            QCOMPARE(fileBytes(port), QByteArray());
        } else {
            QCOMPARE(fileBytes(port), report);
            QCOMPARE(systemJob, QByteArray());
        }
    }

    void passwordGate_data()
    {
        QTest::addColumn<bool>("needpsw");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("not needed") << false << QString() << true << true << QStringList();
        QTest::newRow("right password") << true << u"8866"_s << true << true << QStringList();
        QTest::newRow("wrong password") << true << u"8867"_s << true << false << QStringList{u"密码错误！"_s};
        QTest::newRow("cancelled") << true << QString() << false << false << QStringList();
    }
    void passwordGate()
    {
        QFETCH(bool, needpsw);
        QFETCH(QString, typed);
        QFETCH(bool, accept);
        QFETCH(bool, opens);
        QFETCH(QStringList, shown);
        bool masked = false;
        if (needpsw)
            answerInputBox(typed, accept, &masked);
        Msg::takeShown();
        QCOMPARE(TtongjiForm::passwordGate(nullptr, needpsw, ShowStr(u"8866"_s)), opens);
        QCOMPARE(Msg::takeShown(), shown);
        QCOMPARE(masked, needpsw);
    }

    void placement()
    {
        QWidget till;
        till.setGeometry(40, 50, 900, 640);
        QDialog d;
        TtongjiForm::placeOver(&d, &till);
        QCOMPARE(d.geometry(), QRect(40, 80, 900, 610));
    }
};

QTEST_MAIN(TestDaySummary)
#include "tst_daysummary.moc"
