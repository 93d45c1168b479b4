#include "checkinput.h"

#include "common/numeric.h"

namespace kestrel {

bool checkInput(const QString &text, uint8_t kind, int16_t &value)
{
    int maxLength = 0, lo = 0, hi = 0;
    double scale = 1.0;
    switch (kind) {
    case 0:
        maxLength = 3;
        lo = 0;
        hi = 200;
        break;
    case 1:
        maxLength = 3;
        lo = -50;
        hi = 128;
        break;
    case 8:
        maxLength = 4;
        lo = 0;
        hi = 255;
        break;
    case 12:
        maxLength = 4;
        lo = -990;
        hi = 4000;
        scale = 10.0;
        break;
    default:
        return true;
    }
    if (text.size() > maxLength)
        return false;
    const qint64 v = roundHalfEven(leadingNumber(text) * scale);
    if (v < lo || v > hi)
        return false;
    value = static_cast<int16_t>(v);
    return true;
}

} // namespace kestrel
