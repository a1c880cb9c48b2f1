#pragma once
// A code the store does not know: the till asks the barcode lookup service for a name
// (only when online) and offers quick entry of the goods; the new goods row is then
// sold like a scanned one.

#include "goods.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class Store;

namespace QuickEntry {

// The lookup service as the unknown-code path sees it.
struct Lookup {
    struct Answer {
        bool known = false;  // "success" was true
        QString name;        // "name" of the answer, empty when none
    };
    std::function<bool()> online;                            // Checkonline()
    std::function<Answer(const QString &code)> search;       // the search request

    // The barcode lookup client of the suite (net/).
    static Lookup service();
};

enum class Action {
    Offline,   // nothing happens; the code stays in the till's field
    Declined,  // the cashier said No; the code field is cleared
    Open,      // open quick entry with code and name; the code field is cleared afterwards
};

struct Decision {
    Action action = Action::Offline;
    QString name;  // for Open: the name the service gave (may be empty)
};

QString questionText();  // "无此条码，是否现在启用快速录入？"

// The unknown-code path for code T (trimmed by the caller). A known answer opens at
// once; any other answer, an error page or no answer at all asks the question first.
Decision unknownCode(const QString &code, const Lookup &lookup,
                     const std::function<bool(const QString &question)> &ask);

// What the quick-entry dialog writes.
struct NewGoods {
    QString barcode;
    QString name;
    double price = 0;
    double price2 = 0;
    double amount = 0;   // opening stock
    QString className;   // empty when no class was chosen
    bool ifdis = true;
    bool ifaddup = true;
};

// "select class_name from class", in table order.
QStringList classNames(Store &store, QString *error = nullptr);

// Inserts the goods (in_date = now from the suite's clock) and reads the new row back
// by its id, ready for the sale. nullopt with *error when refused: the store's message,
// or emptyBarcodeText() for a blank barcode.
std::optional<GoodsRecord> insert(Store &store, const NewGoods &goods, QString *error);

QString emptyBarcodeText(); // "请输入商品条码"
QString zeroPriceText();   // "提示：商品零售价为0，无法正常收款"
QString startStatusText(); // "点击添加按钮即可添加商品信息到库存中"
QString captionFor(const QString &name);  // "条码智能查询" with a name, else "快速录入商品"

}  // namespace QuickEntry
