// The shared data grid, driven offscreen over a store: sorting, footer, check boxes,
// find, activation and printing.
#include "datagrid.h"
#include "testshop.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QVBoxLayout>
#include <QtTest>

class TestDataGrid : public QObject {
    Q_OBJECT
private slots:
    void sortsByHeaderClick();
    void footerFollowsReloadAndEdits();
    void flagCheckBoxWritesMinusOneAndZero_data();
    void flagCheckBoxWritesMinusOneAndZero();
    void readOnlyFlagDoesNotToggle();
    void findMovesCurrentRow();
    void enterAndDoubleClickActivate();
    void enterInDialogDoesNotPressDefaultButton();
    void columnSettingsSurviveReload();
    void printsToPdf();

private:
    static void fillShop(TestShop &shop)
    {
        shop.addGoods(QStringLiteral("6901"), QStringLiteral("可口可乐"), 3.5, 2);
        shop.addGoods(QStringLiteral("6902"), QStringLiteral("矿泉水"), 1.2, 0.6);
        shop.addGoods(QStringLiteral("6903"), QStringLiteral("百事可乐"), 3.0, 1.8);
        shop.addGoods(QStringLiteral("6904"), QStringLiteral("薯片"), 6.8, 4);
    }
    static QPoint sectionCenter(const QTableView *view, int section)
    {
        const QHeaderView *h = view->horizontalHeader();
        return QPoint(h->sectionViewportPosition(section) + h->sectionSize(section) / 2, h->height() / 2);
    }
    // Chinese arrives through the input method, as from a Pinyin IME.
    static void typeText(QWidget *w, const QString &text)
    {
        QInputMethodEvent e;
        e.setCommitString(text);
        QApplication::sendEvent(w, &e);
    }
    static QStringList columnTexts(const QAbstractItemModel &m, int column)
    {
        QStringList out;
        for (int r = 0; r < m.rowCount(); ++r)
            out << m.index(r, column).data().toString();
        return out;
    }
};

void TestDataGrid::sortsByHeaderClick()
{
    TestShop shop;
    fillShop(shop);
    QueryModel model(shop.store());
    QVERIFY(model.setQuery(QStringLiteral("select barcode, name, price from goods order by barcode")));
    model.setFormat(QStringLiteral("price"), QueryModel::Format::Yuan);
    DataGrid grid;
    grid.setModel(&model);
    grid.resize(500, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.setCurrentRow(1);  // 矿泉水
    QTableView *view = grid.view();
    const int price = model.column(QStringLiteral("price"));
    QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {}, sectionCenter(view, price));
    QCOMPARE(columnTexts(model, price),
             QStringList({QStringLiteral("￥1.20"), QStringLiteral("￥3.00"), QStringLiteral("￥3.50"), QStringLiteral("￥6.80")}));
    QCOMPARE(view->horizontalHeader()->sortIndicatorSection(), price);
    QCOMPARE(view->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    // The cursor stays on the same goods.
    QCOMPARE(model.index(grid.currentRow(), 1).data().toString(), QStringLiteral("矿泉水"));
    QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {}, sectionCenter(view, price));
    QCOMPARE(model.index(0, price).data().toString(), QStringLiteral("￥6.80"));
    QCOMPARE(view->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(model.index(grid.currentRow(), 1).data().toString(), QStringLiteral("矿泉水"));
    // Another column starts ascending again.
    QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {}, sectionCenter(view, 0));
    QCOMPARE(columnTexts(model, 0), QStringList({QStringLiteral("6901"), QStringLiteral("6902"), QStringLiteral("6903"), QStringLiteral("6904")}));
    // Switched off, a click changes nothing.
    grid.setSortable(false);
    QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {}, sectionCenter(view, price));
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("6901"));
}

void TestDataGrid::footerFollowsReloadAndEdits()
{
    TestShop shop;
    fillShop(shop);
    TableModel model(shop.store());
    QVERIFY(model.setTable(QStringLiteral("goods"), QStringLiteral("hide=0"), {}, QStringLiteral("barcode")));
    model.setFormat(QStringLiteral("price"), QueryModel::Format::Yuan);
    DataGrid grid;
    grid.setModel(&model);
    QVERIFY(!grid.isFooterVisible());
    grid.setFooterText(QStringLiteral("name"), QStringLiteral("合计"));
    grid.setFooterSum(QStringLiteral("price"), QueryModel::Format::Yuan);
    grid.setFooterSum(QStringLiteral("amount"), QueryModel::Format::Quantity);
    grid.setFooterCount(QStringLiteral("barcode"), QStringLiteral("%1 种"));
    QVERIFY(grid.isFooterVisible());
    grid.resize(900, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QCOMPARE(grid.footerText(QStringLiteral("name")), QStringLiteral("合计"));
    QCOMPARE(grid.footerText(QStringLiteral("price")), QStringLiteral("￥14.50"));
    QCOMPARE(grid.footerText(QStringLiteral("amount")), QStringLiteral("400"));
    QCOMPARE(grid.footerText(QStringLiteral("barcode")), QStringLiteral("4 种"));
    QCOMPARE(grid.footerText(QStringLiteral("costprice")), QString());

    // Another program adds goods; a reload brings the totals along.
    shop.addGoods(QStringLiteral("6905"), QStringLiteral("口香糖"), 0.1, 0.05, 2.5);
    shop.addGoods(QStringLiteral("6906"), QStringLiteral("火柴"), 0.2, 0.1, 0);
    QVERIFY(model.reload());
    QCOMPARE(grid.footerText(QStringLiteral("price")), QStringLiteral("￥14.80"));
    QCOMPARE(grid.footerText(QStringLiteral("amount")), QStringLiteral("402.5"));
    QCOMPARE(grid.footerText(QStringLiteral("barcode")), QStringLiteral("6 种"));

    // An edit typed into the grid.
    const int price = model.column(QStringLiteral("price"));
    grid.view()->setFocus();
    grid.view()->setCurrentIndex(model.index(0, price));
    QTest::keyClick(grid.view(), Qt::Key_F2);
    QWidget *editor = QApplication::focusWidget();
    QVERIFY(editor && editor != grid.view());
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("10"));
    QTest::keyClick(editor, Qt::Key_Return);  // the view commits on its next turn
    QTRY_COMPARE(shop.scalar(QStringLiteral("select price from goods where barcode='6901'")).toDouble(), 10.0);
    QCOMPARE(grid.footerText(QStringLiteral("price")), QStringLiteral("￥21.30"));
    // An edit through the model, and a removed row.
    QVERIFY(model.setData(model.index(1, price), 2.2));
    QCOMPARE(grid.footerText(QStringLiteral("price")), QStringLiteral("￥22.30"));
    QVERIFY(model.removeRecord(0));
    QCOMPARE(grid.footerText(QStringLiteral("price")), QStringLiteral("￥12.30"));
    QCOMPARE(grid.footerText(QStringLiteral("barcode")), QStringLiteral("5 种"));
    // The footer shows under the live columns and goes away with the model.
    grid.setFooterVisible(false);
    QVERIFY(!grid.isFooterVisible());
}

void TestDataGrid::flagCheckBoxWritesMinusOneAndZero_data()
{
    QTest::addColumn<bool>("byMouse");
    QTest::newRow("space") << false;
    QTest::newRow("click on the box") << true;
}

void TestDataGrid::flagCheckBoxWritesMinusOneAndZero()
{
    QFETCH(bool, byMouse);
    TestShop shop;
    fillShop(shop);
    TableModel model(shop.store());
    QVERIFY(model.setTable(QStringLiteral("goods"), {}, {}, QStringLiteral("barcode")));
    model.setFormat(QStringLiteral("ifdis"), QueryModel::Format::Flag);
    DataGrid grid;
    grid.setModel(&model);
    grid.resize(1200, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy activated(&grid, &DataGrid::rowActivated);
    const int flag = model.column(QStringLiteral("ifdis"));
    const QModelIndex cell = model.index(2, flag);
    QCOMPARE(cell.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    const auto toggle = [&] {
        if (byMouse) {
            grid.view()->scrollTo(cell);
            const QPoint centre = grid.view()->visualRect(cell).center();
            QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, {}, centre);
        } else {
            grid.view()->setCurrentIndex(cell);
            QTest::keyClick(grid.view(), Qt::Key_Space);
        }
    };
    const QString sql = QStringLiteral("select ifdis from goods where barcode='6903'");
    toggle();
    QCOMPARE(shop.scalar(sql).toInt(), 0);
    QCOMPARE(cell.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    toggle();
    QCOMPARE(shop.scalar(sql).toInt(), -1);
    QCOMPARE(cell.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    // Other rows untouched, and toggling is not choosing the row.
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from goods where ifdis=-1")).toInt(), 4);
    QCOMPARE(activated.count(), 0);
}

void TestDataGrid::readOnlyFlagDoesNotToggle()
{
    TestShop shop;
    fillShop(shop);
    QueryModel model(shop.store());
    QVERIFY(model.setQuery(QStringLiteral("select name, ifdis from goods order by barcode")));
    model.setFormat(QStringLiteral("ifdis"), QueryModel::Format::Flag);
    DataGrid grid;
    grid.setModel(&model);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    const QModelIndex cell = model.index(0, 1);
    QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, {}, grid.view()->visualRect(cell).center());
    grid.view()->setCurrentIndex(cell);
    QTest::keyClick(grid.view(), Qt::Key_Space);
    QCOMPARE(cell.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(shop.scalar(QStringLiteral("select count(*) from goods where ifdis=-1")).toInt(), 4);
}

void TestDataGrid::findMovesCurrentRow()
{
    TestShop shop;
    fillShop(shop);
    shop.exec(QStringLiteral("update goods set remark='可乐味' where barcode='6904'"));
    QueryModel model(shop.store());
    QVERIFY(model.setQuery(QStringLiteral("select barcode, name, remark from goods order by barcode")));
    DataGrid grid;
    grid.setModel(&model);
    grid.setColumnHidden(QStringLiteral("remark"));
    grid.resize(500, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowActive(&grid));
    grid.view()->setFocus();
    QCOMPARE(grid.currentRow(), 0);

    QTest::keyClick(grid.view(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(grid.isFindBarVisible());
    auto *edit = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(edit);
    // Typing finds from the current row on; the first row already matches.
    typeText(edit, QStringLiteral("可乐"));
    QCOMPARE(grid.currentRow(), 0);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(grid.currentRow(), 2);  // 百事可乐
    // The hidden remark column of 薯片 does not count: round to the first row again.
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(grid.currentRow(), 0);
    QVERIFY(grid.isFindBarVisible());
    // Barcodes are searched as well.
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("6904"));
    QCOMPARE(grid.currentRow(), 3);
    // No match: the row stays, the bar says so.
    edit->clear();
    typeText(edit, QStringLiteral("牛奶"));
    QCOMPARE(grid.currentRow(), 3);
    QVERIFY(!grid.findNext(QStringLiteral("牛奶")));
    const auto labels = grid.findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [](QLabel *l) { return l->text() == QStringLiteral("未找到"); }));
    QTest::keyClick(edit, Qt::Key_Escape);
    QVERIFY(!grid.isFindBarVisible());
    QCOMPARE(QApplication::focusWidget(), grid.view());
    // F3 repeats the last search from the grid itself.
    QVERIFY(grid.findNext(QStringLiteral("水")));
    QCOMPARE(grid.currentRow(), 1);
    QVERIFY(grid.findNext(QStringLiteral("可乐")));
    QCOMPARE(grid.currentRow(), 2);
    QTest::keyClick(grid.view(), Qt::Key_F3);
    QCOMPARE(grid.currentRow(), 0);
}

void TestDataGrid::enterAndDoubleClickActivate()
{
    TestShop shop;
    fillShop(shop);
    QueryModel model(shop.store());
    QVERIFY(model.setQuery(QStringLiteral("select barcode, name from goods order by barcode")));
    DataGrid grid;
    grid.setModel(&model);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy activated(&grid, &DataGrid::rowActivated);
    QSignalSpy moved(&grid, &DataGrid::currentRowChanged);
    QTest::keyClick(grid.view(), Qt::Key_Down);
    QTest::keyClick(grid.view(), Qt::Key_Down);
    QCOMPARE(moved.count(), 2);
    QCOMPARE(moved.last().at(0).toInt(), 2);
    QTest::keyClick(grid.view(), Qt::Key_Return);
    QTest::keyClick(grid.view(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(activated.count(), 2);
    QCOMPARE(activated.at(0).at(0).toInt(), 2);
    QCOMPARE(activated.at(1).at(0).toInt(), 2);
    QCOMPARE(grid.selectedRows(), QList<int>({2}));
    const QPoint p = grid.view()->visualRect(model.index(1, 1)).center();
    // The sequence a real double click delivers.
    QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(grid.view()->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseRelease(grid.view()->viewport(), Qt::LeftButton, {}, p);
    QCOMPARE(activated.count(), 3);
    QCOMPARE(activated.at(2).at(0).toInt(), 1);
    // An empty grid has nothing to choose.
    QVERIFY(model.setQuery(QStringLiteral("select barcode, name from goods where 0")));
    QCOMPARE(grid.currentRow(), -1);
    QTest::keyClick(grid.view(), Qt::Key_Return);
    QCOMPARE(activated.count(), 3);
}

void TestDataGrid::enterInDialogDoesNotPressDefaultButton()
{
    TestShop shop;
    fillShop(shop);
    QueryModel model(shop.store());
    QVERIFY(model.setQuery(QStringLiteral("select barcode, name from goods order by barcode")));
    QDialog dialog;
    auto *grid = new DataGrid(&dialog);
    grid->setModel(&model);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(grid);
    layout->addWidget(buttons);
    QSignalSpy activated(grid, &DataGrid::rowActivated);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    grid->setFocus();
    QTest::keyClick(grid->view(), Qt::Key_Return);
    QCOMPARE(activated.count(), 1);
    QCOMPARE(accepted.count(), 0);
    QVERIFY(dialog.isVisible());
    // The find bar's Enter and Esc stay in the bar as well.
    QTest::keyClick(grid->view(), Qt::Key_F, Qt::ControlModifier);
    QWidget *edit = QApplication::focusWidget();
    QVERIFY(qobject_cast<QLineEdit *>(edit));
    typeText(edit, QStringLiteral("可乐"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(accepted.count(), 0);
    QCOMPARE(rejected.count(), 0);
    QVERIFY(dialog.isVisible());
    QCOMPARE(grid->currentRow(), 2);
    // With the bar closed, Esc is the dialog's again.
    QTest::keyClick(grid->view(), Qt::Key_Escape);
    QCOMPARE(rejected.count(), 1);
}

void TestDataGrid::columnSettingsSurviveReload()
{
    TestShop shop;
    fillShop(shop);
    TableModel model(shop.store());
    QVERIFY(model.setTable(QStringLiteral("goods"), {}, {}, QStringLiteral("barcode")));
    DataGrid grid;
    grid.setColumnCaption(QStringLiteral("name"), QStringLiteral("商品名称"));
    grid.setColumnWidth(QStringLiteral("name"), 222);
    grid.setColumnHidden(QStringLiteral("costprice"));
    grid.setModel(&model);  // settings made before the model apply too
    const auto check = [&] {
        const int name = model.column(QStringLiteral("name"));
        QCOMPARE(model.headerData(name, Qt::Horizontal).toString(), QStringLiteral("商品名称"));
        QCOMPARE(grid.view()->columnWidth(name), 222);
        QVERIFY(grid.isColumnHidden(QStringLiteral("costprice")));
        QVERIFY(grid.isColumnHidden(QStringLiteral("rowid_")));
        QVERIFY(!grid.isColumnHidden(QStringLiteral("price")));
        QCOMPARE(grid.columnOf(QStringLiteral("NAME")), name);
    };
    check();
    QVERIFY(model.reload());
    check();
    grid.setCurrentRow(3);
    QVERIFY(model.setFilter(QStringLiteral("price > :p"), {{QStringLiteral("p"), 2}}));
    check();
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(grid.currentRow(), 2);  // the old row, kept within the new rows
    // A width the user drags is kept as well.
    grid.view()->horizontalHeader()->resizeSection(model.column(QStringLiteral("price")), 77);
    QVERIFY(model.reload());
    QCOMPARE(grid.view()->columnWidth(model.column(QStringLiteral("price"))), 77);
    grid.setColumnHidden(QStringLiteral("costprice"), false);
    QVERIFY(!grid.isColumnHidden(QStringLiteral("costprice")));
}

void TestDataGrid::printsToPdf()
{
    TestShop shop;
    for (int i = 0; i < 150; ++i)
        shop.addGoods(QStringLiteral("69%1").arg(i, 11, 10, QLatin1Char('0')), QStringLiteral("商品%1").arg(i), 1 + i * 0.5);
    QueryModel model(shop.store());
    QVERIFY(model.setQuery(QStringLiteral("select barcode, name, price, ifdis from goods order by barcode")));
    model.setFormat(QStringLiteral("price"), QueryModel::Format::Yuan);
    model.setFormat(QStringLiteral("ifdis"), QueryModel::Format::Flag);
    DataGrid grid;
    grid.setModel(&model);
    grid.setTitle(QStringLiteral("商品清单"));
    grid.setSubtitle(QStringLiteral("2024-01-01 至 2024-01-31"));
    grid.setFooterText(QStringLiteral("barcode"), QStringLiteral("合计"));
    grid.setFooterSum(QStringLiteral("price"), QueryModel::Format::Yuan);

    const auto pagesOf = [](const QString &file) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray pdf = f.readAll();
        if (!pdf.startsWith("%PDF"))
            return -1;
        return int(QString::fromLatin1(pdf).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
    };
    const QString file = shop.file(QStringLiteral("grid.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setPageSize(QPageSize(QPageSize::A4));
        QVERIFY(grid.print(&printer));
    }
    QVERIFY(QFileInfo(file).size() > 1000);
    const int pages = pagesOf(file);
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));  // 150 rows do not fit on two A4 pages

    // A short list fits on one page, footer included.
    QVERIFY(model.setQuery(QStringLiteral("select barcode, name, price, ifdis from goods order by barcode limit 5")));
    const QString small = shop.file(QStringLiteral("small.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(small);
        QVERIFY(grid.print(&printer));
    }
    QCOMPARE(pagesOf(small), 1);
}

QTEST_MAIN(TestDataGrid)
#include "test_datagrid.moc"
