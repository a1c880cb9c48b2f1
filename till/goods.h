#pragma once
// A goods row as the till reads it for a sale line, and the till's code lookup.

#include <QString>
#include <optional>

class Store;
struct Rows;

struct GoodsRecord {
    QString barcode;
    QString name;
    double price = 0;     // goods.price
    double price2 = 0;    // goods.price2, member price; <= 0 means none
    QString costprice;    // goods.costprice as stored
    double stock = 0;     // goods.amount
    QString ifdis;        // "-1" / "0" as stored
    QString ifaddup;      // "-1" / "0" as stored
    QString goodsId;      // goods.goods_id as text

    static GoodsRecord fromRow(const Rows &rows, int row);
};

// The text a stored value shows: numbers in their shortest form, NULL as empty.
QString storedText(const QVariant &value);

// The goods of a scanned or typed code: by barcode first (retired goods included),
// then by goods number among active goods. std::nullopt when not found; on a store
// error also nullopt with *error set.
std::optional<GoodsRecord> findGoods(Store &store, const QString &code, QString *error);
