#include "StandInServer.h"

#include "core/Cp1251.h"

namespace standin {

StandInServer::StandInServer(StandInOptions options, Books books)
    : m_options(std::move(options)), m_books(std::move(books))
{
    m_server.setReplyDelay(m_options.delayMs);
    m_server.setCloseAfterRequests(m_options.closeAfter);
    m_server.setHandler([this](char kind, const std::string& item) { return answer(kind, item); });
    m_server.setObserver([this](const ddelink::Frame& frame) { log(frame); });
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, &StandInServer::idleTooLong);
    connect(&m_server, &ddelink::DdeServer::conversationsChanged, this, [this](int count) {
        if (m_options.quitWhenIdleSeconds <= 0)
            return;
        if (count == 0)
            m_idle.start(m_options.quitWhenIdleSeconds * 1000);
        else
            m_idle.stop();
    });
}

bool StandInServer::start(QString* error)
{
    if (!m_options.logPath.isEmpty()) {
        m_log = std::make_unique<QFile>(m_options.logPath);
        if (!m_log->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            *error = QStringLiteral("cannot open the log %1: %2")
                         .arg(m_options.logPath, m_log->errorString());
            return false;
        }
    }
    if (!m_server.listen(m_options.service, m_options.topic, error))
        return false;
    if (m_options.quitWhenIdleSeconds > 0)
        m_idle.start(m_options.quitWhenIdleSeconds * 1000);
    return true;
}

ddelink::DdeServer::Answer StandInServer::answer(char kind, const std::string& itemBytes)
{
    using ddelink::Frame;
    ddelink::DdeServer::Answer reply;
    const QString item = core::cp1251::decode(itemBytes);
    if (kind == Frame::AdviseStop) {
        reply.kind = Frame::Accepted;
        return reply;
    }
    if (m_options.refused.contains(item))
        return reply;
    std::optional<QString> value;
    try {
        value = m_books.answer(item);
    } catch (const std::exception& e) {
        // An item the books cannot evaluate is refused, as the accounting program refuses it;
        // the stand-in serves on.
        qWarning("buh-standin: %s", e.what());
    }
    if (!value)
        return reply;
    if (kind == Frame::AdviseStart) {
        reply.kind = Frame::Accepted;
        return reply;
    }
    reply.kind = Frame::Data;
    reply.payload = core::cp1251::encodeStd(*value);
    if (m_options.slow.contains(item))
        reply.delayMs = m_options.slowMs;
    return reply;
}

void StandInServer::log(const ddelink::Frame& frame)
{
    if (!m_log)
        return;
    // One line per frame; a line break inside an item would split its line, so control bytes
    // are written as escapes.
    QString item = core::cp1251::decode(frame.payload);
    QString line(QChar::fromLatin1(frame.kind));
    if (!item.isEmpty()) {
        line += QLatin1Char(' ');
        for (const QChar c : item) {
            if (c.unicode() < 0x20 || c == QLatin1Char('\\'))
                line += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                line += c;
        }
    }
    line += QLatin1Char('\n');
    m_log->write(line.toUtf8());
    m_log->flush();
}

} // namespace standin
