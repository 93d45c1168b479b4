// The simulator's bus-file loader: any bytes as a bus file; every device it takes is written
// back in bus-file form and must parse again.
#include "busfile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace kestrel::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const BusParseResult r = parseBusText(text);
    if (!r.error.isEmpty())
        return 0;
    QString again;
    for (const DeviceSpec &d : r.devices)
        again += formatDevice(d) + QLatin1Char('\n');
    const BusParseResult back = parseBusText(again);
    if (!back.error.isEmpty() || back.devices.size() != r.devices.size())
        std::abort(); // a device the loader took does not survive its own written form
    return 0;
}
