// brindle-cli: the program's engines and drivers from the command line.
#include "CliOptions.h"
#include "CliSession.h"
#include "DeviceCommands.h"
#include "EepromCommands.h"

#include <QCoreApplication>
#include <cstdio>

namespace {
int RunCommand(CliSession &session)
{
    const QString first = session.Options().words.first();
    if (first == QLatin1String("info"))
        return RunInfo(session);
    if (first == QLatin1String("eeprom"))
        return RunEepromCommand(session);
    if (first == QLatin1String("rtc"))
        return RunRtcCommand(session);
    return RunDisplayCommand(session);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // No organisation name: nothing here may open the window's settings.
    QCoreApplication::setApplicationName(QStringLiteral("brindle-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRINDLE_VERSION));

    const CliParse parse =
        ParseCliArguments(QCoreApplication::arguments(), qEnvironmentVariableIntValue("BRINDLE_SIMULATOR") == 1);
    if (parse.action != CliParse::Action::Run) {
        const bool failed = parse.action == CliParse::Action::Fail;
        std::fputs(qPrintable(parse.text), failed ? stderr : stdout);
        return failed ? ceUsage : ceDone;
    }
    CliSession session(parse.options);
    const int code = RunCommand(session);
    return session.Finish() || code != ceDone ? code : ceFailed;
}
