#pragma once
// An in-process serial port for unit tests: every written frame goes to a responder whose
// answer arrives after a delay through the event loop, as bytes from a wire would.
#include "link/serialport.h"

#include <QTimer>
#include <functional>

namespace kestrel::test {

class FakePort : public SerialPort {
public:
    std::function<QByteArray(const QByteArray &)> responder; // empty answer: silence
    int delayMs = 1;
    QList<QByteArray> written;
    bool failOpen = false;

    void setPortNumber(int n) override { m_number = n; }
    int portNumber() const override { return m_number; }
    QString devicePath() const override { return QStringLiteral("/fake/COM%1").arg(m_number); }
    bool open() override
    {
        if (failOpen)
            return false;
        m_open = true;
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool setBaudRate(int b) override
    {
        m_baud = b;
        return true;
    }
    int baudRate() const override { return m_baud; }
    void setRts(bool on) override { rts = on; }
    void setDtr(bool on) override { dtr = on; }
    qint64 bytesWaiting() const override { return m_in.size(); }
    void discardInput() override { m_in.clear(); }
    bool write(const QByteArray &bytes) override
    {
        if (!m_open)
            return false;
        written << bytes;
        if (responder) {
            const QByteArray answer = responder(bytes);
            if (!answer.isEmpty())
                QTimer::singleShot(delayMs, this, [this, answer] { inject(answer); });
        }
        return true;
    }
    QByteArray readAll() override
    {
        QByteArray b = m_in;
        m_in.clear();
        return b;
    }
    Error lastError() const override { return {2, QStringLiteral("No such file or directory")}; }

    // Bytes arriving from the wire.
    void inject(const QByteArray &bytes)
    {
        m_in += bytes;
        Q_EMIT dataReceived();
    }
    bool rts = false, dtr = false;

private:
    int m_number = 1;
    int m_baud = 9600;
    bool m_open = false;
    QByteArray m_in;
};

} // namespace kestrel::test
