#pragma once
// The quantity dialog ("商品数量") for one sale line: the new quantity keeps the line's
// discount ratio, 0 removes the line. Confirming changes the lines given and lets the
// till recount; Esc changes nothing.

#include "saleline.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

class TgoodsNumForm : public QDialog {
    Q_OBJECT
public:
    TgoodsNumForm(SaleLines &lines, int row, bool ismember, std::function<void()> recount,
                  QWidget *parent = nullptr);

    QLabel *goodsinfoLbl = nullptr;
    QLineEdit *goodNumEdit = nullptr;
    QPushButton *Okbtn = nullptr;

    // After exec(): the line was removed (quantity 0) rather than changed.
    bool removed() const { return m_removed; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void OkbtnClick();

    SaleLines &m_lines;
    int m_row;
    bool m_ismember;
    std::function<void()> m_recount;
    bool m_removed = false;
};
