#pragma once
// The timed-reading buffer: 101 record entries (entry 100 is never filled), each a time text,
// 13 value texts and the register byte. The value texts are indexed like the value boxes:
// 温度, 湿度, CO2, VOC, PM2.5, CO, O2, O3, HCHO, H2S, NH3, NO2, PM10 — the column order of
// the daily record file.
#include <QString>
#include <array>
#include <cstdint>

namespace kestrel {

struct RecordEntry {
    QString time;
    std::array<QString, 13> values;
    uint8_t reg = 0;
};

struct TimedBuffer {
    static constexpr int Entries = 101;
    std::array<RecordEntry, Entries> entries{};
    uint8_t recCount = 0;
    bool timedReading = false; // the timed-reading flag

    RecordEntry &current() { return entries[recCount < Entries ? recCount : Entries - 1]; }
};

} // namespace kestrel
