#pragma once
#include <QMap>
#include <QString>
#include <QStringList>

namespace kestrel {

// COMn of the menu → device path: /dev/ttyS<n-1> unless mapped otherwise.
class PortMap {
public:
    QString pathFor(int n) const;
    void set(int n, const QString &path) { m_paths[n] = path; }
    // "COM3=/dev/ttyUSB0"; false with a reason for anything else.
    bool addMapping(const QString &mapping, QString *error = nullptr);
    // KESTREL_PORTS: comma-separated mappings.
    bool addMappings(const QString &list, QString *error = nullptr);

private:
    QMap<int, QString> m_paths;
};

} // namespace kestrel
