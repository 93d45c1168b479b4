#pragma once
// READTIME text, "yyyy-MM-dd HH:mm:ss" in local time, for many readings at once. A full
// reading buffer holds 76,500 distinct times; converting each through QDateTime costs more than
// writing the rows, so the UTC offset is looked up once per quarter hour and the digits are
// written directly.
#include <QString>

namespace kestrel {

class TimeTextWriter {
public:
    // Appends the local time of `secs` (seconds since the epoch) to `out`.
    void append(QString &out, qint64 secs);
    QString text(qint64 secs)
    {
        QString s;
        append(s, secs);
        return s;
    }

private:
    int offsetAt(qint64 secs);
    qint64 m_bucket = -1;
    int m_offset = 0;
    bool m_uniform = false;
};

} // namespace kestrel
