// bench-ask-win [ITERATIONS]: under Wine, the median cost of one ask as the generation run makes
// it (DdeClientItem::ask on an open DdeClientConv: advise stop, advise start, request, and the
// reply's conversion) against the same three transactions made on the DDEML client directly,
// to servers of raw DDE messages on threads of their own (one each, as each takes one client), alternating in rounds so that both see
// the same machine. Prints both medians and their ratio.

#include "link/DdeClientConv.h"
#include "link/DdeClientItem.h"
#include "link/DdemlClient.h"
#include "link/ItemLink.h"
#include "FakeDdeServer.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char* const Service = "\xC1\xD3\xD5";       // БУХ, as the program asks it
const char* const RawService = "\xC1\xD3\xD5\x32"; // БУХ2: the server takes one client each
const char* const Topic = "\xC2\xDB\xD0";   // ВЫР
const char* const Items[] = {"\xD1\xCD\x31:1.52", "\xD1\xCD\x31:2.52"};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

template <typename Ask> bool measure(int count, std::vector<double>& micros, Ask ask)
{
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        if (!ask(i))
            return false;
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    fakedde::FakeDdeServer server(Service, Topic), rawServer(RawService, Topic);
    for (fakedde::FakeDdeServer* s : {&server, &rawServer}) {
        s->answer(Items[0], "1234567890");
        s->answer(Items[1], "2345,67");
    }

    ddelink::DdemlClient raw;
    ddelink::ItemLink rawLink(raw);
    ddelink::DdeClientConv conversation(std::make_unique<ddelink::DdemlClient>());
    ddelink::DdeClientItem item(conversation);
    if (!raw.connect(RawService, Topic)) {
        std::fprintf(stderr, "bench-ask-win: the raw client found no server\n");
        return 1;
    }
    if (!ddelink::openLink(conversation, item)) {
        std::fprintf(stderr, "bench-ask-win: the program's link found no server\n");
        return 1;
    }
    const QString names[] = {QString::fromUtf8("СН1:1.52"), QString::fromUtf8("СН1:2.52")};
    std::vector<double> rawMicros, programMicros;
    const int rounds = 10;
    for (int round = 0; round < rounds; ++round) {
        const int count = iterations / rounds;
        const bool ok =
            measure(count, rawMicros,
                    [&](int i) { return rawLink.set(Items[i % 2]) && !rawLink.text().empty(); }) &&
            measure(count, programMicros,
                    [&](int i) { return !item.ask(names[i % 2]).isEmpty(); });
        server.clearLog();
        rawServer.clearLog();
        if (!ok) {
            std::fprintf(stderr, "bench-ask-win: an ask failed\n");
            return 1;
        }
    }
    const double r = median(rawMicros), p = median(programMicros);
    std::printf("raw DDEML ask (stop, start, request)      n=%zu  median %.2f us\n",
                rawMicros.size(), r);
    std::printf("the program's ask (DdeClientItem::ask)    n=%zu  median %.2f us\n",
                programMicros.size(), p);
    std::printf("ratio %.2fx\n", p / r);
    return 0;
}
