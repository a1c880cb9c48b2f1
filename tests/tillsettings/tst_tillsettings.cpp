// The till's settings dialog driven offscreen: key capture, the key-name rule, what it
// saves and what the till then reads back, the boxes that act at once (background,
// pole display on a pseudo-terminal, full-screen window, picture), and the background
// window itself.

#include "bgform.h"
#include "devices.h"
#include "ini.h"
#include "msgbox.h"
#include "settingform.h"
#include "settingsio.h"
#include "tillsettings.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

Q_DECLARE_METATYPE(TillIni::DialogValues)

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// How often a key appears in the file's text, whatever its spelling.
int keyLines(const QString &path, const QString &key)
{
    const QString text = QString::fromUtf8(readAll(path));
    const QRegularExpression re(QStringLiteral("^") + key + QStringLiteral("="),
                                QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    return int(text.count(re));
}

QSize screenSize()
{
    return QGuiApplication::primaryScreen()->geometry().size();
}

// A program folder of its own per test, and the till's settings as readIni loads them.
struct Till {
    Till()
    {
        if (!tmp.isValid())
            qFatal("no temporary folder");
        dir = tmp.path() + QLatin1Char('/');
    }
    QString ini() const { return TillIni::fileIn(dir); }
    TillSettings read() const
    {
        TillSettings s;
        TillIni::read(s, IniFile::load(ini()));
        return s;
    }
    QTemporaryDir tmp;
    QString dir;
};

void setControls(TsettingForm &dlg, const TillIni::DialogValues &v)
{
    dlg.dazheEdit->setText(v.dazhe);
    dlg.jifenEdit->setText(v.jifen);
    dlg.shuliangEdit->setText(v.shuliang);
    dlg.keyLbl1->setText(v.dazheK);
    dlg.keyLbl2->setText(v.jifenK);
    dlg.keyLbl3->setText(v.shuliangK);
    dlg.disprintChk->setChecked(v.dayin);
    dlg.showbgChk->setChecked(v.beijing);
    dlg.NumshowChk->setChecked(v.guxian);
    dlg.ComCbx->setCurrentIndex(v.com);
    dlg.PrintCbx->setCurrentIndex(v.print);
    dlg.bigTitleChk->setChecked(v.bigtitle);
    dlg.bianjuCbx->setCurrentIndex(v.bianju);
    dlg.dxChk->setChecked(v.dx);
    dlg.morethanEdit->setValue(v.morethan);
    dlg.mobileEdit->setText(v.mobile);
    dlg.s4r5Chk->setChecked(v.opt1);
    dlg.s4r5Chk2->setChecked(v.opt2);
    dlg.molingChx->setChecked(v.opt3);
}

// Bytes waiting on a pty master, without blocking.
QByteArray readAvailable(int fd)
{
    QByteArray got;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            return got;
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            return got;
        got.append(buf, n);
    }
}

// A 30 × 20 picture whose every pixel differs from its neighbours.
QImage pattern()
{
    QImage img(30, 20, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb(x * 8, y * 12, 90 + x + y));
    return img;
}

QImage shot(TBgForm *bg)
{
    return bg->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestTillSettings : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void freshInstall();
    void roundTrip_data();
    void roundTrip();
    void keyNamesWithoutCase();
    void unreadableValuesAreMissing();
    void liveOnOpen();

    void capture_data();
    void capture();
    void keysTheCaptureLeavesAlone();
    void conflict_data();
    void conflict();
    void sameCharacterFromAnotherKey();
    void keyboard();

    void smsPanel();
    void poleDisplayTest();
    void poleDisplayTestWithoutPort();
    void fullScreenBox();
    void backgroundBox();
    void changeBackground();

    void backgroundPictures();
    void picturePath();
};

void TestTillSettings::init()
{
    Msg::setScript([](const QString &, const QString &) { return true; });
}

void TestTillSettings::cleanup()
{
    Msg::clearScript();
    TBgForm::closeCurrent();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestTillSettings::freshInstall()
{
    Till till;
    const TillSettings live = till.read();
    QVERIFY2(live.dayin, "a till without an INI file starts with printing off");

    TsettingForm dlg(live, till.dir, nullptr);
    QCOMPARE(dlg.values(), TillIni::DialogValues());
    QVERIFY2(!dlg.disprintChk->isChecked(), "the dialog shows printing on");
    QCOMPARE(dlg.dazheEdit->text(), QStringLiteral("-"));
    QCOMPARE(dlg.jifenEdit->text(), QStringLiteral("+"));
    QCOMPARE(dlg.shuliangEdit->text(), QStringLiteral("*"));
    QCOMPARE(dlg.keyLbl1->text(), QStringLiteral("109"));
    QCOMPARE(dlg.keyLbl2->text(), QStringLiteral("107"));
    QCOMPARE(dlg.keyLbl3->text(), QStringLiteral("106"));
    QVERIFY(dlg.keyLbl1->isHidden() && dlg.keyLbl2->isHidden() && dlg.keyLbl3->isHidden());
    QCOMPARE(dlg.bianjuCbx->currentText(), QStringLiteral("3"));
    QCOMPARE(dlg.morethanEdit->value(), 100);
    QCOMPARE(dlg.ComCbx->currentText(), QStringLiteral("COM1"));
    QCOMPARE(dlg.PrintCbx->currentText(), QStringLiteral("LPT1(默认并口)"));
    QVERIFY(dlg.Panel1->isHidden());
    QVERIFY(!dlg.MaxformChk->isChecked());
    QVERIFY(!QFile::exists(till.ini()));

    dlg.show();
    QTest::mouseClick(dlg.OKbtn, Qt::LeftButton);
    QVERIFY(dlg.saved());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(!dlg.isVisible());
    QVERIFY2(!till.read().dayin, "saving turns printing on");
    QVERIFY(!dlg.settings().dayin);
    QCOMPARE(dlg.settings().printtype, QStringLiteral("LPT1"));
}

void TestTillSettings::roundTrip_data()
{
    QTest::addColumn<TillIni::DialogValues>("values");
    QTest::addColumn<QString>("printtype");
    QTest::addColumn<bool>("printC");
    QTest::addColumn<bool>("bigtitle");

    QTest::newRow("defaults") << TillIni::DialogValues() << QStringLiteral("LPT1") << false << false;

    TillIni::DialogValues all;
    all.dazhe = QStringLiteral("F9");
    all.dazheK = QStringLiteral("120");
    all.jifen = QStringLiteral("a");
    all.jifenK = QStringLiteral("65");
    all.shuliang = QStringLiteral("F12");
    all.shuliangK = QStringLiteral("123");
    all.dayin = all.beijing = all.guxian = all.dx = true;
    all.opt1 = all.opt2 = all.opt3 = true;
    all.com = 2;
    all.print = 3;
    all.bianju = 7;
    all.morethan = 10000;
    all.mobile = QStringLiteral("13800138000");
    QTest::newRow("all on, USB printer") << all << QStringLiteral("LPT2") << true << true;

    TillIni::DialogValues some;
    some.com = 1;
    some.print = 2;
    some.bianju = 0;
    some.morethan = 0;
    some.bigtitle = true;
    some.opt2 = true;
    some.dx = true;
    some.mobile = QStringLiteral("139");
    QTest::newRow("LPT3, no margin, large title") << some << QStringLiteral("LPT3") << false << true;
}

// What the dialog saves is what the till's readIni applies, and what the dialog shows
// the next time.
void TestTillSettings::roundTrip()
{
    QFETCH(TillIni::DialogValues, values);
    QFETCH(QString, printtype);
    QFETCH(bool, printC);
    QFETCH(bool, bigtitle);

    Till till;
    TillSettings live = till.read();
    live.printtype = QStringLiteral("LPT2");  // as an earlier readIni left it
    {
        TsettingForm dlg(live, till.dir, nullptr);
        setControls(dlg, values);
        QCOMPARE(dlg.values(), values);
        dlg.show();
        QTest::mouseClick(dlg.OKbtn, Qt::LeftButton);
        QVERIFY(dlg.saved());
        live = dlg.settings();
    }
    QCOMPARE(TillIni::readDialog(till.ini()), values);
    QCOMPARE(TsettingForm(TillSettings(), till.dir, nullptr).values(), values);

    // The settings the dialog hands back are those readIni loads from the file.
    TillSettings again;
    again.printtype = QStringLiteral("LPT2");
    TillIni::read(again, IniFile::load(till.ini()));
    for (const TillSettings &s : {live, again}) {
        QCOMPARE(s.dazhe, values.dazhe);
        QCOMPARE(s.jifen, values.jifen);
        QCOMPARE(s.shuliang, values.shuliang);
        QCOMPARE(s.dazheK, values.dazheK);
        QCOMPARE(s.jifenK, values.jifenK);
        QCOMPARE(s.shuliangK, values.shuliangK);
        QCOMPARE(s.dayin, values.dayin);
        QCOMPARE(s.beijing, values.beijing);
        QCOMPARE(s.guxian, values.guxian);
        QCOMPARE(s.com, values.com);
        QCOMPARE(s.printtype, printtype);
        QCOMPARE(s.printC, printC);
        QCOMPARE(s.bigtitle, bigtitle);
        QCOMPARE(s.bianju, values.bianju);
        QCOMPARE(s.dx, values.dx);
        QCOMPARE(s.morethan, values.morethan);
        QCOMPARE(s.mobile, values.mobile);
        QCOMPARE(s.rounding.s4r5, values.opt1);
        QCOMPARE(s.rounding.s4r52, values.opt2);
        QCOMPARE(s.rounding.moling, values.opt3);
    }
}

// Keys spelt differently are one key: they are read, and written back in place.
void TestTillSettings::keyNamesWithoutCase()
{
    Till till;
    writeFile(till.ini(), "; till of the front desk\r\n[CASH]\r\nDAZHE=F9\r\nDazheK=120\r\nDAYIN=1\r\nprintC=1\r\n"
                          "width=700\r\nheight=500\r\nTOP1=5\r\nleft1=6\r\npic=x.bmp\r\n");
    TsettingForm dlg(till.read(), till.dir, nullptr);
    QCOMPARE(dlg.dazheEdit->text(), QStringLiteral("F9"));
    QCOMPARE(dlg.keyLbl1->text(), QStringLiteral("120"));
    QVERIFY(dlg.disprintChk->isChecked());
    dlg.show();

    QTest::keyClick(dlg.MaxformChk, Qt::Key_Space);  // writes Width, Height, Top1, Left1
    QTest::mouseClick(dlg.OKbtn, Qt::LeftButton);
    QVERIFY(dlg.saved());

    for (const QString &key : {QStringLiteral("dazhe"), QStringLiteral("dazheK"), QStringLiteral("dayin"),
                               QStringLiteral("width"), QStringLiteral("Height"), QStringLiteral("Top1"),
                               QStringLiteral("left1"), QStringLiteral("maximized"), QStringLiteral("jifenK")})
        QCOMPARE(keyLines(till.ini(), key), 1);
    const QByteArray text = readAll(till.ini());
    QVERIFY2(text.startsWith("; till of the front desk\n[CASH]\n"), text.constData());
    QVERIFY(text.contains("\nprintC=1\n"));
    QVERIFY(text.contains("\npic=x.bmp\n"));
    QVERIFY(text.contains(QByteArray("\nwidth=" + QByteArray::number(screenSize().width()) + "\n")));

    const TillSettings s = till.read();
    QVERIFY(s.printC);
    QCOMPARE(s.dazheK, QStringLiteral("120"));
    QCOMPARE(s.width.value_or(0), screenSize().width());
    QCOMPARE(s.top.value_or(-1), 0);
}

void TestTillSettings::unreadableValuesAreMissing()
{
    Till till;
    writeFile(till.ini(), "[cash]\r\ndayin=on\r\nbeijing=yes\r\ndx=\r\ncom=x\r\nprint=9\r\nbianju=-1\r\n"
                          "morethan=abc\r\nopt1=1.0\r\nmobile=138001380001234\r\n");
    TsettingForm dlg(till.read(), till.dir, nullptr);
    TillIni::DialogValues want;
    want.mobile = QStringLiteral("13800138000");  // the field holds eleven characters
    QCOMPARE(dlg.values(), want);
    QCOMPARE(TillIni::readDialog(till.ini()), want);
}

// Opening the dialog makes the file's flags and two of its key codes live, even when it
// is left with Esc; the quantity key becomes live only with a save.
void TestTillSettings::liveOnOpen()
{
    Till till;
    const QByteArray file = "[cash]\r\ndayin=0\r\nguxian=1\r\nbeijing=1\r\ndazheK=120\r\njifenK=121\r\nshuliangK=122\r\n";
    writeFile(till.ini(), file);
    TillSettings live;  // what the till held before
    live.mobile = QStringLiteral("kept");
    {
        TsettingForm dlg(live, till.dir, nullptr);
        dlg.show();
        QTest::keyClick(dlg.dazheEdit, Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.saved());
        const TillSettings s = dlg.settings();
        QVERIFY(!s.dayin);
        QVERIFY(s.guxian);
        QVERIFY(s.beijing);
        QCOMPARE(s.dazheK, QStringLiteral("120"));
        QCOMPARE(s.jifenK, QStringLiteral("121"));
        QCOMPARE(s.shuliangK, QStringLiteral("106"));
        QCOMPARE(s.mobile, QStringLiteral("kept"));
        QVERIFY2(!TBgForm::current(), "only a click on the box opens the background");
    }
    QCOMPARE(readAll(till.ini()), file);

    TsettingForm dlg(live, till.dir, nullptr);
    dlg.show();
    QTest::mouseClick(dlg.OKbtn, Qt::LeftButton);
    QCOMPARE(dlg.settings().shuliangK, QStringLiteral("122"));
    QCOMPARE(dlg.settings().mobile, QString());
}

void TestTillSettings::capture_data()
{
    QTest::addColumn<int>("field");  // 0 discount, 1 member, 2 quantity
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("code");

    const Qt::KeyboardModifiers none = Qt::NoModifier;
    QTest::newRow("F9") << 0 << int(Qt::Key_F9) << none << QStringLiteral("F9") << QStringLiteral("120");
    QTest::newRow("keypad minus") << 0 << int(Qt::Key_Minus) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                  << QStringLiteral("-") << QStringLiteral("109");
    QTest::newRow("keypad plus") << 1 << int(Qt::Key_Plus) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                 << QStringLiteral("+") << QStringLiteral("107");
    QTest::newRow("keypad star") << 2 << int(Qt::Key_Asterisk) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                 << QStringLiteral("*") << QStringLiteral("106");
    QTest::newRow("minus of the main keyboard") << 0 << int(Qt::Key_Minus) << none << QStringLiteral("-")
                                                << QStringLiteral("189");
    QTest::newRow("shifted = types +") << 1 << int(Qt::Key_Plus) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                       << QStringLiteral("+") << QStringLiteral("187");
    QTest::newRow("F5") << 1 << int(Qt::Key_F5) << none << QStringLiteral("F5") << QStringLiteral("116");
    QTest::newRow("F12") << 2 << int(Qt::Key_F12) << none << QStringLiteral("F12") << QStringLiteral("123");
    QTest::newRow("F4 has no name") << 2 << int(Qt::Key_F4) << none << QString() << QStringLiteral("115");
    QTest::newRow("letter") << 0 << int(Qt::Key_A) << none << QStringLiteral("a") << QStringLiteral("65");
    QTest::newRow("keypad digit") << 1 << int(Qt::Key_7) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                  << QStringLiteral("7") << QStringLiteral("103");
    QTest::newRow("Delete types nothing") << 0 << int(Qt::Key_Delete) << none << QString() << QStringLiteral("46");
    QTest::newRow("Ctrl+V pastes nothing") << 0 << int(Qt::Key_V) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                           << QString() << QStringLiteral("86");
}

void TestTillSettings::capture()
{
    QFETCH(int, field);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, name);
    QFETCH(QString, code);

    Till till;
    QGuiApplication::clipboard()->setText(QStringLiteral("xyz"));
    TsettingForm dlg(till.read(), till.dir, nullptr);
    dlg.show();
    QLineEdit *edits[] = {dlg.dazheEdit, dlg.jifenEdit, dlg.shuliangEdit};
    QLabel *labels[] = {dlg.keyLbl1, dlg.keyLbl2, dlg.keyLbl3};
    const QString before[] = {QStringLiteral("-"), QStringLiteral("+"), QStringLiteral("*")};
    const QString codesBefore[] = {QStringLiteral("109"), QStringLiteral("107"), QStringLiteral("106")};
    edits[field]->setFocus();
    QTest::keyClick(edits[field], Qt::Key(key), modifiers);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(edits[i]->text(), i == field ? name : before[i]);
        QCOMPARE(labels[i]->text(), i == field ? code : codesBefore[i]);
    }
    // A second key replaces the first.
    QTest::keyClick(edits[field], Qt::Key_F10);
    QCOMPARE(edits[field]->text(), QStringLiteral("F10"));
    QCOMPARE(labels[field]->text(), QStringLiteral("121"));
    QTest::keyClick(edits[field], Qt::Key(key), modifiers);
    QCOMPARE(edits[field]->text(), name);

    // What is captured is what is saved.
    for (int i = 0; i < 3; ++i)
        if (i != field)
            edits[i]->setText(QStringLiteral("k%1").arg(i));
    QTest::mouseClick(dlg.OKbtn, Qt::LeftButton);
    QVERIFY(dlg.saved());
    const TillIni::DialogValues v = TillIni::readDialog(till.ini());
    const QString codes[] = {v.dazheK, v.jifenK, v.shuliangK};
    const QString names[] = {v.dazhe, v.jifen, v.shuliang};
    QCOMPARE(codes[field], code);
    QCOMPARE(names[field], name);
}

void TestTillSettings::keysTheCaptureLeavesAlone()
{
    Till till;
    TsettingForm dlg(till.read(), till.dir, nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.dazheEdit->setFocus();

    // Modifiers and lock keys on the way to a key, and keys without a code.
    for (int key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_NumLock, Qt::Key_CapsLock, Qt::Key_yen})
        QTest::keyClick(dlg.dazheEdit, Qt::Key(key));
    QCOMPARE(dlg.dazheEdit->text(), QStringLiteral("-"));
    QCOMPARE(dlg.keyLbl1->text(), QStringLiteral("109"));

    // Tab and Enter move on to the next field.
    QTest::keyClick(dlg.dazheEdit, Qt::Key_Tab);
    QCOMPARE(dlg.focusWidget(), dlg.jifenEdit);
    QTest::keyClick(dlg.jifenEdit, Qt::Key_Return);
    QCOMPARE(dlg.focusWidget(), dlg.shuliangEdit);
    QCOMPARE(dlg.dazheEdit->text(), QStringLiteral("-"));
    QCOMPARE(dlg.jifenEdit->text(), QStringLiteral("+"));
    QCOMPARE(dlg.keyLbl2->text(), QStringLiteral("107"));
    QVERIFY(dlg.isVisible());
    QVERIFY(!QFile::exists(till.ini()));
}

void TestTillSettings::conflict_data()
{
    QTest::addColumn<QString>("dazhe");
    QTest::addColumn<QString>("jifen");
    QTest::addColumn<QString>("shuliang");
    QTest::addColumn<bool>("refused");

    QTest::newRow("member = discount") << QStringLiteral("F9") << QStringLiteral("F9") << QStringLiteral("*") << true;
    QTest::newRow("discount = quantity") << QStringLiteral("-") << QStringLiteral("+") << QStringLiteral("-") << true;
    QTest::newRow("member = quantity") << QStringLiteral("-") << QStringLiteral("*") << QStringLiteral("*") << true;
    QTest::newRow("all the same") << QStringLiteral("a") << QStringLiteral("a") << QStringLiteral("a") << true;
    QTest::newRow("two empty") << QStringLiteral("") << QStringLiteral("+") << QStringLiteral("") << true;
    QTest::newRow("empty and blank are stored alike") << QStringLiteral("") << QStringLiteral(" ") << QStringLiteral("*") << true;
    QTest::newRow("all differ") << QStringLiteral("F9") << QStringLiteral("F10") << QStringLiteral("F11") << false;
    QTest::newRow("case counts") << QStringLiteral("a") << QStringLiteral("A") << QStringLiteral("*") << false;
    QTest::newRow("one empty") << QStringLiteral("") << QStringLiteral("+") << QStringLiteral("*") << false;
}

void TestTillSettings::conflict()
{
    QFETCH(QString, dazhe);
    QFETCH(QString, jifen);
    QFETCH(QString, shuliang);
    QFETCH(bool, refused);

    Till till;
    TsettingForm dlg(till.read(), till.dir, nullptr);
    dlg.show();
    dlg.dazheEdit->setText(dazhe);
    dlg.jifenEdit->setText(jifen);
    dlg.shuliangEdit->setText(shuliang);
    dlg.OKbtn->setFocus();
    QTest::keyClick(dlg.OKbtn, Qt::Key_Return);
    if (refused) {
        QCOMPARE(Msg::takeShown(), QStringList({QStringLiteral("快捷键冲突，请修改设置")}));
        QVERIFY(!dlg.saved());
        QVERIFY(dlg.isVisible());
        QVERIFY2(!QFile::exists(till.ini()), "nothing is written");
        QCOMPARE(dlg.settings().dazheK, QStringLiteral("109"));
    } else {
        QCOMPARE(Msg::takeShown(), QStringList());
        QVERIFY(dlg.saved());
        QVERIFY(!dlg.isVisible());
        QCOMPARE(till.read().jifen, jifen);
    }
}

// Names are compared, not codes: another key typing the same character is refused.
void TestTillSettings::sameCharacterFromAnotherKey()
{
    Till till;
    TsettingForm dlg(till.read(), till.dir, nullptr);
    dlg.show();
    QTest::keyClick(dlg.jifenEdit, Qt::Key_Asterisk, Qt::ShiftModifier);  // Shift+8
    QCOMPARE(dlg.jifenEdit->text(), QStringLiteral("*"));
    QCOMPARE(dlg.keyLbl2->text(), QStringLiteral("56"));
    QTest::mouseClick(dlg.OKbtn, Qt::LeftButton);
    QCOMPARE(Msg::takeShown(), QStringList({TillIni::keyConflictText()}));
    QVERIFY(!dlg.saved());

    QTest::keyClick(dlg.jifenEdit, Qt::Key_F8);
    QTest::mouseClick(dlg.OKbtn, Qt::LeftButton);
    QVERIFY(dlg.saved());
    QCOMPARE(till.read().jifenK, QStringLiteral("119"));
}

// Enter saves only on "确定"; Esc leaves without saving.
void TestTillSettings::keyboard()
{
    Till till;
    {
        TsettingForm dlg(till.read(), till.dir, nullptr);
        dlg.show();
        dlg.bigTitleChk->setFocus();
        QTest::keyClick(dlg.bigTitleChk, Qt::Key_Space);
        QVERIFY(dlg.bigTitleChk->isChecked());
        QTest::keyClick(dlg.bigTitleChk, Qt::Key_Return);
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.focusWidget() != dlg.bigTitleChk);
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        QVERIFY(!dlg.saved());
        QVERIFY(!QFile::exists(till.ini()));
    }
    TsettingForm dlg(till.read(), till.dir, nullptr);
    dlg.show();
    QTest::keyClick(dlg.bigTitleChk, Qt::Key_Space);
    dlg.OKbtn->setFocus();
    QTest::keyClick(dlg.OKbtn, Qt::Key_Enter);
    QVERIFY(dlg.saved());
    QVERIFY(till.read().bigtitle);
}

void TestTillSettings::smsPanel()
{
    Till till;
    writeFile(till.ini(), "[cash]\r\ndx=1\r\nmorethan=250\r\nmobile=13900000000\r\n");
    TsettingForm dlg(till.read(), till.dir, nullptr);
    dlg.show();
    QVERIFY(dlg.Panel1->isVisible());
    QCOMPARE(dlg.morethanEdit->value(), 250);
    QCOMPARE(dlg.morethanEdit->singleStep(), 10);
    QCOMPARE(dlg.morethanEdit->maximum(), 10000);
    QTest::keyClick(dlg.dxChk, Qt::Key_Space);
    QVERIFY(!dlg.Panel1->isVisible());
    QTest::keyClick(dlg.dxChk, Qt::Key_Space);
    QVERIFY(dlg.Panel1->isVisible());

    // The mobile field takes eleven digits.
    dlg.mobileEdit->clear();
    QTest::keyClicks(dlg.mobileEdit, QStringLiteral("1390000x00001111"));
    QCOMPARE(dlg.mobileEdit->text(), QStringLiteral("13900000000"));
}

// Ticking the display box sends eight eights through the till's display port.
void TestTillSettings::poleDisplayTest()
{
    int master = -1, slave = -1;
    QVERIFY(::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
    const QByteArray tty = ::ttyname(slave);
    Till till;
    writeFile(till.dir + QStringLiteral("zazuvi.ini"), QByteArray("[ports]\r\nCOM2=" + tty + "\r\n"));

    PoleDisplay pole(till.dir);  // the till's
    {
        TsettingForm dlg(till.read(), till.dir, &pole);
        dlg.show();
        dlg.ComCbx->setCurrentIndex(1);
        QTest::keyClick(dlg.NumshowChk, Qt::Key_Space);
        QVERIFY(dlg.NumshowChk->isChecked());
        QVERIFY(pole.isOpen());
        QByteArray got;
        QTRY_COMPARE_WITH_TIMEOUT((got += readAvailable(master)), QByteArray("\x1bQA88888888\r"), 3000);

        // Unticking sends nothing; the saved box is the till's guxian.
        QTest::keyClick(dlg.NumshowChk, Qt::Key_Space);
        QTest::qWait(700);
        QCOMPARE(readAvailable(master), QByteArray());
        QTest::keyClick(dlg.NumshowChk, Qt::Key_Space);
        QTest::mouseClick(dlg.OKbtn, Qt::LeftButton);
        QVERIFY(dlg.settings().guxian);
        QCOMPARE(dlg.settings().com, 1);
    }
    // A test still waiting when the dialog closed went out then.
    QCOMPARE(readAvailable(master), QByteArray("\x1bQA88888888\r"));
    QVERIFY2(pole.isOpen(), "the till keeps using the port the test opened");
    ::close(slave);
    ::close(master);
}

void TestTillSettings::poleDisplayTestWithoutPort()
{
    Till till;
    writeFile(till.dir + QStringLiteral("zazuvi.ini"), QByteArray("[ports]\r\nCOM1=" + till.dir.toUtf8() + "no-such-tty\r\n"));
    TsettingForm dlg(till.read(), till.dir, nullptr);
    dlg.show();
    QTest::keyClick(dlg.NumshowChk, Qt::Key_Space);
    QTest::qWait(700);
    QVERIFY(dlg.NumshowChk->isChecked());
    QCOMPARE(Msg::takeShown(), QStringList());
}

// The full-screen box moves the till window at once and writes its placement.
void TestTillSettings::fullScreenBox()
{
    Till till;
    writeFile(till.ini(), "[cash]\r\nmaximized=1\r\n");
    QWidget window;
    window.resize(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QSize screen = screenSize();

    TsettingForm dlg(till.read(), till.dir, nullptr, &window);
    dlg.show();
    QVERIFY(!dlg.MaxformChk->isChecked());
    QTest::keyClick(dlg.MaxformChk, Qt::Key_Space);
    QTRY_COMPARE(window.size(), screen);
    QCOMPARE(window.pos(), QPoint(0, 0));
    TillSettings s = till.read();
    QVERIFY(!s.maximized);
    TillIni::Placement p = TillIni::placement(s, screen);
    QVERIFY(!p.maximized);
    QCOMPARE(p.geometry, QRect(QPoint(0, 0), screen));

    QTest::keyClick(dlg.MaxformChk, Qt::Key_Space);
    const int w = qRound(screen.width() * 0.8), h = qRound(screen.height() * 0.8);
    const QRect centred((screen.width() - w) / 2, (screen.height() - h) / 2, w, h);
    QTRY_COMPARE(window.size(), centred.size());
    QCOMPARE(window.pos(), centred.topLeft());
    p = TillIni::placement(till.read(), screen);
    QCOMPARE(p.geometry, centred);

    // Leaving with Esc keeps what the box wrote.
    dlg.reject();
    QCOMPARE(TillIni::placement(till.read(), screen).geometry, centred);
}

void TestTillSettings::backgroundBox()
{
    Till till;
    TsettingForm dlg(till.read(), till.dir, nullptr);
    dlg.show();
    QVERIFY(!TBgForm::current());
    QTest::keyClick(dlg.showbgChk, Qt::Key_Space);
    QPointer<TBgForm> bg = TBgForm::current();
    QVERIFY(bg);
    QVERIFY(bg->isVisible());
    QVERIFY(!bg->isEnabled());
    QCOMPARE(bg->geometry(), QRect(QPoint(0, 0), screenSize()));
    QVERIFY(bg->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(dlg.windowFlags() & Qt::WindowStaysOnTopHint);

    QTest::keyClick(dlg.showbgChk, Qt::Key_Space);
    QVERIFY(!TBgForm::current());
    QTRY_VERIFY(!bg);  // freed

    QTest::keyClick(dlg.showbgChk, Qt::Key_Space);
    QVERIFY(TBgForm::current());
    QCOMPARE(TBgForm::open(till.dir), TBgForm::current());  // at most one
    QTest::mouseClick(dlg.OKbtn, Qt::LeftButton);
    QVERIFY(dlg.settings().beijing);
    QVERIFY(till.read().beijing);
}

// "更换背景" writes pic, and an open background shows the new picture at once.
void TestTillSettings::changeBackground()
{
    Till till;
    TBgForm *bg = TBgForm::open(till.dir);
    QVERIFY(QTest::qWaitForWindowExposed(bg));
    const QImage builtIn = TBgForm::builtInPicture();
    QCOMPARE(builtIn.size(), QSize(166, 170));
    QCOMPARE(shot(bg).pixel(80, 80), builtIn.pixel(80, 80));

    const QString chosen = till.tmp.path() + QStringLiteral("/pictures/tile.bmp");
    QVERIFY(QDir().mkpath(till.tmp.path() + QStringLiteral("/pictures")));
    QVERIFY(pattern().save(chosen, "BMP"));
    TsettingForm dlg(till.read(), till.dir, nullptr);
    dlg.show();
    int asked = 0;
    dlg.choosePicture = [&] {
        ++asked;
        return asked == 1 ? QString() : chosen;
    };
    QTest::mouseClick(dlg.bgLbl, Qt::LeftButton);  // cancelled
    QVERIFY(!QFile::exists(till.ini()));
    QTest::mouseClick(dlg.bgLbl, Qt::LeftButton);
    QCOMPARE(asked, 2);
    QCOMPARE(IniFile::load(till.ini()).value(QStringLiteral("cash"), QStringLiteral("pic")), chosen);
    QCOMPARE(bg->pictureFile(), chosen);
    QCOMPARE(shot(bg).pixel(80, 80), pattern().pixel(80 % 30, 80 % 20));
}

void TestTillSettings::backgroundPictures()
{
    Till till;
    TBgForm *bg = TBgForm::open(till.dir);
    QVERIFY(QTest::qWaitForWindowExposed(bg));
    const QSize size = bg->size();
    const QImage builtIn = TBgForm::builtInPicture();

    // Missing: the built-in picture once at the top left, the rest cleared.
    QImage img = shot(bg);
    QCOMPARE(img.size(), size);
    QCOMPARE(img.pixel(0, 0), builtIn.pixel(0, 0));
    QCOMPARE(img.pixel(165, 169), builtIn.pixel(165, 169));
    QCOMPARE(img.pixel(200, 200), qRgb(255, 255, 255));

    // The program folder's bg.bmp, tiled rows of columns up to the edges.
    const QImage tile = pattern();
    QVERIFY(tile.save(till.dir + QStringLiteral("bg.bmp"), "BMP"));
    img = shot(bg);
    for (const QPoint &at : {QPoint(0, 0), QPoint(29, 19), QPoint(30, 0), QPoint(47, 33), QPoint(size.width() - 1, size.height() - 1)})
        QCOMPARE(img.pixel(at), tile.pixel(at.x() % 30, at.y() % 20));

    // A file that is no picture counts as missing.
    writeFile(till.dir + QStringLiteral("bg.bmp"), "not a picture");
    img = shot(bg);
    QCOMPARE(img.pixel(80, 80), builtIn.pixel(80, 80));

    // Closed, it is forgotten and can be opened again.
    QPointer<TBgForm> old = bg;
    bg->close();
    QVERIFY(!TBgForm::current());
    QTRY_VERIFY(!old);
    QVERIFY(TBgForm::open(till.dir));
}

void TestTillSettings::picturePath()
{
    Till till;
    QCOMPARE(TillIni::picture(till.dir), till.dir + QStringLiteral("bg.bmp"));
    writeFile(till.ini(), "[cash]\r\nPIC=\r\n");
    QCOMPARE(TillIni::picture(till.dir), till.dir + QStringLiteral("bg.bmp"));
    writeFile(till.ini(), "[cash]\r\nPic=pictures/a.bmp\r\n");
    QCOMPARE(TillIni::picture(till.dir), till.dir + QStringLiteral("pictures/a.bmp"));
    QVERIFY(TillIni::writePicture(till.ini(), QStringLiteral("/srv/b.bmp")));
    QCOMPARE(TillIni::picture(till.dir), QStringLiteral("/srv/b.bmp"));
    QCOMPARE(keyLines(till.ini(), QStringLiteral("pic")), 1);
}

QTEST_MAIN(TestTillSettings)
#include "tst_tillsettings.moc"
