#pragma once
// How each program opens its shop's store at start-up.

#include "store.h"

#include <memory>

namespace ShopStore {
// dat.db of the program folder. Missing: "数据库文件不存在"; otherwise the engine's message.
std::unique_ptr<Store> open(QString *error);
// The back office also needs its always-needed tables to answer:
// "打开数据表错误，程序将关闭" when one does not.
std::unique_ptr<Store> openForBackOffice(QString *error);
inline const QString TablesError = QStringLiteral("打开数据表错误，程序将关闭");
// shop_info.shopid of the first row; the stored "utf8" counts as none.
QString shopIdentifier(Store &store);
}
