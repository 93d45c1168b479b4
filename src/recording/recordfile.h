#pragma once
// The daily record files of the timed reading: record/<year>-<month>-<day>.txt in the data folder,
// named after the day of writing (no leading zeros: 2026-12-4.txt), GBK with CR LF.
//
//   header (only when the file is empty):  <short date> TAB 温度 TAB 湿度 ... TAB PM10
//   one data line per buffer entry:         <time> TAB v1 "," TAB v2 "," TAB ... v12 "," TAB v13 "."
//
// The values are the unscaled register values as the single read stored them; a quantity the
// device does not measure keeps its slot's text (empty before the first write, one blank after it,
// two for NH3). Dates and times follow the locale's short formats, times always with seconds; the
// C locale (no locale set) writes yyyy-MM-dd and HH:mm:ss.
#include "timedbuffer.h"

#include <QDate>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

namespace kestrel {

class Clock;
class Operator;

class RecordFile : public QObject {
    Q_OBJECT
public:
    // Now: a failure is told at once. Later: from inside a timed read, told once the read is over,
    // so that a message box does not hold the timed reading up.
    enum class Report { Now, Later };

    RecordFile(TimedBuffer &buffer, const QString &dataFolder, Clock &clock, Operator &op,
               QObject *parent = nullptr);

    // Appends entries 0..recCount-1 to today's file and empties the buffer. When the file cannot
    // be written, the entries not written go to a rescue file in export/, the failure is logged and
    // told to the operator (once, until a write succeeds again); false then.
    bool wData(Report report = Report::Now);

    QString filePath(const QDate &day) const;
    static QString headerLine(const QDate &day, const QLocale &locale = QLocale());
    static QString dataLine(const RecordEntry &entry);
    // The time of day a timed reading stores.
    static QString timeText(const QTime &time, const QLocale &locale = QLocale());
    // Every slot one blank, the NH3 slot two; recCount 0.
    static void empty(TimedBuffer &buffer);

private:
    QString append(const QString &path, const QString &header, const QStringList &lines, int &written) const;
    void reportFailure(const QString &path, const QString &error, const QStringList &unsaved, Report report);

    TimedBuffer &m_buffer;
    const QString m_dataFolder;
    Clock &m_clock;
    Operator &m_op;
    bool m_failureTold = false;
};

} // namespace kestrel
