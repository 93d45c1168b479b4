#pragma once
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace kestrel {

// A mapped path "tcp://HOST:PORT" names a serial device server instead of a device.
struct TcpEndpoint {
    QString host;
    quint16 port = 0;
};
// The endpoint of a "tcp://" path; none for a device path or a malformed endpoint.
std::optional<TcpEndpoint> tcpEndpoint(const QString &path);
bool isTcpPath(const QString &path); // starts with "tcp://", well formed or not

// COMn of the menu → device path: /dev/ttyS<n-1> unless mapped otherwise.
class PortMap {
public:
    QString pathFor(int n) const;
    void set(int n, const QString &path) { m_paths[n] = path; }
    // "COM3=/dev/ttyUSB0" or "COM3=tcp://192.168.1.20:4001"; false with a reason for anything else.
    bool addMapping(const QString &mapping, QString *error = nullptr);
    // KESTREL_PORTS: comma-separated mappings.
    bool addMappings(const QString &list, QString *error = nullptr);

private:
    QMap<int, QString> m_paths;
};

} // namespace kestrel
