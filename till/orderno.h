#pragma once
// Receipt serial numbers ("流水号"): the 11-character time of the sale. Two sales in
// the same second would share a number and mix their lines, so a number already in
// use moves on to the next second's number.

#include <QDateTime>
#include <QString>
#include <functional>

class Store;

// The number of `at`, or of the first later second whose number `taken` rejects not.
QString allocateOrderNumber(const QDateTime &at, const std::function<bool(const QString &)> &taken);
// The same against the orders in the store (held sales may add their own check).
// Call it inside the transaction that inserts the order, so no other writer can take
// the number in between. On a store error returns empty with *error set.
QString allocateOrderNumber(Store &store, const QDateTime &at, QString *error,
                            const std::function<bool(const QString &)> &alsoTaken = {});
