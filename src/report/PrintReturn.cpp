#include "report/PrintReturn.h"

#include "bands/ReportLayout.h"
#include "core/Messages.h"
#include "report/PeriodCheck.h"
#include "report/PreviewWindow.h"
#include "report/Zvit1Dlg.h"

#include <QEventLoop>
#include <QPointer>

#include <memory>

namespace report {

namespace {

std::function<void(PreviewWindow*)>& previewObserver()
{
    static std::function<void(PreviewWindow*)> observer;
    return observer;
}

} // namespace

void setPreviewObserver(std::function<void(PreviewWindow*)> observer)
{
    previewObserver() = std::move(observer);
}

void printReturn(const settings::SettingsSource& settings, const taxformat::RunChoices& choices,
                 const QString& dir, const QString& taxFileName, QWidget* owner)
{
    auto form = std::make_unique<Zvit1Dlg>();
    form->openTable(dir, taxFileName);
    fillReport(form->QuickRep1, settings, choices);
    // The form takes its period from the dialog: a file made for another one is said first.
    const QString question = periodQuestion(form->Table1, taxFileName, choices);
    if (!question.isEmpty() &&
        !core::messages().ask(question, QStringLiteral("Продовжити"), QStringLiteral("Зупинити")))
        return;
    const bands::ReportLayout layout(form->QuickRep1, form->source());

    QPointer<PreviewWindow> preview = new PreviewWindow(layout, taxFileName, owner);
    QEventLoop wait;
    QObject::connect(preview, &PreviewWindow::closed, &wait, &QEventLoop::quit);
    QObject::connect(preview, &QObject::destroyed, &wait, &QEventLoop::quit);
    preview->showMaximized();
    if (previewObserver())
        previewObserver()(preview);
    if (preview && preview->isVisible())
        wait.exec();
    delete preview.data();
    // The form and its table go with this frame.
}

} // namespace report
