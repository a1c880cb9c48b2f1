#include "salesform.h"

#include "msgbox.h"
#include "store.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

TsalesForm::TsalesForm(Store &store, QWidget *parent) : QDialog(parent), m_store(store)
{
    setWindowTitle(QStringLiteral("销售人员"));

    nameCbx = new QComboBox(this);
    nameCbx->setEditable(true);
    nameCbx->setInsertPolicy(QComboBox::NoInsert);  // a typed code must not join the list
    QString error;
    nameCbx->addItems(Salespersons::names(store, &error));
    nameCbx->setCurrentIndex(-1);
    nameCbx->clearEditText();
    // No inline completion: it would turn a typed code into a name that starts with it.
    // The drop-down list (Alt+Down) still finds names by typing.
    nameCbx->setCompleter(nullptr);
    nameCbx->setMinimumWidth(180);

    Label2 = new QLabel(Salespersons::labelText({}), this);
    Okbtn = new QPushButton(QStringLiteral("确认"), this);
    Okbtn->setAutoDefault(false);
    Okbtn->setDefault(false);

    auto *lay = new QGridLayout(this);
    lay->addWidget(new QLabel(QStringLiteral("销售人员代码/姓名："), this), 0, 0);
    lay->addWidget(nameCbx, 0, 1);
    lay->addWidget(Label2, 1, 0, 1, 2);
    lay->addWidget(Okbtn, 2, 1, Qt::AlignRight);

    nameCbx->installEventFilter(this);
    nameCbx->lineEdit()->installEventFilter(this);
    Okbtn->installEventFilter(this);
    connect(nameCbx->lineEdit(), &QLineEdit::textEdited, this, [this] {
        // What the label shows is what "确认" hands over; typing anew withdraws it.
        if (query)
            reset();
    });
    connect(Okbtn, &QPushButton::clicked, this, &TsalesForm::confirm);
    auto *f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(f5, &QShortcut::activated, this, &QDialog::reject);

    if (!error.isEmpty())
        Msg::error(this, error);
    nameCbx->setFocus();
}

void TsalesForm::reset()
{
    query = false;
    m_found = Salesperson{};
    Label2->setText(Salespersons::labelText({}));
}

bool TsalesForm::lookup()
{
    if (nameCbx->currentText().trimmed().isEmpty())
        return false;
    QString error;
    const std::optional<Salesperson> s = Salespersons::find(m_store, nameCbx->currentText(), &error);
    if (!s) {
        reset();
        nameCbx->setCurrentIndex(-1);
        nameCbx->clearEditText();
        Msg::info(this, error.isEmpty() ? Salespersons::notFoundText() : error);
        nameCbx->setFocus();
        return false;
    }
    m_found = *s;
    query = true;
    Label2->setText(Salespersons::labelText(s->name));
    Okbtn->setFocus();
    return true;
}

void TsalesForm::confirm()
{
    if (query)
        accept();
    else
        reject();
}

bool TsalesForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (watched == Okbtn) {
                Okbtn->click();
                return true;
            }
            if (watched == nameCbx || watched == nameCbx->lineEdit()) {
                lookup();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
