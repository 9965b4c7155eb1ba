#pragma once

#include "link/Frame.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class QLocalServer;

namespace ddelink {

// The server side of the local transport: owns the service's socket, accepts only its own
// user, answers the topic, hands advise start/stop and requests to a handler and writes the
// replies in order with the ids of their frames. A client that sends garbage or vanishes loses
// its conversation; the server goes on.
class DdeServer : public QObject
{
    Q_OBJECT
public:
    struct Answer
    {
        char kind = Frame::Refused;
        std::string payload;
        // Close the conversation once this answer is written.
        bool closeAfter = false;
        // This answer's own delay in milliseconds; negative means the server's reply delay.
        int delayMs = -1;
    };
    // Called for S, T and R of a conversation on the served topic: the kind and the item bytes.
    using Handler = std::function<Answer(char kind, const std::string& item)>;
    // Sees every frame received, in order, before it is answered.
    using Observer = std::function<void(const Frame& frame)>;

    explicit DdeServer(QObject* parent = nullptr);
    ~DdeServer() override;

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    void setObserver(Observer observer) { m_observer = std::move(observer); }
    // Each reply is written this long after its frame arrived (a slow accounting program).
    void setReplyDelay(int ms) { m_replyDelayMs = ms; }
    // Each conversation is closed once it has had this many requests answered; 0 never.
    void setCloseAfterRequests(int count) { m_closeAfterRequests = count; }

    // Starts serving; false with the reason when the place cannot be taken (another server
    // serves the service, the directory is not private, the name is too long).
    bool listen(const QString& service, const QString& topic, QString* error);
    void close();

    QString socketPath() const { return m_path; }
    int conversationCount() const { return m_conversations; }

    // True when some server accepts connections for the service now.
    static bool isServed(const QString& service);

signals:
    void conversationsChanged(int count);

private:
    class Conversation;

    void acceptPending();
    void conversationEnded();

    QLocalServer* m_server = nullptr;
    Handler m_handler;
    Observer m_observer;
    int m_replyDelayMs = 0;
    int m_closeAfterRequests = 0;
    std::string m_topic;
    QString m_path;
    int m_lockFd = -1;
    int m_conversations = 0;
};

} // namespace ddelink
