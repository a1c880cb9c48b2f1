#include "quickentry.h"

#include "barcodelookup.h"
#include "clock.h"
#include "store.h"

namespace QuickEntry {

Lookup Lookup::service()
{
    Lookup l;
    l.online = [] { return Checkonline(); };
    l.search = [](const QString &code) {
        const BarcodeLookup::SearchAnswer a = BarcodeLookup::search(code);
        return Answer{a.valid && a.known, a.name};
    };
    return l;
}

QString questionText()
{
    return QStringLiteral("无此条码，是否现在启用快速录入？");
}

Decision unknownCode(const QString &code, const Lookup &lookup, const std::function<bool(const QString &)> &ask)
{
    Decision d;
    if (!lookup.online || !lookup.online())
        return d;
    const Lookup::Answer a = lookup.search ? lookup.search(code) : Lookup::Answer{};
    d.name = a.name;
    if (a.known || (ask && ask(questionText())))
        d.action = Action::Open;
    else
        d.action = Action::Declined;
    return d;
}

QStringList classNames(Store &store, QString *error)
{
    bool ok = false;
    const Rows rows = store.select(QStringLiteral("select class_name from class order by rowid"), {}, &ok);
    if (!ok && error)
        *error = store.lastError();
    QStringList out;
    for (const QVariantList &r : rows.rows)
        out << r.value(0).toString();
    return out;
}

std::optional<GoodsRecord> insert(Store &store, const NewGoods &g, QString *error)
{
    // Goods without a barcode could never be scanned, and their sale lines would merge.
    if (g.barcode.trimmed().isEmpty()) {
        if (error)
            *error = emptyBarcodeText();
        return std::nullopt;
    }
    Query q(store, QStringLiteral("insert into goods(barcode,name,price,price2,amount,class_name,in_date,ifdis,"
                                  "ifaddup,hide)values(:barcode,:name,:price,:price2,:amount,:class_name,:in_date,"
                                  ":ifdis,:ifaddup,:hide)"));
    q.bind(QStringLiteral("barcode"), g.barcode)
        .bind(QStringLiteral("name"), g.name)
        .bind(QStringLiteral("price"), g.price)
        .bind(QStringLiteral("price2"), g.price2)
        .bind(QStringLiteral("amount"), g.amount)
        .bind(QStringLiteral("class_name"), g.className)
        .bind(QStringLiteral("in_date"), Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
        .bind(QStringLiteral("ifdis"), g.ifdis ? -1 : 0)
        .bind(QStringLiteral("ifaddup"), g.ifaddup ? -1 : 0)
        .bind(QStringLiteral("hide"), 0);
    if (!q.exec()) {
        if (error)
            *error = q.lastError();
        return std::nullopt;
    }
    // By id, not by barcode: a barcode typed over an existing one must still sell the new row.
    bool ok = false;
    const Rows rows = store.select(QStringLiteral("select * from goods where goods_id=:id"),
                                   {{QStringLiteral("id"), store.lastInsertId()}}, &ok);
    if (!ok || rows.isEmpty()) {
        if (error)
            *error = ok ? QStringLiteral("新商品读取失败") : store.lastError();
        return std::nullopt;
    }
    return GoodsRecord::fromRow(rows, 0);
}

QString emptyBarcodeText()
{
    return QStringLiteral("请输入商品条码");
}

QString zeroPriceText()
{
    return QStringLiteral("提示：商品零售价为0，无法正常收款");
}

QString startStatusText()
{
    return QStringLiteral("点击添加按钮即可添加商品信息到库存中");
}

QString captionFor(const QString &name)
{
    return name.isEmpty() ? QStringLiteral("快速录入商品") : QStringLiteral("条码智能查询");
}

}  // namespace QuickEntry
