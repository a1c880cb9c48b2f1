#pragma once
#include <QDate>
#include <QDateTime>
#include <functional>

// The suite's idea of "now". Tests replace it; nothing else reads the system clock.
namespace Clock {
QDateTime now();
inline QDate today() { return now().date(); }
// Replace the clock (nullptr restores the system clock).
void setSource(std::function<QDateTime()> source);
// Convenience for tests: a fixed time that only moves when told to.
void setFixed(const QDateTime &t);
void advance(qint64 msecs);
}

// Receipt serial number of a moment: "yymmddhhnnss" without its first character.
QString orderNumberAt(const QDateTime &t);
