#include "addresscommands.h"
#include "common/tr8.h"

#include "commissioninghost.h"
#include "common/log.h"
#include "common/numeric.h"
#include "common/operator.h"
#include "devicetable.h"
#include "link/checkinput.h"
#include "link/exchange.h"
#include "products/panel.h"
#include "products/productside.h"
#include "recording/recorddb.h"
#include "texts.h"

namespace kestrel {

namespace {
constexpr uint8_t FunctionRead = 3;
constexpr uint8_t FunctionWrite = 16;
constexpr uint8_t AddressEntryKind = 8; // at most 4 characters, 0..255
} // namespace

AddressCommands::AddressCommands(Exchange &exchange, Panel &panel, DeviceTable &devices, const RecordDb &db,
                                 Operator &op, CommissioningHost &host)
    : m_exchange(exchange), m_panel(panel), m_devices(devices), m_db(db), m_op(op), m_host(host)
{
}

void AddressCommands::CmdAddread_Click()
{
    // Polling stopped first, so that its timer cannot start an exchange during the wait.
    m_host.stopPolling();
    m_panel.TxtB1 = ProductSide::TxtB1_Change(QString()); // emptied: the box shows "1"
    m_panel.notify();
    if (!m_exchange.addrExchange(FunctionRead, AddressRegister))
        return;                              // the exchange has said why
    m_exchange.CurAddr = m_exchange.data[1]; // the low byte of register 0
    m_panel.TxtB1 = ProductSide::TxtB1_Change(QString::number(m_exchange.CurAddr));
    if (m_exchange.CurAddr != 0) {
        const AliasResult r = m_db.readAlias(m_exchange.CurAddr);
        m_panel.Text2 = r.ok ? r.value.value_or(QString()) : QString();
        if (!r.ok) {
            appendLog(QStringLiteral("alias of %1 not read: ").arg(m_exchange.CurAddr) + r.error);
            m_op.message(r.error);
        }
    }
    m_panel.notify();
}

void AddressCommands::CmdSetAddress_Click()
{
    m_host.stopPolling();
    m_exchange.addrTimeout = false;
    const QString text = m_panel.TxtB1;
    if (text.isEmpty())
        return;
    int16_t value = 0;
    if (!checkInput(text, AddressEntryKind, value)) {
        m_op.message(tr8(texts::devices::BadEntry));
        return;
    }
    const bool written = m_exchange.addrExchange(FunctionWrite, AddressRegister, static_cast<quint16>(value));
    m_exchange.data[0] = m_exchange.data[1] = 0;
    if (!written)
        return;
    // The name goes with the new address; the old address's row keeps what it had.
    const int address = static_cast<int>(numericValue(text));
    const QString name = m_panel.Text2.trimmed();
    m_devices.at(address).alias = name;
    const DbStatus st = m_db.setAlias(address, name);
    QString done = tr8(texts::devices::AddressSetDone);
    if (!st.ok) { // the device has its new address all the same: say both
        appendLog(QStringLiteral("alias of %1 not stored: ").arg(address) + st.error);
        done += QStringLiteral("\r\n") + tr8(texts::devices::RenameFailed) + st.error;
    }
    m_op.message(done);
}

} // namespace kestrel
