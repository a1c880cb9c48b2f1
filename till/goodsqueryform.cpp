#include "goodsqueryform.h"

#include "datagrid.h"
#include "models.h"
#include "msgbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

TgoodsqueryForm::TgoodsqueryForm(Store &store, QWidget *parent) : QDialog(parent), m_store(store)
{
    setWindowTitle(QStringLiteral("商品查询"));

    queryEdit = new QLineEdit(this);
    mohuChk = new QCheckBox(QStringLiteral("模糊查询"), this);
    mohuChk->setChecked(true);
    queryBtn = new QPushButton(QStringLiteral("查询"), this);
    queryBtn->setAutoDefault(false);
    queryBtn->setDefault(false);
    tipLbl = new QLabel(this);

    goodsQuery = new QueryModel(store, this);
    GoodsSearch::decorate(*goodsQuery);
    goodsqeyGrid = new DataGrid(this);
    goodsqeyGrid->setModel(goodsQuery);
    goodsqeyGrid->view()->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView *header = goodsqeyGrid->view()->horizontalHeader();
    header->setSectionsMovable(true);
    header->setSectionResizeMode(QHeaderView::Interactive);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("商品编号/条形码/货号/名称："), this));
    top->addWidget(queryEdit, 1);
    top->addWidget(mohuChk);
    top->addWidget(queryBtn);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(tipLbl);
    lay->addWidget(goodsqeyGrid, 1);

    connect(queryBtn, &QPushButton::clicked, this, &TgoodsqueryForm::search);
    connect(queryEdit, &QLineEdit::returnPressed, this, &TgoodsqueryForm::search);
    // Enter or a double click on a row.
    connect(goodsqeyGrid, &DataGrid::rowActivated, this, [this] { choose(); });
    auto *f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(f3, &QShortcut::activated, this, &QDialog::reject);
    resize(900, 560);
    queryEdit->setFocus();
}

void TgoodsqueryForm::search()
{
    bool searched = false;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    GoodsSearch::run(*goodsQuery, queryEdit->text(), mohuChk->isChecked(), &searched, &error);
    QApplication::restoreOverrideCursor();
    if (!searched)
        return;
    if (!error.isEmpty()) {
        Msg::error(this, error);
        return;
    }
    tipLbl->setText(GoodsSearch::resultText(goodsQuery->rowCount()));
    fitColumns();
    goodsqeyGrid->setFocus();
    if (goodsQuery->rowCount() > 0) {
        // The first row, in the barcode column: Enter then hands over the barcode.
        const QModelIndex first = goodsQuery->index(0, qMax(0, goodsQuery->column(QStringLiteral("barcode"))));
        goodsqeyGrid->view()->selectionModel()->setCurrentIndex(
            first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

bool TgoodsqueryForm::choose()
{
    // The current column counts, not only the row: the cashier may hand over the goods
    // number or the name instead of the barcode.
    const QModelIndex cur = goodsqeyGrid->view()->currentIndex();
    if (!cur.isValid())
        return false;
    m_chosen = GoodsSearch::cellText(*goodsQuery, cur.row(), cur.column());
    accept();
    return true;
}

void TgoodsqueryForm::postToCodeField(QLineEdit *codeField, const QString &value)
{
    if (!codeField)
        return;
    codeField->setText(value);
    QCoreApplication::postEvent(codeField, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    QCoreApplication::postEvent(codeField, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
}

void TgoodsqueryForm::fitColumns()
{
    // Fit the columns to the grid's width; the cashier may still resize and move them.
    QTableView *view = goodsqeyGrid->view();
    QHeaderView *h = view->horizontalHeader();
    const int n = goodsQuery->columnCount();
    if (n == 0)
        return;
    view->resizeColumnsToContents();
    int used = 0;
    for (int i = 0; i < n; ++i)
        used += h->sectionSize(i);
    const int width = view->viewport()->width();
    if (used < width) {
        const int extra = (width - used) / n;
        for (int i = 0; i < n; ++i)
            h->resizeSection(i, h->sectionSize(i) + extra);
    }
}

void TgoodsqueryForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    fitColumns();
}
