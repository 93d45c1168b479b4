#include "productside.h"
#include "common/tr8.h"

#include "panel.h"
#include "texts.h"

#include "common/clock.h"
#include "common/log.h"
#include "common/numeric.h"
#include "common/operator.h"
#include "devices/devicegrid.h"
#include "devices/devicetable.h"
#include "link/exchange.h"
#include "recording/readingbuffer.h"
#include "recording/timedbuffer.h"

#include <algorithm>

namespace kestrel {

namespace {
constexpr uint8_t FunctionRead = 3;
constexpr int CombinedMenuIndex = 7; // "温湿度+二氧化碳": two requests
constexpr uint8_t CombinedSecondSelector = 6;

// Sets a flag for the life of a scope; the single read runs inside event-loop waits.
struct FlagGuard {
    bool &flag;
    explicit FlagGuard(bool &f) : flag(f) { flag = true; }
    ~FlagGuard() { flag = false; }
};
} // namespace

ProductSide::ProductSide(Exchange &exchange, Panel &panel, DeviceTable &devices, ReadingBuffer &readings,
                         TimedBuffer &timed, DeviceGrid &grid, Operator &op, Clock &clock)
    : m_exchange(exchange), m_panel(panel), m_devices(devices), m_readings(readings), m_timed(timed),
      m_grid(grid), m_op(op), m_clock(clock)
{
    CustomWords.reserve(MaxRegistersPerRead + 1);
}

void ProductSide::startUp()
{
    QuantityName = quantityNames();
    disableValueBoxes();
    m_panel.setCheckedItem(0);
    SelStart = 2;
    SelIndex = 0;
    enableBoxes(productAtMenu(0)->boxes);
}

bool ProductSide::customRead() const { return m_panel.checkedItem() == Panel::ReadSelfItem; }

void ProductSide::disableValueBoxes()
{
    for (int i = 0; i < Panel::Boxes; ++i)
        m_panel.setValueEnabled(i, false);
    m_panel.setSelfEnabled(false);
}

void ProductSide::enableBoxes(const std::vector<int> &boxes)
{
    for (int b : boxes)
        m_panel.setValueEnabled(b, true);
}

void ProductSide::protype_Click(int Index)
{
    const ProductType *p = productAtMenu(Index);
    if (!p) {
        appendLog(QStringLiteral("product choice %1 ignored: no such menu item").arg(Index));
        return;
    }
    m_panel.setCheckedItem(Index);
    SelIndex = static_cast<uint8_t>(Index);
    disableValueBoxes();
    if (stopPollingTimer)
        stopPollingTimer();
    enableBoxes(p->boxes);
    SelStart = p->selector;
    if (p->selector2 != 0)
        SelStart2 = p->selector2;
}

void ProductSide::readSelf_Click()
{
    disableValueBoxes();
    m_panel.setCheckedItem(Panel::ReadSelfItem);
    m_panel.setSelfEnabled(true);
}

void ProductSide::readClick() { applyCodes(m_exchange.CurAddr); }

void ProductSide::applyCodes(int address)
{
    DeviceEntry &dev = m_devices.at(address);
    const ProductType *t = lookupType(dev.mixpro, dev.protype);
    if (!t)
        return; // not a product type: no name, nothing chosen
    dev.mixpro = normalisedMixpro(dev.mixpro, dev.protype);
    dev.typeName = t->name();
    if (t->menuIndex >= 0)
        protype_Click(t->menuIndex);
    else
        enableBoxes(t->boxes); // the menu choice and the selector stay as they were
}

uint8_t ProductSide::readProType()
{
    m_panel.clearValues();
    disableValueBoxes();
    const int address = m_exchange.CurAddr; // the wait below may run other handlers
    if (m_devices.at(address).protype == 0) {
        m_exchange.CustomStart = IdentityStart;
        m_exchange.CustomCount = IdentityCount;
        CustomWords.assign(IdentityCount + 1, 0);
        m_exchange.readRegisters(FunctionRead, CustomSelector, SelIndex);
        // A failure left over from an earlier exchange also stores nothing: callers reset the
        // count before they rely on it.
        if (m_exchange.failureCount == 0) {
            DeviceEntry &dev = m_devices.at(address);
            dev.mixpro = m_exchange.data[6];
            dev.protype = m_exchange.data[7];
        }
    }
    applyCodes(address);
    return m_devices.at(address).mixpro;
}

void ProductSide::refuse(const char *text)
{
    const QString t = tr8(text);
    appendLog(QStringLiteral("single read refused: ") + t);
    // The timed reading repeats the read every few seconds: one message per bad entry is enough.
    if (m_timed.timedReading && m_lastRefusal == t)
        return;
    m_lastRefusal = t;
    m_op.message(t);
}

void ProductSide::CMDRHTread_Click()
{
    if (m_reading) {
        appendLog(QStringLiteral("single read skipped: the previous one is still waiting"));
        return;
    }
    const bool custom = customRead();
    if (!strictWholeNumber(m_panel.TxtB1, 1, 255))
        return refuse(texts::products::BadAddress);
    int start = 0, count = 0;
    if (custom) {
        const auto s = strictWholeNumber(m_panel.txtSelf[0], 0, 255);
        if (!s)
            return refuse(texts::products::BadCustomStart);
        const auto c = strictWholeNumber(m_panel.txtSelf[1], 1, MaxRegistersPerRead);
        if (!c)
            return refuse(texts::products::BadCustomCount);
        start = *s > HighestCustomStart && *s != IdentityStart ? HighestCustomStart : *s;
        count = start == IdentityStart ? IdentityCount : *c; // the identity block is read whole
    }
    m_lastRefusal.clear();
    FlagGuard busy(m_reading);

    if (stopPolling)
        stopPolling();
    m_panel.clearValues();
    m_panel.setWindowWidth(Panel::NarrowWidth);
    if (custom) {
        m_exchange.CustomStart = static_cast<uint8_t>(start);
        m_exchange.CustomCount = static_cast<uint8_t>(count);
        CustomWords.assign(static_cast<size_t>(count) + 1, 0);
        SelStart = CustomSelector;
    } else if (SelIndex == CombinedMenuIndex) {
        SelStart = 2;
        SelStart2 = CombinedSecondSelector;
    } else {
        SelStart2 = 0; // a second request belongs to "温湿度+二氧化碳" only
    }

    for (;;) {
        // Product 7's second request goes to the address then in TxtB1.
        const auto address = strictWholeNumber(m_panel.TxtB1, 1, 255);
        if (!address) {
            SelStart2 = 0;
            return;
        }
        m_exchange.CurAddr = static_cast<uint8_t>(*address);
        if (!m_exchange.readRegisters(FunctionRead, SelStart, SelIndex)) {
            SelStart2 = 0; // a failed first request also ends product 7's read
            return;
        }
        const int w = signedWord(m_exchange.word(0));
        if (m_timed.timedReading) {
            RecordEntry &rec = m_timed.current();
            rec.reg = SelStart;
            rec.time = m_clock.now().time().toString(QString::fromLatin1(TimeTextFormat));
        }
        if (custom)
            break;
        decodeTyped(w);
        if (SelStart2 == 0)
            break;
        SelStart = SelStart2;
        SelStart2 = 0;
    }
    if (custom) {
        // Another handler may have run a free read of its own during the wait.
        m_exchange.CustomStart = static_cast<uint8_t>(start);
        m_exchange.CustomCount = static_cast<uint8_t>(count);
        showCustomRead();
    }
    if (m_timed.timedReading)
        advanceTimedEntry();
}

void ProductSide::showTyped(int quantityIndex, int value)
{
    const Quantity &q = quantity(quantityIndex);
    const int v = q.clamp(value);
    m_panel.setValueText(q.box, q.display(v));
    m_timed.current().values[static_cast<size_t>(q.box)] = QString::number(v);
}

void ProductSide::decodeTyped(int w)
{
    if (SelIndex == 0 || (SelIndex == CombinedMenuIndex && SelStart2 != 0)) {
        showTyped(Temperature, w);
        showTyped(Humidity, signedWord(m_exchange.word(2)));
    } else if (SelIndex == CombinedMenuIndex) {
        showTyped(CO2, w);
    } else if (const ProductType *p = productAtMenu(SelIndex)) {
        showTyped(p->components.front(), w);
    }
}

void ProductSide::advanceTimedEntry()
{
    if (saveDrawData)
        saveDrawData();
    if (drawPic)
        drawPic();
    if (m_timed.recCount < TimedEntries)
        ++m_timed.recCount;
    if (m_timed.recCount >= TimedEntries && wData)
        wData();
}

QString ProductSide::identityMessage(const uint8_t *d)
{
    const auto h = [](uint8_t b) { return QString::number(b, 16).toUpper(); };
    const auto h2 = [&h](uint8_t b) { return b <= 9 ? QStringLiteral("0") + h(b) : h(b); };
    const QString crlf = QStringLiteral("\r\n");
    return tr8(texts::products::BatchPrefix) + h2(d[0]) + h2(d[1]) + h2(d[2]) + crlf +
           tr8(texts::products::SerialPrefix) + h(d[3]) + h2(d[4]) + crlf +
           tr8(texts::products::DatePrefix) + h(d[5]);
}

void ProductSide::showCustomRead()
{
    if (m_exchange.CustomStart == IdentityStart) {
        m_op.message(identityMessage(m_exchange.data.data()));
        return;
    }
    const int count = std::min<int>(m_exchange.CustomCount, MaxRegistersPerRead);
    if (static_cast<int>(CustomWords.size()) < count + 1)
        CustomWords.resize(static_cast<size_t>(count) + 1, 0);
    for (int k = 0; k < count; ++k) {
        const int w = signedWord(m_exchange.word(2 * k));
        CustomWords[static_cast<size_t>(k)] = static_cast<int16_t>(w);
        const Quantity *q = quantityAtRegister(m_exchange.CustomStart + k);
        if (!q)
            continue;
        m_timed.current().values[static_cast<size_t>(q->box)] = QString::number(w);
        m_panel.setValueText(q->box, q->display(w));
    }
}

void ProductSide::showPolledValues()
{
    const int address = m_exchange.CurAddr;
    const DeviceEntry &dev = m_devices.at(address);
    m_panel.Text2 = dev.alias;
    m_panel.notify();
    m_panel.clearValues();
    // A single-quantity device is shown by its own code: one with a code outside the catalogue
    // shows and stores nothing.
    const ProductType *t = lookupType(dev.mixpro, dev.protype);
    if (!t || !t->block)
        return;
    const int row = address - m_devices.PollStart + 1; // row 0 is the header row
    const int slot = m_readings.CycleCount + 1;
    for (size_t k = 0; k < t->components.size(); ++k) {
        const Quantity &q = quantity(t->components[k]);
        const int raw = m_exchange.word(2 * (q.reg - t->block->start));
        m_readings.setValue(address, slot, static_cast<int>(k), static_cast<uint16_t>(raw));
        const QString text = q.display(polledValue(*t, static_cast<int>(k), raw));
        m_panel.setValueText(q.box, text);
        m_grid.setColumnWidth(q.gridColumn(), DeviceGrid::ValueWidth);
        if (row >= 1)
            m_grid.setCell(row, q.gridColumn(), text);
    }
}

QString ProductSide::TxtB1_Change(const QString &text)
{
    const qint64 v = numericValue(text);
    return (v < 1 || v > 255) ? QStringLiteral("1") : text;
}

QString ProductSide::Text4_Change(const QString &text)
{
    const qint64 v = numericValue(text);
    return (v < 0 || v > 255) ? QStringLiteral("1") : text;
}

bool ProductSide::acceptsEntryKey(int key) { return key == 8 || (key >= '0' && key <= '9'); }

void ProductSide::Text4_KeyPress(int &KeyAscii)
{
    if (!acceptsEntryKey(KeyAscii))
        KeyAscii = 0;
}

} // namespace kestrel
