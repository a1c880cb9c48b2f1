#pragma once
// Registering a member card at the till: the row written, its birthday text, the card
// types with their rates, and the duplicate test. A card number is unique without
// regard to letter case (the card lookups of the till ignore case too).

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

class Store;

struct NewMember {
    QString cardId;      // as typed; stored trimmed
    QString name;
    QString tel;
    int month = 0;       // 1..12, 0 = no choice
    int day = 0;         // 1..31, 0 = no choice
    bool lunar = false;
    QString addr;
    QString email;
    QString remark;
    QString mtype;
    QString discountText;  // the rate field; not a number gives 100
    QDate enddate;
    bool status = true;    // the card is valid
};

namespace MemberReg {

// "select * from disrate": every mtype in table order.
QStringList cardTypes(Store &store, QString *error = nullptr);
// mrate of the first type with that name; nullopt when there is none.
std::optional<int> typeRate(Store &store, const QString &mtype, QString *error = nullptr);

// month + "月" + day + "日" without leading zeros; empty when either is missing.
QString birthdayText(int month, int day);
// A month or day list text as a number in 1..max, 0 for no (or no valid) choice.
int listNumber(const QString &text, int max);
// The rate field as an integer, 100 when it is not one.
int discountValue(const QString &text);

// The end date offered for a new card.
QDate defaultEndDate(const QDate &today);

// Whether a card with this number (trimmed, letter case ignored) is registered.
// nullopt on a store error.
std::optional<bool> cardExists(Store &store, const QString &cardId, QString *error = nullptr);

enum class Save {
    Empty,      // no card number: nothing written
    Duplicate,  // the card is registered already: "此会员卡编号已存在！"
    Saved,
    Failed,     // the store refused; *error holds its message
};

// The duplicate test, then the insert (fromdate = today of the suite's clock). A card
// that slips past the test (another till registered it meanwhile) is still refused by
// the store's unique index and reported as Duplicate.
Save save(Store &store, const NewMember &m, QString *error = nullptr);
// The insert alone.
Save insert(Store &store, const NewMember &m, QString *error = nullptr);

QString duplicateText();  // "此会员卡编号已存在！"

}  // namespace MemberReg
