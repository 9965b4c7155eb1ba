// The Linux side of the Wine bridge against a stand-in for `wine` (a shell script that speaks
// the frames), so that the child process's handling is tested without Wine: the start waited for
// apart from the transactions, a child that dies or never greets, no descriptor of ours in the
// child, and no child left behind.
#include "link/WineBridgeTransport.h"
#include "link/Frame.h"
#include "link/ItemLink.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <signal.h>
#include <unistd.h>

using namespace std::chrono_literals;
using ddelink::WineBridgeTransport;

namespace {

// Greets after `delay` seconds (with a frame of the kind `greeting`, or exits at once when it is
// 0), accepts the connect, then waits for the end of its input.
QString fakeWine(const QTemporaryDir& dir, const char* delay, char greeting = 'A')
{
    const bool greets = greeting != 0;
    const QString path = dir.filePath("wine");
    QFile script(path);
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QByteArray("#!/bin/sh\nsleep ") + delay + "\n" +
                 (greets ? "printf '" + QByteArray(1, greeting) +
                               "\\0\\0\\0\\0\\0\\0\\0\\0'\n"
                               "head -c 12 >/dev/null\n"
                               "printf 'A\\0\\0\\0\\1\\0\\0\\0\\0'\n"
                               "cat >/dev/null\n"
                         : "exit 1\n"));
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// Greets, accepts the connect, copies the next `askBytes` bytes it is sent into `sent`, answers
// them with a frame of id 2 and the given kind and payload, then waits for the end of its input.
QString askingWine(const QTemporaryDir& dir, int askBytes, char kind, const std::string& payload)
{
    const QString path = dir.filePath("wine");
    QFile script(path);
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    QByteArray reply;
    for (char c : ddelink::Frame{kind, 2, payload}.encode())
        reply += "\\" + QByteArray::number(static_cast<unsigned char>(c), 8);
    script.write("#!/bin/sh\nprintf 'A\\0\\0\\0\\0\\0\\0\\0\\0'\nhead -c 12 >/dev/null\n"
                 "printf 'A\\0\\0\\0\\1\\0\\0\\0\\0'\nhead -c " +
                 QByteArray::number(askBytes) + " >'" + QFile::encodeName(dir.filePath("sent")) +
                 "'\nprintf '" + reply + "'\ncat >/dev/null\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

bool running(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH);
}

} // namespace

TEST(WineBridgeTransportTest, WinesStartIsWaitedForApartAndTheChildGetsNoDescriptorOfOurs)
{
    QTemporaryDir dir;
    WineBridgeTransport bridge(fakeWine(dir, "0.4"), dir.filePath("4vt-dde-bridge.exe"), dir.path(),
                               200ms);
    int idles = 0;
    bridge.setWhileStarting([&] { ++idles; });
    const QString file = dir.filePath("ours");
    const int ours = ::open(QFile::encodeName(file).constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_TRUE(bridge.connect("\xC1\xD3\xD5", "\xC2\xDB\xD0"));
    EXPECT_GE(idles, 2); // the start took longer than a transaction may, and was no refusal
    EXPECT_TRUE(bridge.connected());
    const pid_t child = bridge.bridgeProcess();
    for (const auto& fd :
         std::filesystem::directory_iterator("/proc/" + std::to_string(child) + "/fd")) {
        std::error_code error;
        EXPECT_NE(std::filesystem::read_symlink(fd.path(), error).string(), file.toStdString());
    }
    ::close(ours);
    bridge.disconnect();
    EXPECT_FALSE(bridge.connected());
    EXPECT_FALSE(running(child));
}

TEST(WineBridgeTransportTest, ABridgeThatNeverComesUpOrDiesIsNoConversation)
{
    QTemporaryDir dir;
    struct Case
    {
        const char* delay;
        char greeting;
        bool stopped; // the user gives up waiting
    };
    // Exits, greets too late, greets with a refusal or with data, is given up on.
    for (const Case& c : {Case{"0", 0, false}, Case{"3", 'A', false}, Case{"0", 'N', false},
                          Case{"0", 'D', false}, Case{"3", 'A', true}}) {
        SCOPED_TRACE(std::string(c.delay) + c.greeting + (c.stopped ? " stopped" : ""));
        WineBridgeTransport bridge(fakeWine(dir, c.delay, c.greeting),
                                   dir.filePath("4vt-dde-bridge.exe"), dir.path(), 200ms);
        bridge.setStartLimit(c.stopped ? 60s : 500ms);
        int idles = 0;
        if (c.stopped)
            bridge.setWhileStarting([&] {
                if (++idles == 3)
                    bridge.stopStarting();
            });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(bridge.connect("\xC1\xD3\xD5", "\xC2\xDB\xD0"));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_FALSE(bridge.connected());
        EXPECT_EQ(bridge.bridgeProcess(), -1);
    }
}

TEST(WineBridgeTransportTest, AKilledBridgeEndsTheConversationAndTheTransportLeavesNoChild)
{
    QTemporaryDir dir;
    pid_t child = -1;
    {
        WineBridgeTransport bridge(fakeWine(dir, "0"), dir.filePath("4vt-dde-bridge.exe"),
                                   dir.path(), 200ms);
        ASSERT_TRUE(bridge.connect("\xC1\xD3\xD5", "\xC2\xDB\xD0"));
        ::kill(bridge.bridgeProcess(), SIGKILL);
        for (int i = 0; i < 200 && bridge.connected(); ++i)
            ::usleep(10000);
        EXPECT_FALSE(bridge.connected());
        EXPECT_FALSE(bridge.request("A").has_value());
        EXPECT_FALSE(bridge.timedOut()); // ended, not late

        ASSERT_TRUE(bridge.connect("\xC1\xD3\xD5", "\xC2\xDB\xD0")); // a new bridge
        child = bridge.bridgeProcess();
        EXPECT_TRUE(running(child));
    }
    EXPECT_FALSE(running(child));
}

// An ask goes to the bridge as one frame, and its one reply gives the item link's three results.
TEST(WineBridgeTransportTest, AnAskIsOneFrameAndItsReplyTheItemLinksResults)
{
    struct Case
    {
        char kind;
        std::string payload;
        bool advised;
        const char* text;
        bool timedOut;
        bool connected;
    };
    const Case cases[] = {
        {'D', "1\xCF\xB3\xE2 12,50\n", true, "\xCF\xB3\xE2 12,50 ", false, true},
        {'D', "0", false, "", false, true},  // advise start refused: no text
        {'D', "3", true, "", true, true},    // taken, then the request got no reply in time
        {'D', "2", false, "", true, true},   // the stop or the start got none
        {'D', "7text", false, "", false, false}, // no ask's answer: the stream is out of step
        {'A', "", false, "", false, false},
    };
    const std::string item = "\xD1\xCD" "1:7.52";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload);
        QTemporaryDir dir;
        WineBridgeTransport bridge(askingWine(dir, 9 + int(item.size()), c.kind, c.payload),
                                   dir.filePath("4vt-dde-bridge.exe"), dir.path(), 500ms);
        ASSERT_TRUE(bridge.connect("\xC1\xD3\xD5", "\xC2\xDB\xD0"));
        ddelink::ItemLink link(bridge);
        EXPECT_EQ(link.set(item), c.advised);
        EXPECT_EQ(link.text(), c.text);
        EXPECT_EQ(link.timedOut(), c.timedOut);
        EXPECT_EQ(bridge.connected(), c.connected);
        QFile sent(dir.filePath("sent"));
        ASSERT_TRUE(sent.open(QIODevice::ReadOnly));
        EXPECT_EQ(sent.readAll().toStdString(), (ddelink::Frame{'Q', 2, item}.encode()));
    }
}
