#include "app/StartUp.h"

#include "app/InstanceGuard.h"
#include "app/MainDlg.h"
#include "app/MessageBoxSink.h"
#include "app/TitleDlg.h"
#include "core/Messages.h"

#include <QApplication>
#include <QCoreApplication>

#include <memory>

#if FVT_APP_HAVE_OPTIONS
#include "settings/OptionsDlg.h"
#endif
#if FVT_APP_HAVE_REPORT
#include "taxfile/Report1Dlg.h"
#endif

namespace app {

int StartUp::run(int argc, char** argv)
{
    InstanceGuard guard;
    if (!guard.isFirst()) {
        // Another copy runs for this user: bring its window forward and end, without a window
        // of our own. Whether it answered changes nothing.
        QCoreApplication quiet(argc, argv);
        guard.raiseFirst();
        return 0;
    }

    QApplication application(argc, argv);
    auto splash = std::make_unique<TitleDlg>();
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents();

    QCoreApplication::setApplicationName(QStringLiteral("4vt"));
    MessageBoxSink boxes;
    core::setMessageSink(&boxes);

    int result = 0;
    {
        MainDlg mainDlg;
#if FVT_APP_HAVE_OPTIONS
        settings::OptionsDlg optionsDlg(&mainDlg);
        mainDlg.showOptions = [&optionsDlg] { optionsDlg.exec(); };
#endif
#if FVT_APP_HAVE_REPORT
        mainDlg.showReport = [&] {
            taxfile::Report1Dlg dialog(&mainDlg);
            dialog.exec();
        };
#endif
        guard.listen(&mainDlg);
        splash.reset();
        mainDlg.show();
        result = application.exec();
    }
    core::setMessageSink(nullptr);
    return result;
}

} // namespace app
