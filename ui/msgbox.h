#pragma once
// Message boxes and questions of all programs go through here, so tests can answer
// them without a modal loop: setScript() records every text and answers questions.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace Msg {
// Information box with an OK button.
void info(QWidget *parent, const QString &text);
// Warning/error box with an OK button.
void error(QWidget *parent, const QString &text);
// Yes/No question; true for Yes.
bool question(QWidget *parent, const QString &text, bool defaultYes = true);

// Test seam: when set, no box is shown; the function gets the kind ("info", "error",
// "question") and the text and returns the answer for questions.
using Script = std::function<bool(const QString &kind, const QString &text)>;
void setScript(Script script);
void clearScript();
// Texts shown since the last call (only while a script is set).
QStringList takeShown();
}
