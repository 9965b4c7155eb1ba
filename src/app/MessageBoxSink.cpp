#include "app/MessageBoxSink.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace app {

namespace {

void showBox(QMessageBox::Icon icon, const QString& text)
{
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    QMessageBox box(icon, QStringLiteral("4vt"), text, QMessageBox::Ok, parent);
    // The program's own "OK", whatever language Qt's standard buttons speak.
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

} // namespace

void MessageBoxSink::showError(const QString& text)
{
    showBox(QMessageBox::Critical, text);
}

void MessageBoxSink::showMessage(const QString& text)
{
    showBox(QMessageBox::NoIcon, text);
}

} // namespace app
