#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fakedde {

// The accounting program's double for the DDEML client: a DDE server built from raw window
// messages on a thread of its own, so that the client is tested against a peer that does not
// share its library. Names and data are Windows-1251 bytes. It answers requests from a table,
// refuses what is not in it, can be busy before it answers an item, and can end the
// conversation. Everything the client sends is logged, one line per message:
//   "INITIATE <service> <topic>", "ADVISE <item> <format> <nodata|data>",
//   "UNADVISE <item> <format>", "REQUEST <item> <format>", "TERMINATE".
class FakeDdeServer
{
public:
    FakeDdeServer(std::string service, std::string topic);
    ~FakeDdeServer();
    FakeDdeServer(const FakeDdeServer&) = delete;
    FakeDdeServer& operator=(const FakeDdeServer&) = delete;

    // The item's value; warm links on it are accepted. An item not in the table is refused.
    void answer(const std::string& item, const std::string& data);
    // Many at once: no request meets the table half filled.
    void answerAll(std::map<std::string, std::string> answers);
    // The server is busy this long before it answers a request for the item (nothing else is
    // read meanwhile, as with a program that computes the value on its one thread).
    void busyFor(const std::string& item, std::chrono::milliseconds delay);
    // Posts WM_DDE_TERMINATE to the client: the accounting program has gone.
    void endConversation();
    // Answers this many requests, then ends the conversation on the next one instead; or, when
    // `vanish`, the whole process ends there without a word, as a program that crashed.
    void endAfterRequests(int requests, bool vanish = false);

    std::vector<std::string> log() const;
    // True once a conversation has ended: a terminate either way, or a client whose windows
    // are gone (killed without a word).
    bool terminated() const;
    // After its first conversation the server takes no other, as a program that is closing.
    void serveOneConversation() { m_once = true; }
    void clearLog();

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void run();
    void record(std::string line);
    void ack(LPARAM lParam, UINT from, bool positive, ATOM item);

    std::string m_service;
    std::string m_topic;
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_answers;
    std::map<std::string, std::chrono::milliseconds> m_busy;
    int m_endAfter = 0;
    bool m_vanish = false;
    int m_requests = 0;
    bool m_terminated = false;
    bool m_once = false;
    std::vector<std::string> m_log;
    HWND m_window = nullptr;
    std::atomic<HWND> m_client{nullptr};
    bool m_ended = false;
    std::thread m_thread;
};

} // namespace fakedde
