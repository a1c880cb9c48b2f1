// The receipt file byte for byte against hand-written GB18030 files in golden/.

#include "receipt.h"
#include "textfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(ReceiptInput)

namespace {

SaleLine line(const QString &name, const QString &qty, const QString &price, const QString &amount,
              const QString &ifAddup = QStringLiteral("-1"))
{
    SaleLine l;
    l.caption = QStringLiteral("6900000000000");
    l[SaleLine::Name] = name;
    l[SaleLine::Price] = price;
    l[SaleLine::Rate] = QStringLiteral("100");
    l[SaleLine::Qty] = qty;
    l[SaleLine::Amount] = amount;
    l[SaleLine::IfDis] = QStringLiteral("-1");
    l[SaleLine::IfAddup] = ifAddup;
    return l;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Names the first differing line, decoded, so a failure says what moved.
QString firstDifference(const QByteArray &got, const QByteArray &want)
{
    const QList<QByteArray> g = got.split('\n'), w = want.split('\n');
    for (qsizetype i = 0; i < std::max(g.size(), w.size()); ++i) {
        QByteArray a = g.value(i), b = w.value(i);
        a.replace('\r', ""), b.replace('\r', "");
        if (a != b)
            return QStringLiteral("line %1:\n got  [%2]\n want [%3]").arg(i + 1).arg(fromAnsi(a), fromAnsi(b));
    }
    return {};
}

} // namespace

class TestReceipt : public QObject {
    Q_OBJECT
private slots:
    void receiptFile_data();
    void receiptFile();
    void customText();
};

void TestReceipt::receiptFile_data()
{
    QTest::addColumn<ReceiptInput>("input");
    QTest::addColumn<QByteArray>("customFile");  // 小票自定义.txt, GB18030; empty: no file
    QTest::addColumn<QString>("golden");

    // Short title without the large title, no member (blank card), names of 5, 20 and 21
    // characters, a free line, values wider than their columns, the default margin.
    ReceiptInput plain;
    plain.printTitle = QStringLiteral("小店");
    plain.cashierName = QStringLiteral("收银员");
    plain.orderNo = QStringLiteral("40601093015");
    plain.when = QDateTime(QDate(2024, 6, 1), QTime(9, 30, 15));
    plain.lines = {line(QStringLiteral("可口可乐瓶"), QStringLiteral("2"), QStringLiteral("3.50"), QStringLiteral("7.00")),
                   line(QStringLiteral("农夫山泉天然矿泉水五百五十毫升装十二瓶整"), QStringLiteral("1"), QStringLiteral("36.00"),
                        QStringLiteral("36.00")),
                   line(QStringLiteral("农夫山泉天然矿泉水五百五十毫升装十二瓶整箱"), QStringLiteral("3"), QStringLiteral("36.00"),
                        QStringLiteral("108.00")),
                   line(QStringLiteral("赠品袋"), QStringLiteral("1"), QStringLiteral("0.50"), QStringLiteral("0.00")),
                   line(QStringLiteral("Apple"), QStringLiteral("12.5"), QStringLiteral("1234.50"), QStringLiteral("15431.25"))};
    plain.totalMoneyText = QStringLiteral("15582.75");
    plain.realMoneyText = QStringLiteral("15582.25");
    plain.receiveMoneyText = QStringLiteral(" 20000 ");
    plain.changeMoneyText = QStringLiteral("4417.75");
    plain.welcomeStr = QStringLiteral("  欢迎惠顾  ");
    plain.bianju = 3;
    QTest::newRow("no member, margin 3") << plain << QByteArray() << QStringLiteral("plain.txt");

    // Large title, a member with points (one line earns none), custom text, no margin.
    ReceiptInput member;
    member.printTitle = QStringLiteral("小店");
    member.bigTitle = true;
    member.cashierName = QStringLiteral("店长");
    member.orderNo = QStringLiteral("41231235959");
    member.when = QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59));
    member.lines = {line(QStringLiteral("牛奶"), QStringLiteral("1"), QStringLiteral("50.00"), QStringLiteral("50.00")),
                    line(QStringLiteral("香烟"), QStringLiteral("1"), QStringLiteral("8.00"), QStringLiteral("8.00"),
                         QStringLiteral("0"))};
    member.totalMoneyText = QStringLiteral("58.00");
    member.realMoneyText = QStringLiteral("58.00");
    member.receiveMoneyText = QStringLiteral("100");
    member.changeMoneyText = QStringLiteral("42.00");
    member.cardNo = QStringLiteral("M001");
    member.mtype = QStringLiteral("金卡");
    member.memberAttached = true;
    member.settledAmount = 58.0;
    member.noaddup = 8.0;
    member.addRate = 10;
    member.jifen = 120;
    member.welcomeStr = QStringLiteral("欢迎惠顾");
    member.bianju = 0;
    const QByteArray custom = toAnsi(QStringLiteral("地址：人民路1号\r\n\r\n谢谢光临 Thank you\r\n"));
    QTest::newRow("member, custom text, margin 0") << member << custom << QStringLiteral("member.txt");

    // Titles longer than the paper get no indent; names of 15, 16 and 17 characters;
    // 4.35 - 0.35 is 3.99999... as a double but 4 points; no custom text and no margin.
    ReceiptInput wide;
    wide.printTitle = QStringLiteral("康师傅红烧牛肉面桶装一百零五克装箱");
    wide.bigTitle = true;
    wide.cashierName = QStringLiteral("abcdefghijk");
    wide.orderNo = QStringLiteral("50102030405");
    wide.when = QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5));
    wide.lines = {line(QStringLiteral("康师傅红烧牛肉面桶装一百零五克"), QStringLiteral("1"), QStringLiteral("4.00"), QStringLiteral("4.00")),
                  line(QStringLiteral("康师傅红烧牛肉面桶装一百零五克装"), QStringLiteral("1"), QStringLiteral("0.35"),
                       QStringLiteral("0.35"), QStringLiteral("0")),
                  line(QStringLiteral("康师傅红烧牛肉面桶装一百零五克装箱"), QStringLiteral("1"), QStringLiteral("0.00"),
                       QStringLiteral("0.00"))};
    wide.totalMoneyText = QStringLiteral("4.35");
    wide.realMoneyText = QStringLiteral("4.35");
    wide.receiveMoneyText = QString();
    wide.changeMoneyText = QStringLiteral("0");
    wide.cardNo = QStringLiteral("1234567890");
    wide.memberAttached = true;
    wide.settledAmount = 4.35;
    wide.noaddup = 0.35;
    wide.addRate = 1;
    wide.jifen = 0;
    wide.welcomeStr = QStringLiteral("\tWelcome, welcome, welcome to our shop! ");
    wide.bianju = 0;
    QTest::newRow("wide fields, margin 0") << wide << QByteArray() << QStringLiteral("long.txt");
}

void TestReceipt::receiptFile()
{
    QFETCH(ReceiptInput, input);
    QFETCH(QByteArray, customFile);
    QFETCH(QString, golden);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + QLatin1Char('/');
    if (!customFile.isEmpty()) {
        QFile f(folder + QStringLiteral("小票自定义.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(customFile);
    }
    input.customLines = customReceiptLines(folder);

    const QString out = folder + QStringLiteral("output.txt");
    QString error;
    QVERIFY2(writeReceipt(out, input, &error), qPrintable(error));

    const QByteArray got = readAll(out);
    const QByteArray want = readAll(QStringLiteral(GOLDEN_DIR) + golden);
    QVERIFY(!want.isEmpty());
    QVERIFY2(got == want, qPrintable(firstDifference(got, want)));
    QCOMPARE(receiptBytes(makeReceiptLines(input)), want);
}

void TestReceipt::customText()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QVERIFY(customReceiptLines(folder).isEmpty());

    QFile f(folder + QStringLiteral("小票自定义.txt"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(toAnsi(QStringLiteral("欢迎再来\n会员日每周三")));  // LF only, no final line end
    f.close();
    QCOMPARE(customReceiptLines(folder), QStringList({QStringLiteral("欢迎再来"), QStringLiteral("会员日每周三")}));
}

QTEST_GUILESS_MAIN(TestReceipt)
#include "tst_receipt.moc"
