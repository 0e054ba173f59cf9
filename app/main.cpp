#include "AdapterChoice.h"
#include "CommandLine.h"
#include "FirstPaint.h"
#include "Simulator.h"
#include "SimulatorWindow.h"
#include "StartupProbe.h"
#include "TForm1.h"
#include "frmSchematU.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
int gQuitPipe[2] = {-1, -1};

void quitSignalled(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(gQuitPipe[1], &byte, 1);
}

// Ctrl+C or a plain kill ends the event loop instead of the process, so the
// virtual chips' state is still saved at exit.
void QuitOnSignals(QApplication &app)
{
    if (::pipe(gQuitPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(gQuitPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QApplication::quit);
    struct sigaction action = {};
    action.sa_handler = quitSignalled;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}
} // namespace

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
        if (!simulator->stateFile().isEmpty())
            QuitOnSignals(app);
        if (!simulator->stateMessage().isEmpty())
            std::fprintf(stderr, "brindle: %s\n", qPrintable(simulator->stateMessage()));
        // Opened once the main window is drawn, so that it does not hold it up;
        // owned by the main window, so closing that one still ends the program.
        OnFirstPaint(&Form1, [simulator, form = &Form1] {
            QTimer::singleShot(0, form, [simulator, form] {
                auto *simulatorWindow = new TSimulatorWindow(simulator, form);
                simulatorWindow->PlaceBeside(form);
                simulatorWindow->show();
            });
        });
    }
    const int code = app.exec();
    QString error;
    if (simulator && !simulator->saveState(error))
        std::fprintf(stderr, "brindle: %s\n", qPrintable(error));
    return code;
}
