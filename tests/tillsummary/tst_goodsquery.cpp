// The goods query: barcode, then goods number, then name; substring or exact; retired
// goods never found; the chosen cell goes back to the till's code field with an Enter.

#include "datagrid.h"
#include "goodsqueryform.h"
#include "goodssearch.h"
#include "models.h"
#include "msgbox.h"
#include "testshop.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

void fill(TestShop &shop)
{
    shop.addGoods(u"6901234"_s, u"苹果"_s, 5, 0, 10, 0, u"X1"_s);
    shop.addGoods(u"5550690"_s, u"梨"_s, 6, 0, 10, 4.5, u"690A"_s);
    shop.addGoods(u"1111"_s, u"香蕉690"_s, 7, 0, 10, 0, u"A690"_s);
    shop.addGoods(u"2222"_s, u"牛奶"_s, 8, 0, 10, 0, u"G2"_s);
    shop.addGoods(u"3333"_s, u"G2"_s, 9, 0, 10, 0, u"G3"_s);
    const qint64 hidden = shop.addGoods(u"6909999"_s, u"旧货"_s, 1, 0, 10, 0, u"OLD9"_s);
    shop.exec(u"update goods set hide=-1 where goods_id=:g"_s, {{u"g"_s, hidden}});
}

QStringList barcodes(const QueryModel &m)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.rawValue(r, u"barcode"_s).toString();
    return out;
}

// Records the key presses a code field receives once the event loop delivers them.
struct KeyRecorder : QObject {
    QList<int> keys;
    QString textAtEnter;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::KeyPress) {
            keys << static_cast<QKeyEvent *>(e)->key();
            textAtEnter = static_cast<QLineEdit *>(o)->text();
        }
        return false;
    }
};

}  // namespace

class TestGoodsQuery : public QObject {
    Q_OBJECT
private slots:
    void init() { Msg::setScript([](const QString &, const QString &) { return true; }); }
    void cleanup() { Msg::clearScript(); }

    void searchOrder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("substring");
        QTest::addColumn<int>("field");
        QTest::addColumn<QStringList>("found");
        using F = GoodsSearch::Field;
        QTest::newRow("barcodes first") << u"690"_s << true << int(F::Barcode)
                                        << QStringList{u"6901234"_s, u"5550690"_s};
        QTest::newRow("goods numbers only when no barcode") << u"A69"_s << true << int(F::GoodsNo)
                                                            << QStringList{u"1111"_s};
        QTest::newRow("letters ignore case") << u"a69"_s << true << int(F::GoodsNo)
                                             << QStringList{u"1111"_s};
        QTest::newRow("names last") << u"香蕉"_s << true << int(F::Name) << QStringList{u"1111"_s};
        QTest::newRow("exact goods number before a name") << u"G2"_s << false << int(F::GoodsNo)
                                                          << QStringList{u"2222"_s};
        QTest::newRow("exact name") << u"梨"_s << false << int(F::Name) << QStringList{u"5550690"_s};
        QTest::newRow("exact finds no part") << u"690"_s << false << int(F::None) << QStringList{};
        QTest::newRow("retired by barcode") << u"6909999"_s << false << int(F::None) << QStringList{};
        QTest::newRow("retired by part") << u"6909"_s << true << int(F::None) << QStringList{};
        QTest::newRow("retired by goods number") << u"OLD9"_s << false << int(F::None) << QStringList{};
        QTest::newRow("quote is a value") << u"' or 1=1 or '"_s << true << int(F::None) << QStringList{};
    }
    void searchOrder()
    {
        QFETCH(QString, text);
        QFETCH(bool, substring);
        QFETCH(int, field);
        QFETCH(QStringList, found);
        TestShop shop;
        fill(shop);
        QueryModel m(shop.store());
        QAbstractItemModelTester tester(&m);
        bool searched = false;
        QString error;
        QCOMPARE(int(GoodsSearch::run(m, text, substring, &searched, &error)), field);
        QVERIFY(searched);
        QCOMPARE(error, QString());
        QCOMPARE(barcodes(m), found);
    }

    void blankTextSearchesNothing()
    {
        TestShop shop;
        fill(shop);
        QueryModel m(shop.store());
        GoodsSearch::run(m, u"690"_s, true);
        bool searched = true;
        QCOMPARE(GoodsSearch::run(m, u"   "_s, true, &searched), GoodsSearch::Field::None);
        QVERIFY(!searched);
        QCOMPARE(m.rowCount(), 2);  // the earlier result stays
    }

    void gridColumns()
    {
        TestShop shop;
        fill(shop);
        TgoodsqueryForm f(shop.store());
        f.queryEdit->setText(u"5550690"_s);
        f.search();
        const QueryModel &m = *f.goodsQuery;
        QStringList heads;
        for (int c = 0; c < m.columnCount(); ++c)
            heads << m.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(heads, (QStringList{u"条码"_s, u"货号"_s, u"名称"_s, u"类别"_s, u"库存"_s, u"已卖出"_s, u"会员价"_s,
                                     u"零售价"_s, u"打折"_s, u"积分"_s, u"更新"_s}));
        QCOMPARE(m.data(m.index(0, 6)).toString(), u"￥4.50"_s);
        QCOMPARE(m.data(m.index(0, 7)).toString(), u"￥6.00"_s);
        QCOMPARE(m.data(m.index(0, 8), Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(f.tipLbl->text(), u"1项结果符合查询要求"_s);
    }

    // Type, Enter, Enter: the first barcode goes back; the dialog stays open in between.
    void chooseByKeyboard()
    {
        TestShop shop;
        fill(shop);
        TgoodsqueryForm f(shop.store());
        QCOMPARE(f.windowTitle(), u"商品查询"_s);
        QVERIFY(f.mohuChk->isChecked());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QTest::keyClicks(f.queryEdit, u"690"_s);
        QTest::keyClick(f.queryEdit, Qt::Key_Return);
        QVERIFY(f.isVisible());
        QCOMPARE(f.tipLbl->text(), u"2项结果符合查询要求"_s);
        QCOMPARE(QApplication::focusWidget(), f.goodsqeyGrid->view());
        QTest::keyClick(f.goodsqeyGrid->view(), Qt::Key_Return);
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(f.chosenValue(), u"6901234"_s);
    }

    // Another current column hands over that column's value, here the name.
    void chooseAnotherColumn()
    {
        TestShop shop;
        fill(shop);
        TgoodsqueryForm f(shop.store());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.queryEdit->setText(u"690"_s);
        f.search();
        QTest::keyClick(f.goodsqeyGrid->view(), Qt::Key_Down);
        QTest::keyClick(f.goodsqeyGrid->view(), Qt::Key_Right);
        QTest::keyClick(f.goodsqeyGrid->view(), Qt::Key_Right);
        QTest::keyClick(f.goodsqeyGrid->view(), Qt::Key_Enter);
        QCOMPARE(f.chosenValue(), u"梨"_s);
    }

    void titleClickSorts()
    {
        TestShop shop;
        fill(shop);
        TgoodsqueryForm f(shop.store());
        f.resize(900, 500);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.queryEdit->setText(u"690"_s);
        f.search();
        QCOMPARE(barcodes(*f.goodsQuery), (QStringList{u"6901234"_s, u"5550690"_s}));
        QHeaderView *h = f.goodsqeyGrid->view()->horizontalHeader();
        const QPoint title(h->sectionViewportPosition(0) + 5, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, title);
        QCOMPARE(barcodes(*f.goodsQuery), (QStringList{u"5550690"_s, u"6901234"_s}));
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, title);
        QCOMPARE(barcodes(*f.goodsQuery), (QStringList{u"6901234"_s, u"5550690"_s}));
    }

    void exactWhenUnticked()
    {
        TestShop shop;
        fill(shop);
        TgoodsqueryForm f(shop.store());
        f.mohuChk->setChecked(false);
        f.queryEdit->setText(u"690"_s);
        f.search();
        QCOMPARE(f.goodsQuery->rowCount(), 0);
        QCOMPARE(f.tipLbl->text(), u"0项结果符合查询要求"_s);
        QVERIFY(!f.choose());
    }

    void findInGrid()
    {
        TestShop shop;
        fill(shop);
        TgoodsqueryForm f(shop.store());
        f.queryEdit->setText(u"690"_s);
        f.search();
        QVERIFY(f.goodsqeyGrid->findNext(u"梨"_s));
        QCOMPARE(f.goodsqeyGrid->currentRow(), 1);
        QVERIFY(!f.goodsqeyGrid->findNext(u"葡萄"_s));
    }

    void closeKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("F3") << int(Qt::Key_F3);
    }
    void closeKeys()
    {
        QFETCH(int, key);
        TestShop shop;
        TgoodsqueryForm f(shop.store());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QTest::keyClick(f.queryEdit, Qt::Key(key));
        QVERIFY(!f.isVisible());
        QCOMPARE(f.result(), int(QDialog::Rejected));
    }

    // The value arrives in the code field at once; the Enter only once the loop runs.
    void postToCodeField()
    {
        QLineEdit code;
        KeyRecorder rec;
        code.installEventFilter(&rec);
        TgoodsqueryForm::postToCodeField(&code, u"6901234"_s);
        QCOMPARE(code.text(), u"6901234"_s);
        QVERIFY(rec.keys.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(rec.keys, QList<int>{int(Qt::Key_Return)});
        QCOMPARE(rec.textAtEnter, u"6901234"_s);
    }
};

QTEST_MAIN(TestGoodsQuery)
#include "tst_goodsquery.moc"
