#pragma once
// A pseudo-terminal pair for tests: the program opens slavePath() with its real serial port,
// the test reads and writes the master side.
#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace kestrel::test {

class Pty {
public:
    Pty()
    {
        int slave = -1;
        char name[256] = {};
        if (openpty(&m_master, &slave, name, nullptr, nullptr) == 0) {
            termios t{};
            tcgetattr(slave, &t);
            cfmakeraw(&t);
            tcsetattr(slave, TCSANOW, &t);
            m_slaveFd = slave; // kept open so the master never sees a hang-up
            m_path = QString::fromLocal8Bit(name);
            fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
        }
    }
    ~Pty()
    {
        if (m_master >= 0)
            ::close(m_master);
        if (m_slaveFd >= 0)
            ::close(m_slaveFd);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool ok() const { return m_master >= 0; }
    // The far end goes away, as an adapter pulled out of its socket.
    void unplug()
    {
        if (m_master >= 0)
            ::close(m_master);
        if (m_slaveFd >= 0)
            ::close(m_slaveFd);
        m_master = m_slaveFd = -1;
    }
    QString slavePath() const { return m_path; }
    int masterFd() const { return m_master; }
    QByteArray readAvailable()
    {
        QByteArray out;
        char buf[512];
        for (;;) {
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            out.append(buf, static_cast<int>(n));
        }
        return out;
    }
    bool write(const QByteArray &b) { return ::write(m_master, b.constData(), size_t(b.size())) == b.size(); }

private:
    int m_master = -1;
    int m_slaveFd = -1;
    QString m_path;
};

} // namespace kestrel::test
