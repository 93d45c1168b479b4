#pragma once
// What the operator is told when the serial port fails: the common failures in the operator's
// language, anything else in the system's own words. The system's text always goes to kestrel.log.
#include <QSerialPort>
#include <QString>

namespace kestrel {

QString portErrorDescription(QSerialPort::SerialPortError error, const QString &systemText);

} // namespace kestrel
