#pragma once
// Typing any text (Chinese included) into a widget as key presses.

#include <QtTest>

inline void typeText(QWidget *w, const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(w, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}
