#pragma once

namespace app {

// The program's start: one copy per user, the splash while the long-lived windows are made,
// then the main window's event loop.
class StartUp
{
public:
    // Returns the process's exit code.
    static int run(int argc, char** argv);

    // The launcher's word that it could not start the program, shown in the standard error box
    // (a menu entry has no terminal to show it in); returns 1 once the box is closed.
    static int showStartFailure(int argc, char** argv, const char* text);
};

} // namespace app
