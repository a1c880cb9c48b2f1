#include "models.h"

#include "money.h"

#include <QSet>
#include <algorithm>

namespace {
// Orders nulls first, numbers by value, texts by their natural order.
bool lessThan(const QVariant &a, const QVariant &b)
{
    const bool an = !a.isValid() || a.isNull();
    const bool bn = !b.isValid() || b.isNull();
    if (an || bn)
        return an && !bn;
    const bool anum = a.typeId() == QMetaType::LongLong || a.typeId() == QMetaType::Double
                      || a.typeId() == QMetaType::Int;
    const bool bnum = b.typeId() == QMetaType::LongLong || b.typeId() == QMetaType::Double
                      || b.typeId() == QMetaType::Int;
    if (anum && bnum)
        return a.toDouble() < b.toDouble();
    if (anum != bnum)
        return anum;  // numbers before texts
    return QString::localeAwareCompare(a.toString(), b.toString()) < 0;
}
}

QueryModel::QueryModel(Store &store, QObject *parent) : QAbstractTableModel(parent), m_store(store) {}

bool QueryModel::setQuery(const QString &sql, const QVariantMap &params)
{
    return load(sql, params);
}

bool QueryModel::reload()
{
    return load(m_sql, m_params);
}

void QueryModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

bool QueryModel::load(const QString &sql, const QVariantMap &params)
{
    m_sql = sql;
    m_params = params;
    beginResetModel();
    m_rows.clear();
    m_error.clear();
    bool ok = false;
    Rows r = m_store.select(sql, params, &ok);
    if (!ok) {
        m_error = m_store.lastError();
    } else {
        QStringList cols = r.columns;
        m_queryColumns = cols.size();
        for (const Calc &c : m_calcs)
            cols << c.name;
        m_columns = cols;
        m_rows = std::move(r.rows);
        for (int i = 0; i < m_rows.size(); ++i) {
            for (int c = 0; c < m_calcs.size(); ++c)
                m_rows[i].append(QVariant());
            recalc(i);
        }
        if (m_sortColumn >= 0 && m_sortColumn < m_columns.size()) {
            const int c = m_sortColumn;
            const bool asc = m_sortOrder == Qt::AscendingOrder;
            std::stable_sort(m_rows.begin(), m_rows.end(), [c, asc](const QVariantList &x, const QVariantList &y) {
                return asc ? lessThan(x.at(c), y.at(c)) : lessThan(y.at(c), x.at(c));
            });
        }
    }
    endResetModel();
    return ok;
}

void QueryModel::recalc(int row)
{
    for (int c = 0; c < m_calcs.size(); ++c)
        m_rows[row][m_queryColumns + c] = m_calcs.at(c).fn(*this, row);
}

void QueryModel::addCalculatedColumn(const QString &name, Calculator calc)
{
    beginResetModel();
    m_calcs.append(Calc{name, std::move(calc)});
    if (!m_columns.isEmpty()) {
        m_columns << name;
        for (int i = 0; i < m_rows.size(); ++i) {
            m_rows[i].append(QVariant());
            recalc(i);
        }
    }
    endResetModel();
}

void QueryModel::setHeader(const QString &column, const QString &caption)
{
    m_headers.insert(column.toLower(), caption);
    const int c = this->column(column);
    if (c >= 0)
        emit headerDataChanged(Qt::Horizontal, c, c);
}

void QueryModel::setFormat(const QString &column, Format format)
{
    m_formats.insert(column.toLower(), format);
}

int QueryModel::column(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString QueryModel::columnName(int column) const
{
    return m_columns.value(column);
}

QVariant QueryModel::rawValue(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_rows.at(row).size())
        return {};
    return m_rows.at(row).at(column);
}

QVariant QueryModel::rawValue(int row, const QString &column) const
{
    return rawValue(row, this->column(column));
}

double QueryModel::total(const QString &column) const
{
    const int c = this->column(column);
    double sum = 0;
    if (c < 0)
        return 0;
    for (const auto &r : m_rows)
        sum += r.at(c).toDouble();
    return sum;
}

int QueryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int QueryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString QueryModel::formatValue(const QVariant &v, Format f)
{
    switch (f) {
    case Format::Yuan:
        return formatYuan(v);
    case Format::Margin:
        return formatMargin(v);
    case Format::Money2:
        return (!v.isValid() || v.isNull()) ? QString() : formatMoney(v.toDouble());
    case Format::Quantity:
        return (!v.isValid() || v.isNull()) ? QString() : formatQty(v.toDouble());
    case Format::Flag:
    case Format::Plain:
        break;
    }
    if (v.typeId() == QMetaType::Double)
        return formatQty(v.toDouble());
    return v.toString();
}

QVariant QueryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= m_columns.size())
        return {};
    const QVariant &v = m_rows.at(index.row()).at(index.column());
    const Format f = m_formats.value(m_columns.at(index.column()).toLower(), Format::Plain);
    switch (role) {
    case Qt::DisplayRole:
        if (f == Format::Flag)
            return {};
        return formatValue(v, f);
    case Qt::EditRole:
        return v;
    case Qt::CheckStateRole:
        if (f == Format::Flag)
            return v.toInt() == -1 ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        if (f == Format::Yuan || f == Format::Money2 || f == Format::Margin || f == Format::Quantity
            || v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString name = m_columns.value(section);
    return m_headers.value(name.toLower(), name);
}

void QueryModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= m_columns.size())
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    // Keep persistent indexes (selection, current row) on their rows.
    QList<int> order_(m_rows.size());
    for (int i = 0; i < order_.size(); ++i)
        order_[i] = i;
    const bool asc = order == Qt::AscendingOrder;
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        return asc ? lessThan(m_rows.at(a).at(column), m_rows.at(b).at(column))
                   : lessThan(m_rows.at(b).at(column), m_rows.at(a).at(column));
    });
    QList<QVariantList> sorted;
    sorted.reserve(m_rows.size());
    QList<int> newPos(m_rows.size());
    for (int i = 0; i < order_.size(); ++i) {
        sorted << m_rows.at(order_.at(i));
        newPos[order_.at(i)] = i;
    }
    m_rows = std::move(sorted);
    QModelIndexList after;
    for (const QModelIndex &i : before)
        after << index(newPos.value(i.row()), i.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// ---- TableModel ----

TableModel::TableModel(Store &store, QObject *parent) : QueryModel(store, parent) {}

QString TableModel::selectSql() const
{
    // Table, filter and order are written by the program; values arrive as parameters.
    QString sql = QStringLiteral("select rowid as rowid_, * from \"%1\"").arg(m_table);
    if (!m_filter.isEmpty())
        sql += QStringLiteral(" where ") + m_filter;
    if (!m_orderBy.isEmpty())
        sql += QStringLiteral(" order by ") + m_orderBy;
    return sql;
}

bool TableModel::setTable(const QString &table, const QString &filter, const QVariantMap &params,
                          const QString &orderBy)
{
    m_table = table;
    m_filter = filter;
    m_orderBy = orderBy;
    m_headers.insert(QStringLiteral("rowid_"), QString());
    return load(selectSql(), params);
}

bool TableModel::setFilter(const QString &filter, const QVariantMap &params)
{
    m_filter = filter;
    return load(selectSql(), params);
}

void TableModel::setReadOnlyColumn(const QString &column, bool readOnly)
{
    if (readOnly)
        m_readOnly.insert(column.toLower());
    else
        m_readOnly.remove(column.toLower());
}

qint64 TableModel::rowId(int row) const
{
    return rawValue(row, 0).toLongLong();
}

int TableModel::rowOfId(qint64 rowid) const
{
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows.at(i).at(0).toLongLong() == rowid)
            return i;
    return -1;
}

Qt::ItemFlags TableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QueryModel::flags(index);
    if (!index.isValid())
        return f;
    const int c = index.column();
    if (c == 0 || c >= m_queryColumns || m_readOnly.contains(m_columns.at(c).toLower()))
        return f;
    if (m_formats.value(m_columns.at(c).toLower()) == Format::Flag)
        return f | Qt::ItemIsUserCheckable;
    return f | Qt::ItemIsEditable;
}

bool TableModel::refreshRow(int row)
{
    bool ok = false;
    const Rows r = m_store.select(QStringLiteral("select rowid as rowid_, * from \"%1\" where rowid=:rid").arg(m_table),
                                  {{QStringLiteral("rid"), rowId(row)}}, &ok);
    if (!ok || r.isEmpty())
        return false;
    QVariantList values = r.rows.first();
    for (int c = 0; c < m_calcs.size(); ++c)
        values.append(QVariant());
    m_rows[row] = values;
    recalc(row);
    emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
    return true;
}

bool TableModel::updateRecord(int row, const QVariantMap &values)
{
    if (row < 0 || row >= m_rows.size() || values.isEmpty())
        return false;
    QStringList sets;
    QVariantMap params;
    int n = 0;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        if (column(it.key()) < 1 || column(it.key()) >= m_queryColumns) {
            m_error = QStringLiteral("unknown column %1").arg(it.key());
            return false;
        }
        const QString p = QStringLiteral("v%1").arg(n++);
        sets << QStringLiteral("\"%1\"=:%2").arg(m_columns.at(column(it.key())), p);
        params.insert(p, it.value());
    }
    params.insert(QStringLiteral("rid"), rowId(row));
    if (!m_store.exec(QStringLiteral("update \"%1\" set %2 where rowid=:rid").arg(m_table, sets.join(QLatin1Char(','))),
                      params)) {
        m_error = m_store.lastError();
        return false;
    }
    return refreshRow(row);
}

bool TableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || !(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)))
        return false;
    QVariant v = value;
    if (role == Qt::CheckStateRole)
        v = (value.toInt() == Qt::Checked) ? -1 : 0;
    else if (role != Qt::EditRole)
        return false;
    return updateRecord(index.row(), {{m_columns.at(index.column()), v}});
}

qint64 TableModel::insertRecord(const QVariantMap &values)
{
    QStringList cols, marks;
    QVariantMap params;
    int n = 0;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        const QString p = QStringLiteral("v%1").arg(n++);
        cols << QStringLiteral("\"%1\"").arg(it.key());
        marks << QLatin1Char(':') + p;
        params.insert(p, it.value());
    }
    const QString sql = cols.isEmpty()
        ? QStringLiteral("insert into \"%1\" default values").arg(m_table)
        : QStringLiteral("insert into \"%1\" (%2) values (%3)").arg(m_table, cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    if (!m_store.exec(sql, params)) {
        m_error = m_store.lastError();
        return -1;
    }
    const qint64 id = m_store.lastInsertId();
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    QVariantList blank;
    for (int c = 0; c < m_columns.size(); ++c)
        blank << QVariant();
    blank[0] = id;
    m_rows.append(blank);
    endInsertRows();
    refreshRow(row);
    return id;
}

bool TableModel::removeRecord(int row)
{
    return removeRows(row, 1);
}

bool TableModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > m_rows.size())
        return false;
    Transaction t(m_store);
    for (int i = row; i < row + count; ++i) {
        if (!m_store.exec(QStringLiteral("delete from \"%1\" where rowid=:rid").arg(m_table),
                          {{QStringLiteral("rid"), rowId(i)}})) {
            m_error = m_store.lastError();
            return false;
        }
    }
    if (!t.commit()) {
        m_error = m_store.lastError();
        return false;
    }
    beginRemoveRows({}, row, row + count - 1);
    m_rows.remove(row, count);
    endRemoveRows();
    return true;
}
