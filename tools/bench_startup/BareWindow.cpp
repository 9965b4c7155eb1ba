#include "BareWindow.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int runBareWindow(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QString::fromLatin1(BareWindowTitle));
    for (const char* menu : {"Настройки", "Звіт", "?"})
        window.menuBar()->addMenu(QString::fromUtf8(menu));
    window.resize(435, 300);
    window.show();
    return app.exec();
}
