#include "smsproto.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace Sms {

QString escapeField(const QString &field)
{
    QString out;
    out.reserve(field.size());
    for (const QChar c : field) {
        switch (c.unicode()) {
        case u'\\': out += QLatin1String("\\\\"); break;
        case u'\t': out += QLatin1String("\\t"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        case u'\n': out += QLatin1String("\\n"); break;
        default: out += c;
        }
    }
    return out;
}

bool unescapeField(const QString &text, QString *field)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text.at(i).unicode()) {
        case u'\\': out += u'\\'; break;
        case u't': out += u'\t'; break;
        case u'r': out += u'\r'; break;
        case u'n': out += u'\n'; break;
        default: return false;
        }
    }
    *field = out;
    return true;
}

QByteArray encodeLine(const QStringList &fields)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i)
            line += u'\t';
        line += escapeField(fields.at(i));
    }
    QByteArray bytes = line.toUtf8();
    bytes += '\n';
    return bytes;
}

bool decodeLine(const QByteArray &line, QStringList *fields)
{
    QByteArray bytes = line;
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        return false;
    QStringList out;
    for (const QString &raw : text.split(u'\t')) {
        QString field;
        if (!unescapeField(raw, &field))
            return false;
        out += field;
    }
    *fields = out;
    return true;
}

QStringList splitNumbers(const QString &numbers)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList out;
    for (const QString &line : numbers.split(lineEnd)) {
        const QString n = line.trimmed();
        if (!n.isEmpty())
            out += n;
    }
    return out;
}

bool isMobileNumber(const QString &number)
{
    if (number.size() != 11 || number.at(0) != u'1')
        return false;
    for (const QChar c : number)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

} // namespace Sms
