#include "msgbox.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace {
Msg::Script g_script;
QStringList g_shown;

bool route(const QString &kind, const QString &text, bool *answered)
{
    if (!g_script) {
        *answered = false;
        return false;
    }
    *answered = true;
    g_shown << text;
    return g_script(kind, text);
}
}

namespace Msg {

void info(QWidget *parent, const QString &text)
{
    bool done = false;
    route(QStringLiteral("info"), text, &done);
    if (!done)
        QMessageBox::information(parent, QStringLiteral("提示"), text);
}

void error(QWidget *parent, const QString &text)
{
    bool done = false;
    route(QStringLiteral("error"), text, &done);
    if (!done)
        QMessageBox::warning(parent, QStringLiteral("错误"), text);
}

bool question(QWidget *parent, const QString &text, bool defaultYes)
{
    bool done = false;
    const bool answer = route(QStringLiteral("question"), text, &done);
    if (done)
        return answer;
    QMessageBox box(QMessageBox::Question, QStringLiteral("提示"), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    return box.exec() == QMessageBox::Yes;
}

void setScript(Script script)
{
    g_script = std::move(script);
    g_shown.clear();
}

void clearScript()
{
    g_script = nullptr;
    g_shown.clear();
}

QStringList takeShown()
{
    QStringList out = g_shown;
    g_shown.clear();
    return out;
}

} // namespace Msg
