// bench-dde-win [ITERATIONS]: under Wine, the cost of a bare cross-thread window message round
// trip, and of one ask (advise stop, advise start, request) over DDEML to a server made of raw
// DDE messages on another thread. bench-link measures the same on the Linux local transport.

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

} // namespace

int main(int argc, char** argv)
{
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    messageRoundTrips(iterations);
    askRoundTrips(iterations);
    return 0;
}
