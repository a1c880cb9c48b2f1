#include "mainform.h"

#include "addgoodsform.h"
#include "bgform.h"
#include "birthdays.h"
#include "birthremindform.h"
#include "cardinputform.h"
#include "clock.h"
#include "devices.h"
#include "discountform.h"
#include "goodsnumform.h"
#include "goodsqueryform.h"
#include "guadanform.h"
#include "heldsales.h"
#include "helpform.h"
#include "hotkeys.h"
#include "ini.h"
#include "msgbox.h"
#include "paths.h"
#include "pricing.h"
#include "receipt.h"
#include "refundform.h"
#include "salelistmodel.h"
#include "salesform.h"
#include "settingform.h"
#include "settlement.h"
#include "smsclient.h"
#include "smsnotice.h"
#include "store.h"
#include "tongjiform.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <malloc.h>

namespace {

const QString kOrderLabel = QStringLiteral("小票流水号：");
const QString kDone = QStringLiteral("处理完毕，等待下一位顾客");

bool isEnter(const QKeyEvent *e)
{
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

// Focus that moves because another window (a message box, a popup) came up is not the
// cashier leaving a field.
bool leavesField(const QFocusEvent *e)
{
    return e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason;
}

QLineEdit *readOnlyField(int width, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setFixedWidth(width);
    return e;
}

QLabel *fixedLabel(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    return l;
}

QPushButton *barButton(const QString &text, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus);  // the keys have their own keys; focus stays with the sale
    b->setAutoDefault(false);
    return b;
}

// The SMS icon: grey while the service is off, green once logged in.
QIcon smsIcon(bool on)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(on ? QColor(0x1b, 0x7f, 0x2a) : QColor(0x80, 0x80, 0x80), 1.5));
    p.setBrush(on ? QColor(0x8c, 0xe0, 0x8c) : QColor(0xe0, 0xe0, 0xe0));
    p.drawRoundedRect(QRectF(1.5, 3.5, 13, 9), 1.5, 1.5);
    p.drawLine(QPointF(2, 4), QPointF(8, 9));
    p.drawLine(QPointF(14, 4), QPointF(8, 9));
    return QIcon(pm);
}

} // namespace

TmainForm::TmainForm(Store &store, const QString &cashier, const ShopSettings &shopSettings, TillServices services,
                     QWidget *parent)
    : QMainWindow(parent), cashierName(cashier), shop(shopSettings), programDir(::programDir()), m_store(store)
{
    setObjectName(QStringLiteral("TmainForm"));
    m_printer = std::make_unique<TillPrinter>(programDir, [this](const QString &text) { Msg::info(this, text); });
    if (services.systemPrint)
        m_printer->setSystemPrint(services.systemPrint);
    m_pole = std::make_unique<PoleDisplay>(programDir);
    m_sms = std::make_unique<TillSms>(std::move(services.smsGateway));
    m_quickEntry = std::make_unique<QuickEntryPath>(
        m_store, this, services.barcodeLookup ? std::move(*services.barcodeLookup) : QuickEntry::Lookup::service());

    buildUi();
    watchKeys();
    startUp();
}

TmainForm::~TmainForm() = default;

// ---------------------------------------------------------------- layout

void TmainForm::buildUi()
{
    setWindowTitle(shop.windowCaption());
    QFont f = font();
    f.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("WenQuanYi Zen Hei"),
                   QStringLiteral("Noto Sans CJK SC")});
    setFont(f);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralPanel"));
    central->setMinimumSize(860, 597 - 30);  // with the status bar: 860 x 597
    setCentralWidget(central);
    auto *main = new QVBoxLayout(central);
    main->setContentsMargins(6, 6, 6, 4);

    // Code row.
    auto *codeRow = new QHBoxLayout;
    codeRow->addWidget(new QLabel(QStringLiteral("商品条形码/货号："), central));
    barcodeinputEdit = new QLineEdit(central);
    barcodeinputEdit->setObjectName(QStringLiteral("barcodeinputEdit"));
    barcodeinputEdit->setToolTip(QStringLiteral("可输入商品条码或货号"));
    barcodeinputEdit->setMinimumWidth(260);
    QFont big = barcodeinputEdit->font();
    big.setPointSize(big.pointSize() + 4);
    barcodeinputEdit->setFont(big);
    codeRow->addWidget(barcodeinputEdit);
    codeRow->addStretch(1);
    liushuiLbl = new QLabel(kOrderLabel + orderNo, central);
    liushuiLbl->setObjectName(QStringLiteral("liushuiLbl"));
    codeRow->addWidget(liushuiLbl);
    xinyuImg = new QLabel(central);
    xinyuImg->setObjectName(QStringLiteral("xinyuImg"));
    xinyuImg->setFixedSize(100, 24);
    xinyuImg->setAlignment(Qt::AlignCenter);
    codeRow->addWidget(xinyuImg);
    main->addLayout(codeRow);

    // Sale list.
    m_model = new SaleListModel(&m_lines, this);
    const QStringList heads{QStringLiteral("条码"), QStringLiteral("品名"), QStringLiteral("原价"),
                            QStringLiteral("会员价"), QStringLiteral("折扣%"), QStringLiteral("数量"),
                            QStringLiteral("金额￥")};
    for (int i = 0; i < heads.size(); ++i)
        m_model->setHeaderText(i, heads.at(i));
    ListView = new QTableView(central);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setModel(m_model);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setSortingEnabled(false);
    ListView->setShowGrid(true);
    ListView->setWordWrap(false);
    ListView->setTabKeyNavigation(false);
    ListView->verticalHeader()->hide();
    ListView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView->verticalHeader()->setDefaultSectionSize(24);
    ListView->horizontalHeader()->setSectionsClickable(false);
    ListView->horizontalHeader()->setHighlightSections(false);
    const int widths[] = {120, 200, 100, 100, 60, 55, 100};
    for (int i = 0; i < 7; ++i)
        ListView->setColumnWidth(i, widths[i]);
    ListView->horizontalHeader()->setSectionResizeMode(SaleListModel::columnOf(SaleLine::Name), QHeaderView::Stretch);
    for (int c = SaleListModel::columnOf(SaleLine::UnitCost); c < SaleListModel::ColumnCount; ++c)
        ListView->setColumnHidden(c, true);
    ListView->setToolTip(QStringLiteral("选择商品请用 ↑↓键\n删除商品请用 Del 键\n单品打折请用 / 键  "));
    ListView->setContextMenuPolicy(Qt::CustomContextMenu);
    main->addWidget(ListView, 1);

    listMenu = new QMenu(this);
    editQtyAct = listMenu->addAction(QStringLiteral("修改数量"));
    editDiscountAct = listMenu->addAction(QStringLiteral("修改折扣"));
    deleteAct = listMenu->addAction(QStringLiteral("删除此商品"));
    connect(editQtyAct, &QAction::triggered, this, &TmainForm::editQuantity);
    connect(editDiscountAct, &QAction::triggered, this, [this] { editDiscount(false); });
    connect(deleteAct, &QAction::triggered, this, &TmainForm::deleteSelectedLine);
    connect(listMenu, &QMenu::aboutToShow, this, [this] {
        const bool selected = selectedIndex() >= 0;
        editQtyAct->setEnabled(selected);
        editDiscountAct->setEnabled(selected);
        deleteAct->setEnabled(selected);
    });
    connect(ListView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { listMenu->popup(ListView->viewport()->mapToGlobal(pos)); });
    connect(ListView, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid() && selectedIndex() == index.row())
            editQuantity();
    });

    // Member bar.
    m_memberBar = new QWidget(central);
    m_memberBar->setObjectName(QStringLiteral("memberBar"));
    m_memberLayout = new QHBoxLayout(m_memberBar);
    m_memberLayout->setContentsMargins(0, 0, 0, 0);
    m_memberLayout->setSpacing(4);
    m_memberLayout->addWidget(fixedLabel(QStringLiteral("会员卡："), m_memberBar));
    cardNoEdit = new QLineEdit(m_memberBar);
    cardNoEdit->setObjectName(QStringLiteral("cardNoEdit"));
    cardNoEdit->setToolTip(QStringLiteral("输入会员卡号"));
    cardNoEdit->setFixedWidth(110);
    m_memberLayout->addWidget(cardNoEdit);
    auto addField = [this](const QString &label, QLineEdit *&field, const QString &name, int width, QWidget *into,
                           QHBoxLayout *layout) {
        layout->addWidget(fixedLabel(label, into));
        field = readOnlyField(width, into);
        field->setObjectName(name);
        layout->addWidget(field);
    };
    addField(QStringLiteral("姓名："), mnameEdit, QStringLiteral("mnameEdit"), 80, m_memberBar, m_memberLayout);
    addField(QStringLiteral("积分："), jifenEdit, QStringLiteral("jifenEdit"), 60, m_memberBar, m_memberLayout);
    addField(QStringLiteral("类型："), mtypeEdit, QStringLiteral("mtypeEdit"), 70, m_memberBar, m_memberLayout);
    addField(QStringLiteral("折扣："), disRateEdit, QStringLiteral("disRateEdit"), 40, m_memberBar, m_memberLayout);
    telpanel = new QWidget(m_memberBar);
    telpanel->setObjectName(QStringLiteral("telpanel"));
    auto *telLayout = new QHBoxLayout(telpanel);
    telLayout->setContentsMargins(0, 0, 0, 0);
    telLayout->setSpacing(4);
    addField(QStringLiteral("电话："), telEdit, QStringLiteral("telEdit"), 100, telpanel, telLayout);
    telpanel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_memberLayout->addWidget(telpanel);
    birthPanel = new QWidget(m_memberBar);
    birthPanel->setObjectName(QStringLiteral("birthPanel"));
    auto *birthLayout = new QHBoxLayout(birthPanel);
    birthLayout->setContentsMargins(0, 0, 0, 0);
    birthLayout->setSpacing(4);
    addField(QStringLiteral("生日："), birthEdit, QStringLiteral("birthEdit"), 70, birthPanel, birthLayout);
    birthPanel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_memberLayout->addWidget(birthPanel);
    m_memberLayout->addStretch(1);
    memBtn = barButton(QStringLiteral("积分 F8"), QStringLiteral("memBtn"), m_memberBar);
    m_memberLayout->addWidget(memBtn);
    main->addWidget(m_memberBar);

    // Totals and payment.
    auto *bottom = new QHBoxLayout;
    auto *totals = new QWidget(central);
    totals->setObjectName(QStringLiteral("totalsPanel"));
    auto *totalsLayout = new QHBoxLayout(totals);
    totalMoneyLbl = new QLabel(QStringLiteral("共:0.00元"), totals);
    totalMoneyLbl->setObjectName(QStringLiteral("totalMoneyLbl"));
    QFont huge = totalMoneyLbl->font();
    huge.setPointSize(huge.pointSize() * 3);
    huge.setBold(true);
    totalMoneyLbl->setFont(huge);
    totalMoneyLbl->setStyleSheet(QStringLiteral("color: #c00000;"));
    totalsLayout->addWidget(totalMoneyLbl, 1);
    totalsLayout->addWidget(new QLabel(QStringLiteral("数量:"), totals));
    goodscountLbl = new QLabel(QStringLiteral("0"), totals);
    goodscountLbl->setObjectName(QStringLiteral("goodscountLbl"));
    QFont mid = goodscountLbl->font();
    mid.setPointSize(mid.pointSize() * 2);
    goodscountLbl->setFont(mid);
    totalsLayout->addWidget(goodscountLbl);
    totalMoneyEdit = new QLineEdit(QStringLiteral("0.00"), totals);
    totalMoneyEdit->setObjectName(QStringLiteral("totalMoneyEdit"));
    totalMoneyEdit->setReadOnly(true);
    totalMoneyEdit->hide();
    totalsLayout->addWidget(totalMoneyEdit);
    bottom->addWidget(totals, 1);

    auto *pay = new QWidget(central);
    pay->setObjectName(QStringLiteral("payPanel"));
    auto *payLayout = new QGridLayout(pay);
    QFont payFont = barcodeinputEdit->font();
    payLayout->addWidget(new QLabel(QStringLiteral("实收："), pay), 0, 0);
    realmoneyEdit = new QLineEdit(QStringLiteral("0.00"), pay);
    realmoneyEdit->setObjectName(QStringLiteral("realmoneyEdit"));
    realmoneyEdit->setReadOnly(true);
    realmoneyEdit->setFocusPolicy(Qt::NoFocus);
    realmoneyEdit->setFont(payFont);
    realmoneyEdit->setFixedWidth(120);
    payLayout->addWidget(realmoneyEdit, 0, 1);
    DiscountBtn = barButton(QStringLiteral("打折"), QStringLiteral("DiscountBtn"), pay);
    payLayout->addWidget(DiscountBtn, 0, 2);
    payLayout->addWidget(new QLabel(QStringLiteral("交来："), pay), 1, 0);
    receivemoneyEdit = new QLineEdit(QStringLiteral("0"), pay);
    receivemoneyEdit->setObjectName(QStringLiteral("receivemoneyEdit"));
    receivemoneyEdit->setMaxLength(7);
    receivemoneyEdit->setFont(payFont);
    receivemoneyEdit->setFixedWidth(120);
    payLayout->addWidget(receivemoneyEdit, 1, 1);
    payLayout->addWidget(new QLabel(QStringLiteral("找零："), pay), 2, 0);
    changeMoney = new QLabel(QStringLiteral("0"), pay);
    changeMoney->setObjectName(QStringLiteral("changeMoney"));
    changeMoney->setFont(payFont);
    payLayout->addWidget(changeMoney, 2, 1);
    printBtn = new QPushButton(QStringLiteral("结算打印"), pay);
    printBtn->setObjectName(QStringLiteral("printBtn"));
    printBtn->setToolTip(QStringLiteral("按回车键打印小票\n按空格键则不打印小票"));
    printBtn->setAutoDefault(false);
    printBtn->setDefault(false);
    printBtn->setMinimumHeight(48);
    payLayout->addWidget(printBtn, 1, 2, 2, 1);
    bottom->addWidget(pay);
    main->addLayout(bottom);

    // Status bar.
    QStatusBar *bar = statusBar();
    bar->setSizeGripEnabled(false);
    statusPanel2 = new QLabel(bar);
    statusPanel2->setObjectName(QStringLiteral("statusPanel2"));
    statusPanel2->setMinimumWidth(120);
    statusPanel1 = new QLabel(bar);
    statusPanel1->setObjectName(QStringLiteral("statusPanel1"));
    statusPanel1->setMinimumWidth(200);
    statusPanel3 = new QLabel(bar);
    statusPanel3->setObjectName(QStringLiteral("statusPanel3"));
    bar->addWidget(statusPanel2);
    bar->addWidget(statusPanel1);
    bar->addWidget(statusPanel3, 1);
    helpBtn = barButton(QStringLiteral("帮助"), QStringLiteral("helpBtn"), bar);
    settingBtn = barButton(QStringLiteral("设置"), QStringLiteral("settingBtn"), bar);
    bsSkinButton1 = barButton(QStringLiteral("查询"), QStringLiteral("bsSkinButton1"), bar);
    tongjiBtn = barButton(QStringLiteral("统计"), QStringLiteral("tongjiBtn"), bar);
    refundBtn = barButton(QStringLiteral("退货"), QStringLiteral("refundBtn"), bar);
    mgrBtn = barButton(QStringLiteral("后台"), QStringLiteral("mgrBtn"), bar);
    sButton1 = barButton(QStringLiteral("打印上一单"), QStringLiteral("sButton1"), bar);
    for (QPushButton *b : {helpBtn, settingBtn, bsSkinButton1, tongjiBtn, refundBtn, mgrBtn, sButton1})
        bar->addPermanentWidget(b);
    dxBtn = new QToolButton(bar);
    dxBtn->setObjectName(QStringLiteral("dxBtn"));
    dxBtn->setFocusPolicy(Qt::NoFocus);
    dxBtn->setAutoRaise(true);
    dxBtn->setIcon(smsIcon(false));
    bar->addPermanentWidget(dxBtn);

    // Keyboard order of the sale: code, list, card, tendered amount, settle.
    setTabOrder(barcodeinputEdit, ListView);
    setTabOrder(ListView, cardNoEdit);
    setTabOrder(cardNoEdit, receivemoneyEdit);
    setTabOrder(receivemoneyEdit, printBtn);

    connect(DiscountBtn, &QPushButton::clicked, this, [this] { editDiscount(true); });
    connect(memBtn, &QPushButton::clicked, this, &TmainForm::openCardInput);
    connect(printBtn, &QPushButton::clicked, this, [this] { settle(false); });
    connect(helpBtn, &QPushButton::clicked, this, &TmainForm::showHelp);
    connect(settingBtn, &QPushButton::clicked, this, &TmainForm::openSettings);
    connect(bsSkinButton1, &QPushButton::clicked, this, &TmainForm::showGoodsQuery);
    connect(tongjiBtn, &QPushButton::clicked, this, &TmainForm::showDailySummary);
    connect(refundBtn, &QPushButton::clicked, this, &TmainForm::openRefunds);
    connect(mgrBtn, &QPushButton::clicked, this, &TmainForm::startLauncher);
    connect(sButton1, &QPushButton::clicked, this, &TmainForm::reprint);

    connect(cardNoEdit, &QLineEdit::textEdited, this, [this] { m_cardTyped = true; });
    connect(realmoneyEdit, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (settings.guxian)
            m_pole->showTotal(text);
    });
    connect(receivemoneyEdit, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (settings.guxian)
            m_pole->showTendered(text);
    });
}

// Every control that can hold the focus passes its events through the window first.
void TmainForm::watchKeys()
{
    const auto children = findChildren<QWidget *>();
    for (QWidget *w : children)
        if (w->focusPolicy() != Qt::NoFocus && w->window() == this)  // not the popup menu
            w->installEventFilter(this);
    m_memberBar->installEventFilter(this);
}

// ---------------------------------------------------------------- start-up

void TmainForm::startUp()
{
    helpTimer = new QTimer(this);
    helpTimer->setInterval(1000);
    connect(helpTimer, &QTimer::timeout, this, &TmainForm::helpTimerTick);
    helpTimer->start();

    QString error;
    const TillStartup::Backup backup =
        TillStartup::autoBackup(m_store, programDir, shop.backupEvery, Clock::today(), &error);
    const QString backupText = TillStartup::backupStatusText(backup);
    if (!backupText.isEmpty())
        statusPanel1->setText(backupText);
    if (backup == TillStartup::Backup::Failed)
        statusPanel1->setToolTip(error);

    statusPanel2->setText(QStringLiteral("收银员：") + cashierName);
    readIni();
    saleStage = 1;
    orderNo = QStringLiteral("00000000000");
    ismember = false;
    sales_id = -1;
    if (settings.beijing)
        TBgForm::open(programDir);
    if (settings.guxian)
        m_pole->com_init(settings.com + 1, 2400);
    showBadge();
    smsLogin();
    const QString birthdays = Birthdays::startupNotice(m_store);
    if (!birthdays.isEmpty())
        statusPanel1->setText(birthdays);

    // Give memory back to the system now and then, as a till runs for days.
    auto *trim = new QTimer(this);
    trim->setInterval(2000);
    connect(trim, &QTimer::timeout, this, [] { malloc_trim(0); });
    trim->start();

    barcodeinputEdit->setFocus();
}

void TmainForm::showBadge()
{
    m_salesCount = TillStartup::salesCount(m_store);
    const QString badge = TillStartup::badgeName(m_salesCount);
    const QPixmap pm(executableDir() + QStringLiteral("img/") + badge + QStringLiteral(".png"));
    xinyuImg->setPixmap(pm);
    xinyuImg->setProperty("badge", badge);
    xinyuImg->setToolTip(QStringLiteral("累计销售量:") + QString::number(m_salesCount));
    const QString tip = TillStartup::badgeTip(m_salesCount);
    if (!tip.isEmpty())
        statusPanel3->setText(tip);
}

void TmainForm::smsLogin()
{
    if (!settings.dx || settings.mobile.isEmpty())
        return;
    const TillStartup::SmsAccount account = TillStartup::readSmsAccount(m_store);
    if (account.user.isEmpty())
        return;
    const QString gateway = ZazuviIni::load(programDir).service(QStringLiteral("sms"), ZazuviIni::defaultSmsGateway());
    // The icon only says "on" when the gateway took the login.
    if (m_sms->login(gateway, account.user, account.pass)) {
        dxBtn->setIcon(smsIcon(true));
        dxBtn->setToolTip(QStringLiteral("短信服务已启用"));
    } else {
        dxBtn->setToolTip(QStringLiteral("短信服务登录失败"));
    }
}

bool TmainForm::smsOnline() const
{
    return m_sms->online();
}

void TmainForm::readIni()
{
    TillIni::read(settings);
    applyPlacement();
    PrinterSettings p;
    p.dayin = settings.dayin;
    p.printC = settings.printC;
    p.printtype = settings.printtype;
    m_printer->setSettings(p);
}

void TmainForm::applyPlacement()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    const TillIni::Placement p = TillIni::placement(settings, screenSize);
    if (p.maximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    setWindowState(windowState() & ~Qt::WindowMaximized);
    resize(p.geometry.size());
    move(p.geometry.topLeft());
}

void TmainForm::helpTimerTick()
{
    if (QFile::exists(programDir + QStringLiteral("output.txt")))
        return;
    helpTimer->stop();
    showHelp();
}

// ---------------------------------------------------------------- sale lines

bool TmainForm::findGoods(const QString &code)
{
    QString error;
    m_goods = ::findGoods(m_store, code, &error);
    if (!error.isEmpty())
        Msg::error(this, error);
    return m_goods.has_value();
}

void TmainForm::addgoods()
{
    if (m_goods)
        addgoods(*m_goods);
}

void TmainForm::addgoods(const GoodsRecord &goods)
{
    const QString stock = formatQty(goods.stock);
    statusPanel1->setText(QStringLiteral("商品") + goods.barcode + QStringLiteral("库存:") + stock);
    if (goods.stock <= 0 && shop.zeromsg) {
        statusPanel1->setText(goods.barcode + QStringLiteral("负库存！"));
        Msg::info(this, QStringLiteral("提示：此商品库存为") + stock + QStringLiteral(",请及时补充库存"));
    }
    const int row = Pricing::addGoods(m_lines, goods, MemberPricing{ismember, disRateEdit->text()});
    m_model->sync();
    selectLine(row);
    goodscountLbl->setText(GoodsCount());
    barcodeinputEdit->clear();
}

QString TmainForm::GoodsCount()
{
    const int priceCol = SaleListModel::columnOf(SaleLine::Price);
    const int memberCol = SaleListModel::columnOf(SaleLine::MemberPrice);
    // The brackets mark the price in force.
    m_model->setHeaderText(memberCol, ismember ? QStringLiteral("[会员价]￥") : QStringLiteral("会员价￥"));
    m_model->setHeaderText(priceCol, ismember ? QStringLiteral("原价￥") : QStringLiteral("[原价]￥"));

    const SaleTotals t = Pricing::recount(m_lines, ismember, settings.rounding);
    m_model->sync();
    nodismoney = t.nodismoney;
    noaddup = t.noaddup;
    totalMoneyEdit->setText(t.priceTotal.toText());
    totalMoneyLbl->setText(QStringLiteral("共:￥") + t.originalTotal.toText());
    realmoneyEdit->setText(t.amountTotal.toText());
    const Money tendered = Money::fromText(receivemoneyEdit->text());
    if (tendered > Money())
        changeMoney->setText((tendered - t.amountTotal).toText());
    barcodeinputEdit->clear();
    barcodeinputEdit->setFocus();
    return t.quantityText();
}

void TmainForm::moneyopt()
{
    Pricing::moneyopt(m_lines, Money::fromText(realmoneyEdit->text()), settings.rounding.s4r52);
    m_model->sync();
}

int TmainForm::selectedIndex() const
{
    const QModelIndexList rows = ListView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TmainForm::selectLine(int row)
{
    if (row < 0 || row >= m_lines.size()) {
        ListView->clearSelection();
        return;
    }
    ListView->selectRow(row);
    ListView->scrollTo(m_model->index(row, 0));
}

void TmainForm::deleteSelectedLine()
{
    const int row = selectedIndex();
    if (row < 0)
        return;
    m_lines.removeAt(row);
    m_model->sync();
    ListView->clearSelection();
    goodscountLbl->setText(GoodsCount());
}

void TmainForm::clearSale()
{
    barcodeinputEdit->clear();
    m_lines.clear();
    m_model->sync();
    totalMoneyLbl->setText(QStringLiteral("共:0.00"));
    totalMoneyEdit->setText(QStringLiteral("0.00"));
    realmoneyEdit->setText(QStringLiteral("0.00"));
    goodscountLbl->setText(QStringLiteral("0"));
    receivemoneyEdit->setText(QStringLiteral("0"));
    for (QLineEdit *e : {cardNoEdit, jifenEdit, disRateEdit, mnameEdit, mtypeEdit, telEdit, birthEdit})
        e->clear();
    if (settings.guxian) {
        m_pole->clear();
        m_pole->show(QStringLiteral("0.00"));
    }
}

void TmainForm::attachMember(const MemberAttach &member)
{
    m_memberCardId = member.cardId;
    m_cardTyped = false;
    cardNoEdit->setText(member.cardId);
    jifen = member.points;
    jifenEdit->setText(QString::number(member.points));
    mtype = member.mtype;
    disRateEdit->setText(member.rateText());
    mnameEdit->setText(member.name);
    telEdit->setText(member.tel);
    birthEdit->setText(member.birthday);
    ismember = true;
    Pricing::applyMemberRate(m_lines, disRateEdit->text());
    goodscountLbl->setText(GoodsCount());
}

void TmainForm::setSalesperson(int salesId, const QString &name)
{
    sales_id = salesId > 0 ? salesId : -1;
    statusPanel3->setText(sales_id > 0 ? QStringLiteral("销售:") + name : QString());
}

// ---------------------------------------------------------------- payment

bool TmainForm::checkTender()
{
    const QString tendered = receivemoneyEdit->text().trimmed();
    if (tendered.isEmpty() || m_lines.isEmpty()) {
        receivemoneyEdit->clear();
        barcodeinputEdit->setFocus();
        return false;
    }
    const Money change = Money::fromText(tendered) - Money::fromText(realmoneyEdit->text());
    if (change >= Money()) {
        changeMoney->setText(formatC2(change.toDouble()));
        saleStage = 3;
        return true;
    }
    Msg::info(this, QStringLiteral("金额不够，请重新输入！"));
    receivemoneyEdit->clear();
    receivemoneyEdit->setFocus();
    receivemoneyEdit->selectAll();
    saleStage = 2;
    if (changeMoney->text() != QLatin1String("0"))
        changeMoney->setText(QStringLiteral("0"));
    return false;
}

void TmainForm::receivemoneyEditEnter()
{
    if (checkTender()) {
        printBtn->setFocus();
        if (settings.guxian)
            m_pole->showChange(changeMoney->text());
    } else if (!m_lines.isEmpty()) {
        // The cashier still has to type what the customer hands over.
        receivemoneyEdit->setFocus();
    }
}

void TmainForm::settle(bool noPrint)
{
    if (m_settling)
        return;
    const QScopedValueRollback<bool> busy(m_settling, true);
    if (!checkTender()) {
        if (!m_lines.isEmpty())
            receivemoneyEdit->setFocus();
        return;
    }

    printBtn->setEnabled(false);
    SaleRecord sale;
    sale.lines = m_lines;
    sale.settled = Money::fromText(realmoneyEdit->text());
    sale.ismember = ismember;
    sale.cardId = m_memberCardId;
    bool rateOk = false;
    const int rate = disRateEdit->text().trimmed().toInt(&rateOk);
    if (rateOk)
        sale.memberRate = rate;
    sale.noaddup = noaddup;
    sale.salesId = sales_id;
    sale.cashier = cashierName;
    sale.addRate = shop.addRate;
    const SettlementOutcome out = Settlement::record(m_store, sale, Clock::now());
    printBtn->setEnabled(true);
    if (!out.ok) {
        // Nothing was written: the sale stays on screen for another try.
        Msg::error(this, out.error);
        printBtn->setFocus();
        return;
    }

    orderNo = out.orderNo;
    liushuiLbl->setText(kOrderLabel + orderNo);
    const bool written = makeReceipt();
    if (!noPrint && written)
        m_printer->printReceiptFile(programDir + QStringLiteral("output.txt"));
    statusPanel1->setText(kDone);
    if (settings.dx && smsOnline() && sale.settled > Money::fromDouble(settings.morethan))
        sendNotice();

    clearSale();
    forgetMemberAndSalesperson();
    barcodeinputEdit->setFocus();
    saleStage = 1;
}

void TmainForm::sendNotice()
{
    bool ok = false;
    const Settlement::DayTotals day = Settlement::dayTotals(m_store, Clock::today(), &ok);
    const QString text = Settlement::noticeText(orderNo, realmoneyEdit->text(), day);
    m_sms->sendMsg(settings.mobile, text, programDir + QStringLiteral("dxinfo.txt"));
}

bool TmainForm::makeReceipt()
{
    ReceiptInput in;
    in.printTitle = shop.printTitle;
    in.bigTitle = settings.bigtitle;
    in.cashierName = cashierName;
    in.orderNo = orderNo;
    in.when = Clock::now();
    in.lines = m_lines;
    in.totalMoneyText = totalMoneyEdit->text();
    in.realMoneyText = realmoneyEdit->text();
    in.receiveMoneyText = receivemoneyEdit->text();
    in.changeMoneyText = changeMoney->text();
    in.cardNo = ismember ? m_memberCardId : QString();
    in.mtype = mtype;
    in.memberAttached = !jifenEdit->text().isEmpty();
    in.settledAmount = StrToFloatEx(realmoneyEdit->text());
    in.noaddup = noaddup.toDouble();
    in.addRate = shop.addRate;
    in.jifen = jifen;
    in.welcomeStr = shop.welcomeStr;
    in.customLines = customReceiptLines(programDir);
    in.bianju = settings.bianju;
    QString error;
    if (!writeReceipt(programDir + QStringLiteral("output.txt"), in, &error)) {
        Msg::error(this, QStringLiteral("小票文件无法写入：") + error);
        return false;
    }
    return true;
}

void TmainForm::openDrawer()
{
    m_printer->openDrawer();
}

void TmainForm::reprint()
{
    m_printer->reprint();
}

// ---------------------------------------------------------------- dialogs
// The dialogs of held sales, member cards, discounts, quantities, refunds, the goods
// query, the day's summary, salespersons, birthdays and settings are opened from here.

void TmainForm::editQuantity()
{
    const int row = selectedIndex();
    if (row < 0)
        return;
    TgoodsNumForm dlg(m_lines, row, ismember, [this] { goodscountLbl->setText(GoodsCount()); }, this);
    dlg.exec();
    barcodeinputEdit->clear();
    barcodeinputEdit->setFocus();
}

void TmainForm::editDiscount(bool wholeSale)
{
    if (m_lines.isEmpty())
        return;  // nothing to discount
    DiscountSetup s;
    s.zhengdan = wholeSale;
    s.lowestDiscount = shop.shopDiscount;
    s.rounding = settings.rounding;
    // Only money actually handed over gives change; "0.00" left by the field is none.
    s.received = Money::fromText(receivemoneyEdit->text()) > Money() ? receivemoneyEdit->text() : QStringLiteral("0");
    if (ismember && shop.discountPolicy)
        s.prefillRate = disRateEdit->text();
    if (wholeSale) {
        s.zhekou_qian = StrToFloatEx(totalMoneyEdit->text()) - nodismoney.toDouble();
        s.nodis = nodismoney.toDouble();
    } else {
        s.row = selectedIndex();
        if (s.row < 0)
            return;
        if (m_lines.at(s.row)[SaleLine::IfDis] == QLatin1String("0")) {
            Msg::info(this, DiscountLogic::NotDiscountable);
            barcodeinputEdit->clear();
            return;
        }
        if (!DiscountLogic::lineBase(m_lines.at(s.row), &s.zhekou_qian))
            return;
    }
    DiscountHooks hooks;
    hooks.recount = [this] { goodscountLbl->setText(GoodsCount()); };
    hooks.setRealMoney = [this](const QString &text) { realmoneyEdit->setText(text); };
    hooks.moneyopt = [this] { moneyopt(); };
    TdiscountForm dlg(s, m_lines, hooks, this);
    dlg.exec();
    if (dlg.applied()) {
        m_model->sync();  // no GoodsCount() here: it would round the spread amounts again
        if (wholeSale) {
            if (!dlg.outcome().changeText.isEmpty())
                changeMoney->setText(dlg.outcome().changeText);
            else
                receivemoneyEdit->setFocus();
        }
    }
    barcodeinputEdit->clear();
}

void TmainForm::openCardInput()
{
    TcardinputForm dlg(m_store, shop.discountPolicy, this);
    if (dlg.exec() != QDialog::Accepted) {
        barcodeinputEdit->clear();
        return;
    }
    if (dlg.attached())
        attachMember(*dlg.attached());
    receivemoneyEdit->setFocus();
}

// Leaving the card field with a typed or scanned card attaches its member at once.
// Returns true when a member was attached.
bool TmainForm::directEntry()
{
    if (!m_cardTyped)
        return false;
    m_cardTyped = false;
    const MemberLogic::DirectEntry e =
        MemberLogic::directEntry(m_store, cardNoEdit->text(), Clock::today(), shop.discountPolicy);
    if (e.outcome == MemberLogic::DirectEntry::StoreError)
        Msg::error(this, e.message);
    else if (!e.message.isEmpty())
        Msg::info(this, e.message);
    if (e.outcome == MemberLogic::DirectEntry::Attached) {
        attachMember(e.attach);
        return true;
    }
    // The field shows the card the sale is credited to, not a number that found nobody.
    if (ismember)
        cardNoEdit->setText(m_memberCardId);
    return false;
}

void TmainForm::cardNoEditEnter()
{
    directEntry();
    receivemoneyEdit->setFocus();
}

void TmainForm::cardNoEditExit()
{
    // Runs once the focus has settled where the cashier went, and leaves it there:
    // the recount would otherwise pull it into the code field in mid-move.
    QTimer::singleShot(0, this, [this] {
        const QPointer<QWidget> target = QApplication::focusWidget();
        if (directEntry() && target && target->window() == this)
            target->setFocus();
    });
}

void TmainForm::askGuadan()
{
    if (m_lines.isEmpty())
        return;
    if (Msg::question(this, QStringLiteral("是否进行挂单操作？")))
        guadan();
}

void TmainForm::guadan()
{
    HeldSales held(programDir);
    QString error;
    const QString no = held.hold(m_lines, totalMoneyEdit->text(), cashierName, Clock::now(), &error);
    if (no.isEmpty()) {
        Msg::error(this, error);  // nothing was held: the sale stays on screen
        return;
    }
    orderNo = no;
    liushuiLbl->setText(kOrderLabel + orderNo);
    clearSale();
    // A held sale carries no member and no salesperson; the next customer starts afresh.
    forgetMemberAndSalesperson();
    saleStage = 1;
    barcodeinputEdit->setFocus();
}

void TmainForm::openGuadanForm()
{
    HeldSales held(programDir);
    TguadanForm dlg(held, this);
    dlg.exec();
    if (dlg.recalled())
        qudan(dlg.lines());
}

void TmainForm::qudan(const SaleLines &lines)
{
    // The recalled sale replaces the one on screen as it was held: without a member.
    clearSale();
    forgetMemberAndSalesperson();
    m_lines = lines;
    m_model->sync();
    saleStage = 1;
    goodscountLbl->setText(GoodsCount());
}

void TmainForm::forgetMemberAndSalesperson()
{
    ismember = false;
    jifen = 0;
    mtype.clear();
    nodismoney = Money();
    noaddup = Money();
    m_memberCardId.clear();
    m_cardTyped = false;
    setSalesperson(-1, QString());
}

void TmainForm::showBirthdays()
{
    TbirthRemindForm::remind(m_store, this, [this](const QString &text) { statusPanel1->setText(text); });
}

void TmainForm::showGoodsQuery()
{
    TgoodsqueryForm f(m_store, this);
    TtongjiForm::placeOver(&f, this);
    if (f.exec() == QDialog::Accepted)
        TgoodsqueryForm::postToCodeField(barcodeinputEdit, f.chosenValue());
}

void TmainForm::showDailySummary()
{
    if (!TtongjiForm::passwordGate(this, shop.needpsw, shop.viewpsw))
        return;
    TtongjiForm f(m_store, [this](const QString &path) { return m_printer->PrintFile(path); }, this);
    TtongjiForm::placeOver(&f, this);
    f.exec();
}

void TmainForm::chooseSalesperson()
{
    TsalesForm f(m_store, this);
    if (f.exec() == QDialog::Accepted && f.query)
        setSalesperson(f.salesId(), f.salesName());
}

void TmainForm::openSettings()
{
    TsettingForm dlg(settings, programDir, m_pole.get(), this);
    dlg.exec();
    // Also after Esc: opening makes some of the file's values live.
    settings = dlg.settings();
    if (!dlg.saved())
        return;
    readIni();
    if (settings.guxian && !m_pole->isOpen())
        m_pole->com_init(settings.com + 1, 2400);
}

void TmainForm::openRefunds()
{
    TrefundForm dlg(m_store, cashierName, shop.addRate, this);
    dlg.exec();
}

void TmainForm::showHelp()
{
    ThelpForm help(settings, this);
    help.exec();
}

void TmainForm::startLauncher()
{
    QProcess::startDetached(executableDir() + QStringLiteral("launcher"), {});
}

void TmainForm::unknownCode(const QString &code)
{
    const QuickEntryPath::Result r = m_quickEntry->handle(code);
    if (!r.clearCode) {
        // Offline the code stays in the field; selected, so the next scan replaces it.
        barcodeinputEdit->selectAll();
        return;
    }
    barcodeinputEdit->clear();
    if (r.goods)
        addgoods(*r.goods);  // as if it had been scanned
}

// ---------------------------------------------------------------- keys

bool TmainForm::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (previewKey(watched, key))
            return true;
        if (watched == barcodeinputEdit)
            return barcodeinputEditKeyPress(key);
        if (watched == receivemoneyEdit)
            return receivemoneyEditKeyPress(key);
        if (watched == printBtn)
            return printBtnKey(key);
        if (watched == cardNoEdit && isEnter(key)) {
            cardNoEditEnter();
            return true;
        }
        if (watched == ListView && isEnter(key)) {
            receivemoneyEdit->setFocus();
            return true;
        }
        break;
    }
    case QEvent::KeyRelease:
        if (watched == printBtn)
            return printBtnKey(static_cast<QKeyEvent *>(event));
        break;
    case QEvent::FocusIn:
        if (watched == receivemoneyEdit && receivemoneyEdit->text() == QLatin1String("0"))
            receivemoneyEdit->clear();
        break;
    case QEvent::FocusOut:
        if (!leavesField(static_cast<QFocusEvent *>(event)))
            break;
        if (watched == barcodeinputEdit && !m_lines.isEmpty())
            saleStage = 2;
        if (watched == cardNoEdit)
            cardNoEditExit();
        if (watched == receivemoneyEdit && receivemoneyEdit->text() != QLatin1String("0"))
            receivemoneyEdit->setText(formatMoney(StrToFloatEx(receivemoneyEdit->text())));
        break;
    case QEvent::Resize:
        if (watched == m_memberBar)
            updateMemberPanels();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// The window's key table, tested line by line for every key before the control sees it.
// Returns true when the key was used up.
bool TmainForm::previewKey(QObject *watched, QKeyEvent *e)
{
    const int key = e->key();
    const int vk = Hotkeys::vkFromEvent(e);
    const bool codeEmpty = barcodeinputEdit->text().isEmpty();
    const int selected = selectedIndex();
    const int rows = int(m_lines.size());
    bool used = false;

    if (key == Qt::Key_Up && selected > 0) {
        selectLine(selected - 1);
        used = true;
    }
    if (key == Qt::Key_Down && selected + 1 != rows) {
        selectLine(selected + 1);
        used = true;
    }
    if ((vk == Hotkeys::codeFromText(settings.shuliangK) || key == Qt::Key_F7) && selected >= 0 && codeEmpty) {
        editQuantity();
        used = true;
    }
    // Enter goes on to the payment; the focused control still sees the key. A code
    // typed or scanned into the code field is looked up all the same, and keeps the
    // focus there so that the next scan cannot land in the tendered amount.
    // The card field moves there itself, once its card has been looked up.
    if (isEnter(e) && saleStage == 2 && watched != cardNoEdit
        && !(watched == barcodeinputEdit && !barcodeinputEdit->text().trimmed().isEmpty()))
        receivemoneyEdit->setFocus();
    if ((vk == Hotkeys::codeFromText(settings.jifenK) || key == Qt::Key_F8) && codeEmpty) {
        openCardInput();
        used = true;
    }
    if ((vk == Hotkeys::codeFromText(settings.dazheK) || key == Qt::Key_F6) && codeEmpty) {
        editDiscount(true);
        used = true;
    }
    if (vk == Hotkeys::Vk::Divide && selected >= 0 && codeEmpty) {
        editDiscount(false);
        used = true;
    }
    switch (key) {
    case Qt::Key_F1:
        showHelp();
        used = true;
        break;
    case Qt::Key_F2:
        showBirthdays();
        used = true;
        break;
    case Qt::Key_F3:
        showGoodsQuery();
        used = true;
        break;
    case Qt::Key_F4:
        if ((e->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier)
            showDailySummary();
        used = true;
        break;
    case Qt::Key_F5:
        chooseSalesperson();
        used = true;
        break;
    case Qt::Key_F12:
        openGuadanForm();
        used = true;
        break;
    case Qt::Key_F11:
        if (rows > 0)
            askGuadan();
        used = true;
        break;
    case Qt::Key_Insert:
        openDrawer();
        used = true;
        break;
    case Qt::Key_Delete:
        if (selected >= 0) {
            deleteSelectedLine();
            used = true;
        }
        break;
    case Qt::Key_Home:
        barcodeinputEdit->setFocus();
        used = true;
        break;
    default:
        break;
    }
    return used;
}

bool TmainForm::barcodeinputEditKeyPress(QKeyEvent *e)
{
    const QString text = e->text();
    // The operator characters serve as hotkeys, never as part of a code.
    if (text == QLatin1String("+") || text == QLatin1String("-") || text == QLatin1String("*")
        || text == QLatin1String("/"))
        return true;
    if (e->key() == Qt::Key_Space && barcodeinputEdit->text().trimmed().isEmpty())
        return true;
    if (isEnter(e)) {
        barcodeinputEditEnter();
        return true;
    }
    return false;
}

void TmainForm::barcodeinputEditEnter()
{
    changeMoney->setText(QStringLiteral("0"));
    const QString code = barcodeinputEdit->text().trimmed();
    if (code.isEmpty()) {
        if (!m_lines.isEmpty()) {
            saleStage = 2;
            receivemoneyEdit->setFocus();
        }
        return;
    }
    saleStage = 1;
    if (findGoods(code))
        addgoods();
    else
        unknownCode(code);
}

bool TmainForm::receivemoneyEditKeyPress(QKeyEvent *e)
{
    if (isEnter(e)) {
        receivemoneyEditEnter();
        return true;
    }
    const QString text = e->text();
    if (text.size() == 1 && text.at(0).isPrint()) {
        const QChar c = text.at(0);
        const bool accepted = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.');
        return !accepted;
    }
    return false;
}

// Enter on the button settles and prints; Space settles without printing.
bool TmainForm::printBtnKey(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Space) {
        if (e->type() == QEvent::KeyPress && !e->isAutoRepeat())
            settle(true);
        return true;
    }
    if (isEnter(e)) {
        if (e->type() == QEvent::KeyPress && !e->isAutoRepeat())
            settle(false);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- window events

int TmainForm::panelLeft(const QWidget *panel) const
{
    // Positions as laid out with every panel shown, so hiding one moves no other.
    int x = m_memberLayout->contentsMargins().left();
    for (int i = 0; i < m_memberLayout->count(); ++i) {
        const QWidget *w = m_memberLayout->itemAt(i)->widget();
        if (w == panel)
            return x;
        if (w)
            x += w->sizeHint().width() + m_memberLayout->spacing();
    }
    return x;
}

void TmainForm::updateMemberPanels()
{
    const int limit = memBtn->x() - 140;
    telpanel->setVisible(limit >= panelLeft(telpanel));
    birthPanel->setVisible(limit >= panelLeft(birthPanel));
}

void TmainForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_lines.isEmpty())
        barcodeinputEdit->setFocus();
}

void TmainForm::closeEvent(QCloseEvent *event)
{
    if (settings.guxian) {
        m_pole->clear();
        m_pole->com_rest();
    }
    m_sms->logout();
    TillIni::writePlacement(TillIni::path(), isMaximized(), QRect(pos(), size()));
    helpTimer->stop();
    TBgForm::closeCurrent();  // the till's background goes with it
    event->accept();
}
