#include "birthremindform.h"

#include "clock.h"
#include "models.h"
#include "msgbox.h"
#include "store.h"

#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// The member list: tomorrow's rows sky blue, points right-aligned, dates without a
// midnight time.
class BirthdayListModel : public QueryModel {
public:
    BirthdayListModel(Store &store, const Birthdays::Days &days, QObject *parent)
        : QueryModel(store, parent), m_days(days)
    {
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return {};
        const QString col = columnName(index.column()).toLower();
        switch (role) {
        case Qt::BackgroundRole:
            if (m_days.isTomorrow(rawValue(index.row(), QStringLiteral("birthday")).toString(),
                                  rawValue(index.row(), QStringLiteral("lunar")).toInt() == -1))
                return QColor(166, 202, 240);
            return {};
        case Qt::TextAlignmentRole:
            if (col == QLatin1String("jifen") || col == QLatin1String("buy_times"))
                return int(Qt::AlignRight | Qt::AlignVCenter);
            return QueryModel::data(index, role);
        case Qt::DisplayRole:
            if (col == QLatin1String("fromdate") || col == QLatin1String("enddate")) {
                QString s = rawValue(index.row(), index.column()).toString();
                if (s.endsWith(QLatin1String(" 00:00:00")))
                    s.chop(9);
                return s;
            }
            return QueryModel::data(index, role);
        default:
            return QueryModel::data(index, role);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole
            && columnName(section).compare(QLatin1String("buy_times"), Qt::CaseInsensitive) == 0)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return QueryModel::headerData(section, orientation, role);
    }

private:
    const Birthdays::Days &m_days;
};

}

TbirthRemindForm::TbirthRemindForm(Store &store, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("会员生日提醒"));
    setWindowFlag(Qt::WindowStaysOnTopHint);

    dayLbl = new QLabel(this);
    dayLbl->setObjectName(QStringLiteral("dayLbl"));

    m_model = new BirthdayListModel(store, m_days, this);
    static const std::pair<const char *, const char *> captions[] = {
        {"card_id", "卡号"}, {"name", "姓名"}, {"tel", "电话"}, {"jifen", "积分"},
        {"buy_times", "消费次数"}, {"birthday", "生日"}, {"fromdate", "办卡日期"}, {"enddate", "有效日期"}};
    for (const auto &[column, caption] : captions)
        m_model->setHeader(QLatin1String(column), QString::fromUtf8(caption));
    memberGrid = new QTableView(this);
    memberGrid->setObjectName(QStringLiteral("memberGrid"));
    memberGrid->setModel(m_model);
    memberGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    memberGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    memberGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    memberGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    memberGrid->verticalHeader()->hide();

    okButton = new QPushButton(QStringLiteral("确认"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setAutoDefault(false);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(dayLbl);
    layout->addWidget(memberGrid, 1);
    layout->addLayout(buttons);

    okButton->setFocus();
}

TbirthRemindForm::~TbirthRemindForm() = default;

void TbirthRemindForm::keyPressEvent(QKeyEvent *event)
{
    // Esc closes as in every dialog; Enter and F2 (the key that opened it) close it too.
    // The grid and the button pass these keys on, so this holds wherever the focus is.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        if (event->modifiers() & ~Qt::KeypadModifier)
            break;
        event->accept();
        accept();
        return;
    default:
        break;
    }
    QDialog::keyPressEvent(event);
}

bool TbirthRemindForm::findBirthdays()
{
    m_days = Birthdays::daysOf(Clock::today());
    dayLbl->setText(m_days.label());
    const bool ok = m_model->setQuery(Birthdays::listSql(), m_days.params());
    const int lunarColumn = m_model->column(QStringLiteral("lunar"));
    if (lunarColumn >= 0)
        memberGrid->setColumnHidden(lunarColumn, true);
    if (!ok) {
        Msg::error(this, m_model->lastError());
        return false;
    }
    return true;
}

int TbirthRemindForm::memberCount() const
{
    return m_model->rowCount();
}

QString TbirthRemindForm::notice() const
{
    return Birthdays::notice(memberCount());
}

void TbirthRemindForm::placeOver(const QWidget *tillWindow)
{
    if (!tillWindow)
        return;
    const QRect g = tillWindow->geometry();
    setGeometry(g.x(), g.y() + 30, g.width(), g.height() - 30);
}

void TbirthRemindForm::remind(Store &store, QWidget *tillWindow,
                              const std::function<void(const QString &)> &showNotice)
{
    TbirthRemindForm form(store, tillWindow);
    form.placeOver(tillWindow);
    form.findBirthdays();
    const QString text = form.notice();
    if (!text.isEmpty() && showNotice)
        showNotice(text);
    form.exec();
}
