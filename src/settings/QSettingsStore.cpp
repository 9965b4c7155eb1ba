#include "settings/QSettingsStore.h"

#include "core/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaType>
#include <QSettings>
#include <QVariant>

namespace settings {

namespace {

const QString kGroup = QStringLiteral("Options");

QString createKeyFailure()
{
    return QStringLiteral("Failed to create key %1").arg(kGroup);
}

QString setDataFailure(const QString& name)
{
    return QStringLiteral("Failed to set data for '%1'").arg(name);
}

} // namespace

QSettingsStore::QSettingsStore() = default;

QSettingsStore::QSettingsStore(const QString& iniFile) : m_iniFile(iniFile) {}

QSettingsStore::~QSettingsStore() = default;

std::unique_ptr<QSettings> QSettingsStore::makeSettings() const
{
    if (!m_iniFile.isEmpty())
        return std::make_unique<QSettings>(m_iniFile, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("KVOR"), QStringLiteral("4vt"));
}

QString QSettingsStore::fileName() const
{
    return makeSettings()->fileName();
}

void QSettingsStore::open()
{
    m_settings = makeSettings();
    // The key exists from the first start on, even before anything is saved: an empty file.
    const QString path = m_settings->fileName();
    if (!QFileInfo::exists(path)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        // NewOnly: a file that appeared meanwhile is never truncated.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(path))
            throw core::Error(createKeyFailure());
    }
    if (m_settings->status() == QSettings::AccessError)
        throw core::Error(createKeyFailure());
}

SettingsStore::Value QSettingsStore::read(const QString& name)
{
    if (!m_settings)
        open();
    const QString key = kGroup + u'/' + name;
    if (!m_settings->contains(key))
        return {Value::Missing, {}};
    const QVariant value = m_settings->value(key);
    // INI syntax can give back lists ("a, b") and typed values ("@Variant(...)"); only a plain
    // text is a setting.
    if (value.metaType().id() != QMetaType::QString)
        return {Value::NotText, {}};
    return {Value::Text, value.toString()};
}

void QSettingsStore::write(const NamedValues& values)
{
    std::unique_ptr<QSettings> settings = makeSettings();
    settings->setAtomicSyncRequired(true);
    if (!settings->isWritable())
        throw core::Error(createKeyFailure());
    settings->beginGroup(kGroup);
    for (const auto& [name, text] : values)
        settings->setValue(name, text);
    settings->endGroup();
    // QSettings replaces the file through a temporary one, so a failed write leaves the previous
    // file whole; then nothing of this save was stored, and the first value is what failed.
    settings->sync();
    if (settings->status() != QSettings::NoError)
        throw core::Error(setDataFailure(values.isEmpty() ? kGroup : values.first().first));
}

void QSettingsStore::close()
{
    m_settings.reset();
}

} // namespace settings
