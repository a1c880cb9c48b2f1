#include "shopstore.h"

#include "paths.h"

namespace ShopStore {

std::unique_ptr<Store> open(QString *error)
{
    return Store::open(programFile(Store::defaultFileName()), error);
}

std::unique_ptr<Store> openForBackOffice(QString *error)
{
    auto s = open(error);
    if (!s)
        return nullptr;
    if (!s->checkTables({QStringLiteral("shop_info"), QStringLiteral("seller"), QStringLiteral("setting"),
                         QStringLiteral("discount"), QStringLiteral("disrate")})) {
        if (error)
            *error = TablesError;
        return nullptr;
    }
    return s;
}

QString shopIdentifier(Store &store)
{
    const QString id = store.scalar(QStringLiteral("select shopid from shop_info limit 1")).toString();
    return id == QStringLiteral("utf8") ? QString() : id;
}

} // namespace ShopStore
