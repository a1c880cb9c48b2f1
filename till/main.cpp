// checkout: the till. Started by the launcher with the user name and the password.
#include "mainform.h"
#include "msgbox.h"
#include "shopstore.h"
#include "startup.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("checkout"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QString error;
    const auto store = ShopStore::open(&error);
    if (!store) {
        Msg::info(nullptr, error);
        return 1;
    }
    const TillStartup::LoginResult login = TillStartup::checkLogin(*store, QApplication::arguments().mid(1));
    if (login.outcome != TillStartup::Login::Ok) {
        if (!login.message.isEmpty())
            Msg::info(nullptr, login.message);
        return login.outcome == TillStartup::Login::StoreError ? 1 : 0;
    }
    const ShopSettings shop = TillStartup::readShopSettings(*store, &error);
    if (!error.isEmpty()) {
        Msg::error(nullptr, error);
        return 1;
    }
    TmainForm window(*store, login.cashierName, shop);
    window.show();
    return app.exec();
}
