// The printer port, the system print path, the drawer, the reprint and the pole display,
// with plain files standing for printer devices and a pseudo-terminal for the display.

#include "devices.h"
#include "receipt.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A byte literal that may hold NUL.
template <std::size_t N>
QByteArray bytes(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A shop folder whose zazuvi.ini sends LPT1 to a plain file; the test reads what the
// "printer" got and every message the till would have shown.
class Shop {
public:
    Shop()
    {
        dir = tmp.path() + QLatin1Char('/');
        lp = dir + QStringLiteral("lp0");
        writeFile(lp, {});
        setPorts({{QStringLiteral("LPT1"), lp}});
        printer.setSettings({false, false, QStringLiteral("LPT1")});
        printer.setSystemPrint([this](const QString &path) {
            systemJobs << path;
            systemBytes << readAll(path);
            return systemAnswer;
        });
    }
    void setPorts(const QList<QPair<QString, QString>> &ports)
    {
        QByteArray ini = "; test shop\r\n[ports]\r\n";
        for (const auto &p : ports)
            ini += p.first.toUtf8() + '=' + p.second.toUtf8() + "\r\n";
        writeFile(dir + QStringLiteral("zazuvi.ini"), ini);
    }
    void settings(bool dayin, bool printC, const QString &port = QStringLiteral("LPT1"))
    {
        printer.setSettings({dayin, printC, port});
    }
    QByteArray printed() const { return readAll(lp); }

    QTemporaryDir tmp;
    QString dir;
    QString lp;
    QStringList shown;
    QStringList systemJobs;
    QList<QByteArray> systemBytes;
    QString systemAnswer;
    TillPrinter printer{tmp.path() + QLatin1Char('/'), [this](const QString &t) { shown << t; }};
};

// Reads from a pty master until want bytes arrived or a second passed.
QByteArray readMaster(int fd, qsizetype want)
{
    QByteArray got;
    while (got.size() < want) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) <= 0)
            break;
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        got.append(buf, n);
    }
    return got;
}

} // namespace

class TestDevices : public QObject {
    Q_OBJECT
private slots:
    void printFileCopiesLines_data();
    void printFileCopiesLines();
    void receiptReachesPortUnchanged();
    void portErrors_data();
    void portErrors();
    void printFileWithoutFile();
    void printerOffNoticeOnce();
    void printCRoutesToSystemPrinter();
    void systemPrinterProblemsAreShown();
    void cupsWithoutDestination();
    void openDrawerOnPort();
    void reprint();
    void reprintWithoutReceipt();
    void poleDisplayOnPty();
    void poleDisplayOnPlainFile();
    void poleDisplayWithoutPort();
};

void TestDevices::printFileCopiesLines_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("port");

    QTest::newRow("CR LF lines") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("LF lines, no final end") << QByteArray("a\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\nb\r\n") << QByteArray("a\r\n\r\nb\r\n");
    QTest::newRow("raw bytes") << bytes("\x1bp\x00<\xff\r\n\xd0\xa1\xb5\xea\r\n")
                               << bytes("\x1bp\x00<\xff\r\n\xd0\xa1\xb5\xea\r\n");
    QTest::newRow("lone CR stays inside a line") << QByteArray("a\rb\n") << QByteArray("a\rb\r\n");
    QTest::newRow("empty file") << QByteArray() << QByteArray();
}

void TestDevices::printFileCopiesLines()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, port);
    Shop shop;
    const QString src = shop.dir + QStringLiteral("日统计.txt");
    writeFile(src, file);
    QVERIFY(shop.printer.PrintFile(src));
    QCOMPARE(shop.printed(), port);
    QCOMPARE(shop.shown, QStringList());
}

void TestDevices::receiptReachesPortUnchanged()
{
    Shop shop;
    // The port name is matched without regard to case and may be any of the three.
    const QString lp3 = shop.dir + QStringLiteral("usb-lp");
    writeFile(lp3, {});
    shop.setPorts({{QStringLiteral("lpt3"), lp3}});
    shop.settings(false, false, QStringLiteral("LPT3"));

    ReceiptInput in;
    in.printTitle = QStringLiteral("小店");
    in.bigTitle = true;
    in.when = QDateTime(QDate(2024, 6, 1), QTime(9, 0));
    SaleLine l;
    l[SaleLine::Name] = QStringLiteral("苹果");
    l[SaleLine::Qty] = QStringLiteral("1");
    l[SaleLine::Price] = QStringLiteral("2.00");
    l[SaleLine::Amount] = QStringLiteral("2.00");
    in.lines << l;
    const QString out = shop.dir + QStringLiteral("output.txt");
    QVERIFY(writeReceipt(out, in));

    QVERIFY(shop.printer.printReceiptFile(out));
    QVERIFY(shop.printer.printReceiptFile(out));
    const QByteArray receipt = readAll(out);
    QVERIFY(receipt.startsWith(bytes("\x1b\x70\x00\x3c\xff\r\n\x1c\x26\r\n\x1c\x21\x0c\r\n")));
    // A device is a stream: the second receipt follows the first.
    QCOMPARE(readAll(lp3), receipt + receipt);
}

void TestDevices::portErrors_data()
{
    QTest::addColumn<QString>("device");  // "" = no [ports] entry: the default device
    QTest::addColumn<QString>("printtype");

    QTest::newRow("device file missing") << QStringLiteral("missing/lp0") << QStringLiteral("LPT1");
    QTest::newRow("device is a folder") << QStringLiteral(".") << QStringLiteral("LPT1");
    QTest::newRow("no port chosen") << QString() << QString();
    QTest::newRow("unknown port name") << QString() << QStringLiteral("LPT9");
}

void TestDevices::portErrors()
{
    QFETCH(QString, device);
    QFETCH(QString, printtype);
    Shop shop;
    shop.setPorts({{QStringLiteral("LPT1"), shop.dir + device}});
    shop.settings(false, false, printtype);
    const QString src = shop.dir + QStringLiteral("output.txt");
    writeFile(src, "x\r\n");

    QVERIFY(!shop.printer.PrintFile(src));
    QVERIFY(!shop.printer.openDrawer());
    QCOMPARE(shop.shown, QStringList({TillPrinter::notConnectedText(), TillPrinter::notConnectedText()}));
    // Nothing was created in place of the missing device.
    QVERIFY(!QFileInfo::exists(shop.dir + QStringLiteral("missing")));
    QCOMPARE(shop.printed(), QByteArray());
}

void TestDevices::printFileWithoutFile()
{
    Shop shop;
    const QString src = shop.dir + QStringLiteral("日统计.txt");
    QVERIFY(!shop.printer.PrintFile(src));
    QCOMPARE(shop.shown.size(), 1);
    QVERIFY2(shop.shown.first().contains(QStringLiteral("日统计.txt")), qPrintable(shop.shown.first()));
    QCOMPARE(shop.printed(), QByteArray());
}

void TestDevices::printerOffNoticeOnce()
{
    Shop shop;
    shop.settings(true, false);
    const QString out = shop.dir + QStringLiteral("output.txt");
    writeFile(out, "receipt\r\n");

    QVERIFY(!shop.printer.printerOffNoticeShown());
    QVERIFY(!shop.printer.printReceiptFile(out));
    QVERIFY(shop.printer.printerOffNoticeShown());
    QVERIFY(!shop.printer.PrintFile(out));
    QVERIFY(!shop.printer.printCFile(out));
    shop.printer.reprint();
    QCOMPARE(shop.shown, QStringList({TillPrinter::printerOffText()}));
    QCOMPARE(shop.printed(), QByteArray());
    QVERIFY(shop.systemJobs.isEmpty());

    // The drawer on the port does not ask whether printing is switched off.
    QVERIFY(shop.printer.openDrawer());
    QCOMPARE(shop.printed(), Escpos::DrawerPulse);

    // A new run (a new printer object) shows the notice again.
    TillPrinter next(shop.dir, [&](const QString &t) { shop.shown << t; });
    next.setSettings({true, false, QStringLiteral("LPT1")});
    QVERIFY(!next.PrintFile(out));
    QCOMPARE(shop.shown.size(), 2);
}

void TestDevices::printCRoutesToSystemPrinter()
{
    Shop shop;
    shop.settings(false, true, QString());  // USB setting: no port chosen
    const QString out = shop.dir + QStringLiteral("output.txt");
    const QString summary = shop.dir + QStringLiteral("日统计.txt");
    writeFile(out, "receipt\r\n");
    writeFile(summary, "summary\r\n");

    QVERIFY(shop.printer.printReceiptFile(out));
    QVERIFY(shop.printer.PrintFile(summary));  // the daily summary path
    QVERIFY(shop.printer.openDrawer());
    const QString open = QDir(shop.dir).absoluteFilePath(QStringLiteral("open.txt"));
    QCOMPARE(shop.systemJobs, QStringList({QDir(shop.dir).absoluteFilePath(QStringLiteral("output.txt")),
                                           QDir(shop.dir).absoluteFilePath(QStringLiteral("日统计.txt")), open}));
    QCOMPARE(shop.systemBytes.value(2), Escpos::DrawerPulse);
    QCOMPARE(shop.shown, QStringList());
    QCOMPARE(shop.printed(), QByteArray());

    // Printing switched off holds for the system printer and its drawer as well.
    shop.settings(true, true, QString());
    QVERIFY(!shop.printer.openDrawer());
    QCOMPARE(shop.shown, QStringList({TillPrinter::printerOffText()}));
    QCOMPARE(shop.systemJobs.size(), 3);
}

void TestDevices::systemPrinterProblemsAreShown()
{
    Shop shop;
    shop.settings(false, true);
    shop.systemAnswer = QStringLiteral("打印失败：no such printer");
    const QString out = shop.dir + QStringLiteral("output.txt");
    writeFile(out, "receipt\r\n");
    QVERIFY(!shop.printer.printCFile(out));
    QCOMPARE(shop.shown, QStringList({shop.systemAnswer}));

    shop.shown.clear();
    QVERIFY(!shop.printer.printCFile(shop.dir + QStringLiteral("none.txt")));
    QCOMPARE(shop.shown.size(), 1);
    QCOMPARE(shop.systemJobs.size(), 1);
}

void TestDevices::cupsWithoutDestination()
{
    // No scheduler to ask and no destination named in the environment or in lpoptions.
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("CUPS_SERVER", QDir(home.path()).absoluteFilePath(QStringLiteral("no-cupsd.sock")).toLocal8Bit());
    qunsetenv("LPDEST");
    qunsetenv("PRINTER");
    const QString file = home.path() + QStringLiteral("/output.txt");
    writeFile(file, "x\r\n");

    const QString none = TillPrinter::cupsPrintRaw(file);
    QVERIFY2(none.contains(QStringLiteral("默认打印机")), qPrintable(none));

    // A destination that cannot be reached: the job fails with CUPS' own reason.
    qputenv("PRINTER", "receipt");
    const QString failed = TillPrinter::cupsPrintRaw(file);
    QVERIFY2(failed.startsWith(QStringLiteral("打印失败：")), qPrintable(failed));

    qunsetenv("PRINTER");
    qunsetenv("CUPS_SERVER");
    qputenv("HOME", oldHome);
}

void TestDevices::openDrawerOnPort()
{
    Shop shop;
    QVERIFY(shop.printer.openDrawer());
    QCOMPARE(shop.printed(), bytes("\x1b\x70\x00\x3c\xff"));  // no line end
    QCOMPARE(shop.shown, QStringList());
}

void TestDevices::reprint()
{
    Shop shop;
    const QString out = shop.dir + QStringLiteral("output.txt");
    const QByteArray receipt = bytes("\x1bp\x00<\xff\r\nline\r\n");
    writeFile(out, receipt);
    shop.printer.reprint();
    QCOMPARE(shop.printed(), receipt);
    QCOMPARE(shop.shown, QStringList({TillPrinter::reprintedText()}));

    // A failed print is not reported as printed.
    shop.shown.clear();
    shop.setPorts({{QStringLiteral("LPT1"), shop.dir + QStringLiteral("gone")}});
    shop.printer.reprint();
    QCOMPARE(shop.shown, QStringList({TillPrinter::notConnectedText()}));

    // Through the system printer.
    shop.shown.clear();
    shop.settings(false, true);
    shop.printer.reprint();
    QCOMPARE(shop.systemBytes, QList<QByteArray>({receipt}));
    QCOMPARE(shop.shown, QStringList({TillPrinter::reprintedText()}));
}

void TestDevices::reprintWithoutReceipt()
{
    Shop shop;
    shop.printer.reprint();
    shop.settings(false, true);
    shop.printer.reprint();
    QCOMPARE(shop.shown, QStringList({TillPrinter::noLastReceiptText(), TillPrinter::noLastReceiptText()}));
    QCOMPARE(shop.printed(), QByteArray());
    QVERIFY(shop.systemJobs.isEmpty());
}

void TestDevices::poleDisplayOnPty()
{
    int master = -1, slave = -1;
    QVERIFY(::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
    const QString tty = QString::fromLocal8Bit(::ttyname(slave));

    Shop shop;
    shop.setPorts({{QStringLiteral("COM2"), tty}});
    PoleDisplay display(shop.dir);
    QVERIFY(!display.isOpen());
    QVERIFY(display.com_init(2, 2400));
    QVERIFY(display.isOpen());

    termios tio{};
    QCOMPARE(::tcgetattr(slave, &tio), 0);
    QCOMPARE(::cfgetospeed(&tio), speed_t(B2400));
    QCOMPARE(::cfgetispeed(&tio), speed_t(B2400));
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
    QCOMPARE(tio.c_oflag & OPOST, tcflag_t(0));  // CR must not become CR LF
    QCOMPARE(tio.c_lflag & (ICANON | ECHO), tcflag_t(0));

    display.showTotal(QStringLiteral("12.50"));
    display.showTendered(QStringLiteral("20"));
    display.showChange(QStringLiteral("7.50"));
    display.clear();
    display.show(QStringLiteral("0.00"));
    const QByteArray want = QByteArray("\x1bs2\x1bQA12.50\r"
                                       "\x1bs3\x1bQA20\r"
                                       "\x1bs4\x1bQA7.50\r"
                                       "\x0c\x1bQA0.00\r");
    QCOMPARE(readMaster(master, want.size()), want);

    display.com_send(QByteArray("\x1bQA1\r"));
    QCOMPARE(readMaster(master, 5), QByteArray("\x1bQA1\r"));

    display.com_rest();
    QVERIFY(!display.isOpen());
    display.show(QStringLiteral("9.99"));  // closed: nothing goes out
    pollfd p{master, POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 100), 0);
    ::close(slave);
    ::close(master);
}

void TestDevices::poleDisplayOnPlainFile()
{
    Shop shop;
    const QString capture = shop.dir + QStringLiteral("display.bin");
    writeFile(capture, {});
    shop.setPorts({{QStringLiteral("com1"), capture}});
    {
        PoleDisplay display(shop.dir);
        QVERIFY(display.com_init(1, 2400));
        display.showTotal(QStringLiteral("3.00"));
        display.clear();
    }  // closed by the destructor
    QCOMPARE(readAll(capture), QByteArray("\x1bs2\x1bQA3.00\r\x0c"));
}

void TestDevices::poleDisplayWithoutPort()
{
    Shop shop;
    shop.setPorts({{QStringLiteral("COM1"), shop.dir + QStringLiteral("no-such-tty")}});
    PoleDisplay display(shop.dir);
    QVERIFY(!display.com_init(1, 2400));
    QVERIFY(!display.isOpen());
    display.showTotal(QStringLiteral("1.00"));  // harmless while closed
    display.com_rest();
    QVERIFY(!QFileInfo::exists(shop.dir + QStringLiteral("no-such-tty")));

    const QString capture = shop.dir + QStringLiteral("display.bin");
    writeFile(capture, {});
    shop.setPorts({{QStringLiteral("COM1"), capture}});
    QVERIFY(!display.com_init(1, 1234));  // not a line speed
    QVERIFY(!display.com_init(4, 2400));  // COM4 is not a display port
}

QTEST_GUILESS_MAIN(TestDevices)
#include "tst_devices.moc"
