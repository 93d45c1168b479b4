#pragma once
// The bus file of kestrel-sim: one simulated sensor per line.
//
//   # address mixpro protype batch  number date  options
//   1        33     3       A1B2C3 0102   17    set=2:215
//
// address, mixpro and protype are decimal (address 1..255, codes 0..255); batch (3 bytes),
// number (2 bytes) and date (1 byte) are hex digits without a prefix. Options, in any order:
// silent, late=<ms>, badcrc, wrongaddr, trailing=<n>, split=<bytes>[+<bytes>...]/<ms>,
// set=<register>:<value>.
// '#' starts a comment; blank lines are ignored.
#include <QList>
#include <QMap>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace kestrel::sim {

struct DeviceSpec {
    int line = 0; // where it was written (0 for devices made in code)
    uint8_t address = 1;
    uint8_t mixpro = 0;
    uint8_t protype = 0;
    std::array<uint8_t, 3> batch{};
    std::array<uint8_t, 2> number{};
    uint8_t date = 0;
    // Faults.
    bool silent = false;    // never answers
    int lateMs = 0;         // answers this much later than it would
    bool badCrc = false;    // both CRC bytes of every reply inverted
    bool wrongAddr = false; // reply address byte one above the request's, CRC right for it
    int trailing = 0;       // bytes appended after every reply
    // Every reply in pieces: the first of splitPieces[0] bytes, the next of splitPieces[1], ...,
    // the rest last, each splitGapMs after the one before (as a USB adapter delivers them).
    QList<int> splitPieces;
    int splitGapMs = 0;
    // Registers held at a fixed value (register → 16-bit word).
    QMap<int, uint16_t> pinned;
};

struct BusParseResult {
    QList<DeviceSpec> devices;
    QString error; // empty when the text is good; otherwise names the line
    bool ok() const { return error.isEmpty(); }
};

// Parses a bus text. `source` names it in error messages ("demo.bus", a path).
BusParseResult parseBusText(const QString &text, const QString &source = QStringLiteral("bus"));
// Reads and parses a bus file; an unreadable file is an error too.
BusParseResult parseBusFile(const QString &path);
// The demo bus (the text of tools/sim/demo.bus).
QString demoBusText();

// The line a device would have in a bus file (used for --verbose and by tests).
QString formatDevice(const DeviceSpec &d);

} // namespace kestrel::sim
