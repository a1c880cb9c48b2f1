#include "tongjiform.h"

#include "clock.h"
#include "datagrid.h"
#include "models.h"
#include "msgbox.h"
#include "paths.h"
#include "scramble.h"
#include "store.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

DataGrid *makeGrid(QueryModel *model, QWidget *parent)
{
    auto *g = new DataGrid(parent);
    g->setModel(model);
    g->view()->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->view()->horizontalHeader()->setStretchLastSection(true);
    return g;
}

QLineEdit *readOnlyEdit(QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setReadOnly(true);
    e->setAlignment(Qt::AlignRight);
    return e;
}

}  // namespace

TtongjiForm::TtongjiForm(Store &store, PrintFile print, QWidget *parent)
    : QDialog(parent), m_store(store), m_print(std::move(print))
{
    setWindowTitle(QStringLiteral("日统计表"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    ritongjidate = new QDateEdit(Clock::today(), this);
    ritongjidate->setCalendarPopup(true);
    ritongjidate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    sellerCbx = new QComboBox(this);
    QString error;
    sellerCbx->addItems(DaySummary::cashierChoices(store, &error));
    sellerCbx->setCurrentIndex(0);
    queryBtn = new QPushButton(QStringLiteral("查询"), this);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("日期："), this));
    top->addWidget(ritongjidate);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("收银员："), this));
    top->addWidget(sellerCbx);
    top->addWidget(queryBtn);
    top->addStretch();

    ordersModel = new QueryModel(store, this);
    ordersModel->setHeader(QStringLiteral("order_id"), QStringLiteral("流水号"));
    ordersModel->setHeader(QStringLiteral("total_money"), QStringLiteral("销售额"));
    ordersModel->setHeader(QStringLiteral("card_id"), QStringLiteral("会员卡"));
    ordersModel->setHeader(QStringLiteral("Sales_no"), QStringLiteral("销售人员"));
    ordersModel->setHeader(QStringLiteral("seller"), QStringLiteral("收银员"));
    ordersModel->setFormat(QStringLiteral("total_money"), QueryModel::Format::Yuan);
    goodsModel = new QueryModel(store, this);
    goodsModel->setHeader(QStringLiteral("bcode"), QStringLiteral("条形码"));
    goodsModel->setHeader(QStringLiteral("name"), QStringLiteral("名称"));
    goodsModel->setHeader(QStringLiteral("class_name"), QStringLiteral("类别"));
    goodsModel->setHeader(QStringLiteral("shuliang"), QStringLiteral("数量"));
    goodsModel->setHeader(QStringLiteral("jine"), QStringLiteral("金额"));
    goodsModel->setFormat(QStringLiteral("shuliang"), QueryModel::Format::Quantity);
    goodsModel->setFormat(QStringLiteral("jine"), QueryModel::Format::Yuan);

    pages = new QTabWidget(this);
    ordersGrid = makeGrid(ordersModel, pages);
    goodsGrid = makeGrid(goodsModel, pages);
    pages->addTab(ordersGrid, QStringLiteral("流水单"));
    pages->addTab(goodsGrid, QStringLiteral("销售商品"));

    moneyEdit = readOnlyEdit(this);
    countEdit = readOnlyEdit(this);
    goodscountEdit = readOnlyEdit(this);
    printBtn = new QPushButton(QStringLiteral("打印"), this);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("本日销售额："), this));
    bottom->addWidget(moneyEdit);
    bottom->addWidget(new QLabel(QStringLiteral("本日销售次数："), this));
    bottom->addWidget(countEdit);
    bottom->addWidget(new QLabel(QStringLiteral("销售商品数量："), this));
    bottom->addWidget(goodscountEdit);
    bottom->addStretch();
    bottom->addWidget(printBtn);

    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(pages, 1);
    lay->addLayout(bottom);

    // Enter re-queries wherever it is pressed; no button may take it as default.
    for (QPushButton *b : {queryBtn, printBtn}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(queryBtn, &QPushButton::clicked, this, [this] { runQuery(); });
    // The grids take Enter for their rows; here it re-queries like everywhere else.
    for (DataGrid *g : {ordersGrid, goodsGrid})
        connect(g, &DataGrid::rowActivated, this, [this] { runQuery(); });
    connect(printBtn, &QPushButton::clicked, this, [this] { printReport(); });
    // F4 closes (a combo box would otherwise open its list on F4).
    auto *f4 = new QShortcut(QKeySequence(Qt::Key_F4), this);
    connect(f4, &QShortcut::activated, this, &QDialog::reject);

    resize(900, 600);
    if (!error.isEmpty())
        Msg::error(this, error);
    runQuery();
    ritongjidate->setFocus();
}

void TtongjiForm::placeOver(QWidget *dialog, const QWidget *till)
{
    if (!dialog || !till)
        return;
    const QRect g = till->geometry();
    dialog->setGeometry(g.x(), g.y() + 30, g.width(), qMax(100, g.height() - 30));
}

bool TtongjiForm::passwordGate(QWidget *parent, bool needpsw, const QString &viewpsw)
{
    if (!needpsw)
        return true;
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, QStringLiteral("请输入查看密码  "), QStringLiteral("密码：  "),
                                                 QLineEdit::Password, QString(), &ok);
    if (!ok)
        return false;
    if (ShowStr(answer) != viewpsw) {
        Msg::info(parent, QStringLiteral("密码错误！"));
        return false;
    }
    return true;
}

DaySummary::Filter TtongjiForm::filter() const
{
    DaySummary::Filter f;
    f.day = ritongjidate->date();
    f.cashier = sellerCbx->currentIndex() <= 0 ? QString() : sellerCbx->currentText();
    return f;
}

QString TtongjiForm::reportPath() const
{
    return programFile(DaySummary::reportFileName());
}

bool TtongjiForm::runQuery()
{
    BusyCursor busy;
    QString error;
    const bool ok = DaySummary::load(m_store, filter(), *ordersModel, *goodsModel, &m_totals, &error);
    countEdit->setText(m_totals.countText);
    goodscountEdit->setText(m_totals.goodsCountText);
    moneyEdit->setText(m_totals.moneyText);
    if (!ok) {
        countEdit->clear();
        goodscountEdit->clear();
        moneyEdit->clear();
        Msg::error(this, error);
    }
    return ok;
}

bool TtongjiForm::printReport()
{
    if (!runQuery())
        return false;
    const QStringList lines = DaySummary::reportLines(ritongjidate->date(), Clock::now().time(),
                                                      sellerCbx->currentText(), m_totals);
    QString error;
    if (!DaySummary::writeReport(reportPath(), lines, &error)) {
        Msg::error(this, QStringLiteral("无法写入") + DaySummary::reportFileName() + QStringLiteral("：") + error);
        return false;
    }
    return m_print ? m_print(reportPath()) : false;
}

void TtongjiForm::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        runQuery();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
