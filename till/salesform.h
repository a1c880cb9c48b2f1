#pragma once
// The salesperson dialog "销售人员" (F5): the cashier names who served the customer, by
// code or name. The till records the chosen salesperson with the sale.

#include "salespersons.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class Store;

class TsalesForm : public QDialog {
    Q_OBJECT
public:
    explicit TsalesForm(Store &store, QWidget *parent = nullptr);

    // Looks the text of nameCbx up (code, then name). Not found: "无此销售人员，请重新输入"
    // and the field is cleared. True when found.
    bool lookup();
    // "确认": accepts when a salesperson was found, else closes without a choice.
    void confirm();

    // True once a salesperson has been found; the dialog then ends Accepted on "确认".
    bool query = false;
    const Salesperson &found() const { return m_found; }
    int salesId() const { return m_found.id; }
    QString salesName() const { return m_found.name; }

    QComboBox *nameCbx = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *Okbtn = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reset();
    Store &m_store;
    Salesperson m_found;
};
