// A shop's day begins at the launcher: the cashier logs in by typing, the till opens,
// a scanner types codes and Return, the cashier tenders and settles with printing.
// The store, output.txt and the bytes that reached the printer port tell what happened.
#include "testshop.h"
#include "textfile.h"
#include "xsession.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

class TestLauncherE2e : public QObject {
    Q_OBJECT
private slots:
    void loginScanSettlePrint();
};

namespace {
bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}

void TestLauncherE2e::loginScanSettlePrint()
{
    XSession x;
    if (!x.isValid())
        QFAIL("no Xvfb display");
    TestShop shop;
    shop.addGoods(QStringLiteral("6901234567892"), QStringLiteral("矿泉水"), 2, 1, 20);
    shop.addGoods(QStringLiteral("6905"), QStringLiteral("面包"), 4.5, 3, 20, 0, QStringLiteral("1001"));
    shop.exec(QStringLiteral("update shop_info set shop_name='小店'"));
    // The cashier has logged in before, so the launcher preselects that user.
    shop.exec(QStringLiteral("update seller set logintimes=5 where admin=0"));
    const QString printer = shop.file(QStringLiteral("lpt1.prn"));
    QVERIFY(writeFile(printer, {}));
    QVERIFY(writeFile(shop.file(QStringLiteral("zazuvi.ini")), "[ports]\nLPT1=" + QFile::encodeName(printer) + "\n"));
    QVERIFY(writeFile(shop.file(QStringLiteral("checkout.ini")), "[cash]\r\ndayin=0\r\nprint=0\r\nwidth=1000\r\nHeight=700\r\n"));
    QVERIFY(writeFile(shop.file(QStringLiteral("output.txt")), "old\r\n"));  // not the first run: no help window

    QProcess launcher;
    launcher.setProcessEnvironment(x.environment(shop.path()));
    launcher.setProcessChannelMode(QProcess::ForwardedChannels);
    launcher.start(qEnvironmentVariable("ZAZUVI_BIN") + QStringLiteral("/launcher"), {});
    QVERIFY(launcher.waitForStarted(10000));
    const QString login = x.waitForWindow(QStringLiteral("Zazuvi登录"));
    QVERIFY2(!login.isEmpty(), "the login window did not appear");
    x.focus(login);
    QTest::qWait(300);
    x.type({}, {QStringLiteral("Return")});           // from the name to the password
    x.type(QStringLiteral("806"), {QStringLiteral("Return")});
    QVERIFY2(launcher.waitForFinished(15000), "the launcher should end after the login");
    QCOMPARE(shop.scalar(QStringLiteral("select logintimes from seller where admin=0")).toInt(), 6);

    const QString till = x.waitForWindow(QStringLiteral("小店"));
    QVERIFY2(!till.isEmpty(), "the till window did not appear");
    x.focus(till);
    QTest::qWait(500);
    x.scan(QStringLiteral("6901234567892"));
    x.scan(QStringLiteral("1001"));                   // goods number works like a barcode
    x.scan(QStringLiteral("6901234567892"));
    x.type({}, {QStringLiteral("Return")});           // empty code: to the tendered amount
    x.type(QStringLiteral("10"), {QStringLiteral("Return")});
    x.type({}, {QStringLiteral("Return")});           // on "结算打印": settle and print

    QTRY_COMPARE_WITH_TIMEOUT(shop.scalar(QStringLiteral("select count(*) from orderlist")).toInt(), 1, 15000);
    const Rows order = shop.store().select(QStringLiteral("select order_id, total_money, seller, sales_id from orderlist"));
    QCOMPARE(order.value(0, QStringLiteral("total_money")).toDouble(), 8.5);
    QCOMPARE(order.value(0, QStringLiteral("seller")).toString(), QStringLiteral("收银员"));
    QCOMPARE(order.value(0, QStringLiteral("sales_id")).toInt(), -1);
    QCOMPARE(order.value(0, QStringLiteral("order_id")).toString().size(), 11);
    QCOMPARE(shop.scalar(QStringLiteral("select amount from goods where barcode='6901234567892'")).toDouble(), 18.0);
    QCOMPARE(shop.scalar(QStringLiteral("select sold from goods where barcode='6905'")).toDouble(), 1.0);

    QTRY_VERIFY_WITH_TIMEOUT(!readFile(printer).isEmpty(), 10000);
    const QByteArray receipt = readFile(shop.file(QStringLiteral("output.txt")));
    QVERIFY(fromAnsi(receipt).contains(QStringLiteral("找零:1.50")));
    QVERIFY(fromAnsi(receipt).contains(order.value(0, QStringLiteral("order_id")).toString()));
    // The port got the receipt unchanged, the drawer pulse first.
    QCOMPARE(readFile(printer), receipt);
    QVERIFY(receipt.startsWith(QByteArray("\x1b\x70\x00\x3c\xff\r\n", 7)));

    // The till runs on its own after the launcher ended; stop it before the shop folder goes.
    const QString pid = x.xdotool({QStringLiteral("getwindowpid"), till}, 3000);
    if (!pid.isEmpty())
        QProcess::execute(QStringLiteral("kill"), {pid});
    QTest::qWait(300);
}

QTEST_GUILESS_MAIN(TestLauncherE2e)
#include "tst_launcher_e2e.moc"
