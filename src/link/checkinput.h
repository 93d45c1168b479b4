#pragma once
#include <QString>
#include <cstdint>

namespace kestrel {

// The input check before a value is sent to a device. Kinds: 0 (≤3 characters, 0..200),
// 1 (≤3, -50..128), 8 (≤4, 0..255), 12 (≤4, number × 10 in -990..4000); any other kind
// accepts everything and stores nothing. False stores nothing.
bool checkInput(const QString &text, uint8_t kind, int16_t &value);

} // namespace kestrel
