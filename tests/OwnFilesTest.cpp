// The checks that keep a personal-data file the user's own: links of other users on a path,
// files read without waiting, and a written file met again by its name.
#include "core/OwnFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kOther = 65534; // nobody

class OwnFilesTest : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.path() + '/' + name; }
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    // Gives a link (not what it points to) to another user.
    bool giveAway(const QString& name)
    {
        return ::lchown(QFile::encodeName(path(name)).constData(), kOther, kOther) == 0;
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(OwnFilesTest, OnlyAnotherUsersLinkOnThePathIsNamed)
{
    ASSERT_TRUE(QDir().mkpath(path("mine/deep")));
    ASSERT_TRUE(QDir().mkpath(path("theirs")));
    ASSERT_TRUE(QFile::link(path("mine"), path("own-link")));
    ASSERT_TRUE(QFile::link(path("theirs"), path("their-link")));
    ASSERT_TRUE(QFile::link("their-link", path("own-to-theirs"))); // relative, through theirs
    ASSERT_TRUE(QFile::link(path("loop-b"), path("loop-a")));
    ASSERT_TRUE(QFile::link(path("loop-a"), path("loop-b")));
    const bool foreign = ::geteuid() == 0 && giveAway("their-link");

    struct Case
    {
        const char* path;
        const char* link; // the link named, "" for none
        bool needsForeign;
    };
    const Case cases[] = {
        {"mine/deep/DA071401.3", "", false},      {"own-link/deep/DA071401.3", "", false},
        {"own-link/../own-link/deep", "", false}, {"missing/further/DA071401.3", "", false},
        {"loop-a/DA071401.3", "loop-", false},    {"their-link/DA071401.3", "their-link", true},
        {"their-link", "their-link", true},       {"own-to-theirs/DA071401.3", "their-link", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        if (c.needsForeign && !foreign)
            continue; // giving a link to another user needs root
        const QString found = core::foreignLink(path(c.path));
        if (*c.link == 0)
            EXPECT_EQ(found, QString());
        else
            EXPECT_TRUE(found.startsWith(path(c.link))) << found.toStdString();
    }
    if (!foreign)
        GTEST_SKIP() << "another user's link needs root";
}

TEST_F(OwnFilesTest, OnlyAPlainFileOfTheUsersIsReadAndNeverWaitedFor)
{
    write("plain", "text");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", path("device")));
    write("theirs", "text");
    const bool foreign = ::geteuid() == 0 && ::chown(QFile::encodeName(path("theirs")).constData(),
                                                     kOther, kOther) == 0;
    struct Case
    {
        const char* name;
        const char* why;
    };
    for (const Case& c : {Case{"plain", ""}, Case{"pipe", "it is not a file"},
                          Case{"device", "it is not a file"}, Case{"missing", "it does not exist"},
                          Case{"theirs", foreign ? "it belongs to another user" : ""}}) {
        SCOPED_TRACE(c.name);
        QFile file;
        QString why;
        EXPECT_EQ(core::openReadable(file, path(c.name), why), *c.why == 0);
        EXPECT_EQ(why, QString::fromLatin1(c.why));
        if (*c.why == 0) {
            EXPECT_EQ(file.readAll(), "text");
        }
    }
}

TEST_F(OwnFilesTest, AWrittenFileMetByNameMustStillBeTheOneWritten)
{
    write("DA071401.3", "the return");
    const auto descriptorOf = [&](const QString& name) {
        return ::open(QFile::encodeName(path(name)).constData(), O_RDONLY);
    };
    int fd = descriptorOf("DA071401.3");
    EXPECT_EQ(core::writtenFileProblem(path("DA071401.3"), fd), QString()); // nothing remembered
    core::rememberWritten(path("DA071401.3"), core::identityOf(fd));
    ::close(fd);
    fd = descriptorOf("DA071401.3");
    EXPECT_EQ(core::writtenFileProblem(m_dir.path() + "/./DA071401.3", fd), QString());
    ::close(fd);

    // Another file put under the name, as anyone who may write in the folder could.
    write("forged", "forged rows");
    ASSERT_EQ(::rename(QFile::encodeName(path("forged")).constData(),
                       QFile::encodeName(path("DA071401.3")).constData()),
              0);
    fd = descriptorOf("DA071401.3");
    EXPECT_EQ(core::writtenFileProblem(path("DA071401.3"), fd),
              "it is not the file this program wrote there");
    if (::geteuid() == 0) {
        ASSERT_EQ(::fchown(fd, kOther, kOther), 0);
        EXPECT_EQ(core::writtenFileProblem(path("DA071401.3"), fd), "it belongs to another user");
    }
    ::close(fd);
}
