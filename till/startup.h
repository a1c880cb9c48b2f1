#pragma once
// The till's start-up steps that need no window: the login check of the command line,
// the shop settings read once from the store, the automatic backup, the shop level
// badge and the SMS account.

#include <QDate>
#include <QString>
#include <QStringList>

class Store;

// shop_info and setting as the till reads them once at start-up.
struct ShopSettings {
    QString shopname;                 // shop_info.shop_name
    bool needpsw = false;             // the daily summary asks for the view password
    QString viewpsw;                  // scrambled view password
    QString printTitle;               // receipt title; the shop name when empty
    QString welcomeStr;               // "欢迎惠顾" when empty
    int shopDiscount = 0;             // lowest discount a cashier may give
    int backupEvery = 0;              // 0 every start, 1 Mondays, 2 first of the month
    bool discountPolicy = false;      // member rates follow the points policy
    bool zeromsg = false;             // warn when stock is at or below zero
    int addRate = 1;                  // money per point, at least 1

    QString windowCaption() const;    // the shop name, "收银台" when empty
};

namespace TillStartup {

enum class Login {
    Ok,            // the password matches
    NoParameters,  // started without a user name: "请从主控台启动该程序！"
    WrongPassword, // a known user with another password: ends without a message
    UnknownUser,   // a name seller does not hold: ends like a start without parameters
    StoreError,    // the check could not run: the store's message
};

struct LoginResult {
    Login outcome = Login::NoParameters;
    QString cashierName;
    QString message;  // what to show before ending; empty for none
};

// params: the command-line parameters without the program name (user, password).
LoginResult checkLogin(Store &store, const QStringList &params);

// Reads shop_info and setting. On a store error returns the defaults and sets *error.
ShopSettings readShopSettings(Store &store, QString *error = nullptr);

// The automatic backup into "数据库备份": due by backup_every, one file per day.
enum class Backup { NotDue, Exists, Done, Failed };
bool backupDue(int backupEvery, const QDate &today);
QString backupFile(const QString &programDir, const QDate &today);
Backup autoBackup(Store &store, const QString &programDir, int backupEvery, const QDate &today,
                  QString *error = nullptr);
// statusPanel1 text of an outcome; empty when there is nothing to tell.
QString backupStatusText(Backup outcome);

// Number of sales with a positive total, and the badge name it earns.
qint64 salesCount(Store &store);
QString badgeName(qint64 sales);
// statusPanel3 tip for beginners; empty from 11 sales on.
QString badgeTip(qint64 sales);

// The SMS account of the dx table (first row); empty user when none.
struct SmsAccount {
    QString user;
    QString pass;
};
SmsAccount readSmsAccount(Store &store);

}
