#pragma once
// The settings only a serial port has: which COMn it is, its speed and its modem lines.
#include <QString>

namespace kestrel {

class SerialControls {
public:
    virtual ~SerialControls() = default;
    virtual void setPortNumber(int n) = 0; // COM1..COM8
    virtual int portNumber() const = 0;
    virtual QString devicePath() const = 0;         // of the current port number
    virtual QString devicePathFor(int n) const = 0; // of COMn
    virtual bool setBaudRate(int baud) = 0;         // "<baud>,n,8,1"; allowed while open
    virtual int baudRate() const = 0;
    virtual void setRts(bool on) = 0; // a pseudo-terminal has no modem lines: not an error
    virtual void setDtr(bool on) = 0;
};

} // namespace kestrel
