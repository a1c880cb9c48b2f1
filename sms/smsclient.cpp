#include "smsclient.h"

#include <QDeadlineTimer>
#include <QTcpSocket>

using namespace Sms;

namespace {

QString addressText(const SmsClient::Address &a)
{
    const QString host = a.host.contains(u':') ? QString(u'[' + a.host + u']') : a.host;
    return host + u':' + QString::number(a.port);
}

// Writes the numbers, one per line joined by LF, into buf; stops before the first number
// that no longer fits into capacity bytes. Returns the bytes written.
int fillBuffer(QByteArray &buf, int capacity, const QString &numbers)
{
    capacity = qMax(0, capacity);
    QByteArray out;
    for (const QString &n : numbers.split(u'\n', Qt::SkipEmptyParts)) {
        const QByteArray piece = (out.isEmpty() ? QByteArray() : QByteArray("\n")) + n.toUtf8();
        if (out.size() + piece.size() > capacity)
            break;
        out += piece;
    }
    if (buf.size() < capacity)
        buf.append(QByteArray(capacity - buf.size(), '\0'));
    buf.replace(0, out.size(), out);
    return int(out.size());
}

} // namespace

SmsClient::SmsClient() = default;

SmsClient::~SmsClient()
{
    dropConnection();
}

void SmsClient::setTimeouts(int connectMs, int replyMs)
{
    m_connectMs = qMax(1, connectMs);
    m_replyMs = qMax(1, replyMs);
}

QList<SmsClient::Address> SmsClient::parseAddresses(const QString &addresses)
{
    QList<Address> out;
    for (const QString &raw : addresses.split(u';')) {
        const QString entry = raw.trimmed();
        if (entry.isEmpty())
            continue;
        Address a;
        QString portText;
        if (entry.startsWith(u'[')) {  // [IPv6]:port
            const qsizetype close = entry.indexOf(u']');
            if (close < 0)
                continue;
            a.host = entry.mid(1, close - 1);
            const QString rest = entry.mid(close + 1).trimmed();
            if (!rest.isEmpty()) {
                if (!rest.startsWith(u':'))
                    continue;
                portText = rest.mid(1).trimmed();
            }
        } else if (entry.count(u':') == 1) {
            const qsizetype colon = entry.indexOf(u':');
            a.host = entry.left(colon).trimmed();
            portText = entry.mid(colon + 1).trimmed();
        } else {
            a.host = entry;  // a bare IPv6 address, or a host without a port
        }
        if (a.host.isEmpty())
            continue;
        if (!portText.isEmpty()) {
            bool ok = false;
            const uint port = portText.toUInt(&ok);
            if (!ok || port == 0 || port > 65535)
                continue;
            a.port = quint16(port);
        }
        out += a;
    }
    return out;
}

void SmsClient::dropConnection()
{
    if (m_socket) {
        m_socket->abort();
        m_socket.reset();
    }
}

// One request line out, one reply line back, each within the reply time-out.
// Returns Ok with the reply's fields (the first one a number), or NetworkError / BadReply.
int SmsClient::exchange(QTcpSocket &socket, const QStringList &request, QStringList *reply)
{
    QDeadlineTimer deadline(m_replyMs);
    socket.write(encodeLine(request));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime()))) {
            m_lastError = QStringLiteral("发送请求失败：") + socket.errorString();
            return NetworkError;
        }
    }
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() > MaxLineBytes) {
            m_lastError = QStringLiteral("网关应答过长");
            return BadReply;
        }
        if (!socket.waitForReadyRead(int(deadline.remainingTime()))) {
            m_lastError = socket.error() == QAbstractSocket::SocketTimeoutError
                              ? QStringLiteral("网关应答超时")
                              : QString(QStringLiteral("网关连接中断：") + socket.errorString());
            return NetworkError;
        }
    }
    const QByteArray line = socket.readLine(MaxLineBytes + 1);
    QStringList fields;
    bool ok = line.endsWith('\n') && decodeLine(line, &fields);
    if (ok)
        fields.first().toInt(&ok);
    if (!ok) {
        m_lastError = QStringLiteral("无法识别的网关应答");
        return BadReply;
    }
    *reply = fields;
    return Ok;
}

// Connects to the first address that answers and logs in with the remembered account.
// Returns the login's result, or NetworkError when no address answered.
int SmsClient::openSession()
{
    dropConnection();
    QStringList failures;
    for (const Address &a : std::as_const(m_addresses)) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(a.host, a.port);
        if (!socket->waitForConnected(m_connectMs)) {
            failures += addressText(a) + QLatin1String(": ") + socket->errorString();
            socket->abort();
            continue;
        }
        QStringList reply;
        const int r = exchange(*socket, {QStringLiteral("LOGIN"), m_account, m_password}, &reply);
        if (r != Ok) {
            failures += addressText(a) + QLatin1String(": ") + m_lastError;
            socket->abort();
            continue;
        }
        // A gateway that answered decides; the others share its accounts.
        const int code = reply.first().toInt();
        if (code != Ok) {
            m_lastError = reply.value(1);
            socket->abort();
            return code;
        }
        m_socket = std::move(socket);
        m_lastError.clear();
        return Ok;
    }
    m_lastError = failures.isEmpty() ? QStringLiteral("没有短信网关地址")
                                     : QString(QStringLiteral("短信网关无应答：") + failures.join(QLatin1String("; ")));
    return NetworkError;
}

// A request within the login; a connection found closed before the request is written
// (gateway restarted, idle connection dropped) is opened again and logged in anew. A request
// whose reply is lost is not repeated: it may have been carried out.
int SmsClient::call(const QStringList &request, QStringList *reply)
{
    m_lastError.clear();
    if (!m_loggedIn)
        return NotLoggedIn;
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState) {
        m_socket->waitForReadyRead(0);  // notices a close by the gateway
        if (m_socket->bytesAvailable() > 0)
            dropConnection();  // out of step: a reply nobody asked for
    }
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) {
        const int r = openSession();
        if (r != Ok) {
            if (r != NetworkError && r != BadReply)
                m_loggedIn = false;  // the account itself was refused
            return r;
        }
    }
    const int r = exchange(*m_socket, request, reply);
    if (r != Ok)
        dropConnection();
    return r;
}

int SmsClient::SkInit(const QString &addresses, const QString &account, const QString &password,
                      int, const QString &, int, const QString &, const QString &)
{
    m_loggedIn = false;
    m_addresses = parseAddresses(addresses);
    m_account = account;
    m_password = password;
    const int r = openSession();
    m_loggedIn = r == Ok;
    if (!m_loggedIn)
        m_password.clear();
    return r;
}

int SmsClient::SkQueryAccu(qint32 &balance)
{
    QStringList reply;
    int r = call({QStringLiteral("BALANCE")}, &reply);
    if (r != Ok)
        return r;
    r = reply.first().toInt();
    if (r != Ok) {
        m_lastError = reply.value(1);
        return r;
    }
    bool ok = false;
    const qint32 value = reply.value(1).toInt(&ok);
    if (!ok) {
        m_lastError = QStringLiteral("无法识别的余额");
        return BadReply;
    }
    balance = value;
    return Ok;
}

int SmsClient::SkCheckContent(const QString &text, QString &explanation)
{
    explanation.clear();
    QStringList reply;
    const int r = call({QStringLiteral("CHECK"), text}, &reply);
    if (r != Ok)
        return r;
    explanation = reply.value(1);
    return reply.first().toInt();
}

int SmsClient::SkMultiSend(int, const QString &, const QString &, const QString &numbers,
                           const QString &text, QByteArray &accepted, QByteArray &refused,
                           int &acceptedBytes, int &refusedBytes)
{
    const int acceptedCapacity = acceptedBytes;
    const int refusedCapacity = refusedBytes;
    acceptedBytes = 0;
    refusedBytes = 0;
    if (!m_loggedIn)
        return NotLoggedIn;
    const QStringList list = splitNumbers(numbers);
    if (list.isEmpty() || text.trimmed().isEmpty())
        return EmptyInput;
    QStringList reply;
    const int r = call({QStringLiteral("SEND"), list.join(u'\n'), text}, &reply);
    if (r != Ok)
        return r;
    acceptedBytes = fillBuffer(accepted, acceptedCapacity, reply.value(1));
    refusedBytes = fillBuffer(refused, refusedCapacity, reply.value(2));
    m_lastError = reply.value(3);
    return reply.first().toInt();
}

int SmsClient::SkModifyPwd(const QString &newPassword)
{
    QStringList reply;
    const int r = call({QStringLiteral("PASSWD"), newPassword}, &reply);
    if (r != Ok)
        return r;
    const int code = reply.first().toInt();
    if (code == Ok)
        m_password = newPassword;  // for logging in again after a lost connection
    else
        m_lastError = reply.value(1);
    return code;
}

int SmsClient::SkLogout()
{
    m_lastError.clear();
    if (!m_loggedIn) {
        dropConnection();
        return NotLoggedIn;
    }
    // A courtesy to the gateway; the close is what counts, so the reply is not awaited.
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState) {
        m_socket->write(encodeLine({QStringLiteral("LOGOUT")}));
        m_socket->waitForBytesWritten(qMin(m_replyMs, 1000));
    }
    dropConnection();
    m_loggedIn = false;
    m_password.clear();
    return Ok;
}
