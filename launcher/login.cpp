#include "login.h"

#include "paths.h"
#include "scramble.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

QString roleText(int admin)
{
    return admin > 0 ? QStringLiteral("后台管理") : QStringLiteral("前台收银");
}

std::unique_ptr<LoginLogic> LoginLogic::open(const QString &programDir, QString *error)
{
    const QString file = programDir + Store::defaultFileName();
    if (!QFileInfo::exists(file)) {
        if (error)
            *error = missingStoreText();
        return nullptr;
    }
    auto store = Store::open(file, error);
    if (!store)
        return nullptr;
    return std::make_unique<LoginLogic>(std::move(store), programDir);
}

LoginLogic::LoginLogic(std::unique_ptr<Store> store, const QString &programDir)
    : m_store(std::move(store)), m_dir(programDir), m_starter(&LoginLogic::startDetached)
{
}

void LoginLogic::setStarter(Starter starter)
{
    m_starter = starter ? std::move(starter) : Starter(&LoginLogic::startDetached);
}

bool LoginLogic::startDetached(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    return process.startDetached();
}

QString LoginLogic::programFor(bool admin)
{
    return executableDir() + (admin ? QStringLiteral("backoffice") : QStringLiteral("checkout"));
}

bool LoginLogic::hasLegacyStore() const
{
    return QFileInfo::exists(m_dir + QStringLiteral("dat.mdb"));
}

bool LoginLogic::upgradeLegacyStore(const LegacyUpgrade &upgrade, const Progress &progress, QString *error)
{
    if (!m_store || !hasLegacyStore() || !upgrade)
        return true;
    return upgrade(*m_store, m_dir, progress, error);
}

bool LoginLogic::loadUsers(QString *error)
{
    m_users.clear();
    if (!m_store)
        return false;
    // rowid keeps users with equal counts in a stable order.
    Query q(*m_store, QStringLiteral("select seller, admin, logintimes from seller order by logintimes desc, rowid"));
    if (!q.exec()) {
        if (error)
            *error = q.lastError();
        return false;
    }
    while (q.next())
        m_users.append({q.value(0).toString(), q.value(1).toInt(), q.value(2).toLongLong()});
    return true;
}

bool LoginLogic::showInitialPasswordHint() const
{
    return !m_users.isEmpty() && m_users.last().logintimes < 4;
}

bool LoginLogic::showLoginPasswordPrompt() const
{
    return !m_users.isEmpty() && m_users.last().logintimes < 2;
}

LoginLogic::Result LoginLogic::login(const QString &name, const QString &password)
{
    Result r;
    if (name.isEmpty() || !m_store)
        return r;

    Query user(*m_store, QStringLiteral("select pass, admin from seller where seller=:name"));
    user.bind(QStringLiteral("name"), name);
    if (!user.exec()) {
        r.kind = Result::StoreError;
        r.message = user.lastError();
        return r;
    }
    // A name that is no longer in the store is refused like a wrong password: the till
    // would otherwise run for a user it cannot find.
    const bool found = user.next();
    const QString stored = found ? user.value(0).toString() : QString();
    const bool admin = found && user.value(1).toInt() > 0;

    ++m_attempts;
    if (!found || ShowStr(password) != stored) {
        r.kind = m_attempts >= MaxAttempts ? Result::Locked : Result::Wrong;
        r.message = QStringLiteral("密码错误第%1次，请重新输入").arg(m_attempts);
        return r;
    }

    if (!m_store->exec(QStringLiteral("update seller set logintimes=ifnull(logintimes,0)+1 where seller=:name"),
                       {{QStringLiteral("name"), name}})) {
        --m_attempts;  // not a wrong password
        r.kind = Result::StoreError;
        r.message = m_store->lastError();
        return r;
    }
    // The started program opens the store itself.
    m_store.reset();

    r.program = programFor(admin);
    if (m_starter(r.program, {name, password})) {
        r.kind = Result::Started;
    } else {
        r.kind = Result::StartFailed;
        r.message = QStringLiteral("无法启动程序：") + QDir::toNativeSeparators(r.program);
    }
    return r;
}
