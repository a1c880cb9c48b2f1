#include "money.h"

#include <QVariant>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
// Round to nearest, exact halves to even (the FPU's default mode).
long double roundEven(long double v)
{
    return std::nearbyintl(v);
}
}

Money Money::fromDouble(double v)
{
    // The product in double lands exactly on .5 for decimal halves like 0.00025,
    // so those go to the even count as a decimal tie should.
    if (!std::isfinite(v))
        return {};
    return fromUnits(static_cast<int64_t>(std::nearbyint(v * double(Scale))));
}

Money Money::fromLongDouble(long double v)
{
    if (!std::isfinite(v))
        return {};
    return fromUnits(static_cast<int64_t>(roundEven(v * Scale)));
}

Money Money::fromText(const QString &text)
{
    return fromDouble(StrToFloatEx(text));
}

QString Money::toText() const
{
    // Exact: units are 1/10000, the text has two decimals, halves go away from zero.
    const bool neg = m_units < 0;
    uint64_t a = neg ? uint64_t(-(m_units + 1)) + 1 : uint64_t(m_units);
    uint64_t cents = a / 100 + ((a % 100) >= 50 ? 1 : 0);
    QString s = QString::number(cents / 100) + QLatin1Char('.')
                + QStringLiteral("%1").arg(cents % 100, 2, 10, QLatin1Char('0'));
    if (neg && cents != 0)
        s.prepend(QLatin1Char('-'));
    return s;
}

bool parseNumber(const QString &text, double *out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    // Only plain decimal notation: no hex, no inf/nan.
    for (QChar c : t) {
        if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('+')
              || c == QLatin1Char('e') || c == QLatin1Char('E')))
            return false;
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    if (out)
        *out = v;
    return true;
}

double StrToFloatEx(const QString &text)
{
    QString t = text;
    const qsizetype yuan = t.indexOf(QChar(0xFFE5));
    if (yuan >= 0)
        t = t.mid(yuan + 1);
    t.remove(QLatin1Char(','));
    double v = 0;
    return parseNumber(t, &v) ? v : 0.0;
}

QString formatFixed(double value, int decimals)
{
    if (!std::isfinite(value))
        value = 0;
    // The decimal value as 15 significant digits, as a shop's calculator would show it.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    bool neg = buf[0] == '-';
    const char *p = buf + (neg ? 1 : 0);
    QByteArray digits;
    while (*p && *p != 'e') {
        if (*p >= '0' && *p <= '9')
            digits.append(*p);
        ++p;
    }
    const int exp = (*p == 'e') ? std::atoi(p + 1) : 0;
    // digits represent d.ddd... x 10^exp; position of the decimal point after digit index exp.
    int pointPos = exp + 1;  // number of digits before the point
    if (pointPos < 0) {
        digits.prepend(QByteArray(-pointPos, '0'));
        pointPos = 0;
    }
    const int need = pointPos + decimals;  // digits kept
    while (digits.size() < need + 1)
        digits.append('0');
    bool roundUp = digits.at(need) >= '5';
    QByteArray kept = digits.left(need);
    if (roundUp) {
        int i = kept.size() - 1;
        for (; i >= 0; --i) {
            if (kept[i] == '9') {
                kept[i] = '0';
            } else {
                kept[i] = char(kept[i] + 1);
                break;
            }
        }
        if (i < 0) {
            kept.prepend('1');
            ++pointPos;
        }
    }
    QByteArray intPart = kept.left(pointPos);
    QByteArray frac = kept.mid(pointPos);
    while (intPart.size() > 1 && intPart.startsWith('0'))
        intPart.remove(0, 1);
    if (intPart.isEmpty())
        intPart = "0";
    bool allZero = true;
    for (char c : kept)
        if (c != '0')
            allZero = false;
    QByteArray out;
    if (neg && !allZero)
        out.append('-');
    out.append(intPart);
    if (decimals > 0) {
        out.append('.');
        out.append(frac);
    }
    return QString::fromLatin1(out);
}

QString formatC2(double value)
{
    return QString::asprintf("%.2f", value);
}

QString formatYuan(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    return QStringLiteral("￥") + QString::asprintf("%.2f", value.toDouble());
}

QString formatMargin(const QVariant &value)
{
    const double v = (!value.isValid() || value.isNull()) ? 0.0 : value.toDouble();
    return QString::asprintf("%.1f", v) + QLatin1Char('%');
}

QString formatQty(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    if (value == 0)
        return QStringLiteral("0");
    return QString::number(value, 'g', 15);
}

QString padRight(const QString &text, int width)
{
    return text.size() >= width ? text : text + QString(width - text.size(), QLatin1Char(' '));
}

QString padLeft(const QString &text, int width)
{
    return text.size() >= width ? text : QString(width - text.size(), QLatin1Char(' ')) + text;
}
