// fake-buh.exe [TOPIC]: the accounting program for the bridge's tests, copied as "БУХ.exe" into
// the folder the bridge runs in, so that the bridge's start command "БУХ ВЫР" finds it. It serves
// service "БУХ", topic "ВЫР" with a server of raw DDE messages, answering from the table file
// named by FVT_FAKE_BOOKS (Windows-1251, one line an item: "item<TAB>answer", or
// "item<TAB>answer<TAB>ms" for an answer that comes ms late; "#end-after<TAB>N" ends the
// conversation after the Nth request, "#vanish-after<TAB>N" the whole program, without a word).
// Without FVT_FAKE_BOOKS it serves nothing: a program that starts and ends. Every start adds a line
// to the file FVT_FAKE_STARTS, and the items requested go to the file FVT_FAKE_REQUESTS, one a
// line, when the conversation is over. It ends with its conversation, or after five minutes in any
// case.

#include "FakeDdeServer.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

void appendLine(const char* file, const std::string& line)
{
    if (const char* path = std::getenv(file)) {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out << line << '\n';
    }
}

// The table file, read whole first.
struct Entry
{
    std::string item;
    std::string answer;
    int lateMs = 0;
};

bool load(const char* path, std::vector<Entry>& entries, int& endAfter, bool& vanish)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        const auto tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        Entry entry{line.substr(0, tab), line.substr(tab + 1)};
        if (entry.item == "#end-after" || entry.item == "#vanish-after") {
            endAfter = std::atoi(entry.answer.c_str());
            vanish = entry.item == "#vanish-after";
            continue;
        }
        if (const auto late = entry.answer.find('\t'); late != std::string::npos) {
            entry.lateMs = std::atoi(entry.answer.c_str() + late + 1);
            entry.answer.resize(late);
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    appendLine("FVT_FAKE_STARTS", argc > 1 ? argv[1] : "");
    const char* books = std::getenv("FVT_FAKE_BOOKS");
    if (!books)
        return 0;
    std::vector<Entry> entries;
    int endAfter = 0;
    bool vanish = false;
    if (!load(books, entries, endAfter, vanish)) {
        std::fprintf(stderr, "fake-buh: cannot read %s\n", books);
        return 1;
    }
    fakedde::FakeDdeServer server("\xC1\xD3\xD5", "\xC2\xDB\xD0"); // БУХ, ВЫР
    server.serveOneConversation();
    if (endAfter > 0)
        server.endAfterRequests(endAfter, vanish);
    std::map<std::string, std::string> answers;
    for (const Entry& entry : entries) {
        answers[entry.item] = entry.answer;
        if (entry.lateMs > 0)
            server.busyFor(entry.item, std::chrono::milliseconds(entry.lateMs));
    }
    server.answerAll(std::move(answers));
    const ULONGLONG start = GetTickCount64();
    while (!server.terminated() && GetTickCount64() - start < 300000)
        Sleep(50);
    // Written whole beside the file and then put in its place: whoever waits for the file finds
    // all of it.
    if (const char* path = std::getenv("FVT_FAKE_REQUESTS")) {
        const std::string partial = std::string(path) + ".part";
        {
            std::ofstream out(partial, std::ios::binary);
            for (const std::string& line : server.log())
                if (line.rfind("REQUEST ", 0) == 0)
                    out << line.substr(8, line.rfind(' ') - 8) << '\n';
        }
        MoveFileExA(partial.c_str(), path, MOVEFILE_REPLACE_EXISTING);
    }
    return 0;
}
