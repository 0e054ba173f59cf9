#include "AdapterChoice.h"
#include "CommandLine.h"
#include "Simulator.h"
#include "SimulatorWindow.h"
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
    sim::Simulator *simulator = adapter.simulator();
    if (simulator) {
        if (!simulator->stateMessage().isEmpty())
            std::fprintf(stderr, "brindle: %s\n", qPrintable(simulator->stateMessage()));
        // Owned by the main window, so closing that one still ends the program.
        auto *simulatorWindow = new TSimulatorWindow(simulator, &Form1);
        simulatorWindow->PlaceBeside(&Form1);
        simulatorWindow->show();
    }
    const int code = app.exec();
    QString error;
    if (simulator && !simulator->saveState(error))
        std::fprintf(stderr, "brindle: %s\n", qPrintable(error));
    return code;
}
