#pragma once
// The system's texts are UTF-8 literals in the texts.h of each area; this turns one into the
// QString that is shown. Every caption and message goes through here.
#include <QString>

namespace kestrel {

inline QString tr8(const char *text) { return QString::fromUtf8(text); }

} // namespace kestrel
