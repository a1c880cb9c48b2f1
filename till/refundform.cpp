#include "refundform.h"

#include "clock.h"
#include "dialogkeys.h"
#include "money.h"
#include "msgbox.h"
#include "store.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { ColBarcode, ColGoodsNo, ColName, ColQty, ColMoney, ColGoodsId };

bool leftByUser(const QEvent *event)
{
    const auto reason = static_cast<const QFocusEvent *>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

QLineEdit *edit(QWidget *parent, const char *name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

} // namespace

TrefundForm::TrefundForm(Store &store, const QString &cashier, int addRate, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
    , m_cashier(cashier)
    , m_addRate(addRate > 0 ? addRate : 1)
{
    setWindowTitle(QStringLiteral("退货操作"));

    pages = new QTabWidget(this);
    auto *receiptPage = new QWidget;
    liushuhaoEdit = edit(receiptPage, "liushuhaoEdit");
    auto *receiptForm = new QFormLayout(receiptPage);
    receiptForm->addRow(QStringLiteral("小票流水号："), liushuhaoEdit);
    pages->addTab(receiptPage, QStringLiteral("小票流水号"));

    auto *goodsPage = new QWidget;
    barcodeinputEdit = edit(goodsPage, "barcodeinputEdit");
    goodsNumEdit = edit(goodsPage, "goodsNumEdit");
    DialogKeys::limitInput(goodsNumEdit, DialogKeys::DigitsDot);
    totalEdit = edit(goodsPage, "totalEdit");
    DialogKeys::limitInput(totalEdit, DialogKeys::DigitsDot);
    goodsOkBtn = new QPushButton(QStringLiteral("确定"), goodsPage);
    goodsOkBtn->setObjectName(QStringLiteral("goodsOkBtn"));
    auto *goodsRow = new QHBoxLayout(goodsPage);
    goodsRow->addWidget(new QLabel(QStringLiteral("条码："), goodsPage));
    goodsRow->addWidget(barcodeinputEdit, 2);
    goodsRow->addWidget(new QLabel(QStringLiteral("数量："), goodsPage));
    goodsRow->addWidget(goodsNumEdit, 1);
    goodsRow->addWidget(new QLabel(QStringLiteral("金额："), goodsPage));
    goodsRow->addWidget(totalEdit, 1);
    goodsRow->addWidget(goodsOkBtn);
    pages->addTab(goodsPage, QStringLiteral("商品编号"));

    ListView = new QTreeWidget(this);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setRootIsDecorated(false);
    ListView->setUniformRowHeights(true);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setHeaderLabels({QStringLiteral("条码"), QStringLiteral("货号"), QStringLiteral("品名"),
                               QStringLiteral("数量"), QStringLiteral("金额"), QString()});
    ListView->setColumnHidden(ColGoodsId, true);
    ListView->setColumnWidth(ColBarcode, 130);
    ListView->setColumnWidth(ColGoodsNo, 90);
    ListView->setColumnWidth(ColName, 200);
    ListView->header()->setSectionsClickable(false);

    amountEdit = edit(this, "amountEdit");
    amountEdit->setReadOnly(true);
    amountEdit->setText(QStringLiteral("0"));
    moneyEdit = edit(this, "moneyEdit");
    DialogKeys::limitInput(moneyEdit, DialogKeys::DigitsDot);
    moneyEdit->setText(QStringLiteral("0"));
    cardNoEdit = edit(this, "cardNoEdit");
    salesNoEdit = edit(this, "salesNoEdit");
    OKbtn = new QPushButton(QStringLiteral("退货"), this);
    OKbtn->setObjectName(QStringLiteral("OKbtn"));
    sBitBtn1 = new QPushButton(QStringLiteral("取消"), this);
    sBitBtn1->setObjectName(QStringLiteral("sBitBtn1"));

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("退货数量："), this), 0, 0);
    fields->addWidget(amountEdit, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("退款金额：￥"), this), 0, 2);
    fields->addWidget(moneyEdit, 0, 3);
    fields->addWidget(new QLabel(QStringLiteral("会员卡："), this), 1, 0);
    fields->addWidget(cardNoEdit, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("销售人员代码："), this), 1, 2);
    fields->addWidget(salesNoEdit, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("提示：在列表中按→键可选择退货商品"), this), 1);
    buttons->addWidget(OKbtn);
    buttons->addWidget(sBitBtn1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addWidget(ListView, 1);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    resize(760, 480);

    setTabOrder(ListView, amountEdit);
    setTabOrder(amountEdit, moneyEdit);
    setTabOrder(moneyEdit, cardNoEdit);
    setTabOrder(cardNoEdit, salesNoEdit);
    setTabOrder(salesNoEdit, OKbtn);
    setTabOrder(OKbtn, sBitBtn1);
    DialogKeys::noDefaultButtons(this);

    for (QWidget *w : std::initializer_list<QWidget *>{liushuhaoEdit, barcodeinputEdit, goodsNumEdit, totalEdit,
                                                       goodsOkBtn, ListView, amountEdit, moneyEdit, cardNoEdit,
                                                       salesNoEdit, OKbtn, sBitBtn1})
        w->installEventFilter(this);

    connect(pages, &QTabWidget::currentChanged, this, [this](int index) {
        (index == 0 ? liushuhaoEdit : barcodeinputEdit)->setFocus();
    });
    connect(barcodeinputEdit, &QLineEdit::textEdited, this, [this] { m_lookedUp.clear(); });
    connect(goodsOkBtn, &QPushButton::clicked, this, &TrefundForm::goodsOkBtnClick);
    connect(OKbtn, &QPushButton::clicked, this, &TrefundForm::OKbtnClick);
    connect(sBitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListView, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { toggleTick(ListView->indexOfTopLevelItem(item)); });

    liushuhaoEdit->setFocus();
}

void TrefundForm::showLines(int current)
{
    ListView->clear();
    for (const RefundLine &l : m_lines) {
        auto *item = new QTreeWidgetItem(ListView, {l.barcode, l.goodsNo, l.name, l.qtyText, l.moneyText, l.goodsId});
        // Ticks follow clicks and the Right key on the whole line, not the box alone.
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(ColBarcode, l.ticked ? Qt::Checked : Qt::Unchecked);
        item->setTextAlignment(ColQty, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(ColMoney, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (current >= 0 && current < m_lines.size())
        ListView->setCurrentItem(ListView->topLevelItem(current));
}

void TrefundForm::recount()
{
    const RefundTotals t = RefundLogic::totals(m_lines);
    amountEdit->setText(t.amountText);
    moneyEdit->setText(t.moneyText);
}

void TrefundForm::toggleTick(int row)
{
    if (row < 0 || row >= m_lines.size())
        return;
    m_lines[row].ticked = !m_lines[row].ticked;
    ListView->topLevelItem(row)->setCheckState(ColBarcode, m_lines[row].ticked ? Qt::Checked : Qt::Unchecked);
    recount();
}

void TrefundForm::deleteLine(int row)
{
    if (row < 0 || row >= m_lines.size())
        return;
    m_lines.removeAt(row);
    showLines(qMin(row, int(m_lines.size()) - 1));
    recount();
}

void TrefundForm::liushuhaoEditEnter()
{
    const QString no = liushuhaoEdit->text().trimmed();
    if (no.isEmpty())
        return;
    QString error;
    const std::optional<ReceiptForRefund> receipt = RefundLogic::lookupReceipt(m_store, no, &error);
    if (!receipt) {
        Msg::info(this, error.isEmpty() ? RefundLogic::UnknownReceipt : error);
        return;
    }
    m_lines = receipt->lines;
    showLines(0);
    recount();
    cardNoEdit->setText(receipt->cardId);
    salesNoEdit->setText(receipt->salesNo);
    ListView->setFocus();
}

bool TrefundForm::barcodeExit()
{
    const QString code = barcodeinputEdit->text().trimmed();
    if (code.isEmpty() || code == m_lookedUp)
        return true;
    const std::optional<double> price = RefundLogic::priceOf(m_store, code);
    if (!price) {
        Msg::info(this, RefundLogic::UnknownGoods);
        barcodeinputEdit->setFocus();
        return false;
    }
    m_lookedUp = code;
    m_unitPrice = *price;
    m_pricedQty = QStringLiteral("1");
    goodsNumEdit->setText(m_pricedQty);
    totalEdit->setText(formatMoney(*price));
    goodsNumEdit->setFocus();
    return true;
}

bool TrefundForm::goodsNumExit()
{
    // The amount follows the quantity at the item's price; leaving the field again
    // without a new quantity keeps the amount (also one typed by hand).
    const QString qty = goodsNumEdit->text();
    if (m_lookedUp.isEmpty() || qty == m_pricedQty)
        return true;
    QString money;
    if (!RefundLogic::lineMoney(m_unitPrice, qty, &money)) {
        Msg::info(this, RefundLogic::BadNumber);
        goodsNumEdit->setFocus();
        return false;
    }
    m_pricedQty = qty;
    totalEdit->setText(money);
    return true;
}

void TrefundForm::goodsOkBtnClick()
{
    const QString code = barcodeinputEdit->text().trimmed();
    if (code.isEmpty()) {
        ListView->setFocus();
        return;
    }
    if (!goodsNumExit())
        return;
    std::optional<RefundLine> line = RefundLogic::itemOf(m_store, code);
    if (!line)
        return;
    double qty = 0;
    double money = 0;
    if (!parseNumber(goodsNumEdit->text(), &qty) || !parseNumber(totalEdit->text(), &money)) {
        Msg::info(this, RefundLogic::BadNumber);
        return;
    }
    line->qtyText = goodsNumEdit->text();
    line->moneyText = formatMoney(money);
    line->ticked = true;
    m_lines.append(*line);
    showLines(m_lines.size() - 1);
    barcodeinputEdit->clear();
    goodsNumEdit->clear();
    totalEdit->clear();
    m_lookedUp.clear();
    m_pricedQty.clear();
    recount();
    barcodeinputEdit->setFocus();
}

void TrefundForm::OKbtnClick()
{
    if (m_lines.isEmpty()) {
        reject();
        return;
    }
    RefundRequest req;
    req.lines = m_lines;
    req.moneyText = moneyEdit->text();
    req.cardNo = cardNoEdit->text();
    req.salesNo = salesNoEdit->text();
    req.cashier = m_cashier;
    req.addRate = m_addRate;
    const RefundOutcome out = RefundLogic::record(m_store, req, Clock::now());
    Msg::info(this, out.message);
    if (!out.ok)
        return;
    m_orderNo = out.orderNo;
    accept();
}

bool TrefundForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (DialogKeys::isEnter(key)) {
            if (watched == liushuhaoEdit) {
                liushuhaoEditEnter();
            } else if (watched == barcodeinputEdit) {
                if (barcodeinputEdit->text().trimmed().isEmpty())
                    cardNoEdit->setFocus();
                else
                    barcodeExit();
            } else if (watched == goodsNumEdit) {
                if (goodsNumExit())
                    totalEdit->setFocus();
            } else if (watched == totalEdit) {
                goodsOkBtn->setFocus();
            } else if (watched == goodsOkBtn) {
                goodsOkBtnClick();
            } else if (watched == OKbtn) {
                OKbtnClick();
            } else if (watched == sBitBtn1) {
                reject();
            } else {
                focusNextChild();
            }
            return true;
        }
        if (watched == liushuhaoEdit && key->key() == Qt::Key_Right) {
            pages->setCurrentIndex(1);
            return true;
        }
        if (watched == ListView && key->key() == Qt::Key_Right) {
            toggleTick(ListView->indexOfTopLevelItem(ListView->currentItem()));
            return true;
        }
        if (watched == ListView && key->key() == Qt::Key_Delete) {
            deleteLine(ListView->indexOfTopLevelItem(ListView->currentItem()));
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && !m_closing && leftByUser(event)
               && QApplication::focusWidget() != sBitBtn1) {
        // Going for "取消" is not leaving the field to use its value.
        if (watched == barcodeinputEdit)
            barcodeExit();
        else if (watched == goodsNumEdit)
            goodsNumExit();
    }
    return QDialog::eventFilter(watched, event);
}

void TrefundForm::done(int r)
{
    m_closing = true;
    QDialog::done(r);
}
