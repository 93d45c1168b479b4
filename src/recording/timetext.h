#pragma once
// READTIME texts, "yyyy-MM-dd HH:mm:ss" in local time, for many readings at once. A full
// reading buffer holds 76,500 distinct times and a history query may return 100,000; a local
// time conversion through QDateTime asks the C library for the time zone each time (a file
// system lookup), which costs more than the data base work. Time zone offsets only change on
// quarter hours, so the offset is looked up once per quarter hour and the digits are handled
// directly. The rows of a flush go address by address, so their times jump back and forth
// over the hours of the buffer: the offsets of every quarter hour met are kept.
#include <QDateTime>
#include <QHash>
#include <QString>

namespace kestrel {

class TimeTexts {
public:
    // Appends the local time of `secs` (seconds since the epoch) to `out`.
    void append(QString &out, qint64 secs);
    QString text(qint64 secs)
    {
        QString s;
        append(s, secs);
        return s;
    }
    // The instant a READTIME text stands for, carrying the UTC offset in force then. A text
    // of another ISO form is read by QDateTime; anything else gives an invalid QDateTime.
    QDateTime parse(const QString &text);

private:
    int offsetAt(qint64 secs);
    // Per quarter hour: its offset, or NotUniform when a clock change falls inside it.
    QHash<qint64, int> m_offsets;
    int m_offset = 0; // the offset last returned
};

} // namespace kestrel
