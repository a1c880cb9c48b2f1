#include "startup.h"

#include "scramble.h"
#include "store.h"

#include <QDir>
#include <QFile>

QString ShopSettings::windowCaption() const
{
    return shopname.isEmpty() ? QStringLiteral("收银台") : shopname;
}

namespace TillStartup {

LoginResult checkLogin(Store &store, const QStringList &params)
{
    LoginResult r;
    if (params.isEmpty()) {
        r.outcome = Login::NoParameters;
        r.message = QStringLiteral("请从主控台启动该程序！");
        return r;
    }
    const QString user = params.at(0);
    const QString password = params.size() > 1 ? params.at(1) : QString();
    bool ok = false;
    const Rows rows = store.select(QStringLiteral("select pass,admin from seller where seller=:user"),
                                   {{QStringLiteral("user"), user}}, &ok);
    if (!ok) {
        r.outcome = Login::StoreError;
        r.message = store.lastError();
        return r;
    }
    if (rows.isEmpty()) {
        // Without a known user every sale would be recorded under nobody's name.
        r.outcome = Login::UnknownUser;
        r.message = QStringLiteral("请从主控台启动该程序！");
        return r;
    }
    if (ShowStr(password) != rows.value(0, QStringLiteral("pass")).toString()) {
        r.outcome = Login::WrongPassword;
        return r;
    }
    r.outcome = Login::Ok;
    r.cashierName = user;
    return r;
}

ShopSettings readShopSettings(Store &store, QString *error)
{
    ShopSettings s;
    bool ok = false;
    const Rows shop = store.select(QStringLiteral("select * from shop_info limit 1"), {}, &ok);
    if (!ok) {
        if (error)
            *error = store.lastError();
        return s;
    }
    const Rows setting = store.select(QStringLiteral("select * from setting limit 1"), {}, &ok);
    if (!ok) {
        if (error)
            *error = store.lastError();
        return s;
    }
    if (!shop.isEmpty()) {
        s.shopname = shop.value(0, QStringLiteral("shop_name")).toString();
        s.needpsw = shop.value(0, QStringLiteral("needpsw")).toInt() == -1;
        s.viewpsw = shop.value(0, QStringLiteral("viewpsw")).toString();
        s.printTitle = shop.value(0, QStringLiteral("print_title")).toString();
        s.welcomeStr = shop.value(0, QStringLiteral("welcome_str")).toString();
        s.shopDiscount = shop.value(0, QStringLiteral("discount")).toInt();
    }
    if (s.printTitle.isEmpty())
        s.printTitle = s.shopname;
    if (s.welcomeStr.isEmpty())
        s.welcomeStr = QStringLiteral("欢迎惠顾");
    if (!setting.isEmpty()) {
        s.backupEvery = setting.value(0, QStringLiteral("backup_every")).toInt();
        s.discountPolicy = setting.value(0, QStringLiteral("discount_policy")).toInt() == -1;
        s.zeromsg = setting.value(0, QStringLiteral("zeromsg")).toInt() == -1;
        s.addRate = setting.value(0, QStringLiteral("add_rate")).toInt();
    }
    // Points divide by add_rate: 0 (or a negative slip) counts as 1.
    if (s.addRate < 1)
        s.addRate = 1;
    return s;
}

bool backupDue(int backupEvery, const QDate &today)
{
    switch (backupEvery) {
    case 0: return true;
    case 1: return today.dayOfWeek() == Qt::Monday;
    case 2: return today.day() == 1;
    default: return false;
    }
}

QString backupFile(const QString &programDir, const QDate &today)
{
    return programDir + QStringLiteral("数据库备份/") + today.toString(QStringLiteral("yyyy-MM-dd"))
           + QStringLiteral(".nBAK");
}

Backup autoBackup(Store &store, const QString &programDir, int backupEvery, const QDate &today, QString *error)
{
    if (!backupDue(backupEvery, today))
        return Backup::NotDue;
    const QString file = backupFile(programDir, today);
    if (QFile::exists(file))
        return Backup::Exists;
    if (!QDir().mkpath(programDir + QStringLiteral("数据库备份"))) {
        if (error)
            *error = QStringLiteral("cannot create the backup folder");
        return Backup::Failed;
    }
    return store.backupTo(file, error) ? Backup::Done : Backup::Failed;
}

QString backupStatusText(Backup outcome)
{
    switch (outcome) {
    case Backup::Done: return QStringLiteral("数据库备份成功");
    case Backup::Failed: return QStringLiteral("备份出错");
    default: return {};
    }
}

qint64 salesCount(Store &store)
{
    // Kept by the store's triggers; counting the order history itself would take most
    // of the till's start-up in a shop with years of sales.
    bool ok = false;
    const QVariant kept = store.scalar(QStringLiteral("select sales_count from order_stats limit 1"), {}, &ok);
    if (ok && kept.isValid())
        return kept.toLongLong();
    return store.scalar(QStringLiteral("select count(*)as order_sum from orderlist where total_money>0")).toLongLong();
}

QString badgeName(qint64 n)
{
    struct Step {
        qint64 upTo;
        const char *name;
    };
    static constexpr Step steps[] = {
        {3, "0"},          {10, "1xin"},      {40, "2xin"},       {90, "3xin"},       {150, "4xin"},
        {250, "5xin"},     {500, "1zuan"},    {1000, "2zuan"},    {2000, "3zuan"},    {5000, "4zuan"},
        {10000, "5zuan"},  {20000, "1guan"},  {50000, "2guan"},   {100000, "3guan"},  {200000, "4guan"},
    };
    for (const Step &s : steps)
        if (n <= s.upTo)
            return QString::fromLatin1(s.name);
    // The top badge stays for every shop beyond 200000 sales.
    return QStringLiteral("5guan");
}

QString badgeTip(qint64 n)
{
    if (n <= 3)
        return QStringLiteral("已有扫描枪用户，直接扫码即可收银，无扫描枪用户可用键盘输入条码，按回车键结束");
    if (n <= 10)
        return QStringLiteral("用键盘操作更快速方便");
    return {};
}

SmsAccount readSmsAccount(Store &store)
{
    SmsAccount a;
    const Rows rows = store.select(QStringLiteral("select * from dx limit 1"));
    if (!rows.isEmpty()) {
        a.user = rows.value(0, QStringLiteral("user")).toString();
        a.pass = rows.value(0, QStringLiteral("pass")).toString();
    }
    return a;
}

}
