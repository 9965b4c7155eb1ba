#pragma once

#include "link/Frame.h"
#include "link/FrameDecoder.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ddelink {

// One conversation's frames to a server and back over a byte stream: a socket (one descriptor
// both ways) or a child process's pipes. A transaction sends a frame and waits, until its
// deadline, for the reply with the frame's id; a reply with another id came too late for its
// own transaction and is dropped. A broken stream (malformed or oversized frame, a peer that
// closed its end or exited, a write that could not complete) ends the conversation for good.
class FrameStream
{
public:
    using Clock = std::chrono::steady_clock;
    // Called about every tenth of a second while a long wait goes on (the bridge's start); one
    // that closes the stream ends the wait, as a broken stream.
    using Idle = std::function<void()>;

    FrameStream() = default;
    ~FrameStream();
    FrameStream(const FrameStream&) = delete;
    FrameStream& operator=(const FrameStream&) = delete;

    // Takes the descriptors over. A socket reads and writes through `readFd` alone; for pipes
    // `exitFd`, when given, becomes readable when the peer process has ended (a pidfd), which
    // ends the conversation even while somebody else still holds the pipes open.
    void openSocket(int fd);
    void openPipes(int readFd, int writeFd, int exitFd);
    bool isOpen() const { return m_read >= 0; }
    void close();

    // The next id a frame will carry.
    std::uint32_t nextId() const { return m_nextId; }

    // Sends one frame and waits for its reply; nothing on timeout or when the stream broke.
    std::optional<Frame> transact(char kind, const std::string& payload, Clock::time_point deadline,
                                  const Idle& idle = {});
    // Waits for a frame the server sends unasked, by its id; nothing sent.
    std::optional<Frame> await(std::uint32_t id, Clock::time_point deadline, const Idle& idle = {});
    // Sends a frame that gets no reply, without waiting for a peer that no longer reads.
    void post(char kind);

    // False once the peer has closed its end or exited, before any transaction has noticed.
    bool peerAlive() const;
    // True when the last transaction failed because its reply did not come in time.
    bool timedOut() const { return m_timedOut; }

private:
    bool sendAll(const std::string& bytes, Clock::time_point deadline);
    long writeSome(const char* data, std::size_t size);
    // Waits until the stream is readable; false on the deadline (m_timedOut) or a broken stream.
    bool waitReadable(Clock::time_point deadline, const Idle& idle);

    int m_read = -1;
    int m_write = -1;
    int m_exit = -1;
    bool m_socket = false;
    std::uint32_t m_nextId = 1;
    bool m_timedOut = false;
    FrameDecoder m_decoder;
};

} // namespace ddelink
