#include "store.h"

#include "money.h"
#include "scramble.h"
#include "sqlite.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString engineError(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

QString normalizedName(const QString &name)
{
    return name.startsWith(QLatin1Char(':')) ? name.mid(1) : name;
}

int bindValue(sqlite3_stmt *stmt, int index, const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return sqlite3_bind_null(stmt, index);
    if (v.userType() == qMetaTypeId<Money>())
        return sqlite3_bind_double(stmt, index, v.value<Money>().toDouble());
    switch (v.typeId()) {
    case QMetaType::Bool:
        // The store's yes/no flags are -1 and 0.
        return sqlite3_bind_int(stmt, index, v.toBool() ? -1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return sqlite3_bind_int64(stmt, index, v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, index, v.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        return sqlite3_bind_blob(stmt, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }
    case QMetaType::QDate: {
        const QByteArray t = (v.toDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00")).toUtf8();
        return sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        QString s = dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (dt.time().msec() != 0)
            s += dt.toString(QStringLiteral(".zzz"));
        const QByteArray t = s.toUtf8();
        return sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    default: {
        const QByteArray t = v.toString().toUtf8();
        return sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    }
}

QVariant columnValue(sqlite3_stmt *stmt, int i)
{
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, i)),
                                          sqlite3_column_bytes(stmt, i)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, i)),
                                   sqlite3_column_bytes(stmt, i)));
    default:
        return QVariant();
    }
}

// Binds every parameter the statement names; a parameter without a value is an error
// rather than a silent NULL.
bool bindAll(sqlite3_stmt *stmt, const QVariantMap &params, QString *error)
{
    const int n = sqlite3_bind_parameter_count(stmt);
    for (int i = 1; i <= n; ++i) {
        const char *raw = sqlite3_bind_parameter_name(stmt, i);
        if (!raw) {
            *error = QStringLiteral("unnamed parameter %1 in statement").arg(i);
            return false;
        }
        const QString name = QString::fromUtf8(raw + 1);
        auto it = params.constFind(name);
        if (it == params.constEnd())
            it = params.constFind(QString::fromUtf8(raw));
        if (it == params.constEnd()) {
            *error = QStringLiteral("no value for parameter %1").arg(QString::fromUtf8(raw));
            return false;
        }
        if (bindValue(stmt, i, it.value()) != SQLITE_OK) {
            *error = engineError(sqlite3_db_handle(stmt));
            return false;
        }
    }
    return true;
}

bool applyKey(sqlite3 *db, const QByteArray &key)
{
    if (key.isEmpty())
        return true;
    return sqlite3_key(db, key.constData(), int(key.size())) == SQLITE_OK;
}

} // namespace

int Rows::column(const QString &name) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Rows::value(int row, const QString &name) const
{
    const int c = column(name);
    if (c < 0 || row < 0 || row >= rows.size())
        return {};
    return rows.at(row).at(c);
}

Store::~Store()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

std::unique_ptr<Store> Store::openWithKey(const QString &dbFile, const QByteArray &key, QString *error,
                                          bool mustExist)
{
    QString dummy;
    QString &err = error ? *error : dummy;
    if (mustExist && !QFileInfo(dbFile).isFile()) {
        err = QStringLiteral("数据库文件不存在");
        return nullptr;
    }
    std::unique_ptr<Store> s(new Store);
    s->m_file = dbFile;
    const int flags = SQLITE_OPEN_READWRITE | (mustExist ? 0 : SQLITE_OPEN_CREATE);
    if (sqlite3_open_v2(QFile::encodeName(dbFile).constData(), &s->m_db, flags, nullptr) != SQLITE_OK) {
        err = engineError(s->m_db);
        return nullptr;
    }
    // The key goes in before anything else touches the file.
    if (!applyKey(s->m_db, key)) {
        err = engineError(s->m_db);
        return nullptr;
    }
    sqlite3_busy_timeout(s->m_db, busyTimeoutMs());
    sqlite3_extended_result_codes(s->m_db, 0);
    // One read proves the key (a wrong key reads as "file is encrypted or is not a database").
    bool ok = false;
    s->scalar(QStringLiteral("select count(*) from sqlite_master"), {}, &ok);
    if (!ok) {
        err = s->lastError();
        return nullptr;
    }
    return s;
}

std::unique_ptr<Store> Store::open(const QString &dbFile, QString *error)
{
    return openWithKey(dbFile, storeKey(), error, true);
}

std::unique_ptr<Store> Store::openFolder(const QString &folder, QString *error)
{
    return open(QDir(folder).filePath(defaultFileName()), error);
}

std::unique_ptr<Store> Store::create(const QString &dbFile, QString *error)
{
    QString dummy;
    QString &err = error ? *error : dummy;
    if (QFileInfo::exists(dbFile)) {
        err = QStringLiteral("%1 already exists").arg(dbFile);
        return nullptr;
    }
    auto s = openWithKey(dbFile, storeKey(), error, false);
    if (!s)
        return nullptr;
    Transaction t(*s);
    if (!t.isActive() || !s->execScript(storeSchemaSql()) || !t.commit()) {
        err = s->lastError();
        s.reset();
        QFile::remove(dbFile);
        return nullptr;
    }
    return s;
}

bool Store::exec(const QString &sql, const QVariantMap &params)
{
    Query q(*this, sql);
    q.bind(params);
    return q.exec();
}

bool Store::execScript(const QString &sql)
{
    char *msg = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &msg) != SQLITE_OK) {
        m_lastError = msg ? QString::fromUtf8(msg) : engineError(m_db);
        sqlite3_free(msg);
        return false;
    }
    return true;
}

QVariant Store::scalar(const QString &sql, const QVariantMap &params, bool *ok)
{
    Query q(*this, sql);
    q.bind(params);
    const bool good = q.exec();
    if (ok)
        *ok = good;
    if (good && q.next())
        return q.value(0);
    return {};
}

Rows Store::select(const QString &sql, const QVariantMap &params, bool *ok)
{
    Rows r;
    Query q(*this, sql);
    q.bind(params);
    const bool good = q.exec();
    if (ok)
        *ok = good;
    if (!good)
        return r;
    for (int i = 0; i < q.columnCount(); ++i)
        r.columns << q.columnName(i);
    while (q.next()) {
        QVariantList row;
        row.reserve(r.columns.size());
        for (int i = 0; i < r.columns.size(); ++i)
            row << q.value(i);
        r.rows << row;
    }
    if (!q.lastError().isEmpty() && ok)
        *ok = false;
    return r;
}

qint64 Store::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int Store::changes() const
{
    return sqlite3_changes(m_db);
}

bool Store::inTransaction() const
{
    return sqlite3_get_autocommit(m_db) == 0;
}

bool Store::checkTables(const QStringList &tables)
{
    for (const QString &t : tables) {
        // Table names come from the program, never from typed text.
        Query q(*this, QStringLiteral("select * from \"%1\" limit 1").arg(t));
        if (!q.exec())
            return false;
    }
    return true;
}

QStringList Store::integrityCheck()
{
    QStringList out;
    bool ok = false;
    const Rows r = select(QStringLiteral("pragma integrity_check"), {}, &ok);
    if (!ok)
        return {lastError()};
    for (const auto &row : r.rows)
        out << row.value(0).toString();
    return out;
}

bool Store::backupTo(const QString &targetFile, QString *error)
{
    QString dummy;
    QString &err = error ? *error : dummy;
    const QString temp = targetFile + QStringLiteral(".part");
    QFile::remove(temp);
    sqlite3 *dst = nullptr;
    bool good = false;
    if (sqlite3_open_v2(QFile::encodeName(temp).constData(), &dst,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK
        && applyKey(dst, storeKey())) {
        sqlite3_backup *b = sqlite3_backup_init(dst, "main", m_db, "main");
        if (b) {
            int rc;
            // Whole copy in one step: one read lock, one consistent snapshot. Busy means
            // another program is committing; wait for it like any statement would.
            int waited = 0;
            while ((rc = sqlite3_backup_step(b, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) {
                if (waited >= busyTimeoutMs())
                    break;
                sqlite3_sleep(50);
                waited += 50;
            }
            sqlite3_backup_finish(b);
            good = rc == SQLITE_DONE;
        }
        if (!good)
            err = engineError(dst);
    } else {
        err = engineError(dst);
    }
    sqlite3_close_v2(dst);
    if (good) {
        QFile::remove(targetFile);
        good = QFile::rename(temp, targetFile);
        if (!good)
            err = QStringLiteral("cannot write %1").arg(targetFile);
    }
    if (!good)
        QFile::remove(temp);
    return good;
}

// ---- Query ----

Query::Query(Store &store, const QString &sql) : m_store(store)
{
    const QByteArray text = sql.toUtf8();
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(store.m_db, text.constData(), int(text.size()), &m_stmt, &tail) != SQLITE_OK) {
        m_error = engineError(store.m_db);
        m_store.m_lastError = m_error;
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

Query::~Query()
{
    sqlite3_finalize(m_stmt);
}

Query &Query::bind(const QString &name, const QVariant &value)
{
    m_params.insert(normalizedName(name), value);
    return *this;
}

Query &Query::bind(const QVariantMap &params)
{
    for (auto it = params.constBegin(); it != params.constEnd(); ++it)
        m_params.insert(normalizedName(it.key()), it.value());
    return *this;
}

bool Query::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        m_hasRow = true;
        return true;
    }
    m_hasRow = false;
    if (rc != SQLITE_DONE) {
        m_error = engineError(m_store.m_db);
        m_store.m_lastError = m_error;
        sqlite3_reset(m_stmt);
    }
    return false;
}

bool Query::exec()
{
    if (!m_stmt)
        return false;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    m_error.clear();
    m_pending = false;
    if (!bindAll(m_stmt, m_params, &m_error)) {
        m_store.m_lastError = m_error;
        return false;
    }
    const bool row = step();
    if (!m_error.isEmpty())
        return false;
    m_pending = row;
    return true;
}

bool Query::next()
{
    if (!m_stmt)
        return false;
    if (m_pending) {
        m_pending = false;
        return true;
    }
    if (!m_hasRow)
        return false;
    return step();
}

int Query::columnCount() const
{
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

QString Query::columnName(int i) const
{
    return m_stmt ? QString::fromUtf8(sqlite3_column_name(m_stmt, i)) : QString();
}

int Query::column(const QString &name) const
{
    const int n = columnCount();
    for (int i = 0; i < n; ++i)
        if (columnName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Query::value(int i) const
{
    if (!m_stmt || !m_hasRow || i < 0 || i >= columnCount())
        return {};
    return columnValue(m_stmt, i);
}

QVariant Query::value(const QString &name) const
{
    return value(column(name));
}

// ---- Transaction ----

Transaction::Transaction(Store &store) : m_store(store)
{
    m_active = store.exec(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction()
{
    if (m_active)
        rollback();
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    if (!m_store.exec(QStringLiteral("COMMIT"))) {
        const QString why = m_store.lastError();
        rollback();
        m_store.setLastError(why);
        return false;
    }
    m_active = false;
    return true;
}

void Transaction::rollback()
{
    if (!m_active)
        return;
    m_active = false;
    const QString keep = m_store.lastError();
    if (m_store.inTransaction())
        m_store.exec(QStringLiteral("ROLLBACK"));
    m_store.setLastError(keep);
}
