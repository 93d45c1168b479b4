#pragma once
// The station's side of reading and setting an address and of the connectivity test.
#include "devices/commissioninghost.h"

namespace kestrel {

class Station;

class StationCommissioning : public CommissioningHost {
public:
    explicit StationCommissioning(Station &station) : m_station(station) {}

    void stopPolling() override;
    void stopPollingTimer() override;
    void enableLoopR() override;
    void disableLoopP() override;
    void setFramesEnabled(bool on) override;
    uint8_t readProType() override;
    StoredCodes storeCodes(int address, uint8_t mixpro, uint8_t protype) override;

private:
    Station &m_station;
};

} // namespace kestrel
