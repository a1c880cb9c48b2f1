#pragma once
// The discount dialog ("折扣[单品]" / "折扣[整单]"): a rate, a discount amount or the
// amount to collect, kept in step by DiscountCalc. Confirming writes the discount into
// the sale lines given and calls the till through the hooks; the caller then shows the
// lines (without another recount) and, for a whole sale, applies outcome().

#include "discountlogic.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

class TdiscountForm : public QDialog {
    Q_OBJECT
public:
    TdiscountForm(const DiscountSetup &setup, SaleLines &lines, DiscountHooks hooks, QWidget *parent = nullptr);

    QLineEdit *discountEdit = nullptr;
    QLineEdit *disEdit2 = nullptr;
    QLineEdit *realMoneyEdit = nullptr;
    QLabel *infoLbl = nullptr;
    QPushButton *OKBtn = nullptr;

    // After exec(): whether the lines were changed, and for a whole sale what the
    // till's realmoneyEdit, changeMoney and focus become.
    bool applied() const { return m_result.applied; }
    const DiscountCalc::Result &outcome() const { return m_result; }
    const DiscountCalc &calc() const { return m_calc; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void done(int r) override;

private:
    void OKBtnClick();
    void rateKeyUp();
    void rateExit();
    bool collectExit();  // false when the text could not be read
    void react(const DiscountCalc::Reaction &r);
    void showTexts();

    DiscountCalc m_calc;
    SaleLines &m_lines;
    DiscountHooks m_hooks;
    DiscountCalc::Result m_result;
    bool m_collectChecked = true;
    bool m_closing = false;
};
