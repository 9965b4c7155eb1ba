#pragma once

#include "Books.h"
#include "DdeServer.h"

#include <QFile>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <memory>

namespace standin {

// How the stand-in behaves: the service it offers and the faults it shows on demand.
struct StandInOptions
{
    QString service = QStringLiteral("БУХ");
    QString topic = QStringLiteral("ВЫР");
    QString booksPath = QStringLiteral("books.json");
    int delayMs = 0;
    QSet<QString> refused;
    // Requests for these items are answered only after slowMs: one late answer in a run.
    QSet<QString> slow;
    int slowMs = 1500;
    // Close the conversation after this many requests; 0 never.
    int closeAfter = 0;
    QString logPath;
    QString locale;
    bool check = false;
    // Quit when no conversation has been open for this long; 0 never.
    int quitWhenIdleSeconds = 0;
};

// The accounting program as the link sees it: serves the service on the topic and answers
// items from the books.
class StandInServer : public QObject
{
    Q_OBJECT
public:
    StandInServer(StandInOptions options, Books books);

    // False with the reason when the service cannot be offered.
    bool start(QString* error);

signals:
    void idleTooLong();

private:
    ddelink::DdeServer::Answer answer(char kind, const std::string& item);
    void log(const ddelink::Frame& frame);

    StandInOptions m_options;
    Books m_books;
    ddelink::DdeServer m_server;
    std::unique_ptr<QFile> m_log;
    QTimer m_idle;
};

} // namespace standin
