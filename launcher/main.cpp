#include "loginform.h"
#include "paths.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zazuvi"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    // The legacy dat.mdb upgrade plugs in here (createLoginWindow's second argument).
    auto form = createLoginWindow(programDir());
    if (!form)
        return 1;
    form->show();
    return app.exec();
}
