#pragma once

#include "settings/SettingsStore.h"

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace settings {

// The store as an INI file through QSettings: by default the user's "KVOR"/"4vt" settings
// (~/.config/KVOR/4vt.conf on Linux), group "Options". A save either replaces the file as a
// whole or leaves it as it was.
class QSettingsStore final : public SettingsStore
{
public:
    QSettingsStore();
    // A store in the given INI file instead of the user's.
    explicit QSettingsStore(const QString& iniFile);
    ~QSettingsStore() override;

    QString fileName() const;
    // Every file QSettings reads for this store, fallbacks included.
    QStringList filesRead() const;
    static QString unreadableText(const QString& path, const QString& why);

    // Throws UnreadableStore when one of its files is no plain file of the user's (a pipe, a
    // device, another user's file), before anything reads it.
    void open() override;
    Value read(const QString& name) override;
    void write(const NamedValues& values) override;
    void close() override;

private:
    std::unique_ptr<QSettings> makeSettings() const;

    QString m_iniFile;
    std::unique_ptr<QSettings> m_settings;
};

} // namespace settings
