#pragma once
// The options both programs take for a reading log several stations share on a PostgreSQL
// server; without --db the readings go to Record.mdb in the data folder.
#include "recording/recorddb.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace kestrel {

struct LogOptions {
    QCommandLineOption db{
        QStringLiteral("db"),
        QStringLiteral("Log the readings into a PostgreSQL data base several stations share, "
                       "postgresql://USER@HOST[:PORT]/DB (default: Record.mdb in the data "
                       "folder)."),
        QStringLiteral("URL")};
    QCommandLineOption station{QStringLiteral("station"),
                               QStringLiteral("This station's name in the shared data base (default: the "
                                              "computer's name)."),
                               QStringLiteral("NAME")};

    void addTo(QCommandLineParser &p) const { p.addOptions({db, station}); }

    // The shared log asked for (an empty url when none); false with `error` set when the
    // address is malformed or a station is named without a data base.
    bool read(const QCommandLineParser &p, SharedLog &log, QString &error) const
    {
        log = {p.value(db), p.value(station).trimmed()};
        if (p.isSet(station) && !p.isSet(db)) {
            error = QStringLiteral("--station needs --db: Record.mdb holds one station's readings");
            return false;
        }
        if (p.isSet(station) && log.station.isEmpty()) {
            error = QStringLiteral("--station: the name is empty");
            return false;
        }
        if (p.isSet(db)) {
            if (const std::optional<QString> why = RecordDb::sharedLogProblem(log.url)) {
                error = QStringLiteral("--db: ") + *why;
                return false;
            }
        }
        return true;
    }
};

} // namespace kestrel
