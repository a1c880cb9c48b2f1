// The command-line tools, run as the shop's technician would: storesh and demoshop.
#include "clock.h"
#include "ini.h"
#include "money.h"
#include "scramble.h"
#include "store.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

struct Run {
    int code = -1;
    QByteArray out, err;
};

Run runTool(const QString &tool, const QStringList &args, const QByteArray &input = {})
{
    Run r;
    const QString bin = qEnvironmentVariable("ZAZUVI_BIN");
    if (bin.isEmpty()) {
        r.err = "ZAZUVI_BIN is not set";
        return r;
    }
    QProcess p;
    p.start(QDir(bin).filePath(tool), args);
    if (!p.waitForStarted(10000)) {
        r.err = "cannot start " + tool.toUtf8();
        return r;
    }
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        r.err = "timed out";
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

Run storesh(const QStringList &args, const QByteArray &input = {})
{
    return runTool(QStringLiteral("storesh"), args, input);
}

std::unique_ptr<Store> openStore(const QString &folder)
{
    QString error;
    auto s = Store::openFolder(folder, &error);
    if (!s)
        qWarning("open %s: %s", qPrintable(folder), qPrintable(error));
    return s;
}

bool validEan13(const QString &code)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{13}$"));
    if (!digits.match(code).hasMatch())
        return false;
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += code.at(i).digitValue() * (i % 2 ? 3 : 1);
    return (10 - sum % 10) % 10 == code.at(12).digitValue();
}

// Every table's rows in a fixed order, as text: two stores with equal dumps hold equal data.
QString dumpStore(Store &s)
{
    QString out;
    const Rows tables = s.select(QStringLiteral("select name from sqlite_master where type='table' order by name"));
    for (const auto &t : tables.rows) {
        const QString name = t.at(0).toString();
        const Rows r = s.select(QStringLiteral("select * from \"%1\" order by rowid").arg(name));
        out += QStringLiteral("[%1] %2\n").arg(name, r.columns.join(QLatin1Char(',')));
        for (const auto &row : r.rows) {
            QStringList cells;
            for (const QVariant &v : row)
                cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
            out += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
        }
    }
    return out;
}

const QStringList SmallShop = {QStringLiteral("--goods"), QStringLiteral("300"), QStringLiteral("--members"),
                               QStringLiteral("80"),      QStringLiteral("--days"),  QStringLiteral("30"),
                               QStringLiteral("--orders-per-day"), QStringLiteral("40"), QStringLiteral("--seed"),
                               QStringLiteral("11"),      QStringLiteral("--today"), QStringLiteral("2024-03-02")};
const QDate SmallToday(2024, 3, 2);

} // namespace

class TestTools : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void createRefusesExistingStore();
    void sqlAsText_data();
    void sqlAsText();
    void sqlAsJson();
    void sqlErrors_data();
    void sqlErrors();
    void failedScriptRollsBackItsTransaction();
    void check();

    void demoStoreIsSound();
    void demoOrdersAddUp();
    void demoStockFollowsSales();
    void demoCodesAndNumbers();
    void demoMembersAndStaff();
    void demoFolder();
    void demoIsDeterministic();
    void demoRefusesExistingStore();
    void demoBadOptions_data();
    void demoBadOptions();

private:
    QTemporaryDir m_dir;
    QString m_shop;  // the small demo shop, made once
    std::unique_ptr<Store> m_store;
};

void TestTools::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(!qEnvironmentVariable("ZAZUVI_BIN").isEmpty(), "ZAZUVI_BIN must name the folder of the tools");
    m_shop = m_dir.filePath(QStringLiteral("demo")) + QLatin1Char('/');
    const Run r = runTool(QStringLiteral("demoshop"), QStringList{m_shop} + SmallShop);
    QVERIFY2(r.code == 0, r.err.constData());
    m_store = openStore(m_shop);
    QVERIFY(m_store);
}

// ---- storesh ----

void TestTools::createRefusesExistingStore()
{
    const QString folder = m_dir.filePath(QStringLiteral("created/sub"));
    Run r = storesh({QStringLiteral("--create"), folder});
    QVERIFY2(r.code == 0, r.err.constData());
    {
        auto s = openStore(folder);
        QVERIFY(s);
        QCOMPARE(s->scalar(QStringLiteral("select count(*) from seller")).toInt(), 2);
        QVERIFY(s->exec(QStringLiteral("insert into class(class_name) values('keep me')")));
    }
    r = storesh({QStringLiteral("--create"), folder});
    QVERIFY(r.code != 0);
    QVERIFY(r.err.contains("exists"));
    auto s = openStore(folder);
    QVERIFY(s);
    QCOMPARE(s->scalar(QStringLiteral("select class_name from class")).toString(), QStringLiteral("keep me"));
}

void TestTools::sqlAsText_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray users = "seller\tadmin\n店长\t2\n收银员\t0\n";
    const QString usersSql = QStringLiteral("select seller, admin from seller order by admin desc");
    QTest::newRow("argument") << QStringList{usersSql} << QByteArray() << users;
    QTest::newRow("standard input") << QStringList{} << (usersSql + QStringLiteral(";\n")).toUtf8() << users;
    QTest::newRow("words joined") << QStringList{QStringLiteral("select"), QStringLiteral("1 as one")}
                                  << QByteArray() << QByteArray("one\n1\n");
    QTest::newRow("null, real, tab, line break, backslash")
        << QStringList{QStringLiteral("select null as n, 2.5 as p, 'a'||char(9)||'b'||char(10)||'c\\d' as t")}
        << QByteArray() << QByteArray("n\tp\tt\n\t2.5\ta\\tb\\nc\\\\d\n");
    QTest::newRow("no rows keeps the header")
        << QStringList{QStringLiteral("select class_name from class where 0")} << QByteArray()
        << QByteArray("class_name\n");
    QTest::newRow("several statements, comments")
        << QStringList{} << QByteArray("-- a note\ninsert into class(class_name) values('饮料');\n"
                                       "select class_name from class; select count(*) as n from class;")
        << QByteArray("class_name\n饮料\nn\n1\n");
}

void TestTools::sqlAsText()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    QVERIFY(Store::create(dir.filePath(QStringLiteral("dat.db")), nullptr));
    const Run r = storesh(QStringList{dir.path()} + args, input);
    QVERIFY2(r.code == 0, r.err.constData());
    QCOMPARE(r.out, expected);
}

void TestTools::sqlAsJson()
{
    QTemporaryDir dir;
    QVERIFY(Store::create(dir.filePath(QStringLiteral("dat.db")), nullptr));
    const Run r = storesh({QStringLiteral("--json"), dir.path(),
                           QStringLiteral("select seller, admin, null as nothing, 1.25 as r from seller order by admin desc")});
    QVERIFY2(r.code == 0, r.err.constData());
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &pe);
    QVERIFY2(pe.error == QJsonParseError::NoError, qPrintable(pe.errorString()));
    QVERIFY(doc.isArray());
    const QJsonArray a = doc.array();
    QCOMPARE(a.size(), 2);
    const QJsonObject first = a.at(0).toObject();
    QCOMPARE(first.value(QStringLiteral("seller")).toString(), QStringLiteral("店长"));
    QCOMPARE(first.value(QStringLiteral("admin")).toInteger(), 2);
    QVERIFY(first.value(QStringLiteral("nothing")).isNull());
    QCOMPARE(first.value(QStringLiteral("r")).toDouble(), 1.25);
    QCOMPARE(a.at(1).toObject().value(QStringLiteral("seller")).toString(), QStringLiteral("收银员"));

    const Run empty = storesh({QStringLiteral("--json"), dir.path(), QStringLiteral("select * from goods")});
    QCOMPARE(empty.code, 0);
    QCOMPARE(QJsonDocument::fromJson(empty.out).array().size(), 0);
}

void TestTools::sqlErrors_data()
{
    QTest::addColumn<QString>("what");  // store: a fresh store; none: no dat.db; garbage: not a store
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("errorText");
    QTest::newRow("syntax") << "store" << QStringList{QStringLiteral("selec 1")} << QByteArray("syntax error");
    QTest::newRow("unknown table") << "store" << QStringList{QStringLiteral("select * from nosuch")}
                                   << QByteArray("no such table");
    QTest::newRow("second statement") << "store" << QStringList{QStringLiteral("select 1; select * from nosuch")}
                                      << QByteArray("statement 2");
    QTest::newRow("no store") << "none" << QStringList{QStringLiteral("select 1")} << QByteArray("数据库文件不存在");
    QTest::newRow("not a store") << "garbage" << QStringList{QStringLiteral("select 1")} << QByteArray("not a database");
    QTest::newRow("no folder") << "usage" << QStringList{} << QByteArray("usage");
    QTest::newRow("unknown option") << "usage" << QStringList{QStringLiteral("--frobnicate")} << QByteArray("unknown option");
}

void TestTools::sqlErrors()
{
    QFETCH(QString, what);
    QFETCH(QStringList, args);
    QFETCH(QByteArray, errorText);
    QTemporaryDir dir;
    if (what == QStringLiteral("store"))
        QVERIFY(Store::create(dir.filePath(QStringLiteral("dat.db")), nullptr));
    if (what == QStringLiteral("garbage")) {
        QFile f(dir.filePath(QStringLiteral("dat.db")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    const QStringList full = what == QStringLiteral("usage") ? args : QStringList{dir.path()} + args;
    const Run r = storesh(full, "select 1;");
    QVERIFY(r.code != 0);
    QVERIFY2(r.err.contains(errorText), r.err.constData());
    if (QByteArray(QTest::currentDataTag()) != "second statement")
        QVERIFY(r.out.isEmpty());
}

void TestTools::failedScriptRollsBackItsTransaction()
{
    QTemporaryDir dir;
    QVERIFY(Store::create(dir.filePath(QStringLiteral("dat.db")), nullptr));
    Run r = storesh({dir.path()}, "begin; insert into class(class_name) values('half'); update nosuch set x=1; commit;");
    QVERIFY(r.code != 0);
    // A transaction left open at the end is not committed either.
    r = storesh({dir.path()}, "begin; insert into class(class_name) values('open');");
    QVERIFY(r.code != 0);
    QVERIFY(r.err.contains("rolled back"));
    auto s = openStore(dir.path());
    QVERIFY(s);
    QCOMPARE(s->scalar(QStringLiteral("select count(*) from class")).toInt(), 0);
}

void TestTools::check()
{
    QTemporaryDir dir;
    QVERIFY(Store::create(dir.filePath(QStringLiteral("dat.db")), nullptr));
    Run r = storesh({QStringLiteral("--check"), dir.path()});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QByteArray("ok\n"));
    // A store file given by name (a backup, say) is checked the same way.
    r = storesh({QStringLiteral("--check"), dir.filePath(QStringLiteral("dat.db"))});
    QCOMPARE(r.out, QByteArray("ok\n"));

    QVERIFY(storesh({dir.path(), QStringLiteral("drop table barcode")}).code == 0);
    r = storesh({QStringLiteral("--check"), dir.path()});
    QVERIFY(r.code != 0);
    QVERIFY2(r.out.contains("barcode"), r.out.constData());

    r = storesh({QStringLiteral("--check"), dir.filePath(QStringLiteral("nothing"))});
    QVERIFY(r.code != 0);
}

// ---- demoshop ----

void TestTools::demoStoreIsSound()
{
    const Run r = storesh({QStringLiteral("--check"), m_shop});
    QCOMPARE(r.out, QByteArray("ok\n"));
    // Same tables, indexes and trigger as a store made from the schema.
    QTemporaryDir dir;
    auto fresh = Store::create(dir.filePath(QStringLiteral("dat.db")), nullptr);
    QVERIFY(fresh);
    const QString schemaSql = QStringLiteral("select type, name, tbl_name, sql from sqlite_master order by type, name");
    QCOMPARE(m_store->select(schemaSql).rows, fresh->select(schemaSql).rows);
    // ... and the stock trigger still works.
    const qint64 id = m_store->scalar(QStringLiteral("select min(goods_id) from goods")).toLongLong();
    const double before = m_store->scalar(QStringLiteral("select amount from goods where goods_id=:id"), {{QStringLiteral("id"), id}}).toDouble();
    Transaction t(*m_store);
    QVERIFY(m_store->exec(QStringLiteral("insert into order_detail(order_id, barcode, amount, subtotal, goods_id) values('x', '', 2, 1, :id)"),
                          {{QStringLiteral("id"), id}}));
    QCOMPARE(m_store->scalar(QStringLiteral("select amount from goods where goods_id=:id"), {{QStringLiteral("id"), id}}).toDouble(),
             before - 2);
    t.rollback();
}

void TestTools::demoOrdersAddUp()
{
    Store &s = *m_store;
    const int orders = s.scalar(QStringLiteral("select count(*) from orderlist")).toInt();
    QCOMPARE(orders, 30 * 40);
    // Lines add up to the order's money; cost is cost price × quantity.
    const Rows r = s.select(QStringLiteral(
        "select o.order_id, o.total_money, o.total_cost, count(d.detail_id), total(d.subtotal), "
        "total(g.costprice * d.amount), sum(d.amount > 0 and d.subtotal > 0), sum(d.amount < 0 and d.subtotal < 0) "
        "from orderlist o left join order_detail d on d.order_id = o.order_id "
        "left join goods g on g.goods_id = d.goods_id group by o.order_id"));
    QCOMPARE(r.size(), orders);
    int refunds = 0;
    for (const auto &row : r.rows) {
        const QString id = row.at(0).toString();
        const double money = row.at(1).toDouble(), cost = row.at(2).toDouble();
        const int lines = row.at(3).toInt();
        QVERIFY2(lines > 0, qPrintable(id));
        QVERIFY2(std::abs(money - row.at(4).toDouble()) < 1e-6, qPrintable(id));
        QVERIFY2(std::abs(cost - row.at(5).toDouble()) < 1e-3, qPrintable(id));
        if (money < 0) {
            ++refunds;
            QVERIFY2(cost <= 0 && row.at(7).toInt() == lines, qPrintable(id));
        } else {
            QVERIFY2(money > 0 && cost > 0 && row.at(6).toInt() == lines, qPrintable(id));
        }
    }
    QVERIFY(refunds > 0);
    QVERIFY(refunds < orders / 20);
    // No line without its order or its goods; the line keeps the goods' barcode.
    QCOMPARE(s.scalar(QStringLiteral("select count(*) from order_detail d where not exists "
                                     "(select 1 from orderlist o where o.order_id = d.order_id)")).toInt(), 0);
    QCOMPARE(s.scalar(QStringLiteral("select count(*) from order_detail d left join goods g on g.goods_id = d.goods_id "
                                     "where g.barcode is not d.barcode")).toInt(), 0);
    // What a refund gives back was sold before, in a sale to the same card.
    QCOMPARE(s.scalar(QStringLiteral(
        "select count(*) from orderlist r join order_detail rd on rd.order_id = r.order_id "
        "where r.total_money < 0 and not exists (select 1 from orderlist o join order_detail od on od.order_id = o.order_id "
        " where o.total_money > 0 and o.card_id = r.card_id and od.goods_id = rd.goods_id "
        " and od.amount = -rd.amount and od.detail_id < rd.detail_id)")).toInt(), 0);
}

void TestTools::demoStockFollowsSales()
{
    Store &s = *m_store;
    const int goods = s.scalar(QStringLiteral("select count(*) from goods")).toInt();
    QCOMPARE(goods, 300);
    // One stock-in per goods item; stock = stock-in − net sales − stock changes; sold = net sales.
    const Rows r = s.select(QStringLiteral(
        "select g.goods_id, g.amount, g.sold, "
        " (select total(amount) from order_detail d where d.goods_id = g.goods_id), "
        " (select total(amount) from goodschange c where c.goods_id = g.goods_id), "
        " (select total(amount) from goodsIn i where i.goods_id = g.goods_id), "
        " (select count(*) from goodsIn i where i.goods_id = g.goods_id) from goods g"));
    QCOMPARE(r.size(), goods);
    int negative = 0;
    for (const auto &row : r.rows) {
        const QString id = row.at(0).toString();
        const double amount = row.at(1).toDouble(), sold = row.at(2).toDouble();
        QCOMPARE(row.at(6).toInt(), 1);
        QVERIFY2(std::abs(sold - row.at(3).toDouble()) < 1e-6, qPrintable(id));
        QVERIFY2(std::abs(amount + sold + row.at(4).toDouble() - row.at(5).toDouble()) < 1e-6, qPrintable(id));
        QVERIFY2(sold >= 0, qPrintable(id));
        if (amount < 0)
            ++negative;
    }
    QVERIFY(negative <= goods / 20);
    QVERIFY(s.scalar(QStringLiteral("select count(*) from goodschange")).toInt() > 0);
    QVERIFY(s.scalar(QStringLiteral("select count(*) from goods g left join supplier p on p.sup_id = "
                                    "(select pifa_id from goodsIn i where i.goods_id = g.goods_id) where p.sup_name is null"))
                .toInt() == 0);
}

void TestTools::demoCodesAndNumbers()
{
    Store &s = *m_store;
    const Rows g = s.select(QStringLiteral("select barcode, goods_no, price, price2, costprice, hide, class_name from goods"));
    QSet<QString> barcodes, numbers;
    int memberPrices = 0, retired = 0;
    const QSet<QString> classes = [&] {
        QSet<QString> c;
        for (const auto &row : s.select(QStringLiteral("select class_name from class")).rows)
            c << row.at(0).toString();
        return c;
    }();
    for (const auto &row : g.rows) {
        const QString code = row.at(0).toString();
        QVERIFY2(validEan13(code) && code.startsWith(QStringLiteral("69")), qPrintable(code));
        barcodes << code;
        numbers << row.at(1).toString();
        QVERIFY(!row.at(1).toString().isEmpty());
        const double price = row.at(2).toDouble(), price2 = row.at(3).toDouble(), cost = row.at(4).toDouble();
        QVERIFY2(price > 0 && cost > 0 && cost < price, qPrintable(code));
        if (price2 > 0) {
            QVERIFY2(price2 < price, qPrintable(code));
            ++memberPrices;
        }
        if (row.at(5).toInt() == -1)
            ++retired;
        else
            QCOMPARE(row.at(5).toInt(), 0);
        QVERIFY(classes.contains(row.at(6).toString()));
    }
    QCOMPARE(barcodes.size(), g.size());
    QCOMPARE(numbers.size(), g.size());
    QVERIFY(!barcodes.intersects(numbers));  // the till tries the barcode first, then the goods number
    QVERIFY(memberPrices > 0 && memberPrices < g.size());
    QVERIFY(retired > 0 && retired < g.size() / 10);

    // Order numbers: unique, made from the order's day and time, in the order of their lines.
    const Rows o = s.select(QStringLiteral("select o.order_id, o.order_date, min(d.detail_id) as first from orderlist o "
                                           "join order_detail d on d.order_id = o.order_id group by o.order_id order by first"));
    QSet<QString> ids;
    QDateTime previous;
    for (const auto &row : o.rows) {
        const QString id = row.at(0).toString();
        const QDate day = QDate::fromString(row.at(1).toString(), QStringLiteral("yyyy-MM-dd"));
        QVERIFY2(day.isValid(), qPrintable(row.at(1).toString()));
        QVERIFY(day >= SmallToday.addDays(-30) && day < SmallToday);
        QCOMPARE(id.size(), 11);
        const QTime time = QTime::fromString(id.right(6), QStringLiteral("HHmmss"));
        QVERIFY2(time.isValid(), qPrintable(id));
        const QDateTime at(day, time);
        QCOMPARE(id, orderNumberAt(at));
        QVERIFY2(!previous.isValid() || at > previous, qPrintable(id));
        previous = at;
        ids << id;
    }
    QCOMPARE(ids.size(), s.scalar(QStringLiteral("select count(*) from orderlist")).toInt());
    // The leap day lies inside the period.
    QVERIFY(s.scalar(QStringLiteral("select count(*) from orderlist where order_date = '2024-02-29'")).toInt() > 0);
}

void TestTools::demoMembersAndStaff()
{
    Store &s = *m_store;
    const Rows m = s.select(QStringLiteral(
        "select m.card_id, m.birthday, m.lunar, m.mtype, m.discount, m.addup, m.exchange, m.buy_times, m.status, "
        "m.enddate, d.mrate from member m left join disrate d on d.mtype = m.mtype"));
    QCOMPARE(m.size(), 80);
    static const QRegularExpression birthdayRe(QStringLiteral("^([0-9]{1,2})月([0-9]{1,2})日$"));
    int lunar = 0, solar = 0, invalid = 0, expired = 0;
    QSet<QString> cards;
    QHash<QString, double> addup;
    QHash<QString, int> visits;
    for (const auto &row : m.rows) {
        const QString card = row.at(0).toString();
        cards << card.toLower();
        const QString birthday = row.at(1).toString();
        if (!birthday.isEmpty()) {
            const auto match = birthdayRe.match(birthday);
            QVERIFY2(match.hasMatch(), qPrintable(birthday));
            const int month = match.captured(1).toInt(), day = match.captured(2).toInt();
            QVERIFY(month >= 1 && month <= 12 && day >= 1 && day <= 31);
            if (row.at(2).toInt() == -1) {
                ++lunar;
                QVERIFY(day <= 30);
            } else {
                ++solar;
                QVERIFY2(QDate(2024, month, day).isValid(), qPrintable(birthday));
            }
        } else {
            QCOMPARE(row.at(2).toInt(), 0);
        }
        QVERIFY2(!row.at(10).isNull(), qPrintable(row.at(3).toString()));
        QCOMPARE(row.at(4).toInt(), row.at(10).toInt());
        QVERIFY(row.at(6).toDouble() <= row.at(5).toDouble() + 1e-9);
        QVERIFY(row.at(8).toInt() == -1 || row.at(8).toInt() == 0);
        invalid += row.at(8).toInt() == 0;
        expired += QDate::fromString(row.at(9).toString().left(10), QStringLiteral("yyyy-MM-dd")) < SmallToday;
        addup[card] = row.at(5).toDouble();
        visits[card] = row.at(7).toInt();
    }
    QCOMPARE(cards.size(), m.size());  // unique, also without regard to case
    QVERIFY(lunar > 0 && solar > 0);
    QVERIFY(invalid > 0 && invalid < m.size() / 3);
    QVERIFY(expired > 0 && expired < m.size() / 3);

    // Points and visits follow the member's orders: a sale earns (money − money without points) / add_rate,
    // a refund takes money / add_rate back; both count a visit.
    const int addRate = s.scalar(QStringLiteral("select add_rate from setting")).toInt();
    QVERIFY(addRate > 0);
    const Rows o = s.select(QStringLiteral(
        "select o.card_id, o.total_money, (select total(d.subtotal) from order_detail d join goods g on g.goods_id = d.goods_id "
        " where d.order_id = o.order_id and g.ifaddup = 0) from orderlist o where o.card_id <> ''"));
    QVERIFY(o.size() > 0);
    QHash<QString, double> points;
    QHash<QString, int> count;
    for (const auto &row : o.rows) {
        const QString card = row.at(0).toString();
        QVERIFY2(addup.contains(card), qPrintable(card));
        const double money = row.at(1).toDouble();
        // Points are kept as money, to 1/10000 (ties to even), like the till does.
        points[card] += Money::fromDouble(money > 0 ? (money - row.at(2).toDouble()) / addRate : money / addRate).toDouble();
        ++count[card];
    }
    for (auto it = addup.constBegin(); it != addup.constEnd(); ++it) {
        QVERIFY2(std::abs(it.value() - points.value(it.key())) < 1e-7, qPrintable(it.key()));
        QCOMPARE(visits.value(it.key()), count.value(it.key()));
    }

    // Cashiers are users; salespersons' totals are their orders' money.
    QCOMPARE(s.scalar(QStringLiteral("select count(*) from orderlist o where not exists "
                                     "(select 1 from seller u where u.seller = o.seller)")).toInt(), 0);
    QCOMPARE(s.scalar(QStringLiteral("select count(*) from orderlist o where o.sales_id <> -1 and not exists "
                                     "(select 1 from sales p where p.sales_id = o.sales_id)")).toInt(), 0);
    QVERIFY(s.scalar(QStringLiteral("select count(*) from orderlist where sales_id = -1")).toInt() > 0);
    for (const auto &row : s.select(QStringLiteral("select p.amount, (select total(total_money) from orderlist o "
                                                   "where o.sales_id = p.sales_id) from sales p")).rows)
        QVERIFY(std::abs(row.at(0).toDouble() - row.at(1).toDouble()) < 1e-6);

    // The schema's two users keep 806; the added ones have scrambled passwords.
    QCOMPARE(s.scalar(QStringLiteral("select count(*) from seller")).toInt(), 4);
    QCOMPARE(s.scalar(QStringLiteral("select pass from seller where seller='店长'")).toString(), ShowStr(QStringLiteral("806")));
    QCOMPARE(ShowStr(s.scalar(QStringLiteral("select pass from seller where seller='王芳'")).toString()), QStringLiteral("1111"));
    QCOMPARE(s.scalar(QStringLiteral("select count(*) from seller where admin=0")).toInt(), 2);
    QCOMPARE(s.scalar(QStringLiteral("select count(*) from seller where admin=2")).toInt(), 1);

    QVERIFY(!s.scalar(QStringLiteral("select shop_name from shop_info")).toString().isEmpty());
    QCOMPARE(s.scalar(QStringLiteral("select count(*) from shop_info")).toInt(), 1);
    QCOMPARE(s.scalar(QStringLiteral("select count(*) from setting")).toInt(), 1);
    const Rows policy = s.select(QStringLiteral("select jifen from discount order by rowid"));
    QVERIFY(policy.size() >= 1 && policy.size() <= 4);
    for (int i = 1; i < policy.size(); ++i)
        QVERIFY(policy.rows.at(i).at(0).toInt() > policy.rows.at(i - 1).at(0).toInt());
}

void TestTools::demoFolder()
{
    const ZazuviIni ini = ZazuviIni::load(m_shop);
    for (const QString &port : {QStringLiteral("LPT1"), QStringLiteral("LPT2"), QStringLiteral("LPT3"),
                                QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3")}) {
        const QString device = ini.portDevice(port);
        QVERIFY2(device.startsWith(m_shop), qPrintable(device));
        QFileInfo fi(device);
        QVERIFY2(fi.isFile() && fi.size() == 0, qPrintable(device));
    }
    for (const QString &key : {QStringLiteral("search"), QStringLiteral("add"), QStringLiteral("sms")}) {
        const QString v = ini.service(key);
        QVERIFY2(v.contains(QStringLiteral("127.0.0.1")), qPrintable(key + QStringLiteral("=") + v));
    }
    // The pictures and help pages beside the tools, when the build put them there, come along.
    const QDir bin(qEnvironmentVariable("ZAZUVI_BIN"));
    QStringList assets;
    for (const QString &dir : {QStringLiteral("img"), QStringLiteral("help")}) {
        QDirIterator it(bin.filePath(dir), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            assets << bin.relativeFilePath(it.next());
    }
    if (bin.exists(QStringLiteral("bg.bmp")))
        assets << QStringLiteral("bg.bmp");
    for (const QString &file : assets)
        QVERIFY2(QFileInfo::exists(m_shop + file), qPrintable(file));
}

void TestTools::demoIsDeterministic()
{
    const QString again = m_dir.filePath(QStringLiteral("again"));
    Run r = runTool(QStringLiteral("demoshop"), QStringList{again} + SmallShop);
    QVERIFY2(r.code == 0, r.err.constData());
    auto second = openStore(again);
    QVERIFY(second);
    const QString dump = dumpStore(*m_store);
    QVERIFY(dump.size() > 10000);
    QCOMPARE(dumpStore(*second), dump);

    QStringList otherSeed = SmallShop;
    otherSeed[otherSeed.indexOf(QStringLiteral("--seed")) + 1] = QStringLiteral("12");
    const QString other = m_dir.filePath(QStringLiteral("other"));
    r = runTool(QStringLiteral("demoshop"), QStringList{other} + otherSeed);
    QVERIFY2(r.code == 0, r.err.constData());
    auto third = openStore(other);
    QVERIFY(third);
    QVERIFY(dumpStore(*third) != dump);
}

void TestTools::demoRefusesExistingStore()
{
    const int orders = m_store->scalar(QStringLiteral("select count(*) from orderlist")).toInt();
    const Run r = runTool(QStringLiteral("demoshop"), QStringList{m_shop} + SmallShop);
    QVERIFY(r.code != 0);
    QVERIFY(r.err.contains("exists"));
    QCOMPARE(m_store->scalar(QStringLiteral("select count(*) from orderlist")).toInt(), orders);
}

void TestTools::demoBadOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("no goods") << QStringList{QStringLiteral("--goods"), QStringLiteral("0")};
    QTest::newRow("not a number") << QStringList{QStringLiteral("--days"), QStringLiteral("many")};
    QTest::newRow("missing value") << QStringList{QStringLiteral("--seed")};
    QTest::newRow("bad day") << QStringList{QStringLiteral("--today"), QStringLiteral("2024-02-30")};
    QTest::newRow("unknown") << QStringList{QStringLiteral("--colour"), QStringLiteral("red")};
    QTest::newRow("negative orders") << QStringList{QStringLiteral("--orders-per-day"), QStringLiteral("-1")};
}

void TestTools::demoBadOptions()
{
    QFETCH(QStringList, options);
    const QString folder = m_dir.filePath(QStringLiteral("bad"));
    const Run r = runTool(QStringLiteral("demoshop"), QStringList{folder} + options);
    QCOMPARE(r.code, 2);
    QVERIFY(r.err.contains("usage"));
    QVERIFY(!QFileInfo::exists(folder));
}

QTEST_GUILESS_MAIN(TestTools)
#include "test_tools.moc"
