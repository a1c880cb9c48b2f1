#pragma once
// The till window in a shop folder of its own, for tests that drive it with keys: a
// printer port and a pole display that are plain files, a till INI, an SMS gateway
// that only records, and a barcode lookup that is offline unless a test gives one.

#include "clock.h"
#include "fakegateway.h"
#include "mainform.h"
#include "quickentry.h"
#include "startup.h"
#include "testshop.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Activates a window as a window manager would, and waits until it stays active:
// the offscreen platform may still deliver an older window's activation.
inline bool activate(QWidget *w)
{
    const QPointer<QWidget> guard(w);
    for (int i = 0; i < 5 && guard; ++i) {
        if (QApplication::activeWindow() != guard)
            guard->activateWindow();
        if (QTest::qWaitForWindowActive(guard)) {
            QTest::qWait(5);
            if (guard && QApplication::activeWindow() == guard)
                return true;
        }
    }
    return false;
}

struct Till {
    TestShop shop;
    FakeGateway *gateway = nullptr;
    int smsInitResult = 0;
    QStringList systemPrints;
    // What the unknown-code path asks; offline so that no test reaches a network.
    QuickEntry::Lookup lookup{[] { return false; }, {}};
    std::unique_ptr<TmainForm> form;

    explicit Till(const QByteArray &ini = "[cash]\r\ndayin=0\r\n", bool receiptExists = true)
    {
        writeFile(shop.file(QStringLiteral("zazuvi.ini")),
                  "[ports]\nLPT1=" + QFile::encodeName(lptFile()) + "\nCOM1=" + QFile::encodeName(poleFile()) + "\n");
        writeFile(lptFile(), {});
        writeFile(poleFile(), {});
        writeFile(shop.file(QStringLiteral("checkout.ini")), ini);
        if (receiptExists)
            writeFile(receiptFile(), "old receipt\r\n");
    }
    ~Till() { form.reset(); }

    QString lptFile() const { return shop.file(QStringLiteral("lpt1.prn")); }
    QString poleFile() const { return shop.file(QStringLiteral("pole.out")); }
    QString receiptFile() const { return shop.file(QStringLiteral("output.txt")); }

    bool start()
    {
        QString error;
        const ShopSettings s = TillStartup::readShopSettings(shop.store(), &error);
        TillServices services;
        auto g = std::make_unique<FakeGateway>();
        g->initResult = smsInitResult;
        gateway = g.get();
        services.smsGateway = std::move(g);
        services.systemPrint = [this](const QString &path) {
            systemPrints << path;
            return QString();
        };
        services.barcodeLookup = lookup;
        form = std::make_unique<TmainForm>(shop.store(), QStringLiteral("收银员"), s, std::move(services));
        form->show();
        return QTest::qWaitForWindowActive(form.get());
    }

    // Once a dialog has closed the window is active again, as under a window manager.
    QWidget *focus() const
    {
        if (form && !QApplication::activeModalWidget() && QApplication::activeWindow() != form.get())
            (void)activate(form.get());
        return QApplication::focusWidget();
    }
    // Keys go where the focus is, as on the real keyboard.
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(focus() ? focus() : form.get(), k, m);
    }
    void type(const QString &text) { QTest::keyClicks(focus() ? focus() : form.get(), text); }
    // A scanner: the code, then Return.
    void scan(const QString &code)
    {
        type(code);
        key(Qt::Key_Return);
    }
    int orders() { return shop.scalar(QStringLiteral("select count(*) from orderlist")).toInt(); }
    const SaleLines &lines() const { return form->saleLines(); }
};

// Acts on the next modal window once it is up: records its class and closes it.
class ModalCatcher : public QObject {
public:
    QString seen;
    std::function<void(QWidget *)> inspect;
    explicit ModalCatcher(int timeoutMs = 5000)
    {
        auto *t = new QTimer(this);
        t->setInterval(20);
        QObject::connect(t, &QTimer::timeout, this, [this, t] {
            if (QWidget *w = QApplication::activeModalWidget()) {
                seen = QString::fromLatin1(w->metaObject()->className());
                if (inspect)
                    inspect(w);
                w->close();
                t->stop();
            }
        });
        t->start();
        QTimer::singleShot(timeoutMs, t, &QTimer::stop);
    }
};
