#pragma once

// The books of the generation benchmarks (bench-run over the socket, bench-bridge through the
// Wine bridge).

#include "dbase/Table.h"
#include "link/ItemAsker.h"
#include "settings/SettingsSource.h"
#include "taxfile/GenerationRun.h"
#include "taxformat/TaxFileFields.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <string>

namespace benchbooks {

// The books of the benchmark, computed rather than stored: items are "<letter><row>:<n>".
// Every employee has a number; about a quarter of the rows carry an income.
inline std::string answer(const std::string& item)
{
    if (item.empty())
        return {};
    const char kind = item[0];
    const auto colon = item.find(':');
    const int row = colon == std::string::npos ? 0 : std::atoi(item.c_str() + 1);
    const long n = std::atol(item.c_str() + (colon == std::string::npos ? 1 : colon + 1));
    switch (kind) {
    case 'T':
        return std::to_string(2000000000L + n);
    case 'F':
        return (n + row) % 4 == 0 ? std::to_string(1000 + n % 997) + ".25" : "0";
    case 'P':
        return (n + row) % 4 == 0 ? std::to_string(150 + n % 89) + ".04" : "0";
    case 'N':
        return "0";
    case 'H':
        return "01062003xxx";
    case 'Z':
        return "";
    case 'B':
        return "0";
    default:
        return "0";
    }
}

// The settings of a run over `employees` employees, with templates that ask the items above.
inline void putBenchSettings(settings::MapSettings& s, int employees)
{
    s.set("CodRegion", "07");
    s.set("CodPod", "14");
    s.set("FirstWoker", "1");
    s.set("LastWoker", QString::number(employees));
    s.set("FormWoker", "T&");
    s.set("IndNumber", "H&");
    s.set("InWoker", "Z&");
    for (int row = 1; row <= 8; ++row) {
        const QString r = QString::number(row);
        s.set("f" + r, "F" + r + ":&");
        s.set("fp" + r, "P" + r + ":&");
        s.set("nw" + r, "N" + r + ":&");
        s.set("pp" + r, "B" + r + ":&");
    }
    s.set("Edrpou1", "01234567");
    s.set("TellBoss", "1");
    s.set("TellShief", "2");
}

class NoProgress : public taxfile::RunProgress
{
public:
    void setPanelVisible(bool) override {}
    void setGaugeRange(int, int) override {}
    void setGaugePosition(int) override {}
};

// One generation run of the benchmark's quarter into the folder `dir` over `asker`, with the
// demo template; false, and the reason on standard error after `tool`, when it fails.
inline bool generate(const char* tool, const settings::MapSettings& s, ddelink::ItemAsker& asker,
                     const QString& dir, const std::function<bool()>& linkAlive)
{
    dbase::Table table(QStringLiteral("DA"), taxformat::taxFileFields());
    NoProgress progress;
    taxfile::GenerationRun run(s, asker, table, progress);
    run.setWorkingDirectory(QStringLiteral(FVT_SOURCE_DIR "/demo"));
    run.setTempDirectory(dir + '/');
    run.setLinkCheck(linkAlive);
    try {
        taxformat::RunChoices choices;
        choices.nperiod = "1";
        choices.zyear = "2008";
        run.run(choices);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: the run into %s failed: %s\n", tool, qPrintable(dir), e.what());
        return false;
    }
    return true;
}

} // namespace benchbooks
