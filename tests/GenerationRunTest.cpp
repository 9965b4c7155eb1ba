#include "taxfile/GenerationRun.h"
#include "core/Error.h"
#include "dbase/Table.h"
#include "settings/SettingsSource.h"
#include "support/FakeAsker.h"
#include "support/RecordingMessageSink.h"
#include "support/RunSettings.h"
#include "support/ScopedEnvironment.h"
#include "support/TaxTemplate.h"
#include "taxfile/CopyRoutine.h"
#include "taxfile/GaugeModel.h"
#include "taxformat/TaxFileFields.h"
#include "taxformat/TaxFileName.h"

#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <cstdio>

namespace {

using testsupport::FakeAsker;

class FakeProgress : public taxfile::RunProgress
{
public:
    void setPanelVisible(bool visible) override { panelVisible = visible; }
    void setGaugeRange(int minimum, int maximum) override
    {
        gauge.setMinValue(minimum);
        gauge.setMaxValue(maximum);
    }
    void setGaugePosition(int position) override
    {
        gauge.setProgress(position);
        positions.push_back(position);
    }
    bool panelVisible = false;
    taxfile::GaugeModel gauge;
    std::vector<int> positions;
};

struct Row
{
    double np = 0;
    double period = 0, rik = 0, typ = 0, oznDox = 0, oznPilg = 0, oznaka = 0;
    QString kod, tin;
    double sDox = 0, sTax = 0;
    QDate hired, dismissed;
    QString oznakaText;
};

class GenerationRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testsupport::writeTaxTemplate(m_work.path() + "/DA.DBF"));
        testsupport::setFirmSettings(m_settings);
        m_choices.nperiod = "1";
        m_choices.zyear = "2001";
        m_choices.wuser = 0;
        m_choices.kwartal = 2;
        taxformat::TaxFileName().clear();
    }

    taxfile::GenerationRun::Outcome run() { return runFor().outcome; }

    taxfile::GenerationRun::Result runFor()
    {
        taxfile::GenerationRun r(m_settings, m_asker, m_table, m_progress);
        r.setWorkingDirectory(m_work.path());
        r.setTempDirectory(m_temp.path() + '/');
        r.setLinkCheck(m_linkCheck);
        r.setLinkReopen(m_linkReopen);
        return r.run(m_choices);
    }

    QString runError()
    {
        try {
            run();
        } catch (const core::Error& e) {
            return e.message();
        }
        return QStringLiteral("<no error>");
    }

    QString taxFilePath() const { return m_temp.path() + "/DA071401.3"; }

    // Every record of the tax file, read through a table of its own.
    std::vector<Row> records()
    {
        if (m_table.isOpen())
            m_table.close();
        dbase::Table t("DA", taxformat::taxFileFields());
        t.open(m_temp.path() + '/', "DA071401.3");
        std::vector<Row> rows;
        for (t.first(); !t.eof(); t.next()) {
            Row r;
            r.np = t.asFloat("NP");
            r.period = t.asFloat("PERIOD");
            r.rik = t.asFloat("RIK");
            r.kod = t.asText("KOD");
            r.typ = t.asFloat("TYP");
            r.tin = t.asText("TIN");
            r.sDox = t.asFloat("S_DOX");
            r.sTax = t.asFloat("S_TAX");
            r.oznDox = t.asFloat("OZN_DOX");
            r.hired = t.asDate("D_PRIYN");
            r.dismissed = t.asDate("D_ZVILN");
            r.oznPilg = t.asFloat("OZN_PILG");
            r.oznaka = t.asFloat("OZNAKA");
            r.oznakaText = t.asText("OZNAKA");
            rows.push_back(r);
        }
        return rows;
    }

    void setRow(int row, const QString& f, const QString& fp, const QString& nw, const QString& pp)
    {
        m_settings.set(QStringLiteral("f%1").arg(row), f);
        m_settings.set(QStringLiteral("fp%1").arg(row), fp);
        m_settings.set(QStringLiteral("nw%1").arg(row), nw);
        m_settings.set(QStringLiteral("pp%1").arg(row), pp);
    }

    testsupport::DefaultLocale m_locale{QLocale::c()};
    QTemporaryDir m_work;
    QTemporaryDir m_temp;
    settings::MapSettings m_settings;
    FakeAsker m_asker;
    FakeProgress m_progress;
    dbase::Table m_table{"DA", taxformat::taxFileFields()};
    taxformat::RunChoices m_choices;
    std::function<bool()> m_linkCheck;
    std::function<bool()> m_linkReopen;
    testsupport::RecordingMessageSink m_sink;
};

QStringList emptyRows(int from)
{
    QStringList items;
    for (int row = from; row <= 8; ++row)
        items << ""
              << ""
              << "";
    return items;
}

} // namespace

TEST_F(GenerationRunTest, OneEmployeeIsAskedInTheFixedOrderAndWrittenField_by_field)
{
    m_settings.set("FirstWoker", "5");
    m_settings.set("LastWoker", "5");
    setRow(1, "I&", "X&", "", "P&");
    setRow(3, "R&", "", "", "");
    m_asker.answers = {
        {"T5", "123456789012"}, {"I5", "1000.5"}, {"X5", "150.07"}, {"H5", "01032001abc"},
        {"Z5", "0103200"},      {"P5", "12"},     {"R5", "0"}};
    m_choices.wuser = 1;
    m_choices.kwartal = 1;

    const taxfile::GenerationRun::Result result = runFor();
    EXPECT_EQ(result.outcome, taxfile::GenerationRun::Outcome::Finished);

    QStringList expected{"T5", "I5", "X5", "", "H5", "Z5", "P5", "", "", "", "R5", "", ""};
    expected << emptyRows(4);
    EXPECT_EQ(m_asker.asked, expected);
    // The run's name, and the process-wide one the same.
    EXPECT_EQ(result.fileName, "DA071401.2");
    EXPECT_EQ(taxformat::TaxFileName(), "DA071401.2");
    EXPECT_FALSE(m_progress.panelVisible);
    EXPECT_FALSE(m_table.isOpen());
}

TEST_F(GenerationRunTest, RecordsCarryTheAnswersAndTheServiceRecordsFollow)
{
    m_settings.set("LastWoker", "2");
    setRow(1, "I&", "X&", "", "P&");
    m_asker.answers = {{"T1", "123456789012"},
                       {"I1", "1000.5"},
                       {"X1", "150.07"},
                       {"H1", "01032001abc"},
                       {"Z1", "0103200"},
                       {"P1", "12"},
                       {"T2", "2222"},
                       {"I2", "-10"},
                       {"X2", "0"},
                       {"P2", "0"}};
    ASSERT_EQ(run(), taxfile::GenerationRun::Outcome::Finished);

    const auto rows = records();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].np, 1);
    EXPECT_EQ(rows[0].period, 3);
    EXPECT_EQ(rows[0].rik, 2001);
    EXPECT_EQ(rows[0].kod, "12345678");
    EXPECT_EQ(rows[0].typ, 0);
    EXPECT_EQ(rows[0].tin, "1234567890"); // cut to the field's ten characters
    EXPECT_DOUBLE_EQ(rows[0].sDox, 1000.5);
    EXPECT_DOUBLE_EQ(rows[0].sTax, 150.07);
    EXPECT_EQ(rows[0].oznDox, 1);
    EXPECT_EQ(rows[0].hired, QDate(2001, 3, 1));
    EXPECT_TRUE(rows[0].dismissed.isNull()); // a 7-character answer carries no date
    EXPECT_EQ(rows[0].oznPilg, 12);
    EXPECT_EQ(rows[0].oznakaText, "0");

    // The second employee continues the numbering; a negative income is written.
    EXPECT_EQ(rows[1].np, 2);
    EXPECT_EQ(rows[1].tin, "2222");
    EXPECT_DOUBLE_EQ(rows[1].sDox, -10);

    EXPECT_EQ(rows[2].np, 99991);
    EXPECT_EQ(rows[2].tin, "1111111111");
    EXPECT_DOUBLE_EQ(rows[2].sDox, 2345678);
    EXPECT_EQ(rows[2].oznakaText, "");
    EXPECT_EQ(rows[2].period, 3);
    EXPECT_EQ(rows[3].np, 99992);
    EXPECT_EQ(rows[3].tin, "2222222222");
    EXPECT_DOUBLE_EQ(rows[3].sDox, 3456789);
    EXPECT_EQ(rows[4].np, 99999);
    EXPECT_EQ(rows[4].tin, "");
    EXPECT_DOUBLE_EQ(rows[4].sDox, 990.5);
    EXPECT_DOUBLE_EQ(rows[4].sTax, 150.07);
    EXPECT_EQ(rows[4].kod, "12345678");
}

TEST_F(GenerationRunTest, NoEmployeesLeavesOnlyTheServiceRecords)
{
    m_settings.set("FirstWoker", "10");
    m_settings.set("LastWoker", "9");
    ASSERT_EQ(run(), taxfile::GenerationRun::Outcome::Finished);
    EXPECT_TRUE(m_asker.asked.isEmpty());
    const auto rows = records();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].np, 99991);
    EXPECT_EQ(rows[1].np, 99992);
    EXPECT_EQ(rows[2].np, 99999);
    EXPECT_EQ(rows[2].sDox, 0);
    EXPECT_EQ(rows[2].sTax, 0);
    EXPECT_EQ(m_progress.gauge.maxValue(), 9);
}

TEST_F(GenerationRunTest, TotalsAreExactToTheKopeck)
{
    // A thousand equal large incomes: summed as binary fractions they come to 159.99, a kopeck
    // short, and the totals would disagree with the records they add up.
    m_settings.set("LastWoker", "1000");
    setRow(1, "I", "X", "", "");
    m_asker.answers = {{"I", "526061936.16"}, {"X", "68388051.70"}};
    for (int employee = 1; employee <= 1000; ++employee)
        m_asker.answers.insert(QStringLiteral("T%1").arg(employee), "2238234710");
    ASSERT_EQ(run(), taxfile::GenerationRun::Outcome::Finished);
    const auto rows = records();
    ASSERT_EQ(rows.size(), 1003u);
    EXPECT_EQ(rows.back().sDox, 526061936160.0);
    EXPECT_EQ(rows.back().sTax, 68388051700.0);
}

TEST_F(GenerationRunTest, TheRecordRuleAndEmptyAnswers)
{
    m_settings.set("LastWoker", "6");
    setRow(1, "I&", "X&", "N&", "");
    m_settings.set("FormWoker", "T&");
    // A row is written when its income or its tax is not 0 or its non-payment mark is 1, each
    // alone: 1: no number, skipped; 2: non-payment 1 writes zeros; 3: non-payment 2 writes
    // nothing; 4: everything 0; 5: a tax alone; 6: an income alone.
    m_asker.answers = {{"T2", "22"}, {"I2", "0"},  {"X2", "0"},  {"N2", "1"},  {"T3", "33"},
                       {"I3", "0"},  {"X3", "0"},  {"N3", "2"},  {"T4", "44"}, {"I4", " 0 "},
                       {"X4", "0"},  {"N4", "0"},  {"T5", "55"}, {"I5", "0"},  {"X5", "7"},
                       {"N5", "0"},  {"T6", "66"}, {"I6", "5"},  {"X6", "0"},  {"N6", "0"}};
    ASSERT_EQ(run(), taxfile::GenerationRun::Outcome::Finished);

    EXPECT_EQ(m_asker.asked.mid(0, 2), (QStringList{"T1", "T2"})); // nothing more for 1
    const auto rows = records();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].tin, "22");
    EXPECT_EQ(rows[0].sDox, 0);
    EXPECT_EQ(rows[0].sTax, 0);
    EXPECT_EQ(rows[0].oznPilg, 0); // no benefit template, nothing asked
    EXPECT_EQ(rows[1].tin, "55");
    EXPECT_EQ(rows[1].sTax, 7);
    EXPECT_EQ(rows[2].tin, "66");
    EXPECT_EQ(rows[2].sDox, 5);
    EXPECT_EQ(rows[3].np, 99991);
    EXPECT_FALSE(m_asker.asked.contains("P2"));
    EXPECT_EQ(m_progress.positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

TEST_F(GenerationRunTest, AmountsFollowTheDecimalSeparator)
{
    setRow(1, "I&", "", "", "");
    m_asker.answers = {{"T1", "11"}, {"I1", " 1234.50 "}};
    ASSERT_EQ(run(), taxfile::GenerationRun::Outcome::Finished);
    EXPECT_DOUBLE_EQ(records()[0].sDox, 1234.5);

    const testsupport::DefaultLocale uk(QLocale("uk_UA"));
    EXPECT_EQ(runError(), "' 1234.50 ' is not a valid floating point value");
    m_asker.answers["I1"] = "1234,50";
    m_table.close();
    EXPECT_EQ(runError(), "<no error>");
    EXPECT_DOUBLE_EQ(records()[0].sDox, 1234.5);
}

TEST_F(GenerationRunTest, AFailureHalfWayKeepsWhatWasStored)
{
    m_settings.set("LastWoker", "3");
    setRow(1, "I&", "", "", "P&");
    setRow(2, "J&", "", "", "");
    m_asker.answers = {{"T1", "11"}, {"I1", "5"}, {"P1", "1"}, {"J1", "6"},
                       {"T2", "22"}, {"I2", "7"}, {"P2", "x"}, {"J2", "8"}};
    EXPECT_EQ(runError(), "'x' is not a valid integer value");
    EXPECT_EQ(taxformat::TaxFileName(), "DA071401.3");
    EXPECT_TRUE(m_progress.panelVisible);
    EXPECT_TRUE(m_table.isOpen());
    EXPECT_EQ(m_asker.asked.last(), "P2"); // nothing was asked after the failure

    // An empty answer to an income template stops a run just as well.
    m_asker.answers["P2"] = "2";
    m_asker.answers.remove("J2");
    EXPECT_EQ(runError(), "'' is not a valid floating point value");

    const auto rows = records();
    ASSERT_EQ(rows.size(), 3u); // employee 1's two rows and employee 2's first, no more
    EXPECT_EQ(rows[0].sDox, 5);
    EXPECT_EQ(rows[1].sDox, 6);
    EXPECT_EQ(rows[2].np, 3);
    EXPECT_EQ(rows[2].sDox, 7);
}

TEST_F(GenerationRunTest, DatesNeedElevenCharactersThatMakeADate)
{
    setRow(1, "I&", "", "", "");
    m_asker.answers = {{"T1", "11"}, {"I1", "5"}, {"H1", "0103200100"}, {"Z1", "31122003   "}};
    ASSERT_EQ(run(), taxfile::GenerationRun::Outcome::Finished);
    auto rows = records();
    EXPECT_TRUE(rows[0].hired.isNull());
    EXPECT_EQ(rows[0].dismissed, QDate(2003, 12, 31));

    m_asker.answers["H1"] = "32132001abc";
    EXPECT_EQ(runError(), "'32.13.2001' is not a valid date");
    EXPECT_EQ(records().size(), 0u);
}

TEST_F(GenerationRunTest, BadSettingsAndRangesStopTheRun)
{
    m_settings.set("LastWoker", "-1");
    EXPECT_EQ(runError(), "Value must be between 1 and 2147483647");
    EXPECT_TRUE(m_progress.panelVisible);
    EXPECT_TRUE(m_asker.asked.isEmpty());

    m_settings.set("LastWoker", "abc");
    EXPECT_EQ(runError(), "'abc' is not a valid integer value");

    m_settings.set("LastWoker", "0");
    m_settings.set("TellBoss", "12-34");
    EXPECT_EQ(runError(), "'12-34' is not a valid integer value");

    m_settings.set("TellBoss", "1");
    m_choices.zyear = "20x1";
    EXPECT_EQ(runError(), "'20x1' is not a valid integer value");
    m_choices.zyear = "2001";

    m_settings.set("LastWoker", "1");
    setRow(1, "I&", "", "", "P&");
    m_asker.answers = {{"T1", "11"}, {"I1", "5"}, {"P1", "40000"}};
    const QString message = runError();
    EXPECT_TRUE(message.contains("OZN_PILG")) << message.toStdString();

    m_settings.set("CodPod", "../x");
    EXPECT_THROW(run(), core::Error);
    EXPECT_EQ(taxformat::TaxFileName(), "DA071401.3"); // the refused name was never taken
}

TEST_F(GenerationRunTest, MissingTemplateChangesNothing)
{
    ASSERT_TRUE(QFile::remove(m_work.path() + "/DA.DBF"));
    taxformat::TaxFileName() = "DA000001.1";
    EXPECT_EQ(run(), taxfile::GenerationRun::Outcome::NoTemplate);
    EXPECT_EQ(m_sink.plain, QStringList{"Програма не може знайти файлобраз DA.DBF або невірний "
                                        "період розрахунків"});
    EXPECT_EQ(taxformat::TaxFileName(), "DA000001.1");
    EXPECT_FALSE(m_progress.panelVisible);
    EXPECT_TRUE(m_asker.asked.isEmpty());
}

TEST_F(GenerationRunTest, ATemplateLaidOutOtherwiseIsNamedBeforeAnyRecordIsWritten)
{
    // Amounts without kopecks bind as floating fields all the same, and would be rounded.
    auto fields = testsupport::taxTemplateFields();
    fields[6].decimals = 0; // S_DOX
    fields[0].width = 6;    // NP
    ASSERT_TRUE(testsupport::writeTaxTemplate(m_work.path() + "/DA.DBF", 0, fields));
    int recordsAtWarning = -1;
    m_sink.onMessage = [&](const QString&) {
        dbase::Table t("DA", taxformat::taxFileFields());
        t.open(m_temp.path() + '/', "DA071401.3", dbase::Table::OpenMode::ReadOnly);
        recordsAtWarning = t.recordCount();
    };
    ASSERT_EQ(run(), taxfile::GenerationRun::Outcome::Finished);
    EXPECT_EQ(m_sink.plain, QStringList{taxfile::GenerationRun::templateLayoutText(
                                {"NP: N 6.0 замість N 5.0", "S_DOX: N 15.0 замість N 15.2"})});
    EXPECT_EQ(recordsAtWarning, 0);
}

// What stops a run before it could leave a file that looks finished: a template that is no
// table (named as DA.DBF, not as the copy), a temporary folder that is not there, employee
// records that would run into the service records' numbers.
TEST_F(GenerationRunTest, ARunThatCannotBeWholeStopsWithItsReason)
{
    ASSERT_TRUE(QFile::remove(m_work.path() + "/DA.DBF"));
    QFile garbage(m_work.path() + "/DA.DBF");
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("no table at all, but long enough for a header......");
    garbage.close();
    QString message = runError();
    EXPECT_TRUE(message.contains("DA.DBF")) << message.toStdString();
    EXPECT_FALSE(message.contains("DA071401.3")) << message.toStdString();
    ASSERT_TRUE(testsupport::writeTaxTemplate(m_work.path() + "/DA.DBF"));

    taxfile::GenerationRun missingTemp(m_settings, m_asker, m_table, m_progress);
    missingTemp.setWorkingDirectory(m_work.path());
    missingTemp.setTempDirectory(m_temp.path() + "/gone/");
    try {
        missingTemp.run(m_choices);
        ADD_FAILURE() << "the run went on without its folder";
    } catch (const core::Error& e) {
        EXPECT_EQ(e.message(),
                  taxfile::GenerationRun::missingTempDirectoryText(m_temp.path() + "/gone/"));
    }
    EXPECT_TRUE(m_asker.asked.isEmpty());
    {
        // The folder the system names when TMPDIR names one that is not there.
        const testsupport::EnvironmentVariable tmpdir("TMPDIR",
                                                      QFile::encodeName(m_temp.path() + "/gone"));
        EXPECT_EQ(taxformat::tempDirectory(), m_temp.path() + "/gone/");
    }

    // 12 499 employees of 8 rows make 99 992 employee records: the last two would be numbered
    // as the director and the chief accountant.
    m_settings.set("LastWoker", "12499");
    m_settings.set("FormWoker", "T");
    for (int row = 1; row <= 8; ++row)
        setRow(row, "I", "", "", "");
    m_asker.answers = {{"T", "11"}, {"I", "5"}};
    EXPECT_EQ(runError(), taxfile::GenerationRun::tooManyRecordsText());
    EXPECT_EQ(m_table.recordCount(), 99990);
    EXPECT_TRUE(m_progress.panelVisible); // not finished
}

// In a temporary folder others may write to, someone may put a file of their own under the tax
// file's name: the printed form, the check and the upload, which open it again by its name,
// then refuse it rather than read forged rows or hand them in.
TEST_F(GenerationRunTest, TheFileIsMetAgainByNameOnlyWhileItIsTheOneWritten)
{
    setRow(1, "I&", "", "", "");
    m_asker.answers = {{"T1", "11"}, {"I1", "5"}};
    ASSERT_EQ(run(), taxfile::GenerationRun::Outcome::Finished);
    EXPECT_EQ(records().size(), 4u);
    ASSERT_TRUE(QFile::copy(taxFilePath(), taxFilePath() + ".forged"));
    ASSERT_EQ(::rename(QFile::encodeName(taxFilePath() + ".forged").constData(),
                       QFile::encodeName(taxFilePath()).constData()),
              0);
    EXPECT_THROW(records(), core::Error);
    EXPECT_THROW(taxfile::copyFile(taxFilePath(), m_temp.path() + "/copy"), core::Error);
    EXPECT_FALSE(QFile::exists(m_temp.path() + "/copy"));
    // A new run's file is met again as before.
    ASSERT_EQ(run(), taxfile::GenerationRun::Outcome::Finished);
    EXPECT_EQ(records().size(), 4u);
}

TEST_F(GenerationRunTest, TemplateRecordsAndAFailedRunNeverReachTheNewFile)
{
    ASSERT_TRUE(testsupport::writeTaxTemplate(m_work.path() + "/DA.DBF", 3));
    setRow(1, "I&", "", "", "");
    m_asker.answers = {{"T1", "11"}, {"I1", "bad"}};
    EXPECT_THROW(run(), core::Error);
    ASSERT_TRUE(m_table.isOpen());

    // A second run in the same dialog, on the file the failed run left open.
    m_asker.answers["I1"] = "5";
    ASSERT_EQ(run(), taxfile::GenerationRun::Outcome::Finished);
    const auto rows = records();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].np, 1);
    EXPECT_EQ(rows[3].np, 99999);
    EXPECT_EQ(rows[3].sDox, 5);
}

TEST_F(GenerationRunTest, AnUnansweredAskIsNamedByTheItemLeftWaiting)
{
    // Row 1's income is I1; its tax has no template, so that empty ask only ends the warm link
    // on I1.
    setRow(1, "I&", "", "", "");
    m_asker.answers = {{"T1", "11"}, {"I1", "5"}};
    m_asker.timesOut = [](const QString& item) { return item.isEmpty(); };
    EXPECT_EQ(runError(), taxfile::GenerationRun::noAnswerText("I1"));
    m_asker.timesOut = [](const QString& item) { return item == "T1"; };
    EXPECT_EQ(runError(), taxfile::GenerationRun::noAnswerText("T1"));
}

TEST_F(GenerationRunTest, ALostConversationStopsTheRunInsteadOfSkippingEveryone)
{
    m_settings.set("LastWoker", "3");
    setRow(1, "I&", "", "", "");
    m_asker.answers = {{"T1", "11"}, {"I1", "5"}, {"T2", "22"}, {"I2", "6"}, {"T3", "33"}};
    bool alive = true;
    m_asker.onAsk = [&](const QString& item) {
        if (item == "T2")
            alive = false; // the accounting program went away: this and later answers are empty
    };
    m_linkCheck = [&] { return alive; };
    EXPECT_EQ(runError(), taxfile::GenerationRun::linkLostText());
    EXPECT_EQ(m_asker.asked.last(), "T2");
    const auto rows = records();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].tin, "11");
}

// A conversation found lost when the run starts is opened once more where the run can; the run
// goes on only when that brings it back, and otherwise writes nothing.
TEST_F(GenerationRunTest, ALinkLostBeforeTheRunIsOpenedOnceMore)
{
    using Outcome = taxfile::GenerationRun::Outcome;
    struct Case
    {
        const char* what;
        bool canReopen; // a reopen is given
        bool reopens;
        Outcome outcome;
    };
    for (const Case& c : {Case{"no reopen", false, false, Outcome::NoLink},
                          Case{"reopen fails", true, false, Outcome::NoLink},
                          Case{"reopen succeeds", true, true, Outcome::Finished}}) {
        SCOPED_TRACE(c.what);
        bool alive = false;
        int reopened = 0;
        m_linkCheck = [&] { return alive; };
        m_linkReopen = nullptr;
        if (c.canReopen)
            m_linkReopen = [&] {
                ++reopened;
                return alive = c.reopens;
            };
        QFile::remove(taxFilePath());
        EXPECT_EQ(run(), c.outcome);
        EXPECT_EQ(reopened, c.canReopen ? 1 : 0);
        EXPECT_EQ(QFileInfo::exists(taxFilePath()), c.outcome == Outcome::Finished);
    }
}
