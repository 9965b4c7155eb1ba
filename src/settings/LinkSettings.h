#pragma once

#include <QString>

namespace settings {

// The link's own settings, group "Link" of the user's settings file, beside the group "Options"
// that the settings dialog owns and rewrites.
class LinkSettings
{
public:
    // The Wine prefix where the accounting program runs; empty: the link goes over the local
    // socket. "WinePrefix" in group "Link".
    static QString winePrefix();
    // Stores the prefix, or removes the key when it is empty. False when it could not be saved.
    static bool setWinePrefix(const QString& prefix);
};

} // namespace settings
