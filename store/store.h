#pragma once
// Access to the shop's encrypted store (dat.db). One Store is one connection.
// Every statement is prepared and takes its values as named parameters (:name).

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <QList>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// Result rows of a statement, fully read.
struct Rows {
    QStringList columns;
    QList<QVariantList> rows;

    int size() const { return rows.size(); }
    bool isEmpty() const { return rows.isEmpty(); }
    // Column index by name without regard to case, -1 when absent.
    int column(const QString &name) const;
    QVariant value(int row, const QString &name) const;
};

class Store {
public:
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    // Opens an existing store with the built-in key and proves the key with one read.
    // Missing file: "数据库文件不存在"; wrong key or damaged file: the engine's message.
    static std::unique_ptr<Store> open(const QString &dbFile, QString *error);
    // Opens dat.db in the given folder (a trailing separator is optional).
    static std::unique_ptr<Store> openFolder(const QString &folder, QString *error);
    // Creates a new store from the schema; refuses when the file exists.
    static std::unique_ptr<Store> create(const QString &dbFile, QString *error);
    // Opens with an explicit key (empty = plain SQLite); for tools and tests.
    static std::unique_ptr<Store> openWithKey(const QString &dbFile, const QByteArray &key,
                                              QString *error, bool mustExist = true);

    static QString defaultFileName() { return QStringLiteral("dat.db"); }
    static int busyTimeoutMs() { return 8000; }

    // Runs one statement to its end. False on error (see lastError()).
    bool exec(const QString &sql, const QVariantMap &params = {});
    // Runs several statements without parameters (scripts).
    bool execScript(const QString &sql);
    // First column of the first row; an invalid QVariant when there is no row or on error.
    QVariant scalar(const QString &sql, const QVariantMap &params = {}, bool *ok = nullptr);
    // All rows. On error the result is empty and ok (when given) is false.
    Rows select(const QString &sql, const QVariantMap &params = {}, bool *ok = nullptr);

    QString lastError() const { return m_lastError; }
    qint64 lastInsertId() const;
    int changes() const;
    bool inTransaction() const;
    QString fileName() const { return m_file; }
    sqlite3 *handle() const { return m_db; }

    // Every table must answer a read; false with the engine's message otherwise.
    bool checkTables(const QStringList &tables);
    // "ok" or the problems found by the engine's integrity check.
    QStringList integrityCheck();
    // A consistent snapshot of the whole store into another file, with the same key,
    // using the engine's online backup (safe while another program writes).
    bool backupTo(const QString &targetFile, QString *error);

    void setLastError(const QString &e) { m_lastError = e; }

private:
    Store() = default;
    sqlite3 *m_db = nullptr;
    QString m_file;
    QString m_lastError;
    friend class Query;
};

// A prepared statement. Typical use:
//   Query q(store, "select name from goods where barcode=:code");
//   q.bind("code", code);
//   if (!q.exec()) ...; while (q.next()) q.value(0)
class Query {
public:
    Query(Store &store, const QString &sql);
    ~Query();
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    // Name with or without the leading ':'; unknown names are an error at exec().
    Query &bind(const QString &name, const QVariant &value);
    Query &bind(const QVariantMap &params);
    // Resets, binds and runs the first step. For a statement that returns rows,
    // next() then walks them; other statements are complete after exec().
    bool exec();
    bool next();

    int columnCount() const;
    QString columnName(int i) const;
    int column(const QString &name) const;  // without regard to case, -1 when absent
    QVariant value(int i) const;
    QVariant value(const QString &name) const;

    QString lastError() const { return m_error; }

private:
    bool step();
    Store &m_store;
    sqlite3_stmt *m_stmt = nullptr;
    QVariantMap m_params;
    QString m_error;
    bool m_hasRow = false;
    bool m_pending = false;
};

// BEGIN IMMEDIATE on construction (so two writers wait for each other instead of
// deadlocking), ROLLBACK on destruction unless commit() succeeded.
class Transaction {
public:
    explicit Transaction(Store &store);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool isActive() const { return m_active; }
    bool commit();
    void rollback();

private:
    Store &m_store;
    bool m_active = false;
};

// Text of the creation script (schema.sql), built into the library.
QString storeSchemaSql();
