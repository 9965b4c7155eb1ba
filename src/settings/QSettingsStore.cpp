#include "settings/QSettingsStore.h"

#include "core/Error.h"
#include "core/OwnFiles.h"
#include "core/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMetaType>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QVariant>

#include <filesystem>
#include <optional>
#include <system_error>

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

// The store as it will be once `values` are set in the one at `path`, composed by QSettings in a
// scratch file and read back under a name QSettings has never seen, so that what is checked is
// what reached the disk and not what QSettings remembers of it (a rename, never a hard link:
// FAT disks and some network home folders refuse links). Nothing when any step fails.
std::optional<QByteArray> composedStore(const QString& path,
                                        const SettingsStore::NamedValues& values)
{
    QTemporaryFile scratch(path + QStringLiteral(".XXXXXX"));
    scratch.setAutoRemove(true);
    if (!scratch.open())
        return std::nullopt;
    {
        QFile old(path);
        if (old.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = old.readAll();
            if (scratch.write(bytes) != bytes.size() || !scratch.flush())
                return std::nullopt;
        }
    }
    scratch.close();
    const QString scratchPath = scratch.fileName();
    {
        QSettings next(scratchPath, QSettings::IniFormat);
        next.setAtomicSyncRequired(false);
        next.beginGroup(kGroup);
        for (const auto& [name, text] : values)
            next.setValue(name, text);
        next.endGroup();
        next.sync();
        if (next.status() != QSettings::NoError)
            return std::nullopt;
    }
    const QString checkPath = scratchPath + QStringLiteral(".v");
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(scratchPath.toStdU16String()),
                            std::filesystem::path(checkPath.toStdU16String()), error);
    if (error)
        return std::nullopt;
    const auto removeCheck = qScopeGuard([&] { QFile::remove(checkPath); });
    QSettings check(checkPath, QSettings::IniFormat);
    if (check.status() != QSettings::NoError)
        return std::nullopt;
    check.beginGroup(kGroup);
    for (const auto& [name, text] : values) {
        const QVariant stored = check.value(name);
        if (stored.metaType().id() != QMetaType::QString || stored.toString() != text)
            return std::nullopt;
    }
    QFile composed(checkPath);
    if (!composed.open(QIODevice::ReadOnly))
        return std::nullopt;
    return composed.readAll();
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
    if (!m_iniFile.isEmpty())
        return m_iniFile;
#ifdef _WIN32
    return makeSettings()->fileName();
#else
    // Named without a QSettings, which would read the file (and every fallback) to be made.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/KVOR/4vt.conf");
#endif
}

QStringList QSettingsStore::filesRead() const
{
    if (!m_iniFile.isEmpty())
        return {m_iniFile};
#ifdef _WIN32
    return {};
#else
    // The user's file and the organisation's beside it, then the same in every system folder.
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    folders.prepend(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    folders.append(QLibraryInfo::path(QLibraryInfo::SettingsPath));
    folders.removeDuplicates();
    QStringList files;
    for (const QString& folder : folders)
        files << folder + QStringLiteral("/KVOR/4vt.conf") << folder + QStringLiteral("/KVOR.conf");
    return files;
#endif
}

QString QSettingsStore::unreadableText(const QString& path, const QString& why)
{
    // The program's own sentence, so the reasons it knows are said in its own language.
    QString reason = why;
    if (why == QStringLiteral("it is not a file"))
        reason = QStringLiteral("це не звичайний файл");
    else if (why == QStringLiteral("it belongs to another user"))
        reason = QStringLiteral("він належить іншому користувачеві");
    return QStringLiteral("Файл налаштувань \"%1\" не прочитано (%2): діють типові "
                          "налаштування")
        .arg(core::shownValue(QDir::toNativeSeparators(path)), reason);
}

void QSettingsStore::open()
{
    // QSettings reads each file by its name and would wait for ever on a pipe; so each is looked
    // at first, without waiting, and must be a plain file of the user's (or the system's).
    for (const QString& file : filesRead()) {
        const QString why = core::readableFileProblem(file);
        if (!why.isEmpty())
            throw UnreadableStore(unreadableText(file, why));
    }
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
    const QString path = QFileInfo(settings->fileName()).absoluteFilePath();
    if (!settings->isWritable())
        throw core::Error(createKeyFailure());
    settings.reset();

    // QSettings does not notice a write cut short (a full disk takes part of the data and then
    // refuses the rest). So the new store is composed beside the old one and checked, and its
    // bytes are then put in place by the safe write, every one of them checked; until then the
    // stored settings are as they were.
    const QString failure = setDataFailure(values.isEmpty() ? kGroup : values.first().first);
    const std::optional<QByteArray> bytes = composedStore(path, values);
    if (!bytes)
        throw core::Error(failure);
    try {
        core::writeSafely(path, [&](QIODevice& out) { out.write(*bytes); });
    } catch (const core::Error&) {
        throw core::Error(failure);
    }
}

void QSettingsStore::close()
{
    m_settings.reset();
}

} // namespace settings
