#pragma once
// The sale list as the till window shows it: a read-only view of the window's
// SaleLines, caption first, then the eleven texts (the last five are hidden columns).
// The lines are changed by the pricing rules and the dialogs; sync() tells the view.

#include "saleline.h"

#include <QAbstractTableModel>
#include <array>

class SaleListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Barcode = 0, FirstSub = 1, ColumnCount = 1 + int(SaleLine::SubCount) };

    explicit SaleListModel(const SaleLines *lines, QObject *parent = nullptr);

    // After the lines changed: rows added or removed reset the view, otherwise their
    // texts are refreshed.
    void sync();
    void setHeaderText(int column, const QString &text);
    QString headerText(int column) const { return m_headers.at(column); }

    static int columnOf(SaleLine::Sub sub) { return int(FirstSub) + int(sub); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const SaleLines *m_lines;
    int m_rows = 0;
    std::array<QString, ColumnCount> m_headers{};
};
