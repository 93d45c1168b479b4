#include "configfile.h"
#include "common/tr8.h"

#include "common/log.h"
#include "common/numeric.h"
#include "common/operator.h"
#include "common/textfile.h"
#include "devices/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include "common/safefile.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace kestrel {
namespace {

// A configuration file of the full range is a few kilobytes; anything past this is not one of
// ours and only its beginning is looked at.
constexpr qint64 MaxReadBytes = 1 << 20;

constexpr int HeaderLines = 3;

// "True"/"False" in any letter case, or a finite number (true when not 0): "nan" and "inf" are
// no answer to the save question.
std::optional<bool> parseBoolean(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v != 0.0;
}

int toInt16(qint64 v)
{
    return static_cast<int>(
        std::clamp<qint64>(v, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

bool isByte(qint64 v)
{
    return v >= 0 && v <= 255;
}

// Line 3: the minutes must fit a byte, the seconds 0..60, and the interval be at least 1 s.
bool takeInterval(const QString &line, PollSettings &settings)
{
    const QStringList f = line.split(u',');
    if (f.size() < 2)
        return false;
    const qint64 m = numericValue(f[0]);
    const qint64 s = numericValue(f[1]);
    if (isByte(m))
        settings.PollMinutes = static_cast<uint8_t>(m);
    if (isByte(s))
        settings.PollSeconds = static_cast<uint8_t>(s);
    return isByte(m) && s >= 0 && s <= 60 && m * 60 + s >= 1;
}

// Line 2: PollStart,PollEnd within 1..255 and in order.
bool takeRange(const QString &line, DeviceTable &table)
{
    const QStringList f = line.split(u',');
    if (f.size() < 2)
        return false;
    const qint64 s = numericValue(f[0]);
    const qint64 e = numericValue(f[1]);
    table.PollStart = toInt16(s);
    table.PollEnd = toInt16(e);
    return !(s > e || s < DeviceTable::FirstAddress || e > DeviceTable::LastAddress);
}

// One address line; the entry is changed only when the whole line is good.
bool takeAddressLine(const QString &line, DeviceEntry &entry)
{
    const QStringList f = line.split(u',');
    if (f.size() < 4)
        return false;
    const qint64 mixpro = numericValue(f[0]);
    const qint64 protype = numericValue(f[1]);
    const qint64 absent = numericValue(f[2]);
    if (!isByte(mixpro) || !isByte(protype) || !isByte(absent))
        return false;
    entry.mixpro = static_cast<uint8_t>(mixpro);
    entry.protype = static_cast<uint8_t>(protype);
    entry.absent = static_cast<uint8_t>(absent);
    entry.typeName = f[3].trimmed();
    return true;
}

QString shownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QStringList configurationLines(const PollSettings &settings, const DeviceTable &table)
{
    QStringList lines;
    lines << (settings.SaveEnabled ? QStringLiteral("True") : QStringLiteral("False"));
    lines << QStringLiteral("%1,%2").arg(table.PollStart).arg(table.PollEnd);
    lines << QStringLiteral("%1,%2").arg(settings.PollMinutes).arg(settings.PollSeconds);
    const int first = std::max(table.PollStart, DeviceTable::FirstAddress);
    const int last = std::min(table.PollEnd, DeviceTable::LastAddress);
    for (int a = first; a <= last; ++a) {
        const DeviceEntry &d = table.at(a);
        lines << QStringLiteral("%1,%2,%3,%4").arg(d.mixpro).arg(d.protype).arg(d.absent).arg(d.typeName);
    }
    return lines;
}

QByteArray configurationBytes(const PollSettings &settings, const DeviceTable &table)
{
    return gbkLines(configurationLines(settings, table));
}

ConfigApplied applyConfigurationLines(const QStringList &lines, PollSettings &settings, DeviceTable &table)
{
    ConfigApplied r;
    settings.ConfigLoaded = false;
    if (lines.size() < 1)
        return r;
    const std::optional<bool> save = parseBoolean(lines[0]);
    if (!save)
        return r;
    settings.SaveEnabled = *save;
    if (lines.size() < 2 || !takeRange(lines[1], table))
        return r;
    if (lines.size() < 3 || !takeInterval(lines[2], settings))
        return r;

    r.result = ConfigLoad::Complete;
    for (int a = table.PollStart; a <= table.PollEnd; ++a) {
        const int index = HeaderLines + (a - table.PollStart);
        if (index >= lines.size() || !takeAddressLine(lines[index], table.at(a))) {
            r.result = ConfigLoad::Partial;
            break;
        }
        ++r.addressesRead;
    }
    settings.ConfigLoaded = r.result == ConfigLoad::Complete;
    return r;
}

ConfigLoad loadConfiguration(Operator &op, const QString &folder, PollSettings &settings, DeviceTable &table)
{
    settings.ConfigLoaded = false;
    const QString answer = op.askOpenFile(folder, tr8(texts::devices::IniFilter));
    if (answer.isEmpty()) {
        op.message(tr8(texts::devices::ChooseConfigFile));
        return ConfigLoad::NoFile;
    }
    const QString path = QDir(folder).filePath(answer);
    QFile file(path);
    QByteArray bytes;
    bool readOk = !QFileInfo(path).isDir() && file.open(QIODevice::ReadOnly);
    if (readOk) {
        bytes = file.read(MaxReadBytes);
        readOk = file.error() == QFileDevice::NoError;
    }
    if (!readOk) {
        appendLog(QStringLiteral("configuration file %1 not read: %2").arg(path, file.errorString()));
        op.message(tr8(texts::devices::ConfigFileUnreadable) + shownPath(path), {}, Operator::Icon::Warning);
        return ConfigLoad::Unreadable;
    }
    file.close();

    const ConfigApplied applied = applyConfigurationLines(readTextLines(bytes), settings, table);
    if (applied.result == ConfigLoad::Refused) {
        op.message(tr8(texts::devices::ConfigFileBad));
    } else if (applied.result == ConfigLoad::Partial) {
        appendLog(QStringLiteral("configuration file %1 stops early: %2 of %3 address lines taken")
                      .arg(path)
                      .arg(applied.addressesRead)
                      .arg(table.PollEnd - table.PollStart + 1));
    }
    return applied.result;
}

bool saveConfiguration(Operator &op, const QString &folder, const PollSettings &settings,
                       const DeviceTable &table)
{
    const QString answer = op.askSaveFile(folder, tr8(texts::devices::IniFilter));
    if (answer.isEmpty()) {
        op.message(tr8(texts::devices::EnterFileName));
        return false;
    }
    const QString path = QDir(folder).filePath(answer);
    const QByteArray bytes = configurationBytes(settings, table);
    // Written beside and renamed over the old file once every byte is on the disk, so a failed
    // write never leaves half a file nor shortens the old one.
    QString why;
    if (!writeWholeFile(path, bytes, &why)) {
        appendLog(QStringLiteral("configuration file %1 not written: %2").arg(path, why));
        op.message(tr8(texts::devices::ConfigFileUnwritable) + shownPath(path), {}, Operator::Icon::Warning);
        return false;
    }
    return true;
}

} // namespace kestrel
