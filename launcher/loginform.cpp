#include "loginform.h"

#include "ini.h"
#include "msgbox.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

namespace {

const char *const WindowStyle = R"(
TloginForm { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #eaf2fb, stop:1 #c9dcf0); }
QLabel#Image3 { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #1f5fa8, stop:1 #3d8ad8); }
QLabel#Label2 { color: white; font-size: 18px; font-weight: bold; }
QLabel#Label1 { color: #707070; }
QToolButton#ImgBtn1, QToolButton#ImgBtn2 { color: white; border: none; font-size: 15px; }
QToolButton#ImgBtn1:hover, QToolButton#ImgBtn2:hover { background: rgba(255, 255, 255, 60); }
QLineEdit { border: 1px solid #8aa8c8; border-radius: 3px; padding: 0 4px; background: white; }
QLineEdit:disabled { background: #f0f4f8; color: #505050; }
QLineEdit#pswEdit { lineedit-password-character: 42; }
QTreeWidget#ListView1 { border: 1px solid #8aa8c8; background: white; }
QTreeWidget#ListView1::item:hover { background: #d8e8f8; }
QTreeWidget#ListView1::item:selected { background: #3d8ad8; color: white; }
QPushButton#loginBtn { background: #2f78c4; color: white; border: none; border-radius: 4px; font-size: 15px; }
QPushButton#loginBtn:hover { background: #3d8ad8; }
QPushButton#loginBtn:focus { border: 2px solid #1b4f8a; }
)";

constexpr int ListX = 70;
constexpr int ListY = 116;

QString defaultWebsite()
{
    return QStringLiteral("https://www.zazuvi.example/");
}

} // namespace

TloginForm::TloginForm(std::unique_ptr<LoginLogic> logic, const LoginLogic::LegacyUpgrade &upgrade, QWidget *parent)
    : QWidget(parent), m_logic(std::move(logic))
{
    setObjectName(QStringLiteral("Form1"));
    buildWindow();
    startUp(upgrade);
}

TloginForm::~TloginForm() = default;

void TloginForm::buildWindow()
{
    setWindowTitle(QStringLiteral("Zazuvi登录"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(401, 268);
    setStyleSheet(QString::fromUtf8(WindowStyle));
    setAttribute(Qt::WA_StyledBackground);

    Image3 = new QLabel(this);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image3->setGeometry(0, 0, 401, 60);
    Image3->installEventFilter(this);

    Label2 = new QLabel(QStringLiteral("Zazuvi便捷版"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(18, 14, 240, 32);
    Label2->setAttribute(Qt::WA_TransparentForMouseEvents);  // drags reach the strip

    ImgBtn1 = new QToolButton(this);
    ImgBtn1->setObjectName(QStringLiteral("ImgBtn1"));
    ImgBtn1->setText(QStringLiteral("✕"));
    ImgBtn1->setToolTip(QStringLiteral("关闭"));
    ImgBtn1->setGeometry(371, 4, 26, 26);
    ImgBtn1->setFocusPolicy(Qt::NoFocus);
    connect(ImgBtn1, &QToolButton::clicked, this, &QWidget::close);

    ImgBtn2 = new QToolButton(this);
    ImgBtn2->setObjectName(QStringLiteral("ImgBtn2"));
    ImgBtn2->setText(QStringLiteral("⌂"));
    ImgBtn2->setToolTip(QStringLiteral("官方网站"));
    ImgBtn2->setGeometry(343, 4, 26, 26);
    ImgBtn2->setFocusPolicy(Qt::NoFocus);
    connect(ImgBtn2, &QToolButton::clicked, this, &TloginForm::ImgBtn2Click);

    nameedit = new QLineEdit(this);
    nameedit->setObjectName(QStringLiteral("nameedit"));
    nameedit->setReadOnly(true);
    nameedit->setToolTip(QStringLiteral("按 ↓ 键选择用户"));
    nameedit->setGeometry(ListX, 88, 180, 28);
    nameedit->installEventFilter(this);

    ImgBtn3 = new QToolButton(this);
    ImgBtn3->setObjectName(QStringLiteral("ImgBtn3"));
    ImgBtn3->setText(QStringLiteral("▼"));
    ImgBtn3->setGeometry(ListX + 180, 88, 26, 28);
    ImgBtn3->setFocusPolicy(Qt::NoFocus);
    connect(ImgBtn3, &QToolButton::clicked, this, &TloginForm::toggleList);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEnabled(false);
    Edit1->setGeometry(ListX + 212, 88, 80, 28);

    pswEdit = new QLineEdit(this);
    pswEdit->setObjectName(QStringLiteral("pswEdit"));
    pswEdit->setEchoMode(QLineEdit::Password);
    pswEdit->setMaxLength(20);
    pswEdit->setPlaceholderText(QStringLiteral("密码：806"));
    pswEdit->setGeometry(ListX, 130, 292, 28);
    connect(pswEdit, &QLineEdit::returnPressed, this, &TloginForm::loginBtnClick);

    loginBtn = new QPushButton(QStringLiteral("登 录"), this);
    loginBtn->setObjectName(QStringLiteral("loginBtn"));
    loginBtn->setAutoDefault(false);
    loginBtn->setGeometry(ListX, 172, 292, 34);
    connect(loginBtn, &QPushButton::clicked, this, &TloginForm::loginBtnClick);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, 222, 401, 24);

    // Created last so it lies over the password field while open.
    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setColumnCount(2);
    ListView1->setHeaderHidden(true);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setMouseTracking(true);
    ListView1->setAttribute(Qt::WA_Hover);
    ListView1->setFrameShape(QFrame::NoFrame);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    ListView1->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    ListView1->header()->resizeSection(1, 80);
    ListView1->installEventFilter(this);
    ListView1->hide();
    connect(ListView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { chooseUser(item); });

    setTabOrder(nameedit, pswEdit);
    setTabOrder(pswEdit, loginBtn);
    nameedit->setFocus();

    if (const QScreen *s = QGuiApplication::primaryScreen()) {
        const QRect r = s->availableGeometry();
        move(r.center() - rect().center());
    }
}

void TloginForm::startUp(const LoginLogic::LegacyUpgrade &upgrade)
{
    QString error;
    const bool upgraded = m_logic->upgradeLegacyStore(upgrade, [this](const QString &text) {
        Label1->setText(text);
        QCoreApplication::processEvents();
    }, &error);
    if (!upgraded) {
        // The legacy store stays for the next start; no users this run.
        Msg::error(this, error);
    } else if (!m_logic->loadUsers(&error)) {
        Msg::error(this, error);
    }
    fillList();

    if (m_logic->showInitialPasswordHint())
        Label1->setText(QStringLiteral("初始密码: 806"));
    if (m_logic->showLoginPasswordPrompt()) {
        pswEdit->setPlaceholderText(QStringLiteral("登录密码：806"));
        pswEdit->setToolTip(QStringLiteral("登录密码：806"));
    }
}

void TloginForm::fillList()
{
    ListView1->clear();
    for (const LoginUser &u : m_logic->users()) {
        auto *item = new QTreeWidgetItem(ListView1, {u.name, roleText(u.admin)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setSizeHint(0, QSize(-1, RowHeight));
    }
    const int rows = ListView1->topLevelItemCount();
    // One row per user, as far as the window reaches; beyond that the list scrolls.
    ListView1->setGeometry(ListX, ListY, 206, std::min(rows * RowHeight, height() - ListY - 4));
    if (rows > 0) {
        QTreeWidgetItem *first = ListView1->topLevelItem(0);
        ListView1->setCurrentItem(first);
        nameedit->setText(first->text(0));
        Edit1->setText(first->text(1));
    }
}

void TloginForm::chooseUser(QTreeWidgetItem *item)
{
    ListView1->hide();
    if (!item)
        return;
    nameedit->setText(item->text(0));
    Edit1->setText(item->text(1));
    pswEdit->setFocus();
}

void TloginForm::showList()
{
    if (ListView1->topLevelItemCount() == 0)
        return;
    ListView1->show();
    ListView1->raise();
    ListView1->setFocus();
}

void TloginForm::toggleList()
{
    if (ListView1->isVisible())
        ListView1->hide();
    else
        showList();
}

void TloginForm::loginBtnClick()
{
    const LoginLogic::Result r = m_logic->login(nameedit->text(), pswEdit->text());
    switch (r.kind) {
    case LoginLogic::Result::Ignored:
        return;
    case LoginLogic::Result::Wrong:
        Label1->setText(r.message);
        pswEdit->clear();
        pswEdit->setFocus();
        return;
    case LoginLogic::Result::Locked:
        Label1->setText(r.message);
        close();
        return;
    case LoginLogic::Result::Started:
        close();
        return;
    case LoginLogic::Result::StartFailed:
        Msg::error(this, r.message);
        close();
        return;
    case LoginLogic::Result::StoreError:
        Msg::error(this, r.message);
        return;
    }
}

void TloginForm::ImgBtn2Click()
{
    const QString url = ZazuviIni::loadDefault().service(QStringLiteral("website"), defaultWebsite());
    QDesktopServices::openUrl(QUrl(url));
}

bool TloginForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image3) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto *e = static_cast<QMouseEvent *>(event);
            if (e->button() == Qt::LeftButton) {
                m_dragging = true;
                m_dragOffset = e->globalPosition().toPoint() - frameGeometry().topLeft();
                return true;
            }
        } else if (event->type() == QEvent::MouseMove && m_dragging) {
            move(static_cast<QMouseEvent *>(event)->globalPosition().toPoint() - m_dragOffset);
            return true;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            m_dragging = false;
        }
    } else if (watched == nameedit && event->type() == QEvent::KeyPress) {
        auto *e = static_cast<QKeyEvent *>(event);
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            pswEdit->setFocus();
            return true;
        }
        if (e->key() == Qt::Key_Down || e->key() == Qt::Key_F4) {
            showList();
            return true;
        }
    } else if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        auto *e = static_cast<QKeyEvent *>(event);
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            chooseUser(ListView1->currentItem());
            return true;
        }
        if (e->key() == Qt::Key_Escape) {
            ListView1->hide();
            nameedit->setFocus();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::unique_ptr<TloginForm> createLoginWindow(const QString &programDir, const LoginLogic::LegacyUpgrade &upgrade)
{
    QString error;
    auto logic = LoginLogic::open(programDir, &error);
    if (!logic) {
        if (error == LoginLogic::missingStoreText())
            Msg::info(nullptr, error);
        else
            Msg::error(nullptr, error);
        return nullptr;
    }
    return std::make_unique<TloginForm>(std::move(logic), upgrade);
}
