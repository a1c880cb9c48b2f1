#include "settingform.h"

#include "bgform.h"
#include "devices.h"
#include "dialogkeys.h"
#include "hotkeys.h"
#include "ini.h"
#include "msgbox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &text)
{
    auto *c = new QCheckBox(text, parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

QComboBox *comboBox(QWidget *parent, const char *name, const QStringList &items)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->addItems(items);
    return c;
}

QLineEdit *hotkeyEdit(QWidget *parent, const char *name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(3);
    e->setMaximumWidth(60);
    // The field shows the key pressed, nothing else reaches it.
    e->setAttribute(Qt::WA_InputMethodEnabled, false);
    e->setContextMenuPolicy(Qt::NoContextMenu);
    e->setAcceptDrops(false);
    return e;
}

QLabel *codeLabel(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->hide();
    return l;
}

// Keys the capture leaves alone: focus moves, Esc closes, Enter goes on.
bool passesThrough(int key)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return false;
    }
}

// Modifiers and lock keys on their own are only on the way to the key meant
// (Shift before "+"), so they change nothing.
bool onTheWay(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

QSize screenSize(const QWidget *w)
{
    const QScreen *s = w ? w->screen() : nullptr;
    if (!s)
        s = QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(800, 600);
}

}

TsettingForm::TsettingForm(const TillSettings &live, const QString &programDir, PoleDisplay *pole,
                           QWidget *tillWindow)
    : QDialog(tillWindow)
    , m_live(live)
    , m_dir(programDir)
    , m_iniPath(TillIni::fileIn(programDir))
    , m_pole(pole)
{
    setWindowTitle(QStringLiteral("设置"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    if (!m_pole) {
        m_ownPole = std::make_unique<PoleDisplay>(programDir);
        m_pole = m_ownPole.get();
    }
    m_poleTimer.setSingleShot(true);
    m_poleTimer.setInterval(500);  // the display needs a moment after the port opens
    connect(&m_poleTimer, &QTimer::timeout, this, &TsettingForm::sendPoleTest);
    choosePicture = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("更换背景"), m_dir,
                                            QStringLiteral("图片文件 (*.bmp)"));
    };

    buildControls();
    load(TillIni::readDialog(m_iniPath));
    dazheEdit->setFocus();
}

TsettingForm::~TsettingForm()
{
    // A display test still waiting goes out now rather than not at all.
    if (m_poleTimer.isActive())
        sendPoleTest();
}

void TsettingForm::buildControls()
{
    auto *keys = new QGroupBox(QStringLiteral("自定义快捷键"), this);
    dazheEdit = hotkeyEdit(keys, "dazheEdit");
    jifenEdit = hotkeyEdit(keys, "jifenEdit");
    shuliangEdit = hotkeyEdit(keys, "shuliangEdit");
    keyLbl1 = codeLabel(keys, "keyLbl1");
    keyLbl2 = codeLabel(keys, "keyLbl2");
    keyLbl3 = codeLabel(keys, "keyLbl3");
    auto *keyRow = new QHBoxLayout(keys);
    keyRow->addWidget(new QLabel(QStringLiteral("打折："), keys));
    keyRow->addWidget(dazheEdit);
    keyRow->addWidget(keyLbl1);
    keyRow->addSpacing(12);
    keyRow->addWidget(new QLabel(QStringLiteral("积分："), keys));
    keyRow->addWidget(jifenEdit);
    keyRow->addWidget(keyLbl2);
    keyRow->addSpacing(12);
    keyRow->addWidget(new QLabel(QStringLiteral("商品数量："), keys));
    keyRow->addWidget(shuliangEdit);
    keyRow->addWidget(keyLbl3);
    keyRow->addStretch();
    for (QLineEdit *e : {dazheEdit, jifenEdit, shuliangEdit})
        e->installEventFilter(this);

    disprintChk = checkBox(this, "disprintChk", QStringLiteral("暂时不使用打印机"));
    showbgChk = checkBox(this, "showbgChk", QStringLiteral("启用全屏背景"));
    NumshowChk = checkBox(this, "NumshowChk", QStringLiteral("启用顾客显示屏"));
    MaxformChk = checkBox(this, "MaxformChk", QStringLiteral("启用全屏窗口"));
    bigTitleChk = checkBox(this, "bigTitleChk", QStringLiteral("小票标题加大打印"));
    dxChk = checkBox(this, "dxChk", QStringLiteral("开启短信通知"));
    s4r5Chk = checkBox(this, "s4r5Chk", QStringLiteral("金额分四舍五入"));
    s4r5Chk2 = checkBox(this, "s4r5Chk2", QStringLiteral("角四舍五入"));
    molingChx = checkBox(this, "molingChx", QStringLiteral("抹零到整元"));
    auto *checks = new QGridLayout;
    const QList<QCheckBox *> boxes{disprintChk, showbgChk, NumshowChk, MaxformChk, bigTitleChk,
                                   s4r5Chk, s4r5Chk2, molingChx};
    for (int i = 0; i < boxes.size(); ++i)
        checks->addWidget(boxes.at(i), i / 2, i % 2);

    ComCbx = comboBox(this, "ComCbx", {QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3")});
    PrintCbx = comboBox(this, "PrintCbx", {QStringLiteral("LPT1(默认并口)"), QStringLiteral("LPT2"),
                                           QStringLiteral("LPT3"), QStringLiteral("USB(需打印驱动)")});
    QStringList margins;
    for (int i = 0; i <= 7; ++i)
        margins << QString::number(i);
    bianjuCbx = comboBox(this, "bianjuCbx", margins);
    auto *ports = new QGridLayout;
    ports->addWidget(new QLabel(QStringLiteral("顾显接口："), this), 0, 0);
    ports->addWidget(ComCbx, 0, 1);
    ports->addWidget(new QLabel(QStringLiteral("打印接口："), this), 1, 0);
    ports->addWidget(PrintCbx, 1, 1);
    ports->addWidget(new QLabel(QStringLiteral("小票下边距："), this), 2, 0);
    ports->addWidget(bianjuCbx, 2, 1);
    ports->setColumnStretch(2, 1);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    morethanEdit = new QSpinBox(Panel1);
    morethanEdit->setObjectName(QStringLiteral("morethanEdit"));
    morethanEdit->setRange(0, 10000);
    morethanEdit->setSingleStep(10);
    mobileEdit = new QLineEdit(Panel1);
    mobileEdit->setObjectName(QStringLiteral("mobileEdit"));
    mobileEdit->setMaxLength(11);
    DialogKeys::limitInput(mobileEdit, DialogKeys::Digits, 11);
    auto *sms = new QHBoxLayout(Panel1);
    sms->setContentsMargins(0, 0, 0, 0);
    sms->addWidget(morethanEdit);
    sms->addWidget(new QLabel(QStringLiteral("元以上订单通知到手机"), Panel1));
    sms->addWidget(mobileEdit);
    sms->addStretch();
    Panel1->hide();

    bgLbl = new QToolButton(this);
    bgLbl->setObjectName(QStringLiteral("bgLbl"));
    bgLbl->setText(QStringLiteral("更换背景"));
    bgLbl->setAutoRaise(true);
    bgLbl->setCursor(Qt::PointingHandCursor);
    bgLbl->setStyleSheet(QStringLiteral("QToolButton { color: #0645ad; text-decoration: underline; border: none; }"));
    OKbtn = new QPushButton(QStringLiteral("确定"), this);
    OKbtn->setObjectName(QStringLiteral("OKbtn"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(bgLbl);
    bottom->addStretch();
    bottom->addWidget(OKbtn);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(keys);
    layout->addLayout(checks);
    layout->addLayout(ports);
    layout->addWidget(dxChk);
    layout->addWidget(Panel1);
    layout->addLayout(bottom);

    DialogKeys::noDefaultButtons(this);
    connect(dxChk, &QCheckBox::toggled, Panel1, &QWidget::setVisible);
    connect(showbgChk, &QCheckBox::clicked, this, &TsettingForm::showbgChkClick);
    connect(NumshowChk, &QCheckBox::clicked, this, &TsettingForm::NumshowChkClick);
    connect(MaxformChk, &QCheckBox::clicked, this, &TsettingForm::MaxformChkClick);
    connect(bgLbl, &QToolButton::clicked, this, &TsettingForm::bgLblClick);
    connect(OKbtn, &QPushButton::clicked, this, &TsettingForm::OKbtnClick);
}

void TsettingForm::load(const TillIni::DialogValues &v)
{
    dazheEdit->setText(v.dazhe);
    jifenEdit->setText(v.jifen);
    shuliangEdit->setText(v.shuliang);
    keyLbl1->setText(v.dazheK);
    keyLbl2->setText(v.jifenK);
    keyLbl3->setText(v.shuliangK);
    disprintChk->setChecked(v.dayin);
    showbgChk->setChecked(v.beijing);
    NumshowChk->setChecked(v.guxian);
    MaxformChk->setChecked(false);
    ComCbx->setCurrentIndex(v.com);
    PrintCbx->setCurrentIndex(v.print);
    bigTitleChk->setChecked(v.bigtitle);
    bianjuCbx->setCurrentIndex(v.bianju);
    dxChk->setChecked(v.dx);
    Panel1->setVisible(v.dx);
    morethanEdit->setValue(v.morethan);
    mobileEdit->setText(v.mobile);
    s4r5Chk->setChecked(v.opt1);
    s4r5Chk2->setChecked(v.opt2);
    molingChx->setChecked(v.opt3);

    // Opening the dialog makes these live at once, saved or not.
    m_live.dayin = v.dayin;
    m_live.guxian = v.guxian;
    m_live.beijing = v.beijing;
    m_live.dazheK = v.dazheK;
    m_live.jifenK = v.jifenK;
}

TillIni::DialogValues TsettingForm::values() const
{
    TillIni::DialogValues v;
    v.dazhe = dazheEdit->text();
    v.jifen = jifenEdit->text();
    v.shuliang = shuliangEdit->text();
    v.dazheK = keyLbl1->text();
    v.jifenK = keyLbl2->text();
    v.shuliangK = keyLbl3->text();
    v.dayin = disprintChk->isChecked();
    v.beijing = showbgChk->isChecked();
    v.guxian = NumshowChk->isChecked();
    v.com = ComCbx->currentIndex();
    v.print = PrintCbx->currentIndex();
    v.bigtitle = bigTitleChk->isChecked();
    v.bianju = bianjuCbx->currentIndex();
    v.dx = dxChk->isChecked();
    v.morethan = morethanEdit->value();
    v.mobile = mobileEdit->text();
    v.opt1 = s4r5Chk->isChecked();
    v.opt2 = s4r5Chk2->isChecked();
    v.opt3 = molingChx->isChecked();
    return v;
}

QString TsettingForm::saveFailedText(const QString &error)
{
    return QStringLiteral("设置保存失败：") + error;
}

bool TsettingForm::captureKey(QLineEdit *edit, QLabel *codeLabel, QKeyEvent *event)
{
    if (passesThrough(event->key()))
        return false;
    if (onTheWay(event->key()))
        return true;
    const int vk = Hotkeys::vkFromEvent(event);
    // A key without a code could never be matched by the till: it is not taken.
    if (vk == 0)
        return true;
    edit->clear();
    const QString name = Hotkeys::functionKeyName(vk);
    const QString typed = event->text();
    const bool types = !typed.isEmpty() && typed.at(0).isPrint()
                       && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!name.isEmpty())
        edit->setText(name);
    else if (types)
        edit->setText(typed.left(edit->maxLength()));
    codeLabel->setText(QString::number(vk));
    return true;
}

bool TsettingForm::eventFilter(QObject *watched, QEvent *event)
{
    QLabel *label = watched == dazheEdit ? keyLbl1
                    : watched == jifenEdit ? keyLbl2
                    : watched == shuliangEdit ? keyLbl3
                                              : nullptr;
    if (label && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (event->type() == QEvent::ShortcutOverride) {
            // Every key but the dialog's own goes to the field, shortcuts included.
            if (passesThrough(key->key()))
                return false;
            event->accept();
            return true;
        }
        return captureKey(static_cast<QLineEdit *>(watched), label, key);
    }
    return QDialog::eventFilter(watched, event);
}

void TsettingForm::keyPressEvent(QKeyEvent *event)
{
    if (DialogKeys::isEnter(event)) {
        // No default button: Enter saves only on "确定" itself and goes on elsewhere.
        if (focusWidget() == OKbtn)
            OKbtnClick();
        else
            focusNextChild();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TsettingForm::OKbtnClick()
{
    if (TillIni::keyNamesConflict(dazheEdit->text(), jifenEdit->text(), shuliangEdit->text())) {
        Msg::info(this, TillIni::keyConflictText());
        return;
    }
    const TillIni::DialogValues v = values();
    QString error;
    if (!TillIni::writeDialog(m_iniPath, v, &error)) {
        Msg::error(this, saveFailedText(error));
        return;
    }
    m_live.dazheK = v.dazheK;
    m_live.jifenK = v.jifenK;
    m_live.shuliangK = v.shuliangK;
    m_live.dayin = v.dayin;
    TillIni::read(m_live, IniFile::load(m_iniPath));
    m_saved = true;
    accept();
}

void TsettingForm::showbgChkClick(bool checked)
{
    if (!checked) {
        TBgForm::closeCurrent();
        return;
    }
    TBgForm::open(m_dir);
    raise();
    activateWindow();
}

void TsettingForm::NumshowChkClick(bool checked)
{
    if (!checked)
        return;
    // A port that does not open is no reason to stop: the text goes out regardless.
    m_pole->com_init(ComCbx->currentIndex() + 1, 2400);
    m_poleTimer.start();
}

void TsettingForm::sendPoleTest()
{
    m_poleTimer.stop();
    m_pole->com_send(QByteArray("\x1b" "QA88888888\r"));
}

void TsettingForm::MaxformChkClick(bool checked)
{
    QWidget *till = parentWidget() ? parentWidget()->window() : nullptr;
    const QSize screen = screenSize(till ? till : this);
    QRect g(0, 0, screen.width(), screen.height());
    if (!checked) {
        const int w = int(std::lround(screen.width() * 0.8));
        const int h = int(std::lround(screen.height() * 0.8));
        g = QRect((screen.width() - w) / 2, (screen.height() - h) / 2, w, h);
    }
    if (till) {
        till->showNormal();
        till->resize(g.size());
        till->move(g.topLeft());
    }
    QString error;
    if (!TillIni::writePlacement(m_iniPath, false, g, &error))
        Msg::error(this, saveFailedText(error));
}

void TsettingForm::bgLblClick()
{
    const QString file = choosePicture ? choosePicture() : QString();
    if (file.isEmpty())
        return;
    QString error;
    if (!TillIni::writePicture(m_iniPath, file, &error)) {
        Msg::error(this, saveFailedText(error));
        return;
    }
    if (TBgForm *bg = TBgForm::current())
        bg->Image1->update();
}
