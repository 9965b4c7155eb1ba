#include "settings/OptionsDlg.h"
#include "settings/CheckDigitMark.h"
#include "settings/DestinationMark.h"
#include "settings/FieldTable.h"
#include "settings/QSettingsStore.h"
#include "support/FitChecks.h"
#include "support/FormTable.h"
#include "support/HostileEnvironment.h"
#include "support/RecordingMessageSink.h"
#include "support/TempSettingsHome.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <memory>

using settings::OptionsDlg;

namespace {

struct Expected
{
    const char* name;
    int x, y, width, height, maxLength;
};

// The designed layout, page by page.
const Expected kRequisites[] = {
    {"Edrpou1", 288, 8, 97, 24, 10},      {"pdw1", 288, 48, 97, 24, 10},
    {"codpp1", 288, 88, 81, 24, 8},       {"NameBoss", 288, 120, 257, 24, 0},
    {"codk1", 288, 152, 97, 24, 10},      {"TellBoss", 288, 184, 121, 24, 12},
    {"NameShief", 288, 216, 257, 24, 0},  {"codb1", 288, 248, 89, 24, 10},
    {"TellShief", 288, 280, 121, 24, 12}, {"NameFirm", 288, 315, 257, 24, 0},
    {"NamePodat", 288, 347, 257, 24, 0},  {"CodRegion", 288, 384, 33, 24, 2},
    {"CodPod", 288, 416, 33, 24, 2},
};
const Expected kLink[] = {
    {"FirstWoker", 240, 0, 41, 21, 4},     {"LastWoker", 312, 0, 41, 21, 4},
    {"FormWoker", 288, 32, 113, 21, 0},    {"IndNumber", 288, 64, 73, 21, 0},
    {"InWoker", 288, 96, 73, 21, 0},       {"Edit1", 288, 136, 73, 21, 0},
    {"DestinationA", 288, 168, 73, 21, 0},
};

class OptionsDlgTest : public ::testing::Test
{
protected:
    std::unique_ptr<OptionsDlg> start()
    {
        m_store = std::make_unique<settings::QSettingsStore>();
        return std::make_unique<OptionsDlg>(*m_store);
    }
    static QLineEdit* edit(OptionsDlg& dlg, const char* name)
    {
        auto* found = dlg.findChild<QLineEdit*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static void press(QWidget* target, int key, const QString& text = QString())
    {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &up);
    }

    testsupport::TempSettingsHome m_home;
    testsupport::RecordingMessageSink m_sink;
    std::unique_ptr<settings::QSettingsStore> m_store;
};

void expectField(OptionsDlg& dlg, QWidget* page, const Expected& e)
{
    auto* field = dlg.findChild<QLineEdit*>(QString::fromLatin1(e.name));
    ASSERT_NE(field, nullptr) << e.name;
    EXPECT_EQ(field->parentWidget(), page) << e.name;
    EXPECT_EQ(field->geometry(), QRect(e.x, e.y, e.width, e.height)) << e.name;
    EXPECT_EQ(field->maxLength(), e.maxLength ? e.maxLength : 32767) << e.name;
    EXPECT_TRUE(field->isEnabled() && !field->isReadOnly()) << e.name;
    EXPECT_NE(field->validator(), nullptr) << e.name;
}

QString labelOf(OptionsDlg& dlg, const char* field)
{
    auto* label = dlg.findChild<QLabel*>(QStringLiteral("Label_") + QString::fromLatin1(field));
    return label ? label->text() : QStringLiteral("<no label>");
}

int labelX(OptionsDlg& dlg, const QString& field)
{
    auto* label = dlg.findChild<QLabel*>(QStringLiteral("Label_") + field);
    return label ? label->x() : -1;
}

// The page's fields in the order Tab reaches them, from the widget tree.
QStringList tabWalk(OptionsDlg& dlg, QWidget* page)
{
    QStringList order;
    QWidget* w = &dlg;
    do {
        w = w->nextInFocusChain();
        if (auto* field = qobject_cast<QLineEdit*>(w); field && field->parentWidget() == page)
            order << field->objectName();
    } while (w != &dlg);
    return order;
}

} // namespace

TEST_F(OptionsDlgTest, LayoutIsAsDesigned)
{
    auto dlg = start();
    EXPECT_EQ(dlg->PageControl1, nullptr) << "the pages are built when first shown";
    dlg->makeWidgets();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Настройки"));
    EXPECT_EQ(dlg->size(), QSize(OptionsDlg::kClientWidth, OptionsDlg::kClientHeight));
    EXPECT_TRUE(dlg->windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_NE(dlg->minimumSize(), dlg->maximumSize());
    EXPECT_EQ(dlg->font().pixelSize(), 11);

    QTabWidget* pages = dlg->PageControl1;
    EXPECT_EQ(pages->objectName(), QStringLiteral("PageControl1"));
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->widget(0)->objectName(), QStringLiteral("TabSheet1"));
    EXPECT_EQ(pages->widget(1)->objectName(), QStringLiteral("TabSheet2"));
    EXPECT_EQ(pages->widget(2)->objectName(), QStringLiteral("TabSheet3"));
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Реквізити"));
    EXPECT_EQ(pages->tabText(1), QString::fromUtf8("\u041f\u0430\u0440\u0430\u043c\u0435\u0442"
                                                   "\u0440\u0438 1\u0421"));
    EXPECT_EQ(pages->currentIndex(), 1);

    EXPECT_EQ(dlg->Button1->text(), QString::fromUtf8("\u041e\u041a"));
    for (QPushButton* button : {dlg->Button1, dlg->Button2})
        EXPECT_FALSE(button->isDefault() || button->autoDefault())
            << button->objectName().toStdString();

    for (const Expected& e : kRequisites) {
        expectField(*dlg, dlg->TabSheet1, e);
        QLineEdit* field = edit(*dlg, e.name);
        EXPECT_TRUE(field->font().bold()) << e.name;
        EXPECT_EQ(field->font().pixelSize(), 13) << e.name;
        EXPECT_EQ(labelX(*dlg, QString::fromLatin1(e.name)), 8) << e.name;
    }
    for (const Expected& e : kLink) {
        expectField(*dlg, dlg->TabSheet2, e);
        EXPECT_FALSE(edit(*dlg, e.name)->font().bold()) << e.name;
    }
    EXPECT_EQ(labelX(*dlg, QStringLiteral("FirstWoker")), 0);
    EXPECT_EQ(labelX(*dlg, QStringLiteral("LastWoker")), 288);
    for (int row = 1; row <= 8; ++row) {
        const QByteArray f = "f" + QByteArray::number(row), nw = "nw" + QByteArray::number(row),
                         fp = "fp" + QByteArray::number(row), pp = "pp" + QByteArray::number(row);
        const int upper = (row - 1) * 24, lower = 192 + (row - 1) * 24;
        expectField(*dlg, dlg->TabSheet3, {f.constData(), 240, upper, 177, 21, 0});
        expectField(*dlg, dlg->TabSheet3, {nw.constData(), 488, upper, 65, 21, 0});
        expectField(*dlg, dlg->TabSheet3, {fp.constData(), 240, lower, 177, 21, 0});
        expectField(*dlg, dlg->TabSheet3, {pp.constData(), 464, lower, 73, 21, 0});
        EXPECT_EQ(labelOf(*dlg, f.constData()),
                  QStringLiteral("Формула \"Сума виплаченого доходу 0%1\"").arg(row));
        EXPECT_EQ(labelOf(*dlg, fp.constData()),
                  QStringLiteral("Формула \"Сума утриманого податку 0%1\"").arg(row));
        EXPECT_EQ(labelOf(*dlg, nw.constData()), QStringLiteral("Невиплата"));
        EXPECT_EQ(labelOf(*dlg, pp.constData()), QStringLiteral("Пільги"));
        EXPECT_EQ(labelX(*dlg, QString::fromLatin1(nw)), 424);
        EXPECT_EQ(labelX(*dlg, QString::fromLatin1(pp)), 424);
        EXPECT_EQ(labelX(*dlg, QString::fromLatin1(f)), 0);
    }

    // Labels whose blanks are easy to lose.
    EXPECT_EQ(labelOf(*dlg, "Edrpou1"),
              QStringLiteral("Ідентифікаційний код за  ЄДРПОУ або\nреєстраційний(обліковий) "
                             "номер платника податків"));
    EXPECT_EQ(labelOf(*dlg, "TellBoss"), QStringLiteral("Телефон  керівника (цифрами)"));
    EXPECT_EQ(labelOf(*dlg, "codb1"), QStringLiteral("Ідентифікаційний номер  гол. бухгалтера"));
    EXPECT_EQ(labelOf(*dlg, "CodPod"), QStringLiteral("Код органу державної податкової служби,\n"
                                                      "куди подається довідка (2 - цифри)"));
    EXPECT_EQ(labelOf(*dlg, "FirstWoker"), QStringLiteral("Інтервал номерів працівників") +
                                               QString(16, u' ') + QStringLiteral("від"));
    EXPECT_EQ(labelOf(*dlg, "LastWoker"), QStringLiteral("до"));
    EXPECT_EQ(labelOf(*dlg, "FormWoker"),
              QStringLiteral("Формула для визначення ідентифікаційного номера "));

    // No label runs into its field, nor is it narrowed to keep out of it; a field with a limit
    // shows as many digits as it takes.
    for (QLabel* label : dlg->findChildren<QLabel*>()) {
        const QString field = label->objectName().mid(6);
        QLineEdit* own = dlg->findChild<QLineEdit*>(field);
        ASSERT_NE(own, nullptr) << label->objectName().toStdString();
        EXPECT_LE(label->geometry().right(), own->x()) << field.toStdString();
        EXPECT_TRUE(testsupport::unsqueezed(label->font())) << field.toStdString();
        if (own->maxLength() < 100) {
            EXPECT_TRUE(testsupport::showsWhole(own, testsupport::widestDigits(own->maxLength())))
                << field.toStdString();
        }
    }
}

TEST_F(OptionsDlgTest, TabWalksEachPageInItsOrder)
{
    auto dlg = start();
    dlg->makeWidgets();
    dlg->show();
    testsupport::expectAsInTable(dlg.get(),
                                 QSize(OptionsDlg::kClientWidth, OptionsDlg::kClientHeight),
                                 OptionsDlg::formItems());
    EXPECT_EQ(
        tabWalk(*dlg, dlg->TabSheet1),
        (QStringList{"Edrpou1", "pdw1", "codpp1", "codk1", "NameBoss", "TellBoss", "codb1",
                     "NameShief", "TellShief", "NameFirm", "NamePodat", "CodRegion", "CodPod"}));
    EXPECT_EQ(tabWalk(*dlg, dlg->TabSheet2),
              (QStringList{"FirstWoker", "IndNumber", "InWoker", "LastWoker", "FormWoker", "Edit1",
                           "DestinationA"}));
    EXPECT_EQ(
        tabWalk(*dlg, dlg->TabSheet3),
        (QStringList{"f1",  "f2",  "f3",  "f4",  "fp3", "f5",  "f6",  "f7",  "f8",  "fp1", "fp2",
                     "fp4", "fp5", "fp6", "fp7", "fp8", "pp1", "pp2", "pp3", "pp4", "pp5", "pp6",
                     "pp7", "pp8", "nw1", "nw2", "nw3", "nw4", "nw5", "nw6", "nw7", "nw8"}));
}

TEST_F(OptionsDlgTest, FirstStartShowsTheDefaultsAndMakesTheStore)
{
    auto dlg = start();
    EXPECT_TRUE(QFileInfo::exists(m_home.storeFile()));
    EXPECT_TRUE(m_home.storedNames().isEmpty());
    EXPECT_EQ(dlg->text("FirstWoker"), QStringLiteral("1"));
    EXPECT_EQ(dlg->text("LastWoker"), QStringLiteral("15"));
    EXPECT_EQ(dlg->text("DestinationA"), QStringLiteral("A:\\"));
    EXPECT_EQ(dlg->text("TellBoss"), QStringLiteral("0"));
    EXPECT_EQ(dlg->text("TellShief"), QStringLiteral("0"));
    EXPECT_EQ(dlg->text("FormWoker"), QStringLiteral("СН1:&.52"));
    EXPECT_EQ(dlg->text("IndNumber"), QStringLiteral("СН1:&.100"));
    EXPECT_EQ(dlg->text("InWoker"), QStringLiteral("СН1:&.101"));
    EXPECT_EQ(dlg->text("Edit1"), QStringLiteral("СН 1:&.35"));
    EXPECT_EQ(dlg->text("f1"),
              QStringLiteral("?((СН1:&.35=1) ИЛИ (СН1:&.35=4)\\КО70.01:&-ОБ87.01,70.01:&\\0)"));
    EXPECT_EQ(dlg->text("f2"), QStringLiteral("?((СН1:&.35=2) ИЛИ (СН1:&.35=3)\\КО70.01:&\\0)"));
    EXPECT_EQ(dlg->text("f3"), QStringLiteral("ОБ87.01,70.01:&"));
    EXPECT_EQ(dlg->text("fp1"),
              QStringLiteral("?((СН1:&.35=1) ИЛИ (СН1:&.35=4)\\ОБ70.01:&,68.01\\0)"));
    EXPECT_EQ(dlg->text("fp2"),
              QStringLiteral("?((СН1:&.35=2) ИЛИ (СН1:&.35=3)\\ОБ70.01:&,68.01\\0)"));
    EXPECT_EQ(dlg->text("pp1"), QStringLiteral("СН1:&.102"));
    for (const char* empty :
         {"Edrpou1", "pdw1", "codpp1", "NameBoss", "codk1", "NameShief", "codb1", "NameFirm",
          "NamePodat", "CodRegion", "CodPod", "f4", "f8", "fp3", "fp8", "pp2", "pp8", "nw1", "nw8"})
        EXPECT_EQ(dlg->text(empty), QString()) << empty;
    EXPECT_EQ(dlg->text("NoSuchField"), QString());
    EXPECT_TRUE(m_sink.errors.isEmpty() && m_sink.plain.isEmpty());
}

TEST_F(OptionsDlgTest, OkStoresEverythingAndTheNextStartShowsIt)
{
    {
        auto dlg = start();
        dlg->show();
        edit(*dlg, "Edrpou1")->setText(QStringLiteral("  123456  "));
        edit(*dlg, "NameFirm")->setText(QStringLiteral("ТОВ \"Ромашка\""));
        edit(*dlg, "f1")->setText(QString());
        edit(*dlg, "LastWoker")->setText(QStringLiteral("40"));
        edit(*dlg, "FormWoker")->setText(QStringLiteral("СН1:&.53"));
        edit(*dlg, "Edit1")->setText(QStringLiteral("x"));
        dlg->Button1->click();
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_TRUE(m_sink.errors.isEmpty()) << m_sink.errors.join("|").toStdString();
        // Only the stored copy is trimmed; what this run reads keeps the blanks.
        EXPECT_EQ(dlg->text("Edrpou1"), QStringLiteral("  123456  "));
        EXPECT_EQ(dlg->text("FormWoker"), QStringLiteral("СН1:&.53"));
    }
    EXPECT_EQ(m_home.storedNames().size(), 58);
    EXPECT_EQ(m_home.stored("Edrpou1_Text"), QStringLiteral("123456"));
    EXPECT_EQ(m_home.stored("f1_Text"), QString());

    auto next = start();
    EXPECT_EQ(next->text("Edrpou1"), QStringLiteral("123456"));
    EXPECT_EQ(next->text("NameFirm"), QStringLiteral("ТОВ \"Ромашка\""));
    EXPECT_EQ(next->text("f1"), QString());
    EXPECT_EQ(next->text("LastWoker"), QStringLiteral("40"));
    EXPECT_EQ(next->text("FormWoker"), QStringLiteral("СН1:&.52"));
    EXPECT_EQ(next->text("Edit1"), QStringLiteral("СН 1:&.35"));

    // "ОК" without a change still rewrites every value.
    m_home.writeStore("[Options]\nf2_Text=hand-written\n");
    next->show();
    next->Button1->click();
    EXPECT_EQ(m_home.storedNames().size(), 58);
    EXPECT_EQ(m_home.stored("f2_Text"), next->text("f2"));
}

TEST_F(OptionsDlgTest, CancelAndTheCloseBoxKeepTheEditForThisRunOnly)
{
    {
        auto dlg = start();
        dlg->show();
        edit(*dlg, "CodRegion")->setText(QStringLiteral("26"));
        dlg->Button2->click();
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(dlg->text("CodRegion"), QStringLiteral("26"));

        dlg->show();
        EXPECT_EQ(edit(*dlg, "CodRegion")->text(), QStringLiteral("26"));
        edit(*dlg, "CodPod")->setText(QStringLiteral("07"));
        dlg->close();
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(dlg->text("CodPod"), QStringLiteral("07"));
    }
    EXPECT_TRUE(m_home.storedNames().isEmpty());
    auto next = start();
    EXPECT_EQ(next->text("CodRegion"), QString());
    EXPECT_EQ(next->text("CodPod"), QString());
}

TEST_F(OptionsDlgTest, EnterAndEscPressNothing)
{
    auto dlg = start();
    dlg->show();
    QLineEdit* field = edit(*dlg, "FirstWoker");
    field->setFocus();
    press(field, Qt::Key_Return);
    press(field, Qt::Key_Enter);
    press(field, Qt::Key_Escape);
    press(dlg->Button1, Qt::Key_Return);
    press(dlg->Button2, Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), 0);
    EXPECT_TRUE(m_home.storedNames().isEmpty());
    dlg->Button2->click();
}

TEST_F(OptionsDlgTest, AStoreThatCannotBeWrittenKeepsTheDialogOpen)
{
    auto dlg = start();
    dlg->show();
    dlg->Button1->click();
    const QByteArray before = m_home.storeBytes();
    ASSERT_FALSE(before.isEmpty());

    dlg->show();
    edit(*dlg, "NameBoss")->setText(QString(3000, QChar(u'Ш')));
    {
        // The file system refuses to let the store grow.
        const testsupport::FileSizeLimit limit(before.size() + 100);
        ASSERT_TRUE(limit.set());
        dlg->Button1->click();
    }

    EXPECT_EQ(m_sink.errors, QStringList{"Failed to set data for 'Flags'"});
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(m_home.storeBytes(), before);
    EXPECT_EQ(dlg->text("NameBoss").size(), 3000);

    // Once the store can be written again, the same "ОК" goes through.
    dlg->Button1->click();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(m_home.stored("NameBoss_Text").toString().size(), 3000);
}

TEST_F(OptionsDlgTest, StoredTextsAreShownWholeAndTypingKeepsTheLimit)
{
    m_home.writeStore("[Options]\nCodRegion_Text=12345\nCodPod_Text=\" 07 \"\nf3_Text=a, b\n");
    auto dlg = start();
    EXPECT_EQ(dlg->text("CodRegion"), QStringLiteral("12345"));
    EXPECT_EQ(dlg->text("CodPod"), QStringLiteral("07"));
    EXPECT_EQ(dlg->text("f3"), QStringLiteral("ОБ87.01,70.01:&"));
    QHash<QString, QString> loaded;
    for (const settings::FieldDef& def : settings::FieldTable::fields())
        loaded.insert(def.name, dlg->text(def.name));

    // The fields, built at the first showing, hold what was read before.
    dlg->show();
    for (auto it = loaded.cbegin(); it != loaded.cend(); ++it) {
        EXPECT_EQ(edit(*dlg, it.key().toLatin1().constData())->text(), it.value())
            << it.key().toStdString();
        EXPECT_EQ(dlg->text(it.key()), it.value()) << it.key().toStdString();
    }
    QLineEdit* pod = edit(*dlg, "CodPod");
    pod->setFocus();
    pod->end(false);
    press(pod, Qt::Key_unknown, QStringLiteral("9"));
    EXPECT_EQ(pod->text(), QStringLiteral("07"));
    press(pod, Qt::Key_unknown, QStringLiteral("漢"));
    EXPECT_EQ(pod->text(), QStringLiteral("07"));
    dlg->Button2->click();
}

TEST_F(OptionsDlgTest, ComesBackWhereItWasWithTheLastPage)
{
    auto dlg = start();
    dlg->show();
    const QRect available = dlg->screen()->availableGeometry();
    QRect outer(0, 0, OptionsDlg::kOuterWidth, OptionsDlg::kOuterHeight);
    outer.moveCenter(available.center());
    EXPECT_EQ(dlg->pos(), outer.topLeft());
    EXPECT_EQ(dlg->PageControl1->currentIndex(), 1);

    dlg->PageControl1->setCurrentIndex(2);
    dlg->move(20, 30);
    dlg->resize(600, 520);
    dlg->Button2->click();
    dlg->show();
    EXPECT_EQ(dlg->pos(), QPoint(20, 30));
    EXPECT_EQ(dlg->size(), QSize(600, 520));
    EXPECT_EQ(dlg->PageControl1->currentIndex(), 2);
    dlg->close();
}

TEST_F(OptionsDlgTest, ACodeThatFailsItsCheckDigitIsMarkedAndStillSaved)
{
    auto dlg = start();
    dlg->show();
    struct Case
    {
        const char* field;
        const char* bad;
        const char* good;
    };
    const Case cases[] = {
        {"Edrpou1", "32855962", "32855961"}, {"pdw1", "2238234711", "АБ123456"},
        {"codpp1", "0003212", "00032129"},   {"codk1", "22382347I0", "2238234710"},
        {"codb1", "2514412298", ""},
    };
    for (const Case& c : cases) {
        QLineEdit* field = edit(*dlg, c.field);
        auto* mark = dlg->findChild<settings::CheckDigitMark*>(QString(c.field) + "Mark");
        ASSERT_NE(mark, nullptr) << c.field;
        field->setText(QString::fromUtf8(c.good));
        EXPECT_TRUE(mark->isHidden()) << c.field;
        EXPECT_EQ(field->toolTip(), QString()) << c.field;
        // Typed key by key: every character is taken.
        field->clear();
        for (const QChar ch : QString::fromUtf8(c.bad))
            press(field, ch.isDigit() ? Qt::Key_0 + ch.digitValue() : Qt::Key_A, QString(ch));
        EXPECT_EQ(field->text(), QString::fromUtf8(c.bad));
        EXPECT_FALSE(mark->isHidden()) << c.field;
        EXPECT_EQ(field->toolTip(), mark->toolTip()) << c.field;
        EXPECT_TRUE(mark->toolTip().contains("Текст буде збережено так, як його введено."));
        // The warning icon, asked for only when a mark is first painted, is there.
        const QImage drawn = mark->grab().toImage();
        int marked = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                marked += drawn.pixelColor(x, y) != dlg->palette().color(QPalette::Window);
        EXPECT_GT(marked, drawn.width() * drawn.height() / 4) << c.field;
    }
    // Judged as the file will carry it: a no-break space after a code that passes alone, and a
    // pasted leading blank for which the field's length leaves out the last digit.
    const std::pair<const char*, QString> written[] = {
        {"codk1", "223823471" + QString(QChar(0x00A0))},
        {"Edrpou1", "32855961" + QString(QChar(0x00A0))},
    };
    for (const auto& [name, text] : written) {
        QLineEdit* field = edit(*dlg, name);
        field->setText(text);
        EXPECT_FALSE(dlg->findChild<settings::CheckDigitMark*>(QString(name) + "Mark")->isHidden())
            << name;
    }
    QLineEdit* codk1 = edit(*dlg, "codk1");
    codk1->clear();
    codk1->insert(" 2238234710");
    EXPECT_EQ(codk1->text(), " 223823471");
    EXPECT_FALSE(dlg->findChild<settings::CheckDigitMark*>("codk1Mark")->isHidden());
    for (const Case& c : cases)
        edit(*dlg, c.field)->setText(QString::fromUtf8(c.bad));
    EXPECT_EQ(dlg->findChildren<settings::CheckDigitMark*>().size(), 5);
    dlg->Button1->click();
    EXPECT_FALSE(dlg->isVisible());
    for (const Case& c : cases)
        EXPECT_EQ(m_home.stored(QString(c.field) + "_Text"), QString::fromUtf8(c.bad));
}

// The upload path: marked when the file would not land in the folder it seems to name, with the
// full path the file gets in the mark's tooltip and the whole text in the field's; saved as
// typed, like every setting.
TEST_F(OptionsDlgTest, AnUploadPathThatMissesItsFolderIsMarkedWithTheFullPath)
{
    auto dlg = start();
    QString name = QStringLiteral("DA071401.3");
    dlg->setUploadFileName([&name] { return name; });
    dlg->show();
    QLineEdit* field = edit(*dlg, "DestinationA");
    auto* mark = dlg->findChild<settings::DestinationMark*>("DestinationAMark");
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->geometry().left(), field->geometry().right() + 5);
    const QString home = QDir::homePath();
    struct Case
    {
        QString text;
        bool marked;
        QString target; // in the mark's tooltip
    };
    const Case cases[] = {
        {"A:\\", true, "A:\\DA071401.3"}, // the default: no drives here
        {"C:\\TAX", true, "C:\\TAXDA071401.3"},
        {"/media/usb", true, "/media/usbDA071401.3"},
        {"~/Документи", true, home + "/ДокументиDA071401.3"},
        {"rel", true, QDir::current().absoluteFilePath("relDA071401.3")},
        {"/media/usb/", false, ""},
        {"~/", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        field->setText(c.text);
        EXPECT_EQ(mark->isHidden(), !c.marked);
        EXPECT_EQ(field->toolTip().isEmpty(), c.text.isEmpty());
        EXPECT_TRUE(field->toolTip().contains(c.text.toHtmlEscaped()));
        if (c.marked) {
            EXPECT_TRUE(mark->toolTip().contains(c.target.toHtmlEscaped()))
                << mark->toolTip().toStdString();
        }
    }
    // The name is asked when the tooltip is wanted: a run since the text changed shows.
    field->setText("/media/usb");
    name = QStringLiteral("DA071402.4");
    QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), mark->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(mark, &tip);
    EXPECT_TRUE(mark->toolTip().contains("/media/usbDA071402.4"));
    // Without a name yet, a placeholder stands for it.
    name.clear();
    field->setText("/media/stick");
    EXPECT_TRUE(mark->toolTip().contains("/media/stick&lt;ім'я файла&gt;"));
    dlg->Button1->click();
    EXPECT_EQ(m_home.stored("DestinationA_Text"), "/media/stick");
}
