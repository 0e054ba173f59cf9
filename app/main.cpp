#include "AdapterChoice.h"
#include "StartupProbe.h"
#include "TForm1.h"
#include "frmSchematU.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindle"));
    QApplication::setApplicationVersion(QStringLiteral(BRINDLE_VERSION));

    AdapterChoice adapter(QApplication::arguments());
    if (!adapter.isValid()) {
        std::fprintf(stderr, "%s\n", qPrintable(adapter.error()));
        return 2;
    }
    TForm1 Form1(adapter.backend(), adapter.simulator());
    TfrmSchemat frmSchemat;
    Form1.frmSchemat = &frmSchemat;
    InstallStartupProbe(&Form1);
    Form1.show();
    return app.exec();
}
