// What the till sets itself up from: the login check, the shop settings, the automatic
// backup, the badge, checkout.ini, the hotkey codes and the SMS notice record.
#include "fakegateway.h"
#include "hotkeys.h"
#include "ini.h"
#include "scramble.h"
#include "smsnotice.h"
#include "startup.h"
#include "testshop.h"
#include "textfile.h"
#include "tillsettings.h"

#include <QFile>
#include <QImage>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestTillSetup : public QObject {
    Q_OBJECT
private slots:
    void login_data();
    void login();
    void shopSettings();
    void backupDue_data();
    void backupDue();
    void backupCopiesConsistentStore();
    void backupFailure();
    void badge_data();
    void badge();
    void badgePictures();
    void iniDefaults();
    void iniValues();
    void printPort_data();
    void printPort();
    void placement();
    void placementRoundTrip();
    void vkCodes_data();
    void vkCodes();
    void vkRoundTrip();
    void codeText_data();
    void codeText();
    void sendStatus_data();
    void sendStatus();
    void sendRecordNewestFirst();
    void tillSms();
};

void TestTillSetup::login_data()
{
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("cashier");
    QTest::addColumn<QString>("message");
    const QString refuse = QStringLiteral("请从主控台启动该程序！");
    QTest::newRow("no parameters") << QStringList() << int(TillStartup::Login::NoParameters) << QString() << refuse;
    QTest::newRow("right password") << QStringList{QStringLiteral("收银员"), QStringLiteral("806")}
                                    << int(TillStartup::Login::Ok) << QStringLiteral("收银员") << QString();
    QTest::newRow("wrong password") << QStringList{QStringLiteral("收银员"), QStringLiteral("807")}
                                    << int(TillStartup::Login::WrongPassword) << QString() << QString();
    QTest::newRow("missing password") << QStringList{QStringLiteral("收银员")} << int(TillStartup::Login::WrongPassword)
                                      << QString() << QString();
    QTest::newRow("empty password of a user without one") << QStringList{QStringLiteral("夜班")}
                                                          << int(TillStartup::Login::Ok) << QStringLiteral("夜班") << QString();
    QTest::newRow("unknown user") << QStringList{QStringLiteral("nobody"), QStringLiteral("806")}
                                  << int(TillStartup::Login::UnknownUser) << QString() << refuse;
    QTest::newRow("quote in the name") << QStringList{QStringLiteral("x' or '1'='1"), QStringLiteral("806")}
                                       << int(TillStartup::Login::UnknownUser) << QString() << refuse;
}

void TestTillSetup::login()
{
    QFETCH(QStringList, params);
    QFETCH(int, outcome);
    QFETCH(QString, cashier);
    QFETCH(QString, message);
    TestShop shop;
    shop.exec(QStringLiteral("insert into seller (seller, pass, admin) values ('夜班', '', 0)"));
    const TillStartup::LoginResult r = TillStartup::checkLogin(shop.store(), params);
    QCOMPARE(int(r.outcome), outcome);
    QCOMPARE(r.cashierName, cashier);
    QCOMPARE(r.message, message);
}

void TestTillSetup::shopSettings()
{
    TestShop shop;
    QString error;
    ShopSettings s = TillStartup::readShopSettings(shop.store(), &error);
    QVERIFY(error.isEmpty());
    QCOMPARE(s.windowCaption(), QStringLiteral("收银台"));
    QCOMPARE(s.welcomeStr, QStringLiteral("欢迎惠顾"));
    QCOMPARE(s.printTitle, QString());
    QVERIFY(s.zeromsg);
    QVERIFY(!s.needpsw);

    shop.exec(QStringLiteral("update shop_info set shop_name='小店', print_title='', welcome_str='', needpsw=-1, "
                             "viewpsw=:v, discount=85"), {{QStringLiteral("v"), ShowStr(QStringLiteral("123"))}});
    shop.exec(QStringLiteral("update setting set backup_every=2, discount_policy=-1, zeromsg=0, add_rate=0"));
    s = TillStartup::readShopSettings(shop.store(), &error);
    QCOMPARE(s.windowCaption(), QStringLiteral("小店"));
    QCOMPARE(s.printTitle, QStringLiteral("小店"));
    QCOMPARE(s.welcomeStr, QStringLiteral("欢迎惠顾"));
    QVERIFY(s.needpsw);
    QCOMPARE(s.viewpsw, ShowStr(QStringLiteral("123")));
    QCOMPARE(s.shopDiscount, 85);
    QCOMPARE(s.backupEvery, 2);
    QVERIFY(s.discountPolicy);
    QVERIFY(!s.zeromsg);
    QCOMPARE(s.addRate, 1);

    shop.exec(QStringLiteral("update setting set add_rate=10"));
    shop.exec(QStringLiteral("update shop_info set print_title='欢迎光临小店', welcome_str='谢谢'"));
    s = TillStartup::readShopSettings(shop.store(), &error);
    QCOMPARE(s.addRate, 10);
    QCOMPARE(s.printTitle, QStringLiteral("欢迎光临小店"));
    QCOMPARE(s.welcomeStr, QStringLiteral("谢谢"));
}

void TestTillSetup::backupDue_data()
{
    QTest::addColumn<int>("every");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<bool>("due");
    const QDate monday(2026, 3, 16), tuesday(2026, 3, 17), first(2026, 4, 1);
    QTest::newRow("daily") << 0 << tuesday << true;
    QTest::newRow("Mondays on a Monday") << 1 << monday << true;
    QTest::newRow("Mondays on a Tuesday") << 1 << tuesday << false;
    QTest::newRow("monthly on the 1st") << 2 << first << true;
    QTest::newRow("monthly on the 16th") << 2 << monday << false;
    QTest::newRow("never") << 3 << first << false;
    QTest::newRow("negative") << -1 << first << false;
}

void TestTillSetup::backupDue()
{
    QFETCH(int, every);
    QFETCH(QDate, day);
    QFETCH(bool, due);
    QCOMPARE(TillStartup::backupDue(every, day), due);
}

void TestTillSetup::backupCopiesConsistentStore()
{
    TestShop shop;
    shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    const QDate day(2026, 3, 14);
    const QString file = TillStartup::backupFile(shop.path(), day);
    QCOMPARE(file, shop.path() + QStringLiteral("数据库备份/2026-03-14.nBAK"));
    QVERIFY(!QFile::exists(shop.path() + QStringLiteral("数据库备份")));

    QString error;
    QCOMPARE(TillStartup::autoBackup(shop.store(), shop.path(), 0, day, &error), TillStartup::Backup::Done);
    QCOMPARE(TillStartup::backupStatusText(TillStartup::Backup::Done), QStringLiteral("数据库备份成功"));
    {
        auto copy = Store::open(file, &error);
        QVERIFY2(copy, qPrintable(error));
        QCOMPARE(copy->scalar(QStringLiteral("select name from goods")).toString(), QStringLiteral("可乐"));
    }
    // One backup a day: an existing file is left alone.
    shop.addGoods(QStringLiteral("6902"), QStringLiteral("雪碧"), 3);
    QCOMPARE(TillStartup::autoBackup(shop.store(), shop.path(), 0, day, &error), TillStartup::Backup::Exists);
    QCOMPARE(TillStartup::backupStatusText(TillStartup::Backup::Exists), QString());
    auto copy = Store::open(file, &error);
    QCOMPARE(copy->scalar(QStringLiteral("select count(*) from goods")).toInt(), 1);
    QCOMPARE(TillStartup::autoBackup(shop.store(), shop.path(), 1, day, &error), TillStartup::Backup::NotDue);
}

void TestTillSetup::backupFailure()
{
    TestShop shop;
    // A file where the folder should be.
    writeFile(shop.path() + QStringLiteral("数据库备份"), "x");
    QString error;
    QCOMPARE(TillStartup::autoBackup(shop.store(), shop.path(), 0, QDate(2026, 3, 14), &error),
             TillStartup::Backup::Failed);
    QCOMPARE(TillStartup::backupStatusText(TillStartup::Backup::Failed), QStringLiteral("备份出错"));
}

void TestTillSetup::badge_data()
{
    QTest::addColumn<qint64>("sales");
    QTest::addColumn<QString>("badge");
    QTest::addColumn<bool>("tip");
    const QList<std::pair<qint64, const char *>> rows{
        {0, "0"}, {3, "0"}, {4, "1xin"}, {10, "1xin"}, {11, "2xin"}, {40, "2xin"}, {41, "3xin"}, {90, "3xin"},
        {91, "4xin"}, {150, "4xin"}, {151, "5xin"}, {250, "5xin"}, {251, "1zuan"}, {500, "1zuan"}, {501, "2zuan"},
        {1000, "2zuan"}, {1001, "3zuan"}, {2000, "3zuan"}, {2001, "4zuan"}, {5000, "4zuan"}, {5001, "5zuan"},
        {10000, "5zuan"}, {10001, "1guan"}, {20000, "1guan"}, {20001, "2guan"}, {50000, "2guan"}, {50001, "3guan"},
        {100000, "3guan"}, {100001, "4guan"}, {200000, "4guan"}, {200001, "5guan"}, {1000000, "5guan"},
        {1000001, "5guan"}};
    for (const auto &[n, name] : rows)
        QTest::addRow("%lld", n) << n << QString::fromLatin1(name) << (n <= 10);
}

void TestTillSetup::badge()
{
    QFETCH(qint64, sales);
    QFETCH(QString, badge);
    QFETCH(bool, tip);
    QCOMPARE(TillStartup::badgeName(sales), badge);
    QCOMPARE(!TillStartup::badgeTip(sales).isEmpty(), tip);
}

void TestTillSetup::badgePictures()
{
    // Every badge the till can name has its picture beside the programs.
    const QString bin = qEnvironmentVariable("ZAZUVI_BIN");
    QVERIFY(!bin.isEmpty());
    QStringList names;
    for (qint64 n : {0, 4, 11, 41, 91, 151, 251, 501, 1001, 2001, 5001, 10001, 20001, 50001, 100001, 200001, 2000000})
        names << TillStartup::badgeName(n);
    QCOMPARE(names.removeDuplicates(), 1);
    QCOMPARE(names.size(), 16);
    for (const QString &name : names) {
        const QImage img(bin + QStringLiteral("/img/") + name + QStringLiteral(".png"));
        QVERIFY2(!img.isNull(), qPrintable(name));
        QCOMPARE(img.size(), QSize(100, 24));
    }
    QVERIFY(!QImage(bin + QStringLiteral("/bg.bmp")).isNull());
    QVERIFY(QFile::exists(bin + QStringLiteral("/help/first.htm")));
}

void TestTillSetup::iniDefaults()
{
    TillSettings s;
    s.printtype = QStringLiteral("LPT2");
    TillIni::read(s, IniFile());
    QVERIFY2(s.dayin, "a till without an INI file starts with printing off");
    QCOMPARE(s.dazheK, QStringLiteral("109"));
    QCOMPARE(s.jifenK, QStringLiteral("107"));
    QCOMPARE(s.shuliangK, QStringLiteral("106"));
    QCOMPARE(s.dazhe, QStringLiteral("-"));
    QCOMPARE(s.printtype, QStringLiteral("LPT1"));
    QCOMPARE(s.bianju, 3);
    QCOMPARE(s.morethan, 100);
    QVERIFY(!s.guxian && !s.beijing && !s.printC && !s.bigtitle && !s.dx && !s.maximized);
    QVERIFY(!s.rounding.s4r5 && !s.rounding.s4r52 && !s.rounding.moling);
    QVERIFY(!s.width && !s.height && !s.top && !s.left);
}

void TestTillSetup::iniValues()
{
    TestShop shop;
    const QString path = shop.file(QStringLiteral("checkout.ini"));
    writeFile(path, "[CASH]\r\nDAZHEK=120\r\ndazhe=F9\r\njifenK=abc\r\nDayin=0\r\nguxian=2\r\nbeijing=yes\r\n"
                    "com=1\r\nbianju=0\r\ndx=1\r\nmorethan=250\r\nmobile=13800138000\r\nopt1=1\r\nOPT3=1\r\n"
                    "maximized=1\r\nwidth=900\r\nheight=650\r\nTOP1=10\r\nLeft1=20\r\n");
    TillSettings s;
    TillIni::read(s, IniFile::load(path));
    QCOMPARE(s.dazheK, QStringLiteral("120"));
    QCOMPARE(s.dazhe, QStringLiteral("F9"));
    QCOMPARE(s.jifenK, QStringLiteral("abc"));
    QCOMPARE(Hotkeys::codeFromText(s.jifenK), Hotkeys::NoKey);
    QVERIFY(!s.dayin);
    QVERIFY(s.guxian);
    QVERIFY2(!s.beijing, "a value that is not an integer counts as missing");
    QCOMPARE(s.com, 1);
    QCOMPARE(s.bianju, 0);
    QVERIFY(s.dx);
    QCOMPARE(s.morethan, 250);
    QCOMPARE(s.mobile, QStringLiteral("13800138000"));
    QVERIFY(s.rounding.s4r5);
    QVERIFY(!s.rounding.s4r52);
    QVERIFY(s.rounding.moling);
    QVERIFY(s.maximized);
    QCOMPARE(s.width.value_or(0), 900);
    QCOMPARE(s.height.value_or(0), 650);
    QCOMPARE(s.top.value_or(0), 10);
    QCOMPARE(s.left.value_or(0), 20);
}

void TestTillSetup::printPort_data()
{
    QTest::addColumn<QString>("print");
    QTest::addColumn<QString>("printtype");
    QTest::addColumn<bool>("printC");
    QTest::addColumn<bool>("bigtitle");
    QTest::newRow("0") << QStringLiteral("0") << QStringLiteral("LPT1") << false << false;
    QTest::newRow("1") << QStringLiteral("1") << QStringLiteral("LPT2") << false << false;
    QTest::newRow("2") << QStringLiteral("2") << QStringLiteral("LPT3") << false << false;
    QTest::newRow("3 USB keeps the port") << QStringLiteral("3") << QStringLiteral("LPT3") << true << true;
    QTest::newRow("7 changes nothing") << QStringLiteral("7") << QStringLiteral("LPT3") << false << false;
}

void TestTillSetup::printPort()
{
    QFETCH(QString, print);
    QFETCH(QString, printtype);
    QFETCH(bool, printC);
    QFETCH(bool, bigtitle);
    TillSettings s;
    s.printtype = QStringLiteral("LPT3");  // as the previous readIni left it
    IniFile ini;
    ini.setValue(QStringLiteral("cash"), QStringLiteral("print"), print);
    TillIni::read(s, ini);
    QCOMPARE(s.printtype, printtype);
    QCOMPARE(s.printC, printC);
    QCOMPARE(s.bigtitle, bigtitle);
}

void TestTillSetup::placement()
{
    TillSettings s;
    TillIni::Placement p = TillIni::placement(s, QSize(1366, 768));
    QCOMPARE(p.geometry, QRect(136, 77, 1093, 614));  // 80 %, rounded, centred
    QVERIFY(!p.maximized);
    s.width = 1000;
    s.top = -5;
    p = TillIni::placement(s, QSize(1366, 768));
    QCOMPARE(p.geometry, QRect(183, -5, 1000, 614));
}

void TestTillSetup::placementRoundTrip()
{
    TestShop shop;
    const QString path = shop.file(QStringLiteral("checkout.ini"));
    writeFile(path, "; till\r\n[cash]\r\nwidth=1\r\ntop1=2\r\ndazheK=120\r\n");
    QVERIFY(TillIni::writePlacement(path, false, QRect(30, 40, 900, 650)));
    const QByteArray text = readFile(path);
    QVERIFY2(text.contains("width=900") && text.contains("top1=40"), "existing keys keep their spelling");
    QVERIFY(text.contains("Height=650") && text.contains("Left1=30") && text.contains("maximized=0"));
    QVERIFY(text.contains("dazheK=120") && text.startsWith("; till"));
    TillSettings s;
    TillIni::read(s, IniFile::load(path));
    QCOMPARE(TillIni::placement(s, QSize(1366, 768)).geometry, QRect(30, 40, 900, 650));
}

void TestTillSetup::vkCodes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<int>("vk");
    QTest::newRow("keypad minus") << int(Qt::Key_Minus) << true << 109;
    QTest::newRow("keypad plus") << int(Qt::Key_Plus) << true << 107;
    QTest::newRow("keypad star") << int(Qt::Key_Asterisk) << true << 106;
    QTest::newRow("keypad slash") << int(Qt::Key_Slash) << true << 111;
    QTest::newRow("keypad point") << int(Qt::Key_Period) << true << 110;
    QTest::newRow("keypad 0") << int(Qt::Key_0) << true << 96;
    QTest::newRow("keypad 7 without Num Lock") << int(Qt::Key_Home) << true << 36;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << true << 13;
    QTest::newRow("main minus") << int(Qt::Key_Minus) << false << 189;
    QTest::newRow("main plus (shift =)") << int(Qt::Key_Plus) << false << 187;
    QTest::newRow("main star (shift 8)") << int(Qt::Key_Asterisk) << false << 56;
    QTest::newRow("main slash") << int(Qt::Key_Slash) << false << 191;
    QTest::newRow("main 0") << int(Qt::Key_0) << false << 48;
    QTest::newRow("A") << int(Qt::Key_A) << false << 65;
    QTest::newRow("F1") << int(Qt::Key_F1) << false << 112;
    QTest::newRow("F9") << int(Qt::Key_F9) << false << 120;
    QTest::newRow("F12") << int(Qt::Key_F12) << false << 123;
    QTest::newRow("Insert") << int(Qt::Key_Insert) << false << 45;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << false << 46;
    QTest::newRow("Return") << int(Qt::Key_Return) << false << 13;
    QTest::newRow("Space") << int(Qt::Key_Space) << false << 32;
    QTest::newRow("unknown") << int(Qt::Key_Launch0) << false << 0;
}

void TestTillSetup::vkCodes()
{
    QFETCH(int, key);
    QFETCH(bool, keypad);
    QFETCH(int, vk);
    QCOMPARE(Hotkeys::vkFromQtKey(key, keypad ? Qt::KeypadModifier : Qt::NoModifier), vk);
    if (vk >= 112 && vk <= 123) {
        const QString name = Hotkeys::functionKeyName(vk);
        QCOMPARE(name.isEmpty(), vk < 116);  // F5..F12 only
        if (!name.isEmpty())
            QCOMPARE(name, QStringLiteral("F%1").arg(vk - 111));
    }
}

void TestTillSetup::vkRoundTrip()
{
    // Every code the table knows leads to a key that gives the code back.
    int known = 0;
    for (int vk = 1; vk < 256; ++vk) {
        int key = 0;
        bool keypad = false;
        if (!Hotkeys::qtKeyFromVk(vk, &key, &keypad))
            continue;
        ++known;
        QCOMPARE(Hotkeys::vkFromQtKey(key, keypad ? Qt::KeypadModifier : Qt::NoModifier), vk);
    }
    QVERIFY(known > 100);
    QVERIFY(!Hotkeys::qtKeyFromVk(Hotkeys::NoKey, nullptr, nullptr));
}

void TestTillSetup::codeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("number") << QStringLiteral("109") << 109;
    QTest::newRow("blanks") << QStringLiteral(" 107 ") << 107;
    QTest::newRow("letters") << QStringLiteral("abc") << 255;
    QTest::newRow("empty") << QString() << 255;
    QTest::newRow("key name") << QStringLiteral("F9") << 255;
}

void TestTillSetup::codeText()
{
    QFETCH(QString, text);
    QFETCH(int, code);
    QCOMPARE(Hotkeys::codeFromText(text), code);
}

void TestTillSetup::sendStatus_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << QStringLiteral("发送成功");
    QTest::newRow("7061") << 7061 << QStringLiteral("发送返回状态码：7061,部分号码或全部号码群发被拒绝");
    QTest::newRow("7001") << 7001 << QStringLiteral("发送返回状态码：7001,数据校验错误");
    QTest::newRow("-2") << -2 << QStringLiteral("发送返回状态码：-2,号码为空或发送内容为空");
    QTest::newRow("other") << -3 << QStringLiteral("发送返回状态码：-3");
}

void TestTillSetup::sendStatus()
{
    QFETCH(int, result);
    QFETCH(QString, text);
    QCOMPARE(SmsNotice::statusText(result), text);
}

void TestTillSetup::sendRecordNewestFirst()
{
    TestShop shop;
    const QString path = shop.file(QStringLiteral("dxinfo.txt"));
    // An old record written by another program: its bytes stay as they were.
    const QByteArray old = toAnsi(QStringLiteral("旧记录\nsecond line"));
    writeFile(path, old);
    const QDateTime t1(QDate(2026, 3, 14), QTime(9, 5, 7));
    QVERIFY(SmsNotice::prependRecord(path, t1, QStringLiteral("第一条"), QStringLiteral("发送成功"),
                                     QStringLiteral("13800138000")));
    QVERIFY(SmsNotice::prependRecord(path, t1.addSecs(60), QStringLiteral("第二条"), QStringLiteral("发送返回状态码：-3"),
                                     QStringLiteral("13900139000")));
    const QByteArray bytes = readFile(path);
    QVERIFY(bytes.endsWith(old));
    const QString expected = QStringLiteral(
        "发送时间：2026-03-14,09:06:07\r\n发送内容：第二条\r\n发送状态：发送返回状态码：-3\r\n发送成功号码：\r\n13900139000\r\n"
        "------------------------------------\r\n"
        "发送时间：2026-03-14,09:05:07\r\n发送内容：第一条\r\n发送状态：发送成功\r\n发送成功号码：\r\n13800138000\r\n"
        "------------------------------------\r\n");
    QCOMPARE(bytes, toAnsi(expected) + old);
}

void TestTillSetup::tillSms()
{
    TestShop shop;
    auto fake = std::make_unique<FakeGateway>();
    FakeGateway *gw = fake.get();
    {
        TillSms sms(std::move(fake));
        gw->initResult = 1001;
        QVERIFY(!sms.login(QStringLiteral("127.0.0.1:9900"), QStringLiteral("shop"), QStringLiteral("pw")));
        QVERIFY(!sms.online());
        sms.logout();  // not logged in: no logout call
        gw->initResult = 0;
        QVERIFY(sms.login(QStringLiteral("127.0.0.1:9900"), QStringLiteral("shop"), QStringLiteral("pw")));
        gw->sendResult = 7061;
        const QString path = shop.file(QStringLiteral("dxinfo.txt"));
        QCOMPARE(sms.sendMsg(QStringLiteral("13800138000"), QStringLiteral("通知"), path),
                 QStringLiteral("发送返回状态码：7061,部分号码或全部号码群发被拒绝"));
        QCOMPARE(gw->numbers, QStringLiteral("13800138000"));
        QCOMPARE(gw->text, QStringLiteral("通知"));
        QVERIFY(fromAnsi(readFile(path)).contains(QStringLiteral("发送状态：发送返回状态码：7061")));
        sms.logout();
        QVERIFY(!sms.online());
        QCOMPARE(gw->calls, (QStringList{QStringLiteral("init 127.0.0.1:9900 shop pw"),
                                         QStringLiteral("init 127.0.0.1:9900 shop pw"), QStringLiteral("send 101"),
                                         QStringLiteral("logout")}));
    }
}

QTEST_GUILESS_MAIN(TestTillSetup)
#include "tst_tillsetup.moc"
