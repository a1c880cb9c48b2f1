#pragma once
// One row of the till's sale list: the barcode caption and eleven texts. The pricing
// rules read and write these texts, so every rounding step stays visible in them.

#include <QList>
#include <QString>
#include <array>

struct SaleLine {
    enum Sub {
        Name = 0,       // goods.name
        Price = 1,      // original unit price, "0.00"
        MemberPrice = 2,// member unit price "0.00", empty when none
        Rate = 3,       // discount rate in percent, "100" = none
        Qty = 4,        // quantity, shortest decimal text
        Amount = 5,     // line amount, "0.00"
        UnitCost = 6,   // goods.costprice as stored
        CostAmount = 7, // quantity x unit cost
        IfDis = 8,      // "-1" may be discounted, "0" never
        IfAddup = 9,    // "-1" earns points, "0" does not
        GoodsId = 10,   // goods.goods_id as text
        SubCount = 11
    };

    QString caption;                      // barcode
    std::array<QString, SubCount> sub{};

    QString &operator[](Sub s) { return sub[s]; }
    const QString &operator[](Sub s) const { return sub[s]; }
    bool operator==(const SaleLine &) const = default;
};

using SaleLines = QList<SaleLine>;
