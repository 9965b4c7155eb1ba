// instance-probe NAME start: a copy of the program as far as its start-up decides: a later copy
//   raises the stored window and ends with 0; a first copy ends with 3 instead of starting.
// instance-probe NAME first: the first copy: its main window's handle in the block, then the
//   event "NAME-ready" set; it runs until the event "NAME-quit" is set.
#include "app/InstanceBlockWin.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace {

constexpr int kWouldStart = 3;

int runFirst(const std::string& name)
{
    app::win::InstanceBlock block(name);
    if (!block.isFirst())
        return 4;
    HWND window = CreateWindowExA(0, "STATIC", "4\xC2\xD2", WS_OVERLAPPEDWINDOW, 0, 0, 435, 300,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window)
        return 5;
    ShowWindow(window, SW_SHOWNORMAL);
    block.storeHandle(reinterpret_cast<std::uintptr_t>(window));
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + "-ready").c_str());
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, (name + "-quit").c_str());
    if (!ready || !quit)
        return 6;
    SetEvent(ready);
    // The message loop: a later copy's raise arrives as messages to this thread.
    while (MsgWaitForMultipleObjects(1, &quit, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const std::string name = argv[1];
    const std::string mode = argv[2];
    if (mode == "first")
        return runFirst(name);
    app::win::InstanceBlock block(name);
    if (block.isFirst())
        return kWouldStart;
    block.raiseStored();
    return 0;
}
