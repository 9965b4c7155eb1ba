// bench-bridge WINBIN [ASKS] [EMPLOYEES]: the link through 4vt-dde-bridge.exe into the Wine
// prefix WINEPREFIX, against fake-buh.exe of the Windows stage's build (WINBIN, e.g.
// build/win/bin), which the bridge starts as "БУХ ВЫР". Prints:
//   - one ask through the bridge (one frame; advise stop, advise start and request run in the
//     bridge), ASKS times (default 2000), after the same ask as three frames for comparison;
//   - the same ask made inside Wine over DDEML by WINBIN/bench-dde-win.exe, in the same run, and
//     the ratio of the two;
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

double askThroughTheBridge(const QString& work, int asks, bool oneFrame)
{
    const std::string a = core::cp1251::encodeStd(QStringLiteral("СН1:1.52"));
    const std::string b = core::cp1251::encodeStd(QStringLiteral("СН1:2.52"));
    serve(work + "/asks.tsv", {{core::cp1251::encodeStd(QStringLiteral("РДАТА")), "01102008   "},
                               {a, "1234567890"},
                               {b, "2345678901"}});
    ddelink::DdeClientConv conv(oneFrame ? bridge() : std::make_unique<ThreeFrames>(bridge()));
    ddelink::DdeClientItem item(conv);
    if (!ddelink::openLink(conv, item))
        return -1;
    std::vector<double> micros;
    for (int i = 0; i < asks; ++i) {
        const auto start = Clock::now();
        if (item.ask(i % 2 ? QStringLiteral("СН1:1.52") : QStringLiteral("СН1:2.52")).isEmpty())
            return -1;
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    const auto [mean, median] = summary(micros);
    std::printf("%-48s n=%d  mean %.2f us  median %.2f us\n",
                oneFrame ? "ask through the bridge (one frame)"
                         : "ask through the bridge (three frames, as before)",
                asks, mean, median);
    return mean;
}

double askInsideWine(const QString& winBin, int asks)
{
    QProcess bench;
    bench.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bench.start(QStandardPaths::findExecutable("wine"),
                {winBin + "/bench-dde-win.exe", QString::number(asks)});
    if (!bench.waitForFinished(600000))
        return -1;
    const QString out = QString::fromLocal8Bit(bench.readAllStandardOutput());
    std::printf("%s", qPrintable(out));
    static const QRegularExpression mean(QStringLiteral("ask over DDEML.*mean ([0-9.]+) us"));
    const auto match = mean.match(out);
    return match.hasMatch() ? match.captured(1).toDouble() : -1;
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

    askThroughTheBridge(work.path(), asks, false);
    const double viaBridge = askThroughTheBridge(work.path(), asks, true);
    const double insideWine = askInsideWine(winBin, asks);
    if (viaBridge <= 0 || insideWine <= 0) {
        std::fprintf(stderr, "bench-bridge: an ask failed\n");
        return 1;
    }
    std::printf("ratio bridge / inside Wine: %.2f (goal: at most 1.15)\n", viaBridge / insideWine);
    return runThroughTheBridge(work.path(), employees);
}
