#pragma once
// An SMS gateway that answers with fixed codes and remembers the calls.

#include "smsclient.h"

#include <QStringList>

class FakeGateway : public SmsGateway {
public:
    int initResult = 0;
    int sendResult = 0;
    QStringList calls;
    QString numbers, text;

    int SkInit(const QString &addresses, const QString &account, const QString &password, int, const QString &, int,
               const QString &, const QString &) override
    {
        calls << QStringLiteral("init ") + addresses + QLatin1Char(' ') + account + QLatin1Char(' ') + password;
        return initResult;
    }
    int SkQueryAccu(qint32 &) override { return 0; }
    int SkCheckContent(const QString &, QString &) override { return 0; }
    int SkMultiSend(int kind, const QString &, const QString &, const QString &n, const QString &t, QByteArray &,
                    QByteArray &, int &acceptedBytes, int &refusedBytes) override
    {
        calls << QStringLiteral("send %1").arg(kind);
        numbers = n;
        text = t;
        acceptedBytes = refusedBytes = 0;
        return sendResult;
    }
    int SkModifyPwd(const QString &) override { return 0; }
    int SkLogout() override
    {
        calls << QStringLiteral("logout");
        return 0;
    }
};
