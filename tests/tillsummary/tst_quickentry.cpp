// A code the store does not know: the lookup service's answers (known, unknown,
// garbage, none) and offline; the quick-entry dialog kept between uses; the row it
// writes; a refused insert; and that a scanner's Return adds nothing by itself.

#include "addgoodsform.h"
#include "barcodelookup.h"
#include "clock.h"
#include "httpserver.h"
#include "msgbox.h"
#include "quickentry.h"
#include "testshop.h"

#include "ini.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

void pointServiceAt(TestShop &shop, const QString &url)
{
    IniFile ini;
    ini.setValue(u"services"_s, u"search"_s, url);
    QVERIFY(ini.save(shop.file(u"zazuvi.ini"_s)));
}

QuickEntry::Lookup fixedLookup(bool online, bool known, const QString &name, int *searches = nullptr)
{
    QuickEntry::Lookup l;
    l.online = [online] { return online; };
    l.search = [=](const QString &) {
        if (searches)
            ++*searches;
        return QuickEntry::Lookup::Answer{known, name};
    };
    return l;
}

// Runs fn on the quick-entry dialog once it is shown modally.
void onDialog(std::function<void(TaddgoodsForm *)> fn)
{
    QTimer::singleShot(0, [fn] {
        auto *f = qobject_cast<TaddgoodsForm *>(QApplication::activeModalWidget());
        if (!f) {
            QFAIL("quick entry is not shown");
            return;
        }
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        fn(f);
        if (f->isVisible())
            f->reject();
    });
}

}  // namespace

class TestQuickEntry : public QObject {
    Q_OBJECT
private:
    QStringList m_questions;
    bool m_answer = true;

private slots:
    void init()
    {
        m_questions.clear();
        m_answer = true;
        Msg::setScript([this](const QString &kind, const QString &text) {
            if (kind == u"question"_s)
                m_questions << text;
            return m_answer;
        });
        Clock::setFixed(QDateTime(QDate(2024, 5, 12), QTime(10, 20, 30)));
    }
    void cleanup()
    {
        Msg::clearScript();
        Clock::setSource(nullptr);
        BarcodeLookup::setOnlineOverride(std::nullopt);
    }

    // Through the real lookup client against a loopback service.
    void unknownCodePath_data()
    {
        QTest::addColumn<bool>("online");
        QTest::addColumn<QByteArray>("answer");  // empty: no service listening
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("asked");
        using A = QuickEntry::Action;
        QTest::newRow("offline") << false << QByteArray("{\"success\":true,\"name\":\"可乐\"}") << 200 << true
                                 << int(A::Offline) << QString() << false;
        QTest::newRow("known") << true << QByteArray("{\"success\":true,\"name\":\"可口可乐 330ml\"}") << 200 << false
                               << int(A::Open) << u"可口可乐 330ml"_s << false;
        QTest::newRow("unknown, yes") << true << QByteArray("{\"success\":false}") << 200 << true << int(A::Open)
                                      << QString() << true;
        QTest::newRow("unknown with a name, yes") << true << QByteArray("{\"success\":false,\"name\":\"雪碧\"}") << 200
                                                  << true << int(A::Open) << u"雪碧"_s << true;
        QTest::newRow("unknown, no") << true << QByteArray("{\"success\":false}") << 200 << false << int(A::Declined)
                                     << QString() << true;
        QTest::newRow("success as text") << true << QByteArray("{\"success\":\"true\",\"name\":\"x\"}") << 200 << false
                                         << int(A::Declined) << u"x"_s << true;
        QTest::newRow("error page") << true << QByteArray("<html>502 Bad Gateway</html>") << 502 << true
                                    << int(A::Open) << QString() << true;
        QTest::newRow("no answer") << true << QByteArray() << 200 << true << int(A::Open) << QString() << true;
    }
    void unknownCodePath()
    {
        QFETCH(bool, online);
        QFETCH(QByteArray, answer);
        QFETCH(int, status);
        QFETCH(bool, yes);
        QFETCH(int, action);
        QFETCH(QString, name);
        QFETCH(bool, asked);
        TestShop shop;
        HttpServer server;
        server.setAnswer(answer, status);
        QString url = server.url(u"/sh/code/search"_s);
        if (answer.isEmpty()) {
            server.close();  // nobody listens there any more
        }
        pointServiceAt(shop, url);
        BarcodeLookup::setOnlineOverride(online);
        m_answer = yes;

        const QuickEntry::Decision d =
            QuickEntry::unknownCode(u"6901"_s, QuickEntry::Lookup::service(),
                                    [](const QString &q) { return Msg::question(nullptr, q); });
        QCOMPARE(int(d.action), action);
        QCOMPARE(d.name, name);
        QCOMPARE(m_questions, asked ? QStringList{u"无此条码，是否现在启用快速录入？"_s} : QStringList());
        if (!online) {
            QCOMPARE(server.connections(), 0);
        } else if (!answer.isEmpty()) {
            QCOMPARE(server.requests().size(), 1);
            QCOMPARE(server.requests().first().body, QByteArray("{\"barcode\":\"6901\"}"));
        }
    }

    void storedRow_data()
    {
        QTest::addColumn<bool>("ifdis");
        QTest::addColumn<bool>("ifaddup");
        QTest::addColumn<QString>("className");
        QTest::newRow("both ticked, a class") << true << true << u"饮料"_s;
        QTest::newRow("both unticked, no class") << false << false << QString();
    }
    void storedRow()
    {
        QFETCH(bool, ifdis);
        QFETCH(bool, ifaddup);
        QFETCH(QString, className);
        TestShop shop;
        QuickEntry::NewGoods g;
        g.barcode = u"6901"_s;
        g.name = u"可乐"_s;
        g.price = 3.5;
        g.price2 = 3.2;
        g.amount = 24;
        g.className = className;
        g.ifdis = ifdis;
        g.ifaddup = ifaddup;
        QString error;
        const std::optional<GoodsRecord> rec = QuickEntry::insert(shop.store(), g, &error);
        QVERIFY2(rec, qPrintable(error));
        const Rows r = shop.store().select(u"select * from goods"_s);
        QCOMPARE(r.size(), 1);
        QCOMPARE(r.value(0, u"barcode"_s).toString(), u"6901"_s);
        QCOMPARE(r.value(0, u"name"_s).toString(), u"可乐"_s);
        QCOMPARE(r.value(0, u"price"_s).toDouble(), 3.5);
        QCOMPARE(r.value(0, u"price2"_s).toDouble(), 3.2);
        QCOMPARE(r.value(0, u"amount"_s).toDouble(), 24.0);
        QCOMPARE(r.value(0, u"class_name"_s).toString(), className);
        QCOMPARE(r.value(0, u"in_date"_s).toString(), u"2024-05-12 10:20:30"_s);
        QCOMPARE(r.value(0, u"ifdis"_s).toInt(), ifdis ? -1 : 0);
        QCOMPARE(r.value(0, u"ifaddup"_s).toInt(), ifaddup ? -1 : 0);
        QCOMPARE(r.value(0, u"hide"_s).toInt(), 0);
        QVERIFY(r.value(0, u"goods_no"_s).isNull());
        QVERIFY(r.value(0, u"costprice"_s).isNull());
        // What the sale line is made from.
        QCOMPARE(rec->barcode, u"6901"_s);
        QCOMPARE(rec->ifdis, ifdis ? u"-1"_s : u"0"_s);
        QCOMPARE(rec->ifaddup, ifaddup ? u"-1"_s : u"0"_s);
        QCOMPARE(rec->goodsId, r.value(0, u"goods_id"_s).toString());
    }

    // A barcode typed over an existing one: accepted, and the new row is the one sold.
    void newRowIsSoldEvenWithABarcodeTwice()
    {
        TestShop shop;
        const qint64 old = shop.addGoods(u"6901"_s, u"旧名"_s, 9);
        QuickEntry::NewGoods g;
        g.barcode = u"6901"_s;
        g.name = u"新名"_s;
        const std::optional<GoodsRecord> rec = QuickEntry::insert(shop.store(), g, nullptr);
        QVERIFY(rec);
        QCOMPARE(rec->name, u"新名"_s);
        QVERIFY(rec->goodsId != QString::number(old));
    }

    // The whole path with the dialog: Return from the scanner moves on and adds nothing;
    // "添 加" by keyboard adds; the dialog and its choices live on for the next code.
    void pathWithTheDialog()
    {
        TestShop shop;
        shop.exec(u"insert into class(class_name) values('饮料'),('零食')"_s);
        QWidget till;
        QuickEntryPath path(shop.store(), &till, fixedLookup(true, true, u"可乐"_s));

        onDialog([&](TaddgoodsForm *f) {
            QCOMPARE(f->windowTitle(), u"条码智能查询"_s);
            QCOMPARE(f->barcodeinputEdit->text(), u"6901"_s);
            QCOMPARE(f->nameEdit->text(), u"可乐"_s);
            QCOMPARE(f->StatusPanel1->text(), u"点击添加按钮即可添加商品信息到库存中"_s);
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus && (focus == f->priceEdit || focus->parent() == f->priceEdit));
            QTest::keyClicks(focus, u"3.5"_s);
            QTest::keyClick(focus, Qt::Key_Return);
            QVERIFY(f->isVisible());
            QCOMPARE(shop.scalar(u"select count(*) from goods"_s).toInt(), 0);
            f->classCBX->setCurrentIndex(1);
            f->ifdisCbx->setChecked(false);
            f->OKBtn->setFocus();
            QTest::keyClick(f->OKBtn, Qt::Key_Return);
        });
        QuickEntryPath::Result r = path.handle(u"6901"_s);
        QVERIFY(r.clearCode);
        QVERIFY(r.goods);
        QCOMPARE(r.goods->name, u"可乐"_s);
        QCOMPARE(r.goods->price, 3.5);
        QCOMPARE(r.goods->ifdis, u"0"_s);
        QCOMPARE(shop.scalar(u"select class_name from goods"_s).toString(), u"零食"_s);
        TaddgoodsForm *first = path.form();
        QCOMPARE(first->parent(), &till);

        // Next code without a name: same dialog, prices and stock cleared, choices kept.
        path.setLookup(fixedLookup(true, false, {}));
        onDialog([&](TaddgoodsForm *f) {
            QCOMPARE(f, first);
            QCOMPARE(f->windowTitle(), u"快速录入商品"_s);
            QCOMPARE(f->priceEdit->value(), 0.0);
            QCOMPARE(f->amountEdit->value(), 0.0);
            QCOMPARE(f->classCBX->currentText(), u"零食"_s);
            QVERIFY(!f->ifdisCbx->isChecked());
            QVERIFY(f->ifaddupCbx->isChecked());
            QWidget *focus = QApplication::focusWidget();
            QCOMPARE(focus, f->nameEdit);
            QTest::keyClick(focus, Qt::Key_Return);  // leaves the name, onto the price
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // leaves the price at 0
            QCOMPARE(f->StatusPanel1->text(), u"提示：商品零售价为0，无法正常收款"_s);
            QVERIFY(f->isVisible());
        });
        r = path.handle(u"6902"_s);
        QCOMPARE(m_questions, QStringList{u"无此条码，是否现在启用快速录入？"_s});
        QVERIFY(r.clearCode);
        QVERIFY(!r.goods);  // left without adding
        QCOMPARE(shop.scalar(u"select count(*) from goods"_s).toInt(), 1);
    }

    void declinedAndOffline()
    {
        TestShop shop;
        int searches = 0;
        QuickEntryPath path(shop.store(), nullptr, fixedLookup(false, true, u"x"_s, &searches));
        QuickEntryPath::Result r = path.handle(u"6901"_s);
        QVERIFY(!r.clearCode);
        QVERIFY(!r.goods);
        QCOMPARE(searches, 0);

        m_answer = false;
        path.setLookup(fixedLookup(true, false, {}, &searches));
        r = path.handle(u"6901"_s);
        QVERIFY(r.clearCode);
        QVERIFY(!r.goods);
        QCOMPARE(searches, 1);
        QCOMPARE(shop.scalar(u"select count(*) from goods"_s).toInt(), 0);
    }

    void blankBarcodeIsRefused()
    {
        TestShop shop;
        QuickEntry::NewGoods g;
        g.barcode = u"  "_s;
        g.name = u"无码"_s;
        QString error;
        QVERIFY(!QuickEntry::insert(shop.store(), g, &error));
        QCOMPARE(error, u"请输入商品条码"_s);
        QCOMPARE(shop.scalar(u"select count(*) from goods"_s).toInt(), 0);
    }

    void refusedInsertKeepsTheDialogOpen()
    {
        TestShop shop;
        shop.exec(u"create trigger refuse before insert on goods begin select raise(abort, '磁盘已满'); end"_s);
        TaddgoodsForm f(shop.store());
        f.prepare(u"6901"_s, u"可乐"_s);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.priceEdit->setValue(2);
        Msg::takeShown();
        QVERIFY(!f.add());
        const QStringList shown = Msg::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().contains(u"磁盘已满"_s));
        QVERIFY(f.isVisible());
        QVERIFY(!f.added());
        QCOMPARE(f.nameEdit->text(), u"可乐"_s);
        QCOMPARE(f.priceEdit->value(), 2.0);
    }
};

QTEST_MAIN(TestQuickEntry)
#include "tst_quickentry.moc"
