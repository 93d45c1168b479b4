#pragma once
// The system's texts are UTF-8 literals in the texts.h of each area, marked with
// QT_TRANSLATE_NOOP("kestrel", ...). tr8 turns one into the QString that is shown: the text
// itself, or its English when `--lang en` installed the translator (common/language.h). Every
// caption and message goes through here.
//
// fileText is for what is written to files and the data base (record file headers, exports,
// quantity names in PROTYPE, log lines): always the text itself, whatever the interface language,
// so files written under either language compare.
#include <QCoreApplication>
#include <QString>

namespace kestrel {

inline QString tr8(const char *text)
{
    return QCoreApplication::translate("kestrel", text);
}

inline QString fileText(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace kestrel
