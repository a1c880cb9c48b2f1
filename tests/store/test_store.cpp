// The store: creation, opening with the key, statements, the stock trigger,
// transactions and two programs writing side by side.
#include "scramble.h"
#include "shopstore.h"
#include "store.h"
#include "testshop.h"

#include <QFile>
#include <future>
#include <QtTest>
#include <thread>

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void newStoreHoldsInitialRows();
    void missingFile();
    void wrongKeyAndGarbage_data();
    void wrongKeyAndGarbage();
    void createRefusesExisting();
    void namedParameters();
    void missingParameterIsAnError();
    void typedTextIsNeverSql();
    void trigger_data();
    void trigger();
    void updateOfLinesMovesNoStock();
    void salesCountFollowsOrders();
    void cardNumbersAreUniqueWithoutCase();
    void transactionRollsBackUnlessCommitted();
    void failingStatementLeavesNothing();
    void twoConnectionsWriteAtOnce();
    void backupIsAConsistentCopy();
    void checkTablesAndIntegrity();
    void programStore();
};

void TestStore::newStoreHoldsInitialRows()
{
    TestShop shop;
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from setting")).toInt(), 1);
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from shop_info")).toInt(), 1);
    const Rows users = shop.store().select(QStringLiteral("select seller, pass, admin, logintimes from seller order by admin"));
    QCOMPARE(users.size(), 2);
    QCOMPARE(users.value(0, QStringLiteral("admin")).toInt(), 0);
    QCOMPARE(users.value(1, QStringLiteral("admin")).toInt(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(users.value(i, QStringLiteral("pass")).toString(), ShowStr(QStringLiteral("806")));
        QCOMPARE(users.value(i, QStringLiteral("logintimes")).toInt(), 0);
    }
    // Defaults the programs rely on when they insert without these columns.
    shop.exec(QStringLiteral("insert into member (card_id, name) values ('A1', 'x')"));
    const Rows m = shop.store().select(QStringLiteral("select addup, exchange, buy_times from member"));
    QCOMPARE(m.rows.first(), QVariantList({0.0, 0LL, 0LL}));
    shop.exec(QStringLiteral("insert into goods (barcode) values ('1')"));
    QCOMPARE(shop.scalar(QStringLiteral("select hide from goods")).toInt(), 0);
    shop.exec(QStringLiteral("insert into seller (seller, pass, admin) values ('n', 'p', 0)"));
    QCOMPARE(shop.scalar(QStringLiteral("select logintimes from seller where seller='n'")).toInt(), 0);
}

void TestStore::missingFile()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY(!Store::openFolder(dir.path(), &error));
    QCOMPARE(error, QStringLiteral("数据库文件不存在"));
}

void TestStore::wrongKeyAndGarbage_data()
{
    QTest::addColumn<bool>("garbage");
    QTest::newRow("other key") << false;
    QTest::newRow("not a store") << true;
}

void TestStore::wrongKeyAndGarbage()
{
    QFETCH(bool, garbage);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("dat.db"));
    if (garbage) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    } else {
        QString e;
        auto other = Store::openWithKey(file, "another key", &e, false);
        QVERIFY(other);
        QVERIFY(other->exec(QStringLiteral("create table t(x)")));
    }
    QString error;
    QVERIFY(!Store::open(file, &error));
    QCOMPARE(error, QStringLiteral("file is encrypted or is not a database"));
}

void TestStore::createRefusesExisting()
{
    TestShop shop;
    QString error;
    QVERIFY(!Store::create(shop.file(QStringLiteral("dat.db")), &error));
    QVERIFY(!error.isEmpty());
    // The existing store is untouched.
    QCOMPARE(shop.openAnother()->scalar(QStringLiteral("select count(*) from seller")).toInt(), 2);
}

void TestStore::namedParameters()
{
    TestShop shop;
    Query ins(shop.store(), QStringLiteral("insert into goods (barcode, name, price, in_date, ifdis) values (:b, :n, :p, :d, :f)"));
    ins.bind(QStringLiteral("b"), QStringLiteral("690"))
        .bind(QStringLiteral(":n"), QStringLiteral("可乐"))
        .bind(QStringLiteral("p"), 2.5)
        .bind(QStringLiteral("d"), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)))
        .bind(QStringLiteral("f"), true);
    QVERIFY2(ins.exec(), qPrintable(ins.lastError()));
    ins.bind(QStringLiteral("b"), QStringLiteral("691")).bind(QStringLiteral("d"), QDate(2026, 2, 3)).bind(QStringLiteral("f"), false);
    QVERIFY(ins.exec());
    Query q(shop.store(), QStringLiteral("select barcode, name, price, in_date, ifdis from goods order by barcode"));
    QVERIFY(q.exec());
    QVERIFY(q.next());
    QCOMPARE(q.value(QStringLiteral("NAME")).toString(), QStringLiteral("可乐"));
    QCOMPARE(q.value(2).toDouble(), 2.5);
    QCOMPARE(q.value(3).toString(), QStringLiteral("2026-01-02 03:04:05"));
    QCOMPARE(q.value(4).toInt(), -1);
    QVERIFY(q.next());
    QCOMPARE(q.value(3).toString(), QStringLiteral("2026-02-03 00:00:00"));
    QCOMPARE(q.value(4).toInt(), 0);
    QVERIFY(!q.next());
    QVERIFY(q.lastError().isEmpty());
}

void TestStore::missingParameterIsAnError()
{
    TestShop shop;
    QVERIFY(!shop.store().exec(QStringLiteral("update goods set name=:n where barcode=:b"), {{QStringLiteral("n"), 1}}));
    QVERIFY(shop.store().lastError().contains(QStringLiteral(":b")));
}

void TestStore::typedTextIsNeverSql()
{
    TestShop shop;
    const QString evil = QStringLiteral("x'; delete from seller; --");
    shop.exec(QStringLiteral("insert into member (card_id, name) values (:c, :n)"),
              {{QStringLiteral("c"), evil}, {QStringLiteral("n"), QStringLiteral("O'Brien")}});
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from seller")).toInt(), 2);
    QCOMPARE(shop.scalar(QStringLiteral("select name from member where card_id=:c"), {{QStringLiteral("c"), evil}}).toString(),
             QStringLiteral("O'Brien"));
}

void TestStore::trigger_data()
{
    QTest::addColumn<double>("qty");
    QTest::addColumn<bool>("linked");
    QTest::addColumn<double>("stock");
    QTest::addColumn<double>("sold");
    QTest::newRow("sale") << 3.0 << true << 7.0 << 3.0;
    QTest::newRow("fraction") << 0.25 << true << 9.75 << 0.25;
    QTest::newRow("refund") << -2.0 << true << 12.0 << -2.0;
    QTest::newRow("no goods id") << 3.0 << false << 10.0 << 0.0;
}

void TestStore::trigger()
{
    QFETCH(double, qty);
    QFETCH(bool, linked);
    QFETCH(double, stock);
    QFETCH(double, sold);
    TestShop shop;
    const qint64 id = shop.addGoods(QStringLiteral("6901234567892"), QStringLiteral("茶"), 5, 3, 10);
    shop.addGoods(QStringLiteral("6901234567893"), QStringLiteral("别的"), 5, 3, 10);
    shop.exec(QStringLiteral("insert into order_detail (order_id, barcode, amount, subtotal, goods_id) values ('1', 'b', :a, 1, :g)"),
              {{QStringLiteral("a"), qty}, {QStringLiteral("g"), linked ? QVariant(id) : QVariant()}});
    const Rows r = shop.store().select(QStringLiteral("select amount, sold from goods where goods_id=:g"), {{QStringLiteral("g"), id}});
    QCOMPARE(r.value(0, QStringLiteral("amount")).toDouble(), stock);
    QCOMPARE(r.value(0, QStringLiteral("sold")).toDouble(), sold);
    // The other goods item never moves.
    QCOMPARE(shop.scalar(QStringLiteral("select amount from goods where goods_id<>:g"), {{QStringLiteral("g"), id}}).toDouble(), 10.0);
}

void TestStore::updateOfLinesMovesNoStock()
{
    TestShop shop;
    const qint64 id = shop.addGoods(QStringLiteral("6901234567892"), QStringLiteral("茶"), 5, 3, 10);
    shop.exec(QStringLiteral("insert into order_detail (order_id, barcode, amount, subtotal) values ('1', '6901234567892', 4, 20)"));
    shop.exec(QStringLiteral("update order_detail set goods_id=:g where barcode='6901234567892'"), {{QStringLiteral("g"), id}});
    QCOMPARE(shop.scalar(QStringLiteral("select amount from goods")).toDouble(), 10.0);
    QCOMPARE(shop.scalar(QStringLiteral("select sold from goods")).toDouble(), 0.0);
}

void TestStore::salesCountFollowsOrders()
{
    TestShop shop;
    auto count = [&] { return shop.scalar(QStringLiteral("select sales_count from order_stats")).toInt(); };
    QCOMPARE(count(), 0);
    shop.exec(QStringLiteral("insert into orderlist (order_id, total_money) values ('1', 5), ('2', -3), ('3', NULL), ('4', 0.01)"));
    QCOMPARE(count(), 2);  // refunds, empty and zero orders are no sales
    shop.exec(QStringLiteral("update orderlist set total_money=7 where order_id in ('2', '3')"));
    QCOMPARE(count(), 4);
    shop.exec(QStringLiteral("update orderlist set total_money=0 where order_id='1'"));
    QCOMPARE(count(), 3);
    shop.exec(QStringLiteral("delete from orderlist where order_id in ('2', '4')"));
    QCOMPARE(count(), 1);
    QCOMPARE(count(), shop.scalar(QStringLiteral("select count(*) from orderlist where total_money>0")).toInt());
}

void TestStore::cardNumbersAreUniqueWithoutCase()
{
    TestShop shop;
    shop.exec(QStringLiteral("insert into member (card_id) values ('vip01')"));
    QVERIFY(!shop.store().exec(QStringLiteral("insert into member (card_id) values ('VIP01')")));
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from member where card_id=:c collate nocase"), {{QStringLiteral("c"), QStringLiteral("Vip01")}}).toInt(), 1);
}

void TestStore::transactionRollsBackUnlessCommitted()
{
    TestShop shop;
    {
        Transaction t(shop.store());
        QVERIFY(t.isActive());
        shop.exec(QStringLiteral("insert into class (class_name) values ('饮料')"));
    }
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from class")).toInt(), 0);
    QVERIFY(!shop.store().inTransaction());
    {
        Transaction t(shop.store());
        shop.exec(QStringLiteral("insert into class (class_name) values ('饮料')"));
        QVERIFY(t.commit());
    }
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from class")).toInt(), 1);
}

void TestStore::failingStatementLeavesNothing()
{
    TestShop shop;
    const qint64 id = shop.addGoods(QStringLiteral("1"), QStringLiteral("茶"), 5, 3, 10);
    bool good = true;
    {
        Transaction t(shop.store());
        good = shop.store().exec(QStringLiteral("insert into orderlist (order_id, total_money) values ('61211090507', 5)"))
               && shop.store().exec(QStringLiteral("insert into order_detail (order_id, amount, goods_id) values ('61211090507', 1, :g)"),
                                    {{QStringLiteral("g"), id}})
               && shop.store().exec(QStringLiteral("update no_such_table set x=1"));
        if (good)
            t.commit();
    }
    QVERIFY(!good);
    QVERIFY(shop.store().lastError().contains(QStringLiteral("no_such_table")));
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from orderlist")).toInt(), 0);
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from order_detail")).toInt(), 0);
    QCOMPARE(shop.scalar(QStringLiteral("select amount from goods")).toDouble(), 10.0);
}

void TestStore::twoConnectionsWriteAtOnce()
{
    TestShop shop;
    const QString file = shop.file(QStringLiteral("dat.db"));
    // Two programs, each with its own connection, writing transactions at the same time.
    auto writer = [file](int who) {
        QString error;
        auto s = Store::open(file, &error);
        if (!s)
            return 0;
        int done = 0;
        for (int i = 0; i < 40; ++i) {
            Transaction t(*s);
            if (!t.isActive())
                continue;
            if (s->exec(QStringLiteral("insert into orderlist (order_id, seller) values (:o, :w)"),
                        {{QStringLiteral("o"), QString::number(who * 1000 + i)}, {QStringLiteral("w"), who}})
                && s->scalar(QStringLiteral("select count(*) from orderlist")).isValid() && t.commit())
                ++done;
        }
        return done;
    };
    auto a = std::async(std::launch::async, writer, 1);
    auto b = std::async(std::launch::async, writer, 2);
    QCOMPARE(a.get(), 40);
    QCOMPARE(b.get(), 40);
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from orderlist")).toInt(), 80);
}

void TestStore::backupIsAConsistentCopy()
{
    TestShop shop;
    shop.addGoods(QStringLiteral("1"), QStringLiteral("茶"), 5);
    const QString target = shop.file(QStringLiteral("copy.db"));
    QString error;
    QVERIFY2(shop.store().backupTo(target, &error), qPrintable(error));
    auto copy = Store::open(target, &error);
    QVERIFY2(copy, qPrintable(error));
    QCOMPARE(copy->scalar(QStringLiteral("select name from goods")).toString(), QStringLiteral("茶"));
    QCOMPARE(copy->integrityCheck(), QStringList{QStringLiteral("ok")});
    QVERIFY(!QFile::exists(target + QStringLiteral(".part")));
}

void TestStore::checkTablesAndIntegrity()
{
    TestShop shop;
    QVERIFY(shop.store().checkTables({QStringLiteral("shop_info"), QStringLiteral("seller"), QStringLiteral("setting"),
                                      QStringLiteral("discount"), QStringLiteral("disrate")}));
    QVERIFY(!shop.store().checkTables({QStringLiteral("seller"), QStringLiteral("nope")}));
    QCOMPARE(shop.store().integrityCheck(), QStringList{QStringLiteral("ok")});
}

void TestStore::programStore()
{
    TestShop shop;  // sets ZAZUVI_HOME
    QString error;
    auto s = ShopStore::openForBackOffice(&error);
    QVERIFY2(s, qPrintable(error));
    QCOMPARE(ShopStore::shopIdentifier(*s), QString());
    s->exec(QStringLiteral("update shop_info set shopid='utf8'"));
    QCOMPARE(ShopStore::shopIdentifier(*s), QString());
    s->exec(QStringLiteral("update shop_info set shopid='A-01'"));
    QCOMPARE(ShopStore::shopIdentifier(*s), QStringLiteral("A-01"));
    s->exec(QStringLiteral("drop table disrate"));
    QVERIFY(!ShopStore::openForBackOffice(&error));
    QCOMPARE(error, ShopStore::TablesError);
    QVERIFY(ShopStore::open(&error));
}

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
