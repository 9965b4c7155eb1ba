// 4vt-dde-bridge.exe SERVICE: the accounting program's DDE conversation for 4ВТ on Linux, run
// by Wine in the prefix where the accounting program runs. It reads the local transport's frames
// on standard input and carries each out as the matching DDEML transaction: C connects to
// SERVICE on the frame's topic (starting "SERVICE TOPIC" once when nobody serves), S and T start
// and stop a warm link without data, R requests the item as text, Q runs a whole ask of the item
// link here (stop on the previous item, start on the new one, request it: the program's own steps
// and results, in one exchange instead of three), X disconnects and ends. Each reply goes to
// standard output as one frame with the same id. It greets with an A frame of id 0
// once it can take frames. When the conversation ends (refused connect, server gone, X, end of
// input, a malformed frame) the bridge ends. It opens no port and no file; diagnostics go to
// standard error.

#include "link/ClientTransport.h"
#include "link/DdemlClient.h"
#include "link/Frame.h"
#include "link/FrameDecoder.h"
#include "link/ItemLink.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

using ddelink::Frame;

namespace {

// The program waits 1000 ms for each reply, as on Windows, and drops what comes later by its id.
// The bridge's own wait is longer, so that its answer to a transaction the server did not answer
// in time always comes after the program has given up on it: it can never pass for a refusal.
// A late reply from the server is then settled by the DDEML client before the next transaction.
constexpr std::chrono::milliseconds kDdeWait{1500};
// An ask's transactions are waited for here, each as long as the program waits for one, and the
// reply says when one got no answer; the program's wait covers all three.
constexpr std::chrono::milliseconds kAskWait{1000};
// How long the main thread looks for the next frame before it sleeps until the reader wakes it.
// During a run the next frame follows a reply within some tens of microseconds; one that comes
// later finds the main thread asleep, which costs a wake-up and spares a core the idle spin.
constexpr std::chrono::microseconds kSpin{200};

bool waitServing(HANDLE event, DWORD ms);

// Standard input, read on a thread of its own: the main thread keeps serving the messages that
// other programs send to its DDE windows while it waits for the next frame.
class InputReader
{
public:
    InputReader() : m_input(GetStdHandle(STD_INPUT_HANDLE))
    {
        m_ready = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        HANDLE thread = CreateThread(nullptr, 0, &InputReader::run, this, 0, nullptr);
        if (thread)
            CloseHandle(thread);
        else
            finish();
    }
    HANDLE ready() const { return m_ready; }

    // What came since the last call; `ended` once the input is at its end.
    std::string take(bool& ended)
    {
        std::lock_guard lock(m_mutex);
        ended = m_ended;
        m_available = false;
        return std::exchange(m_bytes, {});
    }

    // Waits for input, serving sent messages meanwhile. During a run the next frame follows a
    // reply within a fraction of a millisecond: it is first looked for without sleeping, which
    // spares the wake-up through the Wine server that the event costs.
    void wait()
    {
        m_spinning = true;
        const auto until = std::chrono::steady_clock::now() + kSpin;
        while (!m_available && std::chrono::steady_clock::now() < until)
            SwitchToThread();
        m_spinning = false;
        if (!m_available)
            waitServing(m_ready, INFINITE);
    }

private:
    static DWORD WINAPI run(void* self)
    {
        auto* reader = static_cast<InputReader*>(self);
        char buffer[65536];
        DWORD got = 0;
        while (ReadFile(reader->m_input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            {
                std::lock_guard lock(reader->m_mutex);
                reader->m_bytes.append(buffer, got);
                reader->m_available = true;
            }
            if (!reader->m_spinning)
                SetEvent(reader->m_ready);
        }
        reader->finish();
        return 0;
    }
    void finish()
    {
        {
            std::lock_guard lock(m_mutex);
            m_ended = true;
            m_available = true;
        }
        SetEvent(m_ready);
    }

    HANDLE m_input;
    HANDLE m_ready;
    std::mutex m_mutex;
    std::string m_bytes;
    bool m_ended = false;
    // Set under the mutex with the bytes, read without it; sequentially consistent, so that a
    // reader that sees no spinning main thread is seen by it, or sets the event.
    std::atomic<bool> m_available{false};
    std::atomic<bool> m_spinning{false};
};

// Waits for the event, or for the time, serving sent messages meanwhile. True when it came.
bool waitServing(HANDLE event, DWORD ms)
{
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const ULONGLONG waited = GetTickCount64() - start;
        if (ms != INFINITE && waited >= ms)
            return false;
        const DWORD left = ms == INFINITE ? INFINITE : static_cast<DWORD>(ms - waited);
        const DWORD result = MsgWaitForMultipleObjects(event ? 1 : 0, event ? &event : nullptr,
                                                       FALSE, left, QS_SENDMESSAGE);
        if (event && result == WAIT_OBJECT_0)
            return true;
        if (result == WAIT_TIMEOUT)
            return false;
        // Only the messages sent to us: posted DDE replies stay queued for the client, which
        // tells a late reply from the one it waits for.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// A name in the ANSI code page as the UTF-8 of a Linux terminal, for standard error.
std::string shown(const std::string& ansi)
{
    const int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), text.data(), wide);
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

bool writeAll(HANDLE output, const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        DWORD n = 0;
        if (!WriteFile(output, bytes.data() + written, static_cast<DWORD>(bytes.size() - written),
                       &n, nullptr) ||
            n == 0)
            return false;
        written += n;
    }
    return true;
}

class Bridge
{
public:
    explicit Bridge(std::string service)
        : m_service(std::move(service)), m_output(GetStdHandle(STD_OUTPUT_HANDLE))
    {
    }

    int run()
    {
        if (!m_client.initialised()) {
            std::fprintf(stderr, "4vt-dde-bridge: the DDE library did not start\n");
            return 1;
        }
        if (GetACP() != 1251)
            std::fprintf(stderr,
                         "4vt-dde-bridge: the ANSI code page is %u, not 1251: Cyrillic item "
                         "names will not reach the accounting program as written\n",
                         GetACP());
        if (!reply('A', 0))
            return 1;
        InputReader input;
        ddelink::FrameDecoder decoder;
        for (;;) {
            input.wait();
            bool ended = false;
            decoder.feed(input.take(ended));
            while (auto frame = decoder.next()) {
                if (!carryOut(*frame))
                    return finish(0);
            }
            if (decoder.failed()) {
                std::fprintf(stderr, "4vt-dde-bridge: %s\n", decoder.error().c_str());
                return finish(1);
            }
            if (ended)
                return finish(0);
        }
    }

private:
    bool reply(char kind, std::uint32_t id, std::string payload = {})
    {
        Frame frame;
        frame.kind = kind;
        frame.id = id;
        frame.payload = std::move(payload);
        return writeAll(m_output, frame.encode());
    }

    // The accounting program's own start, as the program does it on Windows: the command line
    // "<service> <topic>", minimised without taking the focus, then a connect once it serves.
    bool startService(const std::string& topic)
    {
        std::string command = m_service + " " + topic;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
        startup.wShowWindow = SW_SHOWMINNOACTIVE;
        // Not our pipes: the conversation ends with the bridge, not with the accounting program.
        startup.hStdInput = startup.hStdOutput = startup.hStdError = nullptr;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                            nullptr, nullptr, &startup, &process)) {
            std::fprintf(stderr, "4vt-dde-bridge: cannot start \"%s\" (error %lu)\n",
                         shown(command).c_str(), GetLastError());
            return false;
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        const ULONGLONG start = GetTickCount64();
        for (;;) {
            if (m_client.connect(m_service, topic))
                return true;
            if (GetTickCount64() - start >=
                static_cast<ULONGLONG>(ddelink::ServiceStartWait.count()))
                return false;
            waitServing(nullptr, 50);
        }
    }

    // One frame; false when the conversation is over.
    bool carryOut(const Frame& frame)
    {
        switch (frame.kind) {
        case Frame::Connect: {
            const bool connected =
                m_client.connect(m_service, frame.payload) || startService(frame.payload);
            m_link.emplace(m_client);
            return reply(connected ? Frame::Accepted : Frame::Refused, frame.id) && connected;
        }
        case Frame::AdviseStart:
        case Frame::AdviseStop: {
            const bool accepted = frame.kind == Frame::AdviseStart
                                      ? m_client.adviseStart(frame.payload)
                                      : m_client.adviseStop(frame.payload);
            return answered(accepted) &&
                   reply(accepted ? Frame::Accepted : Frame::Refused, frame.id);
        }
        case Frame::Request: {
            auto data = m_client.request(frame.payload);
            return answered(data.has_value()) &&
                   (data ? reply(Frame::Data, frame.id, std::move(*data))
                         : reply(Frame::Refused, frame.id));
        }
        case Frame::Ask: {
            if (!m_link)
                m_link.emplace(m_client);
            m_client.setTimeout(kAskWait);
            const bool advised = m_link->set(frame.payload);
            m_client.setTimeout(kDdeWait);
            const bool late = m_link->timedOut();
            const char status = static_cast<char>('0' + (advised ? Frame::AskAdvised : 0) +
                                                  (late ? Frame::AskTimedOut : 0));
            // As for the single frames: a transaction that failed because the conversation is
            // over gets no reply, and the bridge ends.
            return answered(m_link->gotData()) &&
                   reply(Frame::Data, frame.id, status + m_link->text());
        }
        case Frame::Disconnect:
            return false;
        default:
            std::fprintf(stderr, "4vt-dde-bridge: a reply frame came from the program\n");
            return false;
        }
    }

    // A transaction that failed because the server has ended the conversation gets no reply:
    // the bridge ends, which is how the program learns that the conversation is over.
    bool answered(bool succeeded)
    {
        if (succeeded || m_client.connected())
            return true;
        std::fprintf(stderr, "4vt-dde-bridge: the accounting program ended the conversation\n");
        return false;
    }

    int finish(int code)
    {
        m_client.disconnect();
        CloseHandle(m_output);
        return code;
    }

    std::string m_service;
    HANDLE m_output;
    ddelink::DdemlClient m_client{kDdeWait};
    // The item link of the conversation, new with each connect.
    std::optional<ddelink::ItemLink> m_link;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: 4vt-dde-bridge.exe SERVICE\n");
        return 2;
    }
    // The frames are bytes: no text-mode translation of the standard handles is involved, as
    // ReadFile and WriteFile are used on them directly.
    return Bridge(argv[1]).run();
}
