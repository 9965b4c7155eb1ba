// The choice of the Wine bridge: the launcher's option stored as the setting, and what the user
// is told when the bridge cannot start at all. The bridge at work is the Windows stage's test.
#include "app/WineLink.h"
#include "app/MainDlg.h"
#include "settings/LinkSettings.h"
#include "support/RecordingMessageSink.h"
#include "support/TempSettingsHome.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

using app::WineLink;
using settings::LinkSettings;

TEST(WineLinkTest, OptionStoresTheAbsolutePrefixBesideTheDialogsSettingsAndEmptyClearsIt)
{
    testsupport::TempSettingsHome home;
    QDir().mkpath(home.storeDir());
    QFile store(home.storeFile());
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.write("[Options]\nEdrpou1_Text=32855961\n");
    store.close();

    std::string program = "4vt", option = "--wine-prefix", dir = "wine/Бух", other = "-x";
    std::vector<char*> argv{program.data(), option.data(), dir.data(), other.data(), nullptr};
    int argc = 4;
    WineLink::takePrefixOption(argc, argv.data());
    ASSERT_EQ(argc, 2);
    EXPECT_STREQ(argv[1], "-x");
    EXPECT_EQ(argv[2], nullptr);
    EXPECT_EQ(LinkSettings::winePrefix(), QDir::current().absoluteFilePath("wine/Бух"));
    EXPECT_TRUE(home.storeBytes().contains("Edrpou1_Text=32855961"));

    std::string empty;
    argv = {program.data(), option.data(), empty.data(), nullptr};
    argc = 3;
    WineLink::takePrefixOption(argc, argv.data());
    EXPECT_EQ(argc, 1);
    EXPECT_EQ(LinkSettings::winePrefix(), "");
    EXPECT_TRUE(home.storeBytes().contains("Edrpou1_Text=32855961"));
}

// A prefix that is not a folder, or no `wine`: the box names it, then comes the start-up's own
// box, and nothing is started.
TEST(WineLinkTest, WhatIsMissingIsNamedBeforeTheStartUpBox)
{
    QTemporaryDir prefix;
    const QByteArray path = qgetenv("PATH");
    struct Case
    {
        QString prefix;
        QByteArray path;
        QString named;
    };
    for (const Case& c : {Case{prefix.filePath("none"), path, prefix.filePath("none")},
                          Case{prefix.path(), QByteArray("/nonexistent"), "програму wine"}}) {
        SCOPED_TRACE(c.named.toStdString());
        qputenv("PATH", c.path);
        testsupport::RecordingMessageSink sink;
        auto bridge = WineLink::transport(c.prefix);
        auto* link = bridge.get();
        app::MainDlg mainDlg(nullptr, std::move(bridge));
        WineLink::wire(mainDlg, *link, c.prefix);
        int failures = 0;
        mainDlg.showLinkFailure = [&] { ++failures; };
        mainDlg.FormActivate();
        qputenv("PATH", path);
        EXPECT_EQ(failures, 1);
        ASSERT_EQ(sink.errors.size(), 1);
        EXPECT_TRUE(sink.errors[0].contains(c.named)) << sink.errors[0].toStdString();
        EXPECT_EQ(link->bridgeProcess(), -1);
    }
}
