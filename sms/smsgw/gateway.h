#pragma once
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// The gateway's accounts, banned words and spool, and what each request does to them.
class Gateway {
public:
    // Reads the accounts file and the banned word list (bannedPath may be empty).
    bool load(const QString &accountsPath, const QString &spoolPath, const QString &bannedPath,
              QString *error);
    // One request of a connection; session is the connection's logged-in account (empty:
    // none). Returns the reply's fields; close is set when the connection should end.
    QStringList handle(const QStringList &request, QString &session, bool *close);

private:
    struct Account {
        QString name;
        QString password;
        qint64 balance = 0;  // tenths of a message
        qsizetype line = 0;  // its line in the accounts file
    };

    QStringList login(const QStringList &request, QString &session);
    QStringList send(Account &account, const QString &numbers, const QString &text);
    QStringList changePassword(Account &account, const QString &password);
    // 0 when the text may be sent, otherwise a rejection code with its explanation.
    int checkText(const QString &text, QString *explanation) const;
    bool saveAccounts(QString *error);
    bool appendSpool(const Account &account, const QStringList &numbers, const QString &text,
                     QString *error);
    Account *find(const QString &name);

    QString m_accountsPath;
    QString m_spoolPath;
    QStringList m_lines;  // the accounts file as read; account lines are rewritten on save
    QList<Account> m_accounts;
    QStringList m_banned;
};

// Serves the line protocol on a TCP port; one session per connection.
class GatewayServer : public QObject {
    Q_OBJECT
public:
    explicit GatewayServer(Gateway &gateway, QObject *parent = nullptr);
    bool listen(const QHostAddress &address, quint16 port, QString *error);
    quint16 port() const { return m_server.serverPort(); }

private:
    void accept();
    void readRequests(QTcpSocket *socket);
    void reply(QTcpSocket *socket, const QStringList &answer, bool close);

    Gateway &m_gateway;
    QTcpServer m_server;
    QHash<QTcpSocket *, QString> m_sessions;  // connection -> logged-in account
};
