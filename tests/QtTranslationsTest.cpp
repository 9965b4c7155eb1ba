#include "app/QtTranslations.h"
#include "app/MainDlg.h"
#include "app/MessageBoxSink.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTabBar>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

namespace {

QStringList contextMenuTexts()
{
    QLineEdit edit(QStringLiteral("1234"));
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text().section(QLatin1Char('\t'), 0, 0); // without the shortcut
    return texts;
}

// The text of the one button of the message box that `show` opens.
QString buttonOfNextBox(const std::function<void()>& show)
{
    QString text;
    QTimer::singleShot(0, [&text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (box->buttons().size() == 1)
            text = box->buttons().first()->text();
        box->close();
    });
    show();
    return text;
}

class QtTranslationsTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
};

TEST_F(QtTranslationsTest, UkrainianEditMenuWhileTheProgramsOwnOkStays)
{
    const QStringList english = contextMenuTexts();
    ASSERT_TRUE(english.contains(QStringLiteral("&Copy"))) << qPrintable(english.join('|'));

    // No translation for the C locale: nothing is installed, Qt's texts stay English.
    EXPECT_FALSE(app::installQtTranslations(*qApp, QLocale::c()));
    EXPECT_EQ(contextMenuTexts(), english);

    ASSERT_TRUE(app::installQtTranslations(*qApp, QLocale(QStringLiteral("uk_UA"))));
    const QStringList ukrainian = contextMenuTexts();
    EXPECT_EQ(ukrainian, QStringList({"&Повернути", "П&овторити", "Ви&різати", "&Копіювати",
                                      "&Вставити", "Видалити", "Виділити все"}))
        << qPrintable(ukrainian.join('|'));

    // The program's own boxes keep their "OK".
    app::MessageBoxSink sink;
    EXPECT_EQ(buttonOfNextBox([&] { sink.showError(QStringLiteral("x")); }), "OK");
    EXPECT_EQ(buttonOfNextBox([&] { sink.showMessage(QStringLiteral("x")); }), "OK");
    app::MainDlg dlg;
    EXPECT_EQ(buttonOfNextBox([&] { dlg.showLinkFailure(); }), "OK");
}

// Every text of the print dialog, its options shown, speaks Ukrainian: Qt's translation and the
// program's supplement for what Qt's lacks.
TEST_F(QtTranslationsTest, ThePrintDialogSpeaksUkrainianThroughout)
{
    ASSERT_TRUE(app::installQtTranslations(*qApp, QLocale(QStringLiteral("uk_UA"))));
    QPrinter printer;
    QPrintDialog dialog(&printer);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintShowPageSize);
    // What the machine's printers say of themselves (a CUPS queue's name, description,
    // location, make and model) is theirs, in whatever language, not the dialog's.
    QStringList machine{QStringLiteral("PDF"), QStringLiteral("OK")};
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters())
        machine << info.printerName() << info.description() << info.location()
                << info.makeAndModel();
    machine.removeAll(QString());
    QStringList english;
    QTimer::singleShot(0, [&] {
        static const QRegularExpression latin(QStringLiteral("[A-Za-z]{2,}"));
        const auto look = [&](const QString& text) {
            QString words = text;
            for (const QString& own : machine)
                words.remove(own);
            if (words.contains(latin))
                english << text;
        };
        for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
            look(b->text());
        for (QLabel* l : dialog.findChildren<QLabel*>())
            look(l->text());
        for (QGroupBox* g : dialog.findChildren<QGroupBox*>())
            look(g->title());
        for (QTabBar* t : dialog.findChildren<QTabBar*>())
            for (int i = 0; i < t->count(); ++i)
                look(t->tabText(i));
        dialog.reject();
    });
    dialog.exec();
    EXPECT_TRUE(english.isEmpty()) << qPrintable(english.join('|'));
}

} // namespace
