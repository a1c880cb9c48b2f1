#pragma once
// The goods query "商品查询" (F3, button "查询"): finds goods by barcode, goods number or
// name and hands the chosen cell back to the till's code field as if it had been scanned.

#include "goodssearch.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class DataGrid;
class QueryModel;
class Store;

class TgoodsqueryForm : public QDialog {
    Q_OBJECT
public:
    explicit TgoodsqueryForm(Store &store, QWidget *parent = nullptr);

    // "查询" / Enter in the search field. Does nothing for a blank text.
    void search();
    // Double-click or Enter in the grid: takes the current cell's value and accepts.
    bool choose();
    // The value chosen (valid after an Accepted end).
    QString chosenValue() const { return m_chosen; }

    // Writes the value into the till's code field and posts an Enter key press to it, so
    // the till handles it once the dialog has gone.
    static void postToCodeField(QLineEdit *codeField, const QString &value);

    QLineEdit *queryEdit = nullptr;
    QCheckBox *mohuChk = nullptr;
    QPushButton *queryBtn = nullptr;
    QLabel *tipLbl = nullptr;
    DataGrid *goodsqeyGrid = nullptr;  // Ctrl+F finds in it, title clicks sort
    QueryModel *goodsQuery = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitColumns();
    Store &m_store;
    QString m_chosen;
};
