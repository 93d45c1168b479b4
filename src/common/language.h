#pragma once
#include <QString>

class QCoreApplication;

namespace kestrel {

// The interface languages: "zh" (the texts as they are; the default) and "en". The system locale
// never chooses one.
bool knownLanguage(const QString &language);

// Installs the translator of `language` on the application ("zh" installs none). False when the
// compiled translation cannot be loaded.
bool installLanguage(QCoreApplication &app, const QString &language);

} // namespace kestrel
