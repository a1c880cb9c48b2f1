#include "textfile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

QByteArray toAnsi(const QString &text)
{
    QStringEncoder enc("GB18030");
    return enc.encode(text);
}

QString fromAnsi(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    QStringDecoder dec("GB18030");
    return dec.decode(bytes);
}

bool writeBytesAtomic(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

bool writeAnsiLines(const QString &path, const QStringList &lines, QString *error)
{
    QString text;
    for (const QString &l : lines)
        text += l + QStringLiteral("\r\n");
    return writeBytesAtomic(path, toAnsi(text), error);
}

QStringList readAnsiLines(const QString &path, bool *ok)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (ok)
            *ok = false;
        return {};
    }
    if (ok)
        *ok = true;
    QString text = fromAnsi(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char('\n'));
}
