#include "paths.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString withSlash(QString p)
{
    if (!p.endsWith(QLatin1Char('/')))
        p += QLatin1Char('/');
    return p;
}
}

QString executableDir()
{
    return withSlash(QCoreApplication::applicationDirPath());
}

QString programDir()
{
    const QString home = qEnvironmentVariable("ZAZUVI_HOME");
    if (!home.isEmpty())
        return withSlash(QDir(home).absolutePath());
    return executableDir();
}

QString programFile(const QString &name)
{
    return programDir() + name;
}
