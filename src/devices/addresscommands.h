#pragma once
// "读取" and "设置" of the address frame: both talk to bus address 0, so they reach the one
// device connected whatever its present address. The address sits in its holding register 0.
#include <cstdint>

namespace kestrel {

class CommissioningHost;
class DeviceTable;
class Exchange;
class Operator;
class Panel;
class RecordDb;

class AddressCommands {
public:
    static constexpr uint8_t AddressRegister = 0;

    AddressCommands(Exchange &exchange, Panel &panel, DeviceTable &devices, const RecordDb &db, Operator &op,
                    CommissioningHost &host);

    // Reads the connected device's address into CurAddr and TxtB1, and its alias into Text2.
    void CmdAddread_Click();
    // Writes the address in TxtB1 into the connected device and records the name in Text2 for it.
    void CmdSetAddress_Click();

private:
    Exchange &m_exchange;
    Panel &m_panel;
    DeviceTable &m_devices;
    const RecordDb &m_db;
    Operator &m_op;
    CommissioningHost &m_host;
};

} // namespace kestrel
