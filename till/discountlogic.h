#pragma once
// The discount dialog's arithmetic: a rate, a discount amount and the amount to collect
// kept in step, the shop's lowest discount, the rounding options, and writing the
// result into one line or the whole sale.

#include "pricing.h"
#include "saleline.h"

#include <QString>
#include <functional>

struct DiscountSetup {
    bool zhengdan = false;     // the whole sale; false: one line
    double zhekou_qian = 0;    // the discountable base a rate applies to
    double nodis = 0;          // the part a whole-sale discount leaves alone (0 for a line)
    int row = -1;              // the line, for a single-line discount
    int lowestDiscount = 0;    // shop_info.discount; 0 allows any rate
    PricingOptions rounding;   // opt1, opt2, opt3
    QString prefillRate;       // disRateEdit when a member is attached under the points policy
    QString received;          // receivemoneyEdit as it reads
};

// What confirming calls in the till window.
struct DiscountHooks {
    std::function<void()> recount;                      // GoodsCount(), into goodscountLbl
    std::function<void(const QString &)> setRealMoney;  // whole sale: realmoneyEdit := the amount collected
    std::function<void()> moneyopt;                     // whole sale: the till's spreading over realmoneyEdit;
                                                        // without it the lines are spread here
};

namespace DiscountLogic {

inline const QString TooLow = QStringLiteral("折扣过低，系统不允许，请修改");
inline const QString BadCollect = QStringLiteral("实收金额格式不正确，请重新填写");
inline const QString PolicyNote = QStringLiteral("说明：已根据积分政策自动设置折扣率");
inline const QString NotDiscountable = QStringLiteral("本商品不参与打折。");

// The amount a rate leaves of base, with the rounding options; each option is taken
// from the unrounded amount and a later one replaces an earlier one.
double discountedAmount(double base, double rate, const PricingOptions &rounding);

// Base of a single-line discount: list price x quantity (quantity read strictly).
// False when the line may not be discounted or its quantity is not a number.
bool lineBase(const SaleLine &line, double *base);

}

// The quantity dialog: a new quantity keeps the line's discount ratio; 0 removes it.
namespace QuantityLogic {

inline const QString BadQuantity = QStringLiteral("数量格式不对，请重新填写");

// The three lines of goodsinfoLbl.
QString info(const SaleLine &line);

enum class Outcome {
    Empty,    // nothing typed: nothing happens
    Bad,      // not a number: the message, nothing changes
    Removed,  // 0: the line is gone
    Changed,  // quantity, amount and cost amount rewritten (the recount formats them)
};
// ismember: the till has a member attached (the member price counts where the line has one).
Outcome apply(SaleLines &lines, int row, const QString &text, bool ismember);

}

// The state of the dialog's three fields and what each field event does to them.
// The form mirrors the texts into its widgets after every call.
class DiscountCalc {
public:
    explicit DiscountCalc(const DiscountSetup &setup);

    enum class Focus { None, Confirm, Collect };
    struct Reaction {
        QString message;  // information box to show first, empty for none
        Focus focus = Focus::None;
    };

    // Field texts: discountEdit, disEdit2, realMoneyEdit.
    QString rateText;
    QString amountText;
    QString collectText;

    int distype = 0;     // 1: the rate came from the rate field; 2: from the amounts
    double dis_rate = 0; // percent to apply

    const DiscountSetup &setup() const { return m_setup; }

    // A key was released in the rate field (rateText holds its text).
    Reaction rateKeyReleased();
    // The rate field was left.
    void rateLeft();
    // The discount amount changed (typed, or set by the rate field).
    void setAmountText(const QString &text);
    // The amount to collect was left. A refusal clears it and asks for the focus.
    Reaction collectLeft();

    // Confirming. Empty collect: nothing changes and applied is false.
    struct Result {
        bool applied = false;
        QString realMoneyText;   // whole sale: the till's realmoneyEdit
        QString changeText;      // whole sale: the till's changeMoney; empty when nothing was received
        bool focusReceive = false;
    };
    Result confirm(SaleLines &lines, const DiscountHooks &hooks) const;

private:
    void amountChanged();
    DiscountSetup m_setup;
};
