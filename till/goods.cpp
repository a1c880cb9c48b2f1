#include "goods.h"

#include "money.h"
#include "store.h"

QString storedText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return formatQty(value.toDouble());
    default:
        return value.toString();
    }
}

GoodsRecord GoodsRecord::fromRow(const Rows &rows, int row)
{
    GoodsRecord g;
    g.barcode = storedText(rows.value(row, QStringLiteral("barcode")));
    g.name = storedText(rows.value(row, QStringLiteral("name")));
    g.price = rows.value(row, QStringLiteral("price")).toDouble();
    g.price2 = rows.value(row, QStringLiteral("price2")).toDouble();
    g.costprice = storedText(rows.value(row, QStringLiteral("costprice")));
    g.stock = rows.value(row, QStringLiteral("amount")).toDouble();
    g.ifdis = storedText(rows.value(row, QStringLiteral("ifdis")));
    g.ifaddup = storedText(rows.value(row, QStringLiteral("ifaddup")));
    g.goodsId = storedText(rows.value(row, QStringLiteral("goods_id")));
    return g;
}

std::optional<GoodsRecord> findGoods(Store &store, const QString &code, QString *error)
{
    const QVariantMap params{{QStringLiteral("code"), code}};
    bool ok = false;
    Rows rows = store.select(QStringLiteral("select * from goods where barcode=:code"), params, &ok);
    if (ok && rows.isEmpty())
        rows = store.select(QStringLiteral("select * from goods where hide=0 and goods_no=:code"), params, &ok);
    if (!ok) {
        if (error)
            *error = store.lastError();
        return std::nullopt;
    }
    if (rows.isEmpty())
        return std::nullopt;
    return GoodsRecord::fromRow(rows, 0);
}
