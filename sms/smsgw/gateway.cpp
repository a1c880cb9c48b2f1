#include "gateway.h"

#include "smsproto.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTcpSocket>

#include <limits>

using namespace Sms;

namespace {

QString code(int c)
{
    return QString::number(c);
}

QStringList reply(int c, const QString &explanation = {})
{
    return explanation.isEmpty() ? QStringList{code(c)} : QStringList{code(c), explanation};
}

QString readUtf8File(const QString &path, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = path + QLatin1String(": ") + f.errorString();
        return {};
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(f.readAll());
    if (utf8.hasError()) {
        *error = path + QLatin1String(": not UTF-8 text");
        return {};
    }
    error->clear();
    return text;
}

QString accountLine(const QString &name, const QString &password, qint64 balance)
{
    QByteArray line = encodeLine({name, password, QString::number(balance)});
    line.chop(1);
    return QString::fromUtf8(line);
}

} // namespace

bool Gateway::load(const QString &accountsPath, const QString &spoolPath,
                   const QString &bannedPath, QString *error)
{
    m_accountsPath = accountsPath;
    m_spoolPath = spoolPath;
    const QString text = readUtf8File(accountsPath, error);
    if (!error->isEmpty())
        return false;
    m_lines = text.split(u'\n');
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
    m_accounts.clear();
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].endsWith(u'\r'))
            m_lines[i].chop(1);
        const QString &line = m_lines.at(i);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const QString where = accountsPath + u':' + QString::number(i + 1) + QLatin1String(": ");
        QStringList fields;
        if (!decodeLine(line.toUtf8(), &fields) || fields.size() != 3) {
            *error = where + QLatin1String("expected account<TAB>password<TAB>balance");
            return false;
        }
        bool ok = false;
        const qint64 balance = fields.at(2).trimmed().toLongLong(&ok);
        if (!ok || balance < 0 || balance > std::numeric_limits<qint32>::max()) {
            *error = where + QLatin1String("balance must be a whole number from 0 to 2147483647");
            return false;
        }
        if (fields.at(0).isEmpty() || find(fields.at(0))) {
            *error = where + QLatin1String("empty or repeated account name");
            return false;
        }
        m_accounts += Account{fields.at(0), fields.at(1), balance, i};
    }

    QFile spool(spoolPath);  // found out now rather than at the first send
    if (!spool.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = spoolPath + QLatin1String(": ") + spool.errorString();
        return false;
    }

    m_banned.clear();
    if (!bannedPath.isEmpty()) {
        const QString words = readUtf8File(bannedPath, error);
        if (!error->isEmpty())
            return false;
        for (const QString &raw : words.split(u'\n')) {
            const QString w = raw.trimmed();
            if (!w.isEmpty() && !w.startsWith(u'#'))
                m_banned += w;
        }
    }
    return true;
}

Gateway::Account *Gateway::find(const QString &name)
{
    for (Account &a : m_accounts)
        if (a.name == name)
            return &a;
    return nullptr;
}

QStringList Gateway::handle(const QStringList &request, QString &session, bool *close)
{
    *close = false;
    const QString command = request.value(0);
    const qsizetype args = request.size() - 1;
    static const QHash<QString, qsizetype> arity = {
        {QStringLiteral("LOGIN"), 2}, {QStringLiteral("LOGOUT"), 0}, {QStringLiteral("BALANCE"), 0},
        {QStringLiteral("CHECK"), 1}, {QStringLiteral("SEND"), 2},   {QStringLiteral("PASSWD"), 1},
    };
    const auto known = arity.constFind(command);
    if (known == arity.cend() || known.value() != args)
        return reply(BadRequest, QStringLiteral("无法识别的请求"));

    if (command == QLatin1String("LOGIN"))
        return login(request, session);
    if (command == QLatin1String("LOGOUT")) {
        session.clear();
        *close = true;
        return reply(Ok);
    }
    Account *account = session.isEmpty() ? nullptr : find(session);
    if (!account)
        return reply(NotLoggedIn, QStringLiteral("未登录"));
    if (command == QLatin1String("BALANCE"))
        return {code(Ok), QString::number(account->balance)};
    if (command == QLatin1String("CHECK")) {
        QString explanation;
        const int c = checkText(request.at(1), &explanation);
        return reply(c, explanation);
    }
    if (command == QLatin1String("SEND"))
        return send(*account, request.at(1), request.at(2));
    return changePassword(*account, request.at(1));
}

QStringList Gateway::login(const QStringList &request, QString &session)
{
    const Account *a = find(request.at(1));
    if (!a || a->password != request.at(2)) {
        session.clear();
        return reply(BadLogin, QStringLiteral("账号或密码错误"));
    }
    session = a->name;
    return reply(Ok);
}

int Gateway::checkText(const QString &text, QString *explanation) const
{
    explanation->clear();
    if (text.trimmed().isEmpty()) {
        *explanation = QStringLiteral("短信内容为空");
        return EmptyText;
    }
    const qsizetype length = text.toUcs4().size();
    if (length > MaxTextLength) {
        *explanation = QStringLiteral("短信内容过长：%1字，最多%2字").arg(length).arg(MaxTextLength);
        return TextTooLong;
    }
    for (const QString &w : m_banned) {
        if (text.contains(w, Qt::CaseInsensitive)) {
            *explanation = QStringLiteral("短信内容含有禁用词：") + w;
            return BannedWord;
        }
    }
    return Ok;
}

// Reply: code, accepted numbers, refused numbers (each joined by LF), explanation.
QStringList Gateway::send(Account &account, const QString &numbers, const QString &text)
{
    const QStringList all = splitNumbers(numbers);
    const QString everyone = all.join(u'\n');
    if (all.isEmpty() || text.trimmed().isEmpty())
        return {code(EmptyInput), QString(), QString(), QStringLiteral("号码为空或发送内容为空")};
    QString explanation;
    if (checkText(text, &explanation) != Ok)
        return {code(DataCheckFailed), QString(), everyone, explanation};

    QStringList accepted, refused;
    for (const QString &n : all)
        (isMobileNumber(n) ? accepted : refused) += n;
    if (accepted.isEmpty())
        return {code(SomeRefused), QString(), everyone, QStringLiteral("所有号码都不是手机号")};
    const qint64 cost = qint64(accepted.size()) * TenthsPerMessage;
    if (cost > account.balance) {
        return {code(NoBalance), QString(), everyone,
                QStringLiteral("余额不足：需要%1条，剩余%2条")
                    .arg(accepted.size()).arg(account.balance / TenthsPerMessage)};
    }

    // Charged and saved first, then spooled; a failed spool gives the money back.
    const qint64 before = account.balance;
    account.balance -= cost;
    QString error;
    if (!saveAccounts(&error)) {
        account.balance = before;
        qWarning("smsgw: %s", qPrintable(error));
        return {code(StorageError), QString(), everyone, QStringLiteral("网关账户文件写入失败")};
    }
    if (!appendSpool(account, accepted, text, &error)) {
        qWarning("smsgw: %s", qPrintable(error));
        account.balance = before;
        QString again;
        if (!saveAccounts(&again))
            qWarning("smsgw: %s", qPrintable(again));
        return {code(StorageError), QString(), everyone, QStringLiteral("网关发送队列写入失败")};
    }
    if (refused.isEmpty())
        return {code(Ok), accepted.join(u'\n'), QString(), QString()};
    return {code(SomeRefused), accepted.join(u'\n'), refused.join(u'\n'),
            QStringLiteral("%1个号码不是手机号").arg(refused.size())};
}

QStringList Gateway::changePassword(Account &account, const QString &password)
{
    if (password.isEmpty() || password.toUcs4().size() > MaxPasswordLength)
        return reply(BadNewPassword, QStringLiteral("新密码不能为空，最多%1个字符").arg(MaxPasswordLength));
    const QString before = account.password;
    account.password = password;
    QString error;
    if (!saveAccounts(&error)) {
        account.password = before;
        qWarning("smsgw: %s", qPrintable(error));
        return reply(StorageError, QStringLiteral("网关账户文件写入失败"));
    }
    return reply(Ok);
}

bool Gateway::saveAccounts(QString *error)
{
    QStringList lines = m_lines;
    for (const Account &a : std::as_const(m_accounts))
        lines[a.line] = accountLine(a.name, a.password, a.balance);
    QSaveFile f(m_accountsPath);
    if (!f.open(QIODevice::WriteOnly)) {
        *error = m_accountsPath + QLatin1String(": ") + f.errorString();
        return false;
    }
    f.write((lines.join(u'\n') + u'\n').toUtf8());
    if (!f.commit()) {
        *error = m_accountsPath + QLatin1String(": ") + f.errorString();
        return false;
    }
    m_lines = lines;
    return true;
}

bool Gateway::appendSpool(const Account &account, const QStringList &numbers, const QString &text,
                          QString *error)
{
    const QString time = QDateTime::currentDateTime().toString(Qt::ISODate);
    QByteArray bytes;
    for (const QString &n : numbers)
        bytes += encodeLine({time, account.name, n, text});
    QFile f(m_spoolPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = m_spoolPath + QLatin1String(": ") + f.errorString();
        return false;
    }
    const qint64 start = f.size();
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        *error = m_spoolPath + QLatin1String(": ") + f.errorString();
        f.resize(start);  // whole lines only
        return false;
    }
    return true;
}

GatewayServer::GatewayServer(Gateway &gateway, QObject *parent)
    : QObject(parent), m_gateway(gateway)
{
    connect(&m_server, &QTcpServer::newConnection, this, &GatewayServer::accept);
}

bool GatewayServer::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (m_server.listen(address, port))
        return true;
    *error = m_server.errorString();
    return false;
}

void GatewayServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        m_sessions.insert(socket, QString());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequests(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            readRequests(socket);  // a request that arrived whole is carried out all the same
            m_sessions.remove(socket);
            socket->deleteLater();
        });
    }
}

void GatewayServer::readRequests(QTcpSocket *socket)
{
    while (m_sessions.contains(socket)) {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > MaxLineBytes) {  // a line without end
                reply(socket, {code(BadRequest), QStringLiteral("请求行过长")}, true);
            }
            return;
        }
        const QByteArray line = socket->readLine(MaxLineBytes + 1);
        QString account = m_sessions.value(socket);
        QStringList request;
        QStringList answer;
        bool close = false;
        if (!line.endsWith('\n')) {
            answer = {code(BadRequest), QStringLiteral("请求行过长")};
            close = true;
        } else if (!decodeLine(line, &request)) {
            answer = {code(BadRequest), QStringLiteral("无法识别的请求")};
        } else {
            answer = m_gateway.handle(request, account, &close);
        }
        m_sessions.insert(socket, account);
        reply(socket, answer, close);
    }
}

// After a closing reply the connection's later lines are ignored.
void GatewayServer::reply(QTcpSocket *socket, const QStringList &answer, bool close)
{
    if (socket->state() == QAbstractSocket::ConnectedState)
        socket->write(encodeLine(answer));
    if (close) {
        m_sessions.remove(socket);
        socket->disconnectFromHost();
    }
}
