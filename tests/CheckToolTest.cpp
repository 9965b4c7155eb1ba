// 4vt-check run as its own process on good, bad and unreadable files.

#include "support/DbfTestFile.h"
#include "support/TaxFileBuilder.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ToolRun
{
    int status = -1;
    QString out, err;
};

class CheckToolTest : public ::testing::Test
{
protected:
    ToolRun run(const QStringList& arguments)
    {
        QProcess tool;
        tool.start(QStringLiteral(FVT_BINARY_DIR "/bin/4vt-check"), arguments);
        EXPECT_TRUE(tool.waitForFinished(30000));
        EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
        return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()),
                QString::fromUtf8(tool.readAllStandardError())};
    }

    QString taxFile(const QString& name, const std::vector<testsupport::TaxRow>& rows)
    {
        const QString path = m_dir.filePath(name);
        testsupport::writeTaxFile(path, rows);
        return path;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(CheckToolTest, ExitStatusSaysWhatWasFound)
{
    const QString good = taxFile("DA071401.3", testsupport::soundReturn());
    auto rows = testsupport::soundReturn();
    rows[0].oznDox = 9;
    const QString warned = taxFile("DA071402.3", rows);
    rows[1].tin = "2514412298";
    const QString bad = taxFile("DA071403.3", rows);
    const QString unreadable = testsupport::writeFile(m_dir.path(), "DA071404.3", "no table");

    ToolRun r = run({good});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QString());

    r = run({good, warned});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith(warned + ": рядок 1 (NP 1), TIN 2238234710, поле OZN_DOX: "
                                          "попередження: "))
        << r.out.toStdString();

    r = run({bad});
    EXPECT_EQ(r.status, 1);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(bad + ": рядок 2 (NP 2), TIN 2514412298, поле TIN: помилка:"))
        << r.out.toStdString();
    EXPECT_TRUE(lines[1].contains("попередження")) << r.out.toStdString();

    r = run({bad, unreadable, good});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.contains("2514412298")); // the files around it are still checked
    EXPECT_TRUE(r.err.startsWith("4vt-check: " + unreadable + ": ")) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1);

    r = run({m_dir.filePath("missing.3")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("does not exist")) << r.err.toStdString();
}

TEST_F(CheckToolTest, HelpIsInUkrainian)
{
    ToolRun r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("Використання: 4vt-check ФАЙЛ...")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Код завершення"));
    r = run({});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("--help"));
}
