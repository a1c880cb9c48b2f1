#include "salelistmodel.h"

SaleListModel::SaleListModel(const SaleLines *lines, QObject *parent)
    : QAbstractTableModel(parent), m_lines(lines), m_rows(int(lines->size()))
{
}

void SaleListModel::sync()
{
    const int rows = int(m_lines->size());
    if (rows != m_rows) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    } else if (rows > 0) {
        emit dataChanged(index(0, 0), index(rows - 1, ColumnCount - 1), {Qt::DisplayRole});
    }
}

void SaleListModel::setHeaderText(int column, const QString &text)
{
    if (column < 0 || column >= ColumnCount || m_headers.at(column) == text)
        return;
    m_headers[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

int SaleListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int SaleListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SaleListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.row() >= m_lines->size())
        return {};
    const SaleLine &line = m_lines->at(index.row());
    const int c = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return c == Barcode ? line.caption : line.sub.at(c - FirstSub);
    case Qt::TextAlignmentRole:
        if (c >= columnOf(SaleLine::Price) && c <= columnOf(SaleLine::Amount))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant SaleListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return m_headers.at(section);
    return {};
}
