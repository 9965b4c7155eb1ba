// The program's link through 4vt-dde-bridge.exe under Wine, against fake-buh.exe, a server of
// raw DDE messages that the bridge starts as "БУХ ВЫР" from the working folder. Run by the
// Windows stage in its prefix (WINEPREFIX; FVT_WIN_BIN names its programs' folder).
#include "app/MainDlg.h"
#include "app/WineLink.h"
#include "core/Cp1251.h"
#include "core/Error.h"
#include "dbase/Table.h"
#include "link/DdeClientConv.h"
#include "link/DdeClientItem.h"
#include "link/WineBridgeTransport.h"
#include "settings/SettingsSource.h"
#include "support/DefaultTemplates.h"
#include "support/RecordingAsker.h"
#include "support/RecordingMessageSink.h"
#include "support/StandInReady.h"
#include "taxfile/GenerationRun.h"
#include "taxformat/TaxFileFields.h"
#include "taxformat/TaxFileName.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>
#include <memory>

namespace {

const QString Source = QStringLiteral(FVT_SOURCE_DIR);
const QString Bin = QStringLiteral(FVT_BINARY_DIR "/bin");
using Books = std::vector<std::pair<std::string, std::string>>;

std::string bytes(const QString& text)
{
    return std::string(core::cp1251::encodeStd(text));
}

// A file of Windows-1251 lines, as UTF-8 texts.
std::vector<std::string> lines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    std::vector<std::string> result;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.isEmpty())
            result.push_back(
                core::cp1251::decode(std::string(line.constData(), line.size())).toStdString());
    return result;
}

class WineBridgeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("WINEPREFIX")) << "run by the Windows stage";
        QLocale::setDefault(QLocale::c());
        ASSERT_TRUE(m_work.isValid());
        // The accounting program the bridge starts: "БУХ" in the folder it runs in.
        ASSERT_TRUE(QFile::copy(qEnvironmentVariable("FVT_WIN_BIN") + "/fake-buh.exe",
                                m_work.filePath("БУХ.exe")));
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(m_work.path());
        qputenv("FVT_FAKE_STARTS", QFile::encodeName(m_work.filePath("starts")));
        testsupport::putDemoSettings(m_settings);
    }

    void TearDown() override
    {
        m_item.reset();
        m_conv.reset();
        QDir::setCurrent(m_oldDir);
        qunsetenv("FVT_FAKE_BOOKS");
        qunsetenv("FVT_FAKE_REQUESTS");
        QLocale::setDefault(QLocale::system());
    }

    // The books the fake answers from, as its table file.
    void serve(const Books& books)
    {
        QFile table(m_work.filePath("books.tsv"));
        ASSERT_TRUE(table.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const auto& [item, answer] : books)
            table.write(QByteArray::fromStdString(item + '\t' + answer + '\n'));
        table.close();
        qputenv("FVT_FAKE_BOOKS", "Z:" + QFile::encodeName(table.fileName()));
    }

    std::unique_ptr<ddelink::WineBridgeTransport> bridge()
    {
        auto transport = std::make_unique<ddelink::WineBridgeTransport>(
            QStandardPaths::findExecutable("wine"), Bin + "/4vt-dde-bridge.exe",
            qEnvironmentVariable("WINEPREFIX"));
        m_bridge = transport.get();
        return transport;
    }

    void openThroughTheBridge()
    {
        m_conv = std::make_unique<ddelink::DdeClientConv>(bridge());
        m_item = std::make_unique<ddelink::DdeClientItem>(*m_conv);
        ASSERT_TRUE(ddelink::openLink(*m_conv, *m_item));
    }

    // The program's generation run into `dir`; the message it stopped with, empty when done.
    QString generate(ddelink::ItemAsker& asker, ddelink::DdeClientConv& conv, const QString& dir)
    {
        dbase::Table table(QStringLiteral("DA"), taxformat::taxFileFields());
        NoProgress progress;
        taxfile::GenerationRun run(m_settings, asker, table, progress);
        run.setWorkingDirectory(Source + "/demo");
        run.setTempDirectory(dir + '/');
        run.setLinkCheck([&] { return conv.isOpen(); });
        taxformat::RunChoices choices;
        choices.nperiod = "1";
        choices.zyear = "2008";
        try {
            run.run(choices);
        } catch (const core::Error& e) {
            return e.message();
        }
        return QString();
    }

    // The demo books' answers to every item of a run, as the stand-in gives them over the socket,
    // and the tax file that run wrote into `dir`.
    Books demoBooks(const QString& dir)
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        QProcess standin;
        standin.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        standin.start(Bin + "/buh-standin",
                      {"--books", Source + "/demo/books.json", "--locale", "C"});
        EXPECT_TRUE(standin.waitForStarted(5000));
        EXPECT_TRUE(testsupport::waitUntilReady(standin));
        ddelink::DdeClientConv conv;
        ddelink::DdeClientItem item(conv);
        ddelink::openLink(conv, item);
        RecordingAsker asker(item);
        EXPECT_EQ(generate(asker, conv, dir), "");
        conv.CloseLink();
        standin.terminate();
        standin.waitForFinished(5000);
        Books books{{bytes("РДАТА"), "01102008   "}};
        for (qsizetype i = 0; i < asker.asked.size(); ++i)
            if (!asker.asked[i].isEmpty())
                books.emplace_back(bytes(asker.asked[i]), bytes(asker.answers[i]));
        return books;
    }

    QTemporaryDir m_work;
    QString m_oldDir;
    settings::MapSettings m_settings;
    ddelink::WineBridgeTransport* m_bridge = nullptr;
    std::unique_ptr<ddelink::DdeClientConv> m_conv;
    std::unique_ptr<ddelink::DdeClientItem> m_item;
};

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST_F(WineBridgeTest, TheDemoBooksGiveTheSameTaxFileAsThroughTheSocketWithNamesIn1251)
{
    QTemporaryDir viaSocket, viaBridge;
    const Books books = demoBooks(viaSocket.path());
    ASSERT_GT(books.size(), 100u);
    serve(books);
    qputenv("FVT_FAKE_REQUESTS", QFile::encodeName(m_work.filePath("requests")));
    openThroughTheBridge();
    // Nobody served: the bridge started the accounting program, once, with the topic.
    EXPECT_EQ(lines(m_work.filePath("starts")), std::vector<std::string>{"ВЫР"});

    RecordingAsker asker(*m_item);
    ASSERT_EQ(generate(asker, *m_conv, viaBridge.path()), "");
    const QByteArray expected = fileBytes(viaSocket.filePath(taxformat::TaxFileName()));
    ASSERT_GT(expected.size(), 19 * 100);
    // Every record, every kopeck; the header's date of last update is today's in both.
    EXPECT_EQ(fileBytes(viaBridge.filePath(taxformat::TaxFileName())), expected);

    // The names arrived as the Windows-1251 bytes the program sent: the fake matched them
    // byte for byte against its table, and says which it was asked for.
    m_conv->CloseLink();
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(m_work.filePath("requests")) && !deadline.hasExpired())
        QThread::msleep(20);
    std::vector<std::string> sent{"РДАТА"};
    for (const QString& item : asker.asked)
        if (!item.isEmpty())
            sent.push_back(item.toStdString());
    EXPECT_EQ(lines(m_work.filePath("requests")), sent);
}

TEST_F(WineBridgeTest, RefusedAndLateItemsAsOnWindows)
{
    serve({{bytes("РДАТА"), "01102008   "},
           {"A", "1"},
           {bytes("СН1:7.52"), bytes("Пів 12,50")},
           {"SLOW", "9\t1600"}});
    openThroughTheBridge();
    EXPECT_EQ(m_item->ask("НЕМА"), "");
    EXPECT_FALSE(m_item->lastAskTimedOut()); // the server's own refusal
    EXPECT_EQ(m_item->ask("СН1:7.52"), "Пів 12,50");

    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(m_item->ask("SLOW"), "");
    EXPECT_TRUE(m_item->lastAskTimedOut()); // no answer at all, never "no data"
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_LT(clock.elapsed(), 1500);
    // The late reply is dropped; the next asks get their own answers.
    for (const char* item : {"A", "СН1:7.52", "A"}) {
        EXPECT_EQ(m_item->ask(item), item == std::string("A") ? "1" : "Пів 12,50") << item;
        EXPECT_FALSE(m_item->lastAskTimedOut()) << item;
    }
    EXPECT_TRUE(m_conv->isOpen());
}

// The accounting program ends the conversation or vanishes without a word, or the bridge is
// killed, in the middle of a run: the run stops with its message and no finished file; the next
// run's reopen starts a new bridge, which starts the accounting program again.
TEST_F(WineBridgeTest, AConversationEndedMidRunStopsItAndTheNextRunOpensAnew)
{
    QTemporaryDir scratch;
    const Books books = demoBooks(scratch.path());
    const QString stopped = "?((СН1:2.35=1) ИЛИ (СН1:2.35=4)\\ОБ70.01:2,68.01\\0)";
    for (const char* how : {"#end-after", "#vanish-after", "kill"}) {
        SCOPED_TRACE(how);
        Books served = books;
        if (how[0] == '#')
            served.emplace_back(how, "12");
        serve(served);
        openThroughTheBridge();
        RecordingAsker asker(*m_item);
        if (how[0] == 'k')
            asker.onAsk = [&](qsizetype n) {
                if (n == 11)
                    ::kill(m_bridge->bridgeProcess(), SIGKILL);
            };
        QTemporaryDir out;
        const QString message = generate(asker, *m_conv, out.path());
        // A program gone without a word may leave the request in hand unanswered instead.
        EXPECT_TRUE(message == taxfile::GenerationRun::linkLostText() ||
                    (how[1] == 'v' && message == taxfile::GenerationRun::noAnswerText(stopped)))
            << message.toStdString();
        // Employee 2's second request was the last to reach the accounting program.
        EXPECT_LE(asker.asked.size() - asker.asked.count(QString()), 13);

        serve(books);
        if (m_conv->isOpen())
            m_conv->CloseLink();
        ASSERT_TRUE(ddelink::openLink(*m_conv, *m_item)); // as the next run's reopen does
        RecordingAsker again(*m_item);
        QTemporaryDir next;
        EXPECT_EQ(generate(again, *m_conv, next.path()), "");
        m_conv->CloseLink();
    }
}

// No accounting program to be had: the bridge tries the start command once, then the start-up's
// own box.
TEST_F(WineBridgeTest, WithoutAnAccountingProgramTheStartIsTriedOnceThenTheStartUpBox)
{
    testsupport::RecordingMessageSink sink;
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    auto transport = bridge();
    app::MainDlg mainDlg(nullptr, std::move(transport));
    app::WineLink::wire(mainDlg, *m_bridge, prefix);
    int failures = 0;
    mainDlg.showLinkFailure = [&] { ++failures; };
    mainDlg.FormActivate();
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(sink.errors.isEmpty()) << sink.errors.join('|').toStdString();
    EXPECT_EQ(lines(m_work.filePath("starts")), std::vector<std::string>{"ВЫР"});
    EXPECT_EQ(m_bridge->bridgeProcess(), -1);
}
