#pragma once

namespace settings {
class SettingsSource;
}
namespace taxfile {
class Report1Dlg;
}

namespace app {

// The program's start: one copy per user, the splash while the long-lived windows are made,
// then the main window's event loop.
class StartUp
{
public:
    // Returns the process's exit code.
    static int run(int argc, char** argv);

    // Gives the report dialog its check window, shown beside it after a finished run, and its
    // printed return with the preview, filled from `settings`.
    static void wireReportDialog(taxfile::Report1Dlg& dialog,
                                 const settings::SettingsSource& settings);

    // The launcher's word that it could not start the program, shown in the standard error box
    // (a menu entry has no terminal to show it in); returns 1 once the box is closed.
    static int showStartFailure(int argc, char** argv, const char* text);
};

} // namespace app
