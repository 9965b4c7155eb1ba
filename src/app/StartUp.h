#pragma once

namespace app {

// The program's start: one copy per user, the splash while the long-lived windows are made,
// then the main window's event loop.
class StartUp
{
public:
    // Returns the process's exit code.
    static int run(int argc, char** argv);
};

} // namespace app
