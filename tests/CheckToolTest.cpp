// 4vt-check run as its own process on good, bad and unreadable files.

#include "support/DbfTestFile.h"
#include "support/TaxFileBuilder.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// The record length of the tax file's template: its fields and the deletion flag.
const int recordLength = [] {
    int n = 1;
    for (const auto& f : testsupport::taxTemplateFields())
        n += f.width;
    return n;
}();

struct ToolRun
{
    int status = -1;
    QString out, err;
};

class CheckToolTest : public ::testing::Test
{
protected:
    ToolRun run(const QStringList& arguments, const QString& outputFile = {})
    {
        QProcess tool;
        tool.setWorkingDirectory(m_dir.path());
        if (!outputFile.isEmpty())
            tool.setStandardOutputFile(outputFile);
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

    // An employee of 500 000,00 after the totals, beyond the records the header counts; and a
    // file with more employee records than a return can number: neither is a return, and the
    // file after each is still checked.
    QByteArray bytes = testsupport::readFile(good);
    const QByteArray first = bytes.mid(bytes.size() - 1 - 5 * recordLength, recordLength);
    const QString extra = testsupport::writeFile(m_dir.path(), "DA071405.3",
                                                 bytes.left(bytes.size() - 1) + first + '\x1A');
    bytes.chop(1);
    for (int i = 0; i < 99991; ++i)
        bytes += first;
    bytes += '\x1A';
    const quint32 count = 99996;
    for (int i = 0; i < 4; ++i)
        bytes[4 + i] = char((count >> (8 * i)) & 0xFF);
    const QString tooMany = testsupport::writeFile(m_dir.path(), "DA071406.3", bytes);
    r = run({extra, bad, tooMany, bad});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out.count("2514412298"), 2) << r.out.toStdString();
    const QStringList reasons = r.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(reasons.size(), 2) << r.err.toStdString();
    EXPECT_TRUE(reasons[0].contains("bytes follow the 5 records")) << r.err.toStdString();
    EXPECT_TRUE(reasons[1].contains("понад 99990 записів працівників")) << r.err.toStdString();
}

TEST_F(CheckToolTest, BehavesAsACommandLineTool)
{
    auto rows = testsupport::soundReturn();
    rows[1].tin = "\x1b[2J251441"; // a number with an escape sequence that clears a terminal
    // A name that would print a forged "clean" line of its own.
    const QString forged = taxFile("DA071401.3\nDA071402.3: ok", rows);
    ToolRun r = run({forged});
    EXPECT_EQ(r.status, 1);
    // The TIN, and the name twice (not the pattern, no quarter for an extension): every line
    // starts with the name, escaped wherever it stands.
    EXPECT_EQ(r.out.count('\n'), 3) << r.out.toStdString();
    EXPECT_EQ(r.out.count(m_dir.filePath("DA071401.3\\x0aDA071402.3: ok: ")), 3);
    EXPECT_FALSE(r.out.contains('\x1b'));
    EXPECT_TRUE(r.out.startsWith(m_dir.filePath("DA071401.3\\x0aDA071402.3: ok: рядок 2 (NP 2), "
                                                "TIN \\x1b[2J251441")))
        << r.out.toStdString();

    // -h and --help are options only before --; after it every word is a file.
    taxFile("-h", testsupport::soundReturn());
    r = run({"--", "-h"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("-h: файл: попередження: Ім'я файла «-h»")) << r.out.toStdString();
    r = run({"-h"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("Використання"));
    r = run({"-x", "-h"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("невідомий параметр -x")) << r.err.toStdString();

    // Output that cannot be written is a failure, said on standard error.
    r = run({forged}, QStringLiteral("/dev/full"));
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("не вдалося записати")) << r.err.toStdString();

    // A name in Windows-1251 (ДА from a diskette) on a UTF-8 system is found by its bytes.
    const QByteArray name = QFile::encodeName(m_dir.path()) + "/\xc4\xc0"
                                                              "071401.3";
    ASSERT_EQ(::rename(QFile::encodeName(forged).constData(), name.constData()), 0);
    QProcess shell;
    shell.start("/bin/sh", {"-c", "exec \"$0\" \"$1$(printf '/\\304\\300071401.3')\"",
                            FVT_BINARY_DIR "/bin/4vt-check", m_dir.path()});
    ASSERT_TRUE(shell.waitForFinished(30000));
    EXPECT_EQ(shell.exitCode(), 1) << shell.readAllStandardError().toStdString();
    EXPECT_TRUE(shell.readAllStandardOutput().startsWith(QFile::encodeName(m_dir.path()) +
                                                         "/\\xc4\\xc0071401.3: рядок 2"));
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
