#include "link/Frame.h"

namespace ddelink {

bool Frame::isKnownKind(char kind)
{
    switch (kind) {
    case Connect:
    case AdviseStart:
    case AdviseStop:
    case Request:
    case Disconnect:
    case Ask:
    case Accepted:
    case Refused:
    case Data:
        return true;
    default:
        return false;
    }
}

bool Frame::isReplyKind(char kind)
{
    return kind == Accepted || kind == Refused || kind == Data;
}

bool Frame::answers(char request, char reply)
{
    if (reply == Refused)
        return request != Disconnect;
    if (request == Request || request == Ask)
        return reply == Data;
    return reply == Accepted &&
           (request == Connect || request == AdviseStart || request == AdviseStop);
}

static void putU32(std::string& out, std::uint32_t value)
{
    out.push_back(static_cast<char>((value >> 24) & 0xFF));
    out.push_back(static_cast<char>((value >> 16) & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
    out.push_back(static_cast<char>(value & 0xFF));
}

std::string Frame::encode() const
{
    std::string out;
    out.reserve(HeaderSize + payload.size());
    out.push_back(kind);
    putU32(out, id);
    putU32(out, static_cast<std::uint32_t>(payload.size()));
    out += payload;
    return out;
}

} // namespace ddelink
