#include "taxfile/CopyToMedium.h"

#include "core/Error.h"
#include "core/Messages.h"
#include "settings/SettingsSource.h"
#include "taxfile/CopyRoutine.h"
#include "taxfile/TaxFileName.h"

namespace taxfile {

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
        CopyOptions options;
        options.syncToDevice = true;
        // Without a generated file the source would be the temporary directory itself.
        if (!fileName.isEmpty()) {
            copyFile(tempDir + fileName, destination + fileName, options);
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
