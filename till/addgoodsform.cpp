#include "addgoodsform.h"

#include "msgbox.h"
#include "store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QDoubleSpinBox *numberField(QWidget *parent, double max, int decimals)
{
    auto *s = new QDoubleSpinBox(parent);
    s->setLocale(QLocale::c());
    s->setRange(0, max);
    s->setDecimals(decimals);
    s->setButtonSymbols(QAbstractSpinBox::NoButtons);
    s->setAlignment(Qt::AlignRight);
    s->setKeyboardTracking(false);
    return s;
}

bool isEnter(const QKeyEvent *k)
{
    return k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
}

}  // namespace

TaddgoodsForm::~TaddgoodsForm()
{
    // Closing moves the focus, which would finish the price edit of a half-destroyed form.
    priceEdit->disconnect(this);
}

TaddgoodsForm::TaddgoodsForm(Store &store, QWidget *parent) : QDialog(parent), m_store(store)
{
    setWindowTitle(QuickEntry::captionFor({}));

    barcodeinputEdit = new QLineEdit(this);
    barcodeinputEdit->setMaxLength(20);
    nameEdit = new QLineEdit(this);
    nameEdit->setMaxLength(100);
    priceEdit = numberField(this, 99999999.99, 2);
    priceEdit->setPrefix(QStringLiteral("￥"));
    price2Edit = numberField(this, 99999999.99, 2);
    price2Edit->setPrefix(QStringLiteral("￥"));
    amountEdit = numberField(this, 999999, 2);
    amountEdit->setSingleStep(1);
    amountEdit->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    classCBX = new QComboBox(this);
    QString error;
    classCBX->addItems(QuickEntry::classNames(store, &error));
    classCBX->setCurrentIndex(-1);
    ifdisCbx = new QCheckBox(QStringLiteral("允许打折"), this);
    ifdisCbx->setChecked(true);
    ifaddupCbx = new QCheckBox(QStringLiteral("允许积分"), this);
    ifaddupCbx->setChecked(true);
    OKBtn = new QPushButton(QStringLiteral("添 加"), this);
    // Scanned codes end with Return: no button may be pressed by it implicitly.
    OKBtn->setAutoDefault(false);
    OKBtn->setDefault(false);
    StatusPanel1 = new QLabel(QuickEntry::startStatusText(), this);
    StatusPanel1->setFrameShape(QFrame::StyledPanel);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("商品条码："), barcodeinputEdit);
    form->addRow(QStringLiteral("商品名称："), nameEdit);
    form->addRow(QStringLiteral("零售价："), priceEdit);
    form->addRow(QStringLiteral("会员价："), price2Edit);
    form->addRow(QStringLiteral("库存："), amountEdit);
    form->addRow(QStringLiteral("类别："), classCBX);
    auto *ticks = new QHBoxLayout;
    ticks->addWidget(ifdisCbx);
    ticks->addWidget(ifaddupCbx);
    ticks->addStretch();
    ticks->addWidget(OKBtn);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addLayout(ticks);
    lay->addWidget(StatusPanel1);

    for (QWidget *w : std::initializer_list<QWidget *>{barcodeinputEdit, nameEdit, priceEdit, price2Edit, amountEdit,
                                                       classCBX, ifdisCbx, ifaddupCbx, OKBtn}) {
        w->installEventFilter(this);
        for (QLineEdit *inner : w->findChildren<QLineEdit *>())
            inner->installEventFilter(this);
    }
    connect(priceEdit, &QDoubleSpinBox::editingFinished, this, [this] {
        if (priceEdit->value() == 0)
            StatusPanel1->setText(QuickEntry::zeroPriceText());
    });
    connect(OKBtn, &QPushButton::clicked, this, [this] { add(); });

    setMinimumWidth(380);
    if (!error.isEmpty())
        Msg::error(this, error);
}

void TaddgoodsForm::prepare(const QString &barcode, const QString &name)
{
    m_added.reset();
    barcodeinputEdit->setText(barcode);
    nameEdit->setText(name);
    priceEdit->setValue(0);
    price2Edit->setValue(0);
    amountEdit->setValue(0);
    StatusPanel1->setText(QuickEntry::startStatusText());
    setWindowTitle(QuickEntry::captionFor(name));
    if (name.isEmpty()) {
        nameEdit->setFocus();
    } else {
        priceEdit->setFocus();
        priceEdit->selectAll();
    }
}

std::optional<GoodsRecord> TaddgoodsForm::enter(const QString &barcode, const QString &name)
{
    prepare(barcode, name);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return m_added;
}

QuickEntry::NewGoods TaddgoodsForm::values() const
{
    QuickEntry::NewGoods g;
    g.barcode = barcodeinputEdit->text();
    g.name = nameEdit->text();
    g.price = priceEdit->value();
    g.price2 = price2Edit->value();
    g.amount = amountEdit->value();
    g.className = classCBX->currentIndex() >= 0 ? classCBX->currentText() : QString();
    g.ifdis = ifdisCbx->isChecked();
    g.ifaddup = ifaddupCbx->isChecked();
    return g;
}

bool TaddgoodsForm::add()
{
    // A value typed but not yet committed (focus still in the field) counts.
    for (QDoubleSpinBox *s : {priceEdit, price2Edit, amountEdit})
        s->interpretText();
    QString error;
    std::optional<GoodsRecord> g = QuickEntry::insert(m_store, values(), &error);
    if (!g) {
        Msg::error(this, error);
        if (error == QuickEntry::emptyBarcodeText())
            barcodeinputEdit->setFocus();
        return false;
    }
    m_added = std::move(g);
    accept();
    return true;
}

bool TaddgoodsForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && isEnter(static_cast<QKeyEvent *>(event))) {
        if (watched == OKBtn) {
            OKBtn->click();
        } else {
            for (QDoubleSpinBox *s : {priceEdit, price2Edit, amountEdit})
                if (watched == s || watched->parent() == s)
                    s->interpretText();
            focusNextChild();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- the unknown-code path ----------------------------------------------------------

QuickEntryPath::QuickEntryPath(Store &store, QWidget *till, QuickEntry::Lookup lookup)
    : m_store(store), m_till(till), m_lookup(std::move(lookup))
{
}

QuickEntryPath::~QuickEntryPath()
{
    // Without a till window to own it, the dialog is ours.
    if (!m_till)
        delete m_form;
}

TaddgoodsForm *QuickEntryPath::form()
{
    if (!m_form)
        m_form = new TaddgoodsForm(m_store, m_till);
    return m_form;
}

QuickEntryPath::Result QuickEntryPath::handle(const QString &code)
{
    Result r;
    const QuickEntry::Decision d = QuickEntry::unknownCode(
        code, m_lookup, [this](const QString &question) { return Msg::question(m_till, question); });
    if (d.action == QuickEntry::Action::Offline)
        return r;
    r.clearCode = true;
    if (d.action == QuickEntry::Action::Open)
        r.goods = form()->enter(code, d.name);
    return r;
}
