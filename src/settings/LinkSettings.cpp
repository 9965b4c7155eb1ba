#include "settings/LinkSettings.h"

#include "settings/QSettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace settings {

namespace {

const QString kKey = QStringLiteral("Link/WinePrefix");

} // namespace

QString LinkSettings::winePrefix()
{
    QSettings stored(QSettingsStore().fileName(), QSettings::IniFormat);
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
