#include "orderno.h"

#include "clock.h"
#include "store.h"

QString allocateOrderNumber(const QDateTime &at, const std::function<bool(const QString &)> &taken)
{
    QDateTime t = at;
    QString no = orderNumberAt(t);
    // One day of seconds is far more than a shop can ring up at once; it only bounds the loop.
    for (int i = 0; i < 86400 && taken && taken(no); ++i) {
        t = t.addSecs(1);
        no = orderNumberAt(t);
    }
    return no;
}

QString allocateOrderNumber(Store &store, const QDateTime &at, QString *error,
                            const std::function<bool(const QString &)> &alsoTaken)
{
    bool failed = false;
    const QString no = allocateOrderNumber(at, [&](const QString &candidate) {
        if (failed)
            return false;
        bool ok = false;
        const QVariant hit = store.scalar(QStringLiteral("select 1 from orderlist where order_id=:id limit 1"),
                                          {{QStringLiteral("id"), candidate}}, &ok);
        if (!ok) {
            failed = true;
            return false;
        }
        return hit.isValid() || (alsoTaken && alsoTaken(candidate));
    });
    if (failed) {
        if (error)
            *error = store.lastError();
        return {};
    }
    return no;
}
