#include "busfile.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

namespace kestrel::sim {
namespace {

constexpr int MaxLateMs = 600000;
constexpr int MaxTrailing = 200;

// A decimal integer in [lo, hi], or a 0x-prefixed hex one when `hexOk`.
std::optional<long> integer(const QString &t, long lo, long hi, bool hexOk = false)
{
    bool ok = false;
    long v = 0;
    if (hexOk && (t.startsWith(QLatin1String("0x")) || t.startsWith(QLatin1String("0X"))))
        v = t.mid(2).toLong(&ok, 16);
    else
        v = t.toLong(&ok, 10);
    if (!ok || v < lo || v > hi)
        return std::nullopt;
    return v;
}

// Exactly 2 × N hex digits → N bytes.
template <size_t N> bool hexBytes(const QString &t, std::array<uint8_t, N> &out)
{
    static const QRegularExpression re(QStringLiteral("^[0-9A-Fa-f]+$"));
    if (t.size() != static_cast<qsizetype>(2 * N) || !re.match(t).hasMatch())
        return false;
    for (size_t i = 0; i < N; ++i)
        out[i] = static_cast<uint8_t>(t.mid(static_cast<qsizetype>(2 * i), 2).toUInt(nullptr, 16));
    return true;
}

// One option token; an empty string when good, otherwise what is wrong with it.
QString applyOption(const QString &tok, DeviceSpec &d, QStringList &seen)
{
    const qsizetype eq = tok.indexOf(u'=');
    const QString key = eq < 0 ? tok : tok.left(eq);
    const QString val = eq < 0 ? QString() : tok.mid(eq + 1);
    const bool flag =
        key == QLatin1String("silent") || key == QLatin1String("badcrc") || key == QLatin1String("wrongaddr");
    const bool valued = key == QLatin1String("late") || key == QLatin1String("trailing") ||
                        key == QLatin1String("set") || key == QLatin1String("split");
    if (!flag && !valued)
        return QStringLiteral("unknown option \"%1\" (expected silent, late=<ms>, badcrc, wrongaddr, "
                              "trailing=<n>, split=<bytes>[+<bytes>...]/<ms>, set=<register>:<value>)")
            .arg(tok);
    if (flag && eq >= 0)
        return QStringLiteral("option \"%1\" takes no value").arg(key);
    if (valued && eq < 0)
        return QStringLiteral("option \"%1\" needs a value (%1=...)").arg(key);
    if (key != QLatin1String("set")) {
        if (seen.contains(key))
            return QStringLiteral("option \"%1\" given twice").arg(key);
        seen << key;
    }
    if (key == QLatin1String("silent")) {
        d.silent = true;
    } else if (key == QLatin1String("badcrc")) {
        d.badCrc = true;
    } else if (key == QLatin1String("wrongaddr")) {
        d.wrongAddr = true;
    } else if (key == QLatin1String("late")) {
        const auto v = integer(val, 0, MaxLateMs);
        if (!v)
            return QStringLiteral("late=%1: expected milliseconds 0..%2").arg(val).arg(MaxLateMs);
        d.lateMs = static_cast<int>(*v);
    } else if (key == QLatin1String("trailing")) {
        const auto v = integer(val, 1, MaxTrailing);
        if (!v)
            return QStringLiteral("trailing=%1: expected a byte count 1..%2").arg(val).arg(MaxTrailing);
        d.trailing = static_cast<int>(*v);
    } else if (key == QLatin1String("split")) { // split=3+3/40: pieces of 3 and 3 bytes, the rest last
        const QStringList parts = val.split(u'/');
        const auto gap = parts.size() == 2 ? integer(parts[1], 1, MaxLateMs) : std::nullopt;
        QList<int> pieces;
        for (const QString &p : parts.size() == 2 ? parts[0].split(u'+') : QStringList{QString()})
            if (const auto n = integer(p, 1, 255))
                pieces << static_cast<int>(*n);
            else
                return QStringLiteral("split=%1: expected <bytes>[+<bytes>...]/<gap ms>").arg(val);
        if (!gap)
            return QStringLiteral("split=%1: expected <bytes>[+<bytes>...]/<gap ms>").arg(val);
        d.splitPieces = pieces;
        d.splitGapMs = static_cast<int>(*gap);
    } else { // set=REG:VALUE
        const QStringList parts = val.split(u':');
        const auto reg = parts.size() == 2 ? integer(parts[0], 0, 65535, true) : std::nullopt;
        const auto value = parts.size() == 2 ? integer(parts[1], -32768, 65535, true) : std::nullopt;
        if (!reg || !value)
            return QStringLiteral("set=%1: expected <register 0..65535>:<value -32768..65535>").arg(val);
        if (d.pinned.contains(static_cast<int>(*reg)))
            return QStringLiteral("register %1 set twice").arg(*reg);
        d.pinned[static_cast<int>(*reg)] = static_cast<uint16_t>(*value & 0xFFFF);
    }
    return {};
}

// One device line (comment already removed, not blank); an empty string when good.
QString parseLine(const QStringList &tok, DeviceSpec &d)
{
    if (tok.size() < 6)
        return QStringLiteral("expected: address mixpro protype batch number date [options], got %1 field%2")
            .arg(tok.size())
            .arg(tok.size() == 1 ? "" : "s");
    const auto addr = integer(tok[0], 1, 255);
    if (!addr)
        return QStringLiteral("address \"%1\" is not a number 1..255").arg(tok[0]);
    const auto mixpro = integer(tok[1], 0, 255);
    if (!mixpro)
        return QStringLiteral("mixpro \"%1\" is not a number 0..255").arg(tok[1]);
    const auto protype = integer(tok[2], 0, 255);
    if (!protype)
        return QStringLiteral("protype \"%1\" is not a number 0..255").arg(tok[2]);
    d.address = static_cast<uint8_t>(*addr);
    d.mixpro = static_cast<uint8_t>(*mixpro);
    d.protype = static_cast<uint8_t>(*protype);
    if (!hexBytes(tok[3], d.batch))
        return QStringLiteral("batch \"%1\" is not 6 hex digits (3 bytes)").arg(tok[3]);
    if (!hexBytes(tok[4], d.number))
        return QStringLiteral("number \"%1\" is not 4 hex digits (2 bytes)").arg(tok[4]);
    std::array<uint8_t, 1> date{};
    if (!hexBytes(tok[5], date))
        return QStringLiteral("date \"%1\" is not 2 hex digits (1 byte)").arg(tok[5]);
    d.date = date[0];
    QStringList seen;
    for (qsizetype i = 6; i < tok.size(); ++i) {
        const QString err = applyOption(tok[i], d, seen);
        if (!err.isEmpty())
            return err;
    }
    return {};
}

} // namespace

BusParseResult parseBusText(const QString &text, const QString &source)
{
    static const QRegularExpression ws(QStringLiteral("\\s+"));
    BusParseResult r;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        const qsizetype hash = line.indexOf(u'#');
        if (hash >= 0)
            line.truncate(hash);
        const QStringList tok = line.split(ws, Qt::SkipEmptyParts);
        if (tok.isEmpty())
            continue;
        DeviceSpec d;
        d.line = static_cast<int>(i + 1);
        const QString err = parseLine(tok, d);
        if (!err.isEmpty()) {
            r.devices.clear();
            r.error = QStringLiteral("%1:%2: %3").arg(source).arg(i + 1).arg(err);
            return r;
        }
        r.devices << d;
    }
    return r;
}

BusParseResult parseBusFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        BusParseResult r;
        r.error = QStringLiteral("%1: cannot read the bus file: %2").arg(path, f.errorString());
        return r;
    }
    return parseBusText(QString::fromUtf8(f.readAll()), path);
}

QString formatDevice(const DeviceSpec &d)
{
    auto hex = [](const auto &bytes) {
        QString s;
        for (uint8_t b : bytes)
            s += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        return s;
    };
    QString s = QStringLiteral("%1 %2 %3 %4 %5 %6")
                    .arg(d.address)
                    .arg(d.mixpro)
                    .arg(d.protype)
                    .arg(hex(d.batch), hex(d.number), hex(std::array<uint8_t, 1>{d.date}));
    if (d.silent)
        s += QStringLiteral(" silent");
    if (d.lateMs > 0)
        s += QStringLiteral(" late=%1").arg(d.lateMs);
    if (d.badCrc)
        s += QStringLiteral(" badcrc");
    if (d.wrongAddr)
        s += QStringLiteral(" wrongaddr");
    if (d.trailing > 0)
        s += QStringLiteral(" trailing=%1").arg(d.trailing);
    if (!d.splitPieces.isEmpty()) {
        QStringList p;
        for (int n : d.splitPieces)
            p << QString::number(n);
        s += QStringLiteral(" split=%1/%2").arg(p.join(u'+')).arg(d.splitGapMs);
    }
    for (auto it = d.pinned.cbegin(); it != d.pinned.cend(); ++it)
        s += QStringLiteral(" set=%1:%2").arg(it.key()).arg(it.value());
    return s;
}

} // namespace kestrel::sim
