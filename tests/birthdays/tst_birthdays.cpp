// Birthdays of today and tomorrow: the day texts, who is listed on which day (leap day,
// lunar day 30 in a short month, leap months, past the lunar table), the start-up
// notice, and the reminder window with its colouring, keys and placement.

#include "birthdays.h"
#include "birthremindform.h"
#include "clock.h"
#include "msgbox.h"
#include "testshop.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

namespace {

void setToday(QDate d)
{
    Clock::setFixed(QDateTime(d, QTime(9, 30)));
}

void addMember(TestShop &shop, const QString &card, const QVariant &birthday, const QVariant &lunar,
               double addup = 0, int exchange = 0)
{
    shop.exec(QStringLiteral("insert into member(card_id,name,tel,birthday,lunar,addup,exchange,buy_times,"
                             "fromdate,enddate) values(:c,:n,'13800000000',:b,:l,:a,:e,3,"
                             "'2020-01-05 00:00:00','2030-12-31 00:00:00')"),
              {{QStringLiteral("c"), card}, {QStringLiteral("n"), QString(QStringLiteral("会员") + card)},
               {QStringLiteral("b"), birthday}, {QStringLiteral("l"), lunar},
               {QStringLiteral("a"), addup}, {QStringLiteral("e"), exchange}});
}

// Runs the modal window's closing action once it is up.
void whenModal(std::function<void(QWidget *)> act, bool *ran)
{
    QTimer::singleShot(0, [act = std::move(act), ran] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w) {
            QTimer::singleShot(10, [act, ran] { whenModal(act, ran); });
            return;
        }
        *ran = true;
        act(w);
    });
}

}

class TestBirthdays : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void dayTexts_data();
    void dayTexts();
    void listedOn_data();
    void listedOn();
    void emptyBirthdayNeverListed();
    void noticeAndCount();
    void storeError();
    void windowColoursTomorrow();
    void windowClosesWith_data();
    void windowClosesWith();
    void remindPlacesOverTillAndReportsNotice();
    void remindShowsWindowWhenNobodyFound();
};

void TestBirthdays::cleanup()
{
    Clock::setSource(nullptr);
    Msg::clearScript();
}

void TestBirthdays::dayTexts_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("solar");
    QTest::addColumn<QString>("solarExtra");
    QTest::addColumn<QString>("lunar");
    QTest::addColumn<QString>("lunarExtra");
    QTest::newRow("last day of lunar 2014") << QDate(2015, 2, 18) << "2月18日" << "" << "12月30日" << "";
    QTest::newRow("lunar new year") << QDate(2015, 2, 19) << "2月19日" << "" << "1月1日" << "";
    QTest::newRow("leap month 2 of 2023") << QDate(2023, 3, 22) << "3月22日" << "" << "2月1日" << "";
    QTest::newRow("28 Feb of a common year") << QDate(2023, 2, 28) << "2月28日" << "2月29日" << "2月9日" << "";
    QTest::newRow("28 Feb of a leap year") << QDate(2024, 2, 28) << "2月28日" << "" << "1月19日" << "";
    QTest::newRow("29 Feb") << QDate(2024, 2, 29) << "2月29日" << "" << "1月20日" << "";
    QTest::newRow("day 29 of a 29-day month") << QDate(2015, 3, 19) << "3月19日" << "" << "1月29日" << "1月30日";
    QTest::newRow("day 29 of a 30-day month") << QDate(2015, 4, 17) << "4月17日" << "" << "2月29日" << "";
    QTest::newRow("past the lunar table") << QDate(2057, 2, 4) << "2月4日" << "" << "" << "";
}

void TestBirthdays::dayTexts()
{
    QFETCH(QDate, day);
    QFETCH(QString, solar);
    QFETCH(QString, solarExtra);
    QFETCH(QString, lunar);
    QFETCH(QString, lunarExtra);
    const Birthdays::DayTexts t = Birthdays::textsOf(day);
    QCOMPARE(t.solar, solar);
    QCOMPARE(t.solarExtra, solarExtra);
    QCOMPARE(t.lunar, lunar);
    QCOMPARE(t.lunarExtra, lunarExtra);
}

void TestBirthdays::listedOn_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("birthday");
    QTest::addColumn<bool>("lunar");
    QTest::addColumn<QString>("expected");  // "today", "tomorrow" or "no"

    const QDate d0322(2023, 3, 22);
    QTest::newRow("solar today") << d0322 << "3月22日" << false << "today";
    QTest::newRow("solar tomorrow") << d0322 << "3月23日" << false << "tomorrow";
    QTest::newRow("solar the day after") << d0322 << "3月24日" << false << "no";
    QTest::newRow("solar yesterday") << d0322 << "3月21日" << false << "no";
    QTest::newRow("solar text, lunar member") << d0322 << "3月22日" << true << "no";
    QTest::newRow("lunar text, solar member") << d0322 << "2月1日" << false << "no";
    // 2月1日 comes twice in lunar 2023: in month 2 and in the leap month 2.
    QTest::newRow("lunar in the leap month") << d0322 << "2月1日" << true << "today";
    QTest::newRow("lunar in the regular month") << QDate(2023, 2, 20) << "2月1日" << true << "today";
    QTest::newRow("lunar tomorrow, leap month") << QDate(2023, 3, 21) << "2月1日" << true << "tomorrow";
    QTest::newRow("lunar tomorrow") << d0322 << "2月2日" << true << "tomorrow";
    QTest::newRow("lunar new year eve") << QDate(2015, 2, 18) << "12月30日" << true << "today";
    QTest::newRow("lunar new year tomorrow") << QDate(2015, 2, 18) << "1月1日" << true << "tomorrow";
    QTest::newRow("4月30日 before the leap 4th month") << QDate(2020, 5, 22) << "4月30日" << true << "today";
    QTest::newRow("leap 4th month tomorrow") << QDate(2020, 5, 22) << "4月1日" << true << "tomorrow";

    // A solar 2月29日 is kept on 28 February when the year has no 29th.
    QTest::newRow("29 Feb, common year, 27 Feb") << QDate(2023, 2, 27) << "2月29日" << false << "tomorrow";
    QTest::newRow("29 Feb, common year, 28 Feb") << QDate(2023, 2, 28) << "2月29日" << false << "today";
    QTest::newRow("29 Feb, common year, 1 Mar") << QDate(2023, 3, 1) << "2月29日" << false << "no";
    QTest::newRow("28 Feb, common year, 28 Feb") << QDate(2023, 2, 28) << "2月28日" << false << "today";
    QTest::newRow("29 Feb, leap year, 28 Feb") << QDate(2024, 2, 28) << "2月29日" << false << "tomorrow";
    QTest::newRow("29 Feb, leap year, 29 Feb") << QDate(2024, 2, 29) << "2月29日" << false << "today";
    QTest::newRow("29 Feb, leap year, 1 Mar") << QDate(2024, 3, 1) << "2月29日" << false << "no";
    QTest::newRow("lunar 2月29日 is not moved") << QDate(2023, 2, 28) << "2月29日" << true << "no";

    // A lunar 30日 is kept on day 29 when the month has only 29 days (lunar 2015 month 1).
    QTest::newRow("lunar 30, 29-day month, day 28") << QDate(2015, 3, 18) << "1月30日" << true << "tomorrow";
    QTest::newRow("lunar 30, 29-day month, day 29") << QDate(2015, 3, 19) << "1月30日" << true << "today";
    QTest::newRow("lunar 30, 29-day month, next month") << QDate(2015, 3, 20) << "1月30日" << true << "no";
    QTest::newRow("lunar 29, 29-day month, day 29") << QDate(2015, 3, 19) << "1月29日" << true << "today";
    // Month 2 of lunar 2015 has 30 days: day 29 is not the 30th's.
    QTest::newRow("lunar 30, 30-day month, day 29") << QDate(2015, 4, 17) << "2月30日" << true << "tomorrow";
    QTest::newRow("lunar 30, 30-day month, day 30") << QDate(2015, 4, 18) << "2月30日" << true << "today";
    QTest::newRow("solar 30 of a lunar short month") << QDate(2015, 3, 19) << "1月30日" << false << "no";

    // Past the lunar table only solar birthdays are found.
    QTest::newRow("past the table, solar") << QDate(2057, 2, 4) << "2月4日" << false << "today";
    QTest::newRow("past the table, lunar") << QDate(2057, 2, 4) << "1月1日" << true << "no";
    QTest::newRow("last lunar day, lunar") << QDate(2057, 2, 3) << "12月30日" << true << "today";
}

void TestBirthdays::listedOn()
{
    QFETCH(QDate, today);
    QFETCH(QString, birthday);
    QFETCH(bool, lunar);
    QFETCH(QString, expected);

    TestShop shop;
    addMember(shop, QStringLiteral("A1"), birthday, lunar ? -1 : 0);
    setToday(today);
    const Birthdays::Days days = Birthdays::daysOf(Clock::today());
    Rows rows;
    QString error;
    QVERIFY2(Birthdays::find(shop.store(), days, &rows, &error), qPrintable(error));
    QString got = QStringLiteral("no");
    if (rows.size() == 1)
        got = days.isTomorrow(rows.value(0, QStringLiteral("birthday")).toString(),
                              rows.value(0, QStringLiteral("lunar")).toInt() == -1)
            ? QStringLiteral("tomorrow")
            : QStringLiteral("today");
    QCOMPARE(rows.size() <= 1, true);
    QCOMPARE(got, expected);
    QCOMPARE(Birthdays::upcomingCount(shop.store()), expected == QLatin1String("no") ? 0 : 1);
}

void TestBirthdays::emptyBirthdayNeverListed()
{
    TestShop shop;
    addMember(shop, QStringLiteral("E1"), QString(), 0);
    addMember(shop, QStringLiteral("E2"), QString(), -1);
    addMember(shop, QStringLiteral("E3"), QVariant(), 0);
    addMember(shop, QStringLiteral("E4"), QVariant(), -1);
    // No lunar flag at all counts as solar.
    addMember(shop, QStringLiteral("N1"), QStringLiteral("2月4日"), QVariant());
    // Past the lunar table, where the lunar texts are missing, and on an ordinary day.
    for (const QDate d : {QDate(2057, 2, 4), QDate(2023, 3, 22)}) {
        setToday(d);
        Rows rows;
        QVERIFY(Birthdays::find(shop.store(), Birthdays::daysOf(d), &rows));
        QStringList cards;
        for (int i = 0; i < rows.size(); ++i)
            cards << rows.value(i, QStringLiteral("card_id")).toString();
        QCOMPARE(cards, d.year() == 2057 ? QStringList{QStringLiteral("N1")} : QStringList{});
    }
}

void TestBirthdays::noticeAndCount()
{
    TestShop shop;
    setToday(QDate(2023, 3, 22));
    QCOMPARE(Birthdays::upcomingCount(shop.store()), 0);
    QCOMPARE(Birthdays::startupNotice(shop.store()), QString());

    addMember(shop, QStringLiteral("T1"), QStringLiteral("3月22日"), 0);
    addMember(shop, QStringLiteral("T2"), QStringLiteral("2月1日"), -1);
    addMember(shop, QStringLiteral("M1"), QStringLiteral("3月23日"), 0);
    addMember(shop, QStringLiteral("X1"), QStringLiteral("5月1日"), 0);
    QString error;
    QCOMPARE(Birthdays::upcomingCount(shop.store(), &error), 3);
    QCOMPARE(Birthdays::startupNotice(shop.store(), &error), QStringLiteral("今明日3位会员过生日"));
    QVERIFY(error.isEmpty());
    QCOMPARE(Birthdays::notice(1), QStringLiteral("今明日1位会员过生日"));
    QCOMPARE(Birthdays::notice(0), QString());
    QCOMPARE(Birthdays::daysOf(QDate(2023, 3, 22)).label(),
             QStringLiteral("今日日期:公历3月22日（农历2月1日）今明日以下会员生日："));
    QCOMPARE(Birthdays::daysOf(QDate(2057, 2, 4)).label(), QStringLiteral("今日日期:公历2月4日今明日以下会员生日："));
}

void TestBirthdays::storeError()
{
    TestShop shop;
    shop.exec(QStringLiteral("alter table member rename to member_gone"));
    setToday(QDate(2023, 3, 22));
    QString error;
    QCOMPARE(Birthdays::upcomingCount(shop.store(), &error), -1);
    QVERIFY(!error.isEmpty());
    error.clear();
    QCOMPARE(Birthdays::startupNotice(shop.store(), &error), QString());
    QVERIFY(error.contains(QLatin1String("member")));

    // The window shows the store's message and an empty list.
    QStringList shown;
    Msg::setScript([&](const QString &kind, const QString &text) {
        shown << kind + QLatin1Char(':') + text;
        return true;
    });
    TbirthRemindForm form(shop.store());
    QVERIFY(!form.findBirthdays());
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().startsWith(QLatin1String("error:")));
    QCOMPARE(form.memberCount(), 0);
    QCOMPARE(form.notice(), QString());
}

void TestBirthdays::windowColoursTomorrow()
{
    TestShop shop;
    addMember(shop, QStringLiteral("T1"), QStringLiteral("3月22日"), 0, 12.5, 2);
    addMember(shop, QStringLiteral("M1"), QStringLiteral("3月23日"), 0);
    addMember(shop, QStringLiteral("T2"), QStringLiteral("2月1日"), -1);
    addMember(shop, QStringLiteral("M2"), QStringLiteral("2月2日"), -1);
    addMember(shop, QStringLiteral("X1"), QStringLiteral("3月24日"), 0);
    setToday(QDate(2023, 3, 22));

    TbirthRemindForm form(shop.store());
    QVERIFY(form.findBirthdays());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.windowTitle(), QStringLiteral("会员生日提醒"));
    QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(form.dayLbl->text(), QStringLiteral("今日日期:公历3月22日（农历2月1日）今明日以下会员生日："));
    QCOMPARE(form.okButton->text(), QStringLiteral("确认"));
    QCOMPARE(form.notice(), QStringLiteral("今明日4位会员过生日"));

    const QAbstractItemModel *model = form.memberGrid->model();
    QStringList captions;
    for (int c = 0; c < model->columnCount(); ++c)
        if (!form.memberGrid->isColumnHidden(c))
            captions << model->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(captions, (QStringList{QStringLiteral("卡号"), QStringLiteral("姓名"), QStringLiteral("电话"),
                                    QStringLiteral("积分"), QStringLiteral("消费次数"), QStringLiteral("生日"),
                                    QStringLiteral("办卡日期"), QStringLiteral("有效日期")}));
    QCOMPARE(model->rowCount(), 4);

    const QColor sky(166, 202, 240);
    for (int r = 0; r < model->rowCount(); ++r) {
        const QString card = model->index(r, 0).data().toString();
        const bool tomorrow = card.startsWith(QLatin1Char('M'));
        for (int c = 0; c < model->columnCount(); ++c) {
            const QVariant bg = model->index(r, c).data(Qt::BackgroundRole);
            if (tomorrow)
                QCOMPARE(bg.value<QColor>(), sky);
            else
                QVERIFY2(!bg.isValid(), qPrintable(card));
        }
        if (card == QLatin1String("T1")) {
            QCOMPARE(model->index(r, 3).data().toString(), QStringLiteral("10.5"));
            QCOMPARE(model->index(r, 3).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));
            QCOMPARE(model->index(r, 6).data().toString(), QStringLiteral("2020-01-05"));
        }
    }
    QCOMPARE(model->headerData(4, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
             int(Qt::AlignRight));
    QCOMPARE(form.memberGrid->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(form.memberGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TestBirthdays::windowClosesWith_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("onGrid");
    QTest::addColumn<int>("result");
    QTest::newRow("Esc") << int(Qt::Key_Escape) << false << int(QDialog::Rejected);
    QTest::newRow("Enter") << int(Qt::Key_Return) << false << int(QDialog::Accepted);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << false << int(QDialog::Accepted);
    QTest::newRow("F2") << int(Qt::Key_F2) << false << int(QDialog::Accepted);
    QTest::newRow("Enter on the grid") << int(Qt::Key_Return) << true << int(QDialog::Accepted);
    QTest::newRow("F2 on the grid") << int(Qt::Key_F2) << true << int(QDialog::Accepted);
    QTest::newRow("Esc on the grid") << int(Qt::Key_Escape) << true << int(QDialog::Rejected);
}

void TestBirthdays::windowClosesWith()
{
    QFETCH(int, key);
    QFETCH(bool, onGrid);
    QFETCH(int, result);
    TestShop shop;
    addMember(shop, QStringLiteral("T1"), QStringLiteral("3月22日"), 0);
    setToday(QDate(2023, 3, 22));
    TbirthRemindForm form(shop.store());
    QVERIFY(form.findBirthdays());
    bool ran = false;
    whenModal([&](QWidget *w) {
        QWidget *target = onGrid ? form.memberGrid : QApplication::focusWidget();
        if (onGrid) {
            form.memberGrid->setFocus();
            form.memberGrid->selectRow(0);
        }
        QTest::keyClick(target ? target : w, Qt::Key(key));
    }, &ran);
    const int r = form.exec();
    QVERIFY(ran);
    QCOMPARE(r, result);
}

void TestBirthdays::remindPlacesOverTillAndReportsNotice()
{
    TestShop shop;
    addMember(shop, QStringLiteral("T1"), QStringLiteral("3月22日"), 0);
    addMember(shop, QStringLiteral("M1"), QStringLiteral("3月23日"), 0);
    setToday(QDate(2023, 3, 22));

    QWidget till;
    till.setGeometry(100, 80, 900, 640);
    till.show();
    QVERIFY(QTest::qWaitForWindowExposed(&till));

    QStringList notices;
    QRect geometry;
    int rows = -1;
    bool modal = false, ran = false;
    whenModal([&](QWidget *w) {
        auto *form = qobject_cast<TbirthRemindForm *>(w);
        if (form) {
            // The notice is in the status bar while the window is up.
            geometry = form->geometry();
            rows = form->memberCount();
            modal = form->isModal();
        }
        QTest::mouseClick(form ? static_cast<QWidget *>(form->okButton) : w, Qt::LeftButton);
    }, &ran);
    TbirthRemindForm::remind(shop.store(), &till, [&](const QString &text) { notices << text; });
    QVERIFY(ran);
    QCOMPARE(notices, QStringList{QStringLiteral("今明日2位会员过生日")});
    QCOMPARE(rows, 2);
    QVERIFY(modal);
    QCOMPARE(geometry, QRect(100, 110, 900, 610));
    // The window was freed when it closed.
    QVERIFY(!till.findChild<TbirthRemindForm *>());
}

void TestBirthdays::remindShowsWindowWhenNobodyFound()
{
    TestShop shop;
    setToday(QDate(2023, 3, 22));
    QWidget till;
    bool ran = false, called = false;
    QString label;
    whenModal([&](QWidget *w) {
        if (auto *form = qobject_cast<TbirthRemindForm *>(w))
            label = form->dayLbl->text();
        QTest::keyClick(w, Qt::Key_Escape);
    }, &ran);
    TbirthRemindForm::remind(shop.store(), &till, [&](const QString &) { called = true; });
    QVERIFY(ran);
    QVERIFY(!called);
    QCOMPARE(label, QStringLiteral("今日日期:公历3月22日（农历2月1日）今明日以下会员生日："));
}

QTEST_MAIN(TestBirthdays)
#include "tst_birthdays.moc"
