#pragma once
// The serial port as the link uses it: exactly the operations of the system's port control.
#include <QByteArray>
#include <QObject>
#include <QString>

namespace kestrel {

class SerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // A failure to open: an error number, a description, and where it happened.
    struct Error {
        int number = 0;
        QString description;
    };

    virtual void setPortNumber(int n) = 0; // COM1..COM8
    virtual int portNumber() const = 0;
    virtual QString devicePath() const = 0;
    virtual bool open() = 0;               // at the current port number and settings
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool setBaudRate(int baud) = 0; // "<baud>,n,8,1"; allowed while open
    virtual int baudRate() const = 0;
    virtual void setRts(bool on) = 0;      // a pseudo-terminal has no modem lines: not an error
    virtual void setDtr(bool on) = 0;
    virtual qint64 bytesWaiting() const = 0;
    virtual void discardInput() = 0;
    virtual bool write(const QByteArray &bytes) = 0;
    virtual QByteArray readAll() = 0;
    virtual Error lastError() const = 0;

Q_SIGNALS:
    void dataReceived();
    // The device went away while open (an unplugged adapter).
    void lost(const QString &reason);
};

} // namespace kestrel
