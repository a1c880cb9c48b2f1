#pragma once
#include <QByteArray>
#include <QString>

// Password scrambling: each character becomes (low 8 bits of its code) XOR a fixed mask,
// so applying it twice gives the text back. Stored passwords and the summary viewing
// password are kept in this form and always compared scrambled.
QString ShowStr(const QString &text);

// The store key, built at run time by scrambling a fixed five-character text;
// passed to the engine as its UTF-8 bytes.
QString storeKeyText();
QByteArray storeKey();
