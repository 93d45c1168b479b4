#include "commissioning.h"

#include "station.h"

namespace kestrel {

void StationCommissioning::stopPolling()
{
    m_station.polling.stop();
}

void StationCommissioning::stopPollingTimer()
{
    m_station.polling.stopTimer();
}

void StationCommissioning::enableLoopR()
{
    m_station.cmdLoopREnabled = true;
    Q_EMIT m_station.changed();
}

void StationCommissioning::disableLoopP()
{
    m_station.polling.disableLoopP();
}

void StationCommissioning::setFramesEnabled(bool on)
{
    m_station.setFramesEnabled(on);
}

uint8_t StationCommissioning::readProType()
{
    DeviceEntry &dev = m_station.devices.at(m_station.exchange.CurAddr);
    learnType(m_station.products, dev);
    return dev.mixpro;
}

StoredCodes StationCommissioning::storeCodes(int address, uint8_t mixpro, uint8_t protype)
{
    StoredCodes r;
    r.status = m_station.db.setCodes(address, mixpro, protype);
    if (!r.status.ok)
        return r;
    const AliasResult a = m_station.db.readAlias(address);
    if (a.ok)
        r.alias = a.value;
    return r;
}

} // namespace kestrel
