#include "productside.h"
#include "common/tr8.h"

#include "panel.h"
#include "texts.h"

#include "common/clock.h"
#include "common/log.h"
#include "common/numeric.h"
#include "common/operator.h"
#include "link/exchange.h"
#include "recording/recordfile.h"
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

ProductSide::ProductSide(Exchange &exchange, Panel &panel, TimedBuffer &timed, Operator &op, Clock &clock,
                         Outside &outside)
    : m_exchange(exchange), m_panel(panel), m_timed(timed), m_op(op), m_clock(clock), m_outside(outside)
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

bool ProductSide::customRead() const
{
    return m_panel.checkedItem() == Panel::ReadSelfItem;
}

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
    m_outside.stopPollingTimer();
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

const ProductType *ProductSide::readClick(TypeCodes codes)
{
    const ProductType *t = lookupType(codes.mixpro, codes.protype);
    if (!t)
        return nullptr; // not a product type: nothing chosen
    if (t->menuIndex >= 0)
        protype_Click(t->menuIndex);
    else
        enableBoxes(t->boxes); // the menu choice and the selector stay as they were
    return t;
}

TypeQuery ProductSide::readProType(TypeCodes known)
{
    m_panel.clearValues();
    disableValueBoxes();
    TypeQuery q{known, false, true};
    if (known.protype == 0) {
        m_exchange.CustomStart = IdentityStart;
        m_exchange.CustomCount = IdentityCount;
        CustomWords.assign(IdentityCount + 1, 0);
        m_exchange.readRegisters(FunctionRead, CustomSelector, SelIndex);
        q.asked = true;
        // A failure left over from an earlier exchange also counts: callers reset the count
        // before they rely on it.
        q.answered = m_exchange.failureCount == 0;
        if (q.answered)
            q.codes = {m_exchange.data[6], m_exchange.data[7]};
    }
    readClick(q.codes);
    return q;
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

// Checks the boxes and lists the requests of a single read; refuses (and returns nothing) when
// a box is not a number in its range.
std::optional<ProductSide::Plan> ProductSide::singleReadPlan()
{
    const auto address = strictWholeNumber(m_panel.TxtB1, 1, 255);
    if (!address) {
        refuse(texts::products::BadAddress);
        return std::nullopt;
    }
    Plan plan{static_cast<int>(*address), {}};
    if (customRead()) {
        const auto s = strictWholeNumber(m_panel.txtSelf[0], 0, 255);
        if (!s) {
            refuse(texts::products::BadCustomStart);
            return std::nullopt;
        }
        const int start = *s > HighestCustomStart && *s != IdentityStart ? HighestCustomStart : int(*s);
        // The identity block is read whole, whatever the length box says.
        int count = IdentityCount;
        if (start != IdentityStart) {
            const auto c = strictWholeNumber(m_panel.txtSelf[1], 1, MaxRegistersPerRead);
            if (!c) {
                refuse(texts::products::BadCustomCount);
                return std::nullopt;
            }
            count = static_cast<int>(*c);
        }
        plan.requests.push_back({CustomSelector, uint8_t(start), uint8_t(count)});
    } else if (SelIndex == CombinedMenuIndex) {
        // "温湿度+二氧化碳": temperature and humidity, then CO2.
        plan.requests.push_back({2, 0, 0, {Temperature, Humidity}});
        plan.requests.push_back({CombinedSecondSelector, 0, 0, {CO2}});
    } else if (SelIndex == 0) {
        plan.requests.push_back({SelStart, 0, 0, {Temperature, Humidity}});
    } else if (const ProductType *p = productAtMenu(SelIndex)) {
        plan.requests.push_back({SelStart, 0, 0, {p->components.front()}});
    }
    return plan;
}

SingleReading ProductSide::CMDRHTread_Click()
{
    SingleReading r;
    if (m_reading) {
        appendLog(QStringLiteral("single read skipped: the previous one is still waiting"));
        return r;
    }
    r.outcome = SingleReading::Outcome::Refused;
    const auto plan = singleReadPlan();
    if (!plan)
        return r;
    m_lastRefusal.clear();
    FlagGuard busy(m_reading);
    r.address = plan->address;

    m_outside.stopPolling();
    m_panel.clearValues();
    m_panel.setWindowWidth(Panel::NarrowWidth);
    const bool custom = plan->requests.front().selector == CustomSelector;
    if (custom)
        CustomWords.assign(size_t(plan->requests.front().count) + 1, 0);
    SelStart = plan->requests.front().selector;
    SelStart2 = 0;

    // Each reply is decoded as it comes: the next request reuses the reply buffer.
    r.outcome = SingleReading::Outcome::Read;
    for (const Request &q : plan->requests) {
        m_exchange.CurAddr = static_cast<uint8_t>(plan->address);
        m_exchange.CustomStart = q.start;
        m_exchange.CustomCount = q.count;
        if (!m_exchange.readRegisters(FunctionRead, q.selector, SelIndex)) {
            r.outcome = SingleReading::Outcome::Failed;
            break;
        }
        SelStart = q.selector;
        r.reg = q.selector;
        if (m_timed.timedReading) {
            RecordEntry &rec = m_timed.current();
            rec.reg = q.selector;
            rec.time = RecordFile::timeText(m_clock.now().time());
        }
        if (custom) {
            showCustomRead(q.start, q.count);
            r.words.assign(CustomWords.begin(), CustomWords.begin() + q.count);
        }
        for (size_t k = 0; k < q.quantities.size(); ++k)
            showValue(r, q.quantities[k], signedWord(m_exchange.word(2 * int(k))));
    }
    if (r.ok() && m_timed.timedReading)
        advanceTimedEntry();
    return r;
}

void ProductSide::showValue(SingleReading &r, int quantityIndex, int value)
{
    const Quantity &q = quantity(quantityIndex);
    const int v = q.clamp(value);
    m_panel.setValueText(q.box, q.display(v));
    m_timed.current().values[static_cast<size_t>(q.box)] = QString::number(v);
    r.values[static_cast<size_t>(q.box)] = v;
}

void ProductSide::advanceTimedEntry()
{
    m_outside.timedEntryStored();
    if (m_timed.recCount < TimedEntries)
        ++m_timed.recCount;
    if (m_timed.recCount >= TimedEntries)
        m_outside.writeTimedBuffer();
}

QString ProductSide::identityMessage(const uint8_t *d)
{
    const auto h = [](uint8_t b) { return QString::number(b, 16).toUpper(); };
    const auto h2 = [&h](uint8_t b) { return b <= 9 ? QStringLiteral("0") + h(b) : h(b); };
    const QString crlf = QStringLiteral("\r\n");
    return tr8(texts::products::BatchPrefix) + h2(d[0]) + h2(d[1]) + h2(d[2]) + crlf +
           tr8(texts::products::SerialPrefix) + h(d[3]) + h2(d[4]) + crlf + tr8(texts::products::DatePrefix) +
           h(d[5]);
}

void ProductSide::showCustomRead(int start, int count)
{
    if (start == IdentityStart) {
        m_op.message(identityMessage(m_exchange.data.data()));
        return;
    }
    count = std::min<int>(count, MaxRegistersPerRead);
    if (static_cast<int>(CustomWords.size()) < count + 1)
        CustomWords.resize(static_cast<size_t>(count) + 1, 0);
    for (int k = 0; k < count; ++k) {
        const int w = signedWord(m_exchange.word(2 * k));
        CustomWords[static_cast<size_t>(k)] = static_cast<int16_t>(w);
        const Quantity *q = quantityAtRegister(start + k);
        if (!q)
            continue;
        m_timed.current().values[static_cast<size_t>(q->box)] = QString::number(w);
        m_panel.setValueText(q->box, q->display(w));
    }
}

std::vector<PolledValue> ProductSide::showPolledValues(TypeCodes codes, const QString &alias)
{
    m_panel.Text2 = alias;
    m_panel.notify();
    m_panel.clearValues();
    // A single-quantity device is shown by its own code: one with a code outside the catalogue
    // shows and stores nothing.
    std::vector<PolledValue> shown;
    const ProductType *t = lookupType(codes.mixpro, codes.protype);
    if (!t || !t->block)
        return shown;
    for (size_t k = 0; k < t->components.size(); ++k) {
        const Quantity &q = quantity(t->components[k]);
        const int raw = m_exchange.word(2 * (q.reg - t->block->start));
        const QString text = q.display(polledValue(*t, static_cast<int>(k), raw));
        m_panel.setValueText(q.box, text);
        shown.push_back({q.gridColumn(), text, static_cast<uint16_t>(raw)});
    }
    return shown;
}

QString ProductSide::TxtB1_Change(const QString &text)
{
    const qint64 v = numericValue(text);
    return (v < 1 || v > 255) ? QStringLiteral("1") : text;
}

bool ProductSide::acceptsEntryKey(int key)
{
    return key == 8 || (key >= '0' && key <= '9');
}

} // namespace kestrel
