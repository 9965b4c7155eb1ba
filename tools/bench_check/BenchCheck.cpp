// bench-check: what the check of a large tax file costs beside reading it plainly, and how much
// memory 4vt-check takes whatever the size of the file.
//
//     bench-check [template DA.DBF] [records] [rounds] [big records]
//
// Writes a tax file of `records` records (employee records, then the three service records)
// through the table engine, then times, in alternating rounds, (a) a plain C read of the file
// that sums its two amount fields and (b) the whole check of the file, and prints the best round
// of each (in processor time) and their ratio; the goal is at most 3. Then runs 4vt-check on
// that file and on one of `big records` records whose numbers are all wrong (so that every
// record is read and found wrong) and prints the peak memory of each run; the goal is at most
// 20 MB.

#include "bench_support/BenchTaxFile.h"
#include "check/TaxFileCheck.h"
#include "core/Error.h"
#include "dbase/Table.h"
#include "taxformat/TaxFileFields.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The baseline: the file read with stdio in large blocks, its two amount fields found from the
// descriptors and summed with strtod. No checks at all.
double plainReadAndSum(const char* path)
{
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return -1;
    unsigned char head[32];
    double sum = 0;
    if (std::fread(head, 1, 32, f) == 32) {
        const unsigned count = head[4] | head[5] << 8 | head[6] << 16 | unsigned(head[7]) << 24;
        const int headerLength = head[8] | head[9] << 8;
        const int recordLength = head[10] | head[11] << 8;
        int offsets[2] = {-1, -1}, widths[2] = {0, 0};
        unsigned char desc[32];
        for (int offset = 1; std::fread(desc, 1, 1, f) == 1 && desc[0] != 0x0D;) {
            if (std::fread(desc + 1, 1, 31, f) != 31)
                break;
            for (int k = 0; k < 2; ++k)
                if (std::strcmp(reinterpret_cast<char*>(desc), k == 0 ? "S_DOX" : "S_TAX") == 0)
                    offsets[k] = offset, widths[k] = desc[16];
            offset += desc[16];
        }
        std::fseek(f, headerLength, SEEK_SET);
        std::vector<char> block(static_cast<std::size_t>(recordLength) * 4096);
        char field[256];
        for (unsigned done = 0; done < count;) {
            const std::size_t n = std::fread(block.data(), recordLength, 4096, f);
            if (n == 0)
                break;
            for (std::size_t i = 0; i < n && done < count; ++i, ++done) {
                const char* record = block.data() + i * recordLength;
                for (int k = 0; k < 2; ++k) {
                    if (offsets[k] < 0)
                        continue;
                    std::memcpy(field, record + offsets[k], widths[k]);
                    field[widths[k]] = '\0';
                    sum += std::strtod(field, nullptr);
                }
            }
        }
    }
    std::fclose(f);
    return sum;
}

// A copy of the tax file at `from` with `records` records, each the first record of `from`
// numbered 0: a file of any size whose every record the check reads and finds wrong.
bool writeBigFile(const QString& from, const QString& to, qint64 records)
{
    QFile in(from), out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray head = in.read(32);
    const int headerLength = uchar(head[8]) | uchar(head[9]) << 8;
    const int recordLength = uchar(head[10]) | uchar(head[11]) << 8;
    QByteArray header = head + in.read(headerLength - 32);
    for (int i = 0; i < 4; ++i)
        header[4 + i] = char((records >> (8 * i)) & 0xFF);
    QByteArray record = in.read(recordLength);
    record.replace(1, 5, "    0"); // NP, five wide in the template
    QByteArray block;
    for (int i = 0; i < 4096; ++i)
        block += record;
    bool ok = out.write(header) == header.size();
    for (qint64 left = records; ok && left > 0; left -= 4096) {
        const qint64 n = std::min<qint64>(left, 4096);
        ok = out.write(block.constData(), n * recordLength) == n * recordLength;
    }
    return ok && out.putChar(0x1A);
}

// Runs 4vt-check on the file; its exit status and peak memory in kB, or -1.
std::pair<int, long> checkToolRun(const QString& tool, const QString& file)
{
    const QByteArray toolPath = QFile::encodeName(tool), filePath = QFile::encodeName(file);
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!std::freopen("/dev/null", "w", stdout))
            ::_exit(127);
        ::execl(toolPath.constData(), toolPath.constData(), "--", filePath.constData(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage
    {
    };
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status))
        return {-1, -1};
    return {WEXITSTATUS(status), usage.ru_maxrss};
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
    const qint64 bigRecords = argc > 4 ? std::max(1LL, std::atoll(argv[4])) : 2000000;
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
        qint64 bestCheck = bestRead;
        std::size_t findings = 0;
        double sum = 0;
        const QByteArray path = QFile::encodeName(folder + name);
        // Processor time of this thread, so that other work on a shared machine does not count.
        const auto cpuNow = [] {
            rusage u{};
            getrusage(RUSAGE_THREAD, &u);
            const qint64 us = qint64(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000 +
                              u.ru_utime.tv_usec + u.ru_stime.tv_usec;
            return us * 1000;
        };
        for (int round = 0; round < rounds; ++round) {
            qint64 start = cpuNow();
            sum = plainReadAndSum(path.constData());
            bestRead = std::min(bestRead, cpuNow() - start);
            start = cpuNow();
            findings = check::checkTaxFileNamed(path).size();
            bestCheck = std::min(bestCheck, cpuNow() - start);
        }
        const double ratio = static_cast<double>(bestCheck) / static_cast<double>(bestRead);
        std::printf("records: %d, rounds: %d (best of each)\n", records, rounds);
        std::printf("plain C read and sum of the amounts: %.1f ms (sum %.2f)\n", bestRead / 1e6,
                    sum);
        std::printf("check, every rule: %.1f ms (%zu findings)\n", bestCheck / 1e6, findings);
        std::printf("ratio check / plain read: %.2f (goal at most 3)\n", ratio);

        const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/4vt-check");
        const QString big = folder + QStringLiteral("DA071402.3");
        if (!writeBigFile(folder + name, big, bigRecords)) {
            std::fprintf(stderr, "bench-check: cannot write the big file\n");
            return 1;
        }
        long worst = 0;
        for (const auto& [file, count] :
             {std::pair{folder + name, qint64(records)}, std::pair{big, bigRecords}}) {
            const auto [status, kb] = checkToolRun(tool, file);
            std::printf("4vt-check on %lld records (%.0f MB): exit %d, peak memory %.1f MB\n",
                        static_cast<long long>(count), QFileInfo(file).size() / 1e6, status,
                        kb / 1024.0);
            if (status < 0 || status > 1)
                worst = std::numeric_limits<long>::max();
            worst = std::max(worst, kb);
        }
        QFile::remove(big);
        std::printf("peak memory: %.1f MB at most (goal at most 20 MB)\n", worst / 1024.0);
        return ratio <= 3 && worst <= 20 * 1024 ? 0 : 1;
    } catch (const core::Error& e) {
        std::fprintf(stderr, "bench-check: %s\n", qPrintable(e.message()));
        return 1;
    }
}
