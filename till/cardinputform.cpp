#include "cardinputform.h"

#include "clock.h"
#include "dialogkeys.h"
#include "memberaddform.h"
#include "money.h"
#include "msgbox.h"

#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

bool leftByUser(const QEvent *event)
{
    const auto reason = static_cast<const QFocusEvent *>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

QString shownDate(const QString &stored)
{
    const QDate d = MemberLogic::endDate(stored);
    return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : stored;
}

} // namespace

TcardinputForm::TcardinputForm(Store &store, bool discountPolicy, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
    , m_policy(discountPolicy)
{
    setWindowTitle(QStringLiteral("输入会员卡"));
    cardNoEdit = new QLineEdit(this);
    cardNoEdit->setObjectName(QStringLiteral("cardNoEdit"));
    Okbtn = new QPushButton(QStringLiteral("确认"), this);
    Okbtn->setObjectName(QStringLiteral("Okbtn"));

    auto *group = new QGroupBox(QStringLiteral("会员信息"), this);
    infoList = new QTreeWidget(group);
    infoList->setObjectName(QStringLiteral("infoList"));
    infoList->setColumnCount(2);
    infoList->setHeaderHidden(true);
    infoList->setRootIsDecorated(false);
    infoList->setFocusPolicy(Qt::NoFocus);
    infoList->setSelectionMode(QAbstractItemView::NoSelection);
    for (const QString &label : {QStringLiteral("姓名"), QStringLiteral("电话"), QStringLiteral("类型"),
                                 QStringLiteral("折扣"), QStringLiteral("积分"), QStringLiteral("地址"),
                                 QStringLiteral("生日"), QStringLiteral("日期"), QStringLiteral("状态"),
                                 QStringLiteral("备注")})
        new QTreeWidgetItem(infoList, {label, QString()});
    infoList->setColumnWidth(0, 60);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(infoList);

    listGrid = new QTableWidget(0, 2, this);
    listGrid->setObjectName(QStringLiteral("listGrid"));
    listGrid->setHorizontalHeaderLabels({QStringLiteral("姓名"), QStringLiteral("电话")});
    listGrid->setColumnWidth(0, 100);
    listGrid->setColumnWidth(1, 130);
    listGrid->verticalHeader()->hide();
    listGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    listGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    listGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listGrid->hide();

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("会员卡号/姓名/电话："), this));
    top->addWidget(cardNoEdit, 1);
    top->addWidget(Okbtn);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(listGrid);
    layout->addWidget(group, 1);
    resize(420, 380);

    setTabOrder(cardNoEdit, Okbtn);
    DialogKeys::noDefaultButtons(this);
    cardNoEdit->installEventFilter(this);
    Okbtn->installEventFilter(this);
    listGrid->installEventFilter(this);
    registerMember = [this](const QString &cardNo) {
        TmemberaddForm add(m_store, cardNo, this);
        return add.exec() == QDialog::Accepted ? add.savedCardId() : QString();
    };
    connect(cardNoEdit, &QLineEdit::textEdited, this, [this] { m_hasSearched = false; });
    connect(Okbtn, &QPushButton::clicked, this, &TcardinputForm::OkbtnClick);
    connect(listGrid, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { pickRow(row); });
    cardNoEdit->setFocus();
}

void TcardinputForm::showMember(const MemberInfo &m)
{
    m_found = m;
    m_rate = MemberLogic::memberRate(m_store, m, m_policy);
    const QStringList values{m.name,     m.tel,      m.mtype, QString::number(m_rate), formatFixed(m.jifen, 1),
                             m.addr,     m.birthday, shownDate(m.fromdate), m.valid ? QStringLiteral("有效") : QStringLiteral("无效"),
                             m.remark};
    for (int i = 0; i < values.size(); ++i)
        infoList->topLevelItem(i)->setText(1, values.at(i));

    Okbtn->setEnabled(true);
    if (!m.valid) {
        Msg::info(this, MemberLogic::InvalidCard);
        Okbtn->setEnabled(false);
    }
    if (MemberLogic::isExpired(m.enddate, Clock::today())) {
        Msg::info(this, MemberLogic::ExpiredCard);
        Okbtn->setEnabled(false);
    }
    Okbtn->setFocus();
}

void TcardinputForm::showGrid(const QList<MemberInfo> &members)
{
    m_gridMembers = members;
    listGrid->setRowCount(int(members.size()));
    for (int i = 0; i < members.size(); ++i) {
        listGrid->setItem(i, 0, new QTableWidgetItem(members.at(i).name));
        listGrid->setItem(i, 1, new QTableWidgetItem(members.at(i).tel));
    }
    listGrid->show();
    listGrid->setCurrentCell(0, 0);
    listGrid->setFocus();
}

void TcardinputForm::search()
{
    const QString x = cardNoEdit->text().trimmed();
    m_searched = cardNoEdit->text();
    m_hasSearched = true;
    if (x.isEmpty())
        return;
    // Only a member found by this search can be confirmed.
    m_found.reset();
    const MemberLogic::SearchResult r = MemberLogic::search(m_store, x);
    if (!r.ok) {
        Msg::error(this, r.error);
        return;
    }
    if (r.members.isEmpty()) {
        if (!Msg::question(this, MemberLogic::UnknownCardQuestion) || !registerMember)
            return;
        const QString saved = registerMember(x);
        if (saved.isEmpty())
            return;
        cardNoEdit->setText(saved);
        search();
        return;
    }
    if (r.exact && r.members.size() == 1)
        showMember(r.members.first());
    else
        showGrid(r.members);
}

void TcardinputForm::pickRow(int row)
{
    if (row < 0 || row >= m_gridMembers.size())
        return;
    cardNoEdit->setText(m_gridMembers.at(row).cardId);
    search();
}

void TcardinputForm::OkbtnClick()
{
    if (m_found && Okbtn->isEnabled())
        m_attached = MemberLogic::attachFromDialog(*m_found, m_rate);
    accept();
}

bool TcardinputForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && DialogKeys::isEnter(static_cast<QKeyEvent *>(event))) {
        if (watched == cardNoEdit) {
            if (!m_hasSearched || m_searched != cardNoEdit->text())
                search();
            if (cardNoEdit->hasFocus())
                Okbtn->setFocus();
        } else if (watched == listGrid) {
            pickRow(listGrid->currentRow());
        } else if (watched == Okbtn) {
            OkbtnClick();
        }
        return true;
    }
    if (event->type() == QEvent::FocusOut && !m_closing && leftByUser(event)) {
        if (watched == cardNoEdit && (!m_hasSearched || m_searched != cardNoEdit->text()))
            search();
        else if (watched == listGrid)
            listGrid->hide();
    }
    return QDialog::eventFilter(watched, event);
}

void TcardinputForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F8) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TcardinputForm::done(int r)
{
    m_closing = true;
    QDialog::done(r);
}
