// An hour of the display clock on the virtual adapter, one frame a second,
// in accelerated time: the heap in use and the open file handles stay flat.
#include "Cp1250.h"
#include "SimBench.h"
#include "ZqSSD1306OLED.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QtTest>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator counts what is in use; g++ ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {
constexpr int kFrames = 3600;
constexpr int kWarmUp = 100;
constexpr int kWindow = 300;
// A leak of 20 bytes a frame shows over the 3,200 frames between the two
// windows; below that lie the allocator's own shifts between size classes.
constexpr qint64 kHeapToleranceBytes = 64 * 1024;

qint64 heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    return qint64(mallinfo2().uordblks);
#endif
}

int openHandles() { return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot).size()); }

// The clock picture the display page draws each second.
void drawClock(TZqGLCDDriver &display, const QDateTime &now)
{
    const QLocale locale = QLocale::c();
    const QByteArray time = Cp1250::Encode(locale.toString(now.time(), QLocale::LongFormat));
    const QByteArray date = Cp1250::Encode(locale.toString(now.date(), QLocale::ShortFormat));
    display.glcd_cls();
    display.glcd_puts(4, 4, time.mid(0, 5), 3, 1, 0);
    display.glcd_puts(92, 4, ":", 2, 1, 0);
    display.glcd_puts(102, 4, time.mid(6, 2), 2, 1, 0);
    display.glcd_drawFastHLine(30, 29, 75, 1);
    display.glcd_puts(38, 32, date, 1, 1, 0);
    display.glcd_drawRect(0, 0, 128, 64, 1);
    display.glcd_display();
}

struct Sample {
    qint64 heap;
    int handles;
};

double mean(const QList<Sample> &samples, int from, qint64 Sample::*field)
{
    double sum = 0;
    for (int i = from; i < from + kWindow; ++i)
        sum += double(samples[i].*field);
    return sum / kWindow;
}
} // namespace

class TestSoak : public QObject {
    Q_OBJECT

private slots:
    void anHourOfTheClockStaysFlat()
    {
        SimBench bench;
        // The log keeps few records, so what it holds is not mistaken for a leak.
        bench.simulator().adapter()->log().setMemoryLimit(64);
        TZqSSD1306OLED display;
        display.SetZqLibUSB(&bench.link());
        QVERIFY(display.ssd1306_init(2, 0x80, 0));
        const QDateTime start(QDate(2026, 3, 29), QTime(0, 30, 0));
        const int before = int(bench.simulator().adapter()->log().total());
        QList<Sample> samples;
        samples.reserve(kFrames); // so the record itself does not grow the heap
        for (int frame = 0; frame < kFrames; ++frame) {
            bench.clock.advanceMs(1000);
            drawClock(display, start.addSecs(frame));
            QCoreApplication::processEvents();
            samples << Sample{heapInUse(), openHandles()};
        }
        QCOMPARE(int(bench.simulator().adapter()->log().total()) - before, kFrames);
        const double first = mean(samples, kWarmUp, &Sample::heap);
        const double last = mean(samples, kFrames - kWindow, &Sample::heap);
        qInfo("heap in use: %.0f bytes in frames %d..%d, %.0f in the last %d", first, kWarmUp, kWarmUp + kWindow - 1,
              last, kWindow);
        QVERIFY2(last - first < kHeapToleranceBytes,
                 qPrintable(QStringLiteral("heap grew %1 bytes").arg(last - first)));
        for (int i = kWarmUp; i < kFrames; ++i)
            QCOMPARE(samples[i].handles, samples[kWarmUp].handles);
        QVERIFY(display.Initialized());
    }
};

QTEST_GUILESS_MAIN(TestSoak)
#include "tst_soak.moc"
