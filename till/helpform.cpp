#include "helpform.h"

#include "tillsettings.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

QList<std::pair<QString, QString>> ThelpForm::rows(const TillSettings &s)
{
    return {
        {QStringLiteral("整单折扣"), s.dazhe + QStringLiteral(" 或F6")},
        {QStringLiteral("更改数量"), s.shuliang + QStringLiteral(" 或F7")},
        {QStringLiteral("会员积分"), s.jifen + QStringLiteral(" 或F8")},
        {QStringLiteral("删除商品"), QStringLiteral("Delete")},
        {QStringLiteral("销售挂单"), QStringLiteral("F11")},
        {QStringLiteral("销售取单"), QStringLiteral("F12")},
        {QStringLiteral("弹开钱箱"), QStringLiteral("Insert")},
        {QStringLiteral("打印小票"), QStringLiteral("PageDown")},
        {QStringLiteral("打开帮助"), QStringLiteral("F1")},
        {QStringLiteral("生日提醒"), QStringLiteral("F2")},
        {QStringLiteral("单品打折"), QStringLiteral("/")},
        {QStringLiteral("商品查询"), QStringLiteral("F3")},
        {QStringLiteral("日统计表"), QStringLiteral("F4")},
        {QStringLiteral("销售提成"), QStringLiteral("F5")},
    };
}

QString ThelpForm::footerText()
{
    return QStringLiteral("收银台操作提示：\r\n使用键盘操作更快捷方便，在每一个操作步骤按下回车键可根据收银流程自动进入下一个操作步骤。");
}

ThelpForm::ThelpForm(const TillSettings &settings, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ThelpForm"));
    setWindowTitle(QStringLiteral("帮助"));

    const auto list = rows(settings);
    keyGrid = new QTableWidget(int(list.size()), 2, this);
    keyGrid->setObjectName(QStringLiteral("keyGrid"));
    keyGrid->setHorizontalHeaderLabels({QStringLiteral("功能"), QStringLiteral("操作键/快捷键")});
    keyGrid->verticalHeader()->hide();
    keyGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    keyGrid->setSelectionMode(QAbstractItemView::NoSelection);
    keyGrid->setFocusPolicy(Qt::NoFocus);
    keyGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    keyGrid->verticalHeader()->setDefaultSectionSize(24);
    for (int i = 0; i < list.size(); ++i) {
        keyGrid->setItem(i, 0, new QTableWidgetItem(list.at(i).first));
        keyGrid->setItem(i, 1, new QTableWidgetItem(list.at(i).second));
    }
    keyGrid->setMinimumHeight(keyGrid->horizontalHeader()->sizeHint().height() + 24 * int(list.size()) + 4);

    footerLbl = new QLabel(QString(footerText()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
    footerLbl->setObjectName(QStringLiteral("footerLbl"));
    footerLbl->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(keyGrid);
    layout->addWidget(footerLbl);
    resize(380, sizeHint().height());
}

void ThelpForm::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F1:
        accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
