#pragma once
// A loopback HTTP/1.1 server for the lookup client tests, answering by hand so the
// tests see the exact bytes that arrived. With a certificate and key it speaks TLS.

#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>

struct ReceivedRequest {
    QByteArray method;
    QByteArray path;
    QByteArray version;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const
    {
        for (const auto &h : headers)
            if (h.first.compare(name, Qt::CaseInsensitive) == 0)
                return h.second;
        return {};
    }
};

class HttpServer : public QTcpServer {
public:
    enum class Behaviour { Answer, Silent, StallBody };
    enum class Framing { Length, Chunked, Close };

    HttpServer() { listen(QHostAddress::LocalHost); }

    void useTls(const QSslCertificate &cert, const QSslKey &key)
    {
        m_cert = cert;
        m_key = key;
    }
    void setAnswer(const QByteArray &body, int status = 200, Framing framing = Framing::Length)
    {
        m_body = body;
        m_status = status;
        m_framing = framing;
    }
    void setBehaviour(Behaviour b) { m_behaviour = b; }

    QString url(const QString &path) const
    {
        return QStringLiteral("%1://127.0.0.1:%2%3")
            .arg(m_cert.isNull() ? QStringLiteral("http") : QStringLiteral("https"))
            .arg(serverPort())
            .arg(path);
    }
    const QList<ReceivedRequest> &requests() const { return m_requests; }
    int connections() const { return m_connections; }

protected:
    void incomingConnection(qintptr fd) override
    {
        ++m_connections;
        QTcpSocket *s = nullptr;
        if (m_cert.isNull()) {
            s = new QTcpSocket(this);
            s->setSocketDescriptor(fd);
        } else {
            auto *ssl = new QSslSocket(this);
            ssl->setSocketDescriptor(fd);
            ssl->setLocalCertificate(m_cert);
            ssl->setPrivateKey(m_key);
            ssl->startServerEncryption();
            s = ssl;
        }
        auto buffer = std::make_shared<QByteArray>();
        connect(s, &QTcpSocket::readyRead, s, [this, s, buffer] {
            buffer->append(s->readAll());
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            ReceivedRequest r;
            const QList<QByteArray> lines = buffer->left(end).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            r.method = first.value(0);
            r.path = first.value(1);
            r.version = first.value(2);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const QByteArray line = lines.at(i).trimmed();
                const qsizetype colon = line.indexOf(':');
                if (colon > 0)
                    r.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
            }
            const qsizetype length = r.header("Content-Length").toLongLong();
            if (buffer->size() - end - 4 < length)
                return;
            r.body = buffer->mid(end + 4, length);
            buffer->clear();
            m_requests.append(r);
            respond(s);
        });
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
    }

private:
    void respond(QTcpSocket *s)
    {
        if (m_behaviour == Behaviour::Silent)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(m_status)
                        + (m_status == 200 ? " OK" : " Error") + "\r\nContent-Type: text/plain; charset=utf-8\r\n";
        if (m_behaviour == Behaviour::StallBody) {
            // Promises more than it sends, then goes quiet.
            s->write(head + "Content-Length: " + QByteArray::number(m_body.size() + 100) + "\r\n\r\n" + m_body);
            return;
        }
        switch (m_framing) {
        case Framing::Length:
            s->write(head + "Content-Length: " + QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
            break;
        case Framing::Chunked:
            s->write(head + "Transfer-Encoding: chunked\r\n\r\n");
            for (qsizetype at = 0; at < m_body.size(); at += 10007) {
                const QByteArray piece = m_body.mid(at, 10007);
                s->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
            }
            s->write("0\r\n\r\n");
            break;
        case Framing::Close:
            s->write(head + "Connection: close\r\n\r\n" + m_body);
            s->disconnectFromHost();
            return;
        }
    }

    QSslCertificate m_cert;
    QSslKey m_key;
    QByteArray m_body = "{}";
    int m_status = 200;
    Framing m_framing = Framing::Length;
    Behaviour m_behaviour = Behaviour::Answer;
    QList<ReceivedRequest> m_requests;
    int m_connections = 0;
};
