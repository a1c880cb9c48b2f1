#include "goodsqueryform.h"

#include "models.h"
#include "msgbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
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
    goodsqeyGrid = new QTableView(this);
    goodsqeyGrid->setModel(goodsQuery);
    goodsqeyGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    goodsqeyGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    goodsqeyGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    goodsqeyGrid->verticalHeader()->hide();
    goodsqeyGrid->verticalHeader()->setDefaultSectionSize(22);
    QHeaderView *header = goodsqeyGrid->horizontalHeader();
    header->setSectionsMovable(true);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    goodsqeyGrid->setSortingEnabled(true);

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
    connect(goodsqeyGrid, &QTableView::doubleClicked, this, [this] { choose(); });
    goodsqeyGrid->installEventFilter(this);
    auto *f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(f3, &QShortcut::activated, this, &QDialog::reject);
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        bool ok = false;
        const QString t = QInputDialog::getText(this, QStringLiteral("查找"), QStringLiteral("查找内容："),
                                                QLineEdit::Normal, QString(), &ok);
        if (ok && !t.isEmpty() && !findInGrid(t))
            Msg::info(this, QStringLiteral("没有找到“") + t + QStringLiteral("”"));
    });

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
        // The barcode column as placed on screen now (the cashier may have moved it).
        const int first = goodsqeyGrid->horizontalHeader()->logicalIndex(0);
        const int barcode = goodsQuery->column(QStringLiteral("barcode"));
        goodsqeyGrid->setCurrentIndex(goodsQuery->index(0, barcode >= 0 ? barcode : first));
    }
}

bool TgoodsqueryForm::choose()
{
    const QModelIndex cur = goodsqeyGrid->currentIndex();
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

bool TgoodsqueryForm::findInGrid(const QString &text)
{
    const int rows = goodsQuery->rowCount();
    const int cols = goodsQuery->columnCount();
    if (rows == 0 || cols == 0)
        return false;
    const QModelIndex cur = goodsqeyGrid->currentIndex();
    const int start = cur.isValid() ? cur.row() * cols + cur.column() + 1 : 0;
    for (int i = 0; i < rows * cols; ++i) {
        const int k = (start + i) % (rows * cols);
        const QModelIndex idx = goodsQuery->index(k / cols, k % cols);
        if (goodsQuery->data(idx).toString().contains(text, Qt::CaseInsensitive)
            || GoodsSearch::cellText(*goodsQuery, idx.row(), idx.column()).contains(text, Qt::CaseInsensitive)) {
            goodsqeyGrid->setCurrentIndex(idx);
            goodsqeyGrid->scrollTo(idx);
            return true;
        }
    }
    return false;
}

void TgoodsqueryForm::fitColumns()
{
    // Fit the columns to the grid's width; the cashier may still resize and move them.
    QHeaderView *h = goodsqeyGrid->horizontalHeader();
    const int n = goodsQuery->columnCount();
    if (n == 0)
        return;
    goodsqeyGrid->resizeColumnsToContents();
    int used = 0;
    for (int i = 0; i < n; ++i)
        used += h->sectionSize(i);
    const int width = goodsqeyGrid->viewport()->width();
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

bool TgoodsqueryForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == goodsqeyGrid && event->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            choose();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
