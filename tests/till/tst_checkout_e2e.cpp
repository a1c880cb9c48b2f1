// The real checkout program on a private X display: started like the launcher starts
// it, a barcode scanner typing codes and Return, the cashier's keys to tender and to
// settle without printing. The store and the receipt file tell what happened.
#include "testshop.h"
#include "textfile.h"
#include "xsession.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

class TestCheckoutE2e : public QObject {
    Q_OBJECT
private slots:
    void refusesWithoutLogin();
    void scanTenderSettle();
};

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QString checkoutProgram()
{
    return qEnvironmentVariable("ZAZUVI_BIN") + QStringLiteral("/checkout");
}

} // namespace

void TestCheckoutE2e::refusesWithoutLogin()
{
    TestShop shop;
    // A wrong password ends the program at once, before any window or backup.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZAZUVI_HOME"), shop.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(checkoutProgram(), {QStringLiteral("收银员"), QStringLiteral("123")});
    QVERIFY(p.waitForFinished(15000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(!QFile::exists(shop.file(QStringLiteral("数据库备份"))));
}

void TestCheckoutE2e::scanTenderSettle()
{
    XSession x;
    if (!x.isValid())
        QFAIL("no Xvfb display");
    TestShop shop;
    shop.addGoods(QStringLiteral("6901234567892"), QStringLiteral("可乐"), 3, 2, 10);
    shop.addGoods(QStringLiteral("6902"), QStringLiteral("口香糖"), 1.5, 1, 10);
    writeFile(shop.file(QStringLiteral("zazuvi.ini")),
              "[ports]\nLPT1=" + QFile::encodeName(shop.file(QStringLiteral("lpt1.prn"))) + "\n");
    writeFile(shop.file(QStringLiteral("lpt1.prn")), {});
    writeFile(shop.file(QStringLiteral("checkout.ini")), "[cash]\r\ndayin=0\r\nwidth=1000\r\nHeight=700\r\n");
    writeFile(shop.file(QStringLiteral("output.txt")), "old\r\n");  // no first-run help

    QProcess till;
    till.setProcessEnvironment(x.environment(shop.path()));
    till.setProcessChannelMode(QProcess::ForwardedChannels);
    till.start(checkoutProgram(), {QStringLiteral("收银员"), QStringLiteral("806")});
    QVERIFY(till.waitForStarted(10000));
    const QString window = x.waitForWindow(QStringLiteral("收银台"));
    QVERIFY2(!window.isEmpty(), "the till window did not appear");
    x.focus(window);
    QTest::qWait(500);

    x.scan(QStringLiteral("6901234567892"));
    x.scan(QStringLiteral("6902"));
    x.scan(QStringLiteral("6901234567892"));
    x.type({}, {QStringLiteral("Return")});      // empty code field: to the tendered amount
    x.type(QStringLiteral("20"), {QStringLiteral("KP_Enter")});
    x.type({}, {QStringLiteral("space")});       // settle without printing

    QTRY_COMPARE_WITH_TIMEOUT(shop.scalar(QStringLiteral("select count(*) from orderlist")).toInt(), 1, 15000);
    QCOMPARE(shop.scalar(QStringLiteral("select total_money from orderlist")).toDouble(), 7.5);
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from order_detail")).toInt(), 2);
    QCOMPARE(shop.scalar(QStringLiteral("select amount from order_detail where barcode='6901234567892'")).toDouble(), 2.0);
    QCOMPARE(shop.scalar(QStringLiteral("select amount from goods where barcode='6901234567892'")).toDouble(), 8.0);
    QTRY_VERIFY_WITH_TIMEOUT(fromAnsi([&] {
        QFile f(shop.file(QStringLiteral("output.txt")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }()).contains(QStringLiteral("找零:12.50")), 5000);
    QFile lpt(shop.file(QStringLiteral("lpt1.prn")));
    QVERIFY(lpt.open(QIODevice::ReadOnly));
    QVERIFY2(lpt.readAll().isEmpty(), "Space settles without printing");

    till.terminate();
    if (!till.waitForFinished(5000)) {
        till.kill();
        till.waitForFinished(3000);
    }
}

QTEST_GUILESS_MAIN(TestCheckoutE2e)
#include "tst_checkout_e2e.moc"
