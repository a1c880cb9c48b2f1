#include "pricing.h"

#include <cmath>

namespace {

long double pow10(int places)
{
    long double f = 1.0L;
    for (int i = 0; i < places; ++i)
        f *= 10.0L;
    return f;
}

long double textMoney(const QString &text)
{
    return Money::fromText(text).toLongDouble();
}

QString money2(long double v)
{
    return formatMoney(static_cast<double>(v));
}

const QString kNoDiscount = QStringLiteral("100");

} // namespace

namespace Pricing {

long double roundPlaces(long double x, int places)
{
    const long double f = pow10(places);
    return std::nearbyintl(x * f) / f;
}

double roundLineAmount(double amount, const PricingOptions &options)
{
    double e = amount;
    if (options.s4r5)
        e = static_cast<double>(roundPlaces(static_cast<long double>(e) + 0.005L, 1));
    if (options.s4r52)
        e = static_cast<double>(roundPlaces(static_cast<long double>(e) + 0.05L, 0));
    if (options.moling)
        e = std::trunc(e);
    return e;
}

int addGoods(SaleLines &lines, const GoodsRecord &goods, const MemberPricing &member)
{
    for (int i = 0; i < lines.size(); ++i) {
        SaleLine &line = lines[i];
        if (line.caption != goods.barcode)
            continue;
        const double q = StrToFloatEx(line[SaleLine::Qty]) + 1;
        const bool memberPrice = member.ismember && !line[SaleLine::MemberPrice].isEmpty();
        const long double price = textMoney(memberPrice ? line[SaleLine::MemberPrice] : line[SaleLine::Price]);
        const long double rate =
            line[SaleLine::Rate].isEmpty() ? 100.0L : static_cast<long double>(StrToFloatEx(line[SaleLine::Rate]));
        const long double amount = memberPrice ? q * price : q * price * rate / 100.0L;
        line[SaleLine::Amount] = money2(amount);
        line[SaleLine::CostAmount] = money2(q * static_cast<long double>(StrToFloatEx(line[SaleLine::UnitCost])));
        line[SaleLine::Qty] = formatQty(q);
        return i;
    }

    // A member without a rate text pays the full price rather than nothing.
    const QString memberRate = member.rateText.trimmed().isEmpty() ? kNoDiscount : member.rateText.trimmed();
    const QString rateText = (member.ismember && goods.ifdis == QLatin1String("-1")) ? memberRate : kNoDiscount;
    const long double rate = StrToFloatEx(rateText);
    const long double price = Money::fromDouble(goods.price).toLongDouble();
    long double amount;
    if (!member.ismember)
        amount = rate * price / 100.0L;
    else if (goods.price2 > 0)
        amount = Money::fromDouble(goods.price2).toLongDouble();
    else
        amount = price * rate / 100.0L;

    SaleLine line;
    line.caption = goods.barcode;
    line[SaleLine::Name] = goods.name;
    line[SaleLine::Price] = formatMoney(goods.price);
    line[SaleLine::MemberPrice] = goods.price2 > 0 ? formatMoney(goods.price2) : QString();
    line[SaleLine::Rate] = rateText;
    line[SaleLine::Qty] = QStringLiteral("1");
    line[SaleLine::Amount] = money2(amount);
    line[SaleLine::UnitCost] = goods.costprice;
    line[SaleLine::CostAmount] = goods.costprice;
    line[SaleLine::IfDis] = goods.ifdis;
    line[SaleLine::IfAddup] = goods.ifaddup;
    line[SaleLine::GoodsId] = goods.goodsId;
    lines.append(line);
    return lines.size() - 1;
}

SaleTotals recount(SaleLines &lines, bool ismember, const PricingOptions &options)
{
    SaleTotals t;
    for (SaleLine &line : lines) {
        const double q = StrToFloatEx(line[SaleLine::Qty]);
        const Money a = Money::fromText(line[SaleLine::Amount]);
        const Money p = Money::fromText(line[SaleLine::Price]);
        const Money m = Money::fromText(line[SaleLine::MemberPrice]);

        // The rate in force is the one the stored amount represents, so a discount
        // given to the line survives a change of its quantity.
        double r = 100;
        if (!line[SaleLine::Rate].isEmpty() && line[SaleLine::IfDis] != QLatin1String("0") && !p.isZero() && q != 0)
            r = static_cast<double>(a.toLongDouble() / q / p.toLongDouble() * 100.0L);

        const bool memberPrice = ismember && m > Money();
        double e;
        Money u;
        if (memberPrice) {
            e = static_cast<double>(m.toLongDouble() * q);
            u = m;
        } else {
            e = static_cast<double>(p.toLongDouble() * q * r / 100.0L);
            u = p;
        }
        e = roundLineAmount(e, options);
        line[SaleLine::Amount] = formatMoney(e);

        const Money written = Money::fromText(line[SaleLine::Amount]);
        t.originalTotal += p * q;
        t.priceTotal += u * q;
        t.amountTotal += written;
        t.quantity += q;
        if (line[SaleLine::IfDis] == QLatin1String("0") || memberPrice)
            t.nodismoney += u * q;
        if (line[SaleLine::IfAddup] == QLatin1String("0"))
            t.noaddup += written;
    }
    return t;
}

void moneyopt(SaleLines &lines, Money realMoney, bool s4r52)
{
    if (lines.isEmpty())
        return;
    Money sum;
    for (SaleLine &line : lines) {
        const long double a = StrToFloatEx(line[SaleLine::Amount]);
        const long double c = s4r52 ? roundPlaces(a + 0.05L, 0) : roundPlaces(a + 0.005L, 1);
        line[SaleLine::Amount] = money2(c);
        sum += Money::fromText(line[SaleLine::Amount]);
    }
    const Money d = realMoney - sum;
    if (d.isZero())
        return;
    // The first line with the largest amount; the first line when none is above 0.
    int largest = 0;
    Money best;
    for (int i = 0; i < lines.size(); ++i) {
        const Money v = Money::fromText(lines.at(i)[SaleLine::Amount]);
        if (v > best) {
            best = v;
            largest = i;
        }
    }
    SaleLine &target = lines[largest];
    target[SaleLine::Amount] = (Money::fromText(target[SaleLine::Amount]) + d).toText();
}

void applyMemberRate(SaleLines &lines, const QString &rateText)
{
    for (SaleLine &line : lines)
        line[SaleLine::Rate] = line[SaleLine::IfDis] != QLatin1String("0") ? rateText : kNoDiscount;
}

} // namespace Pricing
