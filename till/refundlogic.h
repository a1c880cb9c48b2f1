#pragma once
// Refunds: goods a customer brings back, collected from a receipt or one by one, and
// recorded as one negative order with its lines, less points for the member and less
// sales for the salesperson, all in one transaction.

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

class Store;

struct RefundLine {
    QString barcode;   // the line's caption
    QString goodsNo;
    QString name;
    QString qtyText;   // as shown
    QString moneyText; // "0.00"
    QString goodsId;   // hidden
    bool ticked = false;
};

struct ReceiptForRefund {
    QList<RefundLine> lines;  // unticked, in the order of the receipt
    QString cardId;
    QString salesNo;
};

struct RefundTotals {
    QString amountText = QStringLiteral("0");  // amountEdit
    QString moneyText = QStringLiteral("0");   // moneyEdit
};

struct RefundRequest {
    QList<RefundLine> lines;  // the checklist; only ticked lines are refunded
    QString moneyText;        // moneyEdit: the money to refund, as typed
    QString cardNo;           // cardNoEdit
    QString salesNo;          // salesNoEdit
    QString cashier;
    int addRate = 1;          // money per point
};

struct RefundOutcome {
    bool ok = false;
    QString orderNo;
    QString message;  // what to show: the success text or why nothing was written
};

namespace RefundLogic {

inline const QString UnknownReceipt = QStringLiteral("无此流水号，请重新输入");
inline const QString UnknownGoods = QStringLiteral("查无此商品。");
inline const QString BadNumber = QStringLiteral("数量或金额输入格式不正确");
inline const QString Done = QStringLiteral("退货操作成功！");

// The lines of a receipt and its member card and salesperson code. nullopt when the
// receipt has no lines (or on a store error, with *error set).
std::optional<ReceiptForRefund> lookupReceipt(Store &store, const QString &orderId, QString *error = nullptr);

// Unit price of a goods item by barcode, then by goods number.
std::optional<double> priceOf(Store &store, const QString &code);
// A goods item to add by barcode, then by goods number: barcode, goods_no, name, goods_id.
std::optional<RefundLine> itemOf(Store &store, const QString &code);

// Money for `qtyText` pieces at `unitPrice`, to 1/10000 (ties to even), as "0.00".
// False when the quantity is not a number.
bool lineMoney(double unitPrice, const QString &qtyText, QString *money);

// Sum of the ticked lines' quantities (shortest form) and money ("0.00").
RefundTotals totals(const QList<RefundLine> &lines);

// Records the refund stamped with `now`: all of it, or nothing.
RefundOutcome record(Store &store, const RefundRequest &request, const QDateTime &now);

}
