#pragma once
// The refund dialog ("退货操作"): goods to refund are collected in a checklist, from a
// receipt (tab "小票流水号", ticking the lines that come back) or one by one (tab
// "商品编号"); "退货" records them as one negative order.

#include "refundlogic.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

class TrefundForm : public QDialog {
    Q_OBJECT
public:
    // cashier: recorded as the order's seller; addRate: money per point (0 counts as 1).
    TrefundForm(Store &store, const QString &cashier, int addRate, QWidget *parent = nullptr);

    QTabWidget *pages = nullptr;
    QLineEdit *liushuhaoEdit = nullptr;
    QLineEdit *barcodeinputEdit = nullptr;
    QLineEdit *goodsNumEdit = nullptr;
    QLineEdit *totalEdit = nullptr;
    QPushButton *goodsOkBtn = nullptr;
    QTreeWidget *ListView = nullptr;
    QLineEdit *amountEdit = nullptr;
    QLineEdit *moneyEdit = nullptr;
    QLineEdit *cardNoEdit = nullptr;
    QLineEdit *salesNoEdit = nullptr;
    QPushButton *OKbtn = nullptr;
    QPushButton *sBitBtn1 = nullptr;

    const QList<RefundLine> &lines() const { return m_lines; }
    // The number of the recorded refund, empty until one was recorded.
    QString orderNo() const { return m_orderNo; }

    void liushuhaoEditEnter();
    void goodsOkBtnClick();
    void OKbtnClick();
    void toggleTick(int row);
    void deleteLine(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int r) override;

private:
    bool barcodeExit();
    bool goodsNumExit();
    void showLines(int current);
    void recount();

    Store &m_store;
    QString m_cashier;
    int m_addRate;
    QList<RefundLine> m_lines;
    QString m_orderNo;
    // The goods tab's item: the code last looked up, its unit price and the
    // quantity its amount was last computed for.
    QString m_lookedUp;
    double m_unitPrice = 0;
    QString m_pricedQty;
    bool m_closing = false;
};
