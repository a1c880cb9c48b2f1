#pragma once
#include "smsproto.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

class QTcpSocket;

// The six calls of the SMS gateway with their result codes (see Sms::Code). The till and the
// SMS console talk to this interface; tests may put a fake in its place.
class SmsGateway {
public:
    virtual ~SmsGateway() = default;

    // addresses: "host:port" or several joined by ";" (port 9900 when left out), tried in
    // order until one answers. The last five arguments are reserved: pass 0, "", 0, "", "".
    // 0: logged in; any other value: failure.
    virtual int SkInit(const QString &addresses, const QString &account, const QString &password,
                       int reserved1, const QString &reserved2, int reserved3,
                       const QString &reserved4, const QString &reserved5) = 0;
    // balance in tenths of a message (messages left = balance / 10).
    virtual int SkQueryAccu(qint32 &balance) = 0;
    // 0: acceptable; -1: not logged in; other: rejection code with explanation set.
    virtual int SkCheckContent(const QString &text, QString &explanation) = 0;
    // kind 101 (plain text; the value and the two reserved texts are not looked at).
    // numbers: one per line. accepted/refused receive the numbers as UTF-8, one per line
    // joined by LF, cut after the last whole number that fits; acceptedBytes/refusedBytes
    // are in: the buffer's size, out: the bytes written (the rest of a buffer is untouched).
    // 0: sent; 7061: some or all refused; 7001: data check failed; -2: numbers or text
    // empty; other: error.
    virtual int SkMultiSend(int kind, const QString &reserved1, const QString &reserved2,
                            const QString &numbers, const QString &text,
                            QByteArray &accepted, QByteArray &refused,
                            int &acceptedBytes, int &refusedBytes) = 0;
    virtual int SkModifyPwd(const QString &newPassword) = 0;
    virtual int SkLogout() = 0;
};

// The gateway client over TCP. Calls block until the gateway answers or a time-out passes.
class SmsClient final : public SmsGateway {
public:
    struct Address {
        QString host;
        quint16 port = Sms::DefaultPort;
        bool operator==(const Address &) const = default;
    };

    SmsClient();
    ~SmsClient() override;
    SmsClient(const SmsClient &) = delete;
    SmsClient &operator=(const SmsClient &) = delete;

    int SkInit(const QString &addresses, const QString &account, const QString &password,
               int reserved1, const QString &reserved2, int reserved3,
               const QString &reserved4, const QString &reserved5) override;
    int SkQueryAccu(qint32 &balance) override;
    int SkCheckContent(const QString &text, QString &explanation) override;
    int SkMultiSend(int kind, const QString &reserved1, const QString &reserved2,
                    const QString &numbers, const QString &text,
                    QByteArray &accepted, QByteArray &refused,
                    int &acceptedBytes, int &refusedBytes) override;
    int SkModifyPwd(const QString &newPassword) override;
    int SkLogout() override;

    bool loggedIn() const { return m_loggedIn; }
    // Why the last call failed, in words (for a log or a tooltip); empty after success.
    QString lastError() const { return m_lastError; }
    // Waits for a connection and for each reply; defaults 3000 ms and 5000 ms.
    void setTimeouts(int connectMs, int replyMs);

    // "host:port;host" as addresses; entries with a bad port are left out.
    static QList<Address> parseAddresses(const QString &addresses);

private:
    int openSession();
    int exchange(QTcpSocket &socket, const QStringList &request, QStringList *reply);
    int call(const QStringList &request, QStringList *reply);
    void dropConnection();

    std::unique_ptr<QTcpSocket> m_socket;
    QList<Address> m_addresses;
    QString m_account;
    QString m_password;
    QString m_lastError;
    bool m_loggedIn = false;
    int m_connectMs = 3000;
    int m_replyMs = 5000;
};
