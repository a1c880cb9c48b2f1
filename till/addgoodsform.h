#pragma once
// Quick goods entry ("快速录入商品" / "条码智能查询"): adds goods the store does not
// know yet, straight from the till, and hands the new row to the sale. The dialog lives
// as long as the till, so the class and the two tick boxes carry over between uses.

#include "quickentry.h"

#include <QDialog>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Store;

class TaddgoodsForm : public QDialog {
    Q_OBJECT
public:
    explicit TaddgoodsForm(Store &store, QWidget *parent = nullptr);
    ~TaddgoodsForm() override;

    // Fills code and name and resets prices and stock, as every showing does.
    void prepare(const QString &barcode, const QString &name);
    // prepare, then modal; the goods added, or nullopt when the cashier left without.
    std::optional<GoodsRecord> enter(const QString &barcode, const QString &name);
    // "添 加": inserts the goods and accepts. A refused insert shows the store's message
    // and leaves the dialog open with its data.
    bool add();
    const std::optional<GoodsRecord> &added() const { return m_added; }
    QuickEntry::NewGoods values() const;

    QLineEdit *barcodeinputEdit = nullptr;
    QLineEdit *nameEdit = nullptr;
    QDoubleSpinBox *priceEdit = nullptr;
    QDoubleSpinBox *price2Edit = nullptr;
    QDoubleSpinBox *amountEdit = nullptr;
    QComboBox *classCBX = nullptr;
    QCheckBox *ifdisCbx = nullptr;
    QCheckBox *ifaddupCbx = nullptr;
    QPushButton *OKBtn = nullptr;
    QLabel *StatusPanel1 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Store &m_store;
    std::optional<GoodsRecord> m_added;
};

// The till's unknown-code path: online search, the question, the dialog (created on
// first use and kept), the insert. The till then clears its code field when told to and
// adds the goods returned.
class QuickEntryPath {
public:
    QuickEntryPath(Store &store, QWidget *till, QuickEntry::Lookup lookup = QuickEntry::Lookup::service());
    ~QuickEntryPath();

    struct Result {
        bool clearCode = false;             // false only offline: the code stays
        std::optional<GoodsRecord> goods;   // add this to the sale as if scanned
    };
    Result handle(const QString &code);

    TaddgoodsForm *form();  // the dialog, created on first use
    void setLookup(QuickEntry::Lookup lookup) { m_lookup = std::move(lookup); }

private:
    Store &m_store;
    QWidget *m_till;
    QuickEntry::Lookup m_lookup;
    TaddgoodsForm *m_form = nullptr;  // owned by the till window once created
};
