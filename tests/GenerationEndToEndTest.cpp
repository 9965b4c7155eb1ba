// The generation run against the accounting stand-in running as its own process, over the
// real local transport, with the default templates and the demo books.

#include "app/StartUp.h"
#include "check/CheckDlg.h"
#include "dbase/Table.h"
#include "link/DdeClientConv.h"
#include "link/DdeClientItem.h"
#include "settings/SettingsSource.h"
#include "support/DefaultTemplates.h"
#include "support/DesktopLocale.h"
#include "support/RecordingMessageSink.h"
#include "support/ScopedEnvironment.h"
#include "support/StandInReady.h"
#include "taxfile/Gauge.h"
#include "taxfile/GenerationRun.h"
#include "taxfile/Report1Dlg.h"
#include "taxformat/TaxFileFields.h"
#include "taxformat/TaxFileName.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

#include <memory>

namespace {

const QString Source = QStringLiteral(FVT_SOURCE_DIR);

// Records what the run asks on its way to the real item link; can look at the dialog meanwhile.
class RecordingAsker : public ddelink::ItemAsker
{
public:
    explicit RecordingAsker(ddelink::ItemAsker& inner) : m_inner(inner) {}
    QString ask(const QString& item) override
    {
        asked << item;
        if (onAsk)
            onAsk(item);
        return m_inner.ask(item);
    }
    bool lastAskTimedOut() const override { return m_inner.lastAskTimedOut(); }
    QStringList asked;
    std::function<void(const QString&)> onAsk;

private:
    ddelink::ItemAsker& m_inner;
};

struct Record
{
    double np, sDox, sTax, oznDox, oznPilg;
    QString tin;
    QDate hired, dismissed;
};

class GenerationEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_runtime.isValid());
        m_runtimeDir.emplace("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        testsupport::putDemoSettings(m_settings);
        m_settings.set("DestinationA", m_temp.path() + "/medium/");
    }

    void TearDown() override { stopStandIn(); }

    void stopStandIn()
    {
        m_dlg.reset();
        m_item.reset();
        m_conv.reset();
        if (m_standin.state() != QProcess::NotRunning) {
            m_standin.terminate();
            if (!m_standin.waitForFinished(3000)) {
                m_standin.kill();
                m_standin.waitForFinished(3000);
            }
        }
    }

    void startStandIn(const QStringList& extra = {}, const QString& locale = QStringLiteral("C"),
                      const QString& books = Source + "/demo/books.json")
    {
        launchStandIn(extra, locale, books);
        m_conv = std::make_unique<ddelink::DdeClientConv>();
        m_item = std::make_unique<ddelink::DdeClientItem>(*m_conv);
        ASSERT_TRUE(ddelink::openLink(*m_conv, *m_item));
        m_asker = std::make_unique<RecordingAsker>(*m_item);
        openDialog();
    }

    // The accounting program's process alone; returns once it serves.
    void launchStandIn(const QStringList& extra = {}, const QString& locale = QStringLiteral("C"),
                       const QString& books = Source + "/demo/books.json")
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", m_runtime.path());
        m_standin.setProcessEnvironment(env);
        m_standin.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_standin.start(QStringLiteral(FVT_BINARY_DIR "/bin/buh-standin"),
                        QStringList{"--books", books, "--log", logPath(), "--locale", locale} +
                            extra);
        ASSERT_TRUE(m_standin.waitForStarted(5000));
        ASSERT_TRUE(testsupport::waitUntilReady(m_standin)) << "the stand-in did not come up";
    }

    void openDialog()
    {
        m_dlg = std::make_unique<taxfile::Report1Dlg>(m_settings, *m_asker);
        app::StartUp::wireReportDialog(*m_dlg, m_settings);
        m_dlg->setWorkingDirectory(Source + "/demo");
        m_dlg->setTempDirectory(m_temp.path() + '/');
        m_dlg->setLinkCheck([this] { return m_conv->isOpen(); });
        m_dlg->ZYear->setCurrentText("2008"); // the demo books' year
        m_dlg->show();
    }

    QString logPath() const { return m_temp.path() + "/standin.log"; }

    // The items of the requests the stand-in received, in order.
    QStringList requestsLogged() const
    {
        QFile f(logPath());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        QStringList items;
        static const QRegularExpression escape(QStringLiteral("\\\\x([0-9a-f]{2})"));
        for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
            if (!line.startsWith("R "))
                continue;
            QString item = line.mid(2);
            QRegularExpressionMatch m;
            while ((m = escape.match(item)).hasMatch())
                item.replace(m.capturedStart(), 4, QChar(m.captured(1).toInt(nullptr, 16)));
            items << item;
        }
        return items;
    }

    std::vector<Record> records()
    {
        m_dlg.reset(); // closing the dialog closes a table a failed run left open
        dbase::Table t("DA", taxformat::taxFileFields());
        t.open(m_temp.path() + '/', taxformat::TaxFileName());
        std::vector<Record> rows;
        for (t.first(); !t.eof(); t.next()) {
            rows.push_back({t.asFloat("NP"), t.asFloat("S_DOX"), t.asFloat("S_TAX"),
                            t.asFloat("OZN_DOX"), t.asFloat("OZN_PILG"), t.asText("TIN"),
                            t.asDate("D_PRIYN"), t.asDate("D_ZVILN")});
        }
        return rows;
    }

    QTemporaryDir m_runtime;
    std::optional<testsupport::EnvironmentVariable> m_runtimeDir;
    testsupport::DefaultLocale m_locale{QLocale::c()};
    QTemporaryDir m_temp;
    QProcess m_standin;
    settings::MapSettings m_settings;
    testsupport::RecordingMessageSink m_sink;
    std::unique_ptr<ddelink::DdeClientConv> m_conv;
    std::unique_ptr<ddelink::DdeClientItem> m_item;
    std::unique_ptr<RecordingAsker> m_asker;
    std::unique_ptr<taxfile::Report1Dlg> m_dlg;
};

} // namespace

// The same books on a desktop whose regional settings read amounts with a point and with a comma:
// the stand-in answers as the accounting program there does, and every kopeck reaches the file.
class DemoBooksOnADesktop : public GenerationEndToEndTest,
                            public ::testing::WithParamInterface<const char*>
{
};

INSTANTIATE_TEST_SUITE_P(Locales, DemoBooksOnADesktop, ::testing::Values("C", "uk_UA"));

TEST_P(DemoBooksOnADesktop, TheReturnComesRecordByRecord)
{
    testsupport::DesktopLocale desktop(GetParam());
    ASSERT_TRUE(desktop.available());
    startStandIn({}, QString::fromLatin1(GetParam()));
    QImage duringRun;
    m_asker->onAsk = [&](const QString& item) {
        if (item == "СН1:8.52")
            duringRun = m_dlg->grab().toImage();
    };
    m_dlg->Button1->click();
    ASSERT_TRUE(m_sink.errors.isEmpty()) << m_sink.errors.join("|").toStdString();
    EXPECT_FALSE(m_dlg->Button1->isEnabled());
    EXPECT_TRUE(m_dlg->Button4->isEnabled());
    EXPECT_EQ(m_dlg->findChild<check::CheckDlg*>(), nullptr); // a clean file: nothing more shown
    if (!qEnvironmentVariableIsEmpty("TAXFILE_SHOT"))
        duringRun.save(qEnvironmentVariable("TAXFILE_SHOT"));

    // Employee 1, then the order of one employee's requests as the stand-in received them.
    const QStringList first{"СН1:1.52",
                            "?((СН1:1.35=1) ИЛИ (СН1:1.35=4)\\КО70.01:1-ОБ87.01,70.01:1\\0)",
                            "?((СН1:1.35=1) ИЛИ (СН1:1.35=4)\\ОБ70.01:1,68.01\\0)",
                            "СН1:1.100",
                            "СН1:1.101",
                            "СН1:1.102",
                            "?((СН1:1.35=2) ИЛИ (СН1:1.35=3)\\КО70.01:1\\0)",
                            "?((СН1:1.35=2) ИЛИ (СН1:1.35=3)\\ОБ70.01:1,68.01\\0)",
                            "ОБ87.01,70.01:1",
                            "СН1:2.52"};
    QStringList logged = requestsLogged();
    ASSERT_FALSE(logged.isEmpty());
    EXPECT_EQ(logged.takeFirst(), "РДАТА"); // the opening request of the link
    EXPECT_EQ(logged.mid(0, first.size()), first);
    // Every item the run asked reached the accounting program, in the run's order; an empty
    // item only ends the previous warm link and requests nothing.
    QStringList nonEmpty = m_asker->asked;
    nonEmpty.removeAll(QString());
    EXPECT_EQ(logged, nonEmpty);
    EXPECT_FALSE(m_asker->asked.isEmpty());
    EXPECT_EQ(m_asker->asked.mid(3, 1), QStringList{""}); // the empty non-payment template

    const auto rows = records();
    ASSERT_EQ(rows.size(), 19u);
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(rows[i].np, double(i + 1));
    EXPECT_EQ(rows[0].tin, "2238234710");
    EXPECT_DOUBLE_EQ(rows[0].sDox, 9600);
    EXPECT_DOUBLE_EQ(rows[0].sTax, 1388.16);
    EXPECT_EQ(rows[0].oznDox, 1);
    EXPECT_EQ(rows[0].hired, QDate(1998, 6, 1));
    EXPECT_TRUE(rows[0].dismissed.isNull());
    // Employee 3: wages in row 1 and the sick-leave payment in row 3, without tax there.
    EXPECT_EQ(rows[2].tin, "2745120158");
    EXPECT_DOUBLE_EQ(rows[2].sDox, 5850);
    EXPECT_DOUBLE_EQ(rows[2].sTax, 920.91);
    EXPECT_EQ(rows[3].tin, "2745120158");
    EXPECT_EQ(rows[3].oznDox, 3);
    EXPECT_DOUBLE_EQ(rows[3].sDox, 500);
    EXPECT_DOUBLE_EQ(rows[3].sTax, 0);
    EXPECT_EQ(rows[4].oznPilg, 1); // employee 4's benefit
    double income = 0, tax = 0;
    bool sawDismissal = false, sawRow2 = false;
    for (std::size_t i = 0; i < 16; ++i) {
        income += rows[i].sDox;
        tax += rows[i].sTax;
        sawDismissal |= rows[i].dismissed == QDate(2008, 8, 15);
        sawRow2 |= rows[i].oznDox == 2 && rows[i].tin == "2542823918";
    }
    EXPECT_TRUE(sawDismissal);
    EXPECT_TRUE(sawRow2);
    EXPECT_EQ(rows[16].np, 99991);
    EXPECT_DOUBLE_EQ(rows[16].sDox, 4872123);
    EXPECT_EQ(rows[17].np, 99992);
    EXPECT_EQ(rows[18].np, 99999);
    EXPECT_NEAR(rows[18].sDox, income, 0.005);
    EXPECT_NEAR(rows[18].sTax, tax, 0.005);
    EXPECT_EQ(qRound64(rows[18].sDox * 100), 6743955); // the demo's totals, to the kopeck
    EXPECT_EQ(qRound64(rows[18].sTax * 100), 949731);

    // The screen during the run: the panel with its gauge was up.
    ASSERT_FALSE(duringRun.isNull());
    const QPoint gaugeAt(8 + 8 + 20, 192 + 32 + 14); // the left end of the bar
    EXPECT_EQ(duringRun.pixelColor(gaugeAt), QColor(Qt::black));
}

TEST_F(GenerationEndToEndTest, ARefusedIncomeItemStopsTheRunWithTheFloatMessage)
{
    startStandIn({"--refuse", "?((СН1:2.35=1) ИЛИ (СН1:2.35=4)\\КО70.01:2-ОБ87.01,70.01:2\\0)"});
    m_dlg->Button1->click();
    EXPECT_EQ(m_sink.errors, QStringList{"'' is not a valid floating point value."});
    EXPECT_TRUE(m_dlg->Button1->isEnabled());
    EXPECT_FALSE(m_dlg->Button2->isEnabled());
    EXPECT_FALSE(m_dlg->Panel1->isHidden());
    const auto rows = records();
    ASSERT_EQ(rows.size(), 1u); // employee 1's record, kept
    EXPECT_EQ(rows[0].tin, "2238234710");
}

TEST_F(GenerationEndToEndTest, ARefusedIdentificationNumberSkipsTheEmployee)
{
    m_settings.set("LastWoker", "2");
    startStandIn({"--refuse", "СН1:1.52"});
    m_dlg->Button1->click();
    EXPECT_TRUE(m_sink.errors.isEmpty()) << m_sink.errors.join("|").toStdString();
    EXPECT_EQ(m_asker->asked.value(0), "СН1:1.52");
    EXPECT_EQ(m_asker->asked.value(1), "СН1:2.52"); // nothing more for employee 1
    const auto rows = records();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].np, 1);
    EXPECT_EQ(rows[0].tin, "2514412289");
}

TEST_F(GenerationEndToEndTest, AVanishedAccountingProgramStopsTheRun)
{
    startStandIn({"--close-after", "12"});
    m_dlg->Button1->click();
    EXPECT_EQ(m_sink.errors, QStringList{taxfile::GenerationRun::linkLostText() + "."});
    EXPECT_FALSE(m_dlg->Button4->isEnabled());
    const auto rows = records();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].tin, "2238234710");
}

TEST_F(GenerationEndToEndTest, AnAccountingProgramThatCameBackIsMetAgainByTheNextRun)
{
    startStandIn();
    int failures = 0;
    auto wire = [&] {
        // As the main window does: open once more as at start-up, else say so.
        m_dlg->setLinkReopen([&] {
            if (ddelink::openLink(*m_conv, *m_item))
                return true;
            ++failures;
            return false;
        });
    };
    wire();
    m_standin.kill();
    ASSERT_TRUE(m_standin.waitForFinished(3000));

    // Found lost when the run starts: nothing is asked, nothing is written.
    m_dlg->Button1->click();
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(m_sink.errors.isEmpty()) << m_sink.errors.join('|').toStdString();
    EXPECT_TRUE(m_asker->asked.isEmpty());
    EXPECT_TRUE(m_dlg->Button1->isEnabled());
    EXPECT_TRUE(m_dlg->Panel1->isHidden());
    EXPECT_FALSE(QFileInfo::exists(m_temp.path() + "/DA071401.3"));

    // Back again: the next run, in a new dialog, talks to it.
    launchStandIn();
    openDialog();
    wire();
    m_dlg->Button1->click();
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(m_sink.errors.isEmpty()) << m_sink.errors.join('|').toStdString();
    EXPECT_TRUE(m_dlg->Button4->isEnabled());
    EXPECT_EQ(records().size(), 19u);

    // Gone again and back too slow for employee 2's number: on the conversation the run opened
    // again, a late answer still stops the run by name and is never taken as no data.
    m_standin.kill();
    ASSERT_TRUE(m_standin.waitForFinished(3000));
    launchStandIn({"--slow", "СН1:2.52", "--slow-ms", "600000"});
    openDialog();
    wire();
    m_dlg->Button1->click();
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(m_sink.errors, QStringList{taxfile::GenerationRun::noAnswerText("СН1:2.52") + "."});
    EXPECT_EQ(records().size(), 1u);
}

TEST_F(GenerationEndToEndTest, AMistypedNumberInTheBooksIsShownAfterTheRun)
{
    // Employee 5's card with two digits swapped.
    QFile demo(Source + "/demo/books.json");
    ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
    QByteArray books = demo.readAll();
    ASSERT_EQ(books.count("\"2919311572\""), 1);
    books.replace("\"2919311572\"", "\"2919311527\"");
    QFile copy(m_temp.filePath("books.json"));
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly) && copy.write(books) == books.size());
    copy.close();
    startStandIn({}, QStringLiteral("C"), copy.fileName());
    m_dlg->Button1->click();
    ASSERT_TRUE(m_sink.errors.isEmpty()) << m_sink.errors.join("|").toStdString();

    QPointer<check::CheckDlg> shown = m_dlg->findChild<check::CheckDlg*>();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->windowTitle(), "Перевірка файлу");
    EXPECT_EQ(shown->windowModality(), Qt::NonModal);
    EXPECT_TRUE(
        shown->SummaryLabel->text().contains("записано так, як відповіла бухгалтерська програма"));
    ASSERT_EQ(shown->FindingsTable->rowCount(), 1);
    auto cell = [&](int column) { return shown->FindingsTable->item(0, column)->text(); };
    EXPECT_EQ(cell(0), "Помилка");
    EXPECT_EQ(cell(1), "6"); // employee 5's one record
    EXPECT_EQ(cell(2), "2919311527");
    EXPECT_EQ(cell(3), "TIN");
    EXPECT_EQ(cell(4), "Ідентифікаційний номер працівника не проходить перевірку контрольної "
                       "цифри: найпевніше, в ньому помилка.");
    // The report dialog goes on beside it.
    EXPECT_TRUE(m_dlg->Button2->isEnabled());
    EXPECT_TRUE(m_dlg->Button4->isEnabled());

    // 4vt-check says the same of the file.
    QProcess tool;
    const QString file = m_temp.filePath(taxformat::TaxFileName());
    tool.start(QStringLiteral(FVT_BINARY_DIR "/bin/4vt-check"), {file});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(tool.readAllStandardOutput()),
              file + ": рядок 6 (NP 6), TIN 2919311527, поле TIN: помилка: " + cell(4) + "\n");

    // Esc closes the window.
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(shown, &esc);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(shown.isNull() || !shown->isVisible());
    EXPECT_TRUE(m_dlg->isVisible());
}

// A late identification number, amount or date is no "no data": the run stops at once and says
// which request went unanswered, instead of skipping the employee, failing the conversion or
// leaving the date blank. A frozen program is the same case, met at its first request. How the late
// reply is dropped when it comes is the transport's test.
TEST_F(GenerationEndToEndTest, AnUnansweredRequestStopsTheRunByName)
{
    struct Case
    {
        QString late;
        std::size_t rowsKept;
    };
    const QString income = "?((СН1:2.35=1) ИЛИ (СН1:2.35=4)\\КО70.01:2-ОБ87.01,70.01:2\\0)";
    // Answers come ten minutes late: never within the bound, however busy the machine.
    for (const Case& c :
         {Case{"СН1:2.52", 1}, Case{income, 1}, Case{"СН1:1.100", 0}, Case{"СН1:1.52", 0}}) {
        SCOPED_TRACE(c.late.toStdString());
        stopStandIn();
        m_sink.errors.clear();
        startStandIn({"--slow", c.late, "--slow-ms", "600000"});
        QElapsedTimer clock;
        clock.start();
        m_dlg->Button1->click();
        EXPECT_LT(clock.elapsed(), 4000);
        EXPECT_EQ(m_sink.errors, QStringList{taxfile::GenerationRun::noAnswerText(c.late) + "."});
        EXPECT_TRUE(m_dlg->Button1->isEnabled());
        EXPECT_FALSE(m_dlg->Button2->isEnabled());
        EXPECT_FALSE(m_dlg->Button4->isEnabled());
        EXPECT_EQ(records().size(), c.rowsKept);
    }
    EXPECT_TRUE(taxfile::GenerationRun::noAnswerText("СН1:2.52")
                    .startsWith("Програма бухгалтерського обліку не відповіла вчасно на запит "
                                "\"СН1:2.52\""));
}
