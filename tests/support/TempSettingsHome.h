#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace testsupport {

// A private XDG_CONFIG_HOME for one test: the user's settings store ("KVOR"/"4vt") lives in it
// while the object lives. QSettings caches its default paths at first use, so the path is also
// set explicitly.
class TempSettingsHome
{
public:
    TempSettingsHome()
    {
        m_oldHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }
    ~TempSettingsHome()
    {
        QFile::setPermissions(storeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(storeFile(), QFile::ReadOwner | QFile::WriteOwner);
        if (m_oldHome.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", m_oldHome);
    }

    QString home() const { return m_dir.path(); }
    QString storeDir() const { return m_dir.path() + QStringLiteral("/KVOR"); }
    QString storeFile() const { return storeDir() + QStringLiteral("/4vt.conf"); }

    QByteArray storeBytes() const
    {
        QFile file(storeFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Writes the store file by hand, as a user with an editor might.
    void writeStore(const QByteArray& contents) const
    {
        QDir().mkpath(storeDir());
        QFile file(storeFile());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(contents);
    }

    // What QSettings finds in the group Options of the store.
    QStringList storedNames() const
    {
        QSettings s(storeFile(), QSettings::IniFormat);
        s.beginGroup(QStringLiteral("Options"));
        return s.childKeys();
    }
    QVariant stored(const QString& name) const
    {
        QSettings s(storeFile(), QSettings::IniFormat);
        return s.value(QStringLiteral("Options/") + name);
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
};

} // namespace testsupport
