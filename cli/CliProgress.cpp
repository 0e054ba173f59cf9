#include "CliProgress.h"

#include <cstdio>
#include <unistd.h>

namespace {
constexpr int kBarWidth = 30;
const char *const kActionNames[] = {"read ", "write", "erase"};
CliProgress *gShown = nullptr; // the bar whose line is open
} // namespace

CliProgress::CliProgress(bool quiet, int totalBytes) : FEnabled(!quiet && ::isatty(STDERR_FILENO)), FTotal(totalBytes)
{
}

CliProgress::~CliProgress() { EndLine(); }

void CliProgress::EndLine()
{
    if (FDrawn)
        std::fputc('\n', stderr);
    FDrawn = false;
    FClock.invalidate();
    if (gShown == this)
        gShown = nullptr;
}

void CliProgress::EndShownLine()
{
    if (gShown)
        gShown->EndLine();
}

QString CliProgress::Line(TEepromAction action, int percent, qint64 totalBytes, qint64 elapsedMs)
{
    const qint64 done = totalBytes * percent / 100;
    const int filled = kBarWidth * percent / 100;
    QString line = QStringLiteral("%1 [%2%3] %4%")
                       .arg(QLatin1String(kActionNames[action]), QString(filled, QLatin1Char('#')),
                            QString(kBarWidth - filled, QLatin1Char(' ')))
                       .arg(percent, 3);
    if (elapsedMs > 0 && done > 0) {
        const qint64 rate = done * 1000 / elapsedMs;
        const qint64 leftSeconds = (totalBytes - done) * elapsedMs / done / 1000;
        line += QStringLiteral("  %1 B/s  %2:%3 left")
                    .arg(rate)
                    .arg(leftSeconds / 60)
                    .arg(leftSeconds % 60, 2, 10, QLatin1Char('0'));
    }
    return line;
}

void CliProgress::Show(TEepromAction action, int percent)
{
    if (!FEnabled)
        return;
    if (!FClock.isValid() || action != FAction) {
        if (FDrawn)
            std::fputc('\n', stderr);
        FAction = action;
        FClock.start();
    }
    // Cleared to the end of the line: a shorter line leaves nothing of the longer one.
    std::fprintf(stderr, "\r%s\033[K", qPrintable(Line(action, percent, FTotal, FClock.elapsed())));
    std::fflush(stderr);
    FDrawn = true;
    gShown = this;
}
