#include "core/Error.h"
#include "dbase/DbfHeader.h"
#include "dbase/DbfScan.h"
#include "dbase/Table.h"
#include "support/DbfTestFile.h"
#include "taxformat/TaxFileFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace testsupport;

namespace {

const std::vector<DbfDesc> twoFields = {{"NAME", 'C', 6}, {"SUM", 'N', 8, 2}};

void put16(QByteArray& b, int at, int v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void put32(QByteArray& b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The message with which both readings (from memory and through the engine) refuse a file;
// they must agree, and the engine's must name the file.
std::string refusal(const QByteArray& bytes)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir.path(), "BAD.DBF", bytes);
    std::string fromTable = "(accepted)";
    try {
        dbase::Table t("T", {});
        t.open(dir.path(), "BAD.DBF");
        for (t.first(); !t.eof(); t.next())
            for (const QString& name : t.fieldNames())
                t.asText(name);
    } catch (const core::Error& e) {
        fromTable = e.message().toStdString();
    }
    std::string fromImage = "(accepted)";
    try {
        dbase::scanDbfImage(bytes, QDir::toNativeSeparators(path));
    } catch (const core::Error& e) {
        fromImage = e.message().toStdString();
    }
    EXPECT_EQ(fromTable, fromImage);
    if (fromTable == "(accepted)")
        return fromTable;
    const std::string shown = "'" + QDir::toNativeSeparators(path).toStdString() + "'";
    const auto at = fromTable.find(shown);
    if (at == std::string::npos)
        return "(file not named) " + fromTable;
    return fromTable.erase(at, shown.size()); // the message with the file's name taken out
}

TEST(DbfReaderTest, DamagedHeadersAreRefusedWithAClearMessage)
{
    const QByteArray good = dbfBytes(twoFields, {"abc   12345.67", "xyz      -1.00"});
    ASSERT_EQ(refusal(good), "(accepted)");

    struct Case
    {
        const char* what;
        std::function<void(QByteArray&)> spoil;
        const char* message;
    } cases[] = {
        {"empty file", [](QByteArray& b) { b.clear(); },
         "File  is not a valid dBase table: the file is shorter than the 32-byte header"},
        {"31 bytes", [](QByteArray& b) { b.truncate(31); },
         "File  is not a valid dBase table: the file is shorter than the 32-byte header"},
        {"header length below 33", [](QByteArray& b) { put16(b, 8, 32); },
         "File  is not a valid dBase table: header length 32 is too short"},
        {"header length past the file", [](QByteArray& b) { put16(b, 8, 60000); },
         "File  is not a valid dBase table: header length 60000 exceeds the file size 128"},
        {"header shorter than descriptors", [](QByteArray& b) { put16(b, 8, 64); },
         "File  is not a valid dBase table: the field list has no terminator within the header"},
        {"no terminator", [](QByteArray& b) { b[96] = 'X'; },
         "File  is not a valid dBase table: field descriptor 3 runs past the header"},
        // Room after the terminator is allowed (later dBase versions keep some), but then the
        // records no longer line up with their fields, and their first bytes say so.
        {"header longer than descriptors", [](QByteArray& b) { put16(b, 8, 98); },
         "File , record 1: the deletion flag is 0x61, neither blank nor '*'"},
        {"zero fields", [](QByteArray& b) { b[32] = 0x0D; },
         "File  is not a valid dBase table: it declares no fields"},
        {"width 0", [](QByteArray& b) { b[32 + 16] = 0; },
         "File  is not a valid dBase table: field 'NAME' has the width 0"},
        {"width 255", [](QByteArray& b) { b[64 + 16] = static_cast<char>(255); },
         "File  is not a valid dBase table: field 'SUM' has the width 255"},
        {"decimals as wide as the field", [](QByteArray& b) { b[64 + 17] = 8; },
         "File  is not a valid dBase table: field 'SUM' has 8 decimals in a width of 8"},
        {"name without NUL", [](QByteArray& b) { b.replace(32, 11, "ABCDEFGHIJK"); },
         "File  is not a valid dBase table: field descriptor 1 has a name without terminator"},
        {"empty name", [](QByteArray& b) { b.replace(32, 4, QByteArray(4, '\0')); },
         "File  is not a valid dBase table: field descriptor 1 has no name"},
        {"duplicate name", [](QByteArray& b) { b.replace(64, 4, "NAME"); },
         "File  is not a valid dBase table: field 'NAME' is declared twice"},
        {"fields running past the record", [](QByteArray& b) { put16(b, 10, 10); },
         "File  is not a valid dBase table: record length 10 disagrees with the fields, which "
         "take 15"},
        {"record longer than the fields", [](QByteArray& b) { put16(b, 10, 16); },
         "File  is not a valid dBase table: record length 16 disagrees with the fields, which "
         "take 15"},
        {"huge record count", [](QByteArray& b) { put32(b, 4, 0xFFFFFFFFu); },
         "File  is not a valid dBase table: the header counts 4294967295 records, the file "
         "holds 2"},
        {"truncated last record", [](QByteArray& b) { b.chop(3); },
         "File  is not a valid dBase table: the header counts 2 records, the file holds 1"},
        {"a number that is none", [](QByteArray& b) { b.replace(97 + 15 + 10, 3, "1x0"); },
         "File , record 2: Field 'SUM' holds '1x000', which is not a number"},
        // Numbers other readers take otherwise or not at all: the comma (GDAL reads 12345),
        // NUL padding (dbfread refuses it), a sign "+", more decimals than declared, blanks
        // after the digits.
        {"a decimal comma", [](QByteArray& b) { b[97 + 7 + 5] = ','; },
         "File , record 1: Field 'SUM' holds '12345,67', which is not a number"},
        {"NUL padding", [](QByteArray& b) { b.replace(97 + 15 + 7, 3, QByteArray(3, '\0')); },
         "File , record 2: Field 'SUM' holds '\\0\\0\\0-1.00', which is not a number"},
        {"a plus sign", [](QByteArray& b) { b.replace(97 + 15 + 7, 8, "   +1.00"); },
         "File , record 2: Field 'SUM' holds '+1.00', which is not a number"},
        {"more decimals than declared",
         [](QByteArray& b) { b.replace(97 + 15 + 7, 8, "1.000000"); },
         "File , record 2: Field 'SUM' holds '1.000000', which has more decimals than the "
         "field's 2"},
        {"blanks after the digits", [](QByteArray& b) { b.replace(97 + 15 + 7, 8, "-1.00   "); },
         "File , record 2: Field 'SUM' holds '-1.00', which is not a number"},
        {"starred overflow", [](QByteArray& b) { b.replace(97 + 7, 8, "********"); },
         "File , record 1: Field 'SUM' holds '********', which is not a number"},
        {"a deletion flag that is neither", [](QByteArray& b) { b[97 + 15] = 'X'; },
         "File , record 2: the deletion flag is 0x58, neither blank nor '*'"},
        {"an end mark as deletion flag", [](QByteArray& b) { b[97] = 0x1A; },
         "File , record 1: the deletion flag is 0x1a, neither blank nor '*'"},
        {"a record after the counted ones",
         [](QByteArray& b) { b.insert(b.size() - 1, b.mid(97, 15)); },
         "File  is not a valid dBase table: 16 bytes follow the 2 records the header counts, where "
         "at most the end mark may"},
        {"another byte in place of the end mark", [](QByteArray& b) { b.back() = '\0'; },
         "File  is not a valid dBase table: a byte other than the end mark follows the 2 records "
         "the header counts"},
        {"decimals on a text field", [](QByteArray& b) { b[32 + 17] = 1; },
         "File  is not a valid dBase table: text field 'NAME' declares 1 decimals"},
        {"a date that is none",
         [](QByteArray& b) {
             b[32 + 11] = 'D';
             b[32 + 16] = 6;
         },
         "File , record 1: Field 'NAME' holds 'abc', which is not a date"},
    };
    for (const auto& c : cases) {
        QByteArray bytes = good;
        c.spoil(bytes);
        EXPECT_EQ(refusal(bytes), c.message) << c.what;
    }
}

TEST(DbfReaderTest, LenientWhereDbaseReadersAreLenient)
{
    // A missing end mark, a blank number, deleted records, a zero date.
    QByteArray bytes = dbfBytes(twoFields, {"abc   12345.67", "gone  1", "zz    "});
    bytes[97 + 15] = '*';
    QTemporaryDir dir;
    for (const QByteArray& variant : {bytes, bytes.left(bytes.size() - 1)}) {
        writeFile(dir.path(), "OK.DBF", variant);
        dbase::Table t("T", {{"SUM", dbase::DeclaredKind::Float, 0}});
        t.open(dir.path(), "OK.DBF");
        EXPECT_EQ(t.recordCount(), 3);
        EXPECT_EQ(t.asText("NAME"), "abc");
        EXPECT_EQ(t.asFloat("SUM"), 12345.67);
        t.next(); // the deleted record is passed over
        EXPECT_EQ(t.asText("name"), "zz");
        EXPECT_EQ(t.asFloat("SUM"), 0);
        t.next();
        EXPECT_TRUE(t.eof());
        EXPECT_EQ(dbase::scanDbfImage(variant, "OK.DBF"), 2);
    }
    writeFile(dir.path(), "DATE.DBF", dbfBytes({{"WHEN", 'D', 8}}, {"00000000"}));
    dbase::Table t("T", {{"WHEN", dbase::DeclaredKind::Date, 0}});
    t.open(dir.path(), "DATE.DBF");
    EXPECT_TRUE(t.asDate("WHEN").isNull());
}

TEST(DbfReaderTest, OpeningWhatIsNoTableFile)
{
    QTemporaryDir dir;
    dbase::Table t("DA", taxformat::taxFileFields());
    const QString missing = QDir::toNativeSeparators(dir.filePath("DA000001.3"));
    EXPECT_THROW(t.open(dir.path(), "DA000001.3"), core::Error);
    try {
        t.open(dir.path(), "DA000001.3");
    } catch (const core::Error& e) {
        EXPECT_EQ(e.message(), "Cannot open file '" + missing + "': it does not exist");
    }
    QDir(dir.path()).mkdir("SUB");
    try {
        t.emptyTable(dir.path(), "SUB");
        FAIL();
    } catch (const core::Error& e) {
        EXPECT_TRUE(e.message().endsWith("': it is not a file")) << e.message().toStdString();
    }
    EXPECT_FALSE(t.isOpen());
}

TEST(DbfReaderTest, TheCommittedTemplateIsWhatTheToolMakesAndCarriesTheThirteenFields)
{
    QTemporaryDir dir;
    const QString made = dir.filePath("DA.DBF");
    QProcess tool;
    tool.start(QStringLiteral(FVT_BINARY_DIR "/bin/make-da-template"), {made});
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0);
    const QString committed = QStringLiteral(FVT_SOURCE_DIR "/demo/DA.DBF");
    EXPECT_EQ(readFile(made), readFile(committed));

    QProcess py;
    py.start(QStringLiteral(FVT_PYTHON3),
             {"-S", "-E", QStringLiteral(FVT_DBF_READER_PY), committed});
    ASSERT_TRUE(py.waitForFinished(30000));
    ASSERT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    const QJsonObject read = QJsonDocument::fromJson(py.readAllStandardOutput()).object();
    EXPECT_EQ(read["version"].toInt(), 3);
    EXPECT_EQ(read["code_page"].toInt(), 0xC9);
    EXPECT_EQ(read["count"].toInt(), 0);
    EXPECT_TRUE(read["eof_mark"].toBool());
    const QJsonArray fields = read["fields"].toArray();
    const auto decls = taxformat::taxFileFields();
    ASSERT_EQ(fields.size(), 13);
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(fields[i].toArray()[0].toString(), decls[static_cast<std::size_t>(i)].name);

    // The engine binds the declared fields to it, and the widths hold the form's extremes.
    dbase::Table t("DA", decls);
    QFile::copy(committed, dir.filePath("DA071401.3"));
    QFile::setPermissions(dir.filePath("DA071401.3"), QFile::ReadOwner | QFile::WriteOwner);
    t.open(dir.path(), "DA071401.3");
    EXPECT_EQ(taxformat::layoutDifferences(t.fields()),
              QStringList()); // the layout the run expects
    t.append();
    t.setFloat("NP", 99999);
    t.setInt("PERIOD", 4);
    t.setInt("RIK", 2009);
    t.setInt("TYP", 1);
    t.setFloat("S_DOX", 2147483647);
    t.setFloat("S_TAX", -99999999999.99);
    t.setInt("OZN_DOX", 8);
    t.setInt("OZN_PILG", -32768);
    t.setInt("OZNAKA", 0);
    t.post();
    EXPECT_EQ(t.asFloat("S_DOX"), 2147483647);
}

} // namespace
