// Member cards at the till: the points policy, validity, direct entry in the card field
// and the lookup dialog driven with keys.

#include "cardinputform.h"
#include "memberaddform.h"
#include "clock.h"
#include "memberlogic.h"
#include "msgbox.h"
#include "pricing.h"
#include "testshop.h"
#include "typing.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using PolicyRows = QList<QPair<int, int>>;

namespace {

const QDate kToday(2024, 6, 15);

QString day(int offset)
{
    return kToday.addDays(offset).toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}

void addMember(TestShop &shop, const QString &card, const QString &name, const QString &tel, double addup,
               int exchange = 0, int discount = 95, int status = -1, const QVariant &enddate = day(30),
               const QString &mtype = QStringLiteral("金卡"))
{
    shop.exec(QStringLiteral("insert into member(card_id,name,tel,mtype,discount,addup,exchange,status,enddate,"
                             "fromdate,birthday,addr,remark) values(:c,:n,:t,:m,:d,:a,:e,:s,:end,'2023-01-02 00:00:00',"
                             "'3月15日','北街1号','常客')"),
              {{QStringLiteral("c"), card},
               {QStringLiteral("n"), name},
               {QStringLiteral("t"), tel},
               {QStringLiteral("m"), mtype},
               {QStringLiteral("d"), discount},
               {QStringLiteral("a"), addup},
               {QStringLiteral("e"), exchange},
               {QStringLiteral("s"), status},
               {QStringLiteral("end"), enddate}});
}

void setPolicy(TestShop &shop, const PolicyRows &rows)
{
    shop.exec(QStringLiteral("delete from discount"));
    for (const auto &r : rows)
        shop.exec(QStringLiteral("insert into discount(jifen,discount_rate) values(:j,:r)"),
                  {{QStringLiteral("j"), r.first}, {QStringLiteral("r"), r.second}});
}

// Records every message; questions get `answer`.
struct Script {
    bool answer = false;
    QStringList questions;
    Script()
    {
        Msg::setScript([this](const QString &kind, const QString &text) {
            if (kind == QLatin1String("question"))
                questions << text;
            return answer;
        });
    }
    ~Script() { Msg::clearScript(); }
};

SaleLine line(const QString &code, const QString &ifdis)
{
    SaleLine l;
    l.caption = code;
    l[SaleLine::Price] = QStringLiteral("10.00");
    l[SaleLine::Rate] = QStringLiteral("100");
    l[SaleLine::Qty] = QStringLiteral("1");
    l[SaleLine::Amount] = QStringLiteral("10.00");
    l[SaleLine::IfDis] = ifdis;
    l[SaleLine::IfAddup] = QStringLiteral("-1");
    return l;
}

} // namespace

class TestMember : public QObject {
    Q_OBJECT
private slots:
    void init() { Clock::setFixed(QDateTime(kToday, QTime(10, 0))); }
    void cleanup() { Clock::setSource(nullptr); }

    void pointsPolicy_data();
    void pointsPolicy();
    void validity_data();
    void validity();
    void directEntry();
    void directEntryPointsRounding_data();
    void directEntryPointsRounding();
    void directEntryUsesPolicyOnRoundedPoints();
    void memberRateOnLines();
    void dialogExactAndPartial();
    void dialogNameTwiceShowsGridAndPicks();
    void dialogPartialTelephoneOneRow();
    void dialogRefusedCards();
    void dialogUnknownCardQuestion();
    void dialogRegistersUnknownCard();
    void dialogEscape();
};

void TestMember::pointsPolicy_data()
{
    QTest::addColumn<PolicyRows>("rows");
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("rate");
    const PolicyRows asc{{0, 98}, {100, 95}, {500, 90}};
    const PolicyRows mixed{{500, 90}, {0, 98}, {100, 95}};
    QTest::newRow("below all but 0") << asc << 99.0 << 98;
    QTest::newRow("499 gets 95") << asc << 499.0 << 95;
    QTest::newRow("500 gets 90") << asc << 500.0 << 90;
    QTest::newRow("fraction short of 500") << asc << 499.9 << 95;
    QTest::newRow("negative balance") << asc << -3.0 << 100;
    QTest::newRow("table order, all qualify: last row") << mixed << 600.0 << 95;
    QTest::newRow("table order, 300") << mixed << 300.0 << 95;
    QTest::newRow("table order, 50") << mixed << 50.0 << 98;
    QTest::newRow("no rows") << PolicyRows{} << 1000.0 << 100;
}

void TestMember::pointsPolicy()
{
    QFETCH(PolicyRows, rows);
    QFETCH(double, points);
    QFETCH(int, rate);
    TestShop shop;
    setPolicy(shop, rows);
    QCOMPARE(MemberLogic::getdiscountRate(shop.store(), points), rate);
}

void TestMember::validity_data()
{
    QTest::addColumn<QVariant>("enddate");
    QTest::addColumn<bool>("expired");
    QTest::newRow("today is still valid") << QVariant(day(0)) << false;
    QTest::newRow("yesterday") << QVariant(day(-1)) << true;
    QTest::newRow("tomorrow") << QVariant(day(1)) << false;
    QTest::newRow("date only") << QVariant(QStringLiteral("2024-06-15")) << false;
    QTest::newRow("slashes") << QVariant(QStringLiteral("2024/6/14")) << true;
    QTest::newRow("missing") << QVariant() << true;
    QTest::newRow("empty") << QVariant(QString()) << true;
    QTest::newRow("unreadable") << QVariant(QStringLiteral("soon")) << true;
}

void TestMember::validity()
{
    QFETCH(QVariant, enddate);
    QFETCH(bool, expired);
    QCOMPARE(MemberLogic::isExpired(enddate, kToday), expired);
}

void TestMember::directEntry()
{
    TestShop shop;
    addMember(shop, QStringLiteral("VIP01"), QStringLiteral("张三"), QStringLiteral("13800000001"), 40);
    addMember(shop, QStringLiteral("OFF01"), QStringLiteral("李四"), QStringLiteral("13800000002"), 0, 0, 95, 0);
    addMember(shop, QStringLiteral("OLD01"), QStringLiteral("王五"), QStringLiteral("13800000003"), 0, 0, 95, -1, day(-1));
    addMember(shop, QStringLiteral("NOEND"), QStringLiteral("赵六"), QStringLiteral("13800000004"), 0, 0, 95, -1, QVariant());
    addMember(shop, QStringLiteral("END00"), QStringLiteral("钱七"), QStringLiteral("13800000005"), 0, 0, 88, -1, day(0));
    Store &s = shop.store();
    using E = MemberLogic::DirectEntry;

    const E hit = MemberLogic::directEntry(s, QStringLiteral("  vip01 "), kToday, false);
    QCOMPARE(hit.outcome, E::Attached);
    QCOMPARE(hit.attach.cardId, QStringLiteral("VIP01"));  // the stored spelling, for the settlement
    QCOMPARE(hit.attach.name, QStringLiteral("张三"));
    QCOMPARE(hit.attach.tel, QStringLiteral("13800000001"));
    QCOMPARE(hit.attach.birthday, QStringLiteral("3月15日"));
    QCOMPARE(hit.attach.mtype, QStringLiteral("金卡"));
    QCOMPARE(hit.attach.rate, 95);
    QCOMPARE(hit.attach.points, 40);
    QVERIFY(hit.message.isEmpty());

    const E off = MemberLogic::directEntry(s, QStringLiteral("OFF01"), kToday, false);
    QCOMPARE(off.outcome, E::Invalid);
    QCOMPARE(off.message, QStringLiteral("此会员卡目前状态为无效"));
    QCOMPARE(MemberLogic::directEntry(s, QStringLiteral("old01"), kToday, false).message,
             QStringLiteral("此会员卡已超过有效期"));
    QCOMPARE(MemberLogic::directEntry(s, QStringLiteral("NOEND"), kToday, false).outcome, E::Expired);
    QCOMPARE(MemberLogic::directEntry(s, QStringLiteral("END00"), kToday, false).outcome, E::Attached);

    // Unknown cards and names are not found by direct entry, and say nothing.
    for (const QString &t : {QStringLiteral("NOPE"), QStringLiteral("张三"), QStringLiteral("   ")}) {
        const E none = MemberLogic::directEntry(s, t, kToday, false);
        QCOMPARE(none.outcome, E::Nothing);
        QVERIFY(none.message.isEmpty());
    }
    // A card number is taken as text, never as SQL.
    QCOMPARE(MemberLogic::directEntry(s, QStringLiteral("x' or '1'='1"), kToday, false).outcome, E::Nothing);
}

void TestMember::directEntryPointsRounding_data()
{
    QTest::addColumn<double>("addup");
    QTest::addColumn<int>("exchange");
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("dialog");
    QTest::newRow("12.6: 13 one way, 12 the other") << 12.6 << 0 << 13 << 12;
    QTest::newRow("12.5 rounds to even") << 12.5 << 0 << 12 << 12;
    QTest::newRow("13.5 rounds to even") << 13.5 << 0 << 14 << 13;
    QTest::newRow("after exchange") << 110.7 << 100 << 11 << 10;
    QTest::newRow("whole") << 7.0 << 0 << 7 << 7;
}

void TestMember::directEntryPointsRounding()
{
    QFETCH(double, addup);
    QFETCH(int, exchange);
    QFETCH(int, entry);
    QFETCH(int, dialog);
    TestShop shop;
    addMember(shop, QStringLiteral("A1"), QStringLiteral("张三"), QStringLiteral("1"), addup, exchange);
    const auto e = MemberLogic::directEntry(shop.store(), QStringLiteral("a1"), kToday, false);
    QCOMPARE(e.attach.points, entry);

    Script script;
    TcardinputForm dlg(shop.store(), false);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    typeText(dlg.cardNoEdit, QStringLiteral("a1"));
    QTest::keyClick(dlg.cardNoEdit, Qt::Key_Return);
    QVERIFY(dlg.Okbtn->hasFocus());
    QTest::keyClick(dlg.Okbtn, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(dlg.attached().has_value());
    QCOMPARE(dlg.attached()->points, dialog);
}

void TestMember::directEntryUsesPolicyOnRoundedPoints()
{
    TestShop shop;
    setPolicy(shop, {{0, 98}, {100, 95}, {500, 90}});
    addMember(shop, QStringLiteral("P1"), QStringLiteral("张三"), QStringLiteral("1"), 499.6, 0, 80);
    // Direct entry rounds to 500 points first; the dialog looks at 499.6.
    QCOMPARE(MemberLogic::directEntry(shop.store(), QStringLiteral("P1"), kToday, true).attach.rate, 90);
    QCOMPARE(MemberLogic::directEntry(shop.store(), QStringLiteral("P1"), kToday, false).attach.rate, 80);
    const auto found = MemberLogic::findCard(shop.store(), QStringLiteral("p1"));
    QCOMPARE(found.size(), 1);
    QCOMPARE(MemberLogic::memberRate(shop.store(), found.first(), true), 95);
}

void TestMember::memberRateOnLines()
{
    SaleLines lines{line(QStringLiteral("1"), QStringLiteral("-1")), line(QStringLiteral("2"), QStringLiteral("0"))};
    MemberAttach a;
    a.rate = 88;
    Pricing::applyMemberRate(lines, a.rateText());
    QCOMPARE(lines[0][SaleLine::Rate], QStringLiteral("88"));
    QCOMPARE(lines[1][SaleLine::Rate], QStringLiteral("100"));
    // Amounts stay as they were until the till recounts.
    QCOMPARE(lines[0][SaleLine::Amount], QStringLiteral("10.00"));
}

void TestMember::dialogExactAndPartial()
{
    TestShop shop;
    addMember(shop, QStringLiteral("C100"), QStringLiteral("张三"), QStringLiteral("13800000001"), 12.6, 0, 92);
    addMember(shop, QStringLiteral("C200"), QStringLiteral("张三丰"), QStringLiteral("13900000002"), 3);
    Script script;

    TcardinputForm dlg(shop.store(), false);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QVERIFY(dlg.cardNoEdit->hasFocus());
    QVERIFY(dlg.listGrid->isHidden());

    // A lower-case card number finds the member stored in upper case.
    typeText(dlg.cardNoEdit, QStringLiteral("c100"));
    QTest::keyClick(dlg.cardNoEdit, Qt::Key_Return);
    QVERIFY(dlg.Okbtn->isEnabled());
    QVERIFY(dlg.Okbtn->hasFocus());
    QStringList shown;
    for (int i = 0; i < dlg.infoList->topLevelItemCount(); ++i)
        shown << dlg.infoList->topLevelItem(i)->text(1);
    QCOMPARE(shown, (QStringList{QStringLiteral("张三"), QStringLiteral("13800000001"), QStringLiteral("金卡"),
                                 QStringLiteral("92"), QStringLiteral("12.6"), QStringLiteral("北街1号"),
                                 QStringLiteral("3月15日"), QStringLiteral("2023-01-02"), QStringLiteral("有效"),
                                 QStringLiteral("常客")}));
    QCOMPARE(dlg.infoList->topLevelItem(4)->text(0), QStringLiteral("积分"));

    // The exact name "张三" finds one member although "张三丰" contains it.
    dlg.cardNoEdit->setFocus();
    dlg.cardNoEdit->clear();
    typeText(dlg.cardNoEdit, QStringLiteral("张三"));
    QTest::keyClick(dlg.cardNoEdit, Qt::Key_Return);
    QVERIFY(dlg.listGrid->isHidden());
    QCOMPARE(dlg.infoList->topLevelItem(1)->text(1), QStringLiteral("13800000001"));

    // "三丰" matches no name exactly: the partial search shows the grid, even for one row.
    dlg.cardNoEdit->setFocus();
    dlg.cardNoEdit->clear();
    typeText(dlg.cardNoEdit, QStringLiteral("三丰"));
    QTest::keyClick(dlg.cardNoEdit, Qt::Key_Return);
    QVERIFY(dlg.listGrid->isVisible());
    QCOMPARE(dlg.listGrid->rowCount(), 1);
    QVERIFY(dlg.listGrid->hasFocus());
    QTest::keyClick(dlg.listGrid, Qt::Key_Return);
    QCOMPARE(dlg.cardNoEdit->text(), QStringLiteral("C200"));
    QVERIFY(dlg.listGrid->isHidden());
    QTest::keyClick(dlg.Okbtn, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.attached()->cardId, QStringLiteral("C200"));
    QCOMPARE(dlg.attached()->points, 3);
    QCOMPARE(dlg.attached()->rate, 95);
    QVERIFY(script.questions.isEmpty());
}

void TestMember::dialogNameTwiceShowsGridAndPicks()
{
    TestShop shop;
    addMember(shop, QStringLiteral("N1"), QStringLiteral("王芳"), QStringLiteral("13100000001"), 1);
    addMember(shop, QStringLiteral("N2"), QStringLiteral("王芳"), QStringLiteral("13100000002"), 2);
    Script script;
    TcardinputForm dlg(shop.store(), false);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    typeText(dlg.cardNoEdit, QStringLiteral("王芳"));
    QTest::keyClick(dlg.cardNoEdit, Qt::Key_Return);
    QVERIFY(dlg.listGrid->isVisible());
    QCOMPARE(dlg.listGrid->rowCount(), 2);
    QCOMPARE(dlg.listGrid->item(1, 1)->text(), QStringLiteral("13100000002"));
    // Nothing is confirmed yet: two candidates.
    QTest::keyClick(dlg.listGrid, Qt::Key_Down);
    QTest::keyClick(dlg.listGrid, Qt::Key_Return);
    QCOMPARE(dlg.cardNoEdit->text(), QStringLiteral("N2"));
    dlg.OkbtnClick();
    QCOMPARE(dlg.attached()->cardId, QStringLiteral("N2"));
    QCOMPARE(dlg.attached()->tel, QStringLiteral("13100000002"));
}

void TestMember::dialogPartialTelephoneOneRow()
{
    TestShop shop;
    addMember(shop, QStringLiteral("T1"), QStringLiteral("甲"), QStringLiteral("13712345678"), 1);
    addMember(shop, QStringLiteral("T2"), QStringLiteral("乙"), QStringLiteral("13800000000"), 1);
    Script script;
    TcardinputForm dlg(shop.store(), false);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    typeText(dlg.cardNoEdit, QStringLiteral("2345"));
    QTest::keyClick(dlg.cardNoEdit, Qt::Key_Return);
    QVERIFY(dlg.listGrid->isVisible());
    QCOMPARE(dlg.listGrid->rowCount(), 1);
    QCOMPARE(dlg.listGrid->item(0, 0)->text(), QStringLiteral("甲"));
    // Confirming before a member was picked attaches nothing.
    dlg.OkbtnClick();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(!dlg.attached().has_value());
}

void TestMember::dialogRefusedCards()
{
    TestShop shop;
    addMember(shop, QStringLiteral("BAD"), QStringLiteral("甲"), QStringLiteral("1"), 1, 0, 95, 0, day(-3));
    addMember(shop, QStringLiteral("OLD"), QStringLiteral("乙"), QStringLiteral("2"), 1, 0, 95, -1, day(-1));
    Script script;
    TcardinputForm dlg(shop.store(), false);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    // Invalid and expired: both messages, and "确认" stays off.
    typeText(dlg.cardNoEdit, QStringLiteral("bad"));
    QTest::keyClick(dlg.cardNoEdit, Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), (QStringList{QStringLiteral("此会员卡目前状态为无效"), QStringLiteral("此会员卡已超过有效期")}));
    QVERIFY(!dlg.Okbtn->isEnabled());
    QCOMPARE(dlg.infoList->topLevelItem(8)->text(1), QStringLiteral("无效"));

    dlg.cardNoEdit->setFocus();
    dlg.cardNoEdit->clear();
    typeText(dlg.cardNoEdit, QStringLiteral("OLD"));
    QTest::keyClick(dlg.cardNoEdit, Qt::Key_Return);
    QCOMPARE(Msg::takeShown(), QStringList{QStringLiteral("此会员卡已超过有效期")});
    QVERIFY(!dlg.Okbtn->isEnabled());
    dlg.OkbtnClick();
    QVERIFY(!dlg.attached().has_value());
}

void TestMember::dialogUnknownCardQuestion()
{
    TestShop shop;
    Script script;
    QStringList asked;
    for (bool yes : {false, true}) {
        script.answer = yes;
        script.questions.clear();
        TcardinputForm dlg(shop.store(), false);
        dlg.registerMember = [&](const QString &card) {
            asked << card;
            return QString();  // registration given up
        };
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        typeText(dlg.cardNoEdit, QStringLiteral(" NEW9 "));
        QTest::keyClick(dlg.cardNoEdit, Qt::Key_Return);
        QCOMPARE(script.questions, QStringList{QStringLiteral("此会员卡尚未录入到数据库中，是否现在录入？")});
        QVERIFY(dlg.isVisible());
        dlg.OkbtnClick();
        QVERIFY(!dlg.attached().has_value());
    }
    QCOMPARE(asked, QStringList{QStringLiteral("NEW9")});
}

void TestMember::dialogRegistersUnknownCard()
{
    // Yes opens the registration with the typed text; the saved card is looked up
    // again and can be confirmed at once.
    TestShop shop;
    Script script;
    script.answer = true;
    TcardinputForm dlg(shop.store(), false);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QString preset;
    QTimer::singleShot(0, &dlg, [&] {
        auto *add = qobject_cast<TmemberaddForm *>(QApplication::activeModalWidget());
        QVERIFY(add);
        preset = add->mNoEdit->text();
        add->mNameEdit->setText(QStringLiteral("新会员"));
        add->mEndtime->setDate(kToday.addYears(1));
        add->mStatus->setChecked(true);
        add->save();
    });
    typeText(dlg.cardNoEdit, QStringLiteral("NEW9"));
    QTest::keyClick(dlg.cardNoEdit, Qt::Key_Return);
    QCOMPARE(preset, QStringLiteral("NEW9"));
    QCOMPARE(dlg.infoList->topLevelItem(0)->text(1), QStringLiteral("新会员"));
    QVERIFY(dlg.Okbtn->isEnabled());
    dlg.OkbtnClick();
    QVERIFY(dlg.attached().has_value());
    QCOMPARE(dlg.attached()->cardId, QStringLiteral("NEW9"));
    QCOMPARE(dlg.attached()->name, QStringLiteral("新会员"));
}

void TestMember::dialogEscape()
{
    TestShop shop;
    addMember(shop, QStringLiteral("E1"), QStringLiteral("甲"), QStringLiteral("1"), 1);
    Script script;
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_F8)}) {
        TcardinputForm dlg(shop.store(), false);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        typeText(dlg.cardNoEdit, QStringLiteral("E1"));
        QTest::keyClick(dlg.cardNoEdit, Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.attached().has_value());
    }
}

QTEST_MAIN(TestMember)
#include "tst_member.moc"
