#include "taxfile/CopyRoutine.h"
#include "core/Error.h"
#include "core/SafeWrite.h"
#include "support/HostileEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Watches every read and can fail the n-th one (counted from 1).
class RecordingIo : public taxfile::CopyIo
{
public:
    qint64 read(QFile& source, char* buffer, qint64 size) override
    {
        ++m_reads;
        if (m_reads == failRead)
            return -1;
        const qint64 got = taxfile::CopyIo::read(source, buffer, size);
        reads.push_back(got);
        return got;
    }

    std::vector<qint64> reads;
    int failRead = 0;

private:
    int m_reads = 0;
};

// A disk that fills up at the n-th write: that one takes half of what it is given, and every
// later one nothing.
class FillingDisk : public core::DiskWriter
{
public:
    explicit FillingDisk(int fullAt) : m_fullAt(fullAt) {}
    qint64 write(QFile& file, const char* data, qint64 size) override
    {
        ++m_writes;
        if (m_writes > m_fullAt)
            return -1;
        return core::DiskWriter::write(file, data, m_writes == m_fullAt ? size / 2 : size);
    }

private:
    int m_fullAt;
    int m_writes = 0;
};

QByteArray pattern(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + 3) & 0xff);
    return b;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QString messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const core::Error& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

class CopyRoutineTest : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.path() + '/' + name; }

    // Copies a file of the given size and returns the byte counts of the reads.
    std::vector<qint64> copySized(int size)
    {
        const QByteArray bytes = pattern(size);
        writeFile(path("src"), bytes);
        RecordingIo io;
        taxfile::CopyOptions options;
        options.io = &io;
        taxfile::copyFile(path("src"), path("dst"), options);
        EXPECT_EQ(readFile(path("dst")), bytes);
        return io.reads;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(CopyRoutineTest, ChunksEndWithTheFirstShortRead)
{
    EXPECT_EQ(copySized(8192), (std::vector<qint64>{8192, 0}));
    EXPECT_EQ(copySized(8191), (std::vector<qint64>{8191}));
    EXPECT_EQ(copySized(0), (std::vector<qint64>{0}));
    EXPECT_EQ(copySized(3 * 8192 + 5), (std::vector<qint64>{8192, 8192, 8192, 5}));
}

TEST_F(CopyRoutineTest, KeepsTheModificationTimeAndReplacesAnOlderCopy)
{
    writeFile(path("src"), "new contents");
    const QDateTime stamp(QDate(2001, 3, 1), QTime(10, 20, 30));
    {
        QFile f(path("src"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    writeFile(path("dst"), "a much longer old file that must be replaced entirely");
    QFile::setPermissions(path("dst"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadOther | QFileDevice::WriteOther);
    taxfile::copyFile(path("src"), path("dst"));
    EXPECT_EQ(readFile(path("dst")), "new contents");
    EXPECT_EQ(QFileInfo(path("dst")).lastModified(), stamp);
    // Every employee's number and income: for the user's eyes only, whatever was there before.
    EXPECT_EQ(testsupport::modeOf(path("dst")), 0600u);
}

TEST_F(CopyRoutineTest, CreatesMissingDirectoriesAndFillsExistingOnes)
{
    writeFile(path("DA.DBF"), "template");
    taxfile::copyFile(path("DA.DBF"), path("a/b/c/DA071401.3"));
    EXPECT_EQ(readFile(path("a/b/c/DA071401.3")), "template");

    // An existing directory takes the source's name, with or without the final separator.
    taxfile::copyFile(path("DA.DBF"), path("a/b"));
    EXPECT_EQ(readFile(path("a/b/DA.DBF")), "template");
    taxfile::copyFile(path("DA.DBF"), path("a/"));
    EXPECT_EQ(readFile(path("a/DA.DBF")), "template");
    EXPECT_EQ(taxfile::resolveCopyDestination("x/DA.DBF", path("a")), path("a/DA.DBF"));
    EXPECT_EQ(taxfile::resolveCopyDestination("x/DA.DBF", path("none")), path("none"));
}

TEST_F(CopyRoutineTest, OpenAndCreateFailuresNameThePath)
{
    EXPECT_EQ(messageOf([&] { taxfile::copyFile(path("missing"), path("dst")); }),
              "Cannot open file " + path("missing"));
    EXPECT_FALSE(QFileInfo::exists(path("dst")));
    EXPECT_EQ(messageOf([&] { taxfile::copyFile(m_dir.path(), path("dst")); }),
              "Cannot open file " + m_dir.path());

    writeFile(path("src"), "new");
    writeFile(path("ro"), "kept");
    QFile::setPermissions(path("ro"), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    EXPECT_EQ(messageOf([&] { taxfile::copyFile(path("src"), path("ro")); }),
              "Cannot create file " + path("ro"));
    EXPECT_EQ(readFile(path("ro")), "kept");

    // A destination of ten million characters (a region code pasted by mistake) is quoted by
    // its beginning only.
    const QString huge = path(QString(10'000'000, QChar(u'7')));
    EXPECT_EQ(messageOf([&] { taxfile::copyFile(path("src"), huge); }),
              "Cannot create file " + core::shownValue(huge));
    EXPECT_TRUE(core::shownValue(huge).endsWith(QChar(0x2026)));

    // A plain file in the way of a directory to be created.
    writeFile(path("plain"), "x");
    EXPECT_EQ(messageOf([&] { taxfile::copyFile(path("src"), path("plain/sub/dst")); }),
              "Cannot create file " + path("plain/sub/dst"));
}

TEST_F(CopyRoutineTest, CopyOntoItselfLeavesTheFileIntact)
{
    writeFile(path("src"), "the only copy");
    EXPECT_EQ(messageOf([&] { taxfile::copyFile(path("src"), path("src")); }),
              "Cannot create file " + path("src"));
    EXPECT_EQ(messageOf([&] { taxfile::copyFile(path("src"), path("./src")); }),
              "Cannot create file " + path("./src"));
    ASSERT_TRUE(QFile::link(path("src"), path("alias")));
    EXPECT_THROW(taxfile::copyFile(path("src"), path("alias")), core::Error);
    EXPECT_EQ(readFile(path("src")), "the only copy");
}

TEST_F(CopyRoutineTest, ReadAndWriteFailuresKeepThePreviousCopy)
{
    const QByteArray bytes = pattern(3 * 8192);
    writeFile(path("src"), bytes);
    taxfile::CopyOptions options;

    RecordingIo failingRead;
    failingRead.failRead = 2;
    options.io = &failingRead;
    writeFile(path("r"), "the previous good copy");
    EXPECT_EQ(messageOf([&] { taxfile::copyFile(path("src"), path("r"), options); }),
              "Stream read error");
    EXPECT_EQ(readFile(path("r")), "the previous good copy");

    FillingDisk full(2);
    options.io = nullptr;
    options.disk = &full;
    EXPECT_EQ(messageOf([&] { taxfile::copyFile(path("src"), path("w"), options); }),
              "Stream write error");
    EXPECT_FALSE(QFileInfo::exists(path("w")));
    // Nothing half-written is left beside it either.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"r", "src"}));

    // The source was closed: it can be replaced at once.
    writeFile(path("src"), "again");
    taxfile::copyFile(path("src"), path("w"));
    EXPECT_EQ(readFile(path("w")), "again");
}

TEST_F(CopyRoutineTest, ALinkInTheDestinationsPlaceIsReplacedNotFollowed)
{
    writeFile(path("src"), "tax file");
    writeFile(path("elsewhere"), "someone's own file");
    ASSERT_TRUE(QFile::link(path("elsewhere"), path("dst")));
    ASSERT_TRUE(QFile::link(path("nowhere"), path("dangling")));
    taxfile::copyFile(path("src"), path("dst"));
    taxfile::copyFile(path("src"), path("dangling"));
    EXPECT_EQ(readFile(path("elsewhere")), "someone's own file");
    EXPECT_FALSE(QFileInfo::exists(path("nowhere")));
    for (const char* name : {"dst", "dangling"}) {
        EXPECT_FALSE(QFileInfo(path(name)).isSymbolicLink()) << name;
        EXPECT_EQ(readFile(path(name)), "tax file") << name;
        EXPECT_EQ(testsupport::modeOf(path(name)), 0600u) << name;
    }
}

// The temporary folder shared by every user (mode 1777) where another user has planted the
// tax file's name before the run: a link to the user's own file, or a file of their own that
// everybody may write. The user's return must go into neither.
TEST_F(CopyRoutineTest, WhatAnotherUserPlantedInASharedFolderIsNeverWrittenThrough)
{
    if (!testsupport::isRoot())
        GTEST_SKIP() << "acting as a second user needs root (setpriv)";
    const QString shared = path("shared");
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
    writeFile(path("DA.DBF"), "the return");
    // The user's own precious file, which the planted link points at.
    const QString home = path("home");
    ASSERT_TRUE(QDir().mkpath(home));
    writeFile(home + "/books", "the user's books");
    ASSERT_EQ(::chown(QFile::encodeName(home).constData(), testsupport::kPlainUid,
                      testsupport::kPlainGid),
              0);
    ASSERT_EQ(::chown(QFile::encodeName(home + "/books").constData(), testsupport::kPlainUid,
                      testsupport::kPlainGid),
              0);
    ASSERT_TRUE(testsupport::runAsOtherUser({"ln", "-s", home + "/books", shared + "/DA071401.3"}));
    ASSERT_TRUE(testsupport::runAsOtherUser({"touch", shared + "/DA071402.3"}));
    ASSERT_TRUE(testsupport::runAsOtherUser({"chmod", "666", shared + "/DA071402.3"}));
    // A folder of theirs open to all, and their links to it: under the file's name, and as a
    // folder on the way.
    const QString theirs = shared + "/theirs";
    ASSERT_TRUE(testsupport::runAsOtherUser({"mkdir", "-m", "777", theirs}));
    ASSERT_TRUE(testsupport::runAsOtherUser({"ln", "-s", theirs, shared + "/DA071403.3"}));
    ASSERT_TRUE(testsupport::runAsOtherUser({"ln", "-s", theirs, shared + "/via"}));

    for (const QString name : {"DA071401.3", "DA071402.3", "DA071403.3", "via/DA071404.3"}) {
        const QString message = testsupport::runAsPlainUser([&] {
            return messageOf([&] { taxfile::copyFile(path("DA.DBF"), shared + '/' + name); });
        });
        EXPECT_EQ(message, "Cannot create file " + shared + '/' + name);
    }
    EXPECT_EQ(readFile(home + "/books"), "the user's books");
    EXPECT_EQ(readFile(shared + "/DA071402.3"), "");
    EXPECT_TRUE(QDir(theirs).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                     QDir::NoDotAndDotDot));
    // Under a name nobody took, the return is made, and is the user's alone.
    EXPECT_EQ(testsupport::runAsPlainUser([&] {
                  return messageOf([&] { taxfile::copyFile(path("DA.DBF"), shared + "/DA.3"); });
              }),
              "<no error>");
    EXPECT_EQ(testsupport::modeOf(shared + "/DA.3"), 0600u);
    EXPECT_EQ(QFileInfo(shared + "/DA.3").ownerId(), testsupport::kPlainUid);
    EXPECT_EQ(QDir(shared).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3);
}
