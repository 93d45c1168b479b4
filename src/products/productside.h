#pragma once
// The product side of the main window: the product choice (Product menu and a device's stored
// codes), the single read and the custom read, the product type query, and the display of
// polled values. Works on the shared state it is given; what it needs from the polling cycle
// and the timed reading it asks through its Outside.
#include "catalogue.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kestrel {

class Exchange;
class Panel;
struct TimedBuffer;
class Operator;
class Clock;

// What one single read gave: the values it read by value box (clamped, unscaled), the words of
// a custom read, and the selector of its last good request.
struct SingleReading {
    enum class Outcome { Skipped, Refused, Failed, Read };
    Outcome outcome = Outcome::Skipped;
    int address = 0;
    uint8_t reg = 0;
    std::array<std::optional<int>, QuantityCount> values{};
    std::vector<int16_t> words;
    bool ok() const { return outcome == Outcome::Read; }
};

// The type query's answer: the device's codes (those it was known by, or those it reported)
// and whether it had to be asked and answered.
struct TypeQuery {
    TypeCodes codes;
    bool asked = false;
    bool answered = true;
};

// One value of a polled reply: its grid column, the text shown and the raw word logged.
struct PolledValue {
    int gridColumn;
    QString text;
    uint16_t raw;
};

class ProductSide {
public:
    // What the product side needs from the rest of the window.
    class Outside {
    public:
        virtual ~Outside() = default;
        virtual void stopPolling() = 0;      // Timer3 off, cmdLoopR "轮询", cmdLoopP "暂停" disabled
        virtual void stopPollingTimer() = 0; // Timer3 off only
        virtual void timedEntryStored() = 0; // the timed reading's new curve point (saveDrawData, drawPic)
        virtual void writeTimedBuffer() = 0; // wData: the timed-reading buffer to today's file
    };

    static constexpr uint8_t CustomSelector = 255;
    static constexpr uint8_t IdentityStart = 240; // registers 240..243: batch, number, date, codes
    static constexpr int IdentityCount = 4;
    static constexpr int HighestCustomStart = 128;
    static constexpr int TimedEntries = 100; // the buffer is written out at this many entries

    ProductSide(Exchange &exchange, Panel &panel, TimedBuffer &timed, Operator &op, Clock &clock,
                Outside &outside);

    // State of the product choice.
    uint8_t SelIndex = 0;  // Product-menu index of the product chosen last
    uint8_t SelStart = 2;  // selector of the next single read; 255 during a custom read
    uint8_t SelStart2 = 0; // second selector still to be read; 0 when none
    std::array<QString, QuantityCount> QuantityName;
    std::vector<int16_t> CustomWords; // words of the last custom read, indexes 0..CustomCount

    // Start-up: temperature + humidity chosen, boxes 0 and 1 enabled.
    void startUp();

    // Product menu.
    void protype_Click(int Index);
    void readSelf_Click();
    void disableValueBoxes();
    // Applies a device's stored codes to the window: its product chosen, or its boxes enabled.
    // Returns its type, or nullptr for codes that are not a product type.
    const ProductType *readClick(TypeCodes codes);

    // The single read ("单个读取"), also each tick of the timed reading.
    SingleReading CMDRHTread_Click();
    // The type of the device at CurAddr: asked from it (identity block) unless `known` already
    // has a type code; the codes are applied to the window.
    TypeQuery readProType(TypeCodes known);
    // Shows the reply of a custom read of `count` registers from `start`: the identity block's
    // message, or the catalogue registers inside the block.
    void showCustomRead(int start, int count);
    // Shows a polled reply of a device of these codes, and its alias, in the value frame; returns
    // the values for its grid row and the reading buffer, in the order of its type name.
    std::vector<PolledValue> showPolledValues(TypeCodes codes, const QString &alias);

    bool customRead() const;                   // the custom-read item carries the check mark
    bool reading() const { return m_reading; } // a single read is waiting for its reply

    // Entry rules of the address box and the digit-only boxes.
    static QString TxtB1_Change(const QString &text); // outside 1..255 → "1"
    static bool acceptsEntryKey(int key);             // digits 0..9 and Backspace (8)
    // "批号:…" CR LF "编号:…" CR LF "日期:…" from the identity block's data bytes 0..5.
    static QString identityMessage(const uint8_t *data);

private:
    struct Request {
        uint8_t selector;
        uint8_t start = 0, count = 0;  // a custom read's block
        std::vector<int> quantities{}; // catalogue indexes in word order; empty for a custom read
    };
    struct Plan {
        int address;
        std::vector<Request> requests;
    };
    std::optional<Plan> singleReadPlan();
    void enableBoxes(const std::vector<int> &boxes);
    void showValue(SingleReading &r, int quantityIndex, int value);
    void refuse(const char *text);
    void advanceTimedEntry();

    Exchange &m_exchange;
    Panel &m_panel;
    TimedBuffer &m_timed;
    Operator &m_op;
    Clock &m_clock;
    Outside &m_outside;
    bool m_reading = false;
    QString m_lastRefusal;
};

} // namespace kestrel
