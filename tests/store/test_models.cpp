// Grid models over queries and tables.
#include "models.h"
#include "testshop.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

class TestModels : public QObject {
    Q_OBJECT
private slots:
    void queryModelFormatsAndSorts();
    void calculatedColumn();
    void tableModelEditsAndFilters();
    void refusedWriteKeepsValue();
};

void TestModels::queryModelFormatsAndSorts()
{
    TestShop shop;
    shop.exec(QStringLiteral("insert into orderlist (order_id, total_money, total_cost) values ('3', 12.5, NULL), ('1', 2, 1), ('2', 7.25, 3)"));
    QueryModel m(shop.store());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(m.setQuery(QStringLiteral("select order_id, total_money, total_cost from orderlist where total_money > :min"),
                       {{QStringLiteral("min"), 1}}));
    m.setFormat(QStringLiteral("total_money"), QueryModel::Format::Yuan);
    m.setFormat(QStringLiteral("total_cost"), QueryModel::Format::Yuan);
    m.setHeader(QStringLiteral("total_money"), QStringLiteral("销售额"));
    QCOMPARE(m.rowCount(), 3);
    QCOMPARE(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("销售额"));
    QCOMPARE(m.index(0, 1).data().toString(), QStringLiteral("￥12.50"));
    QCOMPARE(m.index(0, 2).data().toString(), QString());  // NULL shows empty, not ￥0.00
    QCOMPARE(m.total(QStringLiteral("total_money")), 21.75);
    m.sort(1, Qt::AscendingOrder);
    QCOMPARE(m.index(0, 0).data().toString(), QStringLiteral("1"));
    QCOMPARE(m.index(2, 0).data().toString(), QStringLiteral("3"));
    m.sort(2, Qt::DescendingOrder);
    QCOMPARE(m.index(2, 0).data().toString(), QStringLiteral("3"));  // NULL last when descending
    QVERIFY(!m.setQuery(QStringLiteral("select nope from orderlist")));
    QVERIFY(!m.lastError().isEmpty());
    QCOMPARE(m.rowCount(), 0);
}

void TestModels::calculatedColumn()
{
    TestShop shop;
    shop.exec(QStringLiteral("insert into member (card_id, addup, exchange) values ('a', 100.5, 20), ('b', 5, 0)"));
    TableModel m(shop.store());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    m.addCalculatedColumn(QStringLiteral("jfremain"), [](const QueryModel &mm, int row) {
        return mm.rawValue(row, QStringLiteral("addup")).toDouble() - mm.rawValue(row, QStringLiteral("exchange")).toDouble();
    });
    QVERIFY(m.setTable(QStringLiteral("member"), {}, {}, QStringLiteral("card_id")));
    const int c = m.column(QStringLiteral("jfremain"));
    QCOMPARE(m.index(0, c).data().toString(), QStringLiteral("80.5"));
    QVERIFY(!(m.flags(m.index(0, c)) & Qt::ItemIsEditable));
    // Changing a source value recomputes the row.
    QVERIFY(m.setData(m.index(0, m.column(QStringLiteral("exchange"))), 50));
    QCOMPARE(m.index(0, c).data().toString(), QStringLiteral("50.5"));
    m.sort(c, Qt::AscendingOrder);
    QCOMPARE(m.rawValue(0, QStringLiteral("card_id")).toString(), QStringLiteral("b"));
}

void TestModels::tableModelEditsAndFilters()
{
    TestShop shop;
    shop.exec(QStringLiteral("insert into goods (barcode, name, hide) values ('1', '茶', 0), ('2', '水', -1), ('3', '糖', 0)"));
    TableModel m(shop.store());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(m.setTable(QStringLiteral("goods"), QStringLiteral("hide=:h"), {{QStringLiteral("h"), 0}}, QStringLiteral("barcode")));
    QCOMPARE(m.rowCount(), 2);
    m.setFormat(QStringLiteral("hide"), QueryModel::Format::Flag);
    const QModelIndex hide = m.index(0, m.column(QStringLiteral("hide")));
    QCOMPARE(hide.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(m.setData(hide, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(shop.scalar(QStringLiteral("select hide from goods where barcode='1'")).toInt(), -1);

    QVERIFY(m.setData(m.index(1, m.column(QStringLiteral("name"))), QStringLiteral("白糖")));
    QCOMPARE(shop.scalar(QStringLiteral("select name from goods where barcode='3'")).toString(), QStringLiteral("白糖"));

    const qint64 id = m.insertRecord({{QStringLiteral("barcode"), QStringLiteral("4")}, {QStringLiteral("name"), QStringLiteral("盐")}});
    QVERIFY(id > 0);
    QCOMPARE(m.rowCount(), 3);
    QCOMPARE(m.rawValue(2, QStringLiteral("hide")).toInt(), 0);  // store default shown after insert
    QVERIFY(m.removeRecord(m.rowOfId(id)));
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from goods")).toInt(), 3);

    QVERIFY(m.setFilter(QStringLiteral("name like '%' || :t || '%'"), {{QStringLiteral("t"), QStringLiteral("水")}}));
    QCOMPARE(m.rowCount(), 1);
}

void TestModels::refusedWriteKeepsValue()
{
    TestShop shop;
    shop.exec(QStringLiteral("insert into member (card_id) values ('A'), ('B')"));
    TableModel m(shop.store());
    QVERIFY(m.setTable(QStringLiteral("member"), {}, {}, QStringLiteral("card_id")));
    const QModelIndex b = m.index(1, m.column(QStringLiteral("card_id")));
    QVERIFY(!m.setData(b, QStringLiteral("a")));  // unique without case
    QVERIFY(!m.lastError().isEmpty());
    QCOMPARE(b.data().toString(), QStringLiteral("B"));
}

QTEST_GUILESS_MAIN(TestModels)
#include "test_models.moc"
