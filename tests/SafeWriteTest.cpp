#include "core/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A disk that takes at most `perWrite` bytes a write, is full after `capacity` bytes (the write
// that reaches it takes what fits, every later one nothing), and can refuse the flush.
class SmallDisk : public core::DiskWriter
{
public:
    SmallDisk(qint64 perWrite, qint64 capacity, bool syncs)
        : m_perWrite(perWrite), m_left(capacity), m_syncs(syncs)
    {
    }
    qint64 write(QFile& file, const char* data, qint64 size) override
    {
        const qint64 taken = std::min({size, m_perWrite, m_left});
        if (taken == 0)
            return -1;
        m_left -= taken;
        return core::DiskWriter::write(file, data, taken);
    }
    bool sync(QFile& file) override { return m_syncs && core::DiskWriter::sync(file); }

private:
    qint64 m_perWrite;
    qint64 m_left;
    bool m_syncs;
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

// The contents go in as a writer that looks at no result would write them (the PDF writer):
// short writes are carried on, a full disk or a refused flush fails the whole write and leaves
// the earlier file whole, with nothing beside it.
TEST(SafeWriteTest, EveryByteReachesTheDiskOrTheEarlierFileStays)
{
    const QByteArray contents(40000, 'x');
    struct Case
    {
        const char* disk;
        qint64 perWrite, capacity;
        bool syncs;
        bool whole;
    } const cases[] = {
        {"takes 100 bytes a write", 100, 1 << 20, true, true},
        {"full after 12 KiB", 1 << 20, 12288, true, false},
        {"refuses the flush", 1 << 20, 1 << 20, false, false},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString target = dir.filePath("form.pdf");
        {
            QFile earlier(target);
            ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
            earlier.write("the earlier, whole file");
        }
        SmallDisk disk(c.perWrite, c.capacity, c.syncs);
        core::SafeWriteOptions options;
        options.disk = &disk;
        const auto fill = [&](QIODevice& out) {
            for (qint64 at = 0; at < contents.size(); at += 4096)
                out.write(contents.constData() + at, std::min<qint64>(4096, contents.size() - at));
        };
        if (c.whole) {
            core::writeSafely(target, fill, options);
            EXPECT_EQ(readAll(target), contents) << c.disk;
        } else {
            try {
                core::writeSafely(target, fill, options);
                ADD_FAILURE() << c.disk << ": reported as written";
            } catch (const core::SafeWriteError& e) {
                EXPECT_EQ(e.step(), core::SafeWriteError::Step::Write) << c.disk;
                EXPECT_FALSE(e.message().isEmpty()) << c.disk;
            }
            EXPECT_EQ(readAll(target), "the earlier, whole file") << c.disk;
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"form.pdf"})
            << c.disk;
    }
}
