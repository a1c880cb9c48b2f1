#pragma once
// The till's sale screen. The cashier scans codes into barcodeinputEdit; the window
// keeps the sale lines, prices them through the pricing rules, takes the tendered
// amount and records the sale. Every key passes the window's key table first, as
// the cashier works with the keyboard (a scanner is a keyboard that ends with Return).
//
// The till's dialogs work on this window through its public part: saleLines() and
// GoodsCount() for the lines, attachMember() and setSalesperson() for the sale's
// member and salesperson, the controls below for the fields they read and write.

#include "goods.h"
#include "memberlogic.h"
#include "money.h"
#include "quickentry.h"
#include "saleline.h"
#include "smsclient.h"
#include "startup.h"
#include "tillsettings.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QTimer;
class QToolButton;
class PoleDisplay;
class QuickEntryPath;
class SaleListModel;
class Store;
class TillPrinter;
class TillSms;

// What the window reaches outside itself; tests put their own in.
struct TillServices {
    std::unique_ptr<SmsGateway> smsGateway;                      // the gateway client when empty
    std::function<QString(const QString &path)> systemPrint;     // CUPS when empty
    std::optional<QuickEntry::Lookup> barcodeLookup;             // the lookup service (net/) when empty
};

class TmainForm : public QMainWindow {
    Q_OBJECT
public:
    // cashier: the user whose password was checked; shop: shop_info and setting as
    // read at start-up. The constructor runs the window's start-up steps.
    TmainForm(Store &store, const QString &cashier, const ShopSettings &shop, TillServices services = {},
              QWidget *parent = nullptr);
    ~TmainForm() override;

    // ---- the sale ----
    // Looks a code up (barcode, then goods number); found goods become current for addgoods().
    bool findGoods(const QString &code);
    // Adds one piece of the current (or given) goods to the sale.
    void addgoods();
    void addgoods(const GoodsRecord &goods);
    // Recomputes every line and the totals; returns the quantity total for goodscountLbl.
    QString GoodsCount();
    // Spreads realmoneyEdit over the line amounts (after a whole-sale discount).
    void moneyopt();
    // The lines of the sale; after changing them call GoodsCount() (it refreshes the list).
    SaleLines &saleLines() { return m_lines; }
    const SaleLines &saleLines() const { return m_lines; }
    int selectedIndex() const;   // -1 when no line is selected
    void selectLine(int row);    // -1 clears the selection
    void deleteSelectedLine();
    // Empties the sale and the member fields (not the window's member state).
    void clearSale();
    // A member card for the sale (from the card field or the member dialog): member
    // prices, the member's rate on the lines that allow discounts, points at settlement.
    void attachMember(const MemberAttach &member);
    // sales_id > 0 names the salesperson of the sale; -1 none.
    void setSalesperson(int salesId, const QString &name);

    // ---- payment ----
    bool checkTender();
    void settle(bool noPrint);
    bool makeReceipt();   // output.txt of the sale on screen
    void openDrawer();
    void reprint();       // "打印上一单"

    // ---- settings ----
    void readIni();
    bool smsOnline() const;
    TillPrinter &printer() { return *m_printer; }
    PoleDisplay &pole() { return *m_pole; }
    Store &store() { return m_store; }

    // ---- actions of keys and buttons that open the till's dialogs ----
    void editQuantity();
    void editDiscount(bool wholeSale);
    void openCardInput();
    void openGuadanForm();
    void askGuadan();
    void showHelp();
    void showBirthdays();
    void showGoodsQuery();
    void showDailySummary();
    void chooseSalesperson();
    void openSettings();
    void openRefunds();
    void startLauncher();

    // ---- window state ----
    bool ismember = false;
    int jifen = 0;
    QString mtype;
    int sales_id = -1;
    Money nodismoney;
    Money noaddup;
    QString cashierName;
    QString orderNo = QStringLiteral("00000000000");
    int saleStage = 1;
    ShopSettings shop;
    TillSettings settings;
    QString programDir;
    QString memberCardId() const { return m_memberCardId; }
    qint64 salesCount() const { return m_salesCount; }

    // ---- controls ----
    QLineEdit *barcodeinputEdit = nullptr;
    QLabel *liushuiLbl = nullptr;
    QLabel *xinyuImg = nullptr;
    QTableView *ListView = nullptr;
    QLineEdit *cardNoEdit = nullptr;
    QLineEdit *mnameEdit = nullptr;
    QLineEdit *jifenEdit = nullptr;
    QLineEdit *mtypeEdit = nullptr;
    QLineEdit *disRateEdit = nullptr;
    QWidget *telpanel = nullptr;
    QLineEdit *telEdit = nullptr;
    QWidget *birthPanel = nullptr;
    QLineEdit *birthEdit = nullptr;
    QPushButton *memBtn = nullptr;
    QLabel *totalMoneyLbl = nullptr;
    QLabel *goodscountLbl = nullptr;
    QLineEdit *totalMoneyEdit = nullptr;
    QLineEdit *realmoneyEdit = nullptr;
    QPushButton *DiscountBtn = nullptr;
    QLineEdit *receivemoneyEdit = nullptr;
    QLabel *changeMoney = nullptr;
    QPushButton *printBtn = nullptr;
    QLabel *statusPanel1 = nullptr;
    QLabel *statusPanel2 = nullptr;
    QLabel *statusPanel3 = nullptr;
    QPushButton *helpBtn = nullptr;
    QPushButton *settingBtn = nullptr;
    QPushButton *bsSkinButton1 = nullptr;
    QPushButton *tongjiBtn = nullptr;
    QPushButton *refundBtn = nullptr;
    QPushButton *mgrBtn = nullptr;
    QPushButton *sButton1 = nullptr;
    QToolButton *dxBtn = nullptr;
    QMenu *listMenu = nullptr;
    QAction *editQtyAct = nullptr;
    QAction *editDiscountAct = nullptr;
    QAction *deleteAct = nullptr;
    QTimer *helpTimer = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildUi();
    void watchKeys();
    void startUp();
    void showBadge();
    void smsLogin();
    void applyPlacement();

    bool previewKey(QObject *watched, QKeyEvent *event);
    bool barcodeinputEditKeyPress(QKeyEvent *event);
    bool receivemoneyEditKeyPress(QKeyEvent *event);
    bool printBtnKey(QKeyEvent *event);
    void barcodeinputEditEnter();
    void receivemoneyEditEnter();
    void unknownCode(const QString &code);
    void guadan();
    void qudan(const SaleLines &lines);
    void cardNoEditEnter();
    void cardNoEditExit();
    bool directEntry();
    void forgetMemberAndSalesperson();
    void updateMemberPanels();
    int panelLeft(const QWidget *panel) const;
    void helpTimerTick();
    void sendNotice();

    Store &m_store;
    SaleLines m_lines;
    SaleListModel *m_model = nullptr;
    std::optional<GoodsRecord> m_goods;  // the goods the last lookup found
    QString m_memberCardId;
    qint64 m_salesCount = 0;
    std::unique_ptr<TillPrinter> m_printer;
    std::unique_ptr<PoleDisplay> m_pole;
    std::unique_ptr<TillSms> m_sms;
    std::unique_ptr<QuickEntryPath> m_quickEntry;
    QWidget *m_memberBar = nullptr;
    QHBoxLayout *m_memberLayout = nullptr;
    bool m_settling = false;
    bool m_cardTyped = false;  // the card field was typed into since its last direct entry
};
