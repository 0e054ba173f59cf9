#include "AdapterChoice.h"
#include "CommandLine.h"
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

    const CommandLine command =
        CommandLine::parse(QApplication::arguments(), qEnvironmentVariableIntValue("BRINDLE_SIMULATOR") == 1);
    if (command.action != CommandLine::Action::Run) {
        const bool failed = command.action == CommandLine::Action::Fail;
        std::fputs(qPrintable(command.text), failed ? stderr : stdout);
        return failed ? 2 : 0;
    }
    AdapterChoice adapter(command.simulator, command.simulatorOptions);
    if (!adapter.isValid()) {
        std::fprintf(stderr, "brindle: %s\n", qPrintable(adapter.error()));
        return 2;
    }
    TForm1 Form1(adapter.backend(), adapter.simulator());
    TfrmSchemat frmSchemat;
    Form1.frmSchemat = &frmSchemat;
    InstallStartupProbe(&Form1);
    Form1.show();
    return app.exec();
}
