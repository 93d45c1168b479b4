#pragma once
// Text files of the system (record files, .ini, exports) are GBK with CR LF line ends;
// every reader and writer goes through these helpers.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kestrel {

QByteArray encodeGbk(const QString &text);
QString decodeGbk(const QByteArray &bytes);

// Lines joined with CR LF, each line ended by CR LF, encoded as GBK.
QByteArray gbkLines(const QStringList &lines);

// Splits file bytes into lines: accepts CR LF, LF or CR ends and a UTF-8 byte order mark
// (a file a text editor wrote); text after a UTF-8 mark is read as UTF-8, the rest as GBK.
QStringList readTextLines(const QByteArray &bytes);

} // namespace kestrel
