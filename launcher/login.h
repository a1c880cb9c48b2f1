#pragma once
// The login of the launcher without its window: the user list, the hints, the password
// check with its three attempts, the login count and the start of the till or the back
// office. The window (TloginForm) only shows what this class decides.

#include "store.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

struct LoginUser {
    QString name;
    int admin = 0;
    qint64 logintimes = 0;
};

// "前台收银" for till users (admin 0 or less), "后台管理" for back-office users.
QString roleText(int admin);

class LoginLogic {
public:
    // Starts a program with its arguments, each arriving whole; true when it started.
    using Starter = std::function<bool(const QString &program, const QStringList &arguments)>;
    // Copies a legacy dat.mdb into the open store; false with the error text on failure.
    using Progress = std::function<void(const QString &text)>;
    using LegacyUpgrade = std::function<bool(Store &store, const QString &programDir, const Progress &progress,
                                             QString *error)>;

    static constexpr int MaxAttempts = 3;

    // Opens dat.db of the program folder (trailing '/'). Missing file: nullptr and
    // "数据库文件不存在"; a store that cannot be opened: nullptr and the store's message.
    static std::unique_ptr<LoginLogic> open(const QString &programDir, QString *error);
    static QString missingStoreText() { return QStringLiteral("数据库文件不存在"); }

    LoginLogic(std::unique_ptr<Store> store, const QString &programDir);

    // The real starter is startDetached; tests capture program and arguments instead.
    void setStarter(Starter starter);
    // Starts detached with the launcher's environment, so ZAZUVI_HOME reaches the program.
    static bool startDetached(const QString &program, const QStringList &arguments);
    // The sibling executable for a user: the back office for admin > 0, else the till.
    static QString programFor(bool admin);

    // Start-up step before the user list: with dat.mdb in the program folder, runs the
    // legacy upgrade. Nothing happens without dat.mdb or while no upgrade is given.
    bool hasLegacyStore() const;
    bool upgradeLegacyStore(const LegacyUpgrade &upgrade, const Progress &progress, QString *error);

    // Users, most logins first. False with the store's message on error.
    bool loadUsers(QString *error);
    const QList<LoginUser> &users() const { return m_users; }
    // The user with the fewest logins is still new: Label1 shows "初始密码: 806" (< 4
    // logins) and the password field's prompt becomes "登录密码：806" (< 2 logins).
    bool showInitialPasswordHint() const;
    bool showLoginPasswordPrompt() const;

    struct Result {
        enum Kind {
            Ignored,      // no user chosen: nothing happens
            Wrong,        // wrong password, try again
            Locked,       // third wrong password: the launcher ends
            Started,      // program started, the launcher ends
            StartFailed,  // counted and the store closed, but the program would not start
            StoreError    // the store failed; nothing changed
        };
        Kind kind = Ignored;
        QString message;   // for Label1 (Wrong, Locked) or a message box (StartFailed, StoreError)
        QString program;   // Started / StartFailed
    };
    Result login(const QString &name, const QString &password);
    int attempts() const { return m_attempts; }
    bool storeOpen() const { return m_store != nullptr; }

private:
    std::unique_ptr<Store> m_store;
    QString m_dir;
    Starter m_starter;
    QList<LoginUser> m_users;
    int m_attempts = 0;
};
