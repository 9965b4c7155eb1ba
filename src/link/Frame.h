#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ddelink {

// One frame of the local transport, both ways: kind (1 byte), transaction id (u32 big-endian),
// payload length (u32 big-endian), payload (Windows-1251 bytes). Other programs speak this too,
// so the layout is fixed to the byte.
struct Frame
{
    // Client to server.
    static constexpr char Connect = 'C';
    static constexpr char AdviseStart = 'S';
    static constexpr char AdviseStop = 'T';
    static constexpr char Request = 'R';
    static constexpr char Disconnect = 'X';
    // Server to client.
    static constexpr char Accepted = 'A';
    static constexpr char Refused = 'N';
    static constexpr char Data = 'D';

    static constexpr std::size_t HeaderSize = 9;
    // Nothing the accounting program says is this long; a larger frame is a broken peer.
    static constexpr std::uint32_t MaxPayload = 1024 * 1024;

    char kind = 0;
    std::uint32_t id = 0;
    std::string payload;

    static bool isKnownKind(char kind);
    static bool isReplyKind(char kind);
    // Whether `reply` is a kind the request `request` can be answered with: data only to a
    // request, an acceptance only to the others, a refusal to any.
    static bool answers(char request, char reply);

    // The frame's bytes on the wire. The caller keeps payloads within MaxPayload.
    std::string encode() const;

    bool operator==(const Frame&) const = default;
};

} // namespace ddelink
