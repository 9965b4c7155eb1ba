#include "taxfile/CopyToMedium.h"
#include "settings/SettingsSource.h"
#include "support/HostileEnvironment.h"
#include "support/RecordingMessageSink.h"
#include "support/ScopedEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Name = QStringLiteral("DA071401.3");

class CopyToMediumTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(m_temp.path() + "/tmp"));
        QFile f(tempDir() + Name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("tax file");
        f.flush();
        f.setFileTime(QDateTime(QDate(2001, 3, 1), QTime(9, 0)), QFileDevice::FileModificationTime);
    }

    QString tempDir() const { return m_temp.path() + "/tmp/"; }
    QString root() const { return m_temp.path() + '/'; }

    void copyTo(const QString& destination, const QString& name = Name)
    {
        m_settings.set("DestinationA", destination);
        taxfile::copyToMedium(m_settings, tempDir(), name);
    }

    // The failure message with the path the file was to get under it.
    static QString failedFor(const QString& target)
    {
        return taxfile::copyToMediumFailureText() + QStringLiteral("\nШлях файла: ") + target;
    }

    QTemporaryDir m_temp;
    settings::MapSettings m_settings;
    testsupport::RecordingMessageSink m_sink;
};

} // namespace

TEST_F(CopyToMediumTest, PromptsThenCopiesSilently)
{
    const QString medium = root() + "medium/";
    copyTo(medium);
    EXPECT_EQ(m_sink.plain, QStringList{"Підготуйте пристрій " + medium});
    EXPECT_TRUE(m_sink.errors.isEmpty());
    EXPECT_EQ(QFileInfo(medium + Name).size(), 8);
    EXPECT_EQ(QFileInfo(medium + Name).lastModified(), QDateTime(QDate(2001, 3, 1), QTime(9, 0)));
    EXPECT_EQ(testsupport::modeOf(medium + Name), 0600u);

    // The button stays usable: a second copy to another medium works the same.
    m_sink.plain.clear();
    copyTo(root() + "second/");
    EXPECT_EQ(m_sink.plain, QStringList{"Підготуйте пристрій " + root() + "second/"});
    EXPECT_TRUE(QFileInfo::exists(root() + "second/" + Name));
}

TEST_F(CopyToMediumTest, DestinationIsJoinedToTheNameAsText)
{
    ASSERT_TRUE(QDir().mkpath(root() + "TAX"));
    copyTo(root() + "TAX");
    EXPECT_TRUE(QFileInfo::exists(root() + "TAX" + Name));
    EXPECT_FALSE(QFileInfo::exists(root() + "TAX/" + Name));
    EXPECT_EQ(m_sink.plain.size(), 1);
}

TEST_F(CopyToMediumTest, EveryFailureBecomesTheOneMessage)
{
    const QString failure = taxfile::copyToMediumFailureText();
    EXPECT_EQ(failure, "Помилка при вигрузці !!! Повторіть операцію ще один раз.");

    copyTo(root() + "medium/", "DA999999.1"); // no such tax file
    EXPECT_EQ(m_sink.plain, (QStringList{"Підготуйте пристрій " + root() + "medium/",
                                         failedFor(root() + "medium/DA999999.1")}));

    m_sink.plain.clear();
    QFile blocker(root() + "notadir");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    copyTo(root() + "notadir/sub/"); // a directory that cannot be created
    EXPECT_EQ(m_sink.plain.value(1), failedFor(root() + "notadir/sub/" + Name));

    // The medium taken away while the prompt was up.
    m_sink.plain.clear();
    ASSERT_TRUE(QDir().mkpath(root() + "stick"));
    m_sink.onMessage = [&](const QString& text) {
        if (text.startsWith("Підготуйте")) {
            QDir(root() + "stick").removeRecursively();
            QFile f(root() + "stick");
            f.open(QIODevice::WriteOnly);
        }
    };
    copyTo(root() + "stick/");
    EXPECT_EQ(m_sink.plain.value(1), failedFor(root() + "stick/" + Name));

    // Before any run there is no file name; the temporary directory itself is never copied.
    m_sink.onMessage = nullptr;
    m_sink.plain.clear();
    copyTo(root() + "medium2/", QString());
    EXPECT_EQ(m_sink.plain.value(1), failedFor(root() + "medium2/"));
    EXPECT_FALSE(QFileInfo::exists(root() + "medium2"));
    EXPECT_TRUE(m_sink.errors.isEmpty());
}

// A medium with an older return on it and too little room for the new one: the failure
// message, and the old copy whole, never a cut file whose header claims every record.
TEST_F(CopyToMediumTest, AFullMediumKeepsThePreviousCopyWhole)
{
    const testsupport::SmallTmpfs medium(root() + "stick", "64k");
    if (!medium.mounted())
        GTEST_SKIP() << medium.why().toStdString();
    const QByteArray previous(40 * 1024, 'o');
    {
        QFile old(root() + "stick/" + Name);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        ASSERT_EQ(old.write(previous), previous.size());
    }
    {
        QFile bigger(tempDir() + Name);
        ASSERT_TRUE(bigger.open(QIODevice::WriteOnly));
        ASSERT_EQ(bigger.write(QByteArray(100 * 1024, 'n')), 100 * 1024);
    }
    copyTo(root() + "stick/");
    EXPECT_EQ(m_sink.plain.value(1), failedFor(root() + "stick/" + Name));
    QFile old(root() + "stick/" + Name);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_TRUE(old.readAll() == previous);
    EXPECT_EQ(QDir(root() + "stick").entryList(QDir::Files | QDir::Hidden), QStringList{Name});
}

#ifndef _WIN32
TEST_F(CopyToMediumTest, DriveNotationNamesNoMediumHere)
{
    // Run from the folder where a joined "A:\\DA071401.3" would otherwise land.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root()));
    for (const char* destination : {"A:\\", "A:", "C:\\TAX", "a:\\"}) {
        m_sink.plain.clear();
        copyTo(QString::fromLatin1(destination));
        EXPECT_EQ(m_sink.plain.value(1), failedFor(QString::fromLatin1(destination) + Name))
            << destination;
    }
    QDir::setCurrent(previous);
    EXPECT_EQ(QDir(root()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
}

// "~" is the user's home folder here, as in every other program, never a folder named "~" made
// in the working folder.
TEST_F(CopyToMediumTest, ATildeNamesTheHomeFolder)
{
    const testsupport::EnvironmentVariable home("HOME", QFile::encodeName(root() + "home"));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root()));
    for (const char* destination : {"~/usb/", "~/"}) {
        copyTo(QString::fromLatin1(destination));
        const QString expected = root() + "home/" + QString::fromLatin1(destination + 2) + Name;
        EXPECT_TRUE(QFileInfo::exists(expected)) << destination;
    }
    QDir::setCurrent(previous);
    EXPECT_FALSE(QFileInfo::exists(root() + "~")) << "a folder named ~ in the working folder";
}
#endif
