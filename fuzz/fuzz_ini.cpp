// The .ini loader: any bytes as a configuration file, read line by line into the settings and
// the device table.
#include "common/textfile.h"
#include "devices/configfile.h"

#include <cstddef>
#include <cstdint>

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PollSettings settings;
    DeviceTable table;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    applyConfigurationLines(readTextLines(bytes), settings, table);
    // What was taken is written back out and read again, as a later load would.
    applyConfigurationLines(readTextLines(configurationBytes(settings, table)), settings, table);
    return 0;
}
