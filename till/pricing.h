#pragma once
// The till's pricing rules over the sale lines: adding goods, the recount of every
// line and of the totals (member price, rate, rounding options) and the spreading of a
// whole-sale amount over the lines. They read and write the lines' texts, so a
// rounding step always shows in the amount text that is settled.

#include "goods.h"
#include "money.h"
#include "saleline.h"

struct PricingOptions {
    bool s4r5 = false;    // opt1: line amounts to 0.1 yuan
    bool s4r52 = false;   // opt2: line amounts to whole yuan
    bool moling = false;  // opt3: cut line amounts down to whole yuan
};

// The member state the rules need.
struct MemberPricing {
    bool ismember = false;
    QString rateText;  // disRateEdit: the member's rate in percent
};

struct SaleTotals {
    Money priceTotal;     // at the prices in force, before discounts (totalMoneyEdit)
    Money originalTotal;  // at original prices (the big total label)
    Money amountTotal;    // sum of the line amounts: what is settled (realmoneyEdit)
    Money nodismoney;     // part a whole-sale discount does not touch
    Money noaddup;        // part that earns no points
    double quantity = 0;

    QString quantityText() const { return formatQty(quantity); }
};

namespace Pricing {

// x rounded to the given decimal places in extended precision, exact halves to even.
long double roundPlaces(long double x, int places);
// The rounding options applied to one line amount, in their fixed order.
double roundLineAmount(double amount, const PricingOptions &options);

// Adds one piece of the goods: raises the quantity of the row holding its barcode, or
// appends a new row. Returns the index of that row.
int addGoods(SaleLines &lines, const GoodsRecord &goods, const MemberPricing &member);

// Recomputes every line amount and returns the totals (the recount GoodsCount).
SaleTotals recount(SaleLines &lines, bool ismember, const PricingOptions &options);

// After a whole-sale discount: rounds every line amount to 0.1 yuan (whole yuan with
// s4r52) and puts the difference to realMoney on the largest line.
void moneyopt(SaleLines &lines, Money realMoney, bool s4r52);

// Sets the rate column of every line to the member's rate where the goods allow
// discounts, "100" elsewhere (a member card was attached).
void applyMemberRate(SaleLines &lines, const QString &rateText);

}
