#pragma once
// A fresh shop folder per test: a new store from the schema in a temporary folder,
// with ZAZUVI_HOME pointing at it.

#include "store.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

class TestShop {
public:
    TestShop()
    {
        if (!m_dir.isValid())
            qFatal("no temporary folder");
        m_path = m_dir.path() + QLatin1Char('/');
        qputenv("ZAZUVI_HOME", m_path.toLocal8Bit());
        QString error;
        m_store = Store::create(m_path + QStringLiteral("dat.db"), &error);
        if (!m_store)
            qFatal("cannot create store: %s", qPrintable(error));
    }
    ~TestShop() { m_store.reset(); }

    QString path() const { return m_path; }  // with trailing '/'
    QString file(const QString &name) const { return m_path + name; }
    Store &store() { return *m_store; }
    // A second, independent connection to the same store.
    std::unique_ptr<Store> openAnother() const
    {
        QString error;
        auto s = Store::open(m_path + QStringLiteral("dat.db"), &error);
        if (!s)
            qWarning("open: %s", qPrintable(error));
        return s;
    }
    // Runs a statement and fails the test on error.
    void exec(const QString &sql, const QVariantMap &params = {})
    {
        if (!m_store->exec(sql, params))
            QFAIL(qPrintable(m_store->lastError() + QStringLiteral(" in ") + sql));
    }
    QVariant scalar(const QString &sql, const QVariantMap &params = {})
    {
        return m_store->scalar(sql, params);
    }
    // Adds a goods item and returns its goods_id.
    qint64 addGoods(const QString &barcode, const QString &name, double price, double cost = 0,
                    double stock = 100, double price2 = 0, const QString &goodsNo = {})
    {
        exec(QStringLiteral("insert into goods (barcode, goods_no, name, costprice, price, price2, amount, sold, "
                            "ifaddup, ifdis, hide, class_name) values (:b, :n, :name, :c, :p, :p2, :a, 0, -1, -1, 0, '')"),
             {{QStringLiteral("b"), barcode}, {QStringLiteral("n"), goodsNo}, {QStringLiteral("name"), name},
              {QStringLiteral("c"), cost}, {QStringLiteral("p"), price}, {QStringLiteral("p2"), price2},
              {QStringLiteral("a"), stock}});
        return m_store->lastInsertId();
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<Store> m_store;
};
