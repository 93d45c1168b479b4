#include "gridview.h"

#include "common/twips.h"
#include "devices/devicegrid.h"
#include "devices/registry.h"

#include <QApplication>
#include <QStyledItemDelegate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QWheelEvent>

namespace kestrel {

namespace {
// Old rows (the last read failed, or the port is gone) in grey: their values are not current.
class RowStateDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(DeviceGrid::RowStateRole).toInt() == static_cast<int>(DeviceGrid::RowState::Old)) {
            option->palette.setColor(QPalette::Text, GridView::OldRowColor);
            option->palette.setColor(QPalette::HighlightedText, GridView::OldRowColor);
        }
    }
};
} // namespace

GridView::GridView(DeviceGrid &grid, QWidget *parent) : QTableView(parent), m_grid(grid)
{
    setModel(&grid);
    setItemDelegate(new RowStateDelegate(this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setMinimumSectionSize(0);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Columns keep the widths the grid gives them; a text wider than its cell is cut at the
    // edge, so the narrow address column still shows "地址" rather than an ellipsis.
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    connect(&grid, &DeviceGrid::columnWidthChanged, this,
            [this](int c, int tw) { setColumnWidth(c, px(tw)); });
    connect(&grid, &DeviceGrid::rowHeightChanged, this, [this](int r, int tw) { setRowHeight(r, px(tw)); });
    connect(&grid, &DeviceGrid::geometryReset, this, &GridView::applyGeometry);
    connect(&grid, &QAbstractItemModel::rowsInserted, this, &GridView::applyGeometry);
    connect(this, &QTableView::clicked, this, [this](const QModelIndex &i) { Q_EMIT rowClicked(i.row()); });
    applyGeometry();
}

int GridView::px(int twips) const
{
    const double dpi = logicalDpiY() > 0 ? logicalDpiY() : 96.0;
    return twipsToPixels(twips, dpi);
}

void GridView::applyGeometry()
{
    for (int c = 0; c < DeviceGrid::Columns; ++c)
        setColumnWidth(c, px(m_grid.columnWidth(c)));
    for (int r = 0; r < m_grid.rows(); ++r)
        setRowHeight(r, px(m_grid.rowHeight(r)));
}

void GridView::wheelEvent(QWheelEvent *e)
{
    const bool held = e->modifiers() != Qt::NoModifier || e->buttons() != Qt::NoButton;
    const int page = hasFocus() ? DeviceRegistry::wheelPage(e->angleDelta().y(), held) : 0;
    if (page != 0) {
        QKeyEvent key(QEvent::KeyPress, page > 0 ? Qt::Key_PageDown : Qt::Key_PageUp, Qt::NoModifier);
        QApplication::sendEvent(this, &key);
    }
    e->accept(); // the grid scrolls only by pages
}

} // namespace kestrel
