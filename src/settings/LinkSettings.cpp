#include "settings/LinkSettings.h"

#include "settings/QSettingsStore.h"

#include "core/OwnFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace settings {

namespace {

const QString kKey = QStringLiteral("Link/WinePrefix");

} // namespace

QString LinkSettings::winePrefix()
{
    const QString path = QSettingsStore().fileName();
    // A file that is no plain file of the user's is not read (a pipe would hold the start for
    // ever); the settings' load says so.
    if (!core::readableFileProblem(path).isEmpty())
        return {};
    QSettings stored(path, QSettings::IniFormat);
    const QVariant value = stored.value(kKey);
    return value.metaType().id() == QMetaType::QString ? value.toString() : QString();
}

bool LinkSettings::setWinePrefix(const QString& prefix)
{
    const QString path = QSettingsStore().fileName();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings stored(path, QSettings::IniFormat);
    if (prefix.isEmpty())
        stored.remove(kKey);
    else
        stored.setValue(kKey, prefix);
    stored.sync();
    return stored.status() == QSettings::NoError;
}

} // namespace settings
