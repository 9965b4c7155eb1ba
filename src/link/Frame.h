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
    // A whole ask of the item link in one frame (the Wine bridge only): the peer ends the warm
    // link on the previous item, starts one on the payload's item and requests it, and replies
    // with one Data frame whose payload is an AskStatus byte followed by the text.
    static constexpr char Ask = 'Q';
    // Server to client.
    static constexpr char Accepted = 'A';
    static constexpr char Refused = 'N';
    static constexpr char Data = 'D';

    // The first byte of an ask's reply: '0' plus these bits.
    enum AskStatus : char
    {
        AskAdvised = 1,  // the warm link on the new item was taken (and the item requested)
        AskTimedOut = 2, // a transaction of the ask got no reply in time
    };

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
