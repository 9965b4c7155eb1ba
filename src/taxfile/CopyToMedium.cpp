#include "taxfile/CopyToMedium.h"

#include "core/Error.h"
#include "core/Messages.h"
#include "settings/SettingsSource.h"
#include "settings/UploadPath.h"
#include "taxfile/CopyRoutine.h"
#include "taxformat/TaxFileName.h"

namespace taxfile {

QString copyToMediumFailureText()
{
    return QStringLiteral("Помилка при вигрузці !!! Повторіть операцію ще один раз.");
}

QString uploadTargetLine(const QString& destination, const QString& fileName)
{
    return QStringLiteral("Шлях файла: ") + settings::uploadTarget(destination, fileName);
}

void copyToMedium(const settings::SettingsSource& settings, const QString& tempDir,
                  const QString& fileName)
{
    const QString destination = settings.text(QStringLiteral("DestinationA"));
    core::messages().showMessage(QStringLiteral("Підготуйте пристрій ") +
                                 core::shownValue(destination));
    bool copied = false;
    try {
        // Without a generated file the source would be the temporary directory itself. A drive
        // this system does not have names no medium, only a strange file in the working folder.
        if (!fileName.isEmpty() && !settings::namesMissingDrive(destination)) {
            copyFile(tempDir + fileName, settings::withHomeFolder(destination) + fileName);
            copied = true;
        }
    } catch (...) {
        copied = false;
    }
    // The one message, and where the file was to go: most failures come from the setting.
    if (!copied)
        core::messages().showMessage(copyToMediumFailureText() + u'\n' +
                                     uploadTargetLine(destination, fileName));
}

void copyToMedium(const settings::SettingsSource& settings)
{
    copyToMedium(settings, taxformat::tempDirectory(), taxformat::TaxFileName());
}

} // namespace taxfile
