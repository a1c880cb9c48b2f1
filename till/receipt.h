#pragma once
// The receipt of one sale as printer text: ESC/POS commands as characters, field
// widths counted in characters, written GB18030 with CR LF line ends.

#include "saleline.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Printer commands are raw bytes (0xFF and NUL included), so receipt lines are bytes:
// text parts are GB18030-encoded after their widths were counted in characters.
namespace Escpos {
inline const QByteArray DrawerPulse("\x1b\x70\x00\x3c\xff", 5);
inline const QByteArray ChineseMode("\x1c\x26", 2);
inline const QByteArray LargeChinese("\x1c\x21\x0c", 3);
inline const QByteArray NormalChinese("\x1c\x21\x00", 3);
}

struct ReceiptInput {
    QString printTitle;
    bool bigTitle = false;
    QString cashierName;
    QString orderNo;
    QDateTime when;
    SaleLines lines;
    QString totalMoneyText;    // totalMoneyEdit: total before discounts
    QString realMoneyText;     // realmoneyEdit: the settled amount
    QString receiveMoneyText;  // receivemoneyEdit as typed
    QString changeMoneyText;   // changeMoney
    QString cardNo;            // cardNoEdit
    QString mtype;
    bool memberAttached = false;  // jifenEdit not empty
    double settledAmount = 0;
    double noaddup = 0;
    int addRate = 1;
    int jifen = 0;
    QString welcomeStr;
    QStringList customLines;   // 小票自定义.txt, already decoded
    int bianju = 3;
};

// The receipt's lines as printer bytes, without line ends.
QList<QByteArray> makeReceiptLines(const ReceiptInput &in);
// The bytes of output.txt: every line followed by CR LF.
QByteArray receiptBytes(const QList<QByteArray> &lines);

// The lines of 小票自定义.txt in the program folder (trailing '/'); empty when absent.
QStringList customReceiptLines(const QString &programDir);
// Writes the receipt file (output.txt) whole or not at all.
bool writeReceipt(const QString &path, const ReceiptInput &in, QString *error = nullptr);
