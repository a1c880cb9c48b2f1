// The store layer (Store, Query, Transaction) against the bare engine doing the same
// statements, over a demoshop store:
//   bench_store --shop=FOLDER [--cache-kib=N] [Google Benchmark options]
// --cache-kib sets the engine's page cache of both connections (the programs keep the
// engine's default) to see what a larger cache would buy.
// The settlement benchmark commits real orders into that store (stock and member
// points move like at the till); use a store made for benchmarking.

#include "clock.h"
#include "scramble.h"
#include "sqlite.h"
#include "store.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct GoodsRow {
    qint64 id;
    QString barcode;
    std::string barcodeUtf8;
    double price, cost;
};

struct Fixture {
    std::unique_ptr<Store> store;
    sqlite3 *db = nullptr;  // a second connection, bare engine
    std::vector<GoodsRow> goods;
    std::vector<QString> cards;
    std::vector<std::string> cardsUtf8;
    std::vector<QDate> days;
};
Fixture *g = nullptr;

const char LookupSql[] = "select * from goods where barcode=:code";
const char DayTotalSql[] = "select total(total_money) from orderlist where order_date >= :d and order_date < :d1";
const char OrderSql[] = "insert into orderlist(order_id,card_id,total_cost,total_money,seller,sales_id,order_date) "
                        "values(:order_id,:card_id,:total_cost,:total_money,:seller,:sales_id,DATE('now','localtime'))";
const char LineSql[] = "insert into order_detail(order_id,barcode,amount,subtotal,goods_id) "
                       "values(:order_id,:barcode,:amount,:subtotal,:goods_id)";
const char MemberSql[] = "update member set addup=ifNULL(addup,0)+:thistime,buy_times=buy_times+1,discount=:discount "
                         "where card_id=:card";

void die(const char *what)
{
    fprintf(stderr, "bench_store: %s\n", what);
    std::exit(1);
}

sqlite3_stmt *prepare(const char *sql)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(g->db, sql, -1, &st, nullptr) != SQLITE_OK)
        die(sqlite3_errmsg(g->db));
    return st;
}

void engineExec(const char *sql)
{
    if (sqlite3_exec(g->db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        die(sqlite3_errmsg(g->db));
}

void bindText(sqlite3_stmt *st, const char *name, const std::string &v)
{
    sqlite3_bind_text(st, sqlite3_bind_parameter_index(st, name), v.data(), int(v.size()), SQLITE_TRANSIENT);
}

void bindDouble(sqlite3_stmt *st, const char *name, double v)
{
    sqlite3_bind_double(st, sqlite3_bind_parameter_index(st, name), v);
}

void bindInt(sqlite3_stmt *st, const char *name, qint64 v)
{
    sqlite3_bind_int64(st, sqlite3_bind_parameter_index(st, name), v);
}

// Reads every column of the row, as the store layer does.
void readRow(sqlite3_stmt *st)
{
    const int n = sqlite3_column_count(st);
    for (int i = 0; i < n; ++i) {
        switch (sqlite3_column_type(st, i)) {
        case SQLITE_INTEGER: benchmark::DoNotOptimize(sqlite3_column_int64(st, i)); break;
        case SQLITE_FLOAT: benchmark::DoNotOptimize(sqlite3_column_double(st, i)); break;
        case SQLITE_TEXT:
            benchmark::DoNotOptimize(sqlite3_column_text(st, i));
            benchmark::DoNotOptimize(sqlite3_column_bytes(st, i));
            break;
        default: break;
        }
    }
}

void step(sqlite3_stmt *st)
{
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        die(sqlite3_errmsg(g->db));
}

// ---- barcode lookup: the till's scan ----

// Statement text issued per scan, as the till does.
void BM_Lookup_Store(benchmark::State &state)
{
    std::mt19937 rng(1);
    for (auto _ : state) {
        const GoodsRow &row = g->goods[rng() % g->goods.size()];
        bool ok = false;
        const Rows r = g->store->select(QString::fromLatin1(LookupSql), {{QStringLiteral("code"), row.barcode}}, &ok);
        if (!ok || r.isEmpty())
            die("lookup found nothing");
        benchmark::DoNotOptimize(r);
    }
}

void BM_Lookup_Engine(benchmark::State &state)
{
    std::mt19937 rng(1);
    for (auto _ : state) {
        const GoodsRow &row = g->goods[rng() % g->goods.size()];
        sqlite3_stmt *st = prepare(LookupSql);
        bindText(st, ":code", row.barcodeUtf8);
        int rows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            readRow(st);
            ++rows;
        }
        sqlite3_finalize(st);
        if (!rows)
            die("lookup found nothing");
    }
}

// One prepared statement kept for every scan.
void BM_LookupPrepared_Store(benchmark::State &state)
{
    std::mt19937 rng(1);
    Query q(*g->store, QString::fromLatin1(LookupSql));
    const int cols = q.columnCount();
    for (auto _ : state) {
        const GoodsRow &row = g->goods[rng() % g->goods.size()];
        q.bind(QStringLiteral("code"), row.barcode);
        if (!q.exec() || !q.next())
            die("lookup found nothing");
        for (int i = 0; i < cols; ++i)
            benchmark::DoNotOptimize(q.value(i));
        while (q.next()) {
        }
    }
}

void BM_LookupPrepared_Engine(benchmark::State &state)
{
    std::mt19937 rng(1);
    sqlite3_stmt *st = prepare(LookupSql);
    for (auto _ : state) {
        const GoodsRow &row = g->goods[rng() % g->goods.size()];
        sqlite3_reset(st);
        bindText(st, ":code", row.barcodeUtf8);
        int rows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            readRow(st);
            ++rows;
        }
        if (!rows)
            die("lookup found nothing");
    }
    sqlite3_finalize(st);
}

// ---- settlement: one order, five lines, one member, committed ----

void BM_Settlement_Store(benchmark::State &state)
{
    std::mt19937 rng(2);
    for (auto _ : state) {
        const QString orderNo = orderNumberAt(Clock::now());
        Transaction t(*g->store);
        if (!t.isActive())
            die("begin failed");
        double money = 0, cost = 0;
        const GoodsRow *lines[5];
        for (auto &l : lines) {
            l = &g->goods[rng() % g->goods.size()];
            money += l->price;
            cost += l->cost;
        }
        const QString &card = g->cards[rng() % g->cards.size()];
        Query order(*g->store, QString::fromLatin1(OrderSql));
        order.bind({{QStringLiteral("order_id"), orderNo}, {QStringLiteral("card_id"), card},
                    {QStringLiteral("total_cost"), cost}, {QStringLiteral("total_money"), money},
                    {QStringLiteral("seller"), QStringLiteral("收银员")}, {QStringLiteral("sales_id"), -1}});
        if (!order.exec())
            die("order insert failed");
        Query line(*g->store, QString::fromLatin1(LineSql));
        for (const GoodsRow *l : lines) {
            line.bind({{QStringLiteral("order_id"), orderNo}, {QStringLiteral("barcode"), l->barcode},
                       {QStringLiteral("amount"), 1.0}, {QStringLiteral("subtotal"), l->price},
                       {QStringLiteral("goods_id"), QString::number(l->id)}});
            if (!line.exec())
                die("line insert failed");
        }
        Query member(*g->store, QString::fromLatin1(MemberSql));
        member.bind({{QStringLiteral("thistime"), money / 10}, {QStringLiteral("discount"), 95},
                     {QStringLiteral("card"), card}});
        if (!member.exec())
            die("member update failed");
        if (!t.commit())
            die("commit failed");
    }
}

void BM_Settlement_Engine(benchmark::State &state)
{
    std::mt19937 rng(2);
    for (auto _ : state) {
        const std::string orderNo = orderNumberAt(Clock::now()).toStdString();
        engineExec("BEGIN IMMEDIATE");
        double money = 0, cost = 0;
        const GoodsRow *lines[5];
        for (auto &l : lines) {
            l = &g->goods[rng() % g->goods.size()];
            money += l->price;
            cost += l->cost;
        }
        const std::string &card = g->cardsUtf8[rng() % g->cardsUtf8.size()];
        sqlite3_stmt *order = prepare(OrderSql);
        bindText(order, ":order_id", orderNo);
        bindText(order, ":card_id", card);
        bindDouble(order, ":total_cost", cost);
        bindDouble(order, ":total_money", money);
        bindText(order, ":seller", "收银员");
        bindInt(order, ":sales_id", -1);
        step(order);
        sqlite3_finalize(order);
        sqlite3_stmt *line = prepare(LineSql);
        for (const GoodsRow *l : lines) {
            sqlite3_reset(line);
            bindText(line, ":order_id", orderNo);
            bindText(line, ":barcode", l->barcodeUtf8);
            bindDouble(line, ":amount", 1.0);
            bindDouble(line, ":subtotal", l->price);
            bindText(line, ":goods_id", std::to_string(l->id));
            step(line);
        }
        sqlite3_finalize(line);
        sqlite3_stmt *member = prepare(MemberSql);
        bindDouble(member, ":thistime", money / 10);
        bindInt(member, ":discount", 95);
        bindText(member, ":card", card);
        step(member);
        sqlite3_finalize(member);
        engineExec("COMMIT");
    }
}

// ---- one day's takings over the date index ----

void BM_DayTotal_Store(benchmark::State &state)
{
    std::mt19937 rng(3);
    for (auto _ : state) {
        const QDate d = g->days[rng() % g->days.size()];
        bool ok = false;
        const QVariant v = g->store->scalar(QString::fromLatin1(DayTotalSql),
                                            {{QStringLiteral("d"), d.toString(QStringLiteral("yyyy-MM-dd"))},
                                             {QStringLiteral("d1"), d.addDays(1).toString(QStringLiteral("yyyy-MM-dd"))}},
                                            &ok);
        if (!ok)
            die("day total failed");
        benchmark::DoNotOptimize(v);
    }
}

void BM_DayTotal_Engine(benchmark::State &state)
{
    std::mt19937 rng(3);
    for (auto _ : state) {
        const QDate d = g->days[rng() % g->days.size()];
        const std::string d0 = d.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
        const std::string d1 = d.addDays(1).toString(QStringLiteral("yyyy-MM-dd")).toStdString();
        sqlite3_stmt *st = prepare(DayTotalSql);
        bindText(st, ":d", d0);
        bindText(st, ":d1", d1);
        if (sqlite3_step(st) != SQLITE_ROW)
            die(sqlite3_errmsg(g->db));
        benchmark::DoNotOptimize(sqlite3_column_double(st, 0));
        sqlite3_finalize(st);
    }
}

// The same total written with date() on the column, which no index can serve: what
// the range form saves.
void BM_DayTotalDateFunction_Store(benchmark::State &state)
{
    std::mt19937 rng(3);
    for (auto _ : state) {
        const QDate d = g->days[rng() % g->days.size()];
        bool ok = false;
        const QVariant v = g->store->scalar(QStringLiteral("select total(total_money) from orderlist where date(order_date)=:d"),
                                            {{QStringLiteral("d"), d.toString(QStringLiteral("yyyy-MM-dd"))}}, &ok);
        if (!ok)
            die("day total failed");
        benchmark::DoNotOptimize(v);
    }
}

BENCHMARK(BM_Lookup_Store)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Lookup_Engine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupPrepared_Store)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupPrepared_Engine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Settlement_Store)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Settlement_Engine)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DayTotal_Store)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DayTotal_Engine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DayTotalDateFunction_Store)->Unit(benchmark::kMillisecond);

void loadFixture(const QString &folder, int cacheKib)
{
    g = new Fixture;
    QString error;
    g->store = Store::openFolder(folder, &error);
    if (!g->store)
        die(qPrintable(folder + QStringLiteral(": ") + error));
    const QByteArray file = QFile::encodeName(QDir(folder).filePath(Store::defaultFileName()));
    const QByteArray key = storeKey();
    if (sqlite3_open_v2(file.constData(), &g->db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
        || sqlite3_key(g->db, key.constData(), int(key.size())) != SQLITE_OK)
        die("engine cannot open the store");
    sqlite3_busy_timeout(g->db, Store::busyTimeoutMs());
    if (cacheKib > 0) {
        const std::string pragma = "PRAGMA cache_size=-" + std::to_string(cacheKib);
        engineExec(pragma.c_str());
        if (!g->store->execScript(QString::fromStdString(pragma)))
            die("cache_size failed");
        benchmark::AddCustomContext("cache_size KiB", std::to_string(cacheKib));
    }

    // A spread of goods, members and days to draw from (every 97th goods item, and so on).
    for (const auto &r : g->store->select(QStringLiteral(
             "select goods_id, barcode, price, costprice from goods where goods_id % 97 = 0")).rows) {
        const QString code = r.at(1).toString();
        g->goods.push_back({r.at(0).toLongLong(), code, code.toStdString(), r.at(2).toDouble(), r.at(3).toDouble()});
    }
    for (const auto &r : g->store->select(QStringLiteral("select card_id from member where rowid % 7 = 0")).rows) {
        g->cards.push_back(r.at(0).toString());
        g->cardsUtf8.push_back(r.at(0).toString().toStdString());
    }
    for (const auto &r : g->store->select(QStringLiteral("select distinct order_date from orderlist")).rows)
        g->days.push_back(QDate::fromString(r.at(0).toString(), QStringLiteral("yyyy-MM-dd")));
    if (g->goods.empty() || g->cards.empty() || g->days.empty())
        die("the store needs goods, members and orders (make it with demoshop)");
    const Rows size = g->store->select(QStringLiteral(
        "select (select count(*) from goods), (select count(*) from member), (select count(*) from orderlist), "
        "(select count(*) from order_detail)"));
    benchmark::AddCustomContext("store", folder.toStdString());
    QStringList counts;
    for (const QVariant &v : size.rows.at(0))
        counts << v.toString();
    benchmark::AddCustomContext("goods/members/orders/lines", counts.join(QLatin1Char('/')).toStdString());
}

} // namespace

int main(int argc, char **argv)
{
    // The shop folder comes first; the rest goes to Google Benchmark.
    QString shop = qEnvironmentVariable("ZAZUVI_BENCH_SHOP");
    int cacheKib = 0;
    std::vector<char *> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--shop=", 7) == 0)
            shop = QString::fromLocal8Bit(argv[i] + 7);
        else if (std::strncmp(argv[i], "--cache-kib=", 12) == 0)
            cacheKib = std::atoi(argv[i] + 12);
        else
            rest.push_back(argv[i]);
    }
    int n = int(rest.size());
    int appArgc = 1;
    QCoreApplication app(appArgc, argv);
    if (shop.isEmpty()) {
        fprintf(stderr, "usage: bench_store --shop=FOLDER [--cache-kib=N] [benchmark options]\n"
                        "FOLDER holds a dat.db made by demoshop (e.g. --goods 100000 --days 3650 --orders-per-day 274)\n");
        return 2;
    }
    loadFixture(shop, cacheKib);
    benchmark::Initialize(&n, rest.data());
    if (benchmark::ReportUnrecognizedArguments(n, rest.data()))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sqlite3_close_v2(g->db);
    delete g;
    return 0;
}
