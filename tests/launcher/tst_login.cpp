// The launcher's login: user list, hints, the three attempts, the login count, which
// program starts with which arguments; the real window driven by keys and clicks.

#include "loginform.h"
#include "msgbox.h"
#include "paths.h"
#include "scramble.h"
#include "testshop.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

struct User {
    QString name;
    QString password;
    int admin;
    int logintimes;
};

void setUsers(TestShop &shop, const QList<User> &users)
{
    shop.exec(QStringLiteral("delete from seller"));
    for (const User &u : users)
        shop.exec(QStringLiteral("insert into seller (seller, pass, admin, logintimes) values (:s, :p, :a, :l)"),
                  {{QStringLiteral("s"), u.name}, {QStringLiteral("p"), ShowStr(u.password)},
                   {QStringLiteral("a"), u.admin}, {QStringLiteral("l"), u.logintimes}});
}

qint64 logins(TestShop &shop, const QString &name)
{
    return shop.scalar(QStringLiteral("select logintimes from seller where seller=:s"), {{QStringLiteral("s"), name}})
        .toLongLong();
}

struct Started {
    QString program;
    QStringList arguments;
};

// A login logic on its own connection whose starter records instead of starting.
std::unique_ptr<LoginLogic> makeLogic(TestShop &shop, QList<Started> *started, bool startWorks = true)
{
    auto logic = std::make_unique<LoginLogic>(shop.openAnother(), shop.path());
    logic->setStarter([started, startWorks](const QString &program, const QStringList &args) {
        started->append({program, args});
        return startWorks;
    });
    return logic;
}

QStringList names(const QList<LoginUser> &users)
{
    QStringList out;
    for (const LoginUser &u : users)
        out << u.name;
    return out;
}

const QString Checkout = QStringLiteral("checkout");
const QString Backoffice = QStringLiteral("backoffice");

} // namespace

class TestLogin : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void userListAndHints_data();
    void userListAndHints();
    void roleTexts();
    void programByRights_data();
    void programByRights();
    void threeWrongPasswords();
    void emptyNameOrStoreDoesNothing();
    void emptyStoredPassword();
    void removedUserIsRefused();
    void startFailureIsReported();
    void missingStore();
    void legacyUpgradeStep();
    void realStartKeepsArgumentsAndEnvironment();

    void formShowsUsersAndHints();
    void formLoginWithKeyboard();
    void formChooseUserFromList();
    void formThirdWrongPasswordCloses();
    void formEmptyStore();
    void formLegacyUpgradeFailure();

private:
    QStringList m_shown;
};

void TestLogin::init()
{
    m_shown.clear();
    Msg::setScript([this](const QString &kind, const QString &text) {
        m_shown << kind + QLatin1Char(':') + text;
        return true;
    });
}

void TestLogin::cleanup()
{
    Msg::clearScript();
}

void TestLogin::userListAndHints_data()
{
    QTest::addColumn<QList<int>>("logintimes");  // of users a, b, c... in insert order
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<bool>("initialHint");
    QTest::addColumn<bool>("loginPrompt");

    QTest::newRow("10, 3, 0") << QList<int>{3, 10, 0} << QStringList{"b", "a", "c"} << true << true;
    QTest::newRow("fewest 1") << QList<int>{1, 7} << QStringList{"b", "a"} << true << true;
    QTest::newRow("fewest 2") << QList<int>{2, 7} << QStringList{"b", "a"} << true << false;
    QTest::newRow("fewest 3") << QList<int>{9, 3} << QStringList{"a", "b"} << true << false;
    QTest::newRow("all 4 or more") << QList<int>{4, 5, 6} << QStringList{"c", "b", "a"} << false << false;
    QTest::newRow("ties keep store order") << QList<int>{5, 5, 5} << QStringList{"a", "b", "c"} << false << false;
}

void TestLogin::userListAndHints()
{
    QFETCH(QList<int>, logintimes);
    QFETCH(QStringList, order);
    QFETCH(bool, initialHint);
    QFETCH(bool, loginPrompt);

    TestShop shop;
    QList<User> users;
    for (int i = 0; i < logintimes.size(); ++i)
        users.append({QString(QLatin1Char(char('a' + i))), QStringLiteral("806"), 0, logintimes[i]});
    setUsers(shop, users);

    QList<Started> started;
    auto logic = makeLogic(shop, &started);
    QString error;
    QVERIFY2(logic->loadUsers(&error), qPrintable(error));
    QCOMPARE(names(logic->users()), order);
    QCOMPARE(logic->showInitialPasswordHint(), initialHint);
    QCOMPARE(logic->showLoginPasswordPrompt(), loginPrompt);
}

void TestLogin::roleTexts()
{
    QCOMPARE(roleText(-1), QStringLiteral("前台收银"));
    QCOMPARE(roleText(0), QStringLiteral("前台收银"));
    QCOMPARE(roleText(1), QStringLiteral("后台管理"));
    QCOMPARE(roleText(2), QStringLiteral("后台管理"));
}

void TestLogin::programByRights_data()
{
    QTest::addColumn<int>("admin");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("program");

    QTest::newRow("till user") << 0 << QStringLiteral("收银员") << QStringLiteral("806") << Checkout;
    QTest::newRow("partial rights") << 1 << QStringLiteral("组长") << QStringLiteral("806") << Backoffice;
    QTest::newRow("full rights") << 2 << QStringLiteral("店长") << QStringLiteral("xY7") << Backoffice;
    QTest::newRow("blanks and quote arrive whole")
        << 0 << QStringLiteral("O'Brien 小王") << QStringLiteral("p w d") << Checkout;
}

void TestLogin::programByRights()
{
    QFETCH(int, admin);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, program);

    TestShop shop;
    setUsers(shop, {{name, password, admin, 5}, {QStringLiteral("其他"), QStringLiteral("806"), 0, 9}});
    QList<Started> started;
    auto logic = makeLogic(shop, &started);

    const LoginLogic::Result r = logic->login(name, password);
    QCOMPARE(r.kind, LoginLogic::Result::Started);
    QCOMPARE(started.size(), 1);
    QCOMPARE(started[0].program, executableDir() + program);
    QCOMPARE(started[0].arguments, QStringList({name, password}));
    QCOMPARE(logins(shop, name), 6);
    QCOMPARE(logins(shop, QStringLiteral("其他")), 9);
    QVERIFY(!logic->storeOpen());  // closed before the program starts
}

void TestLogin::threeWrongPasswords()
{
    TestShop shop;
    setUsers(shop, {{QStringLiteral("店长"), QStringLiteral("806"), 2, 1}});
    QList<Started> started;
    auto logic = makeLogic(shop, &started);

    LoginLogic::Result r = logic->login(QStringLiteral("店长"), QStringLiteral("807"));
    QCOMPARE(r.kind, LoginLogic::Result::Wrong);
    QCOMPARE(r.message, QStringLiteral("密码错误第1次，请重新输入"));
    // Case matters.
    setUsers(shop, {{QStringLiteral("店长"), QStringLiteral("Abc"), 2, 1}});
    r = logic->login(QStringLiteral("店长"), QStringLiteral("abc"));
    QCOMPARE(r.kind, LoginLogic::Result::Wrong);
    QCOMPARE(r.message, QStringLiteral("密码错误第2次，请重新输入"));
    r = logic->login(QStringLiteral("店长"), QString());
    QCOMPARE(r.kind, LoginLogic::Result::Locked);
    QCOMPARE(r.message, QStringLiteral("密码错误第3次，请重新输入"));
    QCOMPARE(logic->attempts(), 3);
    QVERIFY(started.isEmpty());
    QCOMPARE(logins(shop, QStringLiteral("店长")), 1);
}

void TestLogin::emptyNameOrStoreDoesNothing()
{
    TestShop shop;
    shop.exec(QStringLiteral("delete from seller"));
    QList<Started> started;
    auto logic = makeLogic(shop, &started);
    QString error;
    QVERIFY(logic->loadUsers(&error));
    QVERIFY(logic->users().isEmpty());
    QVERIFY(!logic->showInitialPasswordHint());
    QVERIFY(!logic->showLoginPasswordPrompt());
    QCOMPARE(logic->login(QString(), QStringLiteral("806")).kind, LoginLogic::Result::Ignored);
    QCOMPARE(logic->login(QString(), QString()).kind, LoginLogic::Result::Ignored);
    QCOMPARE(logic->attempts(), 0);
    QVERIFY(started.isEmpty());
}

void TestLogin::emptyStoredPassword()
{
    TestShop shop;
    setUsers(shop, {{QStringLiteral("临时工"), QString(), 0, 0}});
    QList<Started> started;
    auto logic = makeLogic(shop, &started);
    QCOMPARE(logic->login(QStringLiteral("临时工"), QStringLiteral("x")).kind, LoginLogic::Result::Wrong);
    QCOMPARE(logic->login(QStringLiteral("临时工"), QString()).kind, LoginLogic::Result::Started);
    QCOMPARE(started.value(0).arguments, QStringList({QStringLiteral("临时工"), QString()}));
    QCOMPARE(logins(shop, QStringLiteral("临时工")), 1);
}

void TestLogin::removedUserIsRefused()
{
    // Chosen from the list, then deleted in the back office before the login.
    TestShop shop;
    setUsers(shop, {{QStringLiteral("甲"), QString(), 0, 0}});
    QList<Started> started;
    auto logic = makeLogic(shop, &started);
    QVERIFY(logic->loadUsers(nullptr));
    shop.exec(QStringLiteral("delete from seller"));
    const LoginLogic::Result r = logic->login(QStringLiteral("甲"), QString());
    QCOMPARE(r.kind, LoginLogic::Result::Wrong);
    QVERIFY(started.isEmpty());
}

void TestLogin::startFailureIsReported()
{
    TestShop shop;
    setUsers(shop, {{QStringLiteral("店长"), QStringLiteral("806"), 2, 0}});
    QList<Started> started;
    auto logic = makeLogic(shop, &started, false);
    const LoginLogic::Result r = logic->login(QStringLiteral("店长"), QStringLiteral("806"));
    QCOMPARE(r.kind, LoginLogic::Result::StartFailed);
    QVERIFY2(r.message.contains(QStringLiteral("backoffice")), qPrintable(r.message));

    // The real starter with a program that is not there.
    QVERIFY(!LoginLogic::startDetached(shop.file(QStringLiteral("no-such-program")), {}));
}

void TestLogin::missingStore()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QString error;
    QVERIFY(!LoginLogic::open(folder, &error));
    QCOMPARE(error, QStringLiteral("数据库文件不存在"));

    QVERIFY(!createLoginWindow(folder));
    QCOMPARE(m_shown, QStringList({QStringLiteral("info:数据库文件不存在")}));
    for (const QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!w->isVisible());
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("dat.db")));  // not created by the attempt
}

void TestLogin::legacyUpgradeStep()
{
    TestShop shop;
    QList<Started> started;
    auto logic = makeLogic(shop, &started);
    int calls = 0;
    QStringList progress;
    const LoginLogic::LegacyUpgrade upgrade = [&](Store &, const QString &dir, const LoginLogic::Progress &p,
                                                  QString *) {
        ++calls;
        p(QStringLiteral("已导入数据：1条"));
        return dir == shop.path();
    };
    const LoginLogic::Progress record = [&](const QString &t) { progress << t; };

    QString error;
    QVERIFY(!logic->hasLegacyStore());
    QVERIFY(logic->upgradeLegacyStore(upgrade, record, &error));
    QCOMPARE(calls, 0);

    QFile mdb(shop.file(QStringLiteral("dat.mdb")));
    QVERIFY(mdb.open(QIODevice::WriteOnly));
    mdb.close();
    QVERIFY(logic->hasLegacyStore());
    QVERIFY(logic->upgradeLegacyStore(upgrade, record, &error));
    QCOMPARE(calls, 1);
    QCOMPARE(progress, QStringList({QStringLiteral("已导入数据：1条")}));
}

void TestLogin::realStartKeepsArgumentsAndEnvironment()
{
    TestShop shop;  // sets ZAZUVI_HOME
    const QString out = shop.file(QStringLiteral("args.txt"));
    const QString script = shop.file(QStringLiteral("fake-checkout"));
    {
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" \"$2\" \"$ZAZUVI_HOME\" > \"$0.tmp\" && mv \"$0.tmp\" '"
                + out.toUtf8() + "'\n");
        f.setPermissions(f.permissions() | QFile::ExeOwner);
    }
    QVERIFY(LoginLogic::startDetached(script, {QStringLiteral("王 小明"), QStringLiteral("p w d")}));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(out), 10000);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.mid(0, 4), QStringList({QStringLiteral("2"), QStringLiteral("王 小明"), QStringLiteral("p w d"),
                                           qEnvironmentVariable("ZAZUVI_HOME")}));
}

void TestLogin::formShowsUsersAndHints()
{
    TestShop shop;
    setUsers(shop, {{QStringLiteral("乙"), QStringLiteral("806"), 0, 3},
                    {QStringLiteral("甲"), QStringLiteral("806"), 2, 10},
                    {QStringLiteral("丙"), QStringLiteral("806"), 1, 0}});
    QList<Started> started;
    TloginForm form(makeLogic(shop, &started));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(form.windowTitle(), QStringLiteral("Zazuvi登录"));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(form.size(), QSize(401, 268));
    QCOMPARE(form.ListView1->topLevelItemCount(), 3);
    QStringList rows;
    for (int i = 0; i < 3; ++i)
        rows << form.ListView1->topLevelItem(i)->text(0) + QLatin1Char('/') + form.ListView1->topLevelItem(i)->text(1);
    QCOMPARE(rows, QStringList({QStringLiteral("甲/后台管理"), QStringLiteral("乙/前台收银"), QStringLiteral("丙/后台管理")}));
    QVERIFY(!form.ListView1->isVisible());
    QCOMPARE(form.ListView1->height(), 3 * TloginForm::RowHeight);
    QCOMPARE(form.nameedit->text(), QStringLiteral("甲"));
    QCOMPARE(form.Edit1->text(), QStringLiteral("后台管理"));
    QVERIFY(form.nameedit->isReadOnly());
    QVERIFY(!form.Edit1->isEnabled());
    QCOMPARE(form.Label1->text(), QStringLiteral("初始密码: 806"));
    QCOMPARE(form.pswEdit->placeholderText(), QStringLiteral("登录密码：806"));
    QCOMPARE(form.pswEdit->maxLength(), 20);
    QCOMPARE(form.pswEdit->echoMode(), QLineEdit::Password);
    QVERIFY(m_shown.isEmpty());
}

void TestLogin::formLoginWithKeyboard()
{
    TestShop shop;
    setUsers(shop, {{QStringLiteral("收银员"), QStringLiteral("a 1"), 0, 8}, {QStringLiteral("店长"), QStringLiteral("806"), 2, 9}});
    QList<Started> started;
    TloginForm form(makeLogic(shop, &started));
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), form.nameedit);
    QCOMPARE(form.Label1->text(), QString());
    QCOMPARE(form.pswEdit->placeholderText(), QStringLiteral("密码：806"));

    // Down opens the list, Down moves to the second user, Enter takes it.
    QTest::keyClick(form.nameedit, Qt::Key_Down);
    QVERIFY(form.ListView1->isVisible());
    QCOMPARE(QApplication::focusWidget(), form.ListView1);
    QTest::keyClick(form.ListView1, Qt::Key_Down);
    QTest::keyClick(form.ListView1, Qt::Key_Return);
    QVERIFY(!form.ListView1->isVisible());
    QCOMPARE(form.nameedit->text(), QStringLiteral("收银员"));
    QCOMPARE(form.Edit1->text(), QStringLiteral("前台收银"));
    QCOMPARE(QApplication::focusWidget(), form.pswEdit);

    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("a 1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(started.size(), 1);
    QCOMPARE(started[0].program, executableDir() + Checkout);
    QCOMPARE(started[0].arguments, QStringList({QStringLiteral("收银员"), QStringLiteral("a 1")}));
    QVERIFY(!form.isVisible());
    QCOMPARE(logins(shop, QStringLiteral("收银员")), 9);
}

void TestLogin::formChooseUserFromList()
{
    TestShop shop;
    setUsers(shop, {{QStringLiteral("店长"), QStringLiteral("806"), 2, 9}, {QStringLiteral("收银员"), QStringLiteral("806"), 0, 1}});
    QList<Started> started;
    TloginForm form(makeLogic(shop, &started));
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    QTest::mouseClick(form.ImgBtn3, Qt::LeftButton);
    QVERIFY(form.ListView1->isVisible());
    QTest::mouseClick(form.ImgBtn3, Qt::LeftButton);
    QVERIFY(!form.ListView1->isVisible());
    QTest::mouseClick(form.ImgBtn3, Qt::LeftButton);
    QTreeWidgetItem *second = form.ListView1->topLevelItem(1);
    QTest::mouseClick(form.ListView1->viewport(), Qt::LeftButton, {}, form.ListView1->visualItemRect(second).center());
    QVERIFY(!form.ListView1->isVisible());
    QCOMPARE(form.nameedit->text(), QStringLiteral("收银员"));
    QCOMPARE(QApplication::focusWidget(), form.pswEdit);

    QTest::keyClicks(form.pswEdit, QStringLiteral("806"));
    QTest::mouseClick(form.loginBtn, Qt::LeftButton);
    QCOMPARE(started.size(), 1);
    QCOMPARE(started[0].arguments.value(0), QStringLiteral("收银员"));
    QVERIFY(!form.isVisible());
}

void TestLogin::formThirdWrongPasswordCloses()
{
    TestShop shop;
    setUsers(shop, {{QStringLiteral("店长"), QStringLiteral("806"), 2, 0}});
    QList<Started> started;
    TloginForm form(makeLogic(shop, &started));
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(form.nameedit, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), form.pswEdit);

    for (int attempt = 1; attempt <= 2; ++attempt) {
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("123"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(form.Label1->text(), QStringLiteral("密码错误第%1次，请重新输入").arg(attempt));
        QVERIFY(form.isVisible());
        QCOMPARE(form.pswEdit->text(), QString());
        QCOMPARE(QApplication::focusWidget(), form.pswEdit);
    }
    QTest::keyClicks(form.pswEdit, QStringLiteral("80"));
    QTest::keyClick(form.pswEdit, Qt::Key_Return);
    QVERIFY(!form.isVisible());
    QVERIFY(started.isEmpty());
    QCOMPARE(logins(shop, QStringLiteral("店长")), 0);
}

void TestLogin::formEmptyStore()
{
    TestShop shop;
    shop.exec(QStringLiteral("delete from seller"));
    auto form = createLoginWindow(shop.path());
    QVERIFY(form);
    QList<Started> started;
    form->logic().setStarter([&](const QString &p, const QStringList &a) {
        started.append({p, a});
        return true;
    });
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(form->ListView1->topLevelItemCount(), 0);
    QCOMPARE(form->nameedit->text(), QString());
    QCOMPARE(form->Label1->text(), QString());
    QTest::mouseClick(form->ImgBtn3, Qt::LeftButton);
    QVERIFY(!form->ListView1->isVisible());
    QTest::keyClicks(form->pswEdit, QStringLiteral("806"));
    QTest::keyClick(form->pswEdit, Qt::Key_Return);
    QTest::mouseClick(form->loginBtn, Qt::LeftButton);
    QVERIFY(form->isVisible());
    QVERIFY(started.isEmpty());
    QCOMPARE(form->logic().attempts(), 0);
    QVERIFY(m_shown.isEmpty());
}

void TestLogin::formLegacyUpgradeFailure()
{
    TestShop shop;
    QFile mdb(shop.file(QStringLiteral("dat.mdb")));
    QVERIFY(mdb.open(QIODevice::WriteOnly));
    mdb.close();
    const LoginLogic::LegacyUpgrade failing = [](Store &, const QString &, const LoginLogic::Progress &p, QString *error) {
        p(QStringLiteral("已导入数据：3条"));
        *error = QStringLiteral("无法读取 dat.mdb");
        return false;
    };
    auto form = createLoginWindow(shop.path(), failing);
    QVERIFY(form);
    QCOMPARE(m_shown, QStringList({QStringLiteral("error:无法读取 dat.mdb")}));
    QCOMPARE(form->ListView1->topLevelItemCount(), 0);  // no users this run
    QCOMPARE(form->Label1->text(), QStringLiteral("已导入数据：3条"));
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
