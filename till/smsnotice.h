#pragma once
// The till's use of the SMS gateway: the login at start-up with the account of the dx
// table, the owner's notice about large sales (sendMsg) and the send record
// dxinfo.txt that the till shares with the SMS console.

#include <QDateTime>
#include <QString>
#include <memory>

class SmsGateway;

namespace SmsNotice {

// Status text of a send result ("发送成功", "发送返回状态码：7061,...").
QString statusText(int result);
// The six lines of one attempt put in front of the record file (GB18030, CR LF); the
// old bytes stay as they were. The file is replaced whole.
bool prependRecord(const QString &path, const QDateTime &when, const QString &text, const QString &status,
                   const QString &number, QString *error = nullptr);

}

class TillSms {
public:
    // Without a gateway the real client is made.
    explicit TillSms(std::unique_ptr<SmsGateway> gateway = {});
    ~TillSms();
    TillSms(const TillSms &) = delete;
    TillSms &operator=(const TillSms &) = delete;

    // SkInit with the gateway addresses of zazuvi.ini; smsOnline becomes its result == 0.
    bool login(const QString &addresses, const QString &user, const QString &pass);
    bool online() const { return m_online; }
    // Sends one message and records the attempt in recordFile; returns the status text.
    QString sendMsg(const QString &mobile, const QString &text, const QString &recordFile);
    // Logs out when logged in.
    void logout();

    SmsGateway &gateway() { return *m_gateway; }

private:
    std::unique_ptr<SmsGateway> m_gateway;
    bool m_online = false;
};
