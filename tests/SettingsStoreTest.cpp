#include "core/Error.h"
#include "settings/FieldTable.h"
#include "settings/FormStorage.h"
#include "settings/LinkSettings.h"
#include "settings/QSettingsStore.h"
#include "support/DefaultTemplates.h"
#include "support/HostileEnvironment.h"
#include "support/RecordingMessageSink.h"
#include "support/TempSettingsHome.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QProcess>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using settings::FieldTable;
using settings::FormStorage;
using settings::QSettingsStore;
using settings::SettingsStore;
using settings::WindowPlacement;

namespace {

WindowPlacement placementAt(int screenWidth, int screenHeight)
{
    WindowPlacement p;
    p.screenWidth = screenWidth;
    p.screenHeight = screenHeight;
    p.left = -5;
    p.top = 10;
    p.right = 569;
    p.bottom = 549;
    return p;
}

// True when this process cannot write a file that has no write permission (not so for root).
bool permissionsBind(const QString& dir)
{
    const QString probe = dir + QStringLiteral("/probe");
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.close();
    QFile::setPermissions(probe, QFile::ReadOwner);
    const bool binds = !QFile(probe).open(QIODevice::WriteOnly | QIODevice::Append);
    QFile::setPermissions(probe, QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(probe);
    return binds;
}

QString saveFailure(const FormStorage& storage, const QHash<QString, QString>& texts)
{
    try {
        storage.save(texts, placementAt(1280, 1024));
    } catch (const core::Error& e) {
        return e.message();
    }
    return QString();
}

class SettingsStoreTest : public ::testing::Test
{
protected:
    // A save that the disk cuts short fails and leaves the stored settings as they were.
    void expectACutShortSaveLeavesTheStoreWhole(QHash<QString, QString> texts)
    {
        const QByteArray before = m_home.storeBytes();
        texts[QStringLiteral("NameFirm")] = QString(2000, QChar(u'Ж'));
        QString failure;
        {
            const testsupport::FileSizeLimit limit(before.size() + 100);
            ASSERT_TRUE(limit.set());
            failure = saveFailure(m_storage, texts);
        }
        EXPECT_EQ(failure, QStringLiteral("Failed to set data for 'Flags'"));
        EXPECT_EQ(m_home.storeBytes(), before);
        EXPECT_EQ(QDir(m_home.storeDir()).entryList(QDir::Files), QStringList{"4vt.conf"});
    }

    testsupport::TempSettingsHome m_home;
    QSettingsStore m_store;
    FormStorage m_storage{m_store};
};

} // namespace

TEST_F(SettingsStoreTest, FirstStartMakesAnEmptyStoreAndKeepsTheDefaults)
{
    EXPECT_EQ(QFileInfo(m_store.fileName()).absoluteFilePath(),
              QFileInfo(m_home.storeFile()).absoluteFilePath());
    EXPECT_FALSE(QFileInfo::exists(m_home.storeFile()));

    QHash<QString, QString> texts = testsupport::defaultTexts();
    m_storage.load(texts);

    EXPECT_TRUE(QFileInfo::exists(m_home.storeFile()));
    EXPECT_TRUE(m_home.storedNames().isEmpty());
    EXPECT_EQ(texts, testsupport::defaultTexts());

    // A second start finds the file and leaves it as it is.
    m_home.writeStore("[Options]\nf1_Text=x\n");
    m_storage.load(texts);
    EXPECT_EQ(texts.value(QStringLiteral("f1")), QStringLiteral("x"));
    EXPECT_EQ(m_home.storeBytes(), QByteArray("[Options]\nf1_Text=x\n"));
}

TEST_F(SettingsStoreTest, SaveWritesPlacementAndEveryStoredFieldTrimmed)
{
    QHash<QString, QString> texts = testsupport::defaultTexts();
    texts[QStringLiteral("Edrpou1")] = QStringLiteral("  12345678 \t\r\n");
    texts[QStringLiteral("NameFirm")] = QStringLiteral("\x01ТОВ  \"Ромашка\"\x1f");
    texts[QStringLiteral("FormWoker")] = QStringLiteral("changed");
    m_storage.save(texts, placementAt(1280, 1024));

    const QStringList names = m_home.storedNames();
    EXPECT_EQ(names.size(), 58);
    for (const QString& field : FieldTable::storedOrder())
        EXPECT_TRUE(names.contains(field + QStringLiteral("_Text"))) << field.toStdString();
    EXPECT_FALSE(names.contains(QStringLiteral("FormWoker_Text")));
    EXPECT_FALSE(names.contains(QStringLiteral("Edit1_Text")));

    EXPECT_EQ(m_home.stored(QStringLiteral("Edrpou1_Text")), QStringLiteral("12345678"));
    EXPECT_EQ(m_home.stored(QStringLiteral("NameFirm_Text")), QStringLiteral("ТОВ  \"Ромашка\""));
    EXPECT_EQ(m_home.stored(QStringLiteral("Flags")), QStringLiteral("0"));
    EXPECT_EQ(m_home.stored(QStringLiteral("ShowCmd")), QStringLiteral("1"));
    EXPECT_EQ(m_home.stored(QStringLiteral("PixelsPerInch")), QStringLiteral("96"));
    EXPECT_EQ(m_home.stored(QStringLiteral("MinMaxPos(1280x1024)")), QStringLiteral("-1,-1,-1,-1"));
    EXPECT_EQ(m_home.stored(QStringLiteral("MinMaxPos")), QStringLiteral("-1,-1,-1,-1"));
    EXPECT_EQ(m_home.stored(QStringLiteral("NormPos(1280x1024)")), QStringLiteral("-5,10,569,549"));
    EXPECT_EQ(m_home.stored(QStringLiteral("NormPos")), QStringLiteral("-5,10,569,549"));
    EXPECT_EQ(m_home.stored(QStringLiteral("Visible")), QStringLiteral("0"));

    // Another screen size adds its own pair; the earlier pair stays.
    m_storage.save(texts, placementAt(1920, 1080));
    EXPECT_EQ(m_home.storedNames().size(), 60);
    EXPECT_TRUE(m_home.stored(QStringLiteral("NormPos(1280x1024)")).isValid());
}

TEST_F(SettingsStoreTest, PlacementValuesComeInTheirOrder)
{
    const SettingsStore::NamedValues values = FormStorage::placementValues(placementAt(800, 600));
    QStringList names;
    for (const auto& value : values)
        names << value.first;
    EXPECT_EQ(names, (QStringList{"Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos(800x600)",
                                  "MinMaxPos", "NormPos(800x600)", "NormPos", "Visible"}));
}

TEST_F(SettingsStoreTest, TextsSurviveTheRoundTripWhateverTheyHold)
{
    QHash<QString, QString> texts = testsupport::defaultTexts();
    const QHash<QString, QString> tricky{
        {"f1", "a, b, c"},
        {"f2", "@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)"},
        {"f3", "\"quoted\" ; # = [x] \\\\server\\share"},
        {"f4", "Ґанок їжак Є І ‰ € №"},
        {"f5", "@ByteArray(x)"},
        {"DestinationA", "A:\\"},
        {"pp1", "x\ty"},
    };
    for (auto it = tricky.cbegin(); it != tricky.cend(); ++it)
        texts[it.key()] = it.value();
    m_storage.save(texts, placementAt(1280, 1024));

    QHash<QString, QString> loaded = testsupport::defaultTexts();
    m_storage.load(loaded);
    for (auto it = tricky.cbegin(); it != tricky.cend(); ++it)
        EXPECT_EQ(loaded.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(loaded.value(QStringLiteral("f6")), QString());
}

TEST_F(SettingsStoreTest, StoredEmptyIsEmptyAndMissingKeepsTheDefault)
{
    m_home.writeStore("[Options]\nf1_Text=\nTellBoss_Text=\"  123 \"\nfp1_Text=@String()\n");
    QHash<QString, QString> texts = testsupport::defaultTexts();
    m_storage.load(texts);
    EXPECT_EQ(texts.value(QStringLiteral("f1")), QString());
    EXPECT_EQ(texts.value(QStringLiteral("TellBoss")), QStringLiteral("123"));
    EXPECT_EQ(texts.value(QStringLiteral("fp1")), QString());
    EXPECT_EQ(texts.value(QStringLiteral("f2")),
              testsupport::defaultTexts().value(QStringLiteral("f2")));
    EXPECT_EQ(texts.value(QStringLiteral("LastWoker")), QStringLiteral("15"));

    // Values outside the group are no settings.
    m_home.writeStore("[General]\nf1_Text=outside\n");
    texts = testsupport::defaultTexts();
    m_storage.load(texts);
    EXPECT_EQ(texts, testsupport::defaultTexts());
}

TEST_F(SettingsStoreTest, AValueOfAnotherTypeKeepsItsFieldAndTheRestLoads)
{
    m_home.writeStore("[Options]\n"
                      "f1_Text=a, b\n"
                      "f2_Text=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n"
                      "f3_Text=@ByteArray(xyz)\n"
                      "IndNumber_Text=@Invalid()\n"
                      "Edrpou1_Text=12345678\n"
                      "DestinationA_Text=D:\\\\out\\\\\n");
    QHash<QString, QString> texts = testsupport::defaultTexts();
    texts[QStringLiteral("f1")] = QStringLiteral("kept");
    m_storage.load(texts);
    EXPECT_EQ(texts.value(QStringLiteral("f1")), QStringLiteral("kept"));
    EXPECT_EQ(texts.value(QStringLiteral("f2")),
              testsupport::defaultTexts().value(QStringLiteral("f2")));
    EXPECT_EQ(texts.value(QStringLiteral("f3")),
              testsupport::defaultTexts().value(QStringLiteral("f3")));
    EXPECT_EQ(texts.value(QStringLiteral("IndNumber")), QStringLiteral("СН1:&.100"));
    EXPECT_EQ(texts.value(QStringLiteral("Edrpou1")), QStringLiteral("12345678"));
    EXPECT_EQ(texts.value(QStringLiteral("DestinationA")), QStringLiteral("D:\\out\\"));
}

TEST_F(SettingsStoreTest, AReadOnlyStoreFileStaysAsItWas)
{
    QHash<QString, QString> texts = testsupport::defaultTexts();
    m_storage.save(texts, placementAt(1280, 1024));
    if (!permissionsBind(m_home.storeDir()))
        GTEST_SKIP() << "file permissions do not bind this user";
    const QByteArray before = m_home.storeBytes();
    QFile::setPermissions(m_home.storeFile(), QFile::ReadOwner);

    texts[QStringLiteral("f1")] = QStringLiteral("new");
    EXPECT_EQ(saveFailure(m_storage, texts), QStringLiteral("Failed to create key Options"));
    EXPECT_EQ(m_home.storeBytes(), before);
}

TEST_F(SettingsStoreTest, AReadOnlyStoreFolderStaysAsItWas)
{
    QHash<QString, QString> texts = testsupport::defaultTexts();
    m_storage.save(texts, placementAt(1280, 1024));
    if (!permissionsBind(m_home.storeDir()))
        GTEST_SKIP() << "file permissions do not bind this user";
    const QByteArray before = m_home.storeBytes();
    QFile::setPermissions(m_home.storeDir(), QFile::ReadOwner | QFile::ExeOwner);

    texts[QStringLiteral("f1")] = QStringLiteral("new");
    EXPECT_EQ(saveFailure(m_storage, texts), QStringLiteral("Failed to set data for 'Flags'"));
    EXPECT_EQ(m_home.storeBytes(), before);
}

TEST_F(SettingsStoreTest, AWriteThatBreaksOffLeavesTheStoredSettingsWhole)
{
    // Works for every user, root included: the file system refuses to let the file grow.
    QHash<QString, QString> texts = testsupport::defaultTexts();
    m_storage.save(texts, placementAt(1280, 1024));
    expectACutShortSaveLeavesTheStoreWhole(texts);

    QHash<QString, QString> loaded = testsupport::defaultTexts();
    m_storage.load(loaded);
    EXPECT_EQ(loaded.value(QStringLiteral("NameFirm")), QString());
}

// FAT disks and some network home folders refuse hard links and unnamed files; a preloaded shim
// makes this disk do the same (the test runs itself again under it). "ОК" must save there, and
// a save cut short by a full disk must still leave the stored settings whole.
TEST_F(SettingsStoreTest, SavesWholeWhereHardLinksAreRefused)
{
    const bool underShim = ::dlsym(RTLD_DEFAULT, "fvt_no_hard_link_shim") != nullptr;
    if (!underShim) {
        ASSERT_TRUE(qEnvironmentVariableIsEmpty("FVT_UNDER_SHIM")) << "the shim did not load";
        QProcess self;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LD_PRELOAD", FVT_NO_HARD_LINK_SHIM);
        env.insert("FVT_UNDER_SHIM", "1");
        // A sanitized build wants its runtime first; the shim only wraps libc calls.
        env.insert("ASAN_OPTIONS",
                   env.value("ASAN_OPTIONS") + QStringLiteral(":verify_asan_link_order=0"));
        self.setProcessEnvironment(env);
        self.setProcessChannelMode(QProcess::MergedChannels);
        self.start(QCoreApplication::applicationFilePath(),
                   {"--gtest_filter=SettingsStoreTest.SavesWholeWhereHardLinksAreRefused"});
        ASSERT_TRUE(self.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(self.readAll());
        EXPECT_EQ(self.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
        return;
    }
    // The disk behaves as FAT does.
    const QByteArray dir = QFile::encodeName(m_home.storeDir());
    QDir().mkpath(m_home.storeDir());
    errno = 0;
    EXPECT_EQ(::link(dir + "/a", dir + "/b"), -1);
    EXPECT_EQ(errno, EPERM);
    EXPECT_EQ(::open(dir.constData(), O_TMPFILE | O_RDWR, 0600), -1);
    EXPECT_EQ(errno, EOPNOTSUPP);

    QHash<QString, QString> texts = testsupport::defaultTexts();
    texts[QStringLiteral("f1")] = QStringLiteral("збережено без жорстких посилань");
    EXPECT_EQ(saveFailure(m_storage, texts), QString());
    QHash<QString, QString> loaded = testsupport::defaultTexts();
    m_storage.load(loaded);
    EXPECT_EQ(loaded.value(QStringLiteral("f1")), texts.value(QStringLiteral("f1")));
    EXPECT_EQ(QDir(m_home.storeDir()).entryList(QDir::Files), QStringList{"4vt.conf"});

    expectACutShortSaveLeavesTheStoreWhole(texts);
}

// A store file that is no plain file of the user's (a pipe, whose opening would wait for ever; a
// link to a device) is not read: the settings keep their defaults and the user is told, and the
// same holds for the organisation's file that QSettings reads beside it.
TEST_F(SettingsStoreTest, AStoreThatIsNoPlainFileKeepsTheDefaultsAndSaysSo)
{
    testsupport::RecordingMessageSink sink;
    ASSERT_TRUE(QDir().mkpath(m_home.storeDir()));
    const QString orgFile = m_home.home() + "/KVOR.conf";
    struct Case
    {
        QString path;
        bool pipe;
    };
    for (const Case& c :
         {Case{m_home.storeFile(), true}, Case{m_home.storeFile(), false}, Case{orgFile, true}}) {
        SCOPED_TRACE(c.path.toStdString() + (c.pipe ? " pipe" : " device"));
        if (c.pipe)
            ASSERT_EQ(::mkfifo(QFile::encodeName(c.path).constData(), 0600), 0);
        else
            ASSERT_TRUE(QFile::link("/dev/zero", c.path));
        sink.plain.clear();
        QHash<QString, QString> texts = testsupport::defaultTexts();
        m_storage.load(texts);
        EXPECT_EQ(texts, testsupport::defaultTexts());
        EXPECT_EQ(sink.plain,
                  QStringList{QSettingsStore::unreadableText(c.path, "it is not a file")});
        EXPECT_TRUE(settings::LinkSettings::winePrefix().isEmpty());
        ASSERT_TRUE(QFile::remove(c.path));
    }
}
