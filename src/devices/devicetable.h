#pragma once
// What the system knows of the device at every bus address 1..255.
#include "products/catalogue.h"
#include "recording/readinglog.h"

#include <QString>
#include <array>
#include <cstdint>

namespace kestrel {

struct DeviceEntry {
    uint8_t mixpro = 0;  // TypeCodes::mixpro
    uint8_t protype = 0; // TypeCodes::protype
    uint8_t absent = 0;  // 1 = a gap in the polling range: passed over
    QString typeName;    // "T+RH", "CO2", ...
    QString alias;       // the operator's name, copy of SAVEPRO.ALIAS

    TypeCodes codes() const { return {mixpro, protype}; }
    // Keeps the codes a device reported; a product type's codes are kept normalised, with its name.
    void learn(TypeCodes c)
    {
        mixpro = c.mixpro;
        protype = c.protype;
        if (const ProductType *t = lookupType(c.mixpro, c.protype)) {
            mixpro = normalisedMixpro(c.mixpro, c.protype);
            typeName = t->name();
        }
    }
};

class DeviceTable {
public:
    static constexpr int FirstAddress = 1;
    static constexpr int LastAddress = 255;
    static bool valid(int address) { return address >= FirstAddress && address <= LastAddress; }

    // Entry of a valid address; address 0 and addresses above 255 have no entry.
    DeviceEntry &at(int address) { return m_entries[index(address)]; }
    const DeviceEntry &at(int address) const { return m_entries[index(address)]; }
    void clear() { m_entries.fill(DeviceEntry{}); }

    // The polling range; 0 until the settings dialog or a configuration file sets it.
    int PollStart = 0;
    int PollEnd = 0;

private:
    static size_t index(int address)
    {
        return static_cast<size_t>(valid(address) ? address : LastAddress + 1) - 1;
    }
    // One spare entry absorbs an invalid address instead of writing outside the table.
    std::array<DeviceEntry, LastAddress + 1> m_entries{};
};

class ProductSide;
struct TypeQuery;

// The type query of the device at CurAddr (asked only while its type is unknown), its answer
// kept in the device's entry.
TypeQuery learnType(ProductSide &products, DeviceEntry &dev);

// The devices of the polling range whose readings go to the reading log, in address order.
std::vector<LoggedDevice> loggedDevices(const DeviceTable &table);

} // namespace kestrel
