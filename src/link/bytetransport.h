#pragma once
// A byte stream to the bus: what the exchange needs of a port. A serial port is one; a network
// link to a serial server can be another.
#include <QByteArray>
#include <QObject>
#include <QString>

namespace kestrel {

class ByteTransport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // A failure to open: an error number, a description, and where it happened.
    struct Error {
        int number = 0;
        QString description; // for the operator
        QString systemText;  // the system's own words, for kestrel.log
    };

    virtual bool open() = 0; // at the current settings
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool write(const QByteArray &bytes) = 0;
    virtual QByteArray readAll() = 0;
    virtual qint64 bytesWaiting() const = 0;
    virtual void discardInput() = 0;
    virtual Error lastError() const = 0;

Q_SIGNALS:
    void dataReceived();
    // The device went away while open (an unplugged adapter).
    void lost(const QString &reason);
};

} // namespace kestrel
