#include "StartupProbe.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(720, 456);
    InstallStartupProbe(&window);
    window.show();
    return app.exec();
}
