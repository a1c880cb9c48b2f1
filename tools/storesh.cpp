// storesh: the shop's store from the command line.
//   storesh [--json] FOLDER|FILE [SQL]   run SQL (from the argument, else standard input)
//   storesh --create FOLDER              a fresh store from the built-in schema
//   storesh --check FOLDER|FILE          integrity check: "ok" or the problems
// Rows print as tab-separated text with a header line, or as JSON arrays of objects.

#include "sqlite.h"
#include "store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>

#include <cstdio>

namespace {

enum Exit { ExitOk = 0, ExitProblem = 1, ExitUsage = 2, ExitOpen = 3 };

const char Usage[] =
    "usage: storesh [--json] FOLDER|FILE [SQL...]   run SQL (standard input when no SQL is given)\n"
    "       storesh --create FOLDER                 make a fresh store from the built-in schema\n"
    "       storesh --check FOLDER|FILE             integrity check; prints ok or the problems\n"
    "Rows print as tab-separated text under a header line (tab, line break and backslash inside\n"
    "a value as \\t, \\n, \\\\; NULL as nothing); --json prints one array of objects per statement\n"
    "that returns rows.\n"
    "Statements run one after another; on an error storesh stops and rolls back an open\n"
    "transaction, so wrap a multi-statement change in BEGIN; ... COMMIT; to make it all-or-nothing.\n";

void writeOut(const QByteArray &bytes)
{
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void writeErr(const QString &text)
{
    const QByteArray b = text.toUtf8() + '\n';
    fwrite(b.constData(), 1, size_t(b.size()), stderr);
}

// A FOLDER means its dat.db; anything that is a file (a backup, say) is opened as it is.
QString dbFileOf(const QString &arg)
{
    const QFileInfo fi(arg);
    if (fi.isFile())
        return fi.absoluteFilePath();
    return QDir(arg).absoluteFilePath(Store::defaultFileName());
}

// Tabs and line breaks inside a value would break the row apart.
QByteArray tsvField(const QByteArray &raw)
{
    QByteArray out;
    out.reserve(raw.size());
    for (char c : raw) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

QByteArray textOf(sqlite3_stmt *st, int i)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st, i));
    return p ? QByteArray(p, sqlite3_column_bytes(st, i)) : QByteArray();
}

QJsonValue jsonOf(sqlite3_stmt *st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER:
        return QJsonValue(qint64(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT:
        return QJsonValue(sqlite3_column_double(st, i));
    case SQLITE_TEXT:
        return QJsonValue(QString::fromUtf8(textOf(st, i)));
    case SQLITE_BLOB: {
        const QByteArray b(static_cast<const char *>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i));
        return QJsonValue(QString::fromLatin1(b.toBase64()));
    }
    default:
        return QJsonValue(QJsonValue::Null);
    }
}

// Runs every statement of the script. Output of a statement is written as soon as it
// has run, so a long listing streams.
int runScript(Store &store, const QByteArray &script, bool json)
{
    sqlite3 *db = store.handle();
    const char *sql = script.constData();
    const char *end = sql + script.size();
    int number = 0;
    while (sql < end) {
        sqlite3_stmt *st = nullptr;
        const char *tail = nullptr;
        if (sqlite3_prepare_v2(db, sql, int(end - sql), &st, &tail) != SQLITE_OK) {
            writeErr(QStringLiteral("error in statement %1: %2").arg(number + 1).arg(QString::fromUtf8(sqlite3_errmsg(db))));
            return ExitProblem;
        }
        const QByteArray text = QByteArray(sql, int(tail - sql)).trimmed();
        sql = tail;
        if (!st)  // blanks or a comment
            continue;
        ++number;
        const int cols = sqlite3_column_count(st);
        QJsonArray rows;
        if (cols > 0 && !json) {
            QByteArray header;
            for (int i = 0; i < cols; ++i)
                header += (i ? "\t" : "") + tsvField(QByteArray(sqlite3_column_name(st, i)));
            writeOut(header + '\n');
        }
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            if (json) {
                QJsonObject o;
                for (int i = 0; i < cols; ++i)
                    o.insert(QString::fromUtf8(sqlite3_column_name(st, i)), jsonOf(st, i));
                rows.append(o);
            } else {
                QByteArray line;
                for (int i = 0; i < cols; ++i) {
                    if (i)
                        line += '\t';
                    line += tsvField(textOf(st, i));  // NULL prints as nothing
                }
                writeOut(line + '\n');
            }
        }
        if (rc != SQLITE_DONE) {
            writeErr(QStringLiteral("error in statement %1 (%2): %3")
                         .arg(number)
                         .arg(QString::fromUtf8(text.left(200)), QString::fromUtf8(sqlite3_errmsg(db))));
            sqlite3_finalize(st);
            return ExitProblem;
        }
        sqlite3_finalize(st);
        if (json && cols > 0)
            writeOut(QJsonDocument(rows).toJson(QJsonDocument::Indented));
    }
    return ExitOk;
}

int createStore(const QString &folder)
{
    if (!QDir().mkpath(folder)) {
        writeErr(QStringLiteral("cannot make folder %1").arg(folder));
        return ExitOpen;
    }
    const QString file = QDir(folder).absoluteFilePath(Store::defaultFileName());
    if (QFileInfo::exists(file)) {
        writeErr(QStringLiteral("%1 already exists; not overwritten").arg(file));
        return ExitProblem;
    }
    QString error;
    if (!Store::create(file, &error)) {
        writeErr(QStringLiteral("cannot create %1: %2").arg(file, error));
        return ExitProblem;
    }
    writeOut(QStringLiteral("created %1\n").arg(file).toUtf8());
    return ExitOk;
}

// The engine's own check, plus every table of the schema must be there and readable.
int checkStore(const QString &arg)
{
    QString error;
    auto store = Store::open(dbFileOf(arg), &error);
    if (!store) {
        writeErr(error);
        return ExitOpen;
    }
    QStringList problems;
    const QStringList engine = store->integrityCheck();
    if (!(engine.size() == 1 && engine.first() == QStringLiteral("ok")))
        problems += engine;
    static const QRegularExpression tableRe(QStringLiteral("CREATE TABLE (\\w+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    auto it = tableRe.globalMatch(storeSchemaSql());
    while (it.hasNext()) {
        const QString table = it.next().captured(1);
        if (!store->checkTables({table}))
            problems << QStringLiteral("table %1: %2").arg(table, store->lastError());
    }
    if (problems.isEmpty()) {
        writeOut("ok\n");
        return ExitOk;
    }
    for (const QString &p : problems)
        writeOut((p + QLatin1Char('\n')).toUtf8());
    return ExitProblem;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    bool json = false;
    QString mode;
    QStringList rest;
    for (const QString &a : args) {
        if (a == QStringLiteral("--json"))
            json = true;
        else if (a == QStringLiteral("--create") || a == QStringLiteral("--check"))
            mode = a;
        else if (a == QStringLiteral("--help") || a == QStringLiteral("-h")) {
            fputs(Usage, stdout);
            return ExitOk;
        } else if (a.startsWith(QStringLiteral("--")) && rest.isEmpty()) {
            writeErr(QStringLiteral("unknown option %1").arg(a));
            fputs(Usage, stderr);
            return ExitUsage;
        } else
            rest << a;
    }
    if (rest.isEmpty() || (!mode.isEmpty() && rest.size() != 1)) {
        fputs(Usage, stderr);
        return ExitUsage;
    }
    if (mode == QStringLiteral("--create"))
        return createStore(rest.first());
    if (mode == QStringLiteral("--check"))
        return checkStore(rest.first());

    const QString file = dbFileOf(rest.takeFirst());
    QByteArray script;
    if (!rest.isEmpty()) {
        script = rest.join(QLatin1Char(' ')).toUtf8();
    } else {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            writeErr(QStringLiteral("cannot read standard input"));
            return ExitUsage;
        }
        script = in.readAll();
    }
    QString error;
    auto store = Store::open(file, &error);
    if (!store) {
        writeErr(QStringLiteral("%1: %2").arg(file, error));
        return ExitOpen;
    }
    int rc = runScript(*store, script, json);
    fflush(stdout);
    // A script that stopped inside its own BEGIN leaves nothing half written.
    if (store->inTransaction()) {
        store->exec(QStringLiteral("ROLLBACK"));
        if (rc == ExitOk) {
            writeErr(QStringLiteral("transaction left open at the end: rolled back"));
            rc = ExitProblem;
        }
    }
    return rc;
}
