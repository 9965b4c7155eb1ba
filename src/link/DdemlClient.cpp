#ifdef _WIN32

#include "link/DdemlClient.h"

#include "link/Frame.h"

#include <dde.h>

namespace ddelink {

namespace {

// A DDE string handle that is freed however the transaction ends.
class StringHandle
{
public:
    StringHandle(DWORD instance, const std::string& text) : m_instance(instance)
    {
        if (instance != 0)
            m_handle = DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI);
    }
    ~StringHandle()
    {
        if (m_handle)
            DdeFreeStringHandle(m_instance, m_handle);
    }
    StringHandle(const StringHandle&) = delete;
    StringHandle& operator=(const StringHandle&) = delete;
    HSZ get() const { return m_handle; }

private:
    DWORD m_instance;
    HSZ m_handle = nullptr;
};

} // namespace

DdemlClient::DdemlClient(std::chrono::milliseconds timeout)
    : m_timeoutMs(static_cast<DWORD>(timeout.count()))
{
    if (DdeInitializeA(&m_instance, &DdemlClient::callback, APPCLASS_STANDARD | APPCMD_CLIENTONLY,
                       0) != DMLERR_NO_ERROR)
        m_instance = 0;
}

DdemlClient::~DdemlClient()
{
    disconnect();
    if (m_instance != 0)
        DdeUninitialize(m_instance);
}

HDDEDATA CALLBACK DdemlClient::callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    // Warm links are started without data and never read, so nothing arrives that needs an answer.
    return nullptr;
}

bool DdemlClient::connect(const std::string& service, const std::string& topic)
{
    disconnect();
    if (m_instance == 0)
        return false;
    StringHandle serviceName(m_instance, service);
    StringHandle topicName(m_instance, topic);
    if (!serviceName.get() || !topicName.get())
        return false;
    m_conv = DdeConnect(m_instance, serviceName.get(), topicName.get(), nullptr);
    return m_conv != nullptr;
}

bool DdemlClient::connected() const
{
    return m_conv != nullptr;
}

void DdemlClient::disconnect()
{
    m_owed.clear();
    m_linked.clear();
    if (m_conv) {
        DdeDisconnect(m_conv);
        m_conv = nullptr;
    }
}

void DdemlClient::checkConversation(bool lookForWindow)
{
    // A server that ended the conversation is not reconnected: later asks fail at once. One that
    // went without a word (killed, crashed) has left no window to talk to. That is looked for
    // only once a transaction has failed: a transaction posted to a window that is gone fails at
    // once, and the question costs a round trip through the Wine server when the window is
    // another process's, as the accounting program's is.
    CONVINFO info{};
    info.cb = sizeof info;
    if (!m_conv || DdeQueryConvInfo(m_conv, QID_SYNC, &info) == 0 ||
        (info.wStatus & ST_CONNECTED) == 0 || (lookForWindow && !IsWindow(info.hwndPartner)))
        disconnect();
}

bool DdemlClient::isReplyTo(const MSG& message, const Owed& owed)
{
    if (message.message != WM_DDE_ACK &&
        !(message.message == WM_DDE_DATA && (owed.type & XCLASS_MASK) == XCLASS_DATA))
        return false;
    UINT_PTR low = 0;
    UINT_PTR high = 0;
    if (!UnpackDDElParam(message.message, message.lParam, &low, &high))
        return false;
    char name[256] = {};
    if (GlobalGetAtomNameA(static_cast<ATOM>(high), name, sizeof name) == 0)
        return false;
    return lstrcmpiA(name, owed.item.c_str()) == 0;
}

void DdemlClient::settlePending()
{
    // A reply that came after its transaction had timed out, or the server's terminate, may wait
    // in the queue or still be on its way. DDEML (Wine's, at least) ends a transaction unprocessed
    // when such a message turns up inside it, and the reply the transaction waited for then turns
    // up inside the next one. So every pending DDE message goes to DDEML's windows first, and the
    // replies still owed are awaited, for at most one timeout, before anything new is sent.
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE)) {
            if (message.message == WM_DDE_TERMINATE)
                m_owed.clear();
            else if (!m_owed.empty() && isReplyTo(message, m_owed.front()))
                m_owed.pop_front();
            DispatchMessageA(&message);
        }
        const ULONGLONG waited = GetTickCount64() - start;
        if (m_owed.empty() || waited >= m_timeoutMs) {
            m_owed.clear();
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(m_timeoutMs - waited),
                                  QS_POSTMESSAGE);
    }
}

void DdemlClient::releaseLeftHandles(const std::string& item)
{
    // Wine's DDEML makes a string handle of the item named in every reply it reads and never
    // frees it; its string handles are atoms of the process's own table (about 16 000 names), so
    // a run over thousands of employees would run out of them part way. Once no warm link holds
    // the item any more, every handle of it still there is such a leftover and is freed here.
    // Wine is known by its handle being the process atom of the name; under Windows' DDEML the
    // handles are global atoms, no process atom of the name exists, and nothing is touched.
    StringHandle probe(m_instance, item);
    const ATOM atom = FindAtomA(item.c_str());
    if (!probe.get() || atom == 0 || reinterpret_cast<UINT_PTR>(probe.get()) != atom)
        return;
    for (int i = 0; i < kMaxLeftHandles && DdeFreeStringHandle(m_instance, probe.get()) &&
                    FindAtomA(item.c_str()) == atom;
         ++i) {
    }
}

HDDEDATA DdemlClient::transact(UINT type, const std::string& item)
{
    m_timedOut = false;
    settlePending();
    if (m_conv)
        checkConversation(false);
    if (!m_conv)
        return nullptr;
    HDDEDATA data = nullptr;
    UINT error = DMLERR_NO_ERROR;
    {
        StringHandle itemName(m_instance, item);
        if (!itemName.get())
            return nullptr;
        DWORD result = 0;
        data = DdeClientTransaction(nullptr, 0, m_conv, itemName.get(), CF_TEXT, type, m_timeoutMs,
                                    &result);
        if (!data)
            error = DdeGetLastError(m_instance);
    }
    if (!data) {
        switch (error) {
        case DMLERR_ADVACKTIMEOUT:
        case DMLERR_DATAACKTIMEOUT:
        case DMLERR_UNADVACKTIMEOUT:
            m_timedOut = true;
            m_owed.push_back({type, item});
            break;
        default:
            break;
        }
        checkConversation(true);
    }
    const UINT kind = type & ~XTYPF_NODATA;
    if (kind == XTYP_ADVSTART && data)
        m_linked.insert(item);
    else if (kind == XTYP_ADVSTOP && data)
        m_linked.erase(item);
    if (m_linked.count(item) == 0)
        releaseLeftHandles(item);
    return data;
}

bool DdemlClient::adviseStart(const std::string& item)
{
    return transact(XTYP_ADVSTART | XTYPF_NODATA, item) != nullptr;
}

bool DdemlClient::adviseStop(const std::string& item)
{
    return transact(XTYP_ADVSTOP, item) != nullptr;
}

std::optional<std::string> DdemlClient::request(const std::string& item)
{
    HDDEDATA data = transact(XTYP_REQUEST, item);
    if (!data)
        return std::nullopt;
    const DWORD size = DdeGetData(data, nullptr, 0, 0);
    if (size > Frame::MaxPayload) {
        // The same bound as on the local transport: such a peer is broken.
        DdeFreeDataHandle(data);
        disconnect();
        return std::nullopt;
    }
    std::string bytes(size, '\0');
    if (size > 0)
        DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
    DdeFreeDataHandle(data);
    return bytes;
}

} // namespace ddelink

#endif
