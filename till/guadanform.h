#pragma once
// The held-sales list ("取单"): newest first; Enter recalls the selected sale (its file
// and entry are then deleted), "删除" deletes one, Esc or F12 closes.

#include "heldsales.h"

#include <QDialog>

class QTreeWidget;
class QStatusBar;

class TguadanForm : public QDialog {
    Q_OBJECT
public:
    explicit TguadanForm(HeldSales &held, QWidget *parent = nullptr);

    QTreeWidget *gdListView = nullptr;
    QStatusBar *statusBar = nullptr;

    // After exec(): a held sale was recalled, its number and its lines.
    bool recalled() const { return m_recalled; }
    QString number() const { return m_number; }
    const SaleLines &lines() const { return m_lines; }

    // The entry of the selected row: recall it (Enter) or delete it ("删除").
    void recallSelected();
    void deleteSelected();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fill();
    void removeSelectedRow();

    HeldSales &m_held;
    bool m_recalled = false;
    QString m_number;
    SaleLines m_lines;
};
