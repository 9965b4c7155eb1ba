// bench-dbase: what the table engine costs on a large tax file.
//
//     bench-dbase [template DA.DBF] [records]
//
// Times append+post of tax-file records (every field assigned, as the generation run does),
// the read-back that sums S_DOX, and, for comparison, a plain buffered write of the same bytes.

#include "bench_support/BenchTaxFile.h"
#include "core/Error.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Qt took the C library's locale from the desktop; the figures print with a point anyway.
    std::setlocale(LC_NUMERIC, "C");
    const QString templatePath =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(FVT_SOURCE_DIR "/demo/DA.DBF");
    const int records = argc > 2 ? std::atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    const QString name = QStringLiteral("DA071401.3");
    try {
        bench::BenchTaxFile file(templatePath, dir.path(), name);
        dbase::Table& t = file.table();

        QElapsedTimer timer;
        timer.start();
        file.addEmployees(records);
        const qint64 writeMs = timer.elapsed();

        timer.restart();
        double sum = 0;
        int n = 0;
        for (t.first(); !t.eof(); t.next(), ++n)
            sum += t.asFloat(QStringLiteral("S_DOX"));
        const qint64 readMs = timer.elapsed();
        t.close();

        // The same bytes through a plain buffered file, record by record.
        QFile made(dir.filePath(name));
        made.open(QIODevice::ReadOnly);
        const QByteArray bytes = made.readAll();
        made.close();
        const int headerLength = static_cast<uchar>(bytes[8]) | static_cast<uchar>(bytes[9]) << 8;
        const int recordLength = static_cast<uchar>(bytes[10]) | static_cast<uchar>(bytes[11]) << 8;
        timer.restart();
        {
            QFile plain(dir.filePath(QStringLiteral("PLAIN.DBF")));
            plain.open(QIODevice::WriteOnly);
            plain.write(bytes.constData(), headerLength);
            for (int i = 0; i < records; ++i)
                plain.write(bytes.constData() + headerLength + qint64(i) * recordLength,
                            recordLength);
            plain.write("\x1A", 1);
        }
        const qint64 plainMs = timer.elapsed();

        std::printf("records: %d (%lld bytes)\n", records, static_cast<long long>(bytes.size()));
        std::printf("append+post: %lld ms (%.2f us per record)\n", static_cast<long long>(writeMs),
                    writeMs * 1000.0 / records);
        std::printf("read back, sum of S_DOX: %lld ms (%d records, sum %.2f, expected %.2f)\n",
                    static_cast<long long>(readMs), n, sum, file.income());
        std::printf("plain buffered write of the same bytes: %lld ms\n",
                    static_cast<long long>(plainMs));
        return n == records && std::abs(sum - file.income()) < 0.5 ? 0 : 1;
    } catch (const core::Error& e) {
        std::fprintf(stderr, "bench-dbase: %s\n", qPrintable(e.message()));
        return 1;
    }
}
