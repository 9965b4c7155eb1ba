#include "app/StartUp.h"

#include "app/InstanceGuard.h"
#include "app/MainDlg.h"
#include "app/MessageBoxSink.h"
#include "app/QtTranslations.h"
#include "app/TitleDlg.h"
#include "check/CheckDlg.h"
#include "core/Error.h"
#include "core/Messages.h"
#include "report/PrintReturn.h"
#include "settings/OptionsDlg.h"
#include "taxfile/Report1Dlg.h"
#include "taxformat/RunChoices.h"
#include "taxformat/TaxFileName.h"

#ifndef _WIN32
#include "app/WineLink.h"
#include "settings/LinkSettings.h"

#endif

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QLocale>

#include <memory>

namespace app {

namespace {

int runFirstCopy(QApplication& application, InstanceGuard& guard)
{
    // The splash does not hold the start-up until the window system has it on screen: the events
    // let through between the steps paint it as soon as it is there.
    auto splash = std::make_unique<TitleDlg>();
    splash->show();
    const auto paintSplash = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };

    QCoreApplication::setApplicationName(QStringLiteral("4vt"));

#ifdef _WIN32
    MainDlg mainDlg;
#else
    // A Windows accounting program under Wine is reached through the bridge into its prefix.
    const QString winePrefix = settings::LinkSettings::winePrefix();
    std::unique_ptr<ddelink::WineBridgeTransport> bridge;
    ddelink::WineBridgeTransport* bridgeLink = nullptr;
    if (!winePrefix.isEmpty()) {
        bridge = WineLink::transport(winePrefix);
        bridgeLink = bridge.get();
    }
    MainDlg mainDlg(nullptr, std::move(bridge));
    if (bridgeLink)
        WineLink::wire(mainDlg, *bridgeLink, winePrefix);
#endif
    paintSplash();
    // Loads the stored settings; lives, hidden between showings, as long as the main window.
    settings::OptionsDlg optionsDlg(&mainDlg);
    // The path shown beside DestinationA ends with the last tax file's name, or before any run
    // with the name the report dialog's first choices would give.
    optionsDlg.setUploadFileName([&optionsDlg] {
        if (!taxformat::TaxFileName().isEmpty())
            return taxformat::TaxFileName();
        const taxformat::RunChoices first;
        try {
            return taxformat::buildTaxFileName(optionsDlg.text(QStringLiteral("CodRegion")),
                                               optionsDlg.text(QStringLiteral("CodPod")),
                                               QStringLiteral("1"), first.kwartal);
        } catch (const core::Error&) {
            return QString(); // codes that cannot make a name: the path shows a placeholder
        }
    });
    paintSplash();
    mainDlg.showOptions = [&optionsDlg] { optionsDlg.exec(); };
    mainDlg.showReport = [&mainDlg, &optionsDlg] {
        taxfile::Report1Dlg dialog(optionsDlg, mainDlg.DdeClientItem1, &mainDlg);
        dialog.setLinkCheck([&mainDlg] { return mainDlg.DdeClientConv1.isOpen(); });
        dialog.setLinkReopen([&mainDlg] { return mainDlg.reopenLink(); });
        StartUp::wireReportDialog(dialog, optionsDlg);
        dialog.exec();
    };
    guard.listen(&mainDlg);
    splash.reset();
    mainDlg.show();
    return application.exec();
}

} // namespace

void StartUp::wireReportDialog(taxfile::Report1Dlg& dialog,
                               const settings::SettingsSource& settings)
{
    dialog.setFileCheck([&dialog](const QString& path) { check::showFileCheck(&dialog, path); });
    dialog.setPrinting([&dialog, &settings](const taxformat::RunChoices& choices,
                                            const QString& dir, const QString& fileName) {
        report::printReturn(settings, choices, dir, fileName, &dialog);
    });
}

int StartUp::run(int argc, char** argv)
{
#ifndef _WIN32
    WineLink::takePrefixOption(argc, argv);
#endif
    InstanceGuard guard;
    if (!guard.failure().isEmpty()) {
        // Nothing this copy can mend by itself: said in the error box, never a silent end.
        QApplication application(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("4vt"));
        MessageBoxSink boxes;
        core::setMessageSink(&boxes);
        core::reportError(guard.failure());
        core::setMessageSink(nullptr);
        return 1;
    }
    if (!guard.isFirst()) {
        // Another copy runs for this user: bring its window forward and end, without a window
        // of our own. Whether it answered changes nothing.
        QCoreApplication quiet(argc, argv);
        guard.raiseFirst();
        return 0;
    }

    QApplication application(argc, argv);
#ifdef _WIN32
    // Text is drawn unhinted, as on Linux: the system's hinting of Liberation Sans at the forms'
    // 8 pt (as Wine does it) leaves the stem of "I" and "І" out, so that "ІІ Квартал" shows as
    // " Квартал". Fonts set on a window take this from the application's font.
    QFont unhinted = QApplication::font();
    unhinted.setHintingPreference(QFont::PreferNoHinting);
    QApplication::setFont(unhinted);
#endif
    installQtTranslations(application, QLocale());
    // The installed menu entry carries this name: the desktop ties the windows to it and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("ua.kvor.fvt"));
    MessageBoxSink boxes;
    core::setMessageSink(&boxes);
    int result = 1;
    // A failure while the windows are being made is shown, not a crash.
    core::guarded([&] { result = runFirstCopy(application, guard); });
    core::setMessageSink(nullptr);
    return result;
}

int StartUp::showStartFailure(int argc, char** argv, const char* text)
{
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("4vt"));
    MessageBoxSink boxes;
    core::setMessageSink(&boxes);
    core::reportError(QString::fromLocal8Bit(text));
    core::setMessageSink(nullptr);
    return 1;
}

} // namespace app
