#pragma once
// The device frame's commands: add a device to the polling range after a type check, rename
// the selected device, remember the clicked row, and page the grid with the mouse wheel.
#include <QObject>
#include <cstdint>
#include <functional>

namespace kestrel {

class DeviceGrid;
class DeviceTable;
class Exchange;
class Operator;
class Panel;
class RecordDb;

class DeviceRegistry : public QObject {
    Q_OBJECT
public:
    DeviceRegistry(Exchange &exchange, DeviceTable &devices, DeviceGrid &grid, Panel &panel, Operator &op,
                   const RecordDb &db, QObject *parent = nullptr);

    void cmdAddDev_Click();
    void cmdAlias_Click();
    void gridClick(int row);
    int GridRow = 0;

    // The type query of the address in CurAddr; passes when it leaves no failure.
    bool deviceCheck();

    // One notch of the wheel with no key or button held pages by one page: +1 (Page Down,
    // towards the user), -1 (Page Up); anything else pages nothing.
    static int wheelPage(int angleDeltaY, bool modifiersOrButtonsHeld);

    std::function<uint8_t()> readProType;     // the product side's type query
    std::function<bool()> pauseIfRunning;     // pauses a running, unpaused poll; true if it did
    std::function<void()> resume;             // continues it

private:
    void addInside(int a, int s);
    void addAbove(int a, int s, int e);
    void addBelow(int a, int s, int e);

    Exchange &m_exchange;
    DeviceTable &m_devices;
    DeviceGrid &m_grid;
    Panel &m_panel;
    Operator &m_op;
    const RecordDb &m_db;
};

} // namespace kestrel
