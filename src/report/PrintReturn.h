#pragma once

#include "report/ReportFill.h"

#include <QString>

#include <functional>

class QWidget;

namespace settings {
class SettingsSource;
}

namespace report {

class PreviewWindow;

// The printing step of "Сформувати звіт": a new instance of the form over the tax file
// dir + taxFileName, filled from the settings and the dialog's choices, shown in a preview
// window owned by `owner`; returns when that preview has been closed (or the application is
// ending), keeping the user interface alive meanwhile. Failures throw core::Error before any
// preview is shown. When the dialog's quarter or year is not the one the file was made for, the
// user is asked first whether to go on; stopping shows no preview.
void printReturn(const settings::SettingsSource& settings, const taxformat::RunChoices& choices,
                 const QString& dir, const QString& taxFileName, QWidget* owner);

// Told of every preview as it opens (tests and the benchmark look at it).
void setPreviewObserver(std::function<void(PreviewWindow*)> observer);

} // namespace report
