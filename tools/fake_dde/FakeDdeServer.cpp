#include "FakeDdeServer.h"

#include <dde.h>
#include <ddeml.h>

#include <cstring>
#include <future>

namespace fakedde {

namespace {

constexpr char kClassName[] = "FvtFakeDdeServer";
constexpr UINT kEnd = WM_APP + 1;

std::string atomName(ATOM atom)
{
    char name[256] = {};
    const UINT length = GlobalGetAtomNameA(atom, name, sizeof name);
    return std::string(name, length);
}

std::string formatName(UINT format)
{
    return format == CF_TEXT ? "CF_TEXT" : "format" + std::to_string(format);
}

} // namespace

FakeDdeServer::FakeDdeServer(std::string service, std::string topic)
    : m_service(std::move(service)), m_topic(std::move(topic))
{
    std::promise<void> ready;
    auto started = ready.get_future();
    m_thread = std::thread([this, &ready] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &FakeDdeServer::windowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        RegisterClassA(&windowClass); // fails harmlessly when a second server registers again
        // A top-level window (hidden): WM_DDE_INITIATE is broadcast to those only.
        m_window = CreateWindowA(kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 windowClass.hInstance, this);
        ready.set_value();
        run();
    });
    started.wait();
}

FakeDdeServer::~FakeDdeServer()
{
    PostMessageA(m_window, WM_CLOSE, 0, 0);
    m_thread.join();
}

void FakeDdeServer::run()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
}

void FakeDdeServer::answer(const std::string& item, const std::string& data)
{
    std::lock_guard lock(m_mutex);
    m_answers[item] = data;
}

void FakeDdeServer::answerAll(std::map<std::string, std::string> answers)
{
    std::lock_guard lock(m_mutex);
    answers.merge(m_answers);
    m_answers = std::move(answers);
}

void FakeDdeServer::busyFor(const std::string& item, std::chrono::milliseconds delay)
{
    std::lock_guard lock(m_mutex);
    m_busy[item] = delay;
}

void FakeDdeServer::endConversation()
{
    SendMessageA(m_window, kEnd, 0, 0);
}

void FakeDdeServer::endAfterRequests(int requests, bool vanish)
{
    std::lock_guard lock(m_mutex);
    m_endAfter = requests;
    m_vanish = vanish;
}

std::vector<std::string> FakeDdeServer::log() const
{
    std::lock_guard lock(m_mutex);
    return m_log;
}

bool FakeDdeServer::terminated() const
{
    std::lock_guard lock(m_mutex);
    const HWND client = m_client;
    return m_terminated || (client && !IsWindow(client));
}

void FakeDdeServer::clearLog()
{
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

void FakeDdeServer::record(std::string line)
{
    std::lock_guard lock(m_mutex);
    m_log.push_back(std::move(line));
}

LRESULT CALLBACK FakeDdeServer::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* server = reinterpret_cast<FakeDdeServer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (server && ((message >= WM_DDE_FIRST && message <= WM_DDE_LAST) || message == kEnd))
        return server->handle(message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

// Acknowledges a message whose lParam carried the item atom; the atom goes back with the ack.
void FakeDdeServer::ack(LPARAM lParam, UINT from, bool positive, ATOM item)
{
    const UINT_PTR status = positive ? DDE_FACK : 0;
    const LPARAM reply = from == WM_DDE_ADVISE
                             ? ReuseDDElParam(lParam, from, WM_DDE_ACK, status, item)
                             : PackDDElParam(WM_DDE_ACK, status, item);
    if (!PostMessageA(m_client, WM_DDE_ACK, reinterpret_cast<WPARAM>(m_window), reply))
        FreeDDElParam(WM_DDE_ACK, reply);
}

LRESULT FakeDdeServer::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND sender = reinterpret_cast<HWND>(wParam);
    switch (message) {
    case WM_DDE_INITIATE: {
        const std::string service = atomName(LOWORD(lParam));
        const std::string topic = atomName(HIWORD(lParam));
        record("INITIATE " + service + " " + topic);
        if (service != m_service || topic != m_topic || m_client || (m_once && terminated()))
            return 0;
        m_client = sender;
        m_ended = false;
        // The ack of an initiate carries new atoms, which the client deletes.
        SendMessageA(
            sender, WM_DDE_ACK, reinterpret_cast<WPARAM>(m_window),
            MAKELPARAM(GlobalAddAtomA(m_service.c_str()), GlobalAddAtomA(m_topic.c_str())));
        return 0;
    }
    case WM_DDE_ADVISE: {
        UINT_PTR options = 0;
        UINT_PTR atom = 0;
        UnpackDDElParam(WM_DDE_ADVISE, lParam, &options, &atom);
        const auto item = static_cast<ATOM>(atom);
        const std::string name = atomName(item);
        auto* advise = static_cast<DDEADVISE*>(GlobalLock(reinterpret_cast<HGLOBAL>(options)));
        std::string line = "ADVISE " + name;
        if (advise) {
            line += " " + formatName(advise->cfFormat) + (advise->fDeferUpd ? " nodata" : " data");
            GlobalUnlock(reinterpret_cast<HGLOBAL>(options));
        }
        record(line);
        bool known = false;
        {
            std::lock_guard lock(m_mutex);
            known = m_answers.count(name) != 0;
        }
        if (m_ended)
            return 0;
        // On a positive ack the server owns the options; on a negative one the client keeps them.
        if (known)
            GlobalFree(reinterpret_cast<HGLOBAL>(options));
        ack(lParam, WM_DDE_ADVISE, known, item);
        return 0;
    }
    case WM_DDE_UNADVISE: {
        const auto item = static_cast<ATOM>(HIWORD(lParam));
        record("UNADVISE " + atomName(item) + " " + formatName(LOWORD(lParam)));
        if (!m_ended)
            ack(lParam, WM_DDE_UNADVISE, true, item);
        return 0;
    }
    case WM_DDE_REQUEST: {
        const auto item = static_cast<ATOM>(HIWORD(lParam));
        const std::string name = atomName(item);
        record("REQUEST " + name + " " + formatName(LOWORD(lParam)));
        std::string data;
        bool known = false;
        std::chrono::milliseconds busy{0};
        {
            std::lock_guard lock(m_mutex);
            if (auto it = m_answers.find(name); it != m_answers.end()) {
                known = true;
                data = it->second;
            }
            if (auto it = m_busy.find(name); it != m_busy.end())
                busy = it->second;
        }
        bool gone = false;
        {
            std::lock_guard lock(m_mutex);
            gone = m_endAfter > 0 && ++m_requests > m_endAfter;
        }
        if (gone) {
            // The program closes while the request is in hand: it is never answered.
            if (m_vanish)
                ExitProcess(3);
            handle(kEnd, 0, 0);
            return 0;
        }
        if (busy.count() > 0)
            Sleep(static_cast<DWORD>(busy.count()));
        if (m_ended)
            return 0;
        if (!known || LOWORD(lParam) != CF_TEXT) {
            ack(lParam, WM_DDE_REQUEST, false, item);
            return 0;
        }
        // CF_TEXT travels with its terminating NUL; the client releases the memory.
        HGLOBAL memory =
            GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof(DDEDATA) + data.size() + 1);
        auto* dde = static_cast<DDEDATA*>(GlobalLock(memory));
        std::memset(dde, 0, sizeof(DDEDATA));
        dde->fResponse = 1;
        dde->fRelease = 1;
        dde->cfFormat = CF_TEXT;
        std::memcpy(dde->Value, data.data(), data.size());
        dde->Value[data.size()] = 0;
        GlobalUnlock(memory);
        const LPARAM reply = PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(memory), item);
        if (!PostMessageA(m_client, WM_DDE_DATA, reinterpret_cast<WPARAM>(m_window), reply)) {
            GlobalFree(memory);
            FreeDDElParam(WM_DDE_DATA, reply);
        }
        return 0;
    }
    case WM_DDE_ACK:
        // The client acknowledges nothing we asked for (no data is sent with fAckReq).
        FreeDDElParam(WM_DDE_ACK, lParam);
        return 0;
    case WM_DDE_TERMINATE:
        record("TERMINATE");
        {
            std::lock_guard lock(m_mutex);
            m_terminated = true;
        }
        if (sender == m_client) {
            if (!m_ended)
                PostMessageA(m_client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(m_window), 0);
            m_client = nullptr;
            m_ended = false;
        }
        return 0;
    case kEnd:
        if (m_client && !m_ended) {
            m_ended = true;
            PostMessageA(m_client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(m_window), 0);
        }
        return 0;
    default:
        return 0;
    }
}

} // namespace fakedde
