// One input of the table reader's fuzzer: the bytes are taken as a table file and read in full,
// first from memory, then from disk through the table engine itself. A damaged file must give
// core::Error; anything else (a crash, an overread, a huge allocation) is the fault sought, and
// so is a file that the first reading finds sound but the table engine refuses.

#include "core/Error.h"
#include "dbase/DbfScan.h"
#include "dbase/Table.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The system's temporary directory (TMPDIR), as it is when the first input arrives.
const QString& scratchDir()
{
    static const QString dir = QDir::tempPath();
    return dir;
}

const QString& scratchName()
{
    static const QString name =
        QStringLiteral("fuzz_dbf_reader_%1.dbf").arg(QCoreApplication::applicationPid());
    return name;
}

// Reads every field of every record through the engine; returns false when it refuses.
bool readThroughTable(const QByteArray& image)
{
    const QString path = QDir(scratchDir()).filePath(scratchName());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(image) != image.size())
            return true; // no disk to try on; nothing learnt
    }
    bool accepted = true;
    try {
        dbase::Table table(QStringLiteral("T"), {});
        table.open(scratchDir(), scratchName());
        const QStringList names = table.fieldNames();
        (void)table.recordCount();
        for (table.first(); !table.eof(); table.next()) {
            for (const QString& name : names) {
                (void)table.asText(name);
                try {
                    (void)table.asFloat(name);
                } catch (const core::Error&) { // not a number field
                }
                try {
                    (void)table.asDate(name);
                } catch (const core::Error&) { // not a date field
                }
            }
        }
        table.close();
    } catch (const core::Error&) {
        accepted = false;
    }
    QFile::remove(path);
    return accepted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray image =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    bool sound = true;
    try {
        dbase::scanDbfImage(image, QStringLiteral("fuzz.dbf"));
    } catch (const core::Error&) {
        sound = false;
    }
    const bool accepted = readThroughTable(image);
    if (sound && !accepted)
        std::abort(); // the two readings of one file disagree
    return 0;
}
