#include "goodssearch.h"

#include "models.h"
#include "money.h"

namespace GoodsSearch {

QStringList columns()
{
    return {QStringLiteral("barcode"), QStringLiteral("goods_no"), QStringLiteral("name"),
            QStringLiteral("class_name"), QStringLiteral("amount"), QStringLiteral("sold"),
            QStringLiteral("price2"), QStringLiteral("price"), QStringLiteral("ifdis"),
            QStringLiteral("ifaddup"), QStringLiteral("in_date")};
}

QStringList captions()
{
    return {QStringLiteral("条码"), QStringLiteral("货号"), QStringLiteral("名称"), QStringLiteral("类别"),
            QStringLiteral("库存"), QStringLiteral("已卖出"), QStringLiteral("会员价"), QStringLiteral("零售价"),
            QStringLiteral("打折"), QStringLiteral("积分"), QStringLiteral("更新")};
}

QString sql(Field field, bool substring)
{
    QString column;
    switch (field) {
    case Field::Barcode: column = QStringLiteral("barcode"); break;
    case Field::GoodsNo: column = QStringLiteral("goods_no"); break;
    case Field::Name: column = QStringLiteral("name"); break;
    case Field::None: return {};
    }
    const QString test = substring ? QStringLiteral(" like '%' || :t || '%'") : QStringLiteral("=:t");
    return QStringLiteral("select ") + columns().join(QLatin1Char(','))
           + QStringLiteral(" from goods where hide=0 and ") + column + test + QStringLiteral(" order by goods_id");
}

Field run(QueryModel &model, const QString &text, bool substring, bool *searched, QString *error)
{
    if (searched)
        *searched = false;
    if (text.trimmed().isEmpty())
        return Field::None;
    if (searched)
        *searched = true;
    const QVariantMap p{{QStringLiteral("t"), text}};
    for (Field f : {Field::Barcode, Field::GoodsNo, Field::Name}) {
        if (!model.setQuery(sql(f, substring), p)) {
            if (error)
                *error = model.lastError();
            return Field::None;
        }
        if (model.rowCount() > 0)
            return f;
    }
    return Field::None;
}

void decorate(QueryModel &model)
{
    const QStringList cols = columns();
    const QStringList caps = captions();
    for (int i = 0; i < cols.size(); ++i)
        model.setHeader(cols.at(i), caps.at(i));
    model.setFormat(QStringLiteral("amount"), QueryModel::Format::Quantity);
    model.setFormat(QStringLiteral("sold"), QueryModel::Format::Quantity);
    model.setFormat(QStringLiteral("price2"), QueryModel::Format::Yuan);
    model.setFormat(QStringLiteral("price"), QueryModel::Format::Yuan);
    model.setFormat(QStringLiteral("ifdis"), QueryModel::Format::Flag);
    model.setFormat(QStringLiteral("ifaddup"), QueryModel::Format::Flag);
}

QString resultText(int rows)
{
    return QString::number(rows) + QStringLiteral("项结果符合查询要求");
}

QString cellText(const QueryModel &model, int row, int column)
{
    const QVariant v = model.rawValue(row, column);
    if (!v.isValid() || v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double)
        return formatQty(v.toDouble());
    return v.toString();
}

}  // namespace GoodsSearch
