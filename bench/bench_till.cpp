// The till over a demoshop store, as the cashier meets it:
//   bench_till --shop=FOLDER [Google Benchmark options]
//   bench_till --shop=FOLDER --startup-sql
// Scan-to-screen and settlement drive the real window (TmainForm) offscreen with keys,
// like a scanner and a cashier. The start-up benchmarks run the checkout program beside
// this one with ZAZUVI_HOME=FOLDER until its window is shown, and read its memory.
// --startup-sql runs the till's start-up in this process instead and prints every
// statement it sends to the store, timed, with the engine's query plan.
// Settlements commit real orders into FOLDER (stock and order history grow): use a copy
// of a demo store made for benchmarking.

#include "clock.h"
#include "mainform.h"
#include "msgbox.h"
#include "shopstore.h"
#include "sqlite.h"
#include "startup.h"
#include "store.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QThread>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// A till user of every demoshop store (and of a fresh store).
const QString kUser = QStringLiteral("收银员");
const QString kPassword = QStringLiteral("806");
const char kShownMarker[] = "zazuvi-bench: shown ";

using SteadyClock = std::chrono::steady_clock;

double secondsSince(SteadyClock::time_point t0)
{
    return std::chrono::duration<double>(SteadyClock::now() - t0).count();
}

// CPU time of this thread, where the window does all its work.
double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Counts the paint events of the widgets a scan must redraw, to prove they were drawn.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(const QList<QWidget *> &widgets)
    {
        for (QWidget *w : widgets)
            w->installEventFilter(this);
    }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Fixture {
    QString shop;  // with a trailing '/'
    std::unique_ptr<Store> store;
    std::unique_ptr<TmainForm> form;
    QStringList codes;  // goods that stay in stock however many sales the run settles
    int nextCode = 0;
    QDateTime now;      // the till's clock: one second further for every settlement
    QStringList messages;
};
Fixture *g = nullptr;

void die(const QString &what)
{
    fprintf(stderr, "bench_till: %s\n", qPrintable(what));
    std::exit(1);
}

QWidget *focus()
{
    return QApplication::focusWidget();
}

void expectFocus(QWidget *w, const char *step)
{
    if (focus() != w)
        die(QStringLiteral("%1: the focus is on %2").arg(QString::fromLatin1(step),
                                                         focus() ? focus()->objectName() : QStringLiteral("nothing")));
}

// The next code that is not on the sale yet (a second scan would only raise a quantity).
QString takeCode(const QSet<QString> &onSale)
{
    for (;;) {
        const QString &c = g->codes.at(g->nextCode);
        g->nextCode = (g->nextCode + 1) % int(g->codes.size());
        if (!onSale.contains(c))
            return c;
    }
}

// A new sale of n lines, put on through the window's own lookup (no keys: this is setup).
QSet<QString> startSale(int n)
{
    g->form->clearSale();
    QSet<QString> onSale;
    for (int i = 0; i < n; ++i) {
        const QString code = takeCode(onSale);
        if (!g->form->findGoods(code))
            die(QStringLiteral("goods %1 not found").arg(code));
        g->form->addgoods();
        onSale.insert(code);
    }
    QCoreApplication::processEvents();
    if (g->form->saleLines().size() != n)
        die(QStringLiteral("the sale has %1 lines, not %2").arg(g->form->saleLines().size()).arg(n));
    expectFocus(g->form->barcodeinputEdit, "sale set up");
    return onSale;
}

void endSale()
{
    g->form->clearSale();
    QCoreApplication::processEvents();
}

// ---- scan-to-screen: code typed, Return, the new line listed and the totals redrawn ----

void BM_ScanToScreen(benchmark::State &state)
{
    const int before = int(state.range(0));
    QSet<QString> onSale = startSale(before);
    PaintWatch listPainted({g->form->ListView->viewport()});
    PaintWatch totalPainted({g->form->totalMoneyLbl});
    double enterSeconds = 0, cpuSeconds = 0;
    for (auto _ : state) {
        const QString code = takeCode(onSale);
        const QString totalBefore = g->form->totalMoneyLbl->text();
        expectFocus(g->form->barcodeinputEdit, "scan");
        listPainted.paints = totalPainted.paints = 0;
        const double cpu0 = threadCpuSeconds();
        const auto t0 = SteadyClock::now();
        QTest::keyClicks(focus(), code);
        const auto tEnter = SteadyClock::now();
        QTest::keyClick(focus(), Qt::Key_Return);
        QCoreApplication::processEvents();  // layout and paint of the list and the labels
        state.SetIterationTime(secondsSince(t0));
        enterSeconds += secondsSince(tEnter);
        cpuSeconds += threadCpuSeconds() - cpu0;

        if (g->form->saleLines().size() != before + 1 || g->form->totalMoneyLbl->text() == totalBefore
            || !g->form->barcodeinputEdit->text().isEmpty())
            die(QStringLiteral("scanning %1 did not add a line").arg(code));
        if (!listPainted.paints || !totalPainted.paints)
            die(QStringLiteral("the list or the total was not redrawn after the scan"));
        g->form->deleteSelectedLine();  // the new line is the selected one
        QCoreApplication::processEvents();
        if (g->form->saleLines().size() != before)
            die(QStringLiteral("the scanned line did not go"));
    }
    state.counters["enter_to_screen_ms"] =
        benchmark::Counter(enterSeconds * 1000, benchmark::Counter::kAvgIterations);
    state.counters["cpu_ms"] = benchmark::Counter(cpuSeconds * 1000, benchmark::Counter::kAvgIterations);
    endSale();
}

// ---- settlement: tendered amount typed, Space on the settle button, receipt file written ----

void BM_Settle(benchmark::State &state)
{
    const int lines = int(state.range(0));
    const QString receipt = g->shop + QStringLiteral("output.txt");
    double cpuSeconds = 0;
    for (auto _ : state) {
        startSale(lines);
        g->now = g->now.addSecs(1);
        const QString orderBefore = g->form->orderNo;
        const Money due = Money::fromText(g->form->realmoneyEdit->text());
        const QString tendered = QString::number(qint64(due.toDouble()) + 100);

        const double cpu0 = threadCpuSeconds();
        const auto t0 = SteadyClock::now();
        QTest::keyClick(focus(), Qt::Key_Return);  // empty code field: on to the tendered amount
        expectFocus(g->form->receivemoneyEdit, "tender");
        QTest::keyClicks(focus(), tendered);
        QTest::keyClick(focus(), Qt::Key_Return);
        expectFocus(g->form->printBtn, "settle");
        QTest::keyClick(focus(), Qt::Key_Space);  // settle without printing
        QCoreApplication::processEvents();
        state.SetIterationTime(secondsSince(t0));
        cpuSeconds += threadCpuSeconds() - cpu0;

        QFile f(receipt);
        const QByteArray text = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        if (!g->form->saleLines().isEmpty() || g->form->orderNo == orderBefore
            || !text.contains(g->form->orderNo.toLatin1()))
            die(QStringLiteral("the sale of %1 lines was not settled").arg(lines));
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpuSeconds * 1000, benchmark::Counter::kAvgIterations);
}

// ---- the checkout program from its start to its shown window ----

struct ProcMemory {
    double rssKib = 0, hwmKib = 0;
};

// User and system time the process has used so far (/proc/PID/stat, clock ticks).
double processCpuSeconds(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    // Fields after the command name in brackets, which may hold spaces.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

ProcMemory readMemory(qint64 pid)
{
    ProcMemory m;
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return m;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() >= 2 && parts.at(0) == "VmRSS:")
            m.rssKib = parts.at(1).toDouble();
        else if (parts.size() >= 2 && parts.at(0) == "VmHWM:")
            m.hwmKib = parts.at(1).toDouble();
    }
    return m;
}

QString backupToday()
{
    // The program reads the system clock, not this process's till clock.
    return TillStartup::backupFile(g->shop, QDate::currentDate());
}

// dayBackup: the first start of the day, which copies the store into 数据库备份 first.
// Afterwards the program stays up for `stayMs` (its memory is read once more at the end).
void checkoutStart(benchmark::State &state, bool dayBackup)
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/checkout");
    if (!QFileInfo(program).isExecutable())
        die(program + QStringLiteral(" is missing: build the checkout target"));
    const int stayMs = 3000;
    double insideMs = 0, cpuSeconds = 0;
    ProcMemory atShow, later;
    for (auto _ : state) {
        const QString backup = backupToday();
        if (dayBackup) {
            QFile::remove(backup);
        } else if (!QFile::exists(backup)) {
            QString error;
            QDir().mkpath(QFileInfo(backup).absolutePath());
            if (!g->store->backupTo(backup, &error))
                die(QStringLiteral("backup: ") + error);
        }
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZAZUVI_HOME"), g->shop);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ZAZUVI_BENCH_EXIT_ON_SHOW"), QString::number(stayMs));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.setReadChannel(QProcess::StandardError);

        const auto t0 = SteadyClock::now();
        p.start(program, {kUser, kPassword});
        QByteArray err;
        int at = -1;
        while ((at = err.indexOf(kShownMarker)) < 0 || err.indexOf('\n', at) < 0) {
            if (!p.waitForReadyRead(120000))
                die(QStringLiteral("checkout ended or hung before its window showed: ")
                    + QString::fromLocal8Bit(err + p.readAllStandardOutput()));
            err += p.readAllStandardError();
        }
        state.SetIterationTime(secondsSince(t0));
        atShow = readMemory(p.processId());
        cpuSeconds += processCpuSeconds(p.processId());
        insideMs += err.mid(at + int(std::strlen(kShownMarker))).split(' ').value(0).toDouble();
        QThread::msleep(stayMs - 500);  // past the first memory trim at 2 s
        later = readMemory(p.processId());
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            die(QStringLiteral("checkout did not end by itself"));
        if (dayBackup && !QFile::exists(backup))
            die(QStringLiteral("checkout made no backup"));
    }
    state.counters["in_main_ms"] = benchmark::Counter(insideMs, benchmark::Counter::kAvgIterations);
    state.counters["cpu_ms"] = benchmark::Counter(cpuSeconds * 1000, benchmark::Counter::kAvgIterations);
    state.counters["rss_shown_MiB"] = atShow.rssKib / 1024;
    state.counters["hwm_shown_MiB"] = atShow.hwmKib / 1024;
    state.counters["rss_2.5s_MiB"] = later.rssKib / 1024;
    state.counters["hwm_2.5s_MiB"] = later.hwmKib / 1024;
}

void BM_CheckoutStart_DayBackupDone(benchmark::State &state) { checkoutStart(state, false); }
void BM_CheckoutStart_FirstOfDay(benchmark::State &state) { checkoutStart(state, true); }

BENCHMARK(BM_ScanToScreen)->Arg(0)->Arg(49)->Arg(199)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Settle)->Arg(1)->Arg(50)->Arg(200)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckoutStart_DayBackupDone)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckoutStart_FirstOfDay)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// ---- setup ----

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

std::unique_ptr<Store> openLoggedIn(ShopSettings *shop)
{
    QString error;
    auto store = ShopStore::open(&error);
    if (!store)
        die(g->shop + QStringLiteral(": ") + error);
    const TillStartup::LoginResult login = TillStartup::checkLogin(*store, {kUser, kPassword});
    if (login.outcome != TillStartup::Login::Ok)
        die(QStringLiteral("%1 cannot log in with %2").arg(kUser, kPassword));
    *shop = TillStartup::readShopSettings(*store, &error);
    if (!error.isEmpty())
        die(error);
    return store;
}

void prepareFolder(const QString &folder)
{
    g->shop = QDir(folder).absolutePath() + QLatin1Char('/');
    if (!QFile::exists(g->shop + Store::defaultFileName()))
        die(g->shop + QStringLiteral(" holds no dat.db (make one with demoshop)"));
    qputenv("ZAZUVI_HOME", QFile::encodeName(g->shop));
    // A till that has settled before: the help window of the very first start stays away.
    if (!QFile::exists(g->shop + QStringLiteral("output.txt")))
        writeFile(g->shop + QStringLiteral("output.txt"), "\r\n");
    Msg::setScript([](const QString &kind, const QString &text) {
        g->messages << kind + QStringLiteral(": ") + text;
        return true;
    });
}

void loadFixture()
{
    ShopSettings shop;
    g->store = openLoggedIn(&shop);

    // Orders of today continue after the ones an earlier run left in this store.
    const QDate today = QDate::currentDate();
    g->now = QDateTime(today, QTime::currentTime());
    const QString last = g->store
                             ->scalar(QStringLiteral("select max(order_id) from orderlist where order_date >= :d "
                                                     "and order_date < :d1"),
                                      {{QStringLiteral("d"), today.toString(QStringLiteral("yyyy-MM-dd"))},
                                       {QStringLiteral("d1"), today.addDays(1).toString(QStringLiteral("yyyy-MM-dd"))}})
                             .toString();
    // An order number ends in the time of day, HHmmss.
    const QTime lastAt = QTime::fromString(last.right(6), QStringLiteral("HHmmss"));
    if (lastAt.isValid() && QDateTime(today, lastAt) >= g->now)
        g->now = QDateTime(today, lastAt).addSecs(1);
    Clock::setSource([] { return g->now; });

    // Goods in stock for many more sales than a run settles, so no stock warning comes up;
    // with a price, so every new line changes the total.
    for (const auto &r : g->store->select(QStringLiteral(
             "select barcode from goods where hide=0 and amount > 30 and price > 0 and barcode <> ''")).rows)
        g->codes << r.at(0).toString();
    if (g->codes.size() < 1000)
        die(QStringLiteral("the store needs goods in stock (make it with demoshop)"));
    std::mt19937 rng(7);
    std::shuffle(g->codes.begin(), g->codes.end(), rng);

    g->form = std::make_unique<TmainForm>(*g->store, kUser, shop);
    g->form->show();
    if (!QTest::qWaitForWindowActive(g->form.get()))
        die(QStringLiteral("the till window did not become active"));
    QCoreApplication::processEvents();
    expectFocus(g->form->barcodeinputEdit, "start");

    const Rows size = g->store->select(QStringLiteral(
        "select (select count(*) from goods), (select count(*) from member), (select count(*) from orderlist), "
        "(select count(*) from order_detail)"));
    QStringList counts;
    for (const QVariant &v : size.rows.at(0))
        counts << v.toString();
    benchmark::AddCustomContext("store", g->shop.toStdString());
    benchmark::AddCustomContext("till window", QStringLiteral("%1x%2, %3 visible list rows")
                                                   .arg(g->form->width()).arg(g->form->height())
                                                   .arg(g->form->ListView->viewport()->height() / 24)
                                                   .toStdString());
    benchmark::AddCustomContext("goods/members/orders/lines", counts.join(QLatin1Char('/')).toStdString());
}

// ---- --startup-sql: what the till asks the store while it starts ----

struct Traced {
    sqlite3_stmt *stmt;
    QString sql;
    SteadyClock::time_point started;
    double ms = -1;  // until the statement ends
};
std::vector<Traced> *g_traced = nullptr;

// Timed here rather than by the engine's profile, which counts whole milliseconds.
int traceStatement(unsigned type, void *, void *p, void *)
{
    if (!g_traced)
        return 0;
    auto *stmt = static_cast<sqlite3_stmt *>(p);
    if (type == SQLITE_TRACE_STMT) {
        g_traced->push_back({stmt, QString::fromUtf8(sqlite3_sql(stmt)), SteadyClock::now()});
    } else if (type == SQLITE_TRACE_PROFILE) {
        for (auto it = g_traced->rbegin(); it != g_traced->rend(); ++it) {
            if (it->stmt == stmt && it->ms < 0) {
                it->ms = secondsSince(it->started) * 1000;
                break;
            }
        }
    }
    return 0;
}

QStringList queryPlan(sqlite3 *db, const QString &sql)
{
    QStringList plan;
    sqlite3_stmt *st = nullptr;
    const QByteArray text = "EXPLAIN QUERY PLAN " + sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), -1, &st, nullptr) != SQLITE_OK)
        return {QStringLiteral("(no plan: %1)").arg(QString::fromUtf8(sqlite3_errmsg(db)))};
    while (sqlite3_step(st) == SQLITE_ROW)
        plan << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 3)));
    sqlite3_finalize(st);
    return plan;
}

// An order table read from one end to the other, with or without a covering index.
bool scansOrderHistory(const QString &planLine)
{
    return planLine.startsWith(QLatin1String("SCAN TABLE orderlist"))
           || planLine.startsWith(QLatin1String("SCAN TABLE order_detail"));
}

int startupSql()
{
    std::vector<Traced> traced;
    QString error;
    auto store = ShopStore::open(&error);
    if (!store)
        die(g->shop + QStringLiteral(": ") + error);
    sqlite3_trace_v2(store->handle(), SQLITE_TRACE_STMT | SQLITE_TRACE_PROFILE, traceStatement, nullptr);
    g_traced = &traced;
    Clock::setSource(nullptr);

    const auto t0 = SteadyClock::now();
    const TillStartup::LoginResult login = TillStartup::checkLogin(*store, {kUser, kPassword});
    if (login.outcome != TillStartup::Login::Ok)
        die(QStringLiteral("%1 cannot log in with %2").arg(kUser, kPassword));
    const ShopSettings shop = TillStartup::readShopSettings(*store, &error);
    auto form = std::make_unique<TmainForm>(*store, kUser, shop);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        die(QStringLiteral("the till window was not exposed"));
    const double totalMs = secondsSince(t0) * 1000;
    g_traced = nullptr;

    const bool backupMade = form->statusPanel1->text() == TillStartup::backupStatusText(TillStartup::Backup::Done);
    printf("till start-up in this process: %.1f ms from the login check to the exposed window%s\n", totalMs,
           backupMade ? " (the day's automatic backup included)" : "");
    int scans = 0;
    double sqlMs = 0;
    for (const Traced &t : traced) {
        sqlMs += t.ms;
        printf("\n%10.3f ms  %s\n", t.ms, qPrintable(t.sql));
        for (const QString &line : queryPlan(store->handle(), t.sql)) {
            const bool scan = scansOrderHistory(line);
            scans += scan;
            printf("              %s%s\n", qPrintable(line), scan ? "   <-- reads the whole order history" : "");
        }
    }
    printf("\n%d statements, %.1f ms in the engine; %d read the whole order history\n", int(traced.size()), sqlMs,
           scans);
    form.reset();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QString shop = qEnvironmentVariable("ZAZUVI_BENCH_SHOP");
    bool sqlOnly = false;
    std::vector<char *> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--shop=", 7) == 0)
            shop = QString::fromLocal8Bit(argv[i] + 7);
        else if (std::strcmp(argv[i], "--startup-sql") == 0)
            sqlOnly = true;
        else
            rest.push_back(argv[i]);
    }
    if (shop.isEmpty()) {
        fprintf(stderr, "usage: bench_till --shop=FOLDER [--startup-sql] [benchmark options]\n"
                        "FOLDER holds a dat.db made by demoshop (e.g. --goods 100000 --days 3650 --orders-per-day 274);\n"
                        "the benchmarks settle sales into it: use a copy\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    QApplication app(appArgc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    g = new Fixture;
    prepareFolder(shop);
    int rc = 0;
    if (sqlOnly) {
        rc = startupSql();
    } else {
        int n = int(rest.size());
        benchmark::Initialize(&n, rest.data());
        if (benchmark::ReportUnrecognizedArguments(n, rest.data()))
            return 2;
        loadFixture();
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    if (!g->messages.isEmpty())
        fprintf(stderr, "bench_till: %d message boxes came up during the run, the first: %s\n",
                int(g->messages.size()), qPrintable(g->messages.first()));
    g->form.reset();
    g->store.reset();
    Clock::setSource(nullptr);
    delete g;
    return rc;
}
