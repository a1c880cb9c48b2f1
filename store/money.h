#pragma once
#include <QMetaType>
#include <QString>
#include <cstdint>

// Money as a 64-bit count of 1/10000 units. Conversion from a double rounds to nearest,
// ties to even; the "0.00" text rounds half away from zero on the exact value.
class Money {
public:
    static constexpr int64_t Scale = 10000;

    constexpr Money() = default;
    static constexpr Money fromUnits(int64_t u) { Money m; m.m_units = u; return m; }
    static Money fromDouble(double v);
    static Money fromLongDouble(long double v);
    // Tolerant text: "￥1,234.50" reads as 1234.5, unreadable text as 0.
    static Money fromText(const QString &text);

    constexpr int64_t units() const { return m_units; }
    double toDouble() const { return double(m_units) / Scale; }
    long double toLongDouble() const { return static_cast<long double>(m_units) / Scale; }
    QString toText() const;  // "0.00"

    constexpr Money operator+(Money o) const { return fromUnits(m_units + o.m_units); }
    constexpr Money operator-(Money o) const { return fromUnits(m_units - o.m_units); }
    constexpr Money operator-() const { return fromUnits(-m_units); }
    Money &operator+=(Money o) { m_units += o.m_units; return *this; }
    Money &operator-=(Money o) { m_units -= o.m_units; return *this; }
    Money operator*(double f) const { return fromLongDouble(toLongDouble() * f); }
    constexpr auto operator<=>(const Money &) const = default;
    constexpr bool isZero() const { return m_units == 0; }

private:
    int64_t m_units = 0;
};
Q_DECLARE_METATYPE(Money)

// Tolerant money parser: drops everything up to the first "￥", removes ",",
// reads the rest as a number; text that is not a number gives 0.
double StrToFloatEx(const QString &text);

// Strict number reading: whole text (blanks around allowed) must be a finite number.
bool parseNumber(const QString &text, double *out);

// "0.00"-style text with the given decimals: rounds half away from zero on the
// decimal value of the number (its 15 significant digits), so 0.125 and 2.675 round up.
QString formatFixed(double value, int decimals = 2);
inline QString formatMoney(double value) { return formatFixed(value, 2); }
// C "%.2f" (ties on the binary value), used where the C form is wanted.
QString formatC2(double value);
// "￥%.2f", empty for a null value; for money display columns.
QString formatYuan(const QVariant &value);
// "%.1f%", 0.0% for a null value; for margin columns.
QString formatMargin(const QVariant &value);
// Shortest decimal text of a quantity (at most 15 significant digits): 1, 2.5, 0.3.
QString formatQty(double value);
// Pads on the right with blanks to at least width characters ("%-9s").
QString padRight(const QString &text, int width);
// Pads on the left with blanks to at least width characters ("%7s").
QString padLeft(const QString &text, int width);
