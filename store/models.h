#pragma once
// Item models over the store for the grids: a read-only model over a query and an
// editable model over one table. Rows are read into memory when (re)loaded; sorting
// is client-side and stable so a grid sorts by any column, calculated ones included.

#include "store.h"

#include <QAbstractTableModel>
#include <functional>

class QueryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class Format { Plain, Yuan, Margin, Money2, Quantity, Flag };
    using Calculator = std::function<QVariant(const QueryModel &model, int row)>;

    explicit QueryModel(Store &store, QObject *parent = nullptr);

    // Runs the query (named parameters bound) and loads its rows. False with
    // lastError() on failure; the model is then empty.
    bool setQuery(const QString &sql, const QVariantMap &params = {});
    bool reload();
    void clear();

    // A column computed from the other values of the row, appended after the query's columns.
    void addCalculatedColumn(const QString &name, Calculator calc);
    void setHeader(const QString &column, const QString &caption);
    void setFormat(const QString &column, Format format);

    int column(const QString &name) const;  // without regard to case, -1 when absent
    QString columnName(int column) const;
    QVariant rawValue(int row, int column) const;
    QVariant rawValue(int row, const QString &column) const;
    // Sum of a column over all rows (null values count 0), for footers.
    double total(const QString &column) const;
    QString lastError() const { return m_error; }
    Store &store() const { return m_store; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    static QString formatValue(const QVariant &v, Format f);

protected:
    struct Calc { QString name; Calculator fn; };
    bool load(const QString &sql, const QVariantMap &params);
    void recalc(int row);
    Store &m_store;
    QString m_sql;
    QVariantMap m_params;
    QStringList m_columns;          // query columns, then calculated ones
    int m_queryColumns = 0;
    QList<QVariantList> m_rows;
    QList<Calc> m_calcs;
    QHash<QString, QString> m_headers;   // lower-case column -> caption
    QHash<QString, Format> m_formats;    // lower-case column -> format
    QString m_error;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

// Editable rows of one table, identified by rowid. Edits are written at once with a
// bound UPDATE; a refused write leaves the shown value unchanged and sets lastError().
class TableModel : public QueryModel {
    Q_OBJECT
public:
    explicit TableModel(Store &store, QObject *parent = nullptr);

    // filter: an SQL condition with named parameters (may be empty); orderBy: columns.
    bool setTable(const QString &table, const QString &filter = {},
                  const QVariantMap &params = {}, const QString &orderBy = {});
    bool setFilter(const QString &filter, const QVariantMap &params = {});
    QString table() const { return m_table; }
    void setReadOnlyColumn(const QString &column, bool readOnly = true);

    qint64 rowId(int row) const;
    int rowOfId(qint64 rowid) const;
    // Inserts a row with the given values and shows it; returns its rowid or -1.
    qint64 insertRecord(const QVariantMap &values);
    bool updateRecord(int row, const QVariantMap &values);
    bool removeRecord(int row);

    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool removeRows(int row, int count, const QModelIndex &parent = {}) override;

private:
    bool refreshRow(int row);
    QString selectSql() const;
    QString m_table;
    QString m_filter;
    QString m_orderBy;
    QSet<QString> m_readOnly;
};
