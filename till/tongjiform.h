#pragma once
// The daily summary "日统计表" (F4, button "统计"): the day's orders, the goods sold and
// the three totals, for all cashiers or one; "打印" prints the short day report.

#include "daysummary.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class DataGrid;
class QTabWidget;
class QueryModel;
class Store;

class TtongjiForm : public QDialog {
    Q_OBJECT
public:
    // print hands a text file to the till's receipt printing (TillPrinter::PrintFile).
    using PrintFile = std::function<bool(const QString &path)>;
    TtongjiForm(Store &store, PrintFile print, QWidget *parent = nullptr);

    // The view-password gate in front of the summary. Without needpsw it lets through at
    // once; otherwise it asks for the password (masked) and compares it scrambled with
    // viewpsw. A wrong password shows "密码错误！"; cancelling shows nothing. True to open.
    static bool passwordGate(QWidget *parent, bool needpsw, const QString &viewpsw);
    // Placement over the till: its width, its height less 30, 30 pixels below its top.
    static void placeOver(QWidget *dialog, const QWidget *till);

    // Runs the four statements for the chosen day and cashier and shows the result.
    bool runQuery();
    // Writes "日统计.txt" for the chosen day and cashier (queried afresh so the figures
    // match the header) and prints it. False when nothing was printed.
    bool printReport();

    DaySummary::Filter filter() const;
    const DaySummary::Totals &totals() const { return m_totals; }
    QString reportPath() const;

    QDateEdit *ritongjidate = nullptr;
    QComboBox *sellerCbx = nullptr;
    QPushButton *queryBtn = nullptr;
    QTabWidget *pages = nullptr;
    DataGrid *ordersGrid = nullptr;  // page "流水单"
    DataGrid *goodsGrid = nullptr;   // page "销售商品"
    QLineEdit *moneyEdit = nullptr;
    QLineEdit *countEdit = nullptr;
    QLineEdit *goodscountEdit = nullptr;
    QPushButton *printBtn = nullptr;
    QueryModel *ordersModel = nullptr;
    QueryModel *goodsModel = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Store &m_store;
    PrintFile m_print;
    DaySummary::Totals m_totals;
};
