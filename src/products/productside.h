#pragma once
// The product side of the main window: the product choice (Product menu and a device's stored
// codes), the single read and the custom read, the product type query, and the display of
// polled values. Works on the shared state it is given; what belongs to other areas (the
// polling timer and buttons, the curves, the daily record file) it reaches through hooks.
#include "catalogue.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace kestrel {

class Exchange;
class Panel;
class DeviceTable;
class ReadingBuffer;
struct TimedBuffer;
class DeviceGrid;
class Operator;
class Clock;

class ProductSide {
public:
    // The time of day stored with a timed reading, e.g. 14:31:37.
    static constexpr const char *TimeTextFormat = "HH:mm:ss";
    static constexpr uint8_t CustomSelector = 255;
    static constexpr uint8_t IdentityStart = 240; // registers 240..243: batch, number, date, codes
    static constexpr int IdentityCount = 4;
    static constexpr int HighestCustomStart = 128;
    static constexpr int TimedEntries = 100; // the buffer is written out at this many entries

    ProductSide(Exchange &exchange, Panel &panel, DeviceTable &devices, ReadingBuffer &readings,
                TimedBuffer &timed, DeviceGrid &grid, Operator &op, Clock &clock);

    // State of the product choice.
    uint8_t SelIndex = 0;  // Product-menu index of the product chosen last
    uint8_t SelStart = 2;  // selector of the next single read; 255 during a custom read
    uint8_t SelStart2 = 0; // second selector still to be read; 0 when none
    std::array<QString, QuantityCount> QuantityName;
    std::vector<int16_t> CustomWords; // words of the last custom read, indexes 0..CustomCount

    // Hooks into other areas; all do nothing until set.
    std::function<void()> stopPolling;      // Timer3 off, cmdLoopR "轮询", cmdLoopP "暂停" disabled
    std::function<void()> stopPollingTimer; // Timer3 off only
    std::function<void()> saveDrawData;     // the timed reading's new curve point
    std::function<void()> drawPic;
    std::function<void()> wData;            // writes the timed-reading buffer to today's file

    // Start-up: temperature + humidity chosen, boxes 0 and 1 enabled.
    void startUp();

    // Product menu.
    void protype_Click(int Index);
    void readSelf_Click();
    void disableValueBoxes();
    // Applies the stored codes of the device at the current address.
    void readClick();

    // The single read ("单个读取"), also each tick of the timed reading.
    void CMDRHTread_Click();
    // Makes sure the type of the device at the current address is known, applies it and returns
    // its mixpro.
    uint8_t readProType();
    // Shows the reply of a custom read: the identity block's message, or the catalogue registers
    // inside the block.
    void showCustomRead();
    // Shows a polled device's reply in the value boxes and its grid row and keeps its raw values
    // in the reading buffer at cycle slot CycleCount + 1.
    void showPolledValues();

    bool customRead() const;              // the custom-read item carries the check mark
    bool reading() const { return m_reading; } // a single read is waiting for its reply

    // Entry rules of the address and register boxes.
    static QString TxtB1_Change(const QString &text); // outside 1..255 → "1"
    static QString Text4_Change(const QString &text); // outside 0..255 → "1"
    static bool acceptsEntryKey(int key);             // digits 0..9 and Backspace (8)
    static void Text4_KeyPress(int &KeyAscii);        // a refused key becomes 0
    // "批号:…" CR LF "编号:…" CR LF "日期:…" from the identity block's data bytes 0..5.
    static QString identityMessage(const uint8_t *data);

private:
    void applyCodes(int address);
    void enableBoxes(const std::vector<int> &boxes);
    void showTyped(int quantityIndex, int value);
    void decodeTyped(int firstWord);
    void refuse(const char *text);
    void advanceTimedEntry();

    Exchange &m_exchange;
    Panel &m_panel;
    DeviceTable &m_devices;
    ReadingBuffer &m_readings;
    TimedBuffer &m_timed;
    DeviceGrid &m_grid;
    Operator &m_op;
    Clock &m_clock;
    bool m_reading = false;
    QString m_lastRefusal;
};

} // namespace kestrel
