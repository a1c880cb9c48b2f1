#include "scramble.h"

namespace {
// High nibble 8 maps printable ASCII onto printable Latin-1 (0xA0..0xFF) and back,
// so scrambled passwords never hold control characters.
constexpr char16_t Mask = 0x8D;
// The store key's source text; the key is its scrambled form.
constexpr char16_t KeySource[] = u"Zz#4v";
}

QString ShowStr(const QString &text)
{
    QString out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = QChar(char16_t((text.at(i).unicode() & 0xFF) ^ Mask));
    return out;
}

QString storeKeyText()
{
    return ShowStr(QString::fromUtf16(KeySource));
}

QByteArray storeKey()
{
    return storeKeyText().toUtf8();
}
