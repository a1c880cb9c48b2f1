#pragma once
// Member registration "会员录入", opened from the member-card dialog for a card the store
// does not know. After a successful save the caller looks the card up again, which
// attaches the new member to the sale.

#include "memberreg.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class Store;

class TmemberaddForm : public QDialog {
    Q_OBJECT
public:
    TmemberaddForm(Store &store, const QString &cardNo, QWidget *parent = nullptr);

    // "录入保存": nothing for a blank card number; a registered card shows
    // "此会员卡编号已存在！" and clears the field; a refused insert shows the store's
    // message. Accepts when saved.
    bool save();
    // The duplicate test run when the card field is left. True when the card is free.
    bool checkCard();
    // A card type was chosen: its rate goes into the discount field.
    void typeChosen();

    NewMember values() const;
    // The stored (trimmed) card number after a save, for the caller's new lookup.
    QString savedCardId() const { return m_saved; }

    QLineEdit *mNoEdit = nullptr;
    QLineEdit *mNameEdit = nullptr;
    QLineEdit *mTelEdit = nullptr;
    QComboBox *yueCbx = nullptr;
    QComboBox *riCbx = nullptr;
    QCheckBox *lunarChk = nullptr;
    QLineEdit *mAddrEdit = nullptr;
    QLineEdit *MmailEdit = nullptr;
    QLineEdit *mRemarkEdit = nullptr;
    QComboBox *mtypeCbx = nullptr;
    QLineEdit *mdiccountEdit = nullptr;
    QDateEdit *mEndtime = nullptr;
    QCheckBox *mStatus = nullptr;
    QPushButton *bsSkinButton12 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refuseCard();
    Store &m_store;
    QString m_saved;
    QList<QWidget *> m_fields;
};
