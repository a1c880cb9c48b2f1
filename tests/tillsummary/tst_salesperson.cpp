// The salesperson of a sale: lookup by code before name, the dialog's keyboard path
// (type, Enter, Enter) and the cases that must leave the till's salesperson alone.

#include "msgbox.h"
#include "salesform.h"
#include "salespersons.h"
#include "testshop.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
void addSales(TestShop &shop, const QString &no, const QString &name)
{
    shop.exec(u"insert into sales(sales_no,sales_name) values(:n,:m)"_s, {{u"n"_s, no}, {u"m"_s, name}});
}

// 小李's code is the name of 小张's colleague "007"; 007 is also a name.
void fill(TestShop &shop)
{
    addSales(shop, u"01"_s, u"小王"_s);
    addSales(shop, u"007"_s, u"小李"_s);
    addSales(shop, u"02"_s, u"007"_s);
}
}  // namespace

class TestSalesperson : public QObject {
    Q_OBJECT
private slots:
    void init() { Msg::setScript([](const QString &, const QString &) { return true; }); }
    void cleanup() { Msg::clearScript(); }

    void find_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");  // empty: not found
        QTest::newRow("code") << u"01"_s << u"小王"_s;
        QTest::newRow("name") << u"小王"_s << u"小王"_s;
        QTest::newRow("code wins over a name") << u"007"_s << u"小李"_s;
        QTest::newRow("trimmed") << u"  02 "_s << u"007"_s;
        QTest::newRow("unknown") << u"99"_s << QString();
        QTest::newRow("quote") << u"x' or '1'='1"_s << QString();
        QTest::newRow("blank") << u"   "_s << QString();
    }
    void find()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        TestShop shop;
        fill(shop);
        const std::optional<Salesperson> s = Salespersons::find(shop.store(), text);
        QCOMPARE(s.has_value(), !name.isEmpty());
        if (s) {
            QCOMPARE(s->name, name);
            QCOMPARE(shop.scalar(u"select sales_name from sales where sales_id=:i"_s, {{u"i"_s, s->id}}).toString(), name);
        }
    }

    void dialogByKeyboard()
    {
        TestShop shop;
        fill(shop);
        TsalesForm f(shop.store());
        QCOMPARE(f.windowTitle(), u"销售人员"_s);
        QCOMPARE(f.nameCbx->count(), 3);
        QCOMPARE(f.nameCbx->itemText(0), u"小王"_s);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QCOMPARE(QApplication::focusWidget() == f.nameCbx || QApplication::focusWidget() == f.nameCbx->lineEdit(), true);
        QTest::keyClicks(QApplication::focusWidget(), u"007"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(f.isVisible());
        QVERIFY(f.query);
        QCOMPARE(f.Label2->text(), u"销售人员姓名：小李"_s);
        QCOMPARE(QApplication::focusWidget(), f.Okbtn);
        QCOMPARE(f.nameCbx->count(), 3);  // the typed code did not join the list
        QTest::keyClick(f.Okbtn, Qt::Key_Return);
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(f.salesName(), u"小李"_s);
        QCOMPARE(f.salesId(), 2);
        QCOMPARE(Salespersons::statusText(f.salesName()), u"销售:小李"_s);
    }

    void unknownIsCleared()
    {
        TestShop shop;
        fill(shop);
        TsalesForm f(shop.store());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.nameCbx->setEditText(u"小王"_s);
        QVERIFY(f.lookup());
        Msg::takeShown();
        f.nameCbx->setEditText(u"nobody"_s);
        QTest::keyClick(f.nameCbx->lineEdit(), Qt::Key_Return);
        QCOMPARE(Msg::takeShown(), QStringList{u"无此销售人员，请重新输入"_s});
        QVERIFY(!f.query);
        QCOMPARE(f.nameCbx->currentText(), QString());
        QCOMPARE(f.Label2->text(), u"销售人员姓名："_s);
        QTest::mouseClick(f.Okbtn, Qt::LeftButton);
        QCOMPARE(f.result(), int(QDialog::Rejected));
        QCOMPARE(f.salesId(), -1);
    }

    // Typing anew after a lookup withdraws the found salesperson, so "确认" never hands
    // over someone other than the one the field shows.
    void editingWithdrawsTheLookup()
    {
        TestShop shop;
        fill(shop);
        TsalesForm f(shop.store());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.nameCbx->setEditText(u"01"_s);
        QVERIFY(f.lookup());
        f.nameCbx->lineEdit()->setFocus();
        QTest::keyClick(f.nameCbx->lineEdit(), Qt::Key_2);
        QVERIFY(!f.query);
        f.confirm();
        QCOMPARE(f.result(), int(QDialog::Rejected));
    }

    void closeKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("F5") << int(Qt::Key_F5);
    }
    void closeKeys()
    {
        QFETCH(int, key);
        TestShop shop;
        fill(shop);
        TsalesForm f(shop.store());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.nameCbx->setEditText(u"01"_s);
        QVERIFY(f.lookup());
        QTest::keyClick(f.Okbtn, Qt::Key(key));
        QVERIFY(!f.isVisible());
        QCOMPARE(f.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestSalesperson)
#include "tst_salesperson.moc"
