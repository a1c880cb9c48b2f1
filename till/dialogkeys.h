#pragma once
// Keyboard habits shared by the till's dialogs: numeric fields that take only some
// characters and a limited number of typed ones (text set by the program is never cut,
// as a rate of "100" must stay whole), and push buttons that Return never presses on
// its own, because scanners and cashiers end every field with Return.

#include <QString>

class QKeyEvent;
class QLineEdit;
class QWidget;

namespace DialogKeys {

// Typed characters outside `allowed` are dropped, and typing stops at maxLength
// characters (0: no limit). Backspace, Delete, arrows and shortcuts pass.
void limitInput(QLineEdit *edit, const QString &allowed, int maxLength = 0);
inline const QString Digits = QStringLiteral("0123456789");
inline const QString DigitsDot = QStringLiteral("0123456789.");

// No push button below `root` is default or auto-default.
void noDefaultButtons(QWidget *root);

bool isEnter(const QKeyEvent *event);

}
