#pragma once

#include "link/ClientTransport.h"

#include <QString>

#include <chrono>
#include <memory>

namespace ddelink {

// The one conversation with the accounting program: service "БУХ", topic "ВЫР", opened only by
// OpenLink. When nobody serves, OpenLink starts the accounting program itself as the command line
// "<service> <topic>" and connects once it offers the service.
class DdeClientConv
{
public:
    DdeClientConv();
    // The conversation over the given transport (the platform's own when null).
    explicit DdeClientConv(std::unique_ptr<ClientTransport> transport);
    ~DdeClientConv();
    DdeClientConv(const DdeClientConv&) = delete;
    DdeClientConv& operator=(const DdeClientConv&) = delete;

    const QString& ddeService() const { return m_service; }
    void setDdeService(const QString& service) { m_service = service; }
    const QString& ddeTopic() const { return m_topic; }
    void setDdeTopic(const QString& topic) { m_topic = topic; }

    // How long OpenLink waits for a program it started to offer the service.
    void setStartWait(std::chrono::milliseconds wait) { m_startWait = wait; }

    bool OpenLink();
    void CloseLink();
    bool isOpen() const;

    // The process OpenLink started, 0 when it started none.
    qint64 startedProcessId() const { return m_startedPid; }

    ClientTransport& transport() { return *m_transport; }

private:
    bool connectOnce();
    bool startServiceProgram();

    std::unique_ptr<ClientTransport> m_transport;
    QString m_service;
    QString m_topic;
    std::chrono::milliseconds m_startWait{ServiceStartWait};
    qint64 m_startedPid = 0;
};

} // namespace ddelink
