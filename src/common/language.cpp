#include "language.h"

#include <QCoreApplication>
#include <QTranslator>

namespace kestrel {

bool knownLanguage(const QString &language)
{
    return language == QLatin1String("zh") || language == QLatin1String("en");
}

bool installLanguage(QCoreApplication &app, const QString &language)
{
    if (language == QLatin1String("zh"))
        return true;
    if (language != QLatin1String("en"))
        return false;
    // The .qm is compiled from translations/kestrel_en.ts and built into the program.
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral(":/i18n/kestrel_en.qm"))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace kestrel
