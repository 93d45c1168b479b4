#include "ptylink.h"

#include <QDateTime>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kestrel::sim {
namespace {

QString sysError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyLink::PtyLink(SimBus &bus, QObject *parent) : QObject(parent), m_bus(bus)
{
    m_gap.setSingleShot(true);
    m_gap.setInterval(FrameGapMs);
    connect(&m_gap, &QTimer::timeout, this, &PtyLink::onGap);
    m_send.setSingleShot(true);
    m_send.setTimerType(Qt::PreciseTimer);
    connect(&m_send, &QTimer::timeout, this, &PtyLink::flushDue);
    m_clock.start();
}

PtyLink::~PtyLink()
{
    close();
}

std::optional<RawPty> openRawPty(QString *error)
{
    RawPty p;
    auto fail = [&](const char *what) {
        if (error)
            *error = sysError(what);
        closeRawPty(p);
        return std::nullopt;
    };
    p.master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (p.master < 0)
        return fail("posix_openpt");
    if (::grantpt(p.master) != 0 || ::unlockpt(p.master) != 0)
        return fail("grantpt/unlockpt");
    char name[128] = {};
    if (::ptsname_r(p.master, name, sizeof name) != 0)
        return fail("ptsname");
    p.device = QString::fromLocal8Bit(name);
    ::fcntl(p.master, F_SETFL, ::fcntl(p.master, F_GETFL) | O_NONBLOCK);
    ::fcntl(p.master, F_SETFD, FD_CLOEXEC);
    p.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (p.slave < 0)
        return fail("open slave");
    termios tio{};
    if (::tcgetattr(p.slave, &tio) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(p.slave, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    return p;
}

void closeRawPty(RawPty &p)
{
    if (p.slave >= 0)
        ::close(p.slave);
    if (p.master >= 0)
        ::close(p.master);
    p = RawPty{};
}

bool PtyLink::open(const QString &linkPath, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        close();
        return false;
    };
    if (isOpen())
        close();
    const QByteArray link = QFile::encodeName(linkPath);
    struct stat st {};
    if (::lstat(link.constData(), &st) == 0 && !S_ISLNK(st.st_mode))
        return fail(QStringLiteral("%1 exists and is not a symbolic link; not replacing it").arg(linkPath));
    QString why;
    auto pty = openRawPty(&why);
    if (!pty)
        return fail(why);
    m_pty = *pty;
    const QByteArray device = QFile::encodeName(m_pty.device);
    if (::lstat(link.constData(), &st) == 0 && ::unlink(link.constData()) != 0)
        return fail(sysError("removing the old link"));
    if (::symlink(device.constData(), link.constData()) != 0)
        return fail(QStringLiteral("%1 → %2: %3").arg(linkPath, m_pty.device, sysError("symlink")));
    m_link = linkPath;

    m_notifier = new QSocketNotifier(m_pty.master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyLink::onReadable);
    return true;
}

void PtyLink::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    m_gap.stop();
    m_send.stop();
    m_out.clear();
    m_in.clear();
    if (!m_link.isEmpty()) {
        const QByteArray link = QFile::encodeName(m_link);
        char target[256] = {};
        const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
        if (n > 0 && QString::fromLocal8Bit(target, n) == m_pty.device)
            ::unlink(link.constData());
        m_link.clear();
    }
    closeRawPty(m_pty);
}

qint64 PtyLink::wireTimeUs(qsizetype bytes) const
{
    return m_baud > 0 ? bytes * 10 * 1000000LL / m_baud : 0;
}

void PtyLink::onReadable()
{
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(m_pty.master, buf, sizeof buf);
        if (n > 0) {
            m_in.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // Cannot happen while the slave side is held open; never spin on it.
            std::fprintf(stderr, "kestrel-sim: %s\n", qPrintable(sysError("read")));
            m_notifier->setEnabled(false);
        }
        break;
    }
    takeFrames();
}

void PtyLink::takeFrames()
{
    for (;;) {
        const int len = SimBus::requestLength(m_in);
        if (len <= 0 || m_in.size() < len)
            break;
        const QByteArray frame = m_in.left(len);
        m_in.remove(0, len);
        handleFrame(frame);
    }
    if (m_in.isEmpty())
        m_gap.stop();
    else
        m_gap.start(); // an unknown function's frame ends with a silence; a partial one is dropped then
}

void PtyLink::onGap()
{
    if (m_in.isEmpty())
        return;
    const QByteArray rest = m_in;
    m_in.clear();
    if (SimBus::requestLength(rest) < 0) {
        handleFrame(rest);
        return;
    }
    trace("RX", rest, QStringLiteral("incomplete frame dropped"));
}

void PtyLink::handleFrame(const QByteArray &frame)
{
    const qint64 received = nowUs();
    Q_EMIT requestReceived(frame);
    const QList<Emission> answers = m_bus.answer(frame);
    trace("RX", frame, m_bus.lastNote());
    for (const Emission &e : answers) {
        qint64 start = received + 1000LL * e.delayMs;
        if (m_baud > 0) // the request's own wire time, then the turnaround
            start += wireTimeUs(frame.size()) + 35 * 1000000LL / m_baud + 1000LL * TurnaroundExtraMs;
        schedule(e.bytes, start);
    }
}

void PtyLink::schedule(const QByteArray &bytes, qint64 startUs)
{
    if (m_baud <= 0) {
        m_out.emplace(startUs, Out{bytes, bytes, bytes});
    } else {
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            Out o{bytes.mid(i, 1), i + 1 == bytes.size() ? bytes : QByteArray(),
                  i == 0 ? bytes : QByteArray()};
            m_out.emplace(startUs + wireTimeUs(i + 1), std::move(o));
        }
    }
    flushDue();
}

// Writes every byte that is due and sleeps until the next one is. Timers count whole
// milliseconds, so bytes go out at the nearest millisecond to their wire time, never a whole
// millisecond late on average.
void PtyLink::flushDue()
{
    const qint64 now = nowUs() + 500;
    QByteArray chunk;
    QList<QByteArray> finished;
    while (!m_out.empty() && m_out.begin()->first <= now) {
        const Out &o = m_out.begin()->second;
        if (!o.first.isEmpty())
            trace("TX", o.first);
        chunk += o.bytes;
        if (!o.whole.isEmpty())
            finished << o.whole;
        m_out.erase(m_out.begin());
    }
    if (!chunk.isEmpty() && m_pty.master >= 0) {
        const ssize_t n = ::write(m_pty.master, chunk.constData(), static_cast<size_t>(chunk.size()));
        if (n != chunk.size())
            trace("TX", chunk.mid(n < 0 ? 0 : n), QStringLiteral("not written: the terminal is full"));
    }
    for (const QByteArray &w : finished)
        Q_EMIT replySent(w);
    if (!m_out.empty()) {
        const qint64 waitUs = m_out.begin()->first - nowUs();
        m_send.start(static_cast<int>(waitUs <= 0 ? 0 : (waitUs + 500) / 1000));
    }
}

void PtyLink::trace(const char *dir, const QByteArray &bytes, const QString &note) const
{
    if (!m_verbose)
        return;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    std::fprintf(stderr, "%s %s %s%s%s\n", qPrintable(stamp), dir, bytes.toHex(' ').constData(),
                 note.isEmpty() ? "" : "  ; ", qPrintable(note));
}

} // namespace kestrel::sim
