#pragma once
// What reading and setting an address and the connectivity test need of the rest of the
// station: the polling cycle's timer and buttons, the main window's frames, the product type
// query, and the registry row in the data base.
#include "recording/recorddb.h"

#include <cstdint>
#include <optional>

namespace kestrel {

// The outcome of storing a device's type codes in its SAVEPRO row.
struct StoredCodes {
    DbStatus status;
    std::optional<QString> alias; // the row's ALIAS; nullopt when NULL or not read
};

class CommissioningHost {
public:
    virtual ~CommissioningHost() = default;

    // Polling into its stopped state: Timer3 off, "轮询", a disabled "暂停".
    virtual void stopPolling() = 0;
    // Only Timer3 off; the polling buttons keep their captions.
    virtual void stopPollingTimer() = 0;
    virtual void enableLoopR() = 0;  // cmdLoopR
    virtual void disableLoopP() = 0; // cmdLoopP
    // Frame1 (real-time controls) and Frame5 (address controls) of the main window.
    virtual void setFramesEnabled(bool on) = 0;

    // The product type query of the device at CurAddr (asks it only while its type is unknown);
    // returns its mixpro. The exchange's failure count tells whether it answered.
    virtual uint8_t readProType() = 0;
    // MIXPRO and PROTYPE of one SAVEPRO row, and the row's alias.
    virtual StoredCodes storeCodes(int address, uint8_t mixpro, uint8_t protype) = 0;
};

} // namespace kestrel
