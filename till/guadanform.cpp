#include "guadanform.h"

#include "dialogkeys.h"
#include "msgbox.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

TguadanForm::TguadanForm(HeldSales &held, QWidget *parent)
    : QDialog(parent)
    , m_held(held)
{
    setWindowTitle(QStringLiteral("取单"));
    gdListView = new QTreeWidget(this);
    gdListView->setObjectName(QStringLiteral("gdListView"));
    gdListView->setRootIsDecorated(false);
    gdListView->setUniformRowHeights(true);
    gdListView->setSelectionMode(QAbstractItemView::SingleSelection);
    gdListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    gdListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gdListView->setHeaderLabels({QStringLiteral("流水号"), QStringLiteral("日期"), QStringLiteral("金额"),
                                 QStringLiteral("收银员")});
    gdListView->setColumnWidth(0, 130);
    gdListView->setColumnWidth(1, 145);
    gdListView->setColumnWidth(2, 90);
    gdListView->header()->setSectionsClickable(false);
    gdListView->setContextMenuPolicy(Qt::CustomContextMenu);

    auto *remove = new QAction(QStringLiteral("删除"), this);
    connect(remove, &QAction::triggered, this, &TguadanForm::deleteSelected);
    connect(gdListView, &QWidget::customContextMenuRequested, this, [this, remove](const QPoint &pos) {
        QMenu menu(this);
        menu.addAction(remove);
        remove->setEnabled(gdListView->currentItem() != nullptr);
        menu.exec(gdListView->viewport()->mapToGlobal(pos));
    });

    statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    for (const QString &t : {QStringLiteral("按ESC退出"), QStringLiteral("按箭头键↑↓选择条目"), QStringLiteral("按回车键确定选择")})
        statusBar->addWidget(new QLabel(t, statusBar), 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(gdListView);
    layout->addWidget(statusBar);
    resize(520, 320);

    gdListView->installEventFilter(this);
    connect(gdListView, &QTreeWidget::itemDoubleClicked, this, [this] { recallSelected(); });
    fill();
    gdListView->setFocus();
}

void TguadanForm::fill()
{
    gdListView->clear();
    // A damaged index shows what could be read before the damage; no message.
    for (const HeldEntry &e : m_held.entries()) {
        auto *item = new QTreeWidgetItem(gdListView, {e.no, e.date, QStringLiteral("￥") + e.sum, e.by});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (gdListView->topLevelItemCount() > 0)
        gdListView->setCurrentItem(gdListView->topLevelItem(0));
}

void TguadanForm::removeSelectedRow()
{
    delete gdListView->currentItem();
    if (QTreeWidgetItem *item = gdListView->currentItem())
        item->setSelected(true);
}

void TguadanForm::deleteSelected()
{
    QTreeWidgetItem *item = gdListView->currentItem();
    if (!item)
        return;
    // Errors here leave at worst an entry without a file, which a recall then clears.
    m_held.remove(item->text(0));
    removeSelectedRow();
}

void TguadanForm::recallSelected()
{
    QTreeWidgetItem *item = gdListView->currentItem();
    if (!item) {
        accept();
        return;
    }
    const QString no = item->text(0);
    SaleLines lines;
    switch (m_held.read(no, &lines)) {
    case HeldSales::Recall::Ok:
        m_held.remove(no);
        m_recalled = true;
        m_number = no;
        m_lines = lines;
        accept();
        return;
    case HeldSales::Recall::Missing:
        Msg::info(this, HeldSales::MissingFile);
        m_held.remove(no);
        removeSelectedRow();
        return;
    case HeldSales::Recall::Unreadable:
        // Kept: the file may still be saved by hand.
        Msg::info(this, HeldSales::UnreadableFile);
        return;
    }
}

bool TguadanForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == gdListView && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (DialogKeys::isEnter(key)) {
            recallSelected();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TguadanForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F12) {
        reject();
        return;
    }
    if (DialogKeys::isEnter(event)) {
        recallSelected();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TguadanForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QWidget *till = parentWidget() ? parentWidget()->window() : nullptr) {
        const QRect t = till->frameGeometry();
        move(t.left() + (t.width() - frameGeometry().width()) / 2, t.top() + 150);
    }
}
