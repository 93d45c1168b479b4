#pragma once
// The device frame's commands: add a device to the polling range after a type check, rename
// the selected device, remember the clicked row, and page the grid with the mouse wheel.
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

namespace kestrel {

class DeviceGrid;
class DeviceTable;
class Exchange;
class Operator;
class ProductSide;
class RecordDb;

class DeviceRegistry : public QObject {
    Q_OBJECT
public:
    // The polling cycle as the device check sees it: paused for the check, continued after it.
    class PollingControl {
    public:
        virtual ~PollingControl() = default;
        virtual bool pauseIfRunning() = 0; // pauses a running, unpaused poll; true if it did
        virtual void resume() = 0;         // continues the poll it paused
    };

    DeviceRegistry(Exchange &exchange, DeviceTable &devices, DeviceGrid &grid, ProductSide &products,
                   Operator &op, const RecordDb &db, PollingControl &polling, QObject *parent = nullptr);

    // "增加设备" with the text of Text4; "更改别名" with the text of Text3.
    void cmdAddDev_Click(const QString &Text4);
    void cmdAlias_Click(const QString &Text3);
    // A click on a grid row; returns the row's name for Text3 (nothing for the header row).
    std::optional<QString> gridClick(int row);
    int GridRow = 0;

    // Entry rules of Text4: a number outside 0..255 turns the box into "1"; keys other than
    // digits and Backspace are dropped.
    static QString Text4_Change(const QString &text);
    static void Text4_KeyPress(int &KeyAscii);

    // The type query of the address in CurAddr; passes when it leaves no failure.
    bool deviceCheck();

    // One notch of the wheel with no key or button held pages by one page: +1 (Page Down,
    // towards the user), -1 (Page Up); anything else pages nothing.
    static int wheelPage(int angleDeltaY, bool modifiersOrButtonsHeld);

private:
    void addInside(int a, int s);
    void addAbove(int a, int s, int e);
    void addBelow(int a, int s, int e);

    Exchange &m_exchange;
    DeviceTable &m_devices;
    DeviceGrid &m_grid;
    ProductSide &m_products;
    Operator &m_op;
    const RecordDb &m_db;
    PollingControl &m_polling;
};

} // namespace kestrel
