#pragma once
// The salesperson who served the customer: looked up at the till by code, then by name,
// and recorded with the sale (orderlist.sales_id) for the commissions.

#include <QString>
#include <QStringList>
#include <optional>

class Store;

struct Salesperson {
    int id = -1;       // sales.sales_id
    QString code;      // sales.sales_no
    QString name;      // sales.sales_name
};

namespace Salespersons {

// Every sales.sales_name in table order, for the drop-down list.
QStringList names(Store &store, QString *error = nullptr);

// The trimmed text as a code first, then as a name. nullopt when neither matches (or on
// a store error, with *error set).
std::optional<Salesperson> find(Store &store, const QString &text, QString *error = nullptr);

QString notFoundText();                     // "无此销售人员，请重新输入"
QString labelText(const QString &name);     // "销售人员姓名：" + name
QString statusText(const QString &name);    // statusPanel3: "销售:" + name

}  // namespace Salespersons
