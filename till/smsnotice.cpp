#include "smsnotice.h"

#include "clock.h"
#include "smsclient.h"
#include "textfile.h"

#include <QFile>

namespace SmsNotice {

QString statusText(int r)
{
    switch (r) {
    case 0: return QStringLiteral("发送成功");
    case 7061: return QStringLiteral("发送返回状态码：%1,部分号码或全部号码群发被拒绝").arg(r);
    case 7001: return QStringLiteral("发送返回状态码：%1,数据校验错误").arg(r);
    case -2: return QStringLiteral("发送返回状态码：%1,号码为空或发送内容为空").arg(r);
    default: return QStringLiteral("发送返回状态码：%1").arg(r);
    }
}

bool prependRecord(const QString &path, const QDateTime &when, const QString &text, const QString &status,
                   const QString &number, QString *error)
{
    QByteArray old;
    QFile f(path);
    if (f.exists()) {
        if (!f.open(QIODevice::ReadOnly)) {
            if (error)
                *error = f.errorString();
            return false;  // never replace a record that could not be read
        }
        old = f.readAll();
        f.close();
    }
    const QStringList lines{
        QStringLiteral("发送时间：") + when.toString(QStringLiteral("yyyy-MM-dd,HH:mm:ss")),
        QStringLiteral("发送内容：") + text,
        QStringLiteral("发送状态：") + status,
        QStringLiteral("发送成功号码："),
        number,
        QString(36, QLatin1Char('-')),
    };
    QString head;
    for (const QString &l : lines)
        head += l + QStringLiteral("\r\n");
    return writeBytesAtomic(path, toAnsi(head) + old, error);
}

}

TillSms::TillSms(std::unique_ptr<SmsGateway> gateway) : m_gateway(std::move(gateway))
{
    if (!m_gateway)
        m_gateway = std::make_unique<SmsClient>();
}

TillSms::~TillSms() = default;

bool TillSms::login(const QString &addresses, const QString &user, const QString &pass)
{
    m_online = m_gateway->SkInit(addresses, user, pass, 0, QString(), 0, QString(), QString()) == 0;
    return m_online;
}

QString TillSms::sendMsg(const QString &mobile, const QString &text, const QString &recordFile)
{
    QByteArray accepted(4096, '\0');
    QByteArray refused(4096, '\0');
    int acceptedBytes = int(accepted.size());
    int refusedBytes = int(refused.size());
    const int r = m_gateway->SkMultiSend(101, QString(), QString(), mobile, text, accepted, refused, acceptedBytes,
                                         refusedBytes);
    const QString status = SmsNotice::statusText(r);
    SmsNotice::prependRecord(recordFile, Clock::now(), text, status, mobile);
    return status;
}

void TillSms::logout()
{
    if (m_online)
        m_gateway->SkLogout();
    m_online = false;
}
