// Member registration at the till: the row written (birthday text and calendar, rate,
// trimmed card number, dates), card types and their rates, a card number that exists
// already in any spelling, and the dialog's keyboard.

#include "birthdays.h"
#include "clock.h"
#include "memberaddform.h"
#include "memberreg.h"
#include "msgbox.h"
#include "testshop.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
NewMember member(const QString &card)
{
    NewMember m;
    m.cardId = card;
    m.name = u"张三"_s;
    m.tel = u"13800138000"_s;
    m.month = 5;
    m.day = 12;
    m.discountText = u"100"_s;
    m.enddate = QDate(2030, 6, 30);
    return m;
}

Rows memberRows(TestShop &shop)
{
    return shop.store().select(u"select * from member order by rowid"_s);
}
}  // namespace

class TestMemberReg : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        Clock::setFixed(QDateTime(QDate(2024, 5, 12), QTime(15, 0, 0)));
        Msg::setScript([](const QString &, const QString &) { return true; });
    }
    void cleanup()
    {
        Clock::setSource(nullptr);
        Msg::clearScript();
    }

    void storedRow_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<bool>("lunar");
        QTest::addColumn<QString>("discountText");
        QTest::addColumn<bool>("status");
        QTest::addColumn<QString>("storedCard");
        QTest::addColumn<QString>("birthday");
        QTest::addColumn<int>("discount");
        QTest::newRow("lunar birthday") << u"A01"_s << 5 << 12 << true << u"100"_s << true << u"A01"_s
                                        << u"5月12日"_s << 100;
        QTest::newRow("solar birthday") << u"A01"_s << 5 << 12 << false << u"95"_s << true << u"A01"_s
                                        << u"5月12日"_s << 95;
        QTest::newRow("month without a day") << u"A01"_s << 5 << 0 << false << u"100"_s << true << u"A01"_s
                                             << QString() << 100;
        QTest::newRow("day 31 of any month") << u"A01"_s << 2 << 31 << false << u"100"_s << true << u"A01"_s
                                             << u"2月31日"_s << 100;
        QTest::newRow("card typed with spaces") << u"  A01 "_s << 1 << 1 << false << u"100"_s << true << u"A01"_s
                                                << u"1月1日"_s << 100;
        QTest::newRow("rate not a number, card invalid") << u"A01"_s << 12 << 3 << false << u"9a"_s << false
                                                         << u"A01"_s << u"12月3日"_s << 100;
        QTest::newRow("rate empty") << u"A01"_s << 12 << 3 << false << QString() << true << u"A01"_s << u"12月3日"_s
                                    << 100;
    }
    void storedRow()
    {
        QFETCH(QString, card);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(bool, lunar);
        QFETCH(QString, discountText);
        QFETCH(bool, status);
        QFETCH(QString, storedCard);
        QFETCH(QString, birthday);
        QFETCH(int, discount);
        TestShop shop;
        NewMember m = member(card);
        m.month = month;
        m.day = day;
        m.lunar = lunar;
        m.discountText = discountText;
        m.status = status;
        m.mtype = u"金卡"_s;
        QString error;
        QCOMPARE(MemberReg::save(shop.store(), m, &error), MemberReg::Save::Saved);
        const Rows r = memberRows(shop);
        QCOMPARE(r.size(), 1);
        QCOMPARE(r.value(0, u"card_id"_s).toString(), storedCard);
        QCOMPARE(r.value(0, u"birthday"_s).toString(), birthday);
        QCOMPARE(r.value(0, u"lunar"_s).toInt(), lunar ? -1 : 0);
        QCOMPARE(r.value(0, u"discount"_s).toInt(), discount);
        QCOMPARE(r.value(0, u"status"_s).toInt(), status ? -1 : 0);
        QCOMPARE(r.value(0, u"fromdate"_s).toString(), u"2024-05-12 00:00:00"_s);
        QCOMPARE(r.value(0, u"enddate"_s).toString(), u"2030-06-30 00:00:00"_s);
        QCOMPARE(r.value(0, u"mtype"_s).toString(), u"金卡"_s);
        QCOMPARE(r.value(0, u"name"_s).toString(), u"张三"_s);
        QCOMPARE(r.value(0, u"tel"_s).toString(), u"13800138000"_s);
        QCOMPARE(r.value(0, u"exchange"_s).toInt(), 0);
        QCOMPARE(r.value(0, u"addup"_s).toDouble(), 0.0);
        QCOMPARE(r.value(0, u"buy_times"_s).toInt(), 0);
    }

    // The birthday reminder finds a lunar birthday on its lunar day, not on the solar
    // day of the same numbers, and never a birthday without a day.
    void reminderMatchesTheCalendar()
    {
        TestShop shop;
        NewMember lunar = member(u"L1"_s);
        lunar.lunar = true;
        NewMember solar = member(u"S1"_s);
        NewMember noDay = member(u"N1"_s);
        noDay.day = 0;
        for (const NewMember &m : {lunar, solar, noDay})
            QCOMPARE(MemberReg::save(shop.store(), m), MemberReg::Save::Saved);
        QDate lunarDay;
        for (QDate d(2024, 1, 1); d.year() == 2024 && !lunarDay.isValid(); d = d.addDays(1))
            if (Birthdays::textsOf(d).lunar == u"5月12日"_s)
                lunarDay = d;
        QVERIFY(lunarDay.isValid() && lunarDay != QDate(2024, 5, 12) && lunarDay != QDate(2024, 5, 11));
        auto cards = [&](QDate today) {
            Rows rows;
            QString error;
            if (!Birthdays::find(shop.store(), Birthdays::daysOf(today), &rows, &error))
                qWarning("%s", qPrintable(error));
            QStringList out;
            for (int r = 0; r < rows.size(); ++r)
                out << rows.value(r, u"card_id"_s).toString();
            return out;
        };
        QCOMPARE(cards(QDate(2024, 5, 12)), QStringList{u"S1"_s});
        QCOMPARE(cards(lunarDay), QStringList{u"L1"_s});
    }

    void listNumbers()
    {
        QCOMPARE(MemberReg::listNumber(u"5"_s, 12), 5);
        QCOMPARE(MemberReg::listNumber(u"05"_s, 12), 5);
        QCOMPARE(MemberReg::listNumber(u"13"_s, 12), 0);
        QCOMPARE(MemberReg::listNumber(u"0"_s, 31), 0);
        QCOMPARE(MemberReg::listNumber(QString(), 31), 0);
    }

    // However it is spelled, a registered card is never written twice: the test before
    // the insert catches it, and the store's unique index when the test was skipped.
    void duplicate_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("same") << u"A01"_s;
        QTest::newRow("other case") << u"a01"_s;
        QTest::newRow("with spaces") << u" A01  "_s;
    }
    void duplicate()
    {
        QFETCH(QString, typed);
        TestShop shop;
        QCOMPARE(MemberReg::save(shop.store(), member(u"A01"_s)), MemberReg::Save::Saved);
        QString error;
        QCOMPARE(MemberReg::cardExists(shop.store(), typed), std::optional<bool>(true));
        QCOMPARE(MemberReg::save(shop.store(), member(typed), &error), MemberReg::Save::Duplicate);
        QCOMPARE(error, u"此会员卡编号已存在！"_s);
        QCOMPARE(MemberReg::insert(shop.store(), member(typed), &error), MemberReg::Save::Duplicate);
        QCOMPARE(error, u"此会员卡编号已存在！"_s);
        QCOMPARE(memberRows(shop).size(), 1);
    }

    void emptyCardWritesNothing()
    {
        TestShop shop;
        QCOMPARE(MemberReg::save(shop.store(), member(u"   "_s)), MemberReg::Save::Empty);
        QCOMPARE(memberRows(shop).size(), 0);
    }

    void cardTypes()
    {
        TestShop shop;
        shop.exec(u"insert into disrate(mtype,mrate) values('普通卡',100),('金卡',90),('银卡',95)"_s);
        QCOMPARE(MemberReg::cardTypes(shop.store()), (QStringList{u"普通卡"_s, u"金卡"_s, u"银卡"_s}));
        QCOMPARE(MemberReg::typeRate(shop.store(), u"金卡"_s), std::optional<int>(90));
        QCOMPARE(MemberReg::typeRate(shop.store(), u"钻石卡"_s), std::optional<int>());
    }

    // The dialog by keyboard: Enter walks the fields without saving; a type chosen from
    // its list fills the rate; "录入保存" writes the row and ends the dialog.
    void dialog()
    {
        TestShop shop;
        shop.exec(u"insert into disrate(mtype,mrate) values('普通卡',100),('金卡',90)"_s);
        TmemberaddForm f(shop.store(), u"B02"_s);
        QCOMPARE(f.windowTitle(), u"会员录入"_s);
        QCOMPARE(f.mNoEdit->text(), u"B02"_s);
        QCOMPARE(f.mdiccountEdit->text(), u"100"_s);
        QVERIFY(f.mStatus->isChecked());
        QVERIFY(!f.lunarChk->isChecked());
        QVERIFY(f.mEndtime->date() > Clock::today());  // a new card is not born expired
        QCOMPARE(f.mEndtime->displayFormat(), u"yyyy-MM-dd"_s);
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(QApplication::focusWidget(), f.mNoEdit);
        QTest::keyClick(f.mNoEdit, Qt::Key_Return);  // a scanner's Return: on to the name
        QVERIFY(f.isVisible());
        QCOMPARE(QApplication::focusWidget(), f.mNameEdit);
        f.mNameEdit->setText(u"李四"_s);
        QTest::keyClick(f.mNameEdit, Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // telephone left empty
        QWidget *month = QApplication::focusWidget();
        QVERIFY(month == f.yueCbx || month == f.yueCbx->lineEdit());
        QTest::keyClicks(month, u"a1x2"_s);  // only digits go in
        QCOMPARE(f.yueCbx->currentText(), u"12"_s);
        QTest::keyClick(month, Qt::Key_Return);
        QTest::keyClicks(QApplication::focusWidget(), u"3"_s);
        QCOMPARE(f.riCbx->currentText(), u"3"_s);
        f.lunarChk->setChecked(true);

        // Choosing "金卡" from the open list.
        f.mtypeCbx->setFocus();
        f.mtypeCbx->showPopup();
        QAbstractItemView *list = f.mtypeCbx->view();
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        list->setCurrentIndex(f.mtypeCbx->model()->index(1, 0));
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE(f.mdiccountEdit->text(), u"90"_s);
        QTRY_COMPARE(QApplication::focusWidget(), f.mdiccountEdit);
        QVERIFY(f.isVisible());

        f.bsSkinButton12->setFocus();
        QTest::keyClick(f.bsSkinButton12, Qt::Key_Return);
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(f.savedCardId(), u"B02"_s);
        const Rows r = memberRows(shop);
        QCOMPARE(r.size(), 1);
        QCOMPARE(r.value(0, u"name"_s).toString(), u"李四"_s);
        QCOMPARE(r.value(0, u"birthday"_s).toString(), u"12月3日"_s);
        QCOMPARE(r.value(0, u"lunar"_s).toInt(), -1);
        QCOMPARE(r.value(0, u"mtype"_s).toString(), u"金卡"_s);
        QCOMPARE(r.value(0, u"discount"_s).toInt(), 90);
    }

    // Leaving the card field with a registered card (in another spelling) warns, clears
    // it and goes back to it; saving without leaving it is refused the same way.
    void registeredCardInTheDialog()
    {
        TestShop shop;
        QCOMPARE(MemberReg::save(shop.store(), member(u"A01"_s)), MemberReg::Save::Saved);
        TmemberaddForm f(shop.store(), u" a01"_s);
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        Msg::takeShown();
        QTest::keyClick(f.mNoEdit, Qt::Key_Tab);
        QCOMPARE(Msg::takeShown(), QStringList{u"此会员卡编号已存在！"_s});
        QCOMPARE(f.mNoEdit->text(), QString());
        QTRY_COMPARE(QApplication::focusWidget(), f.mNoEdit);

        f.mNoEdit->setText(u"A01 "_s);
        QVERIFY(!f.save());
        QCOMPARE(Msg::takeShown(), QStringList{u"此会员卡编号已存在！"_s});
        QVERIFY(f.isVisible());
        QCOMPARE(memberRows(shop).size(), 1);

        f.mNoEdit->setText(u"  "_s);
        QVERIFY(!f.save());
        QCOMPARE(Msg::takeShown(), QStringList());
        QVERIFY(f.isVisible());
    }

    void refusedInsertIsReported()
    {
        TestShop shop;
        shop.exec(u"create trigger refuse before insert on member begin select raise(abort, '磁盘已满'); end"_s);
        TmemberaddForm f(shop.store(), u"C03"_s);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.mNameEdit->setText(u"王五"_s);
        Msg::takeShown();
        QVERIFY(!f.save());
        const QStringList shown = Msg::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().contains(u"磁盘已满"_s));
        QVERIFY(f.isVisible());
        QCOMPARE(f.mNameEdit->text(), u"王五"_s);
        QCOMPARE(f.mNoEdit->text(), u"C03"_s);
    }
};

QTEST_MAIN(TestMemberReg)
#include "tst_memberreg.moc"
