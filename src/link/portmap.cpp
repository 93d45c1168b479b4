#include "portmap.h"

#include <QRegularExpression>
#include <QUrl>

namespace kestrel {

QString PortMap::pathFor(int n) const
{
    auto it = m_paths.find(n);
    if (it != m_paths.end())
        return it.value();
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

bool isTcpPath(const QString &path)
{
    return path.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive);
}

std::optional<TcpEndpoint> tcpEndpoint(const QString &path)
{
    if (!isTcpPath(path))
        return std::nullopt;
    const QUrl url(path, QUrl::StrictMode);
    const int port = url.port();
    if (!url.isValid() || url.host().isEmpty() || port < 1 || !url.userInfo().isEmpty() ||
        !(url.path().isEmpty() || url.path() == QLatin1String("/")) || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    return TcpEndpoint{url.host(), static_cast<quint16>(port)};
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
    if (isTcpPath(m.captured(2)) && !tcpEndpoint(m.captured(2))) {
        if (error)
            *error = QStringLiteral("not a TCP endpoint (expected tcp://HOST:PORT): %1").arg(m.captured(2));
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
