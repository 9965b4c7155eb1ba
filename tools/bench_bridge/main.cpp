// bench-bridge WINBIN [ASKS] [EMPLOYEES]: the link through 4vt-dde-bridge.exe into the Wine
// prefix WINEPREFIX, against fake-buh.exe of the Windows stage's build (WINBIN, e.g.
// build/win/bin), which the bridge starts as "БУХ ВЫР". Prints:
//   - the ask as three frames, as it went before the one exchange, ASKS times (default 2000);
//   - one ask through the bridge (one frame; advise stop, advise start and request run in the
//     bridge), ASKS times, in ten rounds taken in turn with the same ask made inside Wine over
//     DDEML by WINBIN/bench-dde-win.exe, to a server on a thread of its own process and to
//     fake-buh.exe in a process of its own; the ratios of their means and medians;
//   - the crossing alone: an ask of no item, which makes no DDE transaction;
//   - a generation run over EMPLOYEES employees (default 1000) through the bridge.
// For example, after ./test: WINEPREFIX=$PWD/build/win/wineprefix LC_ALL=uk_UA.UTF-8
//   build/bin/bench-bridge build/win/bin

#include "BenchBooks.h"

#include "core/Cp1251.h"
#include "dbase/Table.h"
#include "link/DdeClientConv.h"
#include "link/DdeClientItem.h"
#include "link/WineBridgeTransport.h"
#include "taxfile/GenerationRun.h"
#include "taxformat/TaxFileFields.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>
#include <optional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The fake's table: item TAB answer, one a line, Windows-1251.
bool serve(const QString& path, const std::vector<std::pair<std::string, std::string>>& books)
{
    QFile table(path);
    if (!table.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (const auto& [item, answer] : books)
        table.write(QByteArray::fromStdString(item + '\t' + answer + '\n'));
    table.close();
    qputenv("FVT_FAKE_BOOKS", "Z:" + QFile::encodeName(path));
    return true;
}

std::unique_ptr<ddelink::ClientTransport> bridge()
{
    return std::make_unique<ddelink::WineBridgeTransport>(QStandardPaths::findExecutable("wine"),
                                                          QCoreApplication::applicationDirPath() +
                                                              "/4vt-dde-bridge.exe",
                                                          qEnvironmentVariable("WINEPREFIX"));
}

// The bridge as it was before an ask went as one frame: the same transport, its three
// transactions sent one by one (for the comparison only).
class ThreeFrames : public ddelink::ClientTransport
{
public:
    explicit ThreeFrames(std::unique_ptr<ddelink::ClientTransport> inner) : m(std::move(inner)) {}
    bool connect(const std::string& s, const std::string& t) override { return m->connect(s, t); }
    bool adviseStart(const std::string& item) override { return m->adviseStart(item); }
    bool adviseStop(const std::string& item) override { return m->adviseStop(item); }
    std::optional<std::string> request(const std::string& item) override
    {
        return m->request(item);
    }
    void disconnect() override { m->disconnect(); }
    bool connected() const override { return m->connected(); }
    bool timedOut() const override { return m->timedOut(); }
    bool startsServiceItself() const override { return true; }

private:
    std::unique_ptr<ddelink::ClientTransport> m;
};

// Mean and median in microseconds.
std::pair<double, double> summary(std::vector<double> micros)
{
    std::sort(micros.begin(), micros.end());
    return {std::accumulate(micros.begin(), micros.end(), 0.0) / double(micros.size()),
            micros[micros.size() / 2]};
}

// One ask of the two items in turn, timed; false when it got no text.
bool timedAsk(ddelink::DdeClientItem& item, int i, std::vector<double>& micros)
{
    const auto start = Clock::now();
    if (item.ask(i % 2 ? QStringLiteral("СН1:1.52") : QStringLiteral("СН1:2.52")).isEmpty())
        return false;
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    return true;
}

void print(const char* what, std::size_t n, std::pair<double, double> figures)
{
    std::printf("%-48s n=%zu  mean %.2f us  median %.2f us\n", what, n, figures.first,
                figures.second);
}

void serveAsks(const QString& work)
{
    serve(work + "/asks.tsv",
          {{core::cp1251::encodeStd(QStringLiteral("РДАТА")), "01102008   "},
           {core::cp1251::encodeStd(QStringLiteral("СН1:1.52")), "1234567890"},
           {core::cp1251::encodeStd(QStringLiteral("СН1:2.52")), "2345678901"}});
}

// The ask as three frames, as it went before the one exchange.
bool askAsThreeFrames(int asks)
{
    ddelink::DdeClientConv conv(std::make_unique<ThreeFrames>(bridge()));
    ddelink::DdeClientItem item(conv);
    if (!ddelink::openLink(conv, item))
        return false;
    std::vector<double> micros;
    for (int i = 0; i < asks; ++i)
        if (!timedAsk(item, i, micros))
            return false;
    print("ask through the bridge (three frames, as before)", micros.size(), summary(micros));
    return true;
}

// Mean and median of a line of bench-dde-win's report.
std::optional<std::pair<double, double>> reported(const QString& out, const QString& what)
{
    const QRegularExpression line(
        QRegularExpression::escape(what) +
        QStringLiteral(" +n=[0-9]+ +mean ([0-9.]+) us +median ([0-9.]+) us"));
    const auto match = line.match(out);
    if (!match.hasMatch())
        return std::nullopt;
    return std::pair{match.captured(1).toDouble(), match.captured(2).toDouble()};
}

std::optional<QString> readLine(QProcess& process)
{
    while (!process.canReadLine())
        if (!process.waitForReadyRead(60000))
            return std::nullopt;
    return QString::fromLocal8Bit(process.readLine()).trimmed();
}

// The ask through the bridge (one frame) and the same ask made inside Wine by bench-dde-win.exe,
// to a server on a thread of its own process and to fake-buh.exe in a process of its own, as
// the bridge asks it: in ten rounds taken in turn, so that all three see the same machine.
bool compareInRounds(const QString& winBin, int asks)
{
    ddelink::DdeClientConv conv(bridge());
    ddelink::DdeClientItem item(conv);
    // Connected first: the fake-buh.exe the bridge starts serves one client, and so do the
    // servers of bench-dde-win, which then finds its own.
    if (!ddelink::openLink(conv, item))
        return false;
    QProcess inside;
    inside.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    inside.start(QStandardPaths::findExecutable("wine"),
                 {winBin + "/bench-dde-win.exe", "--rounds", "Z:" + winBin + "/fake-buh.exe"});
    if (readLine(inside) != QStringLiteral("ready"))
        return false;
    const int rounds = 10;
    std::vector<double> micros;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < asks / rounds; ++i)
            if (!timedAsk(item, i, micros))
                return false;
        inside.write(QByteArray::number(asks / rounds) + '\n');
        if (readLine(inside) != QStringLiteral("done"))
            return false;
    }
    inside.closeWriteChannel();
    if (!inside.waitForFinished(60000))
        return false;
    const QString out = QString::fromLocal8Bit(inside.readAllStandardOutput());
    const auto onThread = reported(out, QStringLiteral("ask over DDEML (stop, start, request)"));
    const auto inProcess = reported(out, QStringLiteral("ask over DDEML to another process"));
    if (!onThread || !inProcess)
        return false;
    const auto viaBridge = summary(micros);
    print("ask through the bridge (one frame)", micros.size(), viaBridge);
    print("inside Wine, server on a thread", micros.size(), *onThread);
    print("inside Wine, server in a process of its own", micros.size(), *inProcess);
    std::printf("ratio bridge / inside Wine, server on a thread:  means %.2f  medians %.2f\n",
                viaBridge.first / onThread->first, viaBridge.second / onThread->second);
    std::printf("ratio bridge / inside Wine, server in a process: means %.2f  medians %.2f\n",
                viaBridge.first / inProcess->first, viaBridge.second / inProcess->second);
    std::printf("goal: at most 1.15\n");

    // What the crossing alone costs: an ask of no item, once the last link has ended, goes to
    // the bridge and back without a DDE transaction.
    item.ask(QString());
    micros.clear();
    for (int i = 0; i < asks; ++i) {
        const auto start = Clock::now();
        item.ask(QString());
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    print("the crossing alone (an ask of no item, no DDE)", micros.size(), summary(micros));
    return true;
}

// The run's items and their answers, as the computed books give them.
class ComputedAsker : public ddelink::ItemAsker
{
public:
    QString ask(const QString& item) override
    {
        const std::string bytes = core::cp1251::encodeStd(item);
        books.emplace_back(bytes, benchbooks::answer(bytes));
        return core::cp1251::decode(books.back().second);
    }
    std::vector<std::pair<std::string, std::string>> books{
        {core::cp1251::encodeStd(QStringLiteral("РДАТА")), "01102008   "}};
};

int runThroughTheBridge(const QString& work, int employees)
{
    settings::MapSettings s;
    benchbooks::putBenchSettings(s, employees);
    // Every employee asks the same names: under Wine every distinct DDE item name takes a global
    // atom, and the table of those (about 16 000) runs out before 1 000 employees' worth of
    // distinct names (35 each here) has been asked. The asks and their cost stay as they are.
    QStringList templates{"FormWoker", "IndNumber", "InWoker"};
    for (int row = 1; row <= 8; ++row)
        for (const char* name : {"f", "fp", "nw", "pp"})
            templates << QString::fromLatin1(name) + QString::number(row);
    for (const QString& name : templates)
        s.set(name, QString(s.text(name)).remove('&'));
    ComputedAsker computed;
    QDir().mkpath(work + "/computed");
    if (!benchbooks::generate("bench-bridge", s, computed, work + "/computed", [] { return true; }))
        return 1;
    serve(work + "/run.tsv", computed.books);

    ddelink::DdeClientConv conv(bridge());
    ddelink::DdeClientItem item(conv);
    if (!ddelink::openLink(conv, item)) {
        std::fprintf(stderr, "bench-bridge: the conversation did not open\n");
        return 1;
    }
    const auto start = Clock::now();
    if (!benchbooks::generate("bench-bridge", s, item, work, [&] { return conv.isOpen(); }))
        return 1;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    dbase::Table check(QStringLiteral("DA"), taxformat::taxFileFields());
    check.open(work + '/', QStringLiteral("DA071401.3"));
    std::printf("generation run through the bridge: %d employees, %d records, %.2f s\n", employees,
                check.recordCount(), seconds);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    // The computed books answer amounts with a point.
    QLocale::setDefault(QLocale::c());
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || qEnvironmentVariableIsEmpty("WINEPREFIX")) {
        std::fprintf(stderr, "usage: WINEPREFIX=DIR bench-bridge WINBIN [ASKS] [EMPLOYEES]\n");
        return 2;
    }
    const QString winBin = QDir(args[0]).absolutePath();
    const int asks = args.size() > 1 ? args[1].toInt() : 2000;
    const int employees = args.size() > 2 ? args[2].toInt() : 1000;
    QTemporaryDir work;
    // The accounting program the bridge starts: "БУХ" in the folder it runs in.
    if (!work.isValid() || !QFile::copy(winBin + "/fake-buh.exe", work.filePath("БУХ.exe"))) {
        std::fprintf(stderr, "bench-bridge: no %s/fake-buh.exe\n", qPrintable(winBin));
        return 1;
    }
    QDir::setCurrent(work.path());

    serveAsks(work.path());
    if (!askAsThreeFrames(asks) || !compareInRounds(winBin, asks)) {
        std::fprintf(stderr, "bench-bridge: an ask failed\n");
        return 1;
    }
    return runThroughTheBridge(work.path(), employees);
}
