#pragma once
// The data grid of the suite: a table view over a model (usually QueryModel or
// TableModel) with title-click sorting, centred check boxes for -1/0 flag columns, an
// optional footer row of totals or texts, a find bar (Ctrl+F), whole-row selection,
// Enter/double click activation and a printout.
//
// Columns are addressed by name: a QueryModel's column name, for other models the
// header text. Column settings are kept by name and applied again whenever the model
// is reset, so a grid survives reloads and new queries. A TableModel's rowid column
// is hidden.

#include "models.h"

#include <QHash>
#include <QPointer>
#include <QWidget>
#include <functional>

class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QPrinter;
class QTableView;

class DataGrid : public QWidget {
    Q_OBJECT
public:
    using FooterFunction = std::function<QString(const QAbstractItemModel &model)>;

    explicit DataGrid(QWidget *parent = nullptr);
    ~DataGrid() override;

    // The grid does not own the model.
    void setModel(QAbstractItemModel *model);
    QAbstractItemModel *model() const { return m_model; }
    QTableView *view() const { return m_view; }

    // Column index of a name, -1 when absent.
    int columnOf(const QString &name) const;
    void setColumnCaption(const QString &column, const QString &caption);
    void setColumnWidth(const QString &column, int width);
    void setColumnHidden(const QString &column, bool hidden = true);
    bool isColumnHidden(const QString &column) const;

    // Title clicks sort through the model's sort() (on by default).
    void setSortable(bool on);

    // Footer row below the table, recomputed when the model changes. Each column may
    // show a fixed text, the sum of its values, the row count or a computed text.
    void setFooterVisible(bool visible);
    bool isFooterVisible() const;
    void setFooterText(const QString &column, const QString &text);
    void setFooterSum(const QString &column, QueryModel::Format format = QueryModel::Format::Money2);
    // pattern: "%1" is replaced by the number of rows.
    void setFooterCount(const QString &column, const QString &pattern = QStringLiteral("%1"));
    void setFooterFunction(const QString &column, FooterFunction fn);
    void clearFooter();
    // The footer text shown under a column (empty when none).
    QString footerText(int column) const;
    QString footerText(const QString &column) const;

    // Rows.
    int currentRow() const;  // -1 when none
    void setCurrentRow(int row);
    QList<int> selectedRows() const;

    // Find: moves to the next row (after the current one, wrapping round) whose
    // visible columns contain text, without regard to case. False when none does.
    bool findNext(const QString &text);
    void showFindBar();
    void hideFindBar();
    bool isFindBarVisible() const;

    // Printout: title (and subtitle) on top, the column captions on every page, the
    // footer after the last row, page numbers at the foot.
    void setTitle(const QString &title);
    QString title() const { return m_title; }
    void setSubtitle(const QString &subtitle);
    // False when nothing could be painted on the printer.
    bool print(QPrinter *printer);

public slots:
    void printPreview();

signals:
    // Enter on a row or a double click on it.
    void rowActivated(int row);
    void currentRowChanged(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class FooterKind { Text, Sum, Count, Function };
    struct FooterItem {
        FooterKind kind = FooterKind::Text;
        QString text;  // text, or the count pattern
        QueryModel::Format format = QueryModel::Format::Money2;
        FooterFunction fn;
    };
    struct ColumnSpec {
        QString caption;
        int width = -1;
        bool hidden = false;
        bool hiddenSet = false;
    };

    void applyColumns();
    void applyColumn(const QString &key);
    void modelAboutToReset();
    void modelWasReset();
    void footerChanged();
    void putFooterItem(const QString &column, FooterItem item);
    void recomputeFooter() const;
    void headerClicked(int section);
    bool activateCurrent();
    bool find(const QString &text, bool includeCurrent);
    QList<int> visibleColumns() const;  // logical indexes in visual order
    QString cellText(int row, int column) const;
    QString nameOf(int column) const;

    QTableView *m_view = nullptr;
    class GridFooter *m_footer = nullptr;
    QWidget *m_findBar = nullptr;
    QLineEdit *m_findEdit = nullptr;
    QLabel *m_findStatus = nullptr;
    QPointer<QAbstractItemModel> m_model;
    QList<QMetaObject::Connection> m_modelConnections;
    QHash<QString, ColumnSpec> m_columns;  // lower-case name -> settings
    QHash<QString, FooterItem> m_footerItems;
    bool m_footerVisible = false;
    mutable bool m_footerDirty = true;
    mutable QHash<int, QString> m_footerCache;  // column -> text
    mutable QHash<int, Qt::Alignment> m_footerAlign;
    bool m_sortable = true;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_resetting = false;
    int m_rowBeforeReset = -1;
    QString m_title;
    QString m_subtitle;

    friend class GridFooter;
};
