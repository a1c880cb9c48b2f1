// The real till window offscreen, driven by keys as a cashier and a scanner drive it:
// scans, the tendered amount, settling with and without printing, the reprint, the key
// table, list editing, the member and salesperson of a sale, start-up and closing.
#include "bgform.h"
#include "clock.h"
#include "devices.h"
#include "fakegateway.h"
#include "helpform.h"
#include "hotkeys.h"
#include "mainform.h"
#include "msgbox.h"
#include "startup.h"
#include "testshop.h"
#include "textfile.h"
#include "tillwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {
const QDateTime kNow(QDate(2026, 3, 16), QTime(10, 20, 30));  // a Monday
}

class TestMainForm : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        Clock::setFixed(kNow);
        Msg::setScript([](const QString &, const QString &) { return true; });
    }
    void cleanup()
    {
        Msg::clearScript();
        Clock::setSource(nullptr);
    }

    void startUp();
    void badgeFromSales();
    void backgroundAndBirthdays();
    void scanAddsLineWithoutConfirming();
    void codeFieldKeys();
    void unknownCodeStays();
    void negativeStockNotice();
    void enterMovesToPayment();
    void tenderAndSettleWithoutPrinting();
    void shortTender();
    void emptyTender();
    void enterOnButtonPrints();
    void printerOffNoticeOnce();
    void failedSettlementKeepsSale();
    void listKeys();
    void deleteLastRow();
    void insertOpensDrawer();
    void helpKeyAndNames();
    void firstRunHelp();
    void noHelpWhenReceiptExists();
    void memberSale();
    void salesperson();
    void roundingFromIni();
    void poleDisplay();
    void smsNotice_data();
    void smsNotice();
    void smsLoginFailed();
    void memberPanelsFollowWidth();
    void placementSavedOnClose();
};

void TestMainForm::startUp()
{
    Till till("[cash]\r\nwidth=1000\r\nHeight=700\r\ntop1=5\r\nleft1=6\r\n");
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    QCOMPARE(f.windowTitle(), QStringLiteral("收银台"));
    QCOMPARE(f.statusPanel2->text(), QStringLiteral("收银员：收银员"));
    QCOMPARE(f.liushuiLbl->text(), QStringLiteral("小票流水号：00000000000"));
    QCOMPARE(f.totalMoneyLbl->text(), QStringLiteral("共:0.00元"));
    QCOMPARE(f.receivemoneyEdit->text(), QStringLiteral("0"));
    QCOMPARE(f.saleStage, 1);
    QCOMPARE(f.sales_id, -1);
    QVERIFY(!f.ismember);
    QVERIFY2(f.settings.dayin, "no dayin key: printing off");
    QCOMPARE(f.size(), QSize(1000, 700));
    QCOMPARE(f.pos(), QPoint(6, 5));
    QCOMPARE(f.focusWidget(), f.barcodeinputEdit);
    // The automatic backup of a fresh shop: every start.
    QVERIFY(QFile::exists(till.shop.file(QStringLiteral("数据库备份/2026-03-16.nBAK"))));
    QCOMPARE(f.statusPanel1->text(), QStringLiteral("数据库备份成功"));
    QCOMPARE(f.xinyuImg->property("badge").toString(), QStringLiteral("0"));
    QCOMPARE(f.xinyuImg->toolTip(), QStringLiteral("累计销售量:0"));
    QCOMPARE(f.statusPanel3->text(),
             QStringLiteral("已有扫描枪用户，直接扫码即可收银，无扫描枪用户可用键盘输入条码，按回车键结束"));
    QVERIFY2(till.gateway->calls.isEmpty(), "no SMS login without dx");
    QCOMPARE(f.dxBtn->toolTip(), QString());
    QCOMPARE(f.ListView->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("原价"));
    QVERIFY(f.ListView->isColumnHidden(7) && f.ListView->isColumnHidden(11) && !f.ListView->isColumnHidden(6));
    QVERIFY(f.minimumSizeHint().width() >= 860);
}

void TestMainForm::badgeFromSales()
{
    Till till;
    till.shop.exec(QStringLiteral("update shop_info set shop_name='小店'"));
    till.shop.exec(QStringLiteral("update setting set backup_every=2"));  // not on the 16th
    for (int i = 0; i < 5; ++i)
        till.shop.exec(QStringLiteral("insert into orderlist (order_id, total_money) values (:n, :m)"),
                       {{QStringLiteral("n"), QString::number(i)}, {QStringLiteral("m"), i == 0 ? -3.0 : 10.0}});
    QVERIFY(till.start());
    QCOMPARE(till.form->windowTitle(), QStringLiteral("小店"));
    QCOMPARE(till.form->xinyuImg->property("badge").toString(), QStringLiteral("1xin"));
    QCOMPARE(till.form->xinyuImg->toolTip(), QStringLiteral("累计销售量:4"));
    QCOMPARE(till.form->statusPanel3->text(), QStringLiteral("用键盘操作更快速方便"));
    QCOMPARE(till.form->statusPanel1->text(), QString());
    QVERIFY(!QFile::exists(till.shop.file(QStringLiteral("数据库备份"))));
}

void TestMainForm::backgroundAndBirthdays()
{
    Till till("[cash]\r\ndayin=0\r\nbeijing=1\r\n");
    till.shop.exec(QStringLiteral("insert into member (card_id, name, birthday, lunar) values "
                                  "('1', '甲', '3月16日', 0), ('2', '乙', '3月17日', 0), ('3', '丙', '3月18日', 0)"));
    QVERIFY(till.start());
    QCOMPARE(till.form->statusPanel1->text(), QStringLiteral("今明日2位会员过生日"));
    TBgForm *bg = TBgForm::current();
    QVERIFY(bg);
    QVERIFY(!bg->isEnabled());
    QCOMPARE(bg->pos(), QPoint(0, 0));
    till.form->close();
    QTRY_VERIFY(!TBgForm::current());
}

void TestMainForm::scanAddsLineWithoutConfirming()
{
    Till till;
    till.shop.addGoods(QStringLiteral("6901234567892"), QStringLiteral("可乐"), 3, 2, 10);
    till.shop.addGoods(QStringLiteral("6902"), QStringLiteral("口香糖"), 1.5, 1, 10, 0, QStringLiteral("A7"));
    QVERIFY(till.start());
    TmainForm &f = *till.form;

    till.scan(QStringLiteral("6901234567892"));
    QCOMPARE(till.lines().size(), 1);
    QCOMPARE(till.lines()[0][SaleLine::Name], QStringLiteral("可乐"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("3.00"));
    QCOMPARE(f.totalMoneyLbl->text(), QStringLiteral("共:￥3.00"));
    QCOMPARE(f.goodscountLbl->text(), QStringLiteral("1"));
    QCOMPARE(f.statusPanel1->text(), QStringLiteral("商品6901234567892库存:10"));
    QCOMPARE(f.barcodeinputEdit->text(), QString());
    // Nothing was confirmed, settled or closed by the scanner's Return.
    QVERIFY(Msg::takeShown().isEmpty());
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(f.isVisible());
    QCOMPARE(till.orders(), 0);
    QCOMPARE(till.focus(), f.barcodeinputEdit);
    QCOMPARE(f.saleStage, 1);

    // The same code again: one row, quantity 2. A goods number finds its goods.
    till.scan(QStringLiteral("6901234567892"));
    till.scan(QStringLiteral("A7"));
    QCOMPARE(till.lines().size(), 2);
    QCOMPARE(till.lines()[0][SaleLine::Qty], QStringLiteral("2"));
    QCOMPARE(till.lines()[1].caption, QStringLiteral("6902"));
    QCOMPARE(f.selectedIndex(), 1);
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("7.50"));
    QCOMPARE(f.goodscountLbl->text(), QStringLiteral("3"));
    QCOMPARE(f.ListView->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("[原价]￥"));
    QCOMPARE(f.ListView->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("会员价￥"));
    QCOMPARE(f.ListView->model()->index(0, 6).data().toString(), QStringLiteral("6.00"));
}

void TestMainForm::codeFieldKeys()
{
    Till till;
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.type(QStringLiteral(" 69+0-1*2/"));
    QCOMPARE(f.barcodeinputEdit->text(), QStringLiteral("69012"));
    till.key(Qt::Key_Minus, Qt::KeypadModifier);  // the discount key, but the field is not empty
    till.key(Qt::Key_Space);
    QCOMPARE(f.barcodeinputEdit->text(), QStringLiteral("69012 "));
}

void TestMainForm::unknownCodeStays()
{
    Till till;
    QVERIFY(till.start());
    till.scan(QStringLiteral("123456"));
    QVERIFY(till.lines().isEmpty());
    QCOMPARE(till.form->barcodeinputEdit->text(), QStringLiteral("123456"));
    QVERIFY(Msg::takeShown().isEmpty());
    // Selected, so the next scan replaces it.
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    till.scan(QStringLiteral("6901"));
    QCOMPARE(till.lines().size(), 1);
}

void TestMainForm::negativeStockNotice()
{
    Till till;
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3, 2, 0);
    QVERIFY(till.start());
    till.scan(QStringLiteral("6901"));
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("提示：此商品库存为0,请及时补充库存")});
    QCOMPARE(till.form->statusPanel1->text(), QStringLiteral("6901负库存！"));
    QCOMPARE(till.lines().size(), 1);  // sold all the same

    till.shop.exec(QStringLiteral("update setting set zeromsg=0"));
    Till quiet;
    quiet.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3, 2, -2);
    quiet.shop.exec(QStringLiteral("update setting set zeromsg=0"));
    QVERIFY(quiet.start());
    quiet.scan(QStringLiteral("6901"));
    QVERIFY(Msg::takeShown().isEmpty());
    QCOMPARE(quiet.form->statusPanel1->text(), QStringLiteral("商品6901库存:-2"));
}

void TestMainForm::enterMovesToPayment()
{
    Till till;
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.key(Qt::Key_Return);  // empty field, empty list
    QCOMPARE(till.focus(), f.barcodeinputEdit);
    QCOMPARE(f.saleStage, 1);

    till.scan(QStringLiteral("6901"));
    till.key(Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(till.focus(), f.receivemoneyEdit);
    QCOMPARE(f.saleStage, 2);
    QCOMPARE(f.receivemoneyEdit->text(), QString());  // "0" is emptied on entering
    // Back in the code field a scan still adds goods and the focus stays for the next.
    f.barcodeinputEdit->setFocus();
    QCOMPARE(f.receivemoneyEdit->text(), QStringLiteral("0.00"));
    till.scan(QStringLiteral("6901"));
    QCOMPARE(till.lines()[0][SaleLine::Qty], QStringLiteral("2"));
    QCOMPARE(till.focus(), f.barcodeinputEdit);
    QCOMPARE(f.saleStage, 1);
    // Enter in the card field and in the list also goes to the tendered amount.
    f.cardNoEdit->setFocus();
    till.key(Qt::Key_Return);
    QCOMPARE(till.focus(), f.receivemoneyEdit);
    f.ListView->setFocus();
    till.key(Qt::Key_Return);
    QCOMPARE(till.focus(), f.receivemoneyEdit);
}

void TestMainForm::tenderAndSettleWithoutPrinting()
{
    Till till;
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3, 2, 10);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("6901"));
    till.key(Qt::Key_Return);
    till.type(QStringLiteral("1a0"));  // letters are not taken
    QCOMPARE(f.receivemoneyEdit->text(), QStringLiteral("10"));
    till.key(Qt::Key_Return);
    QCOMPARE(f.changeMoney->text(), QStringLiteral("7.00"));
    QCOMPARE(f.saleStage, 3);
    QCOMPARE(till.focus(), f.printBtn);
    QCOMPARE(f.receivemoneyEdit->text(), QStringLiteral("10.00"));

    till.key(Qt::Key_Space);
    QCOMPARE(till.orders(), 1);
    const QString no = till.shop.scalar(QStringLiteral("select order_id from orderlist")).toString();
    QCOMPARE(no, QStringLiteral("60316102030"));
    QCOMPARE(f.orderNo, no);
    QCOMPARE(f.liushuiLbl->text(), QStringLiteral("小票流水号：") + no);
    QCOMPARE(till.shop.scalar(QStringLiteral("select total_money from orderlist")).toDouble(), 3.0);
    QCOMPARE(till.shop.scalar(QStringLiteral("select amount from goods")).toDouble(), 9.0);
    // The receipt is written, not printed.
    const QString receipt = fromAnsi(readFile(till.receiptFile()));
    QVERIFY2(receipt.contains(QStringLiteral("单号:") + no), qPrintable(receipt));
    QVERIFY(receipt.contains(QStringLiteral("现金:10.00")) && receipt.contains(QStringLiteral("找零:7.00")));
    QVERIFY(readFile(till.lptFile()).isEmpty());
    QVERIFY(Msg::takeShown().isEmpty());
    // The window is ready for the next customer.
    QVERIFY(till.lines().isEmpty());
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("0.00"));
    QCOMPARE(f.totalMoneyEdit->text(), QStringLiteral("0.00"));
    QCOMPARE(f.totalMoneyLbl->text(), QStringLiteral("共:0.00"));
    QCOMPARE(f.goodscountLbl->text(), QStringLiteral("0"));
    QCOMPARE(f.receivemoneyEdit->text(), QStringLiteral("0"));
    QCOMPARE(f.statusPanel1->text(), QStringLiteral("处理完毕，等待下一位顾客"));
    QCOMPARE(f.statusPanel3->text(), QString());
    QCOMPARE(f.saleStage, 1);
    QCOMPARE(till.focus(), f.barcodeinputEdit);
    QVERIFY(f.printBtn->isEnabled());

    // "打印上一单" prints the saved receipt on the port.
    QTest::mouseClick(f.sButton1, Qt::LeftButton);
    QCOMPARE(readFile(till.lptFile()), readFile(till.receiptFile()));
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("已打印上一单小票")});
}

void TestMainForm::shortTender()
{
    Till till;
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 100);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("6901"));
    till.key(Qt::Key_Return);
    till.type(QStringLiteral("99.99"));
    till.key(Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("金额不够，请重新输入！")});
    QCOMPARE(f.receivemoneyEdit->text(), QString());
    QCOMPARE(till.focus(), f.receivemoneyEdit);
    QCOMPARE(f.saleStage, 2);
    QCOMPARE(f.changeMoney->text(), QStringLiteral("0"));
    QCOMPARE(till.orders(), 0);
    // Exactly the amount: change 0.00, recorded.
    till.type(QStringLiteral("100"));
    till.key(Qt::Key_Return);
    QCOMPARE(f.changeMoney->text(), QStringLiteral("0.00"));
    till.key(Qt::Key_Space);
    QCOMPARE(till.orders(), 1);
}

void TestMainForm::emptyTender()
{
    Till till;
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    // Settling an empty sale does nothing.
    f.settle(true);
    QCOMPARE(till.orders(), 0);
    QCOMPARE(till.focus(), f.barcodeinputEdit);
    till.scan(QStringLiteral("6901"));
    till.key(Qt::Key_Return);
    till.key(Qt::Key_Return);  // nothing typed
    QCOMPARE(till.orders(), 0);
    QVERIFY(Msg::takeShown().isEmpty());
    QCOMPARE(till.focus(), f.receivemoneyEdit);
}

void TestMainForm::enterOnButtonPrints()
{
    Till till;
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    QVERIFY(till.start());
    till.scan(QStringLiteral("6901"));
    till.key(Qt::Key_Return);
    till.type(QStringLiteral("5"));
    till.key(Qt::Key_Return);
    till.key(Qt::Key_Return);  // on the button: settle and print
    QCOMPARE(till.orders(), 1);
    const QByteArray printed = readFile(till.lptFile());
    QVERIFY(!printed.isEmpty());
    QCOMPARE(printed, readFile(till.receiptFile()));
    QVERIFY(printed.startsWith(QByteArray("\x1b\x70\x00\x3c\xff", 5)));  // the drawer opens first
}

void TestMainForm::printerOffNoticeOnce()
{
    Till till("");  // a fresh till: no INI, printing off
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    QVERIFY(till.start());
    for (int i = 0; i < 2; ++i) {
        till.scan(QStringLiteral("6901"));
        till.key(Qt::Key_Return);
        till.type(QStringLiteral("5"));
        till.key(Qt::Key_Return);
        till.key(Qt::Key_Return);
    }
    QCOMPARE(till.orders(), 2);
    const QStringList shown = Msg::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().contains(QStringLiteral("暂时不启用打印机")));
    QVERIFY(readFile(till.lptFile()).isEmpty());
    QVERIFY(QFile::exists(till.receiptFile()));
}

void TestMainForm::failedSettlementKeepsSale()
{
    Till till;
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3, 2, 10);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.shop.exec(QStringLiteral("create trigger refuse before insert on order_detail "
                                  "begin select raise(abort, 'disk trouble'); end"));
    till.scan(QStringLiteral("6901"));
    till.key(Qt::Key_Return);
    till.type(QStringLiteral("5"));
    till.key(Qt::Key_Return);
    till.key(Qt::Key_Space);
    const QStringList shown = Msg::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().contains(QStringLiteral("disk trouble")), qPrintable(shown.first()));
    QCOMPARE(till.orders(), 0);
    QCOMPARE(till.shop.scalar(QStringLiteral("select amount from goods")).toDouble(), 10.0);
    QVERIFY(!till.shop.store().inTransaction());
    QCOMPARE(till.lines().size(), 1);
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("3.00"));
    QVERIFY(f.printBtn->isEnabled());
    QCOMPARE(till.focus(), f.printBtn);
    QCOMPARE(f.orderNo, QStringLiteral("00000000000"));
    QCOMPARE(readFile(till.receiptFile()), QByteArray("old receipt\r\n"));

    // Once the store is well again the same sale goes through.
    till.shop.exec(QStringLiteral("drop trigger refuse"));
    till.key(Qt::Key_Space);
    QCOMPARE(till.orders(), 1);
    QVERIFY(till.lines().isEmpty());
}

void TestMainForm::listKeys()
{
    Till till;
    for (int i = 1; i <= 3; ++i)
        till.shop.addGoods(QString::number(i), QStringLiteral("商品%1").arg(i), i);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    for (int i = 1; i <= 3; ++i)
        till.scan(QString::number(i));
    QCOMPARE(f.selectedIndex(), 2);
    till.key(Qt::Key_Up);
    till.key(Qt::Key_Up);
    QCOMPARE(f.selectedIndex(), 0);
    till.key(Qt::Key_Up);
    QCOMPARE(f.selectedIndex(), 0);
    till.key(Qt::Key_Down);
    QCOMPARE(f.selectedIndex(), 1);
    till.key(Qt::Key_Delete);
    QCOMPARE(till.lines().size(), 2);
    QCOMPARE(till.lines()[1].caption, QStringLiteral("3"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("4.00"));
    QCOMPARE(f.selectedIndex(), -1);
    till.key(Qt::Key_Delete);  // nothing selected: one key press deletes one line only
    QCOMPARE(till.lines().size(), 2);
    till.key(Qt::Key_Down);
    QCOMPARE(f.selectedIndex(), 0);

    // The list's own keys: Delete in the list, Enter to the payment, popup entries.
    f.ListView->setFocus();
    till.key(Qt::Key_Delete);
    QCOMPARE(till.lines().size(), 1);
    QCOMPARE(till.focus(), f.barcodeinputEdit);
    // The popup menu keeps its own keys.
    f.selectLine(0);
    f.listMenu->popup(f.mapToGlobal(QPoint(50, 50)));
    QVERIFY(QTest::qWaitForWindowExposed(f.listMenu));
    QVERIFY(f.deleteAct->isEnabled());
    QTest::keyClick(f.listMenu, Qt::Key_Down);
    QTest::keyClick(f.listMenu, Qt::Key_Down);
    QCOMPARE(f.selectedIndex(), 0);
    QCOMPARE(f.listMenu->activeAction(), f.editDiscountAct);
    QTest::keyClick(f.listMenu, Qt::Key_Down);
    QTest::keyClick(f.listMenu, Qt::Key_Return);
    QVERIFY(till.lines().isEmpty());
    f.listMenu->popup(f.mapToGlobal(QPoint(50, 50)));
    QVERIFY(!f.deleteAct->isEnabled());
    f.listMenu->close();
}

void TestMainForm::deleteLastRow()
{
    Till till;
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("6901"));
    till.scan(QStringLiteral("6901"));
    till.key(Qt::Key_Delete);
    QVERIFY(till.lines().isEmpty());
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("0.00"));
    QCOMPARE(f.totalMoneyEdit->text(), QStringLiteral("0.00"));
    QCOMPARE(f.totalMoneyLbl->text(), QStringLiteral("共:￥0.00"));
    QCOMPARE(f.goodscountLbl->text(), QStringLiteral("0"));
    QCOMPARE(f.nodismoney.toText(), QStringLiteral("0.00"));
    QCOMPARE(f.ListView->model()->rowCount(), 0);
}

// The dialogs behind the other keys are driven in tst_mainform_dialogs.
void TestMainForm::insertOpensDrawer()
{
    Till till;
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    QVERIFY(till.start());
    till.scan(QStringLiteral("6901"));
    // Insert opens the drawer: the pulse alone on the printer port.
    till.key(Qt::Key_Insert);
    QCOMPARE(readFile(till.lptFile()), QByteArray("\x1b\x70\x00\x3c\xff", 5));
    QCOMPARE(till.lines().size(), 1);
    QCOMPARE(till.orders(), 0);
}

void TestMainForm::helpKeyAndNames()
{
    Till till("[cash]\r\ndayin=0\r\ndazhe=F9\r\ndazheK=120\r\n");
    QVERIFY(till.start());
    ModalCatcher catcher;
    QStringList keys;
    catcher.inspect = [&](QWidget *w) {
        if (auto *help = qobject_cast<ThelpForm *>(w)) {
            QCOMPARE(help->windowTitle(), QStringLiteral("帮助"));
            for (int r = 0; r < help->keyGrid->rowCount(); ++r)
                keys << help->keyGrid->item(r, 0)->text() + QLatin1Char('=') + help->keyGrid->item(r, 1)->text();
        }
    };
    till.key(Qt::Key_F1);
    QCOMPARE(catcher.seen, QStringLiteral("ThelpForm"));
    QCOMPARE(keys.size(), 14);
    QCOMPARE(keys.at(0), QStringLiteral("整单折扣=F9 或F6"));
    QCOMPARE(keys.at(1), QStringLiteral("更改数量=* 或F7"));
    QCOMPARE(keys.at(2), QStringLiteral("会员积分=+ 或F8"));
    QCOMPARE(keys.at(13), QStringLiteral("销售提成=F5"));
    QCOMPARE(Hotkeys::codeFromText(till.form->settings.dazheK), 120);

    // The help window closes with Enter and F1 as well.
    for (Qt::Key k : {Qt::Key_Return, Qt::Key_F1, Qt::Key_Escape}) {
        ThelpForm help(till.form->settings, till.form.get());
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QTest::keyClick(&help, k);
        QVERIFY(!help.isVisible());
    }
}

void TestMainForm::firstRunHelp()
{
    Till till("[cash]\r\ndayin=0\r\n", false);
    ModalCatcher catcher;
    QVERIFY(till.start());
    QTRY_COMPARE_WITH_TIMEOUT(catcher.seen, QStringLiteral("ThelpForm"), 4000);
    QVERIFY(!till.form->helpTimer->isActive());
}

void TestMainForm::noHelpWhenReceiptExists()
{
    Till till;
    ModalCatcher catcher(1800);
    QVERIFY(till.start());
    QTest::qWait(1800);
    QCOMPARE(catcher.seen, QString());
    QVERIFY(till.form->helpTimer->isActive());
}

void TestMainForm::memberSale()
{
    Till till;
    till.shop.exec(QStringLiteral("insert into member (card_id, name, tel, discount, addup, buy_times, status) "
                                  "values ('VIP01', '张三', '13800138000', 90, 0, 0, -1)"));
    till.shop.addGoods(QStringLiteral("1"), QStringLiteral("米"), 10, 5, 10, 8);
    till.shop.addGoods(QStringLiteral("2"), QStringLiteral("油"), 20, 10, 10);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("1"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("10.00"));

    MemberAttach m;
    m.cardId = QStringLiteral("VIP01");
    m.points = 12;
    m.mtype = QStringLiteral("金卡");
    m.rate = 90;
    m.name = QStringLiteral("张三");
    m.tel = QStringLiteral("13800138000");
    m.birthday = QStringLiteral("3月15日");
    f.attachMember(m);
    QVERIFY(f.ismember);
    QCOMPARE(f.jifen, 12);
    QCOMPARE(f.jifenEdit->text(), QStringLiteral("12"));
    QCOMPARE(f.disRateEdit->text(), QStringLiteral("90"));
    QCOMPARE(f.mnameEdit->text(), QStringLiteral("张三"));
    QCOMPARE(f.mtypeEdit->text(), QString());
    QCOMPARE(f.ListView->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("[会员价]￥"));
    QCOMPARE(f.ListView->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("原价￥"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("8.00"));  // member price, rate ignored
    QCOMPARE(f.totalMoneyLbl->text(), QStringLiteral("共:￥10.00"));
    till.scan(QStringLiteral("2"));  // a new line takes the member's rate
    QCOMPARE(till.lines()[1][SaleLine::Rate], QStringLiteral("90"));
    QCOMPARE(f.realmoneyEdit->text(), QStringLiteral("26.00"));
    QCOMPARE(f.nodismoney.toText(), QStringLiteral("8.00"));

    // Typing over the card field changes nothing: the stored card is settled.
    f.cardNoEdit->setText(QStringLiteral("vip01 "));
    f.barcodeinputEdit->setFocus();
    till.key(Qt::Key_Return);
    till.type(QStringLiteral("30"));
    till.key(Qt::Key_Return);
    QCOMPARE(f.changeMoney->text(), QStringLiteral("4.00"));
    till.key(Qt::Key_Space);
    QCOMPARE(till.orders(), 1);
    QCOMPARE(till.shop.scalar(QStringLiteral("select card_id from orderlist")).toString(), QStringLiteral("VIP01"));
    QCOMPARE(till.shop.scalar(QStringLiteral("select addup from member")).toDouble(), 26.0);
    QCOMPARE(till.shop.scalar(QStringLiteral("select buy_times from member")).toInt(), 1);
    const QString receipt = fromAnsi(readFile(till.receiptFile()));
    QVERIFY2(receipt.contains(QStringLiteral("会员:VIP01   会员类型:金卡")), qPrintable(receipt));
    QVERIFY(receipt.contains(QStringLiteral("本次积分:26      可兑积分：38")));
    // The member leaves with the sale.
    QVERIFY(!f.ismember);
    QCOMPARE(f.jifen, 0);
    QCOMPARE(f.memberCardId(), QString());
    QCOMPARE(f.cardNoEdit->text(), QString());
    QCOMPARE(f.disRateEdit->text(), QString());
}

void TestMainForm::salesperson()
{
    Till till;
    till.shop.exec(QStringLiteral("insert into sales (sales_no, sales_name, amount) values ('01', '小李', 0)"));
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    till.scan(QStringLiteral("6901"));
    f.setSalesperson(1, QStringLiteral("小李"));
    QCOMPARE(f.statusPanel3->text(), QStringLiteral("销售:小李"));
    f.barcodeinputEdit->setFocus();
    till.key(Qt::Key_Return);
    till.type(QStringLiteral("3"));
    till.key(Qt::Key_Return);
    till.key(Qt::Key_Space);
    QCOMPARE(till.shop.scalar(QStringLiteral("select sales_id from orderlist")).toInt(), 1);
    QCOMPARE(till.shop.scalar(QStringLiteral("select amount from sales")).toDouble(), 3.0);
    QCOMPARE(f.sales_id, -1);
    QCOMPARE(f.statusPanel3->text(), QString());
}

void TestMainForm::roundingFromIni()
{
    Till till("[cash]\r\ndayin=0\r\nopt2=1\r\n");
    till.shop.addGoods(QStringLiteral("1"), QStringLiteral("苹果"), 12.46);
    till.shop.addGoods(QStringLiteral("2"), QStringLiteral("梨"), 12.44);
    QVERIFY(till.start());
    till.scan(QStringLiteral("1"));
    till.scan(QStringLiteral("2"));
    QCOMPARE(till.lines()[0][SaleLine::Amount], QStringLiteral("13.00"));
    QCOMPARE(till.lines()[1][SaleLine::Amount], QStringLiteral("12.00"));
    QCOMPARE(till.form->realmoneyEdit->text(), QStringLiteral("25.00"));
    QCOMPARE(till.form->totalMoneyEdit->text(), QStringLiteral("24.90"));
}

void TestMainForm::poleDisplay()
{
    Till till("[cash]\r\ndayin=0\r\nguxian=1\r\ncom=0\r\n");
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3);
    QVERIFY(till.start());
    QVERIFY(till.form->pole().isOpen());
    till.scan(QStringLiteral("6901"));
    QVERIFY(readFile(till.poleFile()).endsWith("\x1bs2\x1bQA3.00\r"));
    till.key(Qt::Key_Return);
    till.type(QStringLiteral("5"));
    QVERIFY(readFile(till.poleFile()).endsWith("\x1bs3\x1bQA5\r"));
    till.key(Qt::Key_Return);
    QVERIFY(readFile(till.poleFile()).endsWith("\x1bs4\x1bQA2.00\r"));
    till.key(Qt::Key_Space);
    QVERIFY(readFile(till.poleFile()).endsWith("\x0c\x1bQA0.00\r"));
    till.form->close();
    QVERIFY(!till.form->pole().isOpen());
    QVERIFY(readFile(till.poleFile()).endsWith("\x0c"));
}

void TestMainForm::smsNotice_data()
{
    QTest::addColumn<double>("price");
    QTest::addColumn<bool>("sent");
    QTest::newRow("exactly the threshold") << 100.0 << false;
    QTest::newRow("above") << 100.01 << true;
}

void TestMainForm::smsNotice()
{
    QFETCH(double, price);
    QFETCH(bool, sent);
    Till till("[cash]\r\ndayin=0\r\ndx=1\r\nmobile=13800138000\r\nmorethan=100\r\n");
    till.shop.exec(QStringLiteral("insert into dx (user, pass) values ('shop', 'pw')"));
    till.shop.exec(QStringLiteral("insert into orderlist (order_id, total_money, order_date) values ('x', 50, '2026-03-16')"));
    till.shop.addGoods(QStringLiteral("6901"), QStringLiteral("礼盒"), price);
    QVERIFY(till.start());
    QCOMPARE(till.gateway->calls.value(0), QStringLiteral("init 127.0.0.1:9900 shop pw"));
    QVERIFY(till.form->smsOnline());
    QCOMPARE(till.form->dxBtn->toolTip(), QStringLiteral("短信服务已启用"));
    till.scan(QStringLiteral("6901"));
    till.key(Qt::Key_Return);
    till.type(QStringLiteral("200"));
    till.key(Qt::Key_Return);
    till.key(Qt::Key_Space);
    QCOMPARE(till.orders(), 2);
    const QString record = fromAnsi(readFile(till.shop.file(QStringLiteral("dxinfo.txt"))));
    if (!sent) {
        QVERIFY(!till.gateway->calls.contains(QStringLiteral("send 101")));
        QVERIFY(record.isEmpty());
        return;
    }
    const QString no = till.form->orderNo;
    QCOMPARE(till.gateway->numbers, QStringLiteral("13800138000"));
    QCOMPARE(till.gateway->text,
             QStringLiteral("通知:流水号") + no + QStringLiteral("金额:100.01。累计销售2笔,销售额150.01"));
    QVERIFY(record.startsWith(QStringLiteral("发送时间：2026-03-16,10:20:30\r\n发送内容：通知:流水号")));
    QVERIFY(record.contains(QStringLiteral("发送状态：发送成功\r\n发送成功号码：\r\n13800138000\r\n")));
    till.form->close();
    QCOMPARE(till.gateway->calls.last(), QStringLiteral("logout"));
}

void TestMainForm::smsLoginFailed()
{
    Till till("[cash]\r\ndayin=0\r\ndx=1\r\nmobile=13800138000\r\n");
    till.smsInitResult = 1001;
    till.shop.exec(QStringLiteral("insert into dx (user, pass) values ('shop', 'bad')"));
    QVERIFY(till.start());
    QVERIFY(!till.form->smsOnline());
    QVERIFY(till.form->dxBtn->toolTip() != QStringLiteral("短信服务已启用"));
    till.form->close();
    QVERIFY(!till.gateway->calls.contains(QStringLiteral("logout")));
}

void TestMainForm::memberPanelsFollowWidth()
{
    Till till("[cash]\r\ndayin=0\r\nwidth=1400\r\nHeight=700\r\n");
    QVERIFY(till.start());
    TmainForm &f = *till.form;
    QTRY_VERIFY(f.telpanel->isVisible() && f.birthPanel->isVisible());
    f.resize(860, 700);
    QTRY_VERIFY(!f.birthPanel->isVisible());
    f.resize(600, 700);  // clamped to the smallest size
    QCOMPARE(f.width(), f.minimumSizeHint().width() > 860 ? f.minimumSizeHint().width() : 860);
    f.resize(1400, 700);
    QTRY_VERIFY(f.telpanel->isVisible() && f.birthPanel->isVisible());
}

void TestMainForm::placementSavedOnClose()
{
    Till till("[cash]\r\ndayin=0\r\nwidth=1000\r\n");
    QVERIFY(till.start());
    till.form->resize(1100, 720);
    till.form->move(12, 34);
    till.form->close();
    const QString ini = QString::fromUtf8(readFile(till.shop.file(QStringLiteral("checkout.ini"))));
    QVERIFY2(ini.contains(QStringLiteral("width=1100")), qPrintable(ini));
    QVERIFY(ini.contains(QStringLiteral("Height=720")) && ini.contains(QStringLiteral("Top1=34"))
            && ini.contains(QStringLiteral("Left1=12")) && ini.contains(QStringLiteral("maximized=0")));
    QVERIFY(ini.contains(QStringLiteral("dayin=0")));
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
