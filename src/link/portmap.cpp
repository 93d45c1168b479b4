#include "portmap.h"

#include <QRegularExpression>

namespace kestrel {

QString PortMap::pathFor(int n) const
{
    auto it = m_paths.find(n);
    if (it != m_paths.end())
        return it.value();
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

bool PortMap::addMapping(const QString &mapping, QString *error)
{
    static const QRegularExpression re(QStringLiteral("^\\s*COM([1-8])\\s*=\\s*(\\S.*?)\\s*$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(mapping);
    if (!m.hasMatch()) {
        if (error)
            *error = QStringLiteral("not a port mapping (expected COM1..COM8=PATH): %1").arg(mapping);
        return false;
    }
    set(m.captured(1).toInt(), m.captured(2));
    return true;
}

bool PortMap::addMappings(const QString &list, QString *error)
{
    for (const QString &item : list.split(u',', Qt::SkipEmptyParts))
        if (!addMapping(item, error))
            return false;
    return true;
}

} // namespace kestrel
