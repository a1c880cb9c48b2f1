// checkout: the till. Started by the launcher with the user name and the password.
#include "mainform.h"
#include "msgbox.h"
#include "shopstore.h"
#include "startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <QTimer>
#include <QWindow>

#include <cstdio>

int main(int argc, char **argv)
{
    QElapsedTimer started;
    started.start();
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
    // For the start-up benchmark: ZAZUVI_BENCH_EXIT_ON_SHOW=N reports on stderr once the
    // window is exposed (and so painted) and quits N ms later.
    if (qEnvironmentVariableIsSet("ZAZUVI_BENCH_EXIT_ON_SHOW")) {
        auto *poll = new QTimer(&app);
        QObject::connect(poll, &QTimer::timeout, &app, [&window, &started, poll] {
            if (!window.windowHandle() || !window.windowHandle()->isExposed())
                return;
            poll->stop();
            fprintf(stderr, "zazuvi-bench: shown %lld ms after start\n", static_cast<long long>(started.elapsed()));
            fflush(stderr);
            QTimer::singleShot(qEnvironmentVariableIntValue("ZAZUVI_BENCH_EXIT_ON_SHOW"), qApp, &QCoreApplication::quit);
        });
        poll->start(1);
    }
    return app.exec();
}
