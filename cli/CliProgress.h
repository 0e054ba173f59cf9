#pragma once
// A progress bar on standard error (percent, bytes per second, time left),
// drawn only when standard error is a terminal and --quiet was not given.
#include "ZqEEPROMCommon.h"

#include <QElapsedTimer>
#include <QString>

class CliProgress {
public:
    CliProgress(bool quiet, int totalBytes);
    ~CliProgress();

    void Show(TEepromAction action, int percent);
    // Ends the line of the bar being drawn, if any, so that a message
    // starts on a line of its own; the next bar starts a new line.
    static void EndShownLine();
    // The line as drawn at elapsedMs into an action.
    static QString Line(TEepromAction action, int percent, qint64 totalBytes, qint64 elapsedMs);

private:
    void EndLine();

    bool FEnabled;
    qint64 FTotal;
    bool FDrawn = false;
    TEepromAction FAction = eaRead;
    QElapsedTimer FClock;
};
