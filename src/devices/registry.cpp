#include "registry.h"
#include "common/tr8.h"

#include "common/numeric.h"
#include "common/operator.h"
#include "devicegrid.h"
#include "devicetable.h"
#include "link/exchange.h"
#include "products/productside.h"
#include "recording/recorddb.h"
#include "texts.h"

namespace kestrel {

DeviceRegistry::DeviceRegistry(Exchange &exchange, DeviceTable &devices, DeviceGrid &grid,
                               ProductSide &products, Operator &op, const RecordDb &db,
                               PollingControl &polling, QObject *parent)
    : QObject(parent), m_exchange(exchange), m_devices(devices), m_grid(grid), m_products(products), m_op(op),
      m_db(db), m_polling(polling)
{
}

bool DeviceRegistry::deviceCheck()
{
    // A failure left by an earlier exchange says nothing about this device.
    m_exchange.failureCount = 0;
    if (learnType(m_products, m_devices.at(m_exchange.CurAddr)).answered)
        return true;
    m_op.message(tr8(texts::devices::AddFailed));
    return false;
}

void DeviceRegistry::cmdAddDev_Click(const QString &Text4)
{
    const qint64 a = numericValue(Text4);
    if (!DeviceTable::valid(static_cast<int>(a))) {
        m_op.message(tr8(texts::devices::BadAddress));
        return;
    }
    const bool paused = m_polling.pauseIfRunning();
    m_exchange.CurAddr = static_cast<uint8_t>(a);
    const int s = m_devices.PollStart, e = m_devices.PollEnd;
    const int addr = static_cast<int>(a);
    if (!DeviceTable::valid(s) || !DeviceTable::valid(e) || e < s) {
        // No polling range yet: the device becomes a range of its own.
        if (deviceCheck()) {
            m_devices.PollStart = m_devices.PollEnd = addr;
            m_devices.at(addr).absent = 0;
            m_grid.build(addr, addr, m_devices);
        }
    } else if (s < addr && addr < e) {
        if (deviceCheck())
            addInside(addr, s);
    } else if (addr > e) {
        if (deviceCheck())
            addAbove(addr, s, e);
    } else if (addr < s) {
        if (deviceCheck())
            addBelow(addr, s, e);
    }
    if (paused)
        m_polling.resume();
}

void DeviceRegistry::addInside(int a, int s)
{
    m_devices.at(a).absent = 0;
    m_grid.setRowHeight(a - s + 1, DeviceGrid::RowHeight);
}

void DeviceRegistry::addAbove(int a, int s, int e)
{
    m_grid.setRowCount(m_grid.rows() + (a - e));
    for (int j = e + 1; j <= a; ++j) {
        m_grid.setRowHeight(j - s + 1, 0);
        // A gap row knows its address, so that a device added there later can be renamed.
        m_grid.setCell(j - s + 1, DeviceGrid::AddressColumn, QString::number(j));
        m_devices.at(j).absent = 1;
    }
    m_devices.PollEnd = a;
    m_devices.at(a).absent = 0;
    m_grid.setRowHeight(a - s + 1, DeviceGrid::RowHeight);
    m_grid.setCell(a - s + 1, DeviceGrid::AddressColumn, QString::number(a));
}

void DeviceRegistry::addBelow(int a, int s, int e)
{
    const int d = s - a;
    m_grid.setRowCount(m_grid.rows() + d);
    // Descending, so that no row is overwritten before it is copied.
    for (int i = e; i >= s; --i) {
        const int o = i - s + 1, n = o + d;
        if (m_devices.at(i).absent == 1) {
            m_grid.setRowHeight(n, 0);
        } else {
            for (int c = DeviceGrid::NameColumn; c < DeviceGrid::Columns; ++c)
                m_grid.setCell(n, c, m_grid.cell(o, c));
            m_grid.setRowHeight(n, DeviceGrid::RowHeight);
        }
        m_grid.setCell(n, DeviceGrid::AddressColumn, QString::number(i));
    }
    for (int j = a; j <= s - 1; ++j) {
        m_devices.at(j).absent = 1;
        m_grid.setRowHeight(j - a + 1, 0);
        m_grid.setCell(j - a + 1, DeviceGrid::AddressColumn, QString::number(j));
    }
    m_devices.at(a).absent = 0;
    m_grid.setRowHeight(1, DeviceGrid::RowHeight);
    m_devices.PollStart = a;
}

void DeviceRegistry::cmdAlias_Click(const QString &Text3)
{
    const int r = GridRow;
    const int address =
        r >= 1 ? static_cast<int>(numericValue(m_grid.cell(r, DeviceGrid::AddressColumn))) : 0;
    if (!DeviceTable::valid(address)) {
        m_op.message(tr8(texts::devices::NoRowSelected));
        return;
    }
    m_grid.setCell(r, DeviceGrid::NameColumn, Text3);
    const QString trimmed = Text3.trimmed();
    const DbStatus st = m_db.setAlias(address, trimmed);
    if (!st.ok) {
        m_op.message(tr8(texts::devices::RenameFailed) + st.error);
        return;
    }
    m_devices.at(address).alias = trimmed;
}

std::optional<QString> DeviceRegistry::gridClick(int row)
{
    GridRow = row;
    if (GridRow == 0)
        return std::nullopt;
    return m_grid.cell(GridRow, DeviceGrid::NameColumn);
}

QString DeviceRegistry::Text4_Change(const QString &text)
{
    const qint64 v = numericValue(text);
    return (v < 0 || v > 255) ? QStringLiteral("1") : text;
}

void DeviceRegistry::Text4_KeyPress(int &KeyAscii)
{
    if (!ProductSide::acceptsEntryKey(KeyAscii))
        KeyAscii = 0;
}

int DeviceRegistry::wheelPage(int angleDeltaY, bool modifiersOrButtonsHeld)
{
    if (modifiersOrButtonsHeld)
        return 0;
    if (angleDeltaY == -120)
        return 1;
    if (angleDeltaY == 120)
        return -1;
    return 0;
}

} // namespace kestrel
