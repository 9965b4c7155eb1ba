// fake-buh.exe [TOPIC]: the accounting program for the bridge's tests, copied as "БУХ.exe" into
// the folder the bridge runs in, so that the bridge's start command "БУХ ВЫР" finds it. It serves
// service "БУХ", topic "ВЫР" with a server of raw DDE messages, answering from the table file
// named by FVT_FAKE_BOOKS (Windows-1251, one line an item: "item<TAB>answer", or
// "item<TAB>answer<TAB>ms" for an answer that comes ms late; "#end-after<TAB>N" ends the
// conversation after the Nth request). Without FVT_FAKE_BOOKS it serves nothing: a program that
// starts and ends. Every start adds a line to the file FVT_FAKE_STARTS, and the items requested
// go to the file FVT_FAKE_REQUESTS, one a line, when the conversation is over. It ends with its
// conversation, or after two minutes in any case.

#include "support/FakeDdeServer.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

void appendLine(const char* file, const std::string& line)
{
    if (const char* path = std::getenv(file)) {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out << line << '\n';
    }
}

bool load(fakedde::FakeDdeServer& server, const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        const auto tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        const std::string item = line.substr(0, tab);
        std::string answer = line.substr(tab + 1);
        if (item == "#end-after") {
            server.endAfterRequests(std::atoi(answer.c_str()));
            continue;
        }
        const auto late = answer.find('\t');
        if (late != std::string::npos) {
            server.busyFor(item, std::chrono::milliseconds(std::atoi(answer.c_str() + late + 1)));
            answer.resize(late);
        }
        server.answer(item, answer);
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
    fakedde::FakeDdeServer server("\xC1\xD3\xD5", "\xC2\xDB\xD0"); // БУХ, ВЫР
    if (!load(server, books)) {
        std::fprintf(stderr, "fake-buh: cannot read %s\n", books);
        return 1;
    }
    const ULONGLONG start = GetTickCount64();
    bool over = false;
    while (!over && GetTickCount64() - start < 120000) {
        Sleep(50);
        for (const std::string& line : server.log())
            over |= line == "TERMINATE";
    }
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
