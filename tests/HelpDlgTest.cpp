#include "app/HelpDlg.h"
#include "app/MainDlg.h"
#include "app/ReadmeFile.h"
#include "core/Error.h"
#include "support/FormTable.h"
#include "support/RecordingMessageSink.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <unistd.h>

namespace {

TEST(ReadmeFileTest, EveryKindOfLineEndIsOneBreakAndNulEndsTheText)
{
    EXPECT_EQ(app::ReadmeFile::decode("a\r\nb\rc\nd"), "a\nb\nc\nd");
    EXPECT_EQ(app::ReadmeFile::decode("a\r\n\r\nb"), "a\n\nb");
    // LF then CR are two line ends, as are two CRs.
    EXPECT_EQ(app::ReadmeFile::decode("a\n\rb\r\rc"), "a\n\nb\n\nc");
    EXPECT_EQ(app::ReadmeFile::decode(QByteArray("ab\0cd\r\n", 7)), "ab");
    EXPECT_EQ(app::ReadmeFile::decode(QByteArray("\0x", 2)), "");
    EXPECT_EQ(app::ReadmeFile::decode(""), "");
    // Windows-1251: "Звіт", with the Ukrainian і (0xB3) and ї (0xBF), Ґ (0xA5).
    EXPECT_EQ(app::ReadmeFile::decode("\xC7\xE2\xB3\xF2 \xBF \xA5"), "Звіт ї Ґ");
}

class ReadmeFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }
    void TearDown() override { QDir::setCurrent(m_previous); }

    void write(const QByteArray& bytes)
    {
        QFile file(m_dir.filePath("Readme.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // Runs the menu command; returns the viewer's text, or nothing when no viewer opened.
    std::optional<QString> runHelp(app::MainDlg& dlg, const QString& typed = {})
    {
        std::optional<QString> shown;
        QTimer::singleShot(0, [&] {
            auto* viewer = qobject_cast<app::HelpDlg*>(QApplication::activeModalWidget());
            if (!viewer)
                return;
            shown = viewer->Memo1->toPlainText();
            testsupport::expectAsInTable(viewer, app::HelpDlg::kDesign, app::HelpDlg::formItems());
            if (!typed.isEmpty())
                viewer->Memo1->insertPlainText(typed);
            viewer->close();
        });
        dlg.HelpExecute();
        // A viewer that did not open leaves the timer pending; let it pass.
        QCoreApplication::processEvents();
        return shown;
    }

    QTemporaryDir m_dir;
    QString m_previous;
    testsupport::RecordingMessageSink m_sink;
};

TEST_F(ReadmeFolder, MissingFileOrFolderDoesNothingPipeOrDeviceIsAnError)
{
    app::MainDlg dlg;
    EXPECT_FALSE(runHelp(dlg));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("Readme.txt"));
    EXPECT_FALSE(runHelp(dlg));
    EXPECT_TRUE(m_sink.errors.isEmpty());

    // A link to a device that never ends: there, but no file to read.
    ASSERT_TRUE(QDir(m_dir.path()).rmdir("Readme.txt"));
    ASSERT_TRUE(QFile::link("/dev/zero", m_dir.filePath("Readme.txt")));
    EXPECT_FALSE(runHelp(dlg));
    ASSERT_EQ(m_sink.errors.size(), 1);
    EXPECT_TRUE(m_sink.errors.constFirst().contains("it is not a file"))
        << m_sink.errors.constFirst().toStdString();
    ASSERT_TRUE(QFile::remove(m_dir.filePath("Readme.txt")));

    // A pipe nobody writes to: opening it to read would wait for ever. Should the command wait
    // all the same, a writer comes and goes when the command has not returned within a while, so
    // the test fails instead of hanging; when it returns at once, so does the rescue.
    const QByteArray fifo = QFile::encodeName(m_dir.filePath("Readme.txt"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    std::thread rescue([&] {
        std::unique_lock lock(mutex);
        if (returned.wait_for(lock, std::chrono::seconds(3), [&] { return done; }))
            return;
        const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(runHelp(dlg));
    EXPECT_LT(clock.elapsed(), 2000);
    {
        const std::lock_guard lock(mutex);
        done = true;
    }
    returned.notify_one();
    rescue.join();
    EXPECT_EQ(m_sink.errors.size(), 2);
}

TEST_F(ReadmeFolder, ViewerShowsTheFileAndForgetsEditsAtTheNextOpening)
{
    write("\xB2\xED\xF1\xF2\xF0\xF3\xEA\xF6\xB3\xFF\r\n\r\n1. \xC7\xE2\xB3\xF2\r\n");
    app::MainDlg dlg;
    EXPECT_EQ(runHelp(dlg, "typed"), QString("Інструкція\n\n1. Звіт\n"));
    EXPECT_EQ(runHelp(dlg), QString("Інструкція\n\n1. Звіт\n"));
    EXPECT_TRUE(m_sink.errors.isEmpty());
}

TEST_F(ReadmeFolder, EmptyFileOpensAnEmptyViewer)
{
    write("");
    app::MainDlg dlg;
    EXPECT_EQ(runHelp(dlg), QString());
}

TEST_F(ReadmeFolder, TextUpToTheCapacityIsShownWholeBeyondItRefused)
{
    app::MainDlg dlg;
    // Lines of text, as an instruction has them (LF alone keeps characters and bytes equal).
    const QByteArray line = QByteArray(63, 'x') + '\n';
    const QByteArray full = line.repeated(app::ReadmeFile::kCapacity / line.size());
    ASSERT_EQ(full.size(), app::ReadmeFile::kCapacity);
    write(full);
    const std::optional<QString> shown = runHelp(dlg);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->size(), app::ReadmeFile::kCapacity);

    write(full + 'x');
    EXPECT_FALSE(runHelp(dlg));
    EXPECT_EQ(m_sink.errors, QStringList({"Text exceeds memo capacity."}));

    // What lies after the NUL is no text and does not count.
    write(QByteArray(10, 'x') + QByteArray(1, '\0') + QByteArray(app::ReadmeFile::kCapacity, 'y'));
    EXPECT_EQ(runHelp(dlg), QString(10, 'x'));
}

TEST_F(ReadmeFolder, UnreadableFileShowsTheErrorBoxAndNoViewer)
{
    app::MainDlg dlg;
    // A file that opens but fails to read, even for the superuser.
    ASSERT_TRUE(QFile::link("/proc/self/mem", m_dir.filePath("Readme.txt")));
    EXPECT_FALSE(runHelp(dlg));
    ASSERT_EQ(m_sink.errors.size(), 1);
    EXPECT_TRUE(m_sink.errors[0].startsWith("Cannot read file \"Readme.txt\""))
        << qPrintable(m_sink.errors[0]);

    if (::geteuid() != 0) {
        m_sink.errors.clear();
        QFile::remove(m_dir.filePath("Readme.txt"));
        write("text");
        QFile::setPermissions(m_dir.filePath("Readme.txt"), QFile::Permissions());
        EXPECT_FALSE(runHelp(dlg));
        ASSERT_EQ(m_sink.errors.size(), 1);
        EXPECT_TRUE(m_sink.errors[0].startsWith("Cannot open file \"Readme.txt\""));
    }
}

TEST(HelpDlgTest, ViewerLayout)
{
    app::HelpDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QCoreApplication::processEvents();
    EXPECT_EQ(dlg.windowTitle(), "HelpDlg");
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(544, 375));
    EXPECT_NE(dlg.minimumSize(), dlg.maximumSize());
    EXPECT_EQ(dlg.Memo1->geometry(), dlg.rect());
    EXPECT_EQ(dlg.Memo1->font().pointSize(), 10);
    EXPECT_FALSE(dlg.Memo1->isReadOnly());
    EXPECT_EQ(dlg.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(dlg.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(dlg.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(dlg.findChildren<QAbstractButton*>().isEmpty());
}

} // namespace
