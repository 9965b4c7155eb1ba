#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

bool installQtTranslations(QCoreApplication& application, const QLocale& locale)
{
    // Owned by the application, so that it lives as long as the texts it translates.
    auto* translator = new QTranslator(&application);
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    // Installed after Qt's, so consulted first; it holds only what Qt's lacks.
    auto* supplement = new QTranslator(&application);
    if (!supplement->load(locale, QStringLiteral("qtbase_supplement"), QStringLiteral("_"),
                          QStringLiteral(":/translations")) ||
        !QCoreApplication::installTranslator(supplement))
        delete supplement;
    return true;
}

} // namespace app
