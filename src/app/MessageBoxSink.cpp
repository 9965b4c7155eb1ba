#include "app/MessageBoxSink.h"

#include "core/Error.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace app {

namespace {

// The longest run of characters without a blank that a line of the box holds.
constexpr int kLongestRun = 60;

QWidget* boxParent()
{
    if (auto* owner = qobject_cast<QWidget*>(core::MessageOwner::current()))
        return owner->window();
    // Over the window the user works in: a preview is no modal window, yet a failure of its own
    // must not bring the modal dialog that owns it in front of it.
    QWidget* parent = QApplication::activeWindow();
    if (!parent)
        parent = QApplication::activeModalWidget();
    return parent;
}

void showBox(QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, QStringLiteral("4vt"), MessageBoxSink::boxText(text), QMessageBox::Ok,
                    boxParent());
    box.setTextFormat(Qt::PlainText);
    // The program's own "OK", whatever language Qt's standard buttons speak.
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

} // namespace

QString MessageBoxSink::boxText(const QString& text)
{
    const QString cut = core::shownValue(text, kMaxText);
    QString shown;
    shown.reserve(cut.size() + cut.size() / kLongestRun);
    int run = 0;
    for (const QChar c : cut) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > kLongestRun && !c.isLowSurrogate()) {
            shown += QChar(0x200B); // zero-width space: a line may break here
            run = 1;
        }
        shown += c;
    }
    return shown;
}

void MessageBoxSink::showError(const QString& text)
{
    showBox(QMessageBox::Critical, text);
}

void MessageBoxSink::showMessage(const QString& text)
{
    showBox(QMessageBox::NoIcon, text);
}

bool MessageBoxSink::ask(const QString& text, const QString& goOn, const QString& stop)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("4vt"), boxText(text),
                    QMessageBox::NoButton, boxParent());
    box.setTextFormat(Qt::PlainText);
    QPushButton* go = box.addButton(goOn, QMessageBox::AcceptRole);
    QPushButton* halt = box.addButton(stop, QMessageBox::RejectRole);
    box.setDefaultButton(halt);
    box.setEscapeButton(halt);
    box.exec();
    return box.clickedButton() == go;
}

} // namespace app
