#include "dbase/Table.h"
#include "core/Cp1251.h"
#include "core/Error.h"
#include "support/DbfTestFile.h"
#include "support/HostileEnvironment.h"
#include "support/OpenFiles.h"
#include "taxformat/TaxFileFields.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <limits>

using dbase::Table;
using namespace testsupport;

namespace {

const QString templatePath = QStringLiteral(FVT_SOURCE_DIR "/demo/DA.DBF");
constexpr int headerLength = 449; // of the committed template
constexpr int recordLength = 86;

// What the independent reader makes of a file; fails the test when it refuses the file.
QJsonObject independentRead(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral(FVT_PYTHON3), {"-S", "-E", QStringLiteral(FVT_DBF_READER_PY), path});
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

std::string messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const core::Error& e) {
        return e.message().toStdString();
    }
    return "(no error)";
}

class TableTest : public ::testing::Test
{
protected:
    QTemporaryDir m_dir;
    QString m_name = QStringLiteral("DA071401.3"); // the tax file's extension is the quarter
    QString path() const { return m_dir.filePath(m_name); }

    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QFile::copy(templatePath, path()));
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
    }

    // The employee record of the generation run.
    static void employee(Table& t, double np, const QString& tin, double dox, double tax)
    {
        t.append();
        t.setFloat("NP", np);
        t.setInt("PERIOD", 3);
        t.setInt("RIK", 2001);
        t.setText("KOD", "12345678");
        t.setInt("TYP", 0);
        t.setText("TIN", tin);
        t.setFloat("S_DOX", dox);
        t.setFloat("S_TAX", tax);
        t.setInt("OZN_DOX", 1);
        t.setDate("D_PRIYN", QDate(2001, 3, 1));
        t.setDate("D_ZVILN", QDate());
        t.setInt("OZN_PILG", 0);
        t.setInt("OZNAKA", 0);
        t.post();
    }
};

TEST_F(TableTest, WritesHeaderRecordsAndEndMarkByteForByte)
{
    {
        Table t("DA", taxformat::taxFileFields());
        t.setClock([] { return QDate(2003, 11, 27); });
        t.emptyTable(m_dir.path() + "/", m_name);
        t.open(m_dir.path() + "/", m_name);
        employee(t, 1, QString::fromUtf8("1234567890"), 1234.505, -0.125);
        // The director record: only some fields assigned, the rest stay blank.
        t.append();
        t.setFloat("NP", 99991);
        t.setText("TIN", QString::fromUtf8("Ів"));
        t.setFloat("S_DOX", static_cast<double>(std::numeric_limits<std::int32_t>::min()));
        t.post();
        t.close();
    }
    const QByteArray file = readFile(path());
    const QByteArray tmpl = readFile(templatePath);
    ASSERT_EQ(file.size(), headerLength + 2 * recordLength + 1);
    // Version, code page, lengths and descriptors as the template has them.
    EXPECT_EQ(file.mid(8, headerLength - 8), tmpl.mid(8, headerLength - 8));
    EXPECT_EQ(file[0], '\x03');
    EXPECT_EQ(file.mid(1, 3), QByteArray("\x67\x0B\x1B")) << "the date the clock gave";
    EXPECT_EQ(file.mid(4, 4), QByteArray("\x02\0\0\0", 4));

    const QByteArray first = QByteArray(" ") + "    1" + "3" + "2001" + "12345678  " + "0" +
                             "1234567890" + "        1234.51" + "          -0.13" + "1" +
                             "20010301" + "        " + "     0" + "0";
    const QByteArray second = QByteArray(" ") + "99991" + " " + "    " + "          " + " " +
                              core::cp1251::encode(QString::fromUtf8("Ів")) + "        " +
                              " -2147483648.00" + "               " + " " + "        " +
                              "        " + "      " + " ";
    EXPECT_EQ(file.mid(headerLength, recordLength), first);
    EXPECT_EQ(file.mid(headerLength + recordLength, recordLength), second);
    EXPECT_EQ(file.back(), '\x1A');

    const QJsonObject read = independentRead(path());
    EXPECT_EQ(read["count"].toInt(), 2);
    EXPECT_TRUE(read["eof_mark"].toBool());
    EXPECT_EQ(read["trailing"].toInt(), 1);
    EXPECT_EQ(read["code_page"].toInt(), 0xC9);
    EXPECT_EQ(read["updated"].toArray(), QJsonArray({2003, 11, 27}));
    const QJsonArray records = read["records"].toArray();
    ASSERT_EQ(records.size(), 2);
    const QJsonObject v1 = records[0].toObject()["value"].toObject();
    EXPECT_EQ(v1["S_DOX"].toDouble(), 1234.51);
    EXPECT_EQ(v1["S_TAX"].toDouble(), -0.13);
    EXPECT_EQ(v1["D_PRIYN"].toString(), "2001-03-01");
    EXPECT_TRUE(v1["D_ZVILN"].isNull());
    const QJsonObject v2 = records[1].toObject()["value"].toObject();
    EXPECT_EQ(v2["TIN"].toString(), QString::fromUtf8("Ів"));
    EXPECT_EQ(v2["S_DOX"].toDouble(), -2147483648.0);
}

TEST_F(TableTest, ReadsBackWhileOpenAndAfterReopening)
{
    Table t("DA", taxformat::taxFileFields());
    t.open(m_dir.path(), m_name);
    EXPECT_TRUE(t.eof());
    for (int i = 1; i <= 300; ++i)
        employee(t, i, QString::number(1000000000 + i), i * 0.01, 1);
    t.append();
    t.setFloat("NP", 99999); // a service record: every other field blank
    t.post();
    // The totals are summed back from the file while it is still open for appending.
    double sum = 0;
    int n = 0;
    for (t.first(); !t.eof(); t.next(), ++n)
        sum += t.asFloat("S_DOX");
    EXPECT_EQ(n, 301);
    EXPECT_NEAR(sum, 451.5, 1e-9);
    EXPECT_EQ(t.recordCount(), 301);
    t.close();

    t.open(m_dir.path(), m_name);
    EXPECT_EQ(t.asText("TIN"), "1000000001");
    EXPECT_EQ(t.asDate("D_PRIYN"), QDate(2001, 3, 1));
    EXPECT_TRUE(t.asDate("D_ZVILN").isNull());
    while (t.asFloat("NP") != 99999)
        t.next();
    EXPECT_EQ(t.asFloat("S_TAX"), 0);
    EXPECT_EQ(t.asText("TIN"), "");
    EXPECT_TRUE(t.asDate("D_PRIYN").isNull());
    t.next();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(messageOf([&] { t.asFloat("NP"); }), "DA: There is no current record");
}

TEST_F(TableTest, TextIsWindows1251CutToTheWidthAndPadded)
{
    Table t("DA", taxformat::taxFileFields());
    t.open(m_dir.path(), m_name);
    t.append();
    t.setText("TIN", "123456789012"); // twelve characters keep their first ten
    t.setText("KOD", QString::fromUtf8("Їжак є"));
    EXPECT_EQ(messageOf([&] { t.setText("KOD", QString::fromUtf8("€ ok ✓")); }),
              "Value '€ ok ✓' for field 'KOD' holds characters outside Windows-1251");
    t.post();
    EXPECT_EQ(t.asText("TIN"), "1234567890");
    EXPECT_EQ(t.asText("KOD"), QString::fromUtf8("Їжак є"));
    t.close();
    const QByteArray rec = readFile(path()).mid(headerLength, recordLength);
    EXPECT_EQ(rec.mid(11, 10), core::cp1251::encode(QString::fromUtf8("Їжак є    ")));
    EXPECT_EQ(rec.mid(22, 10), "1234567890");
}

TEST_F(TableTest, NumbersRoundHalfAwayFromZeroAndNeverOverflowTheWidth)
{
    Table t("DA", taxformat::taxFileFields());
    t.open(m_dir.path(), m_name);
    t.append();
    struct Case
    {
        double value;
        const char* stored;
    } cases[] = {{0.125, "0.13"},
                 {-0.125, "-0.13"},
                 {1.005, "1.01"},
                 {2.675, "2.68"},
                 {-0.001, "0.00"},
                 {0.0, "0.00"},
                 {999999999999.994, "999999999999.99"},
                 {1e-300, "0.00"},
                 {0.5e-2, "0.01"},
                 {12.3e3, "12300.00"},
                 {-99999999999.99, "-99999999999.99"}};
    for (const auto& c : cases) {
        t.setFloat("S_DOX", c.value);
        t.post();
        t.append();
    }
    t.cancel();
    int i = 0;
    for (t.first(); !t.eof(); t.next(), ++i)
        EXPECT_EQ(t.asText("S_DOX"), QString::fromLatin1(cases[i].stored)) << cases[i].value;

    t.append();
    EXPECT_EQ(messageOf([&] { t.setFloat("NP", 123456); }),
              "Value 123456 does not fit field 'NP' (N 5.0)");
    EXPECT_EQ(messageOf([&] { t.setInt("NP", -10000); }),
              "Value -10000 does not fit field 'NP' (N 5.0)");
    EXPECT_EQ(messageOf([&] { t.setFloat("S_DOX", 999999999999.995); }),
              "Value 1000000000000.00 does not fit field 'S_DOX' (N 15.2)");
    // A 309-digit value is quoted by its first digits only.
    EXPECT_EQ(messageOf([&] { t.setFloat("S_DOX", 1e308); }),
              "Value 1" + std::string(118, '0') + "\u2026 does not fit field 'S_DOX' (N 15.2)");
    EXPECT_EQ(messageOf([&] { t.setFloat("S_DOX", std::nan("")); }),
              "Value nan does not fit field 'S_DOX' (N 15.2)");
    EXPECT_EQ(messageOf([&] { t.setInt("S_DOX", std::numeric_limits<std::int64_t>::min()); }),
              "Value -9223372036854775808 does not fit field 'S_DOX' (N 15.2)");
    // A whole-number field rounds a fraction half away from zero.
    t.setFloat("OZN_PILG", -2.5);
    t.setFloat("PERIOD", 3.49);
    t.post();
    t.first();
    for (int k = 0; k < i; ++k)
        t.next();
    EXPECT_EQ(t.asFloat("OZN_PILG"), -3);
    EXPECT_EQ(t.asFloat("PERIOD"), 3);
    EXPECT_EQ(t.asText("NP"), "") << "a refused value leaves the field unassigned";
}

TEST_F(TableTest, WholeNumberFieldsRefuseValuesOutsideTheirRange)
{
    Table t("DA", taxformat::taxFileFields());
    t.open(m_dir.path(), m_name);
    t.append();
    EXPECT_EQ(
        messageOf([&] { t.setInt("PERIOD", 40000); }),
        "40000 is not a valid value for field 'PERIOD'. The allowed range is -32768 to 32767");
    EXPECT_EQ(messageOf([&] { t.setInt("OZN_PILG", -32769); }),
              "-32769 is not a valid value for field 'OZN_PILG'. The allowed range is -32768 to "
              "32767");
    EXPECT_EQ(messageOf([&] { t.setFloat("RIK", 1234567); }),
              "1234567 is not a valid value for field 'RIK'. The allowed range is -32768 to 32767");
    EXPECT_EQ(messageOf([&] { t.setFloat("RIK", 1e10); }),
              "10000000000 is not a valid value for field 'RIK'. The allowed range is -32768 to "
              "32767");
    // In range but wider than the template's field.
    EXPECT_EQ(messageOf([&] { t.setInt("PERIOD", 12); }),
              "Value 12 does not fit field 'PERIOD' (N 1.0)");
    t.setInt("OZN_PILG", -32768);
    t.post();
    t.close();

    // A declared Integer field takes 32-bit values.
    const QByteArray bytes = dbfBytes({{"N", 'N', 12}});
    const QString other = writeFile(m_dir.path(), "I.DBF", bytes);
    Table i("T", {{"N", dbase::DeclaredKind::Integer, 0}});
    i.open(m_dir.path(), "I.DBF");
    i.append();
    i.setInt("N", -2147483648LL);
    // Every digit shown, so that the refused value never seems to lie inside the range.
    EXPECT_EQ(messageOf([&] { i.setInt("N", 2147483648LL); }),
              "2147483648 is not a valid value for field 'N'. The allowed range is -2147483648 to "
              "2147483647");
    i.post();
    EXPECT_EQ(i.asFloat("N"), -2147483648.0);
}

TEST_F(TableTest, BindingFailuresNameTheFieldAndLeaveTheFileAsItWas)
{
    struct Case
    {
        std::vector<DbfDesc> fields;
        const char* message;
    } cases[] = {
        {{{"NP", 'N', 5}}, "DA: Field 'PERIOD' not found"},
        {{{"NP", 'C', 5}}, "DA: Type mismatch for field 'NP', expecting: Float actual: String"},
        {{{"NP", 'N', 5}, {"PERIOD", 'N', 5, 2}},
         "DA: Type mismatch for field 'PERIOD', expecting: Smallint actual: Float"},
        {{{"NP", 'N', 5}, {"PERIOD", 'D', 8}},
         "DA: Type mismatch for field 'PERIOD', expecting: Smallint actual: Date"},
        {{{"NP", 'F', 20, 4}, {"PERIOD", 'N', 1}, {"RIK", 'L', 1}},
         "DA: Type mismatch for field 'RIK', expecting: Smallint actual: Boolean"},
        {{{"NP", 'N', 5}, {"PERIOD", 'N', 1}, {"RIK", 'N', 4}, {"KOD", 'M', 10}},
         "DA: Type mismatch for field 'KOD', expecting: String actual: Memo"},
        {{{"NP", 'N', 5}, {"PERIOD", 'N', 1}, {"RIK", 'N', 4}, {"KOD", 'C', 12}},
         "DA: Size mismatch for field 'KOD', expecting: 10 actual: 12"},
        {{{"NP", 'N', 5},
          {"PERIOD", 'N', 1},
          {"RIK", 'N', 4},
          {"KOD", 'C', 10},
          {"TYP", 'N', 1},
          {"TIN", 'C', 10},
          {"S_DOX", 'N', 15, 2},
          {"S_TAX", 'N', 15, 2},
          {"OZN_DOX", 'N', 1},
          {"D_PRIYN", 'C', 8}},
         "DA: Type mismatch for field 'D_PRIYN', expecting: Date actual: String"},
        {{{"NP", 'N', 5},
          {"PERIOD", 'N', 1},
          {"RIK", 'N', 4},
          {"KOD", 'C', 10},
          {"TYP", 'N', 1},
          {"TIN", 'C', 10},
          {"S_DOX", 'X', 15, 2}},
         "DA: Type mismatch for field 'S_DOX', expecting: Float actual: Unknown"},
    };
    for (const auto& c : cases) {
        const QByteArray bytes = dbfBytes(c.fields, {QByteArray("1")});
        writeFile(m_dir.path(), m_name, bytes);
        Table t("DA", taxformat::taxFileFields());
        EXPECT_EQ(messageOf([&] { t.open(m_dir.path(), m_name); }), c.message);
        EXPECT_FALSE(t.isOpen());
        EXPECT_EQ(messageOf([&] { t.append(); }),
                  "DA: Cannot perform this operation on a closed dataset");
        EXPECT_EQ(readFile(path()), bytes);
    }
}

TEST_F(TableTest, EmptyingATemplateWithRecordsKeepsItsStructure)
{
    {
        Table t("DA", taxformat::taxFileFields());
        t.open(m_dir.path(), m_name);
        for (int i = 1; i <= 3; ++i)
            employee(t, 500 + i, "1111111111", 10, 1);
    }
    Table t("DA", taxformat::taxFileFields());
    t.emptyTable(m_dir.path(), m_name);
    QByteArray file = readFile(path());
    ASSERT_EQ(file.size(), headerLength + 1);
    EXPECT_EQ(file.mid(4, 4), QByteArray(4, '\0'));
    EXPECT_EQ(file.mid(8, headerLength - 8), readFile(templatePath).mid(8, headerLength - 8));
    EXPECT_EQ(file.back(), '\x1A');

    t.open(m_dir.path(), m_name);
    EXPECT_EQ(t.recordCount(), 0);
    EXPECT_EQ(messageOf([&] { t.emptyTable(m_dir.path(), m_name); }),
              "DA: Cannot empty the table while it is open");
    employee(t, 1, "2222222222", 5, 0);
    t.first();
    EXPECT_EQ(t.asFloat("NP"), 1);
    EXPECT_EQ(t.asText("TIN"), "2222222222");
}

TEST_F(TableTest, AFailureHalfWayLeavesThePostedRecordsReadable)
{
    Table t("DA", taxformat::taxFileFields());
    t.open(m_dir.path(), m_name);
    employee(t, 1, "1111111111", 100, 18);
    employee(t, 2, "2222222222", 200, 36);
    t.append();
    t.setFloat("NP", 3);
    EXPECT_THROW(t.setInt("PERIOD", 40000), core::Error);
    // The table stays open, as the failed run leaves it; another reader sees the two records.
    ASSERT_TRUE(t.isOpen());
    {
        Table reader("DA", taxformat::taxFileFields());
        reader.open(m_dir.path(), m_name);
        EXPECT_EQ(reader.recordCount(), 2);
        double sum = 0;
        for (reader.first(); !reader.eof(); reader.next())
            sum += reader.asFloat("S_DOX");
        EXPECT_EQ(sum, 300);
    }
    EXPECT_EQ(independentRead(path())["count"].toInt(), 2);
    t.close(); // drops the record being filled
    const QJsonObject read = independentRead(path());
    EXPECT_EQ(read["count"].toInt(), 2);
    EXPECT_EQ(read["trailing"].toInt(), 1);
}

// A disk that fills up while a record is written: the message names the system's reason, and
// the table keeps every record posted before, whole, with its end mark.
TEST_F(TableTest, AFullDiskNamesTheSystemsReasonAndKeepsThePostedRecords)
{
    const auto fillUp = [](const QString& dir, const QString& name) {
        Table t("DA", taxformat::taxFileFields());
        t.open(dir, name);
        int posted = 0;
        std::string failure;
        try {
            for (; posted < 100000; ++posted)
                employee(t, posted + 1, "1111111111", 100, 18);
        } catch (const core::Error& e) {
            failure = e.message().toStdString();
        }
        t.close();
        EXPECT_GT(posted, 0);
        const QJsonObject read = independentRead(QDir(dir).filePath(name));
        EXPECT_EQ(read["count"].toInt(), posted);
        EXPECT_EQ(read["trailing"].toInt(), 1);
        return failure;
    };

    std::string tooLarge;
    {
        const testsupport::FileSizeLimit limit(QFileInfo(path()).size() + 1000);
        ASSERT_TRUE(limit.set());
        tooLarge = fillUp(m_dir.path(), m_name);
    }
    // The system's own words for the reason.
    const auto reason = [](int code) { return qt_error_string(code).toStdString(); };
    EXPECT_EQ(tooLarge, "Cannot write to file '" + path().toStdString() + "': " + reason(EFBIG));

    const testsupport::SmallTmpfs disk(m_dir.filePath("disk"), "16k");
    if (!disk.mounted())
        GTEST_SKIP() << disk.why().toStdString();
    ASSERT_TRUE(QFile::copy(templatePath, m_dir.filePath("disk/" + m_name)));
    EXPECT_EQ(fillUp(m_dir.filePath("disk"), m_name),
              "Cannot write to file '" + m_dir.filePath("disk/" + m_name).toStdString() +
                  "': " + reason(ENOSPC));
}

TEST_F(TableTest, OnlyPostedRecordsAreStored)
{
    Table t("DA", taxformat::taxFileFields());
    EXPECT_EQ(messageOf([&] { t.first(); }),
              "DA: Cannot perform this operation on a closed dataset");
    t.open(m_dir.path(), m_name);
    EXPECT_EQ(messageOf([&] { t.setInt("NP", 1); }), "DA: Dataset not in edit or insert mode");
    EXPECT_EQ(messageOf([&] { t.post(); }), "DA: Dataset not in edit or insert mode");
    t.append();
    EXPECT_EQ(messageOf([&] { t.setInt("NPX", 1); }), "DA: Field 'NPX' not found");
    EXPECT_EQ(messageOf([&] { t.setDate("NP", QDate(2001, 1, 1)); }),
              "DA: Type mismatch for field 'NP', expecting: Date actual: Integer");
    EXPECT_EQ(messageOf([&] { t.setText("NP", "1"); }),
              "DA: Type mismatch for field 'NP', expecting: String actual: Integer");
    EXPECT_EQ(messageOf([&] { t.setInt("TIN", 1); }),
              "DA: Type mismatch for field 'TIN', expecting: Integer actual: String");
    t.setFloat("NP", 1);
    t.cancel();
    t.append();
    t.setFloat("NP", 2);
    t.append(); // starts afresh: the record before it was never posted
    t.setFloat("S_DOX", 7);
    t.post();
    t.append();
    t.setFloat("NP", 4); // left unposted at close
    t.close();
    t.open(m_dir.path(), m_name);
    ASSERT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.asText("NP"), "");
    EXPECT_EQ(t.asFloat("S_DOX"), 7);
}

TEST_F(TableTest, AReadOnlyFileCanBeReadButNotAppendedTo)
{
    {
        Table t("DA", taxformat::taxFileFields());
        t.open(m_dir.path(), m_name);
        employee(t, 1, "1111111111", 1, 1);
    }
    QFile::setPermissions(path(), QFile::ReadOwner);
    if (QFile(path()).open(QIODevice::ReadWrite))
        GTEST_SKIP() << "running with rights that ignore file permissions";
    Table t("DA", taxformat::taxFileFields());
    t.open(m_dir.path(), m_name);
    EXPECT_EQ(t.asFloat("S_DOX"), 1);
    EXPECT_EQ(messageOf([&] { t.append(); }), "Cannot modify a read-only file '" +
                                                  QDir::toNativeSeparators(path()).toStdString() +
                                                  "'");
}

TEST_F(TableTest, AReadOnlyOpenNeverAsksForWriteAccessNorCreatesAFile)
{
    Table t("DA", taxformat::taxFileFields());
    t.open(m_dir.path(), m_name, Table::OpenMode::ReadOnly);
    EXPECT_EQ(testsupport::openAccessMode(path()), O_RDONLY);
    EXPECT_THROW(t.append(), core::Error);
    t.close();
    t.open(m_dir.path(), m_name);
    EXPECT_EQ(testsupport::openAccessMode(path()), O_RDWR);
    t.close();
    // A name that leads nowhere, a link to nothing among them, stays so in either mode.
    QFile::link(m_dir.filePath("planted"), m_dir.filePath("LINK.3"));
    for (const auto mode : {Table::OpenMode::ReadOnly, Table::OpenMode::ReadWrite}) {
        EXPECT_EQ(messageOf([&] { t.open(m_dir.path(), "LINK.3", mode); }),
                  "Cannot open file '" +
                      QDir::toNativeSeparators(m_dir.filePath("LINK.3")).toStdString() +
                      "': it does not exist");
        EXPECT_FALSE(QFileInfo::exists(m_dir.filePath("planted")));
    }
}

} // namespace
