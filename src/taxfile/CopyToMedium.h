#pragma once

#include <QString>

namespace settings {
class SettingsSource;
}

namespace taxfile {

// The failure text of the copy to a medium, whatever went wrong.
QString copyToMediumFailureText();
// The line under it that names the path the file was to get.
QString uploadTargetLine(const QString& destination, const QString& fileName);

// Asks the user to prepare the device named by DestinationA, then copies tempDir + fileName to
// DestinationA + fileName (joined as text) and forces it onto the device. Every failure is
// replaced by one plain message, with the target path on a second line; success shows nothing.
// Never throws.
void copyToMedium(const settings::SettingsSource& settings, const QString& tempDir,
                  const QString& fileName);

// The same for the last generated tax file in the temporary directory.
void copyToMedium(const settings::SettingsSource& settings);

} // namespace taxfile
