#include "crcconsole.h"
#include "common/tr8.h"

#include "common/numeric.h"
#include "common/operator.h"
#include "console/texts.h"
#include "link/crc16.h"

#include <QLocale>
#include <QRegularExpression>

namespace kestrel {

namespace {

QString hexByte(int v)
{
    return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
}

// A decimal part: an optional sign, digits, an optional fraction; nothing else.
bool isDecimalNumber(const QString &part)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)$"));
    return number.match(part).hasMatch();
}

// The value of a hexadecimal digit, -1 for any other character.
int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The hexadecimal number at the start of a part: reading stops at the first character that is
// not a hexadecimal digit, no digit gives 0. Anything above 255 is returned as 256.
int leadingHex(const QString &part)
{
    int v = 0;
    for (const QChar c : part) {
        const int digit = hexDigit(c);
        if (digit < 0)
            break;
        v = v * 16 + digit;
        if (v > 255)
            return 256;
    }
    return v;
}

} // namespace

using namespace texts::console;

QString normaliseBlanks(const QString &text)
{
    return text.simplified();
}

CrcConsole::CrcConsole(Operator &op, QObject *parent) : QObject(parent), m_op(op) {}

void CrcConsole::setCommand(const QString &text)
{
    if (m_command == text)
        return;
    m_command = text;
    Q_EMIT changed();
}

void CrcConsole::setHex(bool on)
{
    if (m_hex == on)
        return;
    m_hex = on;
    Q_EMIT changed();
}

void CrcConsole::error(const char *text)
{
    m_op.message(tr8(text), tr8(ErrorTitle));
}

void CrcConsole::show(const QString &command, const QString &high, const QString &low)
{
    if (m_command == command && m_high == high && m_low == low)
        return;
    m_command = command;
    m_high = high;
    m_low = low;
    Q_EMIT changed();
}

bool CrcConsole::cacCrc_Click()
{
    const QString text = normaliseBlanks(m_command);
    show(text, m_high, m_low);
    // A box of blanks only is as empty as an empty one.
    if (text.isEmpty()) {
        error(NoCommand);
        return false;
    }
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() > MaxBytes) {
        error(TooManyBytes);
        Q_EMIT selectAllRequested();
        return false;
    }
    QByteArray bytes;
    if (!(m_hex ? convertHex(parts, bytes) : convertDecimal(parts, bytes)))
        return false;
    const Crc crc = CRC16(bytes, static_cast<int>(bytes.size()));
    if (m_hex)
        show(m_command, hexByte(crc.hi), hexByte(crc.lo));
    else
        show(m_command, QString::number(crc.hi), QString::number(crc.lo));
    return true;
}

// A part that is no number empties the CRC boxes; a number outside 0..255 leaves them. The range is
// checked before rounding, so 255.5 is refused and 255.4 is 255.
bool CrcConsole::convertDecimal(const QStringList &parts, QByteArray &bytes)
{
    for (const QString &part : parts) {
        if (!isDecimalNumber(part)) {
            show(m_command, QString(), QString());
            error(NotDecimal);
            return false;
        }
        const double v = QLocale::c().toDouble(part);
        if (v < 0 || v > 255) {
            error(ByteOutOfRange);
            return false;
        }
        bytes.append(static_cast<char>(roundHalfEven(v)));
    }
    return true;
}

// The command is rewritten part by part as two upper-case digits and a blank; after a refused part
// it holds the parts converted before it.
bool CrcConsole::convertHex(const QStringList &parts, QByteArray &bytes)
{
    QString rewritten;
    for (const QString &part : parts) {
        const int v = leadingHex(part);
        if (v > 255) {
            show(rewritten, m_high, m_low);
            error(ByteOutOfRange);
            Q_EMIT selectAllRequested();
            return false;
        }
        rewritten += hexByte(v) + QLatin1Char(' ');
        bytes.append(static_cast<char>(v));
    }
    show(rewritten, m_high, m_low);
    return true;
}

std::optional<QChar> CrcConsole::txtSendCmd_KeyPress(QChar key)
{
    const char16_t u = key.unicode();
    if (u == '\r') {
        cacCrc_Click(); // an empty box gives "没有输入命令！" there
        return std::nullopt;
    }
    if (u == '\b' || u == ' ')
        return key;
    if (m_hex) {
        if (hexDigit(key) >= 0)
            return key.toUpper();
        m_op.message(tr8(TypeHex));
        return std::nullopt;
    }
    if (u >= '0' && u <= '9')
        return key;
    m_op.message(tr8(TypeDecimal));
    return std::nullopt;
}

} // namespace kestrel
