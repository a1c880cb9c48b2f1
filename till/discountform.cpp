#include "discountform.h"

#include "dialogkeys.h"
#include "msgbox.h"

#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Focus lost to a message box or a popup is not the cashier leaving the field.
bool leftByUser(const QEvent *event)
{
    const auto reason = static_cast<const QFocusEvent *>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}
}

TdiscountForm::TdiscountForm(const DiscountSetup &setup, SaleLines &lines, DiscountHooks hooks, QWidget *parent)
    : QDialog(parent)
    , m_calc(setup)
    , m_lines(lines)
    , m_hooks(std::move(hooks))
{
    setWindowTitle(setup.zhengdan ? QStringLiteral("折扣[整单]") : QStringLiteral("折扣[单品]"));

    discountEdit = new QLineEdit(this);
    discountEdit->setObjectName(QStringLiteral("discountEdit"));
    DialogKeys::limitInput(discountEdit, DialogKeys::Digits, 2);
    disEdit2 = new QLineEdit(this);
    disEdit2->setObjectName(QStringLiteral("disEdit2"));
    DialogKeys::limitInput(disEdit2, DialogKeys::DigitsDot, 6);
    realMoneyEdit = new QLineEdit(this);
    realMoneyEdit->setObjectName(QStringLiteral("realMoneyEdit"));
    DialogKeys::limitInput(realMoneyEdit, DialogKeys::DigitsDot, 7);
    infoLbl = new QLabel(this);
    infoLbl->setObjectName(QStringLiteral("infoLbl"));
    infoLbl->setStyleSheet(QStringLiteral("color: blue;"));
    OKBtn = new QPushButton(QStringLiteral("确认"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));

    auto *group = new QGroupBox(QStringLiteral("打折"), this);
    auto *groupForm = new QFormLayout(group);
    groupForm->addRow(QStringLiteral("输入折扣率："), discountEdit);
    groupForm->addRow(QStringLiteral("折扣金额:￥"), disEdit2);
    auto *collectRow = new QFormLayout;
    collectRow->addRow(QStringLiteral("实收金额:￥"), realMoneyEdit);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(collectRow);
    layout->addWidget(infoLbl);
    layout->addLayout(buttons);

    setTabOrder(discountEdit, disEdit2);
    setTabOrder(disEdit2, realMoneyEdit);
    setTabOrder(realMoneyEdit, OKBtn);
    DialogKeys::noDefaultButtons(this);

    for (QWidget *w : {static_cast<QWidget *>(discountEdit), static_cast<QWidget *>(disEdit2),
                       static_cast<QWidget *>(realMoneyEdit), static_cast<QWidget *>(OKBtn)})
        w->installEventFilter(this);

    connect(disEdit2, &QLineEdit::textEdited, this, [this](const QString &text) {
        m_calc.setAmountText(text);
        showTexts();
    });
    connect(realMoneyEdit, &QLineEdit::textEdited, this, [this](const QString &text) {
        m_calc.collectText = text;
        m_collectChecked = false;
    });
    connect(OKBtn, &QPushButton::clicked, this, &TdiscountForm::OKBtnClick);

    if (!setup.prefillRate.isEmpty()) {
        // Shown only; it counts once a key is released in the field.
        infoLbl->setText(DiscountLogic::PolicyNote);
    }
    showTexts();
    discountEdit->setFocus();
}

void TdiscountForm::showTexts()
{
    if (discountEdit->text() != m_calc.rateText)
        discountEdit->setText(m_calc.rateText);
    if (disEdit2->text() != m_calc.amountText)
        disEdit2->setText(m_calc.amountText);
    if (realMoneyEdit->text() != m_calc.collectText) {
        realMoneyEdit->setText(m_calc.collectText);
        m_collectChecked = false;
    }
}

void TdiscountForm::react(const DiscountCalc::Reaction &r)
{
    showTexts();
    if (!r.message.isEmpty())
        Msg::info(this, r.message);
    switch (r.focus) {
    case DiscountCalc::Focus::Confirm:
        rateExit();
        OKBtn->setFocus();
        break;
    case DiscountCalc::Focus::Collect:
        realMoneyEdit->setFocus();
        break;
    case DiscountCalc::Focus::None:
        break;
    }
}

void TdiscountForm::rateKeyUp()
{
    m_calc.rateText = discountEdit->text();
    react(m_calc.rateKeyReleased());
}

void TdiscountForm::rateExit()
{
    m_calc.rateText = discountEdit->text();
    m_calc.rateLeft();
}

bool TdiscountForm::collectExit()
{
    if (m_collectChecked || m_closing)
        return true;
    m_calc.collectText = realMoneyEdit->text();
    const DiscountCalc::Reaction r = m_calc.collectLeft();
    const bool unreadable = r.message == DiscountLogic::BadCollect;
    react(r);
    // A refused amount was cleared and needs no second look; an unreadable one does.
    m_collectChecked = !unreadable;
    return !unreadable;
}

void TdiscountForm::done(int r)
{
    m_closing = true;
    QDialog::done(r);
}

void TdiscountForm::OKBtnClick()
{
    // Confirming leaves the collect field when it still holds the focus. When it does
    // not (rate 0 jumps here), its amount is taken without a second look.
    if (realMoneyEdit->hasFocus() && !collectExit())
        return;
    m_result = m_calc.confirm(m_lines, m_hooks);
    if (m_result.applied)
        accept();
    else
        reject();
}

bool TdiscountForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (DialogKeys::isEnter(key)) {
            if (watched == discountEdit) {
                rateExit();
                realMoneyEdit->setFocus();
            } else if (watched == disEdit2) {
                realMoneyEdit->setFocus();
            } else if (watched == realMoneyEdit) {
                if (collectExit()) {
                    OKBtn->setFocus();
                    OKBtnClick();
                }
            } else if (watched == OKBtn) {
                OKBtnClick();
            }
            return true;
        }
    } else if (event->type() == QEvent::KeyRelease) {
        if (watched == discountEdit && !m_closing && !static_cast<QKeyEvent *>(event)->isAutoRepeat())
            rateKeyUp();
    } else if (event->type() == QEvent::FocusOut && leftByUser(event) && !m_closing) {
        if (watched == discountEdit)
            rateExit();
        else if (watched == realMoneyEdit)
            collectExit();
    }
    return QDialog::eventFilter(watched, event);
}

void TdiscountForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F6) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TdiscountForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // 150 pixels below the till window's top edge, centred on it.
    if (QWidget *till = parentWidget() ? parentWidget()->window() : nullptr) {
        const QRect t = till->frameGeometry();
        move(t.left() + (t.width() - frameGeometry().width()) / 2, t.top() + 150);
    }
}
