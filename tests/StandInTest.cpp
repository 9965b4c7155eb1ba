#include "DdeServer.h"
#include "link/DdeClientConv.h"
#include "link/DdeClientItem.h"
#include "link/SocketPath.h"
#include "support/ScopedEnvironment.h"
#include "support/StandInReady.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using ddelink::DdeClientConv;
using ddelink::DdeClientItem;

namespace {

const QString standinPath = QStringLiteral(FVT_BINARY_DIR "/bin/buh-standin");

class StandInTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_runtime.isValid() && m_work.isValid());
        m_runtimeDir.emplace("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        writeBooks(QStringLiteral(R"({"items": {"A": "1", "B": "2", "СН1:7.52": "Коваленко",
                                        "multi": "a\r\nb\u0000c"}})"));
    }
    void TearDown() override
    {
        for (auto& p : m_processes) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }

    void writeBooks(const QString& json)
    {
        QFile f(m_work.filePath(QStringLiteral("books.json")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(json.toUtf8());
    }
    QString logPath() const { return m_work.filePath(QStringLiteral("frames.log")); }
    QStringList logLines() const
    {
        QFile f(logPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QProcess& start(QStringList args, const QString& service = QStringLiteral("БУХ"))
    {
        auto process = std::make_unique<QProcess>();
        process->setProgram(standinPath);
        process->setWorkingDirectory(m_work.path());
        process->setArguments(args << QStringLiteral("--log") << logPath());
        process->start();
        EXPECT_TRUE(process->waitForStarted());
        EXPECT_TRUE(testsupport::waitUntilReady(*process))
            << process->readAllStandardError().toStdString();
        EXPECT_TRUE(ddelink::DdeServer::isServed(service));
        m_processes.push_back(std::move(process));
        return *m_processes.back();
    }

    // Runs the stand-in to its end, for options that make it exit.
    static int runToEnd(const QStringList& args, QString* errors = nullptr)
    {
        QProcess p;
        p.start(standinPath, args);
        p.waitForFinished(5000);
        if (errors)
            *errors = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    QTemporaryDir m_runtime;
    std::optional<testsupport::EnvironmentVariable> m_runtimeDir;
    QTemporaryDir m_work;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

} // namespace

TEST_F(StandInTest, AsksGoOutInTheirOrderAndComeBackClean)
{
    start({});
    {
        DdeClientConv conversation;
        DdeClientItem item(conversation);
        ASSERT_TRUE(ddelink::openLink(conversation, item));
        EXPECT_EQ(item.ask(QStringLiteral("A")), QStringLiteral("1"));
        EXPECT_EQ(item.ask(QStringLiteral("A")), QStringLiteral("1"));
        EXPECT_EQ(item.ask(QStringLiteral("СН1:7.52")), QStringLiteral("Коваленко"));
        EXPECT_EQ(item.ask(QStringLiteral("multi")), QStringLiteral("a  b"));
        EXPECT_EQ(item.ask(QStringLiteral("unknown")), QString());
    }
    QElapsedTimer timer;
    timer.start();
    while (!logLines().endsWith(QStringLiteral("X")) && timer.elapsed() < 2000)
        QThread::msleep(10);
    EXPECT_EQ(logLines(),
              (QStringList{"C ВЫР", "S РДАТА", "R РДАТА", "T РДАТА", "S A", "R A", "T A", "S A",
                           "R A", "T A", "S СН1:7.52", "R СН1:7.52", "T СН1:7.52", "S multi",
                           "R multi", "T multi", "S unknown", "X"}));
}

TEST_F(StandInTest, RefusedItemsAndTopicsGetNoRequest)
{
    start({QStringLiteral("--refuse"), QStringLiteral("A"), QStringLiteral("--refuse"),
           QStringLiteral("B")});
    DdeClientConv conversation;
    DdeClientItem item(conversation);
    ASSERT_TRUE(conversation.OpenLink());
    EXPECT_EQ(item.ask(QStringLiteral("A")), QString());
    EXPECT_EQ(item.ask(QStringLiteral("B")), QString());
    EXPECT_EQ(item.ask(QStringLiteral("СН1:7.52")), QStringLiteral("Коваленко"));
    EXPECT_FALSE(logLines().contains(QStringLiteral("R A")));
    EXPECT_FALSE(logLines().contains(QStringLiteral("R B")));

    // Another topic is refused; with nothing to start under that service the open fails.
    DdeClientConv other;
    other.setDdeTopic(QStringLiteral("ИНШЕ"));
    other.setDdeService(QStringLiteral("БУХ"));
    const testsupport::EnvironmentVariable path("PATH", QFile::encodeName(m_work.path()));
    EXPECT_FALSE(other.OpenLink());
}

TEST_F(StandInTest, CloseAfterEndsTheConversationForGood)
{
    start({QStringLiteral("--close-after"), QStringLiteral("2")});
    DdeClientConv conversation;
    DdeClientItem item(conversation);
    ASSERT_TRUE(ddelink::openLink(conversation, item)); // the first request
    EXPECT_EQ(item.ask(QStringLiteral("A")), QStringLiteral("1"));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(item.ask(QStringLiteral("B")), QString());
    EXPECT_EQ(item.ask(QStringLiteral("A")), QString());
    EXPECT_LT(timer.elapsed(), 500);
    EXPECT_FALSE(conversation.isOpen());
    // Not reopened behind the caller's back, though the server would accept a new conversation.
    EXPECT_FALSE(logLines().contains(QStringLiteral("R B")));
}

TEST_F(StandInTest, KilledServerLeavesEmptyAnswersWithoutHanging)
{
    QProcess& server = start({});
    DdeClientConv conversation;
    DdeClientItem item(conversation);
    ASSERT_TRUE(ddelink::openLink(conversation, item));
    EXPECT_EQ(item.ask(QStringLiteral("A")), QStringLiteral("1"));
    server.kill();
    server.waitForFinished(3000);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(item.ask(QStringLiteral("A")), QString());
    EXPECT_LT(timer.elapsed(), 1500);
}

TEST_F(StandInTest, SlowServerGivesEmptyWithinTheBound)
{
    // Every answer comes far beyond the bound, so no load on the machine can make one in time.
    start({QStringLiteral("--delay"), QStringLiteral("20000")});
    DdeClientConv conversation;
    DdeClientItem item(conversation);
    // Even the connection is late: the open fails within about a second per attempt.
    QElapsedTimer timer;
    timer.start();
    const testsupport::EnvironmentVariable path("PATH", QFile::encodeName(m_work.path()));
    EXPECT_FALSE(conversation.OpenLink());
    EXPECT_GE(timer.elapsed(), 990);
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST_F(StandInTest, SurvivesGarbageAndVanishingClients)
{
    start({});
    const QByteArray path = ddelink::SocketPath::forService(QStringLiteral("БУХ")).toUtf8();
    for (const QByteArray& garbage :
         {QByteArray("hello, world"), QByteArray("R\0\0\0\1\xFF\xFF\xFF\xFF", 9),
          QByteArray("C\0\0\0\1\0\0\0\x10partial", 16)}) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        (void)!::send(fd, garbage.constData(), static_cast<std::size_t>(garbage.size()),
                      MSG_NOSIGNAL);
        ::close(fd);
    }
    // A client that asks and is gone before the answer is written.
    {
        DdeClientConv quitter;
        ASSERT_TRUE(quitter.OpenLink());
    }
    DdeClientConv conversation;
    DdeClientItem item(conversation);
    ASSERT_TRUE(ddelink::openLink(conversation, item));
    EXPECT_EQ(item.ask(QStringLiteral("B")), QStringLiteral("2"));
}

TEST_F(StandInTest, StartsTheAccountingProgramWhenNobodyServes)
{
    // As the program runs it: "БУХ" on the PATH, the books in the working directory.
    ASSERT_TRUE(QFile::link(standinPath, m_work.filePath(QStringLiteral("БУХ"))));
    const testsupport::EnvironmentVariable path("PATH", QFile::encodeName(m_work.path()) + ":" +
                                                            qgetenv("PATH"));
    const QString savedDir = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_work.path()));
    qint64 pid = 0;
    {
        DdeClientConv conversation;
        DdeClientItem item(conversation);
        const bool opened = ddelink::openLink(conversation, item);
        pid = conversation.startedProcessId();
        EXPECT_TRUE(opened);
        EXPECT_GT(pid, 0);
        EXPECT_EQ(item.ask(QStringLiteral("A")), QStringLiteral("1"));
    }
    QDir::setCurrent(savedDir);
    if (pid > 0) {
        ::kill(static_cast<pid_t>(pid), SIGTERM);
        QElapsedTimer timer;
        timer.start();
        while (ddelink::DdeServer::isServed(QStringLiteral("БУХ")) && timer.elapsed() < 3000)
            QThread::msleep(10);
        EXPECT_FALSE(ddelink::DdeServer::isServed(QStringLiteral("БУХ")));
    }
}

TEST_F(StandInTest, SocketIsPrivateAndServedOnce)
{
    start({QStringLiteral("--service"), QStringLiteral("svc")}, QStringLiteral("svc"));
    struct stat st
    {
    };
    const QByteArray dir = ddelink::SocketPath::directory().toUtf8();
    ASSERT_EQ(::stat(dir.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(QFile::exists(ddelink::SocketPath::forService(QStringLiteral("svc"))));

    QString errors;
    EXPECT_EQ(runToEnd({QStringLiteral("--service"), QStringLiteral("svc"),
                        QStringLiteral("--books"), m_work.filePath(QStringLiteral("books.json"))},
                       &errors),
              1);
    EXPECT_TRUE(errors.contains(QStringLiteral("already served"))) << errors.toStdString();
    EXPECT_EQ(
        runToEnd({QStringLiteral("--check"), QStringLiteral("--service"), QStringLiteral("svc")}),
        0);
    EXPECT_EQ(runToEnd({QStringLiteral("--check")}), 1);
}

TEST_F(StandInTest, BadOptionsGetAUsageMessage)
{
    QString errors;
    EXPECT_EQ(runToEnd({QStringLiteral("--delay"), QStringLiteral("soon")}, &errors), 2);
    EXPECT_TRUE(errors.contains(QStringLiteral("--delay"))) << errors.toStdString();
    EXPECT_EQ(runToEnd({QStringLiteral("--frobnicate")}, &errors), 2);
    EXPECT_TRUE(errors.contains(QStringLiteral("frobnicate"))) << errors.toStdString();
    EXPECT_EQ(runToEnd({QStringLiteral("ІНШЕ")}, &errors), 2);
    EXPECT_EQ(runToEnd({QStringLiteral("--books"), m_work.filePath(QStringLiteral("none.json"))},
                       &errors),
              1);
    EXPECT_FALSE(errors.isEmpty());
}
