// The instance block between processes: a first copy with its main window, later copies.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

constexpr char kName[] = "Zvitnyk";
constexpr DWORD kWait = 15000;

std::string probePath()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    return self.substr(0, self.find_last_of('\\') + 1) + "instance-probe.exe";
}

// Starts the probe; its process handle (nullptr when it cannot start).
HANDLE startProbe(const char* mode)
{
    std::string commandLine = "\"" + probePath() + "\" " + kName + " " + mode;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD exitCodeOf(HANDLE process)
{
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(process, kWait) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

// What the block holds, read without keeping it open.
HWND storedWindow()
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kName);
    if (!mapping)
        return nullptr;
    const auto* view =
        static_cast<const std::uint32_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 4));
    HWND window = view ? reinterpret_cast<HWND>(static_cast<std::uintptr_t>(*view)) : nullptr;
    if (view)
        UnmapViewOfFile(view);
    CloseHandle(mapping);
    return window;
}

// True when `upper` stands above `lower` in the order of top-level windows.
bool isAbove(HWND upper, HWND lower)
{
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == upper)
            return true;
        if (w == lower)
            return false;
    }
    return false;
}

void pumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

} // namespace

TEST(InstanceBlockWin, LaterCopyRaisesTheFirstCopysWindowAndTheNextStartAfterItIsFirst)
{
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, (std::string(kName) + "-ready").c_str());
    HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, (std::string(kName) + "-quit").c_str());
    ASSERT_TRUE(ready && quit);

    HANDLE first = startProbe("first");
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(WaitForSingleObject(ready, kWait), WAIT_OBJECT_0);
    const HWND firstWindow = storedWindow();
    ASSERT_TRUE(IsWindow(firstWindow));

    // Another window goes on top of the first copy's.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(other, SW_SHOWNORMAL);
    SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    pumpMessages();
    ASSERT_TRUE(isAbove(other, firstWindow));

    EXPECT_EQ(exitCodeOf(startProbe("start")), 0u);
    pumpMessages();
    EXPECT_TRUE(isAbove(firstWindow, other));

    SetEvent(quit);
    EXPECT_EQ(exitCodeOf(first), 0u);
    EXPECT_EQ(storedWindow(), nullptr) << "the block outlived every process holding it";
    EXPECT_EQ(exitCodeOf(startProbe("start")), 3u);

    DestroyWindow(other);
    CloseHandle(ready);
    CloseHandle(quit);
}
