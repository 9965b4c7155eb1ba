#pragma once

#ifdef _WIN32

#include "link/ClientTransport.h"

#include <windows.h>

#include <ddeml.h>

#include <chrono>
#include <deque>
#include <optional>
#include <set>
#include <string>

namespace ddelink {

// The conversation over the Windows DDE client library: ANSI names (CP_WINANSI), CF_TEXT data,
// synchronous transactions with the timeout, so DDEML itself drops a reply that comes late.
// Plain Win32 and standard C++ so that it builds without Qt.
class DdemlClient : public ClientTransport
{
public:
    explicit DdemlClient(std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));
    ~DdemlClient() override;
    DdemlClient(const DdemlClient&) = delete;
    DdemlClient& operator=(const DdemlClient&) = delete;

    bool connect(const std::string& service, const std::string& topic) override;
    bool adviseStart(const std::string& item) override;
    bool adviseStop(const std::string& item) override;
    std::optional<std::string> request(const std::string& item) override;
    void disconnect() override;
    bool connected() const override;
    bool timedOut() const override { return m_timedOut; }
    // How long each later transaction waits for its reply.
    void setTimeout(std::chrono::milliseconds timeout)
    {
        m_timeoutMs = static_cast<DWORD>(timeout.count());
    }
    // False when the DDE library could not be started: nothing can connect.
    bool initialised() const { return m_instance != 0; }

private:
    static HDDEDATA CALLBACK callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                      HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
    // A reply the server still owes for a transaction that timed out.
    struct Owed
    {
        UINT type;
        std::string item;
    };

    // One transaction on the item; the reply's data handle, or nullptr when it failed.
    HDDEDATA transact(UINT type, const std::string& item);
    void settlePending();
    static bool isReplyTo(const MSG& message, const Owed& owed);
    // Ends the conversation when the server has ended it; `lookForWindow` also asks whether
    // the server's window is still there.
    void checkConversation(bool lookForWindow);
    void releaseLeftHandles(const std::string& item);
    static constexpr int kMaxLeftHandles = 64;

    DWORD m_instance = 0;
    HCONV m_conv = nullptr;
    DWORD m_timeoutMs;
    bool m_timedOut = false;
    std::deque<Owed> m_owed;
    // Items with a warm link started and not stopped: DDEML's link holds their names.
    std::set<std::string> m_linked;
};

} // namespace ddelink

#endif
