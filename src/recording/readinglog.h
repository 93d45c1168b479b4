#pragma once
// The reading log of polling: `flushReadings` appends the buffered readings to SAVEDATA in one
// batch. A batch the data base refuses is kept in memory and written ahead of the next one, so
// a failing data base costs no readings as long as the program runs.
//
// Each reading taken with saving on is also landed in Record.pending as soon as it is taken, and
// leaves it when its flush has written it; a start after a crash writes what is left there.
#include "recording/pendingstore.h"
#include "recording/recorddb.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace kestrel {

class ReadingBuffer;

// A device of the polling range whose readings are logged, with the names its components are
// logged under in the order of its type name.
struct LoggedDevice {
    int address;
    QStringList names;
};

// The names a device is logged under: a single-quantity device logs its whole type name
// ("PM25"), a combined one each "+"-part. None for type code 0 or for a combination code other
// than 0, 33, 49, 65, 81.
QStringList logNames(uint8_t mixpro, uint8_t protype, const QString &typeName);

struct FlushResult {
    bool ok = true;
    int written = 0; // rows appended by this flush (held-back rows included)
    int waiting = 0; // rows held in memory after a failure
    int dropped = 0; // oldest held rows given up because too many were waiting
    QString error;   // for the operator; empty when ok
    QString reason;  // the data base's part of it
};

// The rows of the buffered cycles 1..CycleCount of the given devices: by device, then cycle,
// then component. Nothing for an empty slot.
std::vector<LogRow> collectReadings(const ReadingBuffer &buffer, const std::vector<LoggedDevice> &devices);

class ReadingLog {
public:
    // Held-back rows beyond this many (about ten full buffers) are given up, oldest first.
    static constexpr size_t MaxWaiting = 4000000;

    explicit ReadingLog(const RecordDb &db, PendingStore::Sync sync = PendingStore::Sync::Normal)
        : m_db(db), m_pending(db.dataFolder(), sync)
    {
    }

    // Lands the reading of `device` in cycle slot `slot` of the buffer in Record.pending. When it
    // cannot be landed the reading is still in the buffer for its flush; only a crash would lose it.
    DbStatus land(const ReadingBuffer &buffer, const LoggedDevice &device, int slot);

    // At start-up (once per run): readings a crash left in Record.pending go to SAVEDATA. `recovered` counts
    // the readings' rows; when SAVEDATA refuses them they wait for the next flush (waitingRows).
    struct Recovery {
        bool ok = true;
        int recovered = 0;
        QString error;
    };
    Recovery recoverPending();

    // Appends the buffered readings when saveEnabled, together with any rows held back from a
    // failed flush, in one transaction. Afterwards every time slot of the buffer is empty,
    // so no reading is written twice and none is left behind for a later cycle to pick up:
    // with saveEnabled false the readings are discarded; on failure they are held here.
    // CycleCount is left to the caller.
    FlushResult flushReadings(ReadingBuffer &buffer, const std::vector<LoggedDevice> &devices,
                              bool saveEnabled);

    size_t waitingRows() const { return m_waiting.size(); }
    const std::vector<LogRow> &waiting() const { return m_waiting; }
    // True when every waiting row is in Record.pending, so the next start writes it.
    bool waitingOnDisk() { return m_pending.count() == qint64(m_waiting.size()); }
    QString pendingPath() const { return m_pending.filePath(); }

private:
    FlushResult moveWaiting(int generation);
    DbStatus confirmSent(FlushResult &result);

    const RecordDb &m_db;
    PendingStore m_pending;
    std::vector<LogRow> m_waiting;
    int m_generation = 1;
    bool m_recoveryDone = false;
    // On a shared log: the last batch sent whose landing was not confirmed, and the number
    // the next reading is sent under.
    std::optional<PendingStore::Move> m_sent;
    qint64 m_nextSeq = 1;
};

} // namespace kestrel
