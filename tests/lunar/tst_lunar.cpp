// The lunar calendar: the stored table rows, the leap months, named days, and every
// day of the table against the reference calendar (ICU plus the published months).

#include "lunar.h"
#include "reference.h"

#include <QtTest>

class TestLunar : public QObject {
    Q_OBJECT
private slots:
    void tableRows_data();
    void tableRows();
    void leapMonths();
    void outsideTheTable();
    void namedDays_data();
    void namedDays();
    void everyDayAgainstReference();
    void converterRecomputesOnNewDay();
};

void TestLunar::tableRows_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("leap");
    QTest::addColumn<QString>("lengths");  // months in order, the leap month after its month
    QTest::addColumn<int>("days");
    QTest::newRow("1900") << 1900 << 0x4B68 << 8 << "29 30 29 29 30 29 30 30 29 30 30 29 30" << 384;
    QTest::newRow("1901") << 1901 << 0x4AE0 << 0 << "29 30 29 29 30 29 30 29 30 30 30 29" << 354;
    QTest::newRow("2014") << 2014 << 0x55A8 << 9 << "29 30 29 30 29 30 29 30 30 29 30 29 30" << 384;
    QTest::newRow("2015") << 2015 << 0x4BA0 << 0 << "29 30 29 29 30 29 30 30 30 29 30 29" << 354;
    QTest::newRow("2016") << 2016 << 0xA5B0 << 0 << "30 29 30 29 29 30 29 30 30 29 30 30" << 355;
    QTest::newRow("2020") << 2020 << 0x74A8 << 4 << "29 30 30 30 29 30 29 29 30 29 30 29 30" << 384;
    QTest::newRow("2023") << 2023 << 0x4DA8 << 2 << "29 30 29 29 30 30 29 30 30 29 30 29 30" << 384;
    QTest::newRow("2033") << 2033 << 0x4AE8 << 11 << "29 30 29 29 30 29 30 29 30 30 30 29 30" << 384;
}

void TestLunar::tableRows()
{
    QFETCH(int, year);
    QFETCH(int, word);
    QFETCH(int, leap);
    QFETCH(QString, lengths);
    QFETCH(int, days);
    QCOMPARE(int(TTransDate::monthSizeWord(year)), word);
    QCOMPARE(TTransDate::leapMonth(year), leap);
    QCOMPARE(TTransDate::yearDays(year), days);
    QStringList got;
    for (int m = 1; m <= 12; ++m) {
        const int md = TTransDate::monthDays(year, m);
        got << QString::number(md & 0xFFFF);
        if (m == leap)
            got << QString::number(md >> 16);
        else
            QCOMPARE(md >> 16, 0);
    }
    QCOMPARE(got.join(QLatin1Char(' ')), lengths);
}

void TestLunar::leapMonths()
{
    // The published leap months of 1900-2056. 2055 repeats month 6; no year of 2053-2056
    // other than that has a leap month (the intervals of leap months leave no room).
    const QMap<int, int> expected{
        {1900, 8}, {1903, 5}, {1906, 4}, {1909, 2}, {1911, 6}, {1914, 5}, {1917, 2}, {1919, 7},
        {1922, 5}, {1925, 4}, {1928, 2}, {1930, 6}, {1933, 5}, {1936, 3}, {1938, 7}, {1941, 6},
        {1944, 4}, {1947, 2}, {1949, 7}, {1952, 5}, {1955, 3}, {1957, 8}, {1960, 6}, {1963, 4},
        {1966, 3}, {1968, 7}, {1971, 5}, {1974, 4}, {1976, 8}, {1979, 6}, {1982, 4}, {1984, 10},
        {1987, 6}, {1990, 5}, {1993, 3}, {1995, 8}, {1998, 5}, {2001, 4}, {2004, 2}, {2006, 7},
        {2009, 5}, {2012, 4}, {2014, 9}, {2017, 6}, {2020, 4}, {2023, 2}, {2025, 6}, {2028, 5},
        {2031, 3}, {2033, 11}, {2036, 6}, {2039, 5}, {2042, 2}, {2044, 7}, {2047, 5}, {2050, 3},
        {2052, 8}, {2055, 6}};
    for (int y = TTransDate::FirstYear; y <= TTransDate::LastYear; ++y) {
        QVERIFY2(TTransDate::leapMonth(y) == expected.value(y, 0), qPrintable(QString::number(y)));
        // A year has 12 or 13 months of 29 or 30 days and nothing in the unused bits.
        const int months = expected.contains(y) ? 13 : 12;
        QCOMPARE(TTransDate::monthSizeWord(y) & ((1 << (16 - months)) - 1), 0);
        QVERIFY(TTransDate::yearDays(y) >= months * 29 && TTransDate::yearDays(y) <= months * 30);
    }
}

void TestLunar::outsideTheTable()
{
    QCOMPARE(TTransDate::leapMonth(1899), 0);
    QCOMPARE(TTransDate::leapMonth(2057), 0);
    QCOMPARE(TTransDate::monthDays(1899, 12), 30);
    QCOMPARE(TTransDate::monthDays(2057, 1), 30);
    QCOMPARE(TTransDate::yearDays(1899), 0);
    QCOMPARE(TTransDate::yearDays(2057), 0);
    QCOMPARE(TTransDate::monthSizeWord(2057), quint16(0));

    QCOMPARE(TTransDate::firstDate(), QDate(1900, 1, 1));
    QCOMPARE(TTransDate::lastDate(), QDate(2057, 2, 3));
    QVERIFY(!TTransDate::toLunar(QDate(1899, 12, 31)).isValid());
    QVERIFY(!TTransDate::toLunar(QDate(1800, 6, 1)).isValid());
    QVERIFY(!TTransDate::toLunar(QDate()).isValid());
    QVERIFY(TTransDate::toLunar(QDate(2057, 2, 3)).isValid());
    // Past the end: no lunar date (and no endless loop), years later too.
    for (const QDate d : {QDate(2057, 2, 4), QDate(2060, 1, 1), QDate(9999, 12, 31)}) {
        const TLunarDate l = TTransDate::toLunar(d);
        QVERIFY(!l.isValid());
        QCOMPARE(l.text(), QString());
    }
}

void TestLunar::namedDays_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<bool>("leap");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("monthDays");
    QTest::addColumn<QString>("text");
    QTest::newRow("last day of lunar 2014") << QDate(2015, 2, 18) << 2014 << 12 << false << 30 << 30 << "12月30日";
    QTest::newRow("lunar new year 2015") << QDate(2015, 2, 19) << 2015 << 1 << false << 1 << 29 << "1月1日";
    QTest::newRow("month 2 of 2023") << QDate(2023, 2, 20) << 2023 << 2 << false << 1 << 30 << "2月1日";
    QTest::newRow("leap month 2 of 2023") << QDate(2023, 3, 22) << 2023 << 2 << true << 1 << 29 << "2月1日";
    QTest::newRow("lunar 2020 4月30日") << QDate(2020, 5, 22) << 2020 << 4 << false << 30 << 30 << "4月30日";
    QTest::newRow("leap month 4 of 2020") << QDate(2020, 5, 23) << 2020 << 4 << true << 1 << 29 << "4月1日";
    QTest::newRow("lunar 1899 12月30日") << QDate(1900, 1, 30) << 1899 << 12 << false << 30 << 30 << "12月30日";
    QTest::newRow("lunar new year 1900") << QDate(1900, 1, 31) << 1900 << 1 << false << 1 << 29 << "1月1日";
    QTest::newRow("first day of the table") << QDate(1900, 1, 1) << 1899 << 12 << false << 1 << 30 << "12月1日";
    QTest::newRow("leap month 11 of 2033") << QDate(2033, 12, 22) << 2033 << 11 << true << 1 << 29 << "11月1日";
    QTest::newRow("last day of the table") << QDate(2057, 2, 3) << 2056 << 12 << false << 30 << 30 << "12月30日";
    // Months where the computed calendar is a day off near midnight: the published one counts.
    QTest::newRow("Qixi month 2012") << QDate(2012, 8, 17) << 2012 << 7 << false << 1 << 30 << "7月1日";
    QTest::newRow("lunar new year 2027") << QDate(2027, 2, 6) << 2027 << 1 << false << 1 << 30 << "1月1日";
    QTest::newRow("leap month 6 of 1987") << QDate(1987, 7, 26) << 1987 << 6 << true << 1 << 29 << "6月1日";
}

void TestLunar::namedDays()
{
    QFETCH(QDate, date);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(bool, leap);
    QFETCH(int, day);
    QFETCH(int, monthDays);
    QFETCH(QString, text);
    const TLunarDate l = TTransDate(date).LunarDate();
    QCOMPARE(l.lYear, year);
    QCOMPARE(l.lMonth, month);
    QCOMPARE(l.FlagLeapMonth, leap);
    QCOMPARE(l.lDay, day);
    QCOMPARE(l.MaxMonthDays, monthDays);
    QCOMPARE(l.text(), text);
}

void TestLunar::everyDayAgainstReference()
{
    ReferenceCalendar ref;
    const qint64 first = TTransDate::firstDate().toJulianDay();
    const qint64 last = TTransDate::lastDate().toJulianDay();
    QCOMPARE(last, qint64(julianDay(2057, 2, 3)));
    // The table ends exactly where lunar 2057 begins.
    QCOMPARE(ref.icu(last + 1), (RefDay{2057, 1, false, 1}));

    QSet<int> correctionsUsed;
    TLunarDate previous;
    int mismatches = 0;
    for (qint64 jd = first; jd <= last; ++jd) {
        const QDate date = QDate::fromJulianDay(jd);
        const TLunarDate got = TTransDate::toLunar(date);
        bool corrected = false;
        const RefDay want = ref.published(jd, &corrected);
        if (corrected && !(ref.icu(jd) == want)) {
            for (int i = 0; i < int(std::size(kPublishedMonths)); ++i) {
                const PublishedMonth &p = kPublishedMonths[i];
                const long start = julianDay(p.year, p.month, p.day);
                if (jd >= start && jd < start + p.days)
                    correctionsUsed.insert(i);
            }
        }
        const RefDay have{got.lYear, got.lMonth, got.FlagLeapMonth, got.lDay};
        if (!(have == want) && ++mismatches <= 10)
            qWarning("%s: got %d/%d%s/%d, reference %d/%d%s/%d", qPrintable(date.toString(Qt::ISODate)),
                     have.year, have.month, have.leap ? "L" : "", have.day, want.year, want.month,
                     want.leap ? "L" : "", want.day);
        // Month lengths: a month runs from day 1 to its MaxMonthDays without a gap.
        if (previous.isValid()) {
            if (previous.lDay == previous.MaxMonthDays)
                QVERIFY2(got.lDay == 1, qPrintable(date.toString(Qt::ISODate)));
            else
                QVERIFY2(got.lDay == previous.lDay + 1 && got.MaxMonthDays == previous.MaxMonthDays,
                         qPrintable(date.toString(Qt::ISODate)));
        }
        previous = got;
    }
    QCOMPARE(mismatches, 0);
    // Every published correction is still one where ICU alone would be wrong.
    QCOMPARE(correctionsUsed.size(), int(std::size(kPublishedMonths)));
}

void TestLunar::converterRecomputesOnNewDay()
{
    TTransDate t(QDate(2015, 2, 18));
    QCOMPARE(t.Date(), QDate(2015, 2, 18));
    QCOMPARE(t.LunarDate().text(), QStringLiteral("12月30日"));
    t.setDate(QDate(2015, 2, 19));
    QCOMPARE(t.LunarDate().text(), QStringLiteral("1月1日"));
    QCOMPARE(t.LunarDate().lYear, 2015);
    t.setDate(QDate(2057, 3, 1));
    QVERIFY(!t.LunarDate().isValid());
    t.setDate(QDate(2015, 2, 19));
    QCOMPARE(t.LunarDate().lYear, 2015);
}

QTEST_GUILESS_MAIN(TestLunar)
#include "tst_lunar.moc"
