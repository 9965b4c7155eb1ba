#include "app/MessageBoxSink.h"

#include "core/Error.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace app {

namespace {

// The longest run of characters without a blank that a line of the box holds.
constexpr int kLongestRun = 60;

void showBox(QMessageBox::Icon icon, const QString& text)
{
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    QMessageBox box(icon, QStringLiteral("4vt"), MessageBoxSink::boxText(text), QMessageBox::Ok,
                    parent);
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

} // namespace app
