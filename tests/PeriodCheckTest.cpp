#include "report/PeriodCheck.h"
#include "bands/ReportLayout.h"
#include "report/PreviewWindow.h"
#include "report/PrintReturn.h"
#include "settings/SettingsSource.h"
#include "support/RecordingMessageSink.h"
#include "support/TaxFileBuilder.h"

#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The dialog's quarter and year against a file made for quarter III of 2008, and what the
// bookkeeper answers when they differ.
struct Case
{
    int kwartal;
    const char* zyear;
    bool asked;
    bool goOn;
};

class PeriodCheckTest : public ::testing::TestWithParam<Case>
{
};

TEST_P(PeriodCheckTest, AnotherPeriodThanTheFilesIsAskedAboutFirst)
{
    const Case c = GetParam();
    QTemporaryDir dir;
    testsupport::writeTaxFile(dir.path(), "DA071401.3", testsupport::soundReturn());
    testsupport::RecordingMessageSink sink;
    sink.answer = c.goOn;
    QString period;
    report::setPreviewObserver([&](report::PreviewWindow* p) {
        period = p->layout().definition().item("QRLabel12")->text;
        QTimer::singleShot(0, p, &QWidget::close);
    });
    taxformat::RunChoices choices;
    choices.kwartal = c.kwartal;
    choices.zyear = c.zyear;
    choices.edit1 = choices.edit2 = "0";
    report::printReturn(settings::MapSettings(), choices, dir.path() + '/', "DA071401.3", nullptr);
    report::setPreviewObserver(nullptr);

    const QString chosen = report::periodText(c.kwartal, c.zyear);
    if (c.asked) {
        EXPECT_EQ(sink.questions,
                  QStringList{"Файл DA071401.3 сформовано за 3 квартал 2008р., а у вікні вибрано " +
                              chosen +
                              " Звіт буде надруковано за період, вибраний у вікні. "
                              "Продовжити?"});
    } else {
        EXPECT_TRUE(sink.questions.isEmpty());
    }
    // The form keeps the dialog's period; stopping shows no preview.
    EXPECT_EQ(period, c.goOn || !c.asked ? chosen : QString());
    EXPECT_TRUE(sink.errors.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Periods, PeriodCheckTest,
    ::testing::Values(Case{2, "2008", false, false}, Case{2, " 2008", false, false},
                      Case{3, "2009", true, false}, Case{3, "2009", true, true},
                      Case{2, "2009", true, false}, Case{0, "2008", true, true},
                      Case{2, "08", true, false}));

} // namespace
