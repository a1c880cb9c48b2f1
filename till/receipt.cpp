#include "receipt.h"

#include "money.h"
#include "textfile.h"

#include <QFile>
#include <algorithm>

namespace {

const QString Rule(32, QLatin1Char('-'));

QString spaces(qsizetype n)
{
    return QString(std::max<qsizetype>(n, 0), QLatin1Char(' '));
}

QString centred(const QString &text, int width)
{
    return spaces((width - text.size()) / 2) + text;
}

// The name column is 16 characters. Names of odd length are cut to 15 plus a blank,
// so the column is the same width whichever way the name was cut.
QString nameField(const QString &name)
{
    const QString padded = padRight(name, 16);
    if (name.size() % 2 == 0)
        return padded.left(16);
    return padded.left(15) + QLatin1Char(' ');
}

QString itemLine(const SaleLine &line)
{
    const QString &amount = line[SaleLine::Amount];
    const QString amountText = amount == QLatin1String("0.00") ? QStringLiteral("*赠") : amount;
    return nameField(line[SaleLine::Name]) + padLeft(line[SaleLine::Qty], 2) + padLeft(line[SaleLine::Price], 7)
           + padLeft(amountText, 7);
}

// Whole points of this sale: the same currency value the settlement adds to the
// member's addup, cut towards zero.
qint64 salePoints(const ReceiptInput &in)
{
    const int rate = std::max(in.addRate, 1);
    const Money points = Money::fromLongDouble((static_cast<long double>(in.settledAmount) - in.noaddup) / rate);
    return points.units() / Money::Scale;
}

} // namespace

QList<QByteArray> makeReceiptLines(const ReceiptInput &in)
{
    QList<QByteArray> out;
    auto text = [&out](const QString &s) { out << toAnsi(s); };

    out << Escpos::DrawerPulse;

    if (in.bigTitle) {
        out << Escpos::ChineseMode << Escpos::LargeChinese;
        text(centred(in.printTitle, 16));
        out << Escpos::NormalChinese;
    } else {
        text(centred(in.printTitle, 32));
    }

    text(Rule);
    text(QStringLiteral("收银员:") + padRight(in.cashierName, 9) + QStringLiteral("单号:") + in.orderNo);
    text(QStringLiteral("日期:") + in.when.date().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("    时间:")
         + in.when.time().toString(QStringLiteral("hh:mm:ss")));
    text(Rule);
    text(QStringLiteral("商品名称        数量 单价   金额"));
    for (const SaleLine &line : in.lines)
        text(itemLine(line));
    text(Rule);

    text(QStringLiteral("应收:") + in.totalMoneyText);
    text(QStringLiteral("实收:") + in.realMoneyText);
    text(QStringLiteral("现金:") + formatMoney(StrToFloatEx(in.receiveMoneyText.trimmed())));
    text(QStringLiteral("找零:") + formatMoney(StrToFloatEx(in.changeMoneyText)));
    text(QStringLiteral("会员:") + padRight(in.cardNo, 8) + QStringLiteral("会员类型:") + in.mtype);
    if (in.memberAttached) {
        const qint64 p = salePoints(in);
        text(QStringLiteral("本次积分:") + padRight(QString::number(p), 8) + QStringLiteral("可兑积分：")
             + QString::number(p + in.jifen));
    }
    text(QStringLiteral(" "));
    text(centred(in.welcomeStr.trimmed(), 32));

    for (const QString &line : in.customLines)
        text(line);
    for (int i = 0; i < in.bianju; ++i)
        text(QStringLiteral(" "));
    return out;
}

QByteArray receiptBytes(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &l : lines)
        out += l + "\r\n";
    return out;
}

QStringList customReceiptLines(const QString &programDir)
{
    const QString path = programDir + QStringLiteral("小票自定义.txt");
    if (!QFile::exists(path))
        return {};
    return readAnsiLines(path);
}

bool writeReceipt(const QString &path, const ReceiptInput &in, QString *error)
{
    return writeBytesAtomic(path, receiptBytes(makeReceiptLines(in)), error);
}
