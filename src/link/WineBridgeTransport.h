#pragma once

#include "link/FrameTransport.h"

#include <QString>

#include <chrono>
#include <string>
#include <sys/types.h>

namespace ddelink {

// The conversation with a Windows accounting program under Wine: `wine <bridge> <service>` runs
// as a child process with WINEPREFIX set to the accounting program's prefix, and the frames of
// the local transport travel over its standard input and output. The bridge carries each frame
// out as the matching DDEML transaction there, an ask of the item link as one frame whose three
// transactions it runs itself, and starts the accounting program itself when the first connect
// finds nobody serving.
//
// Wine's own start (a few seconds, longer on a fresh prefix) is not a transaction: it ends when
// the bridge greets with an `A` frame of id 0 (any other greeting is refused), and is waited for up
// to the start limit while the idle callback keeps a splash on screen. From then on every
// transaction waits at most the timeout. A bridge that ends ends the conversation; the next connect
// starts a new one. The child inherits no descriptor but its pipes and standard error, gets SIGKILL
// when this thread dies, and is ended with the conversation.
class WineBridgeTransport : public FrameTransport
{
public:
    WineBridgeTransport(QString wineProgram, QString bridgeProgram, QString prefix,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));
    ~WineBridgeTransport() override;
    WineBridgeTransport(const WineBridgeTransport&) = delete;
    WineBridgeTransport& operator=(const WineBridgeTransport&) = delete;

    // How long Wine may take to bring the bridge up; and what runs meanwhile.
    void setStartLimit(std::chrono::milliseconds limit) { m_startLimit = limit; }
    void setWhileStarting(FrameStream::Idle idle) { m_whileStarting = std::move(idle); }
    // Called from the callback above: the user gave up waiting. The connect then fails.
    void stopStarting();

    bool connect(const std::string& service, const std::string& topic) override;
    void disconnect() override;
    bool startsServiceItself() const override { return true; }

    // The bridge's process while it runs, else -1.
    pid_t bridgeProcess() const { return m_pid; }

private:
    bool spawn(const std::string& service);
    void endBridge();

    QString m_wine;
    QString m_bridge;
    QString m_prefix;
    std::chrono::milliseconds m_startLimit{120000};
    FrameStream::Idle m_whileStarting;
    pid_t m_pid = -1;
    int m_pidFd = -1;
};

} // namespace ddelink
