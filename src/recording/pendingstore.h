#pragma once
// Record.pending beside Record.mdb: every reading taken with saving on is written here before the
// next reading starts, and stays until it is in SAVEDATA. A crash of the program between two
// flushes therefore loses no reading: the next start moves what it finds here into SAVEDATA.
//
// The file is SQLite in WAL mode, kept open by this class for the whole run and opened by no
// other program, so a lock another program holds on Record.mdb never delays a landing. One table:
//
//   PENDING (SEQ key, GEN, SLOT, READTIME secs, READVALUE, PROTYPE, ADDRESS)
//     GEN:  the flush the reading belongs to (each flush starts a new one)
//     SLOT: the cycle slot 1..300 of the reading buffer
//   MOVE (GEN, BEFORE, ROWS): a move into SAVEDATA under way: SAVEDATA's last row id before it
//     (on a shared log: the sequence number before its first reading) and the rows it adds.
//     When SAVEDATA holds the rows numbered BEFORE + 1 to BEFORE + ROWS at the next start, the
//     move was committed and rows of GEN and older are already logged.
#include "recording/recorddb.h"

#include <QString>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kestrel {

class PendingStore {
public:
    static constexpr const char *FileName = "Record.pending";
    // NORMAL: a commit is in the operating system's hands at once (a killed program loses
    // nothing) and on the disk at the next checkpoint. FULL: on the disk at every commit.
    enum class Sync { Normal, Full };

    struct Move {
        int generation = 0;
        qint64 before = 0;
        qint64 rows = 0;
    };

    explicit PendingStore(const QString &dataFolder, Sync sync = Sync::Normal);
    ~PendingStore();
    PendingStore(const PendingStore &) = delete;
    PendingStore &operator=(const PendingStore &) = delete;

    QString filePath() const { return m_path; }
    bool exists() const;

    // The rows of one reading, in one transaction.
    DbStatus land(int generation, int slot, const std::vector<LogRow> &rows);
    // Everything pending, in the order a flush writes it: generation, address, slot, component.
    DbStatus all(std::vector<LogRow> &rows, int *lastGeneration);
    qint64 count();
    // Drops the rows of `generation` from slot `cycles` + 1 on: a pass that was not finished.
    DbStatus dropAfter(int generation, int cycles);

    DbStatus markMove(const Move &m);
    std::optional<Move> move();
    // The move is done: rows of `generation` and older and the mark go, in one transaction.
    DbStatus finishMove(int generation);

private:
    DbStatus ensureOpen();
    DbStatus failure(int code);
    DbStatus exec(const char *sql);
    void close();

    QString m_path;
    Sync m_sync;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insert = nullptr;
};

} // namespace kestrel
