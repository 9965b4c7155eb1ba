#include "Books.h"
#include "DdeServer.h"
#include "StandInServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int termPipe[2] = {-1, -1};

void onTerminate(int)
{
    const char byte = 1;
    (void)!::write(termPipe[1], &byte, 1);
}

int usageError(const QCommandLineParser& parser, const QString& message)
{
    std::fprintf(stderr, "buh-standin: %s\n\n%s", qPrintable(message),
                 qPrintable(parser.helpText()));
    return 2;
}

bool readCount(const QCommandLineParser& parser, const QString& name, int& value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    value = parser.value(name).toInt(&ok);
    return ok && value >= 0;
}

} // namespace

int main(int argc, char** argv)
{
    // A client that vanishes while we write to it costs that conversation, never the process.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("buh-standin"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Stands in for the accounting program: serves its items over the local transport."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("books"), QStringLiteral("The books file (default books.json)."),
         QStringLiteral("FILE")},
        {QStringLiteral("service"), QStringLiteral("The service name (default БУХ)."),
         QStringLiteral("NAME")},
        {QStringLiteral("delay"), QStringLiteral("Wait MS milliseconds before each reply."),
         QStringLiteral("MS")},
        {QStringLiteral("refuse"), QStringLiteral("Refuse ITEM (repeatable)."),
         QStringLiteral("ITEM")},
        {QStringLiteral("slow"),
         QStringLiteral("Answer requests for ITEM late, after --slow-ms (repeatable)."),
         QStringLiteral("ITEM")},
        {QStringLiteral("slow-ms"),
         QStringLiteral("How late the --slow items are answered (default 1500)."),
         QStringLiteral("MS")},
        {QStringLiteral("close-after"), QStringLiteral("Close a conversation after N requests."),
         QStringLiteral("N")},
        {QStringLiteral("log"), QStringLiteral("Append one line per frame received to FILE."),
         QStringLiteral("FILE")},
        {QStringLiteral("locale"), QStringLiteral("Format numbers as the locale NAME does."),
         QStringLiteral("NAME")},
        {QStringLiteral("check"),
         QStringLiteral("Exit 0 when the service is served already, 1 otherwise.")},
        {QStringLiteral("quit-when-idle"),
         QStringLiteral("Quit after SECONDS without a conversation."), QStringLiteral("SECONDS")},
    });
    parser.addPositionalArgument(QStringLiteral("topic"),
                                 QStringLiteral("The topic, as the link starts us (ВЫР)."),
                                 QStringLiteral("[topic]"));
    if (!parser.parse(app.arguments()))
        return usageError(parser, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }

    standin::StandInOptions options;
    if (parser.isSet(QStringLiteral("service")))
        options.service = parser.value(QStringLiteral("service"));
    if (parser.isSet(QStringLiteral("books")))
        options.booksPath = parser.value(QStringLiteral("books"));
    if (!readCount(parser, QStringLiteral("delay"), options.delayMs))
        return usageError(parser, QStringLiteral("--delay wants a whole number of milliseconds"));
    if (!readCount(parser, QStringLiteral("close-after"), options.closeAfter))
        return usageError(parser, QStringLiteral("--close-after wants a whole number"));
    if (!readCount(parser, QStringLiteral("quit-when-idle"), options.quitWhenIdleSeconds))
        return usageError(parser,
                          QStringLiteral("--quit-when-idle wants a whole number of seconds"));
    for (const QString& item : parser.values(QStringLiteral("refuse")))
        options.refused.insert(item);
    for (const QString& item : parser.values(QStringLiteral("slow")))
        options.slow.insert(item);
    if (!readCount(parser, QStringLiteral("slow-ms"), options.slowMs))
        return usageError(parser, QStringLiteral("--slow-ms wants a whole number of milliseconds"));
    options.logPath = parser.value(QStringLiteral("log"));
    options.check = parser.isSet(QStringLiteral("check"));
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1 || (positional.size() == 1 && positional.front() != options.topic))
        return usageError(parser,
                          QStringLiteral("unexpected argument '%1'").arg(positional.back()));

    if (options.check)
        return ddelink::DdeServer::isServed(options.service) ? 0 : 1;

    if (parser.isSet(QStringLiteral("locale"))) {
        const QString name = parser.value(QStringLiteral("locale"));
        const QLocale locale(name);
        if (locale.language() == QLocale::C && name != QLatin1String("C"))
            return usageError(parser, QStringLiteral("unknown locale '%1'").arg(name));
        QLocale::setDefault(locale);
    }

    std::optional<standin::Books> books;
    try {
        books = standin::Books::load(options.booksPath);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "buh-standin: %s\n", e.what());
        return 1;
    }

    standin::StandInServer server(options, std::move(*books));
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "buh-standin: %s\n", qPrintable(error));
        return 1;
    }
    QObject::connect(&server, &standin::StandInServer::idleTooLong, &app, &QCoreApplication::quit);
    // Whoever started it waits for this line rather than knocking at the socket.
    std::fputs("ready\n", stdout);
    std::fflush(stdout);

    // Ended by a signal, the server still takes its socket away, so the next start finds none.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, termPipe) == 0) {
        auto* notifier = new QSocketNotifier(termPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        struct sigaction action
        {
        };
        action.sa_handler = onTerminate;
        sigemptyset(&action.sa_mask);
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGHUP, &action, nullptr);
    }
    return app.exec();
}
