// Scrambling, money parsing and number texts, INI reading.
#include "clock.h"
#include "ini.h"
#include "money.h"
#include "scramble.h"
#include "textfile.h"

#include <QTemporaryDir>
#include <QtTest>

class TestHelpers : public QObject {
    Q_OBJECT
private slots:
    void scrambleIsItsOwnInverse_data();
    void scrambleIsItsOwnInverse();
    void scrambledFormIsPrintable();
    void storeKeyIsFiveCharacters();
    void strToFloatEx_data();
    void strToFloatEx();
    void moneyFromDouble_data();
    void moneyFromDouble();
    void fixedText_data();
    void fixedText();
    void qtyText_data();
    void qtyText();
    void displayFormats();
    void padding();
    void ansiFileRoundTrip();
    void iniKeysIgnoreCase();
    void iniSaveKeepsComments();
    void zazuviIniPorts();
    void orderNumber();
};

void TestHelpers::scrambleIsItsOwnInverse_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("initial") << QStringLiteral("806");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank and signs") << QStringLiteral("a b!~{}");
    QTest::newRow("latin1") << QStringLiteral("ÿé¥");
}

void TestHelpers::scrambleIsItsOwnInverse()
{
    QFETCH(QString, text);
    const QString s = ShowStr(text);
    QCOMPARE(s.size(), text.size());
    QCOMPARE(ShowStr(s), text);
    if (!text.isEmpty())
        QVERIFY(s != text);
}

void TestHelpers::scrambledFormIsPrintable()
{
    // Every printable ASCII password character maps outside the control ranges (0xA0..0xFF).
    for (char16_t c = 0x20; c < 0x7F; ++c) {
        const QChar s = ShowStr(QString(QChar(c))).at(0);
        QVERIFY2(s.unicode() >= 0xA0 && s.unicode() <= 0xFF, qPrintable(QString(QChar(c))));
    }
}

void TestHelpers::storeKeyIsFiveCharacters()
{
    QCOMPARE(storeKeyText().size(), 5);
    QCOMPARE(storeKey(), storeKeyText().toUtf8());
}

void TestHelpers::strToFloatEx_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("yuan and thousands") << QStringLiteral("￥2,468.50") << 2468.5;
    QTest::newRow("thousands") << QStringLiteral("5,000") << 5000.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("letters") << QStringLiteral("abc") << 0.0;
    QTest::newRow("trailing letter") << QStringLiteral("12a") << 0.0;
    QTest::newRow("text before yuan dropped") << QStringLiteral("共:￥12.30") << 12.3;
    QTest::newRow("negative") << QStringLiteral("-3.25") << -3.25;
    QTest::newRow("blanks") << QStringLiteral(" 7 ") << 7.0;
    QTest::newRow("inf is no number") << QStringLiteral("inf") << 0.0;
    QTest::newRow("only yuan") << QStringLiteral("￥") << 0.0;
}

void TestHelpers::strToFloatEx()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(StrToFloatEx(text), value);
}

void TestHelpers::moneyFromDouble_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("units");
    QTest::newRow("plain") << 12.5 << qint64(125000);
    QTest::newRow("half unit to even 0") << 0.00005 << qint64(0);
    QTest::newRow("2.5 units to even 2") << 0.00025 << qint64(2);
    QTest::newRow("3.5 units to even 4") << 0.00035 << qint64(4);
    QTest::newRow("negative") << -3.25 << qint64(-32500);
    QTest::newRow("2.675") << 2.675 << qint64(26750);
}

void TestHelpers::moneyFromDouble()
{
    QFETCH(double, value);
    QFETCH(qint64, units);
    QCOMPARE(qint64(Money::fromDouble(value).units()), units);
}

void TestHelpers::fixedText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.125 up") << 0.125 << QStringLiteral("0.13");
    QTest::newRow("2.675 up on the decimal value") << 2.675 << QStringLiteral("2.68");
    QTest::newRow("1.005") << 1.005 << QStringLiteral("1.01");
    QTest::newRow("negative away from zero") << -2.675 << QStringLiteral("-2.68");
    QTest::newRow("negative tiny is zero") << -0.001 << QStringLiteral("0.00");
    QTest::newRow("carry") << 9.995 << QStringLiteral("10.00");
    QTest::newRow("zero") << 0.0 << QStringLiteral("0.00");
    QTest::newRow("large") << 1234567.891 << QStringLiteral("1234567.89");
    QTest::newRow("sum of tenths") << 0.1 + 0.2 << QStringLiteral("0.30");
    QTest::newRow("small") << 0.004 << QStringLiteral("0.00");
}

void TestHelpers::fixedText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(formatMoney(value), text);
    // The fixed-point type agrees wherever the value is exact in 1/10000.
    if (std::abs(value) < 1e6)
        QCOMPARE(Money::fromDouble(value).toText(), text);
}

void TestHelpers::qtyText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 1.0 << QStringLiteral("1");
    QTest::newRow("half") << 2.5 << QStringLiteral("2.5");
    QTest::newRow("binary noise hidden") << 0.1 + 0.2 << QStringLiteral("0.3");
    QTest::newRow("negative") << -2.0 << QStringLiteral("-2");
    QTest::newRow("large") << 1000000.0 << QStringLiteral("1000000");
}

void TestHelpers::qtyText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(formatQty(value), text);
}

void TestHelpers::displayFormats()
{
    QCOMPARE(formatYuan(QVariant(12.5)), QStringLiteral("￥12.50"));
    QCOMPARE(formatYuan(QVariant()), QString());
    QCOMPARE(formatMargin(QVariant(23.46)), QStringLiteral("23.5%"));
    QCOMPARE(formatMargin(QVariant()), QStringLiteral("0.0%"));
}

void TestHelpers::padding()
{
    QCOMPARE(padRight(QStringLiteral("张三"), 9), QStringLiteral("张三       "));
    QCOMPARE(padRight(QStringLiteral("0123456789"), 9), QStringLiteral("0123456789"));
    QCOMPARE(padLeft(QStringLiteral("1"), 2), QStringLiteral(" 1"));
}

void TestHelpers::ansiFileRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    QVERIFY(writeAnsiLines(path, {QStringLiteral("商品名称"), QStringLiteral("abc")}));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("\xc9\xcc\xc6\xb7\xc3\xfb\xb3\xc6\r\nabc\r\n"));
    QCOMPARE(readAnsiLines(path), QStringList({QStringLiteral("商品名称"), QStringLiteral("abc")}));
    bool ok = true;
    QVERIFY(readAnsiLines(dir.filePath(QStringLiteral("missing")), &ok).isEmpty());
    QVERIFY(!ok);
}

void TestHelpers::iniKeysIgnoreCase()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.ini"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Cash]\r\nWidth=800\r\nflag=1\r\nbad=x\r\n");
    f.close();
    IniFile ini = IniFile::load(path);
    QCOMPARE(ini.intValue(QStringLiteral("cash"), QStringLiteral("width"), 0), 800);
    QVERIFY(ini.boolValue(QStringLiteral("CASH"), QStringLiteral("FLAG"), false));
    QCOMPARE(ini.intValue(QStringLiteral("cash"), QStringLiteral("bad"), 7), 7);  // unreadable = missing
    ini.setInt(QStringLiteral("cash"), QStringLiteral("width"), 1024);
    QVERIFY(ini.save(path));
    const IniFile again = IniFile::load(path);
    QCOMPARE(again.keys(QStringLiteral("cash")), QStringList({QStringLiteral("Width"), QStringLiteral("flag"), QStringLiteral("bad")}));
    QCOMPARE(again.value(QStringLiteral("cash"), QStringLiteral("WIDTH")), QStringLiteral("1024"));
    bool exists = true;
    QVERIFY(IniFile::load(dir.filePath(QStringLiteral("none.ini")), &exists).keys(QStringLiteral("cash")).isEmpty());
    QVERIFY(!exists);
}

void TestHelpers::iniSaveKeepsComments()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("z.ini"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("; shop\n[ports]\nLPT1=/tmp/x\n");
    f.close();
    IniFile ini = IniFile::load(path);
    ini.setValue(QStringLiteral("services"), QStringLiteral("search"), QStringLiteral("http://a/b"));
    QVERIFY(ini.save(path));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("; shop\n[ports]\nLPT1=/tmp/x\n[services]\nsearch=http://a/b\n"));
}

void TestHelpers::zazuviIniPorts()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    ZazuviIni none = ZazuviIni::load(folder);
    QCOMPARE(none.portDevice(QStringLiteral("LPT1")), QStringLiteral("/dev/lp0"));
    QCOMPARE(none.portDevice(QStringLiteral("com3")), QStringLiteral("/dev/ttyS2"));
    QCOMPARE(none.portDevice(QStringLiteral("LPT9")), QString());
    QFile f(folder + QStringLiteral("zazuvi.ini"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Ports]\nlpt2=/tmp/printer\n[services]\nSearch=http://127.0.0.1:1/s\n");
    f.close();
    ZazuviIni z = ZazuviIni::load(folder);
    QCOMPARE(z.portDevice(QStringLiteral("LPT2")), QStringLiteral("/tmp/printer"));
    QCOMPARE(z.portDevice(QStringLiteral("LPT1")), QStringLiteral("/dev/lp0"));
    QCOMPARE(z.service(QStringLiteral("search")), QStringLiteral("http://127.0.0.1:1/s"));
    QCOMPARE(z.service(QStringLiteral("add"), QStringLiteral("d")), QStringLiteral("d"));
}

void TestHelpers::orderNumber()
{
    const QDateTime t(QDate(2026, 12, 11), QTime(9, 5, 7));
    QCOMPARE(orderNumberAt(t), QStringLiteral("61211090507"));
    Clock::setFixed(t);
    Clock::advance(1000);
    QCOMPARE(Clock::now(), t.addSecs(1));
    Clock::setSource(nullptr);
    QVERIFY(qAbs(Clock::now().secsTo(QDateTime::currentDateTime())) < 5);
}

QTEST_GUILESS_MAIN(TestHelpers)
#include "test_helpers.moc"
