// Held sales: files and index in the program folder, numbers that never collide, and
// the held-sales dialog driven with keys.

#include "guadanform.h"
#include "heldsales.h"
#include "msgbox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QDateTime kNoon(QDate(2024, 6, 15), QTime(12, 0, 5));

SaleLine line(const QString &code, const QString &name, const QString &amount)
{
    SaleLine l;
    l.caption = code;
    l[SaleLine::Name] = name;
    l[SaleLine::Price] = QStringLiteral("10.00");
    l[SaleLine::MemberPrice] = QStringLiteral("8.00");
    l[SaleLine::Rate] = QStringLiteral("90");
    l[SaleLine::Qty] = QStringLiteral("1.5");
    l[SaleLine::Amount] = amount;
    l[SaleLine::UnitCost] = QStringLiteral("6.25");
    l[SaleLine::CostAmount] = QStringLiteral("9.375");
    l[SaleLine::IfDis] = QStringLiteral("-1");
    l[SaleLine::IfAddup] = QStringLiteral("0");
    l[SaleLine::GoodsId] = QStringLiteral("42");
    return l;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Script {
    Script() { Msg::setScript([](const QString &, const QString &) { return false; }); }
    ~Script() { Msg::clearScript(); }
};

} // namespace

class TestHeldSales : public QObject {
    Q_OBJECT
private slots:
    void formatKeepsEveryText();
    void holdTwoRecallOlderAfterRestart();
    void sameSecondHoldsGetDistinctNumbers();
    void indexCreatedWhenMissing();
    void damagedIndexRefusesHold();
    void legacyIndexIsRead();
    void dialogListsNewestFirstAndRecalls();
    void dialogDeleteAndEscape();
    void dialogMissingFileRemovesDeadEntry();
};

void TestHeldSales::formatKeepsEveryText()
{
    SaleLines lines{line(QStringLiteral("6901234567892"), QStringLiteral("农夫山泉 550ml \"特价\" <&>"), QStringLiteral("13.50")),
                    line(QString(), QString(), QString()), line(QStringLiteral("A\nB"), QStringLiteral("𠀀字"), QStringLiteral("0.00"))};
    lines[1][SaleLine::MemberPrice].clear();
    SaleLines back;
    QVERIFY(HeldSales::decode(HeldSales::encode(lines), &back));
    QCOMPARE(back, lines);
    QVERIFY(HeldSales::decode(HeldSales::encode({}), &back));
    QVERIFY(back.isEmpty());
    QVERIFY(!HeldSales::decode("not a held sale", &back));
    QVERIFY(!HeldSales::decode(R"({"format":"zazuvi-held-sale","lines":[{"barcode":"1","texts":["a"]}]})", &back));
}

void TestHeldSales::holdTwoRecallOlderAfterRestart()
{
    QTemporaryDir dir;
    const SaleLines first{line(QStringLiteral("111"), QStringLiteral("苹果"), QStringLiteral("13.50"))};
    const SaleLines second{line(QStringLiteral("222"), QStringLiteral("香蕉"), QStringLiteral("2.00")),
                           line(QStringLiteral("333"), QStringLiteral("橙子"), QStringLiteral("4.00"))};
    QString no1, no2, error;
    {
        HeldSales held(dir.path());
        no1 = held.hold(first, QStringLiteral("15.00"), QStringLiteral("收银员"), kNoon, &error);
        QCOMPARE(no1, QStringLiteral("40615120005"));
        no2 = held.hold(second, QStringLiteral("6.00"), QStringLiteral("店长"), kNoon.addSecs(70), &error);
        QCOMPARE(no2, QStringLiteral("40615120115"));
        QVERIFY(error.isEmpty());
    }
    // A new till run over the same folder.
    HeldSales held(dir.path() + QLatin1Char('/'));
    const QList<HeldEntry> entries = held.entries();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].no, no2);
    QCOMPARE(entries[0].date, QStringLiteral("2024-06-15 12:01"));
    QCOMPARE(entries[0].sum, QStringLiteral("6.00"));
    QCOMPARE(entries[0].by, QStringLiteral("店长"));
    QCOMPARE(entries[1].no, no1);

    SaleLines back;
    QCOMPARE(held.read(no1, &back), HeldSales::Recall::Ok);
    QCOMPARE(back, first);
    QVERIFY(held.remove(no1));
    QVERIFY(!QFile::exists(held.filePath(no1)));
    QCOMPARE(held.entries().size(), 1);
    QCOMPARE(held.read(no2, &back), HeldSales::Recall::Ok);
    QCOMPARE(back, second);
}

void TestHeldSales::sameSecondHoldsGetDistinctNumbers()
{
    QTemporaryDir dir;
    HeldSales held(dir.path());
    QString error;
    const SaleLines a{line(QStringLiteral("1"), QStringLiteral("甲"), QStringLiteral("1.00"))};
    const SaleLines b{line(QStringLiteral("2"), QStringLiteral("乙"), QStringLiteral("2.00"))};
    const SaleLines c{line(QStringLiteral("3"), QStringLiteral("丙"), QStringLiteral("3.00"))};
    const QString na = held.hold(a, QStringLiteral("1.00"), QStringLiteral("x"), kNoon, &error);
    const QString nb = held.hold(b, QStringLiteral("2.00"), QStringLiteral("x"), kNoon.addMSecs(400), &error);
    // The next second is taken now as well, so the third moves on two seconds.
    const QString nc = held.hold(c, QStringLiteral("3.00"), QStringLiteral("x"), kNoon, &error);
    QCOMPARE(na, QStringLiteral("40615120005"));
    QCOMPARE(nb, QStringLiteral("40615120006"));
    QCOMPARE(nc, QStringLiteral("40615120007"));
    QCOMPARE(nb.size(), 11);
    SaleLines back;
    QCOMPARE(held.read(na, &back), HeldSales::Recall::Ok);
    QCOMPARE(back, a);
    QCOMPARE(held.read(nb, &back), HeldSales::Recall::Ok);
    QCOMPARE(back, b);
    // Removing one leaves the others.
    QVERIFY(held.remove(nb));
    QStringList left;
    for (const HeldEntry &e : held.entries())
        left << e.no;
    QCOMPARE(left, (QStringList{nc, na}));
}

void TestHeldSales::indexCreatedWhenMissing()
{
    QTemporaryDir dir;
    HeldSales held(dir.path());
    QVERIFY(!QFile::exists(held.indexPath()));
    bool ok = false;
    QVERIFY(held.entries(&ok).isEmpty());
    QVERIFY(ok);
    QString error;
    const QString no = held.hold({line(QStringLiteral("1"), QStringLiteral("甲"), QStringLiteral("1.00"))},
                                 QStringLiteral("1.00"), QStringLiteral("x"), kNoon, &error);
    QVERIFY2(!no.isEmpty(), qPrintable(error));
    QVERIFY(QFile::exists(held.indexPath()));
    QCOMPARE(held.entries().size(), 1);
    const QByteArray xml = readAll(held.indexPath());
    QVERIFY(xml.contains("<item no=\"40615120005\" date=\"2024-06-15 12:00\" sum=\"1.00\" by=\"x\"/>"));

    // An empty file made by hand counts as an empty list.
    QTemporaryDir dir2;
    HeldSales held2(dir2.path());
    QFile f(held2.indexPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(!held2.hold({}, QStringLiteral("0.00"), QStringLiteral("x"), kNoon, &error).isEmpty());
}

void TestHeldSales::damagedIndexRefusesHold()
{
    QTemporaryDir dir;
    HeldSales held(dir.path());
    const QByteArray damaged = "<list><item no=\"40615110000\" date=\"d\" sum=\"1.00\" by=\"x\"/><item no=";
    QFile f(held.indexPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(damaged);
    f.close();
    QString error;
    QVERIFY(held.hold({line(QStringLiteral("1"), QStringLiteral("甲"), QStringLiteral("1.00"))},
                      QStringLiteral("1.00"), QStringLiteral("x"), kNoon, &error)
                .isEmpty());
    QVERIFY(error.contains(QStringLiteral("hlist.xml")));
    // Nothing written: the index is as it was and no sale file is left behind.
    QCOMPARE(readAll(held.indexPath()), damaged);
    QVERIFY(!QFile::exists(held.filePath(QStringLiteral("40615120005"))));
    // The entries read before the damage are still listed.
    bool ok = true;
    QCOMPARE(held.entries(&ok).size(), 1);
    QVERIFY(!ok);
}

void TestHeldSales::legacyIndexIsRead()
{
    // Another document element name, other child names: every child is an entry.
    QTemporaryDir dir;
    HeldSales held(dir.path());
    QFile f(held.indexPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root><item no=\"40101090000\" date=\"2024-01-01 09:00\" "
            "sum=\"5.00\" by=\"\xE5\xBA\x97\xE9\x95\xBF\"/><x no=\"40101090100\"/></root>");
    f.close();
    QString error;
    const QString no = held.hold({}, QStringLiteral("0.00"), QStringLiteral("x"), kNoon, &error);
    QVERIFY(!no.isEmpty());
    const QList<HeldEntry> e = held.entries();
    QCOMPARE(e.size(), 3);
    QCOMPARE(e[2].by, QStringLiteral("店长"));
    QCOMPARE(e[1].no, QStringLiteral("40101090100"));
    QVERIFY(readAll(held.indexPath()).contains("<root>"));
}

void TestHeldSales::dialogListsNewestFirstAndRecalls()
{
    Script script;
    QTemporaryDir dir;
    HeldSales held(dir.path());
    QString error;
    const SaleLines older{line(QStringLiteral("111"), QStringLiteral("苹果"), QStringLiteral("13.50"))};
    const SaleLines newer{line(QStringLiteral("222"), QStringLiteral("香蕉"), QStringLiteral("2.00"))};
    const QString noOld = held.hold(older, QStringLiteral("15.00"), QStringLiteral("收银员"), kNoon, &error);
    const QString noNew = held.hold(newer, QStringLiteral("2.00"), QStringLiteral("收银员"), kNoon.addSecs(60), &error);

    TguadanForm dlg(held);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("取单"));
    QCOMPARE(dlg.gdListView->topLevelItemCount(), 2);
    QTreeWidgetItem *top = dlg.gdListView->topLevelItem(0);
    QCOMPARE(top->text(0), noNew);
    QCOMPARE(top->text(1), QStringLiteral("2024-06-15 12:01"));
    QCOMPARE(top->text(2), QStringLiteral("￥2.00"));
    QCOMPARE(top->text(3), QStringLiteral("收银员"));
    QCOMPARE(dlg.gdListView->currentItem(), top);
    // Down past the last row stays on it; Enter recalls the older sale.
    QTest::keyClick(dlg.gdListView, Qt::Key_Down);
    QTest::keyClick(dlg.gdListView, Qt::Key_Down);
    QCOMPARE(dlg.gdListView->currentItem()->text(0), noOld);
    QTest::keyClick(dlg.gdListView, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(dlg.recalled());
    QCOMPARE(dlg.number(), noOld);
    QCOMPARE(dlg.lines(), older);
    // Recalled: its file and entry are gone, the other stays.
    QVERIFY(!QFile::exists(held.filePath(noOld)));
    QCOMPARE(held.entries().size(), 1);
    TguadanForm again(held);
    QCOMPARE(again.gdListView->topLevelItemCount(), 1);
    QCOMPARE(again.gdListView->topLevelItem(0)->text(0), noNew);
}

void TestHeldSales::dialogDeleteAndEscape()
{
    Script script;
    QTemporaryDir dir;
    HeldSales held(dir.path());
    QString error;
    const QString no = held.hold({line(QStringLiteral("1"), QStringLiteral("甲"), QStringLiteral("1.00"))},
                                 QStringLiteral("1.00"), QStringLiteral("x"), kNoon, &error);
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_F12)}) {
        TguadanForm dlg(held);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClick(dlg.gdListView, Qt::Key(key));
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.recalled());
    }
    TguadanForm dlg(held);
    dlg.deleteSelected();
    QCOMPARE(dlg.gdListView->topLevelItemCount(), 0);
    QVERIFY(held.entries().isEmpty());
    QVERIFY(!QFile::exists(held.filePath(no)));
    // Enter on an empty list only closes.
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(dlg.gdListView, Qt::Key_Return);
    QVERIFY(!dlg.isVisible());
    QVERIFY(!dlg.recalled());
}

void TestHeldSales::dialogMissingFileRemovesDeadEntry()
{
    Script script;
    QTemporaryDir dir;
    HeldSales held(dir.path());
    QString error;
    const QString dead = held.hold({line(QStringLiteral("1"), QStringLiteral("甲"), QStringLiteral("1.00"))},
                                   QStringLiteral("1.00"), QStringLiteral("x"), kNoon, &error);
    const QString alive = held.hold({line(QStringLiteral("2"), QStringLiteral("乙"), QStringLiteral("2.00"))},
                                    QStringLiteral("2.00"), QStringLiteral("x"), kNoon.addSecs(9), &error);
    QVERIFY(QFile::remove(held.filePath(dead)));

    TguadanForm dlg(held);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(dlg.gdListView, Qt::Key_Down);
    QCOMPARE(dlg.gdListView->currentItem()->text(0), dead);
    QTest::keyClick(dlg.gdListView, Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), QStringList{HeldSales::MissingFile});
    QVERIFY(dlg.isVisible());
    QVERIFY(!dlg.recalled());
    QCOMPARE(dlg.gdListView->topLevelItemCount(), 1);
    QCOMPARE(held.entries().size(), 1);
    QCOMPARE(held.entries().first().no, alive);

    // A file that cannot be read is kept, with its entry.
    QFile f(held.filePath(alive));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("garbage");
    f.close();
    QTest::keyClick(dlg.gdListView, Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), QStringList{HeldSales::UnreadableFile});
    QVERIFY(QFile::exists(held.filePath(alive)));
    QCOMPARE(held.entries().size(), 1);
}

QTEST_MAIN(TestHeldSales)
#include "tst_heldsales.moc"
