#include "memberaddform.h"

#include "clock.h"
#include "msgbox.h"
#include "store.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>

namespace {

// The card types list tells when its drop-down closes: that is when a type counts as chosen.
class CloseUpCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> closedUp;
    void hidePopup() override
    {
        const bool shown = view() && view()->isVisible();
        QComboBox::hidePopup();
        if (shown && closedUp)
            closedUp();
    }
};

QComboBox *numberList(QWidget *parent, int max)
{
    auto *c = new QComboBox(parent);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 1; i <= max; ++i)
        c->addItem(QString::number(i));
    c->setCurrentIndex(-1);
    c->clearEditText();
    c->lineEdit()->setMaxLength(2);
    c->setValidator(new QIntValidator(0, max, c));
    return c;
}

bool isEnter(const QKeyEvent *k)
{
    return k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
}

}  // namespace

TmemberaddForm::TmemberaddForm(Store &store, const QString &cardNo, QWidget *parent)
    : QDialog(parent), m_store(store)
{
    setWindowTitle(QStringLiteral("会员录入"));

    auto edit = [this](int maxLength) {
        auto *e = new QLineEdit(this);
        if (maxLength > 0)
            e->setMaxLength(maxLength);
        return e;
    };
    mNoEdit = edit(20);
    mNoEdit->setText(cardNo);
    mNameEdit = edit(20);
    mTelEdit = edit(30);
    yueCbx = numberList(this, 12);
    riCbx = numberList(this, 31);
    lunarChk = new QCheckBox(QStringLiteral("农历"), this);
    mAddrEdit = edit(0);
    MmailEdit = edit(0);
    mRemarkEdit = edit(30);
    auto *types = new CloseUpCombo(this);
    mtypeCbx = types;
    QString error;
    mtypeCbx->addItems(MemberReg::cardTypes(store, &error));
    mtypeCbx->setCurrentIndex(-1);
    mdiccountEdit = edit(3);
    mdiccountEdit->setText(QStringLiteral("100"));
    mdiccountEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), this));
    mEndtime = new QDateEdit(MemberReg::defaultEndDate(Clock::today()), this);
    mEndtime->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    mEndtime->setCalendarPopup(true);
    mStatus = new QCheckBox(QStringLiteral("是"), this);
    mStatus->setChecked(true);
    bsSkinButton12 = new QPushButton(QStringLiteral("录入保存"), this);
    // The card number may be scanned: Return must never press a button by itself.
    bsSkinButton12->setAutoDefault(false);
    bsSkinButton12->setDefault(false);

    auto *g = new QGridLayout(this);
    int row = 0;
    auto addRow = [&](const QString &label, QWidget *w) {
        g->addWidget(new QLabel(label, this), row, 0, Qt::AlignRight);
        g->addWidget(w, row, 1);
        ++row;
    };
    addRow(QStringLiteral("卡编号:"), mNoEdit);
    addRow(QStringLiteral("姓名:"), mNameEdit);
    addRow(QStringLiteral("电话:"), mTelEdit);
    auto *birth = new QHBoxLayout;
    birth->addWidget(yueCbx);
    birth->addWidget(new QLabel(QStringLiteral("月"), this));
    birth->addWidget(riCbx);
    birth->addWidget(new QLabel(QStringLiteral("日"), this));
    birth->addWidget(lunarChk);
    birth->addStretch();
    g->addWidget(new QLabel(QStringLiteral("生日:"), this), row, 0, Qt::AlignRight);
    g->addLayout(birth, row++, 1);
    addRow(QStringLiteral("地址:"), mAddrEdit);
    addRow(QStringLiteral("邮箱:"), MmailEdit);
    addRow(QStringLiteral("备注:"), mRemarkEdit);
    addRow(QStringLiteral("卡类型:"), mtypeCbx);
    addRow(QStringLiteral("折扣:"), mdiccountEdit);
    addRow(QStringLiteral("有效日期:"), mEndtime);
    addRow(QStringLiteral("是否有效:"), mStatus);
    g->addWidget(bsSkinButton12, row, 1, Qt::AlignRight);

    m_fields = {mNoEdit, mNameEdit, mTelEdit, yueCbx, riCbx, lunarChk, mAddrEdit, MmailEdit,
                mRemarkEdit, mtypeCbx, mdiccountEdit, mEndtime, mStatus, bsSkinButton12};
    for (QWidget *w : m_fields) {
        w->installEventFilter(this);
        for (QLineEdit *inner : w->findChildren<QLineEdit *>())
            inner->installEventFilter(this);
    }
    connect(mtypeCbx, &QComboBox::activated, this, [this] { typeChosen(); });
    types->closedUp = [this] { mdiccountEdit->setFocus(); };
    connect(bsSkinButton12, &QPushButton::clicked, this, [this] { save(); });

    if (!error.isEmpty())
        Msg::error(this, error);
    mNoEdit->setFocus();
}

NewMember TmemberaddForm::values() const
{
    NewMember m;
    m.cardId = mNoEdit->text();
    m.name = mNameEdit->text();
    m.tel = mTelEdit->text();
    m.month = MemberReg::listNumber(yueCbx->currentText(), 12);
    m.day = MemberReg::listNumber(riCbx->currentText(), 31);
    m.lunar = lunarChk->isChecked();
    m.addr = mAddrEdit->text();
    m.email = MmailEdit->text();
    m.remark = mRemarkEdit->text();
    m.mtype = mtypeCbx->currentIndex() >= 0 ? mtypeCbx->currentText() : QString();
    m.discountText = mdiccountEdit->text();
    m.enddate = mEndtime->date();
    m.status = mStatus->isChecked();
    return m;
}

void TmemberaddForm::typeChosen()
{
    if (mtypeCbx->currentIndex() < 0)
        return;
    QString error;
    const std::optional<int> rate = MemberReg::typeRate(m_store, mtypeCbx->currentText(), &error);
    if (!error.isEmpty()) {
        Msg::error(this, error);
        return;
    }
    mdiccountEdit->setText(rate ? QString::number(*rate) : QString());
}

void TmemberaddForm::refuseCard()
{
    mNoEdit->clear();
    Msg::error(this, MemberReg::duplicateText());
    // Back into the card field once the focus change under way has settled.
    QTimer::singleShot(0, mNoEdit, [e = mNoEdit] { e->setFocus(); });
    mNoEdit->setFocus();
}

bool TmemberaddForm::checkCard()
{
    if (mNoEdit->text().trimmed().isEmpty())
        return true;
    QString error;
    const std::optional<bool> exists = MemberReg::cardExists(m_store, mNoEdit->text(), &error);
    if (!exists) {
        Msg::error(this, error);
        return false;
    }
    if (*exists) {
        refuseCard();
        return false;
    }
    return true;
}

bool TmemberaddForm::save()
{
    if (mNoEdit->text().trimmed().isEmpty())
        return false;
    QString error;
    switch (MemberReg::save(m_store, values(), &error)) {
    case MemberReg::Save::Empty:
        return false;
    case MemberReg::Save::Duplicate:
        refuseCard();
        return false;
    case MemberReg::Save::Failed:
        Msg::error(this, error);
        return false;
    case MemberReg::Save::Saved:
        break;
    }
    m_saved = mNoEdit->text().trimmed();
    accept();
    return true;
}

bool TmemberaddForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(event);
        if (isEnter(k)) {
            if (watched == bsSkinButton12)
                bsSkinButton12->click();
            else
                focusNextChild();
            return true;
        }
        // The birthday lists take digits and Backspace only (navigation keys stay).
        const bool dayList = watched == yueCbx || watched == riCbx || watched == yueCbx->lineEdit()
                             || watched == riCbx->lineEdit();
        if (dayList && !k->text().isEmpty() && k->key() != Qt::Key_Backspace && k->key() != Qt::Key_Tab
            && k->key() != Qt::Key_Backtab && k->key() != Qt::Key_Escape) {
            const QString t = k->text();
            const bool digits = std::all_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); });
            if (!digits)
                return true;
        }
    } else if (event->type() == QEvent::FocusOut && watched == mNoEdit) {
        // The duplicate test runs when the cashier leaves the card field, not when a box
        // of ours or another window takes the focus for a moment.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible())
            checkCard();
    }
    return QDialog::eventFilter(watched, event);
}
