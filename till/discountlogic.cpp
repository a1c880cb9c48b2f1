#include "discountlogic.h"

#include "money.h"

#include <cmath>

namespace DiscountLogic {

double discountedAmount(double base, double rate, const PricingOptions &rounding)
{
    const long double b = base;
    const long double amount = b - b * (100.0L - static_cast<long double>(rate)) / 100.0L;
    long double out = amount;
    if (rounding.s4r5)
        out = Pricing::roundPlaces(amount + 0.005L, 1);
    if (rounding.s4r52)
        out = Pricing::roundPlaces(amount + 0.05L, 0);
    if (rounding.moling)
        out = std::trunc(amount);
    return static_cast<double>(out);
}

bool lineBase(const SaleLine &line, double *base)
{
    if (line[SaleLine::IfDis] == QLatin1String("0"))
        return false;
    double q = 0;
    if (!parseNumber(line[SaleLine::Qty], &q))
        return false;
    if (base)
        *base = StrToFloatEx(line[SaleLine::Price]) * q;
    return true;
}

} // namespace DiscountLogic

DiscountCalc::DiscountCalc(const DiscountSetup &setup)
    : m_setup(setup)
{
    rateText = setup.prefillRate;
}

DiscountCalc::Reaction DiscountCalc::rateKeyReleased()
{
    Reaction r;
    const QString t = rateText.trimmed();
    if (t.size() == 2) {
        bool ok = false;
        const int value = t.toInt(&ok);
        if (!ok)
            return r;
        if (value < m_setup.lowestDiscount) {
            r.message = DiscountLogic::TooLow;
            rateText.clear();
            setAmountText(QString());
            return r;
        }
        const double amount = DiscountLogic::discountedAmount(m_setup.zhekou_qian, value, m_setup.rounding);
        setAmountText(formatC2(m_setup.zhekou_qian - amount));
    } else if (t == QLatin1String("0")) {
        // Everything discounted: nothing is left to check, go straight to confirming.
        setAmountText(formatC2(m_setup.zhekou_qian));
        r.focus = Focus::Confirm;
    }
    return r;
}

void DiscountCalc::rateLeft()
{
    const QString t = rateText.trimmed();
    if (t.isEmpty()) {
        distype = 2;
        return;
    }
    bool ok = false;
    const int value = t.toInt(&ok);
    if (!ok)
        return;
    distype = 1;
    dis_rate = value;
}

void DiscountCalc::setAmountText(const QString &text)
{
    const bool changed = text != amountText;
    amountText = text;
    if (changed)
        amountChanged();
}

void DiscountCalc::amountChanged()
{
    const double base = m_setup.zhekou_qian;
    const QString t = amountText.trimmed();
    if (t.isEmpty()) {
        collectText = formatQty(base + m_setup.nodis);
        return;
    }
    double amount = 0;
    if (!parseNumber(t, &amount))
        return;  // an unreadable amount is ignored
    const double collect = base - amount + m_setup.nodis;
    if (distype == 2) {
        if (base == 0)
            return;
        dis_rate = std::trunc((base - amount) / base * 100 + 0.5);
    }
    if (collect < 0) {
        rateText.clear();
        setAmountText(QString());
        return;
    }
    collectText = formatC2(collect);
}

DiscountCalc::Reaction DiscountCalc::collectLeft()
{
    Reaction r;
    if (collectText.isEmpty())
        return r;
    double collect = 0;
    if (!parseNumber(collectText, &collect)) {
        r.message = DiscountLogic::BadCollect;
        r.focus = Focus::Collect;
        return r;
    }
    collectText = formatC2(collect);
    collect = collectText.toDouble();
    const double base = m_setup.zhekou_qian;
    if (base <= 0)
        dis_rate = 100;
    else
        dis_rate = std::nearbyint((collect - m_setup.nodis) * 10000) / base * 100 / 10000;
    if (dis_rate < m_setup.lowestDiscount) {
        r.message = DiscountLogic::TooLow;
        r.focus = Focus::Collect;
        collectText.clear();
    }
    return r;
}

DiscountCalc::Result DiscountCalc::confirm(SaleLines &lines, const DiscountHooks &hooks) const
{
    Result res;
    if (collectText.isEmpty())
        return res;
    double collect = 0;
    if (!parseNumber(collectText, &collect))
        return res;
    const QString rate = QString::asprintf("%.0f", dis_rate);
    res.applied = true;

    if (!m_setup.zhengdan) {
        if (m_setup.row < 0 || m_setup.row >= lines.size())
            return Result{};
        SaleLine &line = lines[m_setup.row];
        line[SaleLine::Rate] = rate;
        line[SaleLine::Amount] = formatMoney(collect);
        if (hooks.recount)
            hooks.recount();
        return res;
    }

    for (SaleLine &line : lines) {
        if (line[SaleLine::IfDis] == QLatin1String("0")) {
            line[SaleLine::Rate] = QStringLiteral("100");
            continue;
        }
        line[SaleLine::Rate] = rate;
        line[SaleLine::Amount] =
            formatMoney(StrToFloatEx(line[SaleLine::Price]) * StrToFloatEx(line[SaleLine::Qty]) * dis_rate / 100);
    }
    if (hooks.recount)
        hooks.recount();
    if (lines.size() == 1)
        lines[0][SaleLine::Amount] = formatMoney(collect);
    res.realMoneyText = collectText;
    if (hooks.setRealMoney)
        hooks.setRealMoney(collectText);

    const Money target = Money::fromDouble(collect);
    Money sum;
    for (const SaleLine &line : lines)
        sum += Money::fromText(line[SaleLine::Amount]);
    if (sum != target) {
        if (hooks.moneyopt)
            hooks.moneyopt();
        else
            Pricing::moneyopt(lines, target, m_setup.rounding.s4r52);
    }

    if (m_setup.received != QLatin1String("0"))
        res.changeText = formatC2(StrToFloatEx(m_setup.received) - collect);
    else
        res.focusReceive = true;
    return res;
}

namespace QuantityLogic {

QString info(const SaleLine &line)
{
    return QStringLiteral("商品：") + line[SaleLine::Name] + QLatin1Char('\n') + QStringLiteral("单价：")
           + line[SaleLine::Price] + QLatin1Char('\n') + QStringLiteral("数量：") + line[SaleLine::Qty];
}

Outcome apply(SaleLines &lines, int row, const QString &text, bool ismember)
{
    if (text.isEmpty())
        return Outcome::Empty;
    double q = 0;
    if (!parseNumber(text, &q))
        return Outcome::Bad;
    if (row < 0 || row >= lines.size())
        return Outcome::Empty;
    if (q == 0) {
        lines.removeAt(row);
        return Outcome::Removed;
    }
    SaleLine &line = lines[row];
    const bool memberPrice = ismember && !line[SaleLine::MemberPrice].isEmpty();
    const long double unit = StrToFloatEx(memberPrice ? line[SaleLine::MemberPrice] : line[SaleLine::Price]);
    const long double oldQty = StrToFloatEx(line[SaleLine::Qty]);
    const long double oldAmount = StrToFloatEx(line[SaleLine::Amount]);
    long double amount = 0;
    // Without a price or an old quantity the ratio means nothing: the line stays at 0.
    if (unit != 0 && oldQty != 0) {
        const long double ratio =
            line[SaleLine::Rate].isEmpty() ? 100.0L : oldAmount / oldQty / unit * 100.0L;
        amount = static_cast<long double>(q) * unit * ratio / 100.0L;
    }
    line[SaleLine::Qty] = text;
    line[SaleLine::Amount] = formatQty(static_cast<double>(amount));
    line[SaleLine::CostAmount] = formatMoney(q * StrToFloatEx(line[SaleLine::UnitCost]));
    return Outcome::Changed;
}

}
