#include "link/DdeClientConv.h"

#include "core/Clock.h"
#include "core/Cp1251.h"

#include <QProcess>

#ifdef _WIN32
#include "link/DdemlClient.h"
#include <windows.h>
#else
#include "link/UnixSocketTransport.h"
#endif

namespace ddelink {

static std::unique_ptr<ClientTransport> platformTransport()
{
#ifdef _WIN32
    return std::make_unique<DdemlClient>();
#else
    return std::make_unique<UnixSocketTransport>();
#endif
}

DdeClientConv::DdeClientConv() : DdeClientConv(platformTransport()) {}

DdeClientConv::DdeClientConv(std::unique_ptr<ClientTransport> transport)
    : m_transport(transport ? std::move(transport) : platformTransport()),
      m_service(QStringLiteral("БУХ")), m_topic(QStringLiteral("ВЫР"))
{
}

DdeClientConv::~DdeClientConv()
{
    CloseLink();
}

bool DdeClientConv::isOpen() const
{
    return m_transport->connected();
}

bool DdeClientConv::connectOnce()
{
    // A name that Windows-1251 cannot carry would reach the server as another name.
    if (m_service.isEmpty() || !core::cp1251::canEncode(m_service) ||
        !core::cp1251::canEncode(m_topic))
        return false;
    return m_transport->connect(core::cp1251::encodeStd(m_service),
                                core::cp1251::encodeStd(m_topic));
}

bool DdeClientConv::startServiceProgram()
{
    QProcess process;
    process.setProgram(m_service);
    process.setArguments({m_topic});
#ifdef _WIN32
    // Minimised and without taking the focus from the program that asked for it.
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* args) {
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_SHOWMINNOACTIVE;
    });
#endif
    qint64 pid = 0;
    if (!process.startDetached(&pid))
        return false;
    m_startedPid = pid;
    return true;
}

bool DdeClientConv::OpenLink()
{
    if (connectOnce())
        return true;
    if (m_transport->startsServiceItself() || !startServiceProgram())
        return false;
    // The program needs a moment before it offers its service; ask until it does or the wait is
    // over, never for ever.
    const core::Clock& clock = core::clock();
    const auto started = clock.now();
    for (;;) {
        if (connectOnce())
            return true;
        if (clock.now() - started >= m_startWait)
            return false;
        clock.sleepFor(std::chrono::milliseconds(50));
    }
}

void DdeClientConv::CloseLink()
{
    m_transport->disconnect();
}

} // namespace ddelink
