// The till window with its dialogs, end to end: every key and button opens its dialog,
// and what the cashier does there reaches the sale (members, discounts, quantities,
// held sales, the goods query, the summary gate, salespersons, quick entry, refunds,
// settings, birthdays). The dialogs are worked with keys, as at the counter; a
// scanner's Return inside a dialog must never confirm it.
#include "addgoodsform.h"
#include "birthremindform.h"
#include "cardinputform.h"
#include "discountform.h"
#include "goodsnumform.h"
#include "goodsqueryform.h"
#include "guadanform.h"
#include "heldsales.h"
#include "msgbox.h"
#include "refundform.h"
#include "salesform.h"
#include "scramble.h"
#include "settingform.h"
#include "tillwindow.h"
#include "tongjiform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>

// A key of the till, or a button to click instead.
struct KeyPress {
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers mods;
    QString button;  // objectName of the button
};
Q_DECLARE_METATYPE(KeyPress)

namespace {

const QDateTime kNow(QDate(2026, 3, 16), QTime(10, 20, 30));

// Works the modal windows as they come up, from a timer that looks at the active modal
// widget: each new one is recorded, activated like a real window and handed to act;
// one that act leaves open is closed, so a failing check cannot hang the test.
class Modals : public QObject {
public:
    QStringList seen;
    std::function<void(QWidget *)> act;

    Modals()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }
private:
    void poll()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || w == m_last || m_busy)
            return;
        m_busy = true;
        m_last = w;
        seen << QString::fromLatin1(w->metaObject()->className());
        const QPointer<QWidget> guard(w);
        if (!activate(w))
            qWarning("%s did not become active", w->metaObject()->className());
        if (act && guard)
            act(w);
        if (guard && guard->isVisible() && QApplication::activeModalWidget() == guard)
            guard->close();
        m_busy = false;
    }

    QTimer m_timer;
    QPointer<QWidget> m_last;
    bool m_busy = false;
};

// Keys to whatever holds the focus now (inside a dialog: its focused field).
QWidget *focused()
{
    return QApplication::focusWidget();
}
void press(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    QTest::keyClick(focused(), k, m);
}
void typeText(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(focused(), c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, focused(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// A click on the box itself, not the middle of a wide check box's empty space.
void clickBox(QCheckBox *box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

void trigger(Till &till, const KeyPress &k)
{
    if (!k.button.isEmpty()) {
        auto *b = till.form->findChild<QPushButton *>(k.button);
        QVERIFY2(b, qPrintable(k.button));
        QTest::mouseClick(b, Qt::LeftButton);
    } else {
        till.key(k.key, k.mods);
    }
}

void addMembers(Till &till)
{
    till.shop.exec(QStringLiteral(
        "insert into member (card_id, name, tel, mtype, discount, addup, exchange, buy_times, status, enddate, birthday) "
        "values ('VIP01', '张三', '13800138000', '金卡', 90, 12.6, 0, 0, -1, '2030-12-31', '5月1日'),"
        "       ('BAD01', '李四', '13900000001', '银卡', 95, 0, 0, 0, 0, '2030-12-31', ''),"
        "       ('OLD01', '王五', '13900000002', '银卡', 95, 0, 0, 0, -1, '2026-03-15', '')"));
}

}  // namespace

class TestMainFormDialogs : public QObject {
    Q_OBJECT
    bool m_answer = true;  // what the next question gets

private slots:
    void init()
    {
        Clock::setFixed(kNow);
        m_answer = true;
        Msg::setScript([this](const QString &kind, const QString &) { return kind != u"question" || m_answer; });
    }
    void cleanup()
    {
        Msg::clearScript();
        Clock::setSource(nullptr);
    }

    void keyOpensItsDialog_data();
    void keyOpensItsDialog();
    void memberDialog_data();
    void memberDialog();
    void directCardEntry_data();
    void directCardEntry();
    void cardFieldLeftOtherwise();
    void holdAndRecall();
    void holdRefusedKeepsSale();
    void wholeSaleDiscount_data();
    void wholeSaleDiscount();
    void lineDiscount();
    void quantity_data();
    void quantity();
    void goodsQueryPostsCode();
    void summaryPasswordGate_data();
    void summaryPasswordGate();
    void salesperson();
    void quickEntry_data();
    void quickEntry();
    void refundClosesWithoutWriting();
    void settingsSavedAndApplied();
    void birthdayReminder();
};

// ---------------------------------------------------------------- the key table

void TestMainFormDialogs::keyOpensItsDialog_data()
{
    QTest::addColumn<KeyPress>("how");
    QTest::addColumn<QString>("dialog");
    const auto key = [](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { return KeyPress{k, m, {}}; };
    const auto button = [](const char *name) { return KeyPress{Qt::Key_unknown, {}, QString::fromLatin1(name)}; };
    QTest::newRow("F1") << key(Qt::Key_F1) << "ThelpForm";
    QTest::newRow("F2") << key(Qt::Key_F2) << "TbirthRemindForm";
    QTest::newRow("F3") << key(Qt::Key_F3) << "TgoodsqueryForm";
    QTest::newRow("F4") << key(Qt::Key_F4) << "TtongjiForm";
    QTest::newRow("Alt+F4") << key(Qt::Key_F4, Qt::AltModifier) << "";
    QTest::newRow("F5") << key(Qt::Key_F5) << "TsalesForm";
    QTest::newRow("F6") << key(Qt::Key_F6) << "TdiscountForm";
    QTest::newRow("keypad -") << key(Qt::Key_Minus, Qt::KeypadModifier) << "TdiscountForm";
    QTest::newRow("keypad /") << key(Qt::Key_Slash, Qt::KeypadModifier) << "TdiscountForm";
    QTest::newRow("F7") << key(Qt::Key_F7) << "TgoodsNumForm";
    QTest::newRow("keypad *") << key(Qt::Key_Asterisk, Qt::KeypadModifier) << "TgoodsNumForm";
    QTest::newRow("F8") << key(Qt::Key_F8) << "TcardinputForm";
    QTest::newRow("keypad +") << key(Qt::Key_Plus, Qt::KeypadModifier) << "TcardinputForm";
    QTest::newRow("F11 answered No") << key(Qt::Key_F11) << "";
    QTest::newRow("F12") << key(Qt::Key_F12) << "TguadanForm";
    QTest::newRow("Home") << key(Qt::Key_Home) << "";
    QTest::newRow("打折") << button("DiscountBtn") << "TdiscountForm";
    QTest::newRow("积分 F8") << button("memBtn") << "TcardinputForm";
    QTest::newRow("帮助") << button("helpBtn") << "ThelpForm";
    QTest::newRow("设置") << button("settingBtn") << "TsettingForm";
    QTest::newRow("查询") << button("bsSkinButton1") << "TgoodsqueryForm";
    QTest::newRow("统计") << button("tongjiBtn") << "TtongjiForm";
    QTest::newRow("退货") << button("refundBtn") << "TrefundForm";
}

// Each key opens its dialog once; closing it leaves the sale as it was.
void TestMainFormDialogs::keyOpensItsDialog()
{
    QFETCH(KeyPress, how);
    QFETCH(QString, dialog);
    m_answer = false;
    Till till;
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    QVERIFY(till.start());
    till.scan(QStringLiteral("6901"));
    Modals modals;
    trigger(till, how);
    QCOMPARE(modals.seen, dialog.isEmpty() ? QStringList() : QStringList{dialog});
    QCOMPARE(till.lines().size(), 1);
    QCOMPARE(till.lines()[0][SaleLine::Amount], QStringLiteral("3.00"));
    QCOMPARE(till.form->realmoneyEdit->text(), QStringLiteral("3.00"));
    QCOMPARE(till.form->barcodeinputEdit->text(), QString());  // keypad operators never reach the field
    QVERIFY(!till.form->ismember);
    QCOMPARE(till.orders(), 0);
    if (how.key == Qt::Key_F11)
        QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("是否进行挂单操作？")});
    QVERIFY(till.form->isVisible());
}

// ---------------------------------------------------------------- member card

void TestMainFormDialogs::memberDialog_data()
{
    QTest::addColumn<KeyPress>("how");
    QTest::newRow("F8") << KeyPress{Qt::Key_F8, {}, {}};
    QTest::newRow("jifenK (keypad +)") << KeyPress{Qt::Key_Plus, Qt::KeypadModifier, {}};
    QTest::newRow("积分 F8") << KeyPress{Qt::Key_unknown, {}, QStringLiteral("memBtn")};
}

void TestMainFormDialogs::memberDialog()
{
    QFETCH(KeyPress, how);
    Till till;
    addMembers(till);
    till.shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 10, 5, 10, 8);
    till.shop.addGoods(QStringLiteral("2"), QStringLiteral("油"), 20, 10, 10);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("1"));
    till.scan(QStringLiteral("2"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("30.00"));

    Modals modals;
    modals.act = [&](QWidget *w) {
        auto *dlg = qobject_cast<TcardinputForm *>(w);
        QVERIFY(dlg);
        QCOMPARE(focused(), dlg->cardNoEdit);
        // A scanned card: its Return looks the card up and stops on 确认.
        typeText(QStringLiteral("vip01"));
        press(Qt::Key_Return);
        QVERIFY(dlg->isVisible());
        QCOMPARE(focused(), dlg->Okbtn);
        QCOMPARE(dlg->infoList->topLevelItem(0)->text(1), QStringLiteral("张三"));
        QVERIFY(!f.ismember);
        press(Qt::Key_Return);  // the cashier confirms
        QVERIFY(!dlg->isVisible());
    };
    trigger(till, how);
    QCOMPARE(modals.seen, QStringList{QStringLiteral("TcardinputForm")});
    QVERIFY(f.ismember);
    QCOMPARE(f.memberCardId(), QStringLiteral("VIP01"));
    QCOMPARE(f.cardNoEdit->text(), QStringLiteral("VIP01"));
    QCOMPARE(f.jifen, 12);  // the dialog cuts 12.6 down
    QCOMPARE(f.disRateEdit->text(), QStringLiteral("90"));
    QCOMPARE(f.mtype, QStringLiteral("金卡"));
    // The member price of 米 counts; 油 keeps its amount until its quantity changes.
    QCOMPARE(till.lines()[0][SaleLine::Amount], QStringLiteral("8.00"));
    QCOMPARE(till.lines()[1][SaleLine::Rate], QStringLiteral("90"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("28.00"));
    QCOMPARE(till.focus(), f.receivemoneyEdit);

    // Esc attaches nothing and leaves the member as it was.
    modals.act = [](QWidget *w) {
        typeText(QStringLiteral("BAD01"));
        press(Qt::Key_Escape);
        QVERIFY(!w->isVisible());
    };
    f.barcodeinputEdit->setFocus();
    trigger(till, how);
    QCOMPARE(modals.seen.size(), 2);
    QCOMPARE(f.memberCardId(), QStringLiteral("VIP01"));
    QCOMPARE(f.barcodeinputEdit->text(), QString());
}

void TestMainFormDialogs::directCardEntry_data()
{
    QTest::addColumn<QString>("card");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("attached");
    QTest::newRow("lower case finds the card") << "vip01" << "" << true;
    QTest::newRow("with spaces") << " VIP01 " << "" << true;
    QTest::newRow("invalid card") << "BAD01" << "此会员卡目前状态为无效" << false;
    QTest::newRow("expired yesterday") << "old01" << "此会员卡已超过有效期" << false;
    QTest::newRow("unknown card") << "NOPE" << "" << false;
}

// A card typed or scanned into the card field, then Enter: attached at once, and the
// cashier goes on to the tendered amount.
void TestMainFormDialogs::directCardEntry()
{
    QFETCH(QString, card);
    QFETCH(QString, message);
    QFETCH(bool, attached);
    Till till;
    addMembers(till);
    till.shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 10, 5, 10, 8);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("1"));
    Modals modals;
    f.cardNoEdit->setFocus();
    till.type(card);
    till.key(Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(f.ismember, attached);
    QCOMPARE(till.focus(), f.receivemoneyEdit);
    QVERIFY(modals.seen.isEmpty());
    if (!attached) {
        QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("10.00"));
        QCOMPARE(f.mnameEdit->text(), QString());
        return;
    }
    QCOMPARE(f.cardNoEdit->text(), QStringLiteral("VIP01"));
    QCOMPARE(f.jifen, 13);  // direct entry rounds 12.6
    QCOMPARE(f.jifenEdit->text(), QStringLiteral("13"));
    QCOMPARE(f.mnameEdit->text(), QStringLiteral("张三"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("8.00"));

    // Settled for the member.
    till.type(QStringLiteral("10"));
    till.key(Qt::Key_Return);
    QCOMPARE(f.changeMoney->text(), QStringLiteral("2.00"));
    till.key(Qt::Key_Space);
    QCOMPARE(till.orders(), 1);
    QCOMPARE(till.shop.scalar(QStringLiteral("select card_id from orderlist")).toString(), QStringLiteral("VIP01"));
    QCOMPARE(till.shop.scalar(QStringLiteral("select buy_times from member where card_id='VIP01'")).toInt(), 1);
}

// Leaving the card field by Tab attaches too and keeps the focus where it went; a card
// that finds nobody does not replace the member shown.
void TestMainFormDialogs::cardFieldLeftOtherwise()
{
    Till till;
    addMembers(till);
    till.shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 10, 5, 10, 8);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("1"));
    f.cardNoEdit->setFocus();
    till.type(QStringLiteral("vip01"));
    till.key(Qt::Key_Tab);
    QTRY_VERIFY(f.ismember);
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("8.00"));
    QCOMPARE(till.focus(), f.receivemoneyEdit);

    // Unchanged text is not looked up again when the field is only passed through.
    f.cardNoEdit->setFocus();
    till.key(Qt::Key_Return);
    QVERIFY(Msg::takeShown().isEmpty());

    f.cardNoEdit->setFocus();
    f.cardNoEdit->selectAll();
    till.type(QStringLiteral("NOPE"));
    till.key(Qt::Key_Return);
    QCOMPARE(f.cardNoEdit->text(), QStringLiteral("VIP01"));
    QCOMPARE(f.memberCardId(), QStringLiteral("VIP01"));
    QCOMPARE(till.focus(), f.receivemoneyEdit);
}

// ---------------------------------------------------------------- held sales

void TestMainFormDialogs::holdAndRecall()
{
    Till till;
    addMembers(till);
    till.shop.exec(QStringLiteral("insert into sales (sales_no, sales_name, amount) values ('01', '小李', 0)"));
    till.shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 10, 5, 10, 8);
    till.shop.addGoods(QStringLiteral("2"), QStringLiteral("油"), 20, 10, 10);
    till.shop.addGoods(QStringLiteral("3"), QStringLiteral("盐"), 2);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("1"));
    till.scan(QStringLiteral("2"));
    f.cardNoEdit->setFocus();
    till.type(QStringLiteral("VIP01"));
    till.key(Qt::Key_Return);
    f.setSalesperson(1, QStringLiteral("小李"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("28.00"));
    const SaleLines held = till.lines();

    // No keeps the sale.
    m_answer = false;
    till.key(Qt::Key_F11);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("是否进行挂单操作？")});
    QCOMPARE(till.lines().size(), 2);

    m_answer = true;
    till.key(Qt::Key_F11);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("是否进行挂单操作？")});
    QVERIFY(till.lines().isEmpty());
    QCOMPARE(f.orderNo, QStringLiteral("60316102030"));
    QCOMPARE(f.liushuiLbl->text(), QStringLiteral("小票流水号：60316102030"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("0.00"));
    QCOMPARE(f.cardNoEdit->text(), QString());
    QVERIFY(!f.ismember);
    QCOMPARE(f.memberCardId(), QString());
    QCOMPARE(f.sales_id, -1);
    QCOMPARE(f.statusPanel3->text(), QString());
    QCOMPARE(till.focus(), f.barcodeinputEdit);
    const QList<HeldEntry> entries = HeldSales(till.shop.path()).entries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].sum, QStringLiteral("28.00"));
    QCOMPARE(entries[0].by, QStringLiteral("收银员"));

    // The next customer's sale; F12 recalls the held one in its place.
    till.scan(QStringLiteral("3"));
    Modals modals;
    modals.act = [&](QWidget *w) {
        auto *dlg = qobject_cast<TguadanForm *>(w);
        QVERIFY(dlg);
        QCOMPARE(dlg->gdListView->topLevelItemCount(), 1);
        QCOMPARE(dlg->gdListView->topLevelItem(0)->text(2), QStringLiteral("￥28.00"));
        press(Qt::Key_Return);
        QVERIFY(!dlg->isVisible());
    };
    till.key(Qt::Key_F12);
    QCOMPARE(modals.seen, QStringList{QStringLiteral("TguadanForm")});
    QCOMPARE(till.lines().size(), 2);
    QCOMPARE(till.lines()[0].caption, held[0].caption);
    // Member-priced when held, so 米 comes back at 8.00 without a member.
    QCOMPARE(till.lines()[0][SaleLine::Amount], QStringLiteral("8.00"));
    QCOMPARE(till.lines()[1][SaleLine::Amount], QStringLiteral("20.00"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("28.00"));
    QVERIFY(!f.ismember);
    QCOMPARE(f.goodscountLbl->text(), QStringLiteral("2"));
    QVERIFY(HeldSales(till.shop.path()).entries().isEmpty());

    // Gone from the list; Esc closes it with nothing recalled.
    modals.act = [&](QWidget *w) {
        QCOMPARE(qobject_cast<TguadanForm *>(w)->gdListView->topLevelItemCount(), 0);
        press(Qt::Key_Escape);
    };
    till.key(Qt::Key_F12);
    QCOMPARE(modals.seen.size(), 2);
    QCOMPARE(till.lines().size(), 2);
}

// A damaged index cannot take the sale: it stays on screen, member and all.
void TestMainFormDialogs::holdRefusedKeepsSale()
{
    Till till;
    addMembers(till);
    till.shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 10, 5, 10, 8);
    QVERIFY(writeFile(till.shop.file(QStringLiteral("hlist.xml")), "<hlist><item no="));
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("1"));
    f.cardNoEdit->setFocus();
    till.type(QStringLiteral("VIP01"));
    till.key(Qt::Key_Return);
    till.key(Qt::Key_F11);
    const QStringList shown = Msg::takeShown();
    QCOMPARE(shown.size(), 2);
    QVERIFY2(shown.at(1).contains(QStringLiteral("未能挂单")), qPrintable(shown.at(1)));
    QCOMPARE(till.lines().size(), 1);
    QVERIFY(f.ismember);
    QCOMPARE(f.cardNoEdit->text(), QStringLiteral("VIP01"));
    QCOMPARE(f.orderNo, QStringLiteral("00000000000"));
    QCOMPARE(QDir(till.shop.path()).entryList({QStringLiteral("*.txt")}), QStringList{QStringLiteral("output.txt")});
}

// ---------------------------------------------------------------- discounts, quantities

void TestMainFormDialogs::wholeSaleDiscount_data()
{
    QTest::addColumn<KeyPress>("how");
    QTest::newRow("F6") << KeyPress{Qt::Key_F6, {}, {}};
    QTest::newRow("dazheK (keypad -)") << KeyPress{Qt::Key_Minus, Qt::KeypadModifier, {}};
    QTest::newRow("打折") << KeyPress{Qt::Key_unknown, {}, QStringLiteral("DiscountBtn")};
}

void TestMainFormDialogs::wholeSaleDiscount()
{
    QFETCH(KeyPress, how);
    Till till;
    till.shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 10);
    till.shop.addGoods(QStringLiteral("2"), QStringLiteral("烟"), 5);
    till.shop.exec(QStringLiteral("update goods set ifdis=0 where barcode='2'"));
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("1"));
    till.scan(QStringLiteral("1"));
    till.scan(QStringLiteral("2"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("25.00"));

    Modals modals;
    modals.act = [&](QWidget *w) {
        auto *dlg = qobject_cast<TdiscountForm *>(w);
        QVERIFY(dlg);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("折扣[整单]"));
        QCOMPARE(dlg->calc().setup().zhekou_qian, 20.0);  // the cigarettes stay out
        typeText(QStringLiteral("85"));
        QCOMPARE(dlg->disEdit2->text(), QStringLiteral("3.00"));
        QCOMPARE(dlg->realMoneyEdit->text(), QStringLiteral("22.00"));
        press(Qt::Key_Return);  // to the amount to collect, not confirmed yet
        QVERIFY(dlg->isVisible());
        QCOMPARE(focused(), dlg->realMoneyEdit);
        press(Qt::Key_Return);
        QVERIFY(!dlg->isVisible());
    };
    trigger(till, how);
    QCOMPARE(modals.seen, QStringList{QStringLiteral("TdiscountForm")});
    QCOMPARE(till.lines()[0][SaleLine::Rate], QStringLiteral("85"));
    QCOMPARE(till.lines()[0][SaleLine::Amount], QStringLiteral("17.00"));
    QCOMPARE(till.lines()[1][SaleLine::Rate], QStringLiteral("100"));
    QCOMPARE(till.lines()[1][SaleLine::Amount], QStringLiteral("5.00"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("22.00"));
    QCOMPARE(f.ListView->model()->index(0, 6).data().toString(), QStringLiteral("17.00"));
    QCOMPARE(till.focus(), f.receivemoneyEdit);  // nothing handed over yet
    QCOMPARE(f.changeMoney->text(), QStringLiteral("0"));

    // Settled for the discounted amount.
    till.type(QStringLiteral("30"));
    till.key(Qt::Key_Return);
    QCOMPARE(f.changeMoney->text(), QStringLiteral("8.00"));
    till.key(Qt::Key_Space);
    QCOMPARE(till.shop.scalar(QStringLiteral("select total_money from orderlist")).toDouble(), 22.0);
}

void TestMainFormDialogs::lineDiscount()
{
    Till till;
    till.shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 10);
    till.shop.addGoods(QStringLiteral("2"), QStringLiteral("烟"), 5);
    till.shop.exec(QStringLiteral("update goods set ifdis=0 where barcode='2'"));
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("1"));
    till.scan(QStringLiteral("2"));
    Modals modals;

    // A line that may not be discounted: the message, no dialog.
    QCOMPARE(f.selectedIndex(), 1);
    till.key(Qt::Key_Slash, Qt::KeypadModifier);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("本商品不参与打折。")});
    QVERIFY(modals.seen.isEmpty());

    modals.act = [&](QWidget *w) {
        auto *dlg = qobject_cast<TdiscountForm *>(w);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("折扣[单品]"));
        typeText(QStringLiteral("90"));
        press(Qt::Key_Return);
        press(Qt::Key_Return);
    };
    till.key(Qt::Key_Up);
    till.key(Qt::Key_Slash, Qt::KeypadModifier);
    QCOMPARE(modals.seen, QStringList{QStringLiteral("TdiscountForm")});
    QCOMPARE(till.lines()[0][SaleLine::Rate], QStringLiteral("90"));
    QCOMPARE(till.lines()[0][SaleLine::Amount], QStringLiteral("9.00"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("14.00"));
    QCOMPARE(f.barcodeinputEdit->text(), QString());

    // The same through the list's popup menu: Esc leaves the line alone.
    modals.act = [](QWidget *) { press(Qt::Key_Escape); };
    f.editDiscountAct->trigger();
    QCOMPARE(modals.seen.size(), 2);
    QCOMPARE(till.lines()[0][SaleLine::Amount], QStringLiteral("9.00"));
}

void TestMainFormDialogs::quantity_data()
{
    QTest::addColumn<KeyPress>("how");
    QTest::newRow("F7") << KeyPress{Qt::Key_F7, {}, {}};
    QTest::newRow("shuliangK (keypad *)") << KeyPress{Qt::Key_Asterisk, Qt::KeypadModifier, {}};
}

// The new quantity keeps the line's discount; 0 removes the line.
void TestMainFormDialogs::quantity()
{
    QFETCH(KeyPress, how);
    Till till;
    till.shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 10);
    till.shop.addGoods(QStringLiteral("2"), QStringLiteral("油"), 20);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("1"));
    till.scan(QStringLiteral("2"));
    till.form->saleLines()[0][SaleLine::Amount] = QStringLiteral("9.00");  // a 90% line
    f.GoodsCount();
    till.key(Qt::Key_Up);

    Modals modals;
    modals.act = [&](QWidget *w) {
        auto *dlg = qobject_cast<TgoodsNumForm *>(w);
        QVERIFY(dlg);
        QCOMPARE(dlg->goodsinfoLbl->text(), QStringLiteral("商品：米\n单价：10.00\n数量：1"));
        typeText(QStringLiteral("3"));
        press(Qt::Key_Return);
    };
    trigger(till, how);
    QCOMPARE(modals.seen, QStringList{QStringLiteral("TgoodsNumForm")});
    QCOMPARE(till.lines()[0][SaleLine::Qty], QStringLiteral("3"));
    QCOMPARE(till.lines()[0][SaleLine::Amount], QStringLiteral("27.00"));
    QCOMPARE(f.goodscountLbl->text(), QStringLiteral("4"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("47.00"));
    QCOMPARE(till.focus(), f.barcodeinputEdit);

    modals.act = [](QWidget *) {
        typeText(QStringLiteral("0"));
        press(Qt::Key_Return);
    };
    f.selectLine(0);
    trigger(till, how);
    QCOMPARE(till.lines().size(), 1);
    QCOMPARE(till.lines()[0].caption, QStringLiteral("2"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("20.00"));
    QCOMPARE(f.goodscountLbl->text(), QStringLiteral("1"));
}

// ---------------------------------------------------------------- goods query, summary, salesperson

void TestMainFormDialogs::goodsQueryPostsCode()
{
    Till till;
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    till.shop.addGoods(QStringLiteral("6902"), QStringLiteral("雪碧"), 2.5);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    Modals modals;
    modals.act = [&](QWidget *w) {
        auto *dlg = qobject_cast<TgoodsqueryForm *>(w);
        QVERIFY(dlg);
        typeText(QStringLiteral("雪"));
        press(Qt::Key_Return);  // searches; the grid takes the focus, nothing chosen yet
        QVERIFY(dlg->isVisible());
        QCOMPARE(dlg->tipLbl->text(), QStringLiteral("1项结果符合查询要求"));
        press(Qt::Key_Return);  // in the grid: the barcode goes to the till
        QVERIFY(!dlg->isVisible());
    };
    till.key(Qt::Key_F3);
    QCOMPARE(modals.seen, QStringList{QStringLiteral("TgoodsqueryForm")});
    QTRY_COMPARE(till.lines().size(), 1);
    QCOMPARE(till.lines()[0].caption, QStringLiteral("6902"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("2.50"));
    QCOMPARE(f.barcodeinputEdit->text(), QString());
    QCOMPARE(till.focus(), f.barcodeinputEdit);

    // Closed without a choice: nothing reaches the code field.
    modals.act = [](QWidget *) { press(Qt::Key_Escape); };
    till.key(Qt::Key_F3);
    QTest::qWait(50);
    QCOMPARE(till.lines().size(), 1);
    QCOMPARE(f.barcodeinputEdit->text(), QString());
}

void TestMainFormDialogs::summaryPasswordGate_data()
{
    QTest::addColumn<bool>("needpsw");
    QTest::addColumn<QString>("typed");  // empty: the box is cancelled
    QTest::addColumn<QStringList>("dialogs");
    QTest::addColumn<QString>("message");
    const QStringList gateAndSummary{QStringLiteral("QInputDialog"), QStringLiteral("TtongjiForm")};
    QTest::newRow("no password needed") << false << "" << QStringList{QStringLiteral("TtongjiForm")} << "";
    QTest::newRow("right password") << true << "8899" << gateAndSummary << "";
    QTest::newRow("wrong password") << true << "1234" << QStringList{QStringLiteral("QInputDialog")}
                                    << "密码错误！";
    QTest::newRow("cancelled") << true << "" << QStringList{QStringLiteral("QInputDialog")} << "";
}

void TestMainFormDialogs::summaryPasswordGate()
{
    QFETCH(bool, needpsw);
    QFETCH(QString, typed);
    QFETCH(QStringList, dialogs);
    QFETCH(QString, message);
    Till till;
    till.shop.exec(QStringLiteral("update shop_info set needpsw=:n, viewpsw=:p"),
                   {{QStringLiteral("n"), needpsw ? -1 : 0}, {QStringLiteral("p"), ShowStr(QStringLiteral("8899"))}});
    QVERIFY(till.start());
    Modals modals;
    bool masked = false;
    modals.act = [&](QWidget *w) {
        if (auto *box = qobject_cast<QInputDialog *>(w)) {
            masked = box->textEchoMode() == QLineEdit::Password;
            QCOMPARE(box->windowTitle(), QStringLiteral("请输入查看密码  "));
            if (typed.isEmpty()) {
                press(Qt::Key_Escape);
                return;
            }
            typeText(typed);
            press(Qt::Key_Return);
        } else if (auto *summary = qobject_cast<TtongjiForm *>(w)) {
            QCOMPARE(summary->windowTitle(), QStringLiteral("日统计表"));
            press(Qt::Key_Escape);
        }
    };
    till.key(Qt::Key_F4);
    QCOMPARE(modals.seen, dialogs);
    QCOMPARE(masked, needpsw);
    QCOMPARE(Msg::takeShown(), message.isEmpty() ? QStringList() : QStringList{message});
}

void TestMainFormDialogs::salesperson()
{
    Till till;
    till.shop.exec(QStringLiteral("insert into sales (sales_no, sales_name, amount) values ('01', '小李', 0), "
                                  "('02', '小王', 0)"));
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    const int wang = till.shop.scalar(QStringLiteral("select sales_id from sales where sales_no='02'")).toInt();
    till.scan(QStringLiteral("6901"));

    // An unknown code is refused and 确认 then hands nothing over.
    Modals modals;
    modals.act = [&](QWidget *) {
        typeText(QStringLiteral("99"));
        press(Qt::Key_Return);
        QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("无此销售人员，请重新输入")});
        QTest::mouseClick(qobject_cast<TsalesForm *>(QApplication::activeModalWidget())->Okbtn, Qt::LeftButton);
    };
    till.key(Qt::Key_F5);
    QCOMPARE(f.sales_id, -1);
    QCOMPARE(f.statusPanel3->text(), QStringLiteral("已有扫描枪用户，直接扫码即可收银，无扫描枪用户可用键盘输入条码，按回车键结束"));

    modals.act = [&](QWidget *w) {
        auto *dlg = qobject_cast<TsalesForm *>(w);
        typeText(QStringLiteral("02"));
        press(Qt::Key_Return);  // looked up; 确认 has the focus
        QVERIFY(dlg->isVisible());
        QCOMPARE(dlg->Label2->text(), QStringLiteral("销售人员姓名：小王"));
        press(Qt::Key_Return);
    };
    till.key(Qt::Key_F5);
    QCOMPARE(modals.seen.size(), 2);
    QCOMPARE(f.sales_id, wang);
    QCOMPARE(f.statusPanel3->text(), QStringLiteral("销售:小王"));

    // Esc keeps the salesperson chosen.
    modals.act = [](QWidget *) { press(Qt::Key_Escape); };
    till.key(Qt::Key_F5);
    QCOMPARE(f.sales_id, wang);

    f.barcodeinputEdit->setFocus();
    till.key(Qt::Key_Return);
    till.type(QStringLiteral("5"));
    till.key(Qt::Key_Return);
    till.key(Qt::Key_Space);
    QCOMPARE(till.shop.scalar(QStringLiteral("select sales_id from orderlist")).toInt(), wang);
    QCOMPARE(till.shop.scalar(QStringLiteral("select amount from sales where sales_no='02'")).toDouble(), 3.0);
    QCOMPARE(f.sales_id, -1);
    QCOMPARE(f.statusPanel3->text(), QString());
}

// ---------------------------------------------------------------- quick entry

void TestMainFormDialogs::quickEntry_data()
{
    QTest::addColumn<bool>("online");
    QTest::addColumn<bool>("known");  // the service knows the code
    QTest::addColumn<bool>("answer"); // Yes to the question
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("opened");
    QTest::newRow("known to the service") << true << true << false << false << true;
    QTest::newRow("unknown, Yes") << true << false << true << true << true;
    QTest::newRow("unknown, No") << true << false << false << true << false;
    QTest::newRow("offline") << false << false << true << false << false;
}

// An unknown code goes to quick entry; the new goods are sold as if scanned.
void TestMainFormDialogs::quickEntry()
{
    QFETCH(bool, online);
    QFETCH(bool, known);
    QFETCH(bool, answer);
    QFETCH(bool, asked);
    QFETCH(bool, opened);
    const QString code = QStringLiteral("6909876543217");
    Till till;
    QStringList searched;
    till.lookup.online = [online] { return online; };
    till.lookup.search = [&](const QString &c) {
        searched << c;
        return QuickEntry::Lookup::Answer{known, known ? QStringLiteral("矿泉水") : QString()};
    };
    till.shop.exec(QStringLiteral("insert into class (class_name) values ('饮料')"));
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    m_answer = answer;

    Modals modals;
    modals.act = [&](QWidget *w) {
        auto *dlg = qobject_cast<TaddgoodsForm *>(w);
        QVERIFY(dlg);
        QCOMPARE(dlg->barcodeinputEdit->text(), code);
        if (known) {
            QCOMPARE(dlg->windowTitle(), QStringLiteral("条码智能查询"));
            QCOMPARE(dlg->nameEdit->text(), QStringLiteral("矿泉水"));
        } else {
            QCOMPARE(dlg->windowTitle(), QStringLiteral("快速录入商品"));
            QCOMPARE(focused(), dlg->nameEdit);
            // A scan landing here only moves on to the next field.
            typeText(QStringLiteral("6905"));
            press(Qt::Key_Return);
            QVERIFY(dlg->isVisible());
            QCOMPARE(focused(), dlg->priceEdit);
        }
        dlg->priceEdit->setFocus();
        dlg->priceEdit->selectAll();
        typeText(QStringLiteral("2.5"));
        press(Qt::Key_Return);
        QVERIFY(dlg->isVisible());
        QCOMPARE(till.shop.scalar(QStringLiteral("select count(*) from goods")).toInt(), 0);
        QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
        QVERIFY(!dlg->isVisible());
    };
    till.scan(code);
    QCOMPARE(searched, online ? QStringList{code} : QStringList());
    QStringList shown;
    if (asked)
        shown << QuickEntry::questionText();
    if (opened)  // a new goods item starts with no stock
        shown << QStringLiteral("提示：此商品库存为0,请及时补充库存");
    QCOMPARE(Msg::takeShown(), shown);
    QCOMPARE(modals.seen, opened ? QStringList{QStringLiteral("TaddgoodsForm")} : QStringList());
    QCOMPARE(f.barcodeinputEdit->text(), online ? QString() : code);
    if (!opened) {
        QVERIFY(till.lines().isEmpty());
        QCOMPARE(till.shop.scalar(QStringLiteral("select count(*) from goods")).toInt(), 0);
        return;
    }
    QCOMPARE(till.shop.scalar(QStringLiteral("select price from goods where barcode=:b"), {{QStringLiteral("b"), code}})
                 .toDouble(),
             2.5);
    QCOMPARE(till.lines().size(), 1);
    QCOMPARE(till.lines()[0].caption, code);
    QCOMPARE(till.lines()[0][SaleLine::Amount], QStringLiteral("2.50"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("2.50"));
    QCOMPARE(till.focus(), f.barcodeinputEdit);

    // Known now: a second scan adds to the line without asking anyone.
    till.scan(code);
    QCOMPARE(till.lines()[0][SaleLine::Qty], QStringLiteral("2"));
    QCOMPARE(modals.seen.size(), 1);
    QCOMPARE(searched.size(), 1);
}

// ---------------------------------------------------------------- refunds, settings, birthdays

void TestMainFormDialogs::refundClosesWithoutWriting()
{
    Till till;
    QVERIFY(till.start());
    Modals modals;
    modals.act = [&](QWidget *w) {
        auto *dlg = qobject_cast<TrefundForm *>(w);
        QVERIFY(dlg);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("退货操作"));
        // A scanned receipt number that is not in the store: the message, still open.
        dlg->liushuhaoEdit->setFocus();
        typeText(QStringLiteral("60316000000"));
        press(Qt::Key_Return);
        QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("无此流水号，请重新输入")});
        QVERIFY(dlg->isVisible());
        press(Qt::Key_Escape);
        QVERIFY(!dlg->isVisible());
    };
    QTest::mouseClick(till.form->refundBtn, Qt::LeftButton);
    QCOMPARE(modals.seen, QStringList{QStringLiteral("TrefundForm")});
    QCOMPARE(till.orders(), 0);
    QCOMPARE(till.shop.scalar(QStringLiteral("select count(*) from order_detail")).toInt(), 0);
}

void TestMainFormDialogs::settingsSavedAndApplied()
{
    Till till;
    till.shop.addGoods(QStringLiteral("1"), QStringLiteral("苹果"), 12.46);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    const QByteArray before = readFile(till.shop.file(QStringLiteral("checkout.ini")));

    // Esc writes nothing.
    Modals modals;
    modals.act = [](QWidget *w) {
        clickBox(qobject_cast<TsettingForm *>(w)->s4r5Chk2);
        press(Qt::Key_Escape);
    };
    QTest::mouseClick(f.settingBtn, Qt::LeftButton);
    QCOMPARE(readFile(till.shop.file(QStringLiteral("checkout.ini"))), before);
    QVERIFY(!f.settings.rounding.s4r52);

    // F9 as the discount key and whole-yuan rounding, saved.
    modals.act = [](QWidget *w) {
        auto *dlg = qobject_cast<TsettingForm *>(w);
        QVERIFY(dlg);
        QTest::keyClick(dlg->dazheEdit, Qt::Key_F9);
        QCOMPARE(dlg->dazheEdit->text(), QStringLiteral("F9"));
        clickBox(dlg->s4r5Chk2);
        QTest::mouseClick(dlg->OKbtn, Qt::LeftButton);
        QVERIFY(!dlg->isVisible());
    };
    QTest::mouseClick(f.settingBtn, Qt::LeftButton);
    QCOMPARE(modals.seen.size(), 2);
    const QString ini = QString::fromUtf8(readFile(till.shop.file(QStringLiteral("checkout.ini"))));
    QVERIFY2(ini.contains(QStringLiteral("opt2=1")) && ini.contains(QStringLiteral("dazheK=120")), qPrintable(ini));
    QVERIFY(f.settings.rounding.s4r52);
    QCOMPARE(f.settings.dazhe, QStringLiteral("F9"));

    // readIni has applied them: the new rounding and the new key.
    f.barcodeinputEdit->setFocus();
    till.scan(QStringLiteral("1"));
    QCOMPARE(till.lines()[0][SaleLine::Amount], QStringLiteral("13.00"));
    modals.act = [](QWidget *) { press(Qt::Key_Escape); };
    till.key(Qt::Key_F9);
    QCOMPARE(modals.seen.last(), QStringLiteral("TdiscountForm"));
}

void TestMainFormDialogs::birthdayReminder()
{
    Till till;
    till.shop.exec(QStringLiteral("insert into member (card_id, name, birthday, lunar) values "
                                  "('1', '甲', '3月16日', 0), ('2', '乙', '3月17日', 0), ('3', '丙', '4月1日', 0)"));
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("6901"));  // the stock text replaces the start-up notice
    QCOMPARE(f.statusPanel1->text(), QStringLiteral("商品6901库存:100"));
    Modals modals;
    modals.act = [](QWidget *w) {
        auto *dlg = qobject_cast<TbirthRemindForm *>(w);
        QVERIFY(dlg);
        QCOMPARE(dlg->memberCount(), 2);
        press(Qt::Key_F2);  // F2 closes it again
        QVERIFY(!dlg->isVisible());
    };
    till.key(Qt::Key_F2);
    QCOMPARE(modals.seen, QStringList{QStringLiteral("TbirthRemindForm")});
    QCOMPARE(f.statusPanel1->text(), QStringLiteral("今明日2位会员过生日"));
    QCOMPARE(till.lines().size(), 1);
}

QTEST_MAIN(TestMainFormDialogs)
#include "tst_mainform_dialogs.moc"
