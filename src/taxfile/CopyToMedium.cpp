#include "taxfile/CopyToMedium.h"

#include "core/Error.h"
#include "core/Messages.h"
#include "settings/SettingsSource.h"
#include "taxfile/CopyRoutine.h"
#include "taxformat/TaxFileName.h"

#include <QDir>

namespace taxfile {

namespace {

// "A:\", "A:", "C:\TAX": a drive letter, which only Windows has. Elsewhere such a text names
// no medium at all, only a strange file in the current directory.
bool namesMissingDrive(const QString& destination)
{
#ifdef _WIN32
    Q_UNUSED(destination);
    return false;
#else
    return destination.size() >= 2 && destination[1] == u':' && destination[0].isLetter() &&
           destination[0].unicode() < 0x80;
#endif
}

// "~" and "~/…" name the user's home folder, as the shell and every file dialog here take them;
// joined as they stand they would make a folder named "~" in the working folder instead.
QString withHomeFolder(const QString& destination)
{
#ifdef _WIN32
    return destination;
#else
    if (destination == u'~' || destination.startsWith(QStringLiteral("~/")))
        return QDir::homePath() + destination.mid(1);
    return destination;
#endif
}

} // namespace

QString copyToMediumFailureText()
{
    return QStringLiteral("Помилка при вигрузці !!! Повторіть операцію ще один раз.");
}

void copyToMedium(const settings::SettingsSource& settings, const QString& tempDir,
                  const QString& fileName)
{
    const QString destination = settings.text(QStringLiteral("DestinationA"));
    core::messages().showMessage(QStringLiteral("Підготуйте пристрій ") +
                                 core::shownValue(destination));
    bool copied = false;
    try {
        // Without a generated file the source would be the temporary directory itself.
        if (!fileName.isEmpty() && !namesMissingDrive(destination)) {
            copyFile(tempDir + fileName, withHomeFolder(destination) + fileName);
            copied = true;
        }
    } catch (...) {
        copied = false;
    }
    if (!copied)
        core::messages().showMessage(copyToMediumFailureText());
}

void copyToMedium(const settings::SettingsSource& settings)
{
    copyToMedium(settings, tempDirectory(), TaxFileName());
}

} // namespace taxfile
