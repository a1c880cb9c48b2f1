#include "datagrid.h"

#include "money.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace {
// A flag column: a check state and no text (QueryModel::Format::Flag).
bool isFlagCell(const QModelIndex &index)
{
    return index.data(Qt::CheckStateRole).isValid() && index.data(Qt::DisplayRole).toString().isEmpty();
}

bool isEnterKey(const QKeyEvent *k)
{
    return (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
        && (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// Flag columns show a centred check box, as a shop's grids always did.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QRect checkRect(const QStyleOptionViewItem &option)
    {
        const QWidget *w = option.widget;
        const QStyle *s = w ? w->style() : QApplication::style();
        const QSize size(s->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w),
                         s->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, w));
        return QStyle::alignedRect(option.direction, Qt::AlignCenter, size, option.rect);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (!isFlagCell(index)) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const bool checked = opt.checkState == Qt::Checked;
        opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
        opt.text.clear();
        const QWidget *w = opt.widget;
        QStyle *s = w ? w->style() : QApplication::style();
        s->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);
        QStyleOptionViewItem check = opt;
        check.rect = checkRect(opt);
        check.state &= ~(QStyle::State_HasFocus | QStyle::State_NoChange | QStyle::State_On | QStyle::State_Off);
        check.state |= checked ? QStyle::State_On : QStyle::State_Off;
        s->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, w);
    }

    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override
    {
        if (!isFlagCell(index))
            return QStyledItemDelegate::editorEvent(event, model, option, index);
        const Qt::ItemFlags f = model->flags(index);
        if (!(f & Qt::ItemIsUserCheckable) || !(f & Qt::ItemIsEnabled))
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            const auto *me = static_cast<QMouseEvent *>(event);
            if (me->button() != Qt::LeftButton || !checkRect(option).contains(me->position().toPoint()))
                return false;
            if (event->type() != QEvent::MouseButtonRelease)
                return true;
            break;
        }
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key != Qt::Key_Space && key != Qt::Key_Select)
                return false;
            break;
        }
        default:
            return false;
        }
        const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }
};
}  // namespace

// The footer row, painted under the columns of the view so it follows their widths,
// order and the horizontal scroll.
class GridFooter : public QWidget {
public:
    explicit GridFooter(DataGrid *grid) : QWidget(grid), m_grid(grid)
    {
        QFont f = font();
        f.setBold(true);
        setFont(f);
        setFixedHeight(QFontMetrics(f).height() + 8);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().button());
        p.setPen(palette().mid().color());
        p.drawLine(0, 0, width(), 0);
        const QTableView *v = m_grid->m_view;
        const QHeaderView *h = v->horizontalHeader();
        const int left = v->frameWidth() + (v->verticalHeader()->isVisible() ? v->verticalHeader()->width() : 0);
        p.setClipRect(QRect(left, 0, v->viewport()->width(), height()));
        for (int c : m_grid->visibleColumns()) {
            const int x = left + h->sectionViewportPosition(c);
            const int w = h->sectionSize(c);
            p.setPen(palette().mid().color());
            p.drawLine(x + w - 1, 3, x + w - 1, height() - 3);
            const QString text = m_grid->footerText(c);
            if (text.isEmpty())
                continue;
            const QRect r(x + 4, 0, w - 8, height());
            p.setPen(palette().buttonText().color());
            p.drawText(r, int(m_grid->m_footerAlign.value(c, Qt::AlignLeft) | Qt::AlignVCenter),
                       fontMetrics().elidedText(text, Qt::ElideRight, r.width()));
        }
    }

private:
    DataGrid *m_grid;
};

DataGrid::DataGrid(QWidget *parent) : QWidget(parent)
{
    m_view = new QTableView(this);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setAlternatingRowColors(true);
    m_view->setWordWrap(false);
    // Tab leaves the grid for the next field; arrows move inside it.
    m_view->setTabKeyNavigation(false);
    // Double click activates the row; F2 or typing edits an editable cell.
    m_view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_view->setItemDelegate(new GridDelegate(m_view));
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    QHeaderView *h = m_view->horizontalHeader();
    h->setSectionsClickable(true);
    h->setSortIndicatorShown(true);
    h->setSortIndicator(-1, Qt::AscendingOrder);
    h->setHighlightSections(false);
    m_view->installEventFilter(this);
    setFocusProxy(m_view);

    m_footer = new GridFooter(this);
    m_footer->hide();

    m_findBar = new QWidget(this);
    auto *fl = new QHBoxLayout(m_findBar);
    fl->setContentsMargins(4, 2, 4, 2);
    fl->addWidget(new QLabel(QStringLiteral("查找："), m_findBar));
    m_findEdit = new QLineEdit(m_findBar);
    m_findEdit->setPlaceholderText(QStringLiteral("回车查找下一个，Esc 关闭"));
    m_findEdit->installEventFilter(this);
    fl->addWidget(m_findEdit, 1);
    auto *next = new QToolButton(m_findBar);
    next->setText(QStringLiteral("下一个"));
    next->setFocusPolicy(Qt::NoFocus);
    fl->addWidget(next);
    m_findStatus = new QLabel(m_findBar);
    fl->addWidget(m_findStatus);
    auto *close = new QToolButton(m_findBar);
    close->setText(QStringLiteral("关闭"));
    close->setFocusPolicy(Qt::NoFocus);
    fl->addWidget(close);
    m_findBar->hide();
    connect(next, &QToolButton::clicked, this, [this] { find(m_findEdit->text(), false); });
    connect(close, &QToolButton::clicked, this, &DataGrid::hideFindBar);
    connect(m_findEdit, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (text.isEmpty())
            m_findStatus->clear();
        else
            find(text, true);
    });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_footer);
    layout->addWidget(m_findBar);

    connect(h, &QHeaderView::sectionClicked, this, &DataGrid::headerClicked);
    const auto repaintFooter = [this] { m_footer->update(); };
    connect(h, &QHeaderView::sectionResized, this, [this](int logical, int, int newSize) {
        // Widths the user drags survive reloads.
        if (!m_resetting && newSize > 0 && m_model) {
            const QString name = nameOf(logical).toLower();
            if (!name.isEmpty())
                m_columns[name].width = newSize;
        }
        m_footer->update();
    });
    connect(h, &QHeaderView::sectionMoved, this, repaintFooter);
    connect(h, &QHeaderView::geometriesChanged, this, repaintFooter);
    connect(m_view->horizontalScrollBar(), &QScrollBar::valueChanged, this, repaintFooter);
    connect(m_view, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        // A double click on a check box is two clicks on it, not a choice of the row.
        if (index.isValid() && !(index.flags() & Qt::ItemIsUserCheckable))
            emit rowActivated(index.row());
    });
}

DataGrid::~DataGrid()
{
    // Tearing the widgets down resizes and hides them; their signals must no longer
    // reach a grid that is half destroyed.
    m_view->horizontalHeader()->disconnect(this);
    m_view->horizontalScrollBar()->disconnect(this);
    m_view->disconnect(this);
}

void DataGrid::setModel(QAbstractItemModel *model)
{
    for (const auto &c : std::as_const(m_modelConnections))
        disconnect(c);
    m_modelConnections.clear();
    m_model = model;
    m_resetting = true;
    m_view->setModel(model);
    m_resetting = false;
    m_sortColumn = -1;
    m_view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    if (model) {
        m_modelConnections << connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &DataGrid::modelAboutToReset)
                           << connect(model, &QAbstractItemModel::modelReset, this, &DataGrid::modelWasReset)
                           << connect(model, &QAbstractItemModel::dataChanged, this, &DataGrid::footerChanged)
                           << connect(model, &QAbstractItemModel::rowsInserted, this, &DataGrid::footerChanged)
                           << connect(model, &QAbstractItemModel::rowsRemoved, this, &DataGrid::footerChanged)
                           << connect(model, &QAbstractItemModel::layoutChanged, this, &DataGrid::footerChanged)
                           << connect(model, &QAbstractItemModel::columnsInserted, this, &DataGrid::modelWasReset)
                           << connect(model, &QAbstractItemModel::columnsRemoved, this, &DataGrid::modelWasReset);
        m_modelConnections << connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                                      [this](const QModelIndex &current) { emit currentRowChanged(current.row()); });
    }
    m_rowBeforeReset = 0;
    modelWasReset();
}

QString DataGrid::nameOf(int column) const
{
    if (!m_model)
        return {};
    if (const auto *qm = qobject_cast<const QueryModel *>(m_model.data()))
        return qm->columnName(column);
    return m_model->headerData(column, Qt::Horizontal).toString();
}

int DataGrid::columnOf(const QString &name) const
{
    if (!m_model || name.isEmpty())
        return -1;
    if (const auto *qm = qobject_cast<const QueryModel *>(m_model.data()))
        return qm->column(name);
    const QString caption = m_columns.value(name.toLower()).caption;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const QString h = m_model->headerData(c, Qt::Horizontal).toString();
        if (h.compare(name, Qt::CaseInsensitive) == 0 || (!caption.isEmpty() && h == caption))
            return c;
    }
    return -1;
}

void DataGrid::setColumnCaption(const QString &column, const QString &caption)
{
    m_columns[column.toLower()].caption = caption;
    applyColumn(column.toLower());
}

void DataGrid::setColumnWidth(const QString &column, int width)
{
    m_columns[column.toLower()].width = width;
    applyColumn(column.toLower());
}

void DataGrid::setColumnHidden(const QString &column, bool hidden)
{
    ColumnSpec &s = m_columns[column.toLower()];
    s.hidden = hidden;
    s.hiddenSet = true;
    applyColumn(column.toLower());
    footerChanged();
}

bool DataGrid::isColumnHidden(const QString &column) const
{
    const int c = columnOf(column);
    return c < 0 || m_view->isColumnHidden(c);
}

void DataGrid::applyColumn(const QString &key)
{
    const int c = columnOf(key);
    if (c < 0)
        return;
    const ColumnSpec s = m_columns.value(key);
    if (!s.caption.isEmpty()) {
        if (auto *qm = qobject_cast<QueryModel *>(m_model.data())) {
            if (qm->headerData(c, Qt::Horizontal).toString() != s.caption)
                qm->setHeader(qm->columnName(c), s.caption);
        } else if (m_model->headerData(c, Qt::Horizontal).toString() != s.caption) {
            m_model->setHeaderData(c, Qt::Horizontal, s.caption);
        }
    }
    if (s.width > 0 && m_view->columnWidth(c) != s.width)
        m_view->setColumnWidth(c, s.width);
    if (s.hiddenSet)
        m_view->setColumnHidden(c, s.hidden);
}

void DataGrid::applyColumns()
{
    if (!m_model)
        return;
    // The rowid a TableModel carries is for the program, not for the shop.
    if (qobject_cast<TableModel *>(m_model.data()) && !m_columns.value(QStringLiteral("rowid_")).hiddenSet) {
        ColumnSpec &s = m_columns[QStringLiteral("rowid_")];
        s.hidden = true;
        s.hiddenSet = true;
    }
    const QStringList keys = m_columns.keys();
    for (const QString &k : keys)
        applyColumn(k);
}

void DataGrid::modelAboutToReset()
{
    m_resetting = true;
    m_rowBeforeReset = currentRow();
}

void DataGrid::modelWasReset()
{
    m_resetting = true;
    applyColumns();
    m_resetting = false;
    footerChanged();
    // Keep the cursor where it was (or on the first row) so the keyboard goes on at once.
    const int rows = m_model ? m_model->rowCount() : 0;
    if (rows > 0)
        setCurrentRow(std::clamp(m_rowBeforeReset, 0, rows - 1));
}

void DataGrid::setSortable(bool on)
{
    m_sortable = on;
    m_view->horizontalHeader()->setSortIndicatorShown(on);
}

void DataGrid::headerClicked(int section)
{
    if (!m_sortable || !m_model)
        return;
    const Qt::SortOrder order = (section == m_sortColumn && m_sortOrder == Qt::AscendingOrder)
        ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortColumn = section;
    m_sortOrder = order;
    // The header flips its own indicator on a click; ours is the one that counts.
    m_view->horizontalHeader()->setSortIndicator(section, order);
    m_model->sort(section, order);
    if (m_view->currentIndex().isValid())
        m_view->scrollTo(m_view->currentIndex());
}

// ---- footer ----

void DataGrid::setFooterVisible(bool visible)
{
    m_footerVisible = visible;
    m_footer->setVisible(visible);
}

bool DataGrid::isFooterVisible() const
{
    return m_footerVisible;
}

void DataGrid::putFooterItem(const QString &column, FooterItem item)
{
    m_footerItems.insert(column.toLower(), std::move(item));
    setFooterVisible(true);
    footerChanged();
}

void DataGrid::setFooterText(const QString &column, const QString &text)
{
    FooterItem item;
    item.kind = FooterKind::Text;
    item.text = text;
    putFooterItem(column, std::move(item));
}

void DataGrid::setFooterSum(const QString &column, QueryModel::Format format)
{
    FooterItem item;
    item.kind = FooterKind::Sum;
    item.format = format;
    putFooterItem(column, std::move(item));
}

void DataGrid::setFooterCount(const QString &column, const QString &pattern)
{
    FooterItem item;
    item.kind = FooterKind::Count;
    item.text = pattern;
    putFooterItem(column, std::move(item));
}

void DataGrid::setFooterFunction(const QString &column, FooterFunction fn)
{
    FooterItem item;
    item.kind = FooterKind::Function;
    item.fn = std::move(fn);
    putFooterItem(column, std::move(item));
}

void DataGrid::clearFooter()
{
    m_footerItems.clear();
    footerChanged();
}

void DataGrid::footerChanged()
{
    m_footerDirty = true;
    m_footer->update();
}

void DataGrid::recomputeFooter() const
{
    if (!m_footerDirty)
        return;
    m_footerDirty = false;
    m_footerCache.clear();
    m_footerAlign.clear();
    if (!m_model)
        return;
    const int rows = m_model->rowCount();
    for (auto it = m_footerItems.constBegin(); it != m_footerItems.constEnd(); ++it) {
        const int c = columnOf(it.key());
        if (c < 0)
            continue;
        const FooterItem &item = it.value();
        QString text;
        Qt::Alignment align = Qt::AlignRight;
        switch (item.kind) {
        case FooterKind::Text:
            text = item.text;
            align = Qt::AlignLeft;
            break;
        case FooterKind::Sum: {
            // Summed in the money type so thousands of "0.10" add up exactly.
            Money sum;
            for (int r = 0; r < rows; ++r)
                sum += Money::fromDouble(m_model->index(r, c).data(Qt::EditRole).toDouble());
            text = QueryModel::formatValue(sum.toDouble(), item.format);
            break;
        }
        case FooterKind::Count:
            text = QString(item.text).replace(QStringLiteral("%1"), QString::number(rows));
            break;
        case FooterKind::Function:
            text = item.fn ? item.fn(*m_model) : QString();
            break;
        }
        m_footerCache.insert(c, text);
        m_footerAlign.insert(c, align);
    }
}

QString DataGrid::footerText(int column) const
{
    recomputeFooter();
    return m_footerCache.value(column);
}

QString DataGrid::footerText(const QString &column) const
{
    return footerText(columnOf(column));
}

// ---- rows ----

int DataGrid::currentRow() const
{
    const QModelIndex i = m_view->currentIndex();
    return i.isValid() ? i.row() : -1;
}

QList<int> DataGrid::visibleColumns() const
{
    QList<int> out;
    if (!m_model)
        return out;
    const QHeaderView *h = m_view->horizontalHeader();
    for (int v = 0; v < h->count(); ++v) {
        const int logical = h->logicalIndex(v);
        if (logical >= 0 && !h->isSectionHidden(logical))
            out << logical;
    }
    return out;
}

void DataGrid::setCurrentRow(int row)
{
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return;
    int column = m_view->currentIndex().isValid() ? m_view->currentIndex().column() : -1;
    if (column < 0 || m_view->isColumnHidden(column))
        column = visibleColumns().value(0, 0);
    const QModelIndex index = m_model->index(row, column);
    m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_view->scrollTo(index);
}

QList<int> DataGrid::selectedRows() const
{
    QList<int> rows;
    if (!m_view->selectionModel())
        return rows;
    const auto selected = m_view->selectionModel()->selectedRows();
    for (const QModelIndex &i : selected)
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool DataGrid::activateCurrent()
{
    const int row = currentRow();
    if (row < 0)
        return false;
    emit rowActivated(row);
    return true;
}

// ---- find ----

QString DataGrid::cellText(int row, int column) const
{
    const QModelIndex i = m_model->index(row, column);
    if (isFlagCell(i))
        return {};
    return i.data(Qt::DisplayRole).toString();
}

bool DataGrid::find(const QString &text, bool includeCurrent)
{
    if (!m_model || text.isEmpty())
        return false;
    const int rows = m_model->rowCount();
    int start = currentRow();
    if (start < 0) {
        start = 0;
        includeCurrent = true;
    }
    const QList<int> columns = visibleColumns();
    for (int k = 0; k < rows; ++k) {
        const int r = (start + (includeCurrent ? 0 : 1) + k) % rows;
        for (int c : columns) {
            if (cellText(r, c).contains(text, Qt::CaseInsensitive)) {
                const QModelIndex index = m_model->index(r, c);
                m_view->selectionModel()->setCurrentIndex(
                    index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                m_view->scrollTo(index);
                m_findStatus->clear();
                return true;
            }
        }
    }
    m_findStatus->setText(QStringLiteral("未找到"));
    return false;
}

bool DataGrid::findNext(const QString &text)
{
    m_findEdit->setText(text);
    return find(text, false);
}

void DataGrid::showFindBar()
{
    m_findBar->show();
    m_findEdit->setFocus(Qt::ShortcutFocusReason);
    m_findEdit->selectAll();
}

void DataGrid::hideFindBar()
{
    const bool hadFocus = m_findBar->isAncestorOf(QApplication::focusWidget());
    m_findBar->hide();
    m_findStatus->clear();
    if (hadFocus)
        m_view->setFocus(Qt::OtherFocusReason);
}

bool DataGrid::isFindBarVisible() const
{
    return m_findBar->isVisibleTo(const_cast<DataGrid *>(this));
}

bool DataGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return QWidget::eventFilter(watched, event);
    auto *k = static_cast<QKeyEvent *>(event);
    const bool override = event->type() == QEvent::ShortcutOverride;
    if (watched == m_view) {
        // Keys an open cell editor let through are not the grid's.
        const bool editing = QApplication::focusWidget() && QApplication::focusWidget() != m_view;
        const bool ours = k->matches(QKeySequence::Find) || (k->matches(QKeySequence::FindNext) && !m_findEdit->text().isEmpty())
                       || (isEnterKey(k) && !editing) || (k->key() == Qt::Key_Escape && isFindBarVisible());
        if (!ours)
            return false;
        // The grid keeps these keys even inside a dialog with a default button or
        // a window with the same shortcut.
        event->accept();
        if (override)
            return true;
        if (k->matches(QKeySequence::Find))
            showFindBar();
        else if (k->matches(QKeySequence::FindNext))
            find(m_findEdit->text(), false);
        else if (k->key() == Qt::Key_Escape)
            hideFindBar();
        else
            activateCurrent();
        return true;
    }
    if (watched == m_findEdit) {
        const bool ours = isEnterKey(k) || k->key() == Qt::Key_Escape || k->matches(QKeySequence::Find)
                       || k->matches(QKeySequence::FindNext);
        if (!ours)
            return false;
        event->accept();
        if (override)
            return true;
        if (k->key() == Qt::Key_Escape)
            hideFindBar();
        else if (k->matches(QKeySequence::Find))
            m_findEdit->selectAll();
        else
            find(m_findEdit->text(), false);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- printing ----

void DataGrid::setTitle(const QString &title)
{
    m_title = title;
}

void DataGrid::setSubtitle(const QString &subtitle)
{
    m_subtitle = subtitle;
}

bool DataGrid::print(QPrinter *printer)
{
    if (!m_model || !printer)
        return false;
    const QList<int> columns = visibleColumns();
    if (columns.isEmpty())
        return false;
    QPainter p;
    if (!p.begin(printer))
        return false;
    const QRect page(QPoint(0, 0), printer->pageLayout().paintRectPixels(printer->resolution()).size());

    QFont base = font();
    base.setPointSizeF(9.5);
    QFont bold = base;
    bold.setBold(true);
    QFont titleFont = base;
    titleFont.setPointSizeF(15);
    titleFont.setBold(true);
    p.setFont(base);
    const QFontMetrics fm = p.fontMetrics();
    const int rowH = int(std::ceil(fm.height() * 1.6));
    const int pad = fm.averageCharWidth() / 2 + 1;

    // Column widths in the proportions of the screen, spread over the page width.
    const QHeaderView *h = m_view->horizontalHeader();
    QList<int> widths;
    int screenTotal = 0;
    for (int c : columns)
        screenTotal += std::max(h->sectionSize(c), 20);
    int used = 0;
    for (int i = 0; i < columns.size(); ++i) {
        const int w = i == columns.size() - 1
            ? page.width() - used
            : int(double(std::max(h->sectionSize(columns.at(i)), 20)) * page.width() / screenTotal);
        widths << w;
        used += w;
    }

    int titleH = 0;
    if (!m_title.isEmpty())
        titleH += QFontMetrics(titleFont, printer).height() * 2;
    if (!m_subtitle.isEmpty())
        titleH += rowH;
    const int footH = rowH;  // page number line
    const int perPage = std::max(1, (page.height() - titleH - rowH - footH) / rowH);
    bool hasFooter = false;
    if (m_footerVisible)
        for (int c : columns)
            hasFooter = hasFooter || !footerText(c).isEmpty();
    const int rows = m_model->rowCount();
    const int lines = rows + (hasFooter ? 1 : 0);
    const int pages = std::max(1, (lines + perPage - 1) / perPage);

    QPen grid(QColor(120, 120, 120));
    grid.setCosmetic(true);
    const auto drawRow = [&](int y, const std::function<QString(int)> &text,
                             const std::function<Qt::Alignment(int)> &align, bool shaded) {
        int x = 0;
        for (int i = 0; i < columns.size(); ++i) {
            const QRect cell(x, y, widths.at(i), rowH);
            if (shaded)
                p.fillRect(cell, QColor(230, 230, 230));
            p.setPen(grid);
            p.drawRect(cell);
            p.setPen(Qt::black);
            const QRect inner = cell.adjusted(pad, 0, -pad, 0);
            p.drawText(inner, int(align(columns.at(i)) | Qt::AlignVCenter),
                       p.fontMetrics().elidedText(text(columns.at(i)), Qt::ElideRight, inner.width()));
            x += widths.at(i);
        }
    };
    const auto cellAlign = [&](int row, int c) -> Qt::Alignment {
        const QModelIndex i = m_model->index(row, c);
        if (isFlagCell(i))
            return Qt::AlignHCenter;
        const QVariant a = i.data(Qt::TextAlignmentRole);
        return a.isValid() ? (Qt::Alignment(a.toInt()) & Qt::AlignHorizontal_Mask) : Qt::AlignLeft;
    };

    int row = 0;
    for (int pg = 0; pg < pages; ++pg) {
        if (pg > 0 && !printer->newPage())
            break;
        int y = 0;
        if (!m_title.isEmpty()) {
            p.setFont(titleFont);
            const int th = p.fontMetrics().height() * 2;
            p.drawText(QRect(0, 0, page.width(), th), Qt::AlignCenter, m_title);
            y += th;
        }
        p.setFont(base);
        if (!m_subtitle.isEmpty()) {
            p.drawText(QRect(0, y, page.width(), rowH), Qt::AlignLeft | Qt::AlignVCenter, m_subtitle);
            y += rowH;
        }
        p.setFont(bold);
        drawRow(y, [&](int c) { return m_model->headerData(c, Qt::Horizontal).toString(); },
                [](int) { return Qt::AlignHCenter; }, true);
        y += rowH;
        p.setFont(base);
        int onPage = 0;
        for (; row < rows && onPage < perPage; ++row, ++onPage, y += rowH) {
            const int r = row;
            drawRow(y, [&](int c) {
                        const QModelIndex i = m_model->index(r, c);
                        if (isFlagCell(i))
                            return i.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStringLiteral("√") : QString();
                        return i.data(Qt::DisplayRole).toString();
                    },
                    [&](int c) { return cellAlign(r, c); }, false);
        }
        if (hasFooter && row >= rows && onPage < perPage) {
            p.setFont(bold);
            drawRow(y, [&](int c) { return footerText(c); },
                    [&](int c) { return m_footerAlign.value(c, Qt::AlignLeft); }, true);
            p.setFont(base);
        }
        p.drawText(QRect(0, page.height() - footH, page.width(), footH), Qt::AlignCenter,
                   QStringLiteral("第 %1 页 / 共 %2 页").arg(pg + 1).arg(pages));
    }
    return p.end();
}

void DataGrid::printPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    int width = 0;
    for (int c : visibleColumns())
        width += m_view->columnWidth(c);
    if (width > 900)
        printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog dialog(&printer, this);
    dialog.setWindowTitle(m_title.isEmpty() ? QStringLiteral("打印预览") : m_title);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *pr) { print(pr); });
    dialog.exec();
}
