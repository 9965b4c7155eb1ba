// bench-check: what the check of a large tax file costs beside reading it once.
//
//     bench-check [template DA.DBF] [records] [rounds]
//
// Writes a tax file of `records` records (employee records, then the three service records)
// through the table engine, then times, in alternating rounds, (a) one read of every record and
// every field through the table engine and (b) the whole check of the file, and prints the
// best round of each and their ratio. The goal is a ratio of at most 1.2.

#include "bench_support/BenchTaxFile.h"
#include "check/TaxFileCheck.h"
#include "core/Error.h"
#include "dbase/Table.h"
#include "taxfile/TaxFileFields.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <limits>

namespace {

// Every field of every record, once, through the table engine.
qint64 readOnce(const QString& dir, const QString& name)
{
    dbase::Table t(QStringLiteral("DA"), taxfile::taxFileFields());
    t.open(dir, name);
    qint64 touched = 0;
    for (t.first(); !t.eof(); t.next()) {
        touched += t.asFloat(QStringLiteral("NP")) > 0;
        touched += t.asFloat(QStringLiteral("PERIOD")) > 0;
        touched += t.asFloat(QStringLiteral("RIK")) > 0;
        touched += t.asText(QStringLiteral("KOD")).size();
        touched += t.asFloat(QStringLiteral("TYP")) > 0;
        touched += t.asText(QStringLiteral("TIN")).size();
        touched += t.asFloat(QStringLiteral("S_DOX")) > 0;
        touched += t.asFloat(QStringLiteral("S_TAX")) > 0;
        touched += t.asFloat(QStringLiteral("OZN_DOX")) > 0;
        touched += t.asDate(QStringLiteral("D_PRIYN")).isValid();
        touched += t.asDate(QStringLiteral("D_ZVILN")).isValid();
        touched += t.asFloat(QStringLiteral("OZN_PILG")) > 0;
        touched += t.asFloat(QStringLiteral("OZNAKA")) > 0;
    }
    return touched;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Qt took the C library's locale from the desktop; the figures print with a point anyway.
    std::setlocale(LC_NUMERIC, "C");
    const QString templatePath =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(FVT_SOURCE_DIR "/demo/DA.DBF");
    const int records = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    QTemporaryDir dir;
    const QString name = QStringLiteral("DA071401.3");
    const QString folder = dir.path() + QLatin1Char('/');
    try {
        {
            bench::BenchTaxFile file(templatePath, dir.path(), name);
            file.addEmployees(std::max(records - 3, 0));
            file.finish();
        }
        qint64 bestRead = std::numeric_limits<qint64>::max();
        qint64 bestCheck = bestRead, bestRecords = bestRead, bestRules = bestRead;
        std::size_t findings = 0;
        qint64 touched = 0;
        QElapsedTimer timer;
        for (int round = 0; round < rounds; ++round) {
            timer.start();
            touched = readOnce(folder, name);
            bestRead = std::min(bestRead, timer.nsecsElapsed());
            timer.start();
            findings = check::checkTaxFile(folder + name).size();
            bestCheck = std::min(bestCheck, timer.nsecsElapsed());
            // The check's two halves: reading the records, then the rules over them.
            timer.start();
            const check::TaxRecords read = check::readTaxRecords(folder + name);
            bestRecords = std::min(bestRecords, timer.nsecsElapsed());
            timer.start();
            findings = check::checkRecords(read).size();
            bestRules = std::min(bestRules, timer.nsecsElapsed());
        }
        const double ratio = static_cast<double>(bestCheck) / static_cast<double>(bestRead);
        std::printf("records: %d, rounds: %d (best of each)\n", records, rounds);
        std::printf("read once, every field through the table engine: %.1f ms (%lld)\n",
                    bestRead / 1e6, static_cast<long long>(touched));
        std::printf("check, every rule: %.1f ms (%zu findings)\n", bestCheck / 1e6, findings);
        std::printf("  of which reading the records: %.1f ms, the rules: %.1f ms\n",
                    bestRecords / 1e6, bestRules / 1e6);
        std::printf("ratio check / read: %.2f (goal at most 1.20)\n", ratio);
        return ratio <= 1.2 ? 0 : 1;
    } catch (const core::Error& e) {
        std::fprintf(stderr, "bench-check: %s\n", qPrintable(e.message()));
        return 1;
    }
}
