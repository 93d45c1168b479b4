#include "textfile.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kestrel {

QByteArray encodeGbk(const QString &text)
{
    QStringEncoder enc("GBK");
    if (!enc.isValid())
        return text.toLocal8Bit();
    return enc.encode(text);
}

QString decodeGbk(const QByteArray &bytes)
{
    QStringDecoder dec("GBK");
    if (!dec.isValid())
        return QString::fromLocal8Bit(bytes);
    return dec.decode(bytes);
}

QByteArray gbkLines(const QStringList &lines)
{
    QString all;
    for (const QString &l : lines) {
        all += l;
        all += QStringLiteral("\r\n");
    }
    return encodeGbk(all);
}

QStringList readTextLines(const QByteArray &bytes)
{
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(bytes.mid(3));
    else
        text = decodeGbk(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not an empty line
    return lines;
}

} // namespace kestrel
