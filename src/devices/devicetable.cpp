#include "devicetable.h"

#include "products/productside.h"

#include <algorithm>

namespace kestrel {

TypeQuery learnType(ProductSide &products, DeviceEntry &dev)
{
    const TypeQuery q = products.readProType(dev.codes());
    if (q.answered)
        dev.learn(q.codes);
    return q;
}

std::vector<LoggedDevice> loggedDevices(const DeviceTable &table)
{
    std::vector<LoggedDevice> devices;
    const int first = std::max(table.PollStart, DeviceTable::FirstAddress);
    const int last = std::min(table.PollEnd, DeviceTable::LastAddress);
    for (int a = first; a <= last; ++a) {
        const DeviceEntry &dev = table.at(a);
        QStringList names = logNames(dev.mixpro, dev.protype, dev.typeName);
        if (!names.isEmpty())
            devices.push_back({a, std::move(names)});
    }
    return devices;
}

} // namespace kestrel
