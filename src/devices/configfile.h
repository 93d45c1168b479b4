#pragma once
// Polling configuration files (*.ini): GBK text, CR LF line ends.
//   line 1   SaveEnabled            True | False
//   line 2   PollStart,PollEnd      1,5
//   line 3   PollMinutes,PollSeconds 0,30
//   line 4…  one line per address of the range: mixpro,protype,absent,type name   0,0,1,
#include "devices/devicetable.h"
#include "devices/pollsettings.h"

#include <QString>
#include <QStringList>

namespace kestrel {

class Operator;

enum class ConfigLoad {
    NoFile,     // the operator chose no file
    Unreadable, // the file could not be opened or read
    Refused,    // a header line is wrong; the settings read before the fault keep the file's values
    Partial,    // header taken, the address lines stopped early; ConfigLoaded stays false
    Complete,   // everything taken; ConfigLoaded is true
};

// The dialog shows the file's range and interval after these two results.
inline bool showsLoadedValues(ConfigLoad r)
{
    return r == ConfigLoad::Partial || r == ConfigLoad::Complete;
}

struct ConfigApplied {
    ConfigLoad result = ConfigLoad::Refused;
    int addressesRead = 0; // address lines taken into the device table
};

// The lines of a configuration file for the current settings and device table.
QStringList configurationLines(const PollSettings &settings, const DeviceTable &table);

// Takes the lines of a configuration file into the settings and the device table, line by
// line, each value set as soon as it is read. Sets ConfigLoaded only when the file is complete.
ConfigApplied applyConfigurationLines(const QStringList &lines, PollSettings &settings, DeviceTable &table);

// "载入历史配置": asks for a file in the folder and loads it; messages go to the operator.
ConfigLoad loadConfiguration(Operator &op, const QString &folder, PollSettings &settings, DeviceTable &table);

// Save configuration (Command5_Click): asks for a file name in the folder and writes the file,
// replacing an existing one. The name is used as typed. True when the file was written.
bool saveConfiguration(Operator &op, const QString &folder, const PollSettings &settings,
                       const DeviceTable &table);

// The file bytes written for a configuration: GBK, CR LF.
QByteArray configurationBytes(const PollSettings &settings, const DeviceTable &table);

} // namespace kestrel
