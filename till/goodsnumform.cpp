#include "goodsnumform.h"

#include "dialogkeys.h"
#include "discountlogic.h"
#include "msgbox.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TgoodsNumForm::TgoodsNumForm(SaleLines &lines, int row, bool ismember, std::function<void()> recount,
                             QWidget *parent)
    : QDialog(parent)
    , m_lines(lines)
    , m_row(row)
    , m_ismember(ismember)
    , m_recount(std::move(recount))
{
    setWindowTitle(QStringLiteral("商品数量"));
    goodsinfoLbl = new QLabel(this);
    goodsinfoLbl->setObjectName(QStringLiteral("goodsinfoLbl"));
    if (row >= 0 && row < lines.size())
        goodsinfoLbl->setText(QuantityLogic::info(lines.at(row)));
    goodNumEdit = new QLineEdit(this);
    goodNumEdit->setObjectName(QStringLiteral("goodNumEdit"));
    DialogKeys::limitInput(goodNumEdit, DialogKeys::DigitsDot, 6);
    Okbtn = new QPushButton(QStringLiteral("确认"), this);
    Okbtn->setObjectName(QStringLiteral("Okbtn"));

    auto *row1 = new QHBoxLayout;
    row1->addWidget(new QLabel(QStringLiteral("修改数量为："), this));
    row1->addWidget(goodNumEdit);
    row1->addWidget(Okbtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(goodsinfoLbl);
    layout->addLayout(row1);

    DialogKeys::noDefaultButtons(this);
    goodNumEdit->installEventFilter(this);
    Okbtn->installEventFilter(this);
    connect(Okbtn, &QPushButton::clicked, this, &TgoodsNumForm::OkbtnClick);
    goodNumEdit->setFocus();
}

void TgoodsNumForm::OkbtnClick()
{
    switch (QuantityLogic::apply(m_lines, m_row, goodNumEdit->text(), m_ismember)) {
    case QuantityLogic::Outcome::Empty:
        return;
    case QuantityLogic::Outcome::Bad:
        Msg::info(this, QuantityLogic::BadQuantity);
        goodNumEdit->clear();
        goodNumEdit->setFocus();
        return;
    case QuantityLogic::Outcome::Removed:
        m_removed = true;
        break;
    case QuantityLogic::Outcome::Changed:
        break;
    }
    if (m_recount)
        m_recount();
    accept();
}

bool TgoodsNumForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && DialogKeys::isEnter(static_cast<QKeyEvent *>(event))) {
        OkbtnClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
