#include "devicegrid.h"
#include "common/tr8.h"

#include "devicetable.h"
#include "texts.h"
#include "products/catalogue.h"
#include "products/texts.h"

#include <algorithm>

namespace kestrel {

DeviceGrid::DeviceGrid(QObject *parent) : QAbstractTableModel(parent)
{
    m_cells.resize(1);
    m_heights.assign(1, RowHeight);
    m_states.assign(1, RowState::Live);
    m_widths.fill(0);
    m_widths[AddressColumn] = AddressWidth;
    m_widths[NameColumn] = NameWidth;
    fillHeader();
}

void DeviceGrid::fillHeader()
{
    Row &h = m_cells.front();
    h[AddressColumn] = tr8(texts::devices::AddressHeader);
    h[NameColumn] = tr8(texts::devices::NameHeader);
    for (int k = 0; k < QuantityCount; ++k)
        h[static_cast<size_t>(FirstQuantityColumn + k)] = tr8(texts::products::QuantityNames[k]);
}

void DeviceGrid::build(int pollStart, int pollEnd, const DeviceTable &table)
{
    const bool usable = DeviceTable::valid(pollStart) && DeviceTable::valid(pollEnd) && pollStart <= pollEnd;
    const int count = usable ? pollEnd - pollStart + 2 : 1;
    beginResetModel();
    m_cells.assign(static_cast<size_t>(count), Row{});
    m_heights.assign(static_cast<size_t>(count), RowHeight);
    m_states.assign(static_cast<size_t>(count), RowState::Live);
    fillHeader();
    for (int c = FirstQuantityColumn; c < Columns; ++c)
        m_widths[static_cast<size_t>(c)] = 0;
    m_widths[AddressColumn] = AddressWidth;
    for (int r = 1; r < count; ++r) {
        const int address = pollStart + r - 1;
        Row &row = m_cells[static_cast<size_t>(r)];
        row[AddressColumn] = QString::number(address);
        row[NameColumn] = table.at(address).alias;
    }
    endResetModel();
    Q_EMIT geometryReset();
}

void DeviceGrid::setRowCount(int count)
{
    count = std::max(count, 1);
    const int old = rows();
    if (count == old)
        return;
    if (count > old) {
        beginInsertRows({}, old, count - 1);
        m_cells.resize(static_cast<size_t>(count));
        m_heights.resize(static_cast<size_t>(count), RowHeight);
        m_states.resize(static_cast<size_t>(count), RowState::Live);
        endInsertRows();
    } else {
        beginRemoveRows({}, count, old - 1);
        m_cells.resize(static_cast<size_t>(count));
        m_heights.resize(static_cast<size_t>(count));
        m_states.resize(static_cast<size_t>(count));
        endRemoveRows();
    }
    Q_EMIT geometryReset();
}

QString DeviceGrid::cell(int row, int column) const
{
    if (!validRow(row) || !validColumn(column))
        return {};
    return m_cells[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void DeviceGrid::setCell(int row, int column, const QString &text)
{
    if (!validRow(row) || !validColumn(column))
        return;
    QString &c = m_cells[static_cast<size_t>(row)][static_cast<size_t>(column)];
    if (c == text)
        return;
    c = text;
    const QModelIndex i = index(row, column);
    Q_EMIT dataChanged(i, i, {Qt::DisplayRole});
}

DeviceGrid::RowState DeviceGrid::rowState(int row) const
{
    return validRow(row) ? m_states[static_cast<size_t>(row)] : RowState::Live;
}

void DeviceGrid::setRowState(int row, RowState state)
{
    if (row < 1 || !validRow(row) || m_states[static_cast<size_t>(row)] == state)
        return;
    m_states[static_cast<size_t>(row)] = state;
    Q_EMIT dataChanged(index(row, 0), index(row, Columns - 1), {RowStateRole});
}

void DeviceGrid::setAllRowsOld()
{
    for (int r = 1; r < rows(); ++r)
        setRowState(r, RowState::Old);
}

int DeviceGrid::columnWidth(int column) const
{
    return validColumn(column) ? m_widths[static_cast<size_t>(column)] : 0;
}

void DeviceGrid::setColumnWidth(int column, int twips)
{
    if (!validColumn(column))
        return;
    twips = std::max(twips, 0);
    int &w = m_widths[static_cast<size_t>(column)];
    if (w == twips)
        return;
    w = twips;
    Q_EMIT columnWidthChanged(column, twips);
}

int DeviceGrid::rowHeight(int row) const
{
    return validRow(row) ? m_heights[static_cast<size_t>(row)] : 0;
}

void DeviceGrid::setRowHeight(int row, int twips)
{
    if (!validRow(row))
        return;
    twips = std::max(twips, 0);
    int &h = m_heights[static_cast<size_t>(row)];
    if (h == twips)
        return;
    h = twips;
    Q_EMIT rowHeightChanged(row, twips);
}

int DeviceGrid::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows();
}

int DeviceGrid::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant DeviceGrid::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == RowStateRole)
        return static_cast<int>(rowState(index.row()));
    if (role != Qt::DisplayRole)
        return {};
    return cell(index.row(), index.column());
}

Qt::ItemFlags DeviceGrid::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace kestrel
