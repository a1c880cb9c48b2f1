#pragma once
// A private X display (Xvfb) for end-to-end tests, and xdotool to type into it like a
// barcode scanner does: the characters of a code, then Return.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <QtTest>

class XSession {
public:
    XSession()
    {
        for (int n = 71; n < 99 && m_display.isEmpty(); ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            m_xvfb.setProgram(QStringLiteral("Xvfb"));
            m_xvfb.setArguments({QStringLiteral(":%1").arg(n), QStringLiteral("-screen"), QStringLiteral("0"),
                                 QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            m_xvfb.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            m_xvfb.start();
            if (!m_xvfb.waitForStarted(5000))
                continue;
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
            for (int i = 0; i < 100 && !QFile::exists(socket) && m_xvfb.state() == QProcess::Running; ++i)
                QThread::msleep(50);
            if (m_xvfb.state() == QProcess::Running && QFile::exists(socket))
                m_display = QStringLiteral(":%1").arg(n);
            else
                m_xvfb.kill(), m_xvfb.waitForFinished(2000);
        }
    }
    ~XSession()
    {
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            if (!m_xvfb.waitForFinished(3000))
                m_xvfb.kill();
            m_xvfb.waitForFinished(2000);
        }
    }
    bool isValid() const { return !m_display.isEmpty(); }
    QString display() const { return m_display; }

    QProcessEnvironment environment(const QString &shopFolder) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("ZAZUVI_HOME"), shopFolder);
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return env;
    }

    // Runs xdotool with the arguments; its standard output, trimmed.
    QString xdotool(const QStringList &args, int timeoutMs = 15000) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("xdotool"), args);
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    // Waits for a visible window whose title matches; its id or empty.
    QString waitForWindow(const QString &title, int timeoutMs = 20000) const
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            const QString id = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), title}, 3000)
                                   .section(QLatin1Char('\n'), 0, 0);
            if (!id.isEmpty())
                return id;
            QThread::msleep(200);
        }
        return {};
    }

    void focus(const QString &window) const
    {
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}, 3000);
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}, 3000);
    }

    // Types text into the focused window, then presses the keys (e.g. "Return").
    void type(const QString &text, const QStringList &thenKeys = {}) const
    {
        if (!text.isEmpty())
            xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
        for (const QString &k : thenKeys)
            xdotool({QStringLiteral("key"), k});
    }
    void scan(const QString &code) const { type(code, {QStringLiteral("Return")}); }

private:
    QProcess m_xvfb;
    QString m_display;
};
