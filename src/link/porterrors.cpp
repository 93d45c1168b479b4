#include "porterrors.h"
#include "common/tr8.h"

#include "texts.h"

namespace kestrel {

QString portErrorDescription(QSerialPort::SerialPortError error, const QString &systemText)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return tr8(texts::link::PortNotFound);
    case QSerialPort::PermissionError: // no right to it, or another program holds it
        return tr8(texts::link::PortDenied);
    case QSerialPort::OpenError:
        return tr8(texts::link::PortAlreadyOpen);
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError: // the adapter went away under an open port
        return tr8(texts::link::PortRemoved);
    default:
        return systemText;
    }
}

} // namespace kestrel
