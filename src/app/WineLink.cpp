#include "app/WineLink.h"

#include "app/MainDlg.h"
#include "app/TitleDlg.h"
#include "core/Messages.h"
#include "settings/LinkSettings.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <cstdio>
#include <string_view>

namespace app {

namespace {

const QString kBridge = QStringLiteral("4vt-dde-bridge.exe");

// A start this quick needs no splash; a cold Wine or a fresh prefix takes seconds.
constexpr qint64 kSplashAfterMs = 700;
// A start this long may never end (a Wine that hangs): the user may give up waiting from here on.
constexpr qint64 kNoteAfterMs = 4000;

// The small note beside the splash through which the user gives up waiting: its button, Esc or
// its close box. Modal, so that nothing else takes input while the wait goes on.
std::unique_ptr<QDialog> startNote()
{
    auto note = std::make_unique<QDialog>();
    note->setObjectName(QStringLiteral("WineStartNote"));
    note->setWindowTitle(QStringLiteral("4vt"));
    note->setModal(true);
    auto* layout = new QVBoxLayout(note.get());
    layout->addWidget(new QLabel(QStringLiteral("Wine ще запускає бухгалтерську програму.\n"
                                                "Можна зачекати або припинити очікування."),
                                 note.get()));
    auto* stop = new QPushButton(QStringLiteral("Припинити"), note.get());
    stop->setObjectName(QStringLiteral("StopButton"));
    QObject::connect(stop, &QPushButton::clicked, note.get(), &QDialog::reject);
    layout->addWidget(stop, 0, Qt::AlignCenter);
    return note;
}

} // namespace

QString WineLink::bridgeProgram()
{
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {here.filePath(kBridge), here.filePath("../lib/4vt/" + kBridge)})
        if (QFileInfo(candidate).isFile())
            return QFileInfo(candidate).absoluteFilePath();
    return QString();
}

QString WineLink::missing(const QString& prefix)
{
    if (!QFileInfo(prefix).isDir())
        return QStringLiteral("Не знайдено папку Wine «%1», в якій працює бухгалтерська програма "
                              "(настройка WinePrefix)")
            .arg(prefix);
    if (QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty())
        return QStringLiteral("Не знайдено програму wine: бухгалтерська програма для Windows "
                              "працює тільки під Wine, встановіть його");
    if (bridgeProgram().isEmpty())
        return QStringLiteral("Не знайдено програму %1 поруч із 4ВТ").arg(kBridge);
    return QString();
}

std::unique_ptr<ddelink::WineBridgeTransport> WineLink::transport(const QString& prefix)
{
    return std::make_unique<ddelink::WineBridgeTransport>(
        QStandardPaths::findExecutable(QStringLiteral("wine")), bridgeProgram(),
        QFileInfo(prefix).absoluteFilePath());
}

void WineLink::takePrefixOption(int& argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string_view(argv[i]) != "--wine-prefix")
            continue;
        const QString dir = QFile::decodeName(argv[i + 1]);
        const QString prefix = dir.isEmpty() ? dir : QFileInfo(dir).absoluteFilePath();
        if (!settings::LinkSettings::setWinePrefix(prefix))
            std::fprintf(stderr, "4vt: the Wine prefix could not be stored in the settings\n");
        // argv[argc] is null and comes along.
        for (int j = i; j + 2 <= argc; ++j)
            argv[j] = argv[j + 2];
        argc -= 2;
        return;
    }
}

void WineLink::wire(MainDlg& mainDlg, ddelink::WineBridgeTransport& bridge, const QString& prefix)
{
    mainDlg.openLink = [&mainDlg, &bridge, prefix] {
        const QString lacking = missing(prefix);
        if (!lacking.isEmpty()) {
            core::reportError(lacking);
            return false;
        }
        std::unique_ptr<TitleDlg> splash;
        std::unique_ptr<QDialog> note;
        bool stopped = false;
        QElapsedTimer waited;
        waited.start();
        bridge.setWhileStarting([&] {
            if (!splash && waited.elapsed() >= kSplashAfterMs) {
                splash = std::make_unique<TitleDlg>();
                splash->showAtOnce();
            }
            if (!note && waited.elapsed() >= kNoteAfterMs) {
                note = startNote();
                QObject::connect(note.get(), &QDialog::rejected, [&stopped] { stopped = true; });
                note->adjustSize();
                // Under the splash, which stays in sight.
                if (splash)
                    note->move(splash->frameGeometry().center().x() - note->width() / 2,
                               splash->frameGeometry().bottom() + 16);
                note->show();
            }
            // The note takes the keys and the clicks; before it, nothing may.
            if (note)
                QCoreApplication::processEvents();
            else if (splash)
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            // A wait given up is a link that could not be opened.
            if (stopped)
                bridge.stopStarting();
        });
        const bool opened = ddelink::openLink(mainDlg.DdeClientConv1, mainDlg.DdeClientItem1);
        bridge.setWhileStarting({});
        return opened;
    };
}

} // namespace app
