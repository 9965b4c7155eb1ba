#pragma once

#include <QString>

namespace settings {

// Where "Вигрузити файл" puts the tax file. The DestinationA text is joined to the file's name
// as it stands, so the text has to end with the separator (or, on Windows, be a bare drive "A:").

// "A:\", "A:", "C:\TAX": the text names a drive by its letter, and this system has no such drive
// (on Windows: no drive of that letter at all, with or without a medium; elsewhere drives have
// no letters, so every such text is one).
bool namesMissingDrive(const QString& destination);

// The text with "~" and "~/…" taken as the user's home folder, as the shell and every file
// dialog here take them (not on Windows, where "~" is an ordinary name).
QString withHomeFolder(const QString& destination);

// The path the upload writes `fileName` to: the text with its home folder, joined to the name,
// made absolute from the working folder; a text that names a missing drive stays as it is.
QString uploadTarget(const QString& destination, const QString& fileName);

// Why the file will not land in the folder the text seems to name (a missing drive, no final
// separator); empty when the text is sound or empty.
QString destinationProblem(const QString& destination);

} // namespace settings
