#include "bands/ReportLayout.h"
#include "core/Error.h"
#include "report/PreviewWindow.h"
#include "report/ReportFill.h"
#include "report/Zvit1Dlg.h"
#include "settings/SettingsSource.h"
#include "support/DbfTestFile.h"
#include "support/HostileEnvironment.h"
#include "support/OpenFiles.h"
#include "support/PdfWords.h"
#include "support/ScopedEnvironment.h"
#include "support/TaxFileBuilder.h"

#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using testsupport::PdfWord;

// Where a word of the form must stand: its page, and its left edge (or, for a centred item,
// its middle) and top in millimetres from the sheet's corner. Edges are exact to 0.1 mm, finer
// than a frame (0.35 mm); tops to 0.5 mm, as the reader takes them from the font's ascent.
struct Expected
{
    const char* text;
    int page;
    double x;
    double top;
    bool centred = false;
};

constexpr double Title = 10;
constexpr double Header1 = Title + 120.65;
constexpr double Detail1 = Header1 + 20.37;
constexpr double Header2 = 10;
constexpr double Detail2 = Header2 + 20.37;
constexpr double Line = 4.23;
constexpr double Summary = Detail2 + 8 * Line; // after the 8 lines of page 2
constexpr double Footer = 280.65;
constexpr double Frame = 25.4 / 72;

// 35 employees and the three service lines: 30 lines on page 1, 8 and the summary on page 2.
const Expected form[] = {
    // After three blanks of Arial 10 pt, 0.278 em each.
    {"Відмітка", 1, 10 + 3 * 0.278 * 10 * 25.4 / 72, Title + 0.0},
    {"ЗАТВЕРДЖЕНО", 1, 10 + 116.7, Title + 2.1},
    {"Зареестровано", 1, 10 + 116.7, Title + 2.1 + 6 * 4.1, false},
    {"12345678", 1, 10 + 1.9 + 46.8 / 2, Title + 11.9, true},
    {"(ідентифікаційний", 1, 10 + 2.1, Title + 19.1},
    {"Форма", 1, 10 + 116.2, Title + 38.1},
    {"4ВТ", 1, 0, Title + 38.1},
    {"ДОВІДКА", 1, 10 + 81.2, Title + 46.3},
    {"про", 1, 10 + 31.5, Title + 52.9},
    {"ДПІ", 1, 0, Title + 70.4},
    {"квартал", 1, 0, Title + 81.0},
    {"1999р.", 1, 0, Title + 81.0},
    {"за___________________________________", 1, 10 + 65.6, Title + 83.1},
    {"02345678", 1, 10 + 1.9 + 46.8 / 2, Title + 88.1, true},
    {"Працювало", 1, 10 + 2.1, Title + 106.4},
    {"3", 1, 10 + 54.2, Title + 106.4},
    {"Працювало", 1, 10 + 2.1, Title + 112.7},
    {"2", 1, 10 + 54.2, Title + 112.7},
    {"ПОРЦІЯ", 1, 10 + 80.2, Title + 112.7},
    {"(заповнюється", 1, 10 + 120.4, Title + 112.7},
    {"№", 1, 0, Header1 + 1.1},
    {"Ідентифікаційний", 1, 10 + 6.3 + Frame, Header1 + 1.1},
    {"Ідентифікаційний", 2, 10 + 6.3 + Frame, Header2 + 1.1},
    {"Сума", 2, 0, Header2 + 1.1},
    {"Дата", 2, 0, Header2 + 1.1},
    {"прийняття", 2, 10 + 121.2 + Frame, Header2 + 5.3},
    {"8", 2, 0, Header2 + 15.1},
    {"1", 1, 10 + 0.5 + 6.1 / 2, Detail1, true},
    {"1000000001", 1, 10 + 6.3 + 38.1 / 2, Detail1, true},
    {"1001,5", 1, 10 + 44.5 + 30.4 / 2, Detail1, true},
    {"101", 1, 10 + 74.1 + 32.5 / 2, Detail1, true},
    {"02.01.1999", 1, 10 + 120.9 + 15.3 / 2, Detail1, true},
    {"30", 1, 10 + 0.5 + 6.1 / 2, Detail1 + 29 * Line, true},
    {"31", 2, 10 + 0.5 + 6.1 / 2, Detail2, true},
    {"35", 2, 10 + 0.5 + 6.1 / 2, Detail2 + 4 * Line, true},
    // The totals line: column 3 and 4 carry the sums.
    {"35647,5", 2, 10 + 44.5 + 30.4 / 2, Detail2 + 7 * Line, true},
    {"4130", 2, 10 + 74.1 + 32.5 / 2, Detail2 + 7 * Line, true},
    {"Кількість", 2, 10 + 0.0, Summary + 8.5},
    {"рядків", 2, 0, Summary + 8.5},
    {"35", 2, 10 + 30.7, Summary + 8.7},
    {"5", 2, 10 + 104.5, Summary + 7.7},
    {"Керівник", 2, 10 + 0.0, Summary + 14.8},
    {"1111111111", 2, 10 + 38.1 + 33.3 / 2, Summary + 14.8, true},
    {"Петренко", 2, 10 + 104.8, Summary + 16.7},
    {"2-34-56", 2, 10 + 138.6, Summary + 16.7},
    {"Головний", 2, 10 + 0.0, Summary + 34.9},
    {"Іваненко", 2, 10 + 104.8, Summary + 33.6},
    {"М.П.", 2, 10 + 0.0, Summary + 39.4},
    {"Фізична", 2, 10 + 2.1, Summary + 50.0},
    {"Сторінка", 1, 10 + 158.5, Footer + 1.3},
    {"1", 1, 10 + 175.4, Footer + 1.3},
    {"Сторінка", 2, 10 + 158.5, Footer + 1.3},
    {"2", 2, 10 + 175.4, Footer + 1.3},
};

class ReportPdfTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        testsupport::writeTaxFile(s_dir->path(), "DA071401.3", testsupport::taxReturn(35));
        settings::MapSettings settings;
        const char* values[][2] = {{"Edrpou1", "12345678"},  {"NameFirm", "ТОВ «Зоря»"},
                                   {"NamePodat", "ДПІ"},     {"codpp1", "02345678"},
                                   {"codk1", "1111111111"},  {"codb1", "2222222222"},
                                   {"NameBoss", "Петренко"}, {"NameShief", "Іваненко"},
                                   {"TellBoss", "2-34-56"},  {"TellShief", "2-34-57"}};
        for (const auto& v : values)
            settings.set(QString::fromUtf8(v[0]), QString::fromUtf8(v[1]));
        taxformat::RunChoices choices;
        choices.zyear = "1999";
        choices.edit1 = "3";
        choices.edit2 = "2";

        const testsupport::DefaultLocale uk(QLocale(QLocale::Ukrainian, QLocale::Ukraine));
        report::Zvit1Dlg form;
        form.openTable(s_dir->path() + '/', "DA071401.3");
        report::fillReport(form.QuickRep1, settings, choices);
        const bands::ReportLayout layout(form.QuickRep1, form.source());
        s_pdf = s_dir->filePath("form.pdf");
        report::PreviewWindow preview(layout, "DA071401.3");
        preview.writePdf(s_pdf);
        s_text = new testsupport::PdfText(testsupport::readPdfWords(s_pdf));
    }
    static void TearDownTestSuite()
    {
        delete s_text;
        delete s_dir;
    }

    static std::vector<PdfWord> words(const QString& text, int page)
    {
        std::vector<PdfWord> w;
        for (const PdfWord& word : s_text->words) {
            if (word.text == text && word.page == page)
                w.push_back(word);
        }
        return w;
    }

    static inline QTemporaryDir* s_dir = nullptr;
    static inline QString s_pdf;
    static inline testsupport::PdfText* s_text = nullptr;
};

TEST_F(ReportPdfTest, EveryTextOfTheFormStandsAtItsPlace)
{
    ASSERT_TRUE(s_text->error.isEmpty()) << s_text->error.toStdString();
    for (const Expected& e : form) {
        const QString text = QString::fromUtf8(e.text);
        bool found = false;
        QString seen;
        for (const PdfWord& w : words(text, e.page)) {
            const double x = e.centred ? (w.left + w.right) / 2 : w.left;
            const bool xOk = e.x == 0 || std::abs(x - e.x) <= 0.1;
            found = found || (xOk && std::abs(w.top - e.top) <= 0.5);
            seen += QStringLiteral(" (%1, %2)").arg(x, 0, 'f', 2).arg(w.top, 0, 'f', 2);
        }
        EXPECT_TRUE(found) << e.text << " on page " << e.page << " at (" << e.x << ", " << e.top
                           << "); seen at" << seen.toStdString();
    }
}

TEST_F(ReportPdfTest, ServiceLinesAreCrossesAndTheSheetIsA4WithItsFontsEmbedded)
{
    ASSERT_TRUE(s_text->error.isEmpty());
    // Director and chief accountant: eight crosses each; the totals line six.
    const double rows[] = {Detail2 + 5 * Line, Detail2 + 6 * Line, Detail2 + 7 * Line};
    const int expected[] = {8, 8, 6};
    for (int r = 0; r < 3; ++r) {
        int crosses = 0;
        for (const PdfWord& w : words("X", 2))
            crosses += std::abs(w.top - rows[r]) <= 0.5;
        EXPECT_EQ(crosses, expected[r]) << "line " << r;
    }
    EXPECT_TRUE(words("X", 1).empty());
    EXPECT_NEAR(s_text->pageWidth, 210, 0.5);
    EXPECT_NEAR(s_text->pageHeight, 297, 0.5);
    const auto fonts = testsupport::pdfFonts(s_pdf);
    ASSERT_FALSE(fonts.empty());
    for (const auto& [name, embedded] : fonts)
        EXPECT_TRUE(embedded) << name.toStdString();
}

// The PDF goes into place as the tax file's copies do: a link planted at the chosen name is
// replaced, never written through, and another user's file there is never touched. The form
// itself opens the tax file for reading only.
// A disk with 12 KiB left takes the first part of the form and refuses the rest: the save says
// so, and the good PDF saved there before stays as it was.
TEST_F(ReportPdfTest, ASaveCutShortByAFullDiskKeepsTheEarlierPdf)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("form.pdf");
    ASSERT_TRUE(QFile::copy(s_pdf, path));
    const QByteArray earlier = testsupport::readFile(path);
    report::Zvit1Dlg form;
    form.openTable(s_dir->path() + '/', "DA071401.3");
    const bands::ReportLayout layout(form.QuickRep1, form.source());
    const report::PreviewWindow preview(layout, "DA071401.3");
    QString message = "<saved>";
    {
        const testsupport::FileSizeLimit fullDisk(12288);
        ASSERT_TRUE(fullDisk.set());
        try {
            preview.writePdf(path);
        } catch (const core::Error& e) {
            message = e.message();
        }
    }
    EXPECT_TRUE(message.startsWith(QStringLiteral("Не вдалося записати файл «%1»: ").arg(path)))
        << message.toStdString();
    EXPECT_EQ(testsupport::readFile(path), earlier);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"form.pdf"});
}

TEST_F(ReportPdfTest, TheSaveNeverWritesThroughALinkNorOverAnotherUsersFile)
{
    QTemporaryDir dir;
    report::Zvit1Dlg form;
    form.openTable(s_dir->path() + '/', "DA071401.3");
    // The printed form only reads the tax file.
    EXPECT_EQ(testsupport::openAccessMode(s_dir->filePath("DA071401.3")), O_RDONLY);
    taxformat::RunChoices choices;
    choices.edit1 = choices.edit2 = "0";
    report::fillReport(form.QuickRep1, settings::MapSettings(), choices);
    const bands::ReportLayout layout(form.QuickRep1, form.source());
    report::PreviewWindow preview(layout, "DA071401.3");

    testsupport::writeFile(dir.path(), "books", "the user's books");
    ASSERT_TRUE(QFile::link(dir.filePath("books"), dir.filePath("form.pdf")));
    preview.writePdf(dir.filePath("form.pdf"));
    EXPECT_EQ(testsupport::readFile(dir.filePath("books")), "the user's books");
    EXPECT_FALSE(QFileInfo(dir.filePath("form.pdf")).isSymbolicLink());
    EXPECT_TRUE(testsupport::readFile(dir.filePath("form.pdf")).startsWith("%PDF"));
    EXPECT_EQ(testsupport::modeOf(dir.filePath("form.pdf")), 0600u);

    if (!testsupport::isRoot())
        GTEST_SKIP() << "acting as a second user needs root (setpriv)";
    // A folder everybody may write, without the sticky bit that would protect the file.
    const QString shared = dir.filePath("shared");
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 0777), 0);
    ASSERT_TRUE(testsupport::runAsOtherUser({"touch", shared + "/form.pdf"}));
    ASSERT_TRUE(
        testsupport::runAsOtherUser({"ln", "-s", dir.filePath("books"), shared + "/l.pdf"}));
    for (const char* name : {"form.pdf", "l.pdf"}) {
        const QString path = shared + '/' + name;
        try {
            preview.writePdf(path);
            ADD_FAILURE() << name << " was written";
        } catch (const core::Error& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Не вдалося записати файл «%1»: там уже є файл "
                                                  "іншого користувача")
                                       .arg(path));
        }
    }
    // Their link to a folder of theirs, on the way to the file.
    ASSERT_TRUE(testsupport::runAsOtherUser({"mkdir", "-m", "777", shared + "/theirs"}));
    ASSERT_TRUE(testsupport::runAsOtherUser({"ln", "-s", shared + "/theirs", shared + "/via"}));
    try {
        preview.writePdf(shared + "/via/form.pdf");
        ADD_FAILURE() << "written through their link";
    } catch (const core::Error& e) {
        EXPECT_TRUE(e.message().endsWith("«" + shared + "/via» — посилання іншого користувача"))
            << e.message().toStdString();
    }
    EXPECT_TRUE(
        QDir(shared + "/theirs")
            .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_EQ(testsupport::readFile(shared + "/form.pdf"), "");
    EXPECT_TRUE(QFileInfo(shared + "/l.pdf").isSymbolicLink());
    EXPECT_EQ(QDir(shared).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

} // namespace
