// bench-dde-win [ITERATIONS]: under Wine, the cost of a bare cross-thread window message round
// trip, and of one ask (advise stop, advise start, request) over DDEML to a server made of raw
// DDE messages on another thread. bench-link measures the same on the Linux local transport.
// bench-dde-win --rounds SERVER: that ask, and the same ask to SERVER (the accounting program's
// double) in a process of its own, in rounds set going on standard input (bench-bridge).

#include "FakeDdeServer.h"
#include "link/DdemlClient.h"
#include "link/ItemLink.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void report(const char* what, std::vector<double> micros)
{
    if (micros.empty()) {
        std::printf("%-44s failed\n", what);
        return;
    }
    std::sort(micros.begin(), micros.end());
    const double mean = std::accumulate(micros.begin(), micros.end(), 0.0) / micros.size();
    std::printf("%-44s n=%zu  mean %.2f us  median %.2f us  p99 %.2f us\n", what, micros.size(),
                mean, micros[micros.size() / 2], micros[micros.size() * 99 / 100]);
}

LRESULT CALLBACK echo(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP)
        return static_cast<LRESULT>(lParam + 1);
    if (message == WM_CLOSE) {
        DestroyWindow(window);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// SendMessage to a window of another thread and back: the floor under any DDE transaction.
void messageRoundTrips(int iterations)
{
    std::promise<HWND> created;
    std::thread peer([&created] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = echo;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "FvtBenchEcho";
        RegisterClassA(&windowClass);
        created.set_value(CreateWindowA("FvtBenchEcho", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                        windowClass.hInstance, nullptr));
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0)
            DispatchMessageA(&message);
    });
    HWND window = created.get_future().get();
    std::vector<double> micros;
    for (int i = 0; i < iterations; ++i) {
        const auto start = Clock::now();
        if (SendMessageA(window, WM_APP, 0, i) != i + 1)
            break;
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    peer.join();
    report("cross-thread SendMessage round trip", micros);
}

void askRoundTrips(int iterations)
{
    fakedde::FakeDdeServer server("\xC1\xD3\xD5", "\xC2\xDB\xD0");
    server.answer("\xD1\xCD\x31:1.52", "1234567890");
    server.answer("\xD1\xCD\x31:2.52", "2345678901");
    ddelink::DdemlClient client;
    ddelink::ItemLink link(client);
    if (!client.connect("\xC1\xD3\xD5", "\xC2\xDB\xD0")) {
        report("ask over DDEML (stop, start, request)", {});
        return;
    }
    std::vector<double> micros;
    for (int i = 0; i < iterations; ++i) {
        const auto start = Clock::now();
        if (!link.set(i % 2 ? "\xD1\xCD\x31:1.52" : "\xD1\xCD\x31:2.52") || link.text().empty())
            break;
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        server.clearLog();
    }
    report("ask over DDEML (stop, start, request)", micros);
}

// The ask of askRoundTrips to a server on a thread of ours, and to the accounting program's
// double in a process of its own (SERVER, started as "SERVER ВЫР", answering from
// FVT_FAKE_BOOKS), in rounds that the caller sets going: each line N on standard input makes N
// asks on each, and "done" follows. Both are reported at the end of the input. So a caller that
// measures its own ask between the rounds compares the three on the same machine.
int askInRounds(const std::string& serverProgram)
{
    fakedde::FakeDdeServer server("\xC1\xD3\xD5", "\xC2\xDB\xD0");
    server.answer("\xD1\xCD\x31:1.52", "1234567890");
    server.answer("\xD1\xCD\x31:2.52", "2345678901");
    ddelink::DdemlClient threadClient, processClient;
    ddelink::ItemLink threadLink(threadClient), processLink(processClient);
    // Each server takes one client: the thread's is connected first, then the double is started
    // and found by the second connect.
    if (!threadClient.connect("\xC1\xD3\xD5", "\xC2\xDB\xD0")) {
        std::fprintf(stderr, "bench-dde-win: no server on the thread\n");
        return 1;
    }
    std::string command = '"' + serverProgram + "\" \xC2\xDB\xD0";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "bench-dde-win: cannot start %s\n", serverProgram.c_str());
        return 1;
    }
    CloseHandle(process.hThread);
    const ULONGLONG start = GetTickCount64();
    bool connected = false;
    while (!(connected = processClient.connect("\xC1\xD3\xD5", "\xC2\xDB\xD0")) &&
           GetTickCount64() - start < 30000)
        Sleep(50);
    std::vector<double> threadMicros, processMicros;
    auto ask = [](ddelink::ItemLink& link, int i, std::vector<double>& micros) {
        const auto begin = Clock::now();
        if (!link.set(i % 2 ? "\xD1\xCD\x31:1.52" : "\xD1\xCD\x31:2.52") || link.text().empty())
            return false;
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - begin).count());
        return true;
    };
    bool ok = connected;
    std::printf(ok ? "ready\n" : "failed\n");
    std::fflush(stdout);
    char line[64];
    while (ok && std::fgets(line, sizeof line, stdin)) {
        const int count = std::atoi(line);
        for (int i = 0; ok && i < count; ++i)
            ok = ask(threadLink, i, threadMicros) && ask(processLink, i, processMicros);
        server.clearLog();
        std::printf(ok ? "done\n" : "failed\n");
        std::fflush(stdout);
    }
    processClient.disconnect(); // the double ends with its conversation
    if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    report("ask over DDEML (stop, start, request)", ok ? threadMicros : std::vector<double>{});
    report("ask over DDEML to another process", ok ? processMicros : std::vector<double>{});
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--rounds")
        return askInRounds(argv[2]);
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    messageRoundTrips(iterations);
    askRoundTrips(iterations);
    return 0;
}
