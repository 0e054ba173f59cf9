#include "ChipChange.h"

#include "BusGuard.h"
#include "ChipGuard.h"
#include "CliProgress.h"
#include "CliSession.h"
#include "StandardStreams.h"
#include "ZqEEPROM24Cxx.h"

#include <QTextStream>
#include <QThread>
#include <cstdio>
#include <unistd.h>

namespace {

// Standard input that carried the file cannot carry the answer too.
bool OnTerminal(const CliOptions &options)
{
    return !IsStandardInput(options.value("input")) && isatty(fileno(stdin)) && isatty(fileno(stderr));
}

// The question on the terminal; only y or yes goes on.
bool Ask(const QString &summary, const QString &verb)
{
    CliProgress::EndShownLine();
    std::fprintf(stderr, "%s\n%s? [y/N] ", qPrintable(summary), qPrintable(verb));
    std::fflush(stderr);
    const QString answer = QTextStream(stdin).readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

QString WhereChanged(const TImageOutcome &outcome)
{
    return outcome.firstAddress < 0
               ? QString()
               : QStringLiteral(" (first at 0x%1, %2 bytes)").arg(outcome.firstAddress, 0, 16).arg(outcome.count);
}

} // namespace

bool CheckChangeOptions(const CliSession &session)
{
    if (session.Options().has("backup-dir") && session.Options().value("backup-dir").isEmpty()) {
        CliSession::Error(QStringLiteral("--backup-dir needs a folder"));
        return false;
    }
    return true;
}

int ChangeChip(CliSession &session, TZqEEPROMBase &engine, const ChipImage &image, const TChipChange &change)
{
    const CliOptions &options = session.Options();
    bool unasked = false;
    bool clockFound = false;
    TProtectedWrite how;
    how.chipName = change.chipName;
    how.backupFolder = options.has("backup-dir") ? options.value("backup-dir") : DefaultBackupFolder();
    how.now = QDateTime::currentDateTime();
    how.verify = !options.has("no-verify");
    // Only the pages or words that differ are written, each as a write of its
    // own: the bar counts them. The chip's bytes are in the buffer when asked.
    int units = 0;
    int unitsDone = 0;
    const TOnProgress shown = engine.OnProgress;
    const auto countUnits = [&] {
        units = SummarizeChange(engine.EEPROM_BUF().left(engine.BufferSize()), image, engine.WriteUnitBytes()).units;
    };
    engine.OnProgress = [&](QObject *sender, TEepromAction action, int percent) {
        if (action == eaWrite && units > 0) {
            const int whole = unitsDone * 100 + percent;
            unitsDone += percent == 100 ? 1 : 0;
            percent = qMin(100, whole / units);
        }
        if (shown)
            shown(sender, action, percent);
    };
    how.confirm = [&](const QString &summary) {
        countUnits();
        if (options.has("yes")) {
            session.Note(summary);
            return true;
        }
        if (OnTerminal(options))
            return Ask(summary, change.verb);
        session.Note(summary);
        unasked = true;
        return false;
    };
    if (TZqEEPROM24Cxx *e24 = change.i2cEngine) {
        how.busCheck = [e24, &change](const ChipImage &target) {
            return RunningClockUnderImage(*e24, change.chipName, target, [](int ms) { QThread::msleep(ms); });
        };
        how.overrideBusCheck = [&](const QString &reason) {
            clockFound = true;
            if (options.has("ignore-clock"))
                session.Note(QStringLiteral("going on all the same (--ignore-clock): ") + reason);
            return options.has("ignore-clock");
        };
    }
    const TProtectedOutcome outcome = ProtectedWriteImage(engine, image, how);
    engine.OnProgress = shown;
    if (unasked) {
        const QString why = IsStandardInput(options.value("input"))
                                ? QStringLiteral("standard input carried the file, so there is no terminal to ask on")
                                : QStringLiteral("there is no terminal to ask on");
        CliSession::Error(QStringLiteral("nothing written: %1; add --yes to %2 without a question (backup %3)")
                              .arg(why, change.verb.toLower(), outcome.backupPath));
        return ceFailed;
    }
    if (!outcome.ok) {
        const QString hint = clockFound && !options.has("ignore-clock")
                                 ? QStringLiteral(" (--ignore-clock goes on all the same)")
                                 : QString();
        CliSession::Error(outcome.message + WhereChanged(outcome) + hint);
        return ceFailed;
    }
    session.Note(outcome.message);
    if (!outcome.summary.nothing())
        session.Note(change.done);
    return ceDone;
}
