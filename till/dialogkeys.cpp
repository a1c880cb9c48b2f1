#include "dialogkeys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace {

class InputLimiter : public QObject {
public:
    InputLimiter(QLineEdit *edit, const QString &allowed, int maxLength)
        : QObject(edit)
        , m_edit(edit)
        , m_allowed(allowed)
        , m_max(maxLength)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_edit || event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        const QString typed = key->text();
        if (typed.isEmpty() || !typed.at(0).isPrint())
            return false;
        for (QChar c : typed)
            if (!m_allowed.contains(c))
                return true;
        if (m_max > 0 && m_edit->text().size() - m_edit->selectedText().size() + typed.size() > m_max)
            return true;
        return false;
    }

private:
    QLineEdit *m_edit;
    QString m_allowed;
    int m_max;
};

} // namespace

namespace DialogKeys {

void limitInput(QLineEdit *edit, const QString &allowed, int maxLength)
{
    edit->installEventFilter(new InputLimiter(edit, allowed, maxLength));
    // Pasted text is held to the same characters.
    const QString cls = QStringLiteral("[") + QRegularExpression::escape(allowed) + QStringLiteral("]*");
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(cls), edit));
}

void noDefaultButtons(QWidget *root)
{
    for (QPushButton *b : root->findChildren<QPushButton *>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
}

bool isEnter(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace DialogKeys
