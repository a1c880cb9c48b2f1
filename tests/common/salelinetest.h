#pragma once
// Small helpers for tests over the till's sale lines.

#include "pricing.h"
#include "saleline.h"

#include <QStringList>

inline PricingOptions opts(bool opt1, bool opt2, bool opt3)
{
    PricingOptions o;
    o.s4r5 = opt1;
    o.s4r52 = opt2;
    o.moling = opt3;
    return o;
}

// One sub-item of every line, in list order.
inline QStringList column(const SaleLines &lines, SaleLine::Sub sub)
{
    QStringList out;
    for (const SaleLine &l : lines)
        out << l[sub];
    return out;
}
inline QStringList amounts(const SaleLines &lines) { return column(lines, SaleLine::Amount); }
inline QStringList rates(const SaleLines &lines) { return column(lines, SaleLine::Rate); }
