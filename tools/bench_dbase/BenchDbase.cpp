// bench-dbase: what the table engine costs on a large tax file.
//
//     bench-dbase [template DA.DBF] [records]
//
// Times append+post of tax-file records (every field assigned, as the generation run does),
// the read-back that sums S_DOX, and, for comparison, a plain buffered write of the same bytes.

#include "core/Error.h"
#include "dbase/Table.h"
#include "taxfile/TaxFileFields.h"

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
    if (!dir.isValid() || !QFile::copy(templatePath, dir.filePath(name))) {
        std::fprintf(stderr, "bench-dbase: cannot copy %s\n", qPrintable(templatePath));
        return 1;
    }
    QFile::setPermissions(dir.filePath(name), QFile::ReadOwner | QFile::WriteOwner);
    try {
        dbase::Table t(QStringLiteral("DA"), taxfile::taxFileFields());
        t.emptyTable(dir.path(), name);
        t.open(dir.path(), name);

        QElapsedTimer timer;
        timer.start();
        double expected = 0;
        for (int i = 1; i <= records; ++i) {
            const double dox = (i % 100000) + 0.25;
            expected += dox;
            t.append();
            t.setFloat(QStringLiteral("NP"), i % 99990 + 1);
            t.setInt(QStringLiteral("PERIOD"), 3);
            t.setInt(QStringLiteral("RIK"), 2001);
            t.setText(QStringLiteral("KOD"), QStringLiteral("12345678"));
            t.setInt(QStringLiteral("TYP"), 0);
            t.setText(QStringLiteral("TIN"), QStringLiteral("1234567890"));
            t.setFloat(QStringLiteral("S_DOX"), dox);
            t.setFloat(QStringLiteral("S_TAX"), dox * 0.13);
            t.setInt(QStringLiteral("OZN_DOX"), i % 8 + 1);
            t.setDate(QStringLiteral("D_PRIYN"), QDate(2001, 3, 1));
            t.setDate(QStringLiteral("D_ZVILN"), QDate());
            t.setInt(QStringLiteral("OZN_PILG"), 0);
            t.setInt(QStringLiteral("OZNAKA"), 0);
            t.post();
        }
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
                    static_cast<long long>(readMs), n, sum, expected);
        std::printf("plain buffered write of the same bytes: %lld ms\n",
                    static_cast<long long>(plainMs));
        return n == records && std::abs(sum - expected) < 0.5 ? 0 : 1;
    } catch (const core::Error& e) {
        std::fprintf(stderr, "bench-dbase: %s\n", qPrintable(e.message()));
        return 1;
    }
}
