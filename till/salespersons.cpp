#include "salespersons.h"

#include "store.h"

namespace Salespersons {

QStringList names(Store &store, QString *error)
{
    bool ok = false;
    const Rows rows = store.select(QStringLiteral("select sales_name from sales order by rowid"), {}, &ok);
    if (!ok && error)
        *error = store.lastError();
    QStringList out;
    for (const QVariantList &r : rows.rows)
        out << r.value(0).toString();
    return out;
}

std::optional<Salesperson> find(Store &store, const QString &text, QString *error)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QVariantMap p{{QStringLiteral("t"), t}};
    // The code wins over a name that happens to be spelled like it.
    for (const QString &sql : {QStringLiteral("select * from sales where sales_No=:t order by rowid limit 1"),
                               QStringLiteral("select * from sales where sales_name=:t order by rowid limit 1")}) {
        bool ok = false;
        const Rows rows = store.select(sql, p, &ok);
        if (!ok) {
            if (error)
                *error = store.lastError();
            return std::nullopt;
        }
        if (!rows.isEmpty()) {
            Salesperson s;
            s.id = rows.value(0, QStringLiteral("sales_id")).toInt();
            s.code = rows.value(0, QStringLiteral("sales_no")).toString();
            s.name = rows.value(0, QStringLiteral("sales_name")).toString();
            return s;
        }
    }
    return std::nullopt;
}

QString notFoundText()
{
    return QStringLiteral("无此销售人员，请重新输入");
}

QString labelText(const QString &name)
{
    return QStringLiteral("销售人员姓名：") + name;
}

QString statusText(const QString &name)
{
    return QStringLiteral("销售:") + name;
}

}  // namespace Salespersons
