#include "clock.h"

#include <mutex>

namespace {
std::function<QDateTime()> g_source;
QDateTime g_fixed;
}

namespace Clock {

QDateTime now()
{
    if (g_source)
        return g_source();
    return QDateTime::currentDateTime();
}

void setSource(std::function<QDateTime()> source)
{
    g_source = std::move(source);
}

void setFixed(const QDateTime &t)
{
    g_fixed = t;
    g_source = [] { return g_fixed; };
}

void advance(qint64 msecs)
{
    g_fixed = g_fixed.addMSecs(msecs);
}

} // namespace Clock

QString orderNumberAt(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyMMddHHmmss")).mid(1);
}
