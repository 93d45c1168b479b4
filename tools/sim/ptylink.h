#pragma once
// The wire of the simulated bus: a pseudo-terminal whose slave device is reached through a
// symbolic link (the path a serial port is opened on). Requests are framed by their length
// (function 3: 8 bytes, function 16: 9 + byte count) or, for other function codes, by a
// silence; the bus's answers are written back at once or paced at a baud rate.
#include "simbus.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <map>
#include <optional>

class QSocketNotifier;

namespace kestrel::sim {

// A pseudo-terminal in raw mode. The slave side is held open too: the master then never sees a
// hang-up between clients, and the raw mode set here holds whatever a client sets or not.
struct RawPty {
    int master = -1; // non-blocking
    int slave = -1;
    QString device; // the slave's path, /dev/pts/N
};
std::optional<RawPty> openRawPty(QString *error = nullptr);
void closeRawPty(RawPty &pty);

class PtyLink : public QObject {
    Q_OBJECT
public:
    // Bytes taken as a partial frame are dropped after this much silence.
    static constexpr int FrameGapMs = 20;
    // Without a baud rate a reply is written at once; with one, it starts after the request's
    // wire time and a turnaround of 3.5 character times + TurnaroundExtraMs.
    static constexpr int TurnaroundExtraMs = 2;

    explicit PtyLink(SimBus &bus, QObject *parent = nullptr);
    ~PtyLink() override;

    // Creates the pseudo-terminal (raw mode) and points `linkPath` at its slave device. A symbolic
    // link already at that path is replaced; any other file there is left alone and refused.
    bool open(const QString &linkPath, QString *error = nullptr);
    // Removes the link (when it still points at this terminal) and closes the terminal.
    void close();
    bool isOpen() const { return m_pty.master >= 0; }
    QString linkPath() const { return m_link; }
    QString devicePath() const { return m_pty.device; }

    void setBaud(int baud) { m_baud = baud > 0 ? baud : 0; }
    int baud() const { return m_baud; }
    // Wire time of `bytes` characters at the baud rate (10 bits each), in microseconds.
    qint64 wireTimeUs(qsizetype bytes) const;
    // Each frame with a time stamp on stderr.
    void setVerbose(bool on) { m_verbose = on; }

Q_SIGNALS:
    void requestReceived(const QByteArray &frame);
    // The last byte of a reply has been written (colliding replies come as one).
    void replySent(const QByteArray &reply);

private:
    struct Out {
        QByteArray bytes;
        QByteArray whole; // the complete reply, on its last piece
        QByteArray first; // the complete reply, on its first piece (for the trace)
    };
    void onReadable();
    void onGap();
    void takeFrames();
    void handleFrame(const QByteArray &frame);
    void schedule(const QByteArray &bytes, qint64 startUs);
    void flushDue();
    void trace(const char *dir, const QByteArray &bytes, const QString &note = {}) const;
    qint64 nowUs() const { return m_clock.nsecsElapsed() / 1000; }

    SimBus &m_bus;
    RawPty m_pty;
    QSocketNotifier *m_notifier = nullptr;
    QString m_link;
    int m_baud = 0;
    bool m_verbose = false;
    QByteArray m_in;
    QTimer m_gap;
    QTimer m_send;
    QElapsedTimer m_clock;
    std::multimap<qint64, Out> m_out; // due time (µs) → bytes
};

} // namespace kestrel::sim
