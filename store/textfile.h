#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// Text files meant for printers and for the shop's Windows-era files:
// GB18030 bytes, every line ended by CR LF.
QByteArray toAnsi(const QString &text);
QString fromAnsi(const QByteArray &bytes);
// Joins the lines, each followed by CR LF, and writes them atomically.
bool writeAnsiLines(const QString &path, const QStringList &lines, QString *error = nullptr);
bool writeBytesAtomic(const QString &path, const QByteArray &bytes, QString *error = nullptr);
// Reads a GB18030 (or UTF-8 with BOM) text file and splits it into lines (CR LF or LF).
// ok is false when the file cannot be read.
QStringList readAnsiLines(const QString &path, bool *ok = nullptr);
