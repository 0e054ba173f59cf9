// Pictures: black-and-white BMPs read strictly, raw frame buffer files, and
// the wait that keeps the window alive.
#include "BmpPicture.h"
#include "GlcdFixtures.h"
#include "RawFrame.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <ctime>

namespace {
const QStringList kLogo = {
    "#..........#.", ".#........#..", "..########...", "..#......#..#", "..########...",
};

// Pixel by pixel: '#' where the picture is black.
QStringList blackPixels(const GlcdPicture &picture)
{
    QStringList rows;
    for (int y = 0; y < picture.height(); ++y) {
        QString row;
        for (int x = 0; x < picture.width(); ++x)
            row += picture.rgb(x, y) == 0 ? QLatin1Char('#') : QLatin1Char('.');
        rows << row;
    }
    return rows;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
    return f.fileName();
}
} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    // Both row orders, either palette order, rows that need padding.
    void readsMonochromeBmp_data()
    {
        QTest::addColumn<int>("blackIndex");
        QTest::addColumn<bool>("topDown");
        QTest::newRow("black first, bottom-up") << 0 << false;
        QTest::newRow("black second, bottom-up") << 1 << false;
        QTest::newRow("black first, top-down") << 0 << true;
    }
    void readsMonochromeBmp()
    {
        QFETCH(int, blackIndex);
        QFETCH(bool, topDown);
        const QByteArray bytes = monoBmp(kLogo, blackIndex, topDown);
        const QImage reference = QImage::fromData(bytes, "BMP");
        QCOMPARE(reference.size(), QSize(13, 5));
        QCOMPARE(reference.pixelColor(0, 0), QColor(Qt::black)); // the fixture writes what it means
        QString error;
        const std::optional<BmpPicture> picture = BmpPicture::FromBytes(bytes, &error);
        QVERIFY2(picture, qPrintable(error));
        QCOMPARE(blackPixels(*picture), kLogo);
        QCOMPARE(picture->rgb(1, 0), 0xFFFFFFu);
        QCOMPARE(picture->rgb(13, 0), 0xFFFFFFu); // outside: white
    }

    // A 1-bit BMP written by Qt reads back pixel for pixel.
    void readsWhatQtWrites()
    {
        QImage image(37, 9, QImage::Format_Mono);
        image.fill(1);
        for (int i = 0; i < 9; ++i) {
            image.setPixel(i * 4, i, 0);
            image.setPixel(36 - i, i, 0);
        }
        image.setColor(0, qRgb(0, 0, 0));
        image.setColor(1, qRgb(255, 255, 255));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, "BMP"));
        QCOMPARE(int(buffer.data()[28]), 1);
        const std::optional<BmpPicture> picture = BmpPicture::FromBytes(buffer.data());
        QVERIFY(picture);
        QCOMPARE(picture->width(), 37);
        QCOMPARE(picture->height(), 9);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 37; ++x)
                QCOMPARE(picture->rgb(x, y), image.pixel(x, y) & 0xFFFFFFu);
    }

    // Files that are not the pictures the display takes: refused with a
    // reason, the frame buffer untouched, nothing sent.
    void refusesBadFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray good = monoBmp(kLogo);
        auto spoiled = [&good](auto change) {
            QByteArray b = good;
            change(b);
            return b;
        };
        QTest::newRow("wrong magic") << spoiled([](QByteArray &b) { b[0] = 'P'; }) << "signature";
        QTest::newRow("empty") << QByteArray() << "signature";
        QTest::newRow("truncated in the header") << good.left(30) << "truncated";
        QTest::newRow("cut short") << good.left(good.size() - 1) << "size field";
        QTest::newRow("pixels cut short, size field too") << spoiled([](QByteArray &b) {
            b.chop(1);
            putU32(b, 2, std::uint32_t(b.size()));
        }) << "past the end";
        QTest::newRow("8 bits per pixel") << spoiled([](QByteArray &b) { putU16(b, 28, 8); }) << "8 bits";
        QTest::newRow("24 bits per pixel") << spoiled([](QByteArray &b) { putU16(b, 28, 24); }) << "24 bits";
        QTest::newRow("size field past the end")
            << spoiled([](QByteArray &b) { putU32(b, 2, std::uint32_t(b.size() + 1)); }) << "size field";
        QTest::newRow("pixel offset past the end")
            << spoiled([](QByteArray &b) { putU32(b, 10, 0xFFFFFFF0u); }) << "past the end";
        QTest::newRow("pixel offset inside the headers")
            << spoiled([](QByteArray &b) { putU32(b, 10, 20); }) << "headers";
        QTest::newRow("header size past the end") << spoiled([](QByteArray &b) { putU32(b, 14, 124); }) << "truncated";
        QTest::newRow("OS/2 header") << spoiled([](QByteArray &b) { putU32(b, 14, 12); }) << "header";
        QTest::newRow("run-length encoded") << spoiled([](QByteArray &b) { putU32(b, 30, 1); }) << "compressed";
        QTest::newRow("palette of 16") << spoiled([](QByteArray &b) { putU32(b, 46, 16); }) << "palette";
        QTest::newRow("width 0") << spoiled([](QByteArray &b) { putU32(b, 18, 0); }) << "out of range";
        QTest::newRow("height 0") << spoiled([](QByteArray &b) { putU32(b, 22, 0); }) << "out of range";
        QTest::newRow("height INT_MIN") << spoiled([](QByteArray &b) { putU32(b, 22, 0x80000000u); }) << "out of range";
        QTest::newRow("width 2^31 - 1") << spoiled([](QByteArray &b) { putU32(b, 18, 0x7FFFFFFFu); }) << "out of range";
        QTest::newRow("2000 rows claimed") << spoiled([](QByteArray &b) { putU32(b, 22, 2000); }) << "past the end";
    }
    void refusesBadFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(!BmpPicture::FromBytes(bytes, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));

        QTemporaryDir dir;
        const QString file = writeFile(dir, "bad.BMP", bytes);
        DrawBench d;
        d.canvas.buffer() = testFrame();
        error.clear();
        QVERIFY(!d.canvas.glcd_bitmap_from_file(file, &error));
        QVERIFY2(error.contains(reason) && error.contains(file), qPrintable(error));
        QCOMPARE(d.canvas.buffer(), testFrame());
        QCOMPARE(d.canvas.displays, 0);
    }

    // A BMP file replaces the picture: black pixels on, the rest cleared.
    void showsABmpFile()
    {
        QTemporaryDir dir;
        const QString file = writeFile(dir, "logo.bmp", monoBmp(kLogo));
        DrawBench d('\xFF');
        QString error;
        QVERIFY2(d.canvas.glcd_bitmap_from_file(file, &error), qPrintable(error));
        QCOMPARE(d.canvas.displays, 1);
        QStringList shown;
        for (int y = 0; y < 5; ++y) {
            QString row;
            for (int x = 0; x < 13; ++x)
                row += pixelAt(d.canvas.buffer(), x, y) ? QLatin1Char('#') : QLatin1Char('.');
            shown << row;
        }
        QCOMPARE(shown, kLogo);
        QCOMPARE(litPixels(d.canvas.buffer()).size(), int(kLogo.join(QString()).count(QLatin1Char('#'))));
    }

    // Any other file is a raw frame: its bytes replace the start of the
    // buffer, at most 1024 of them.
    void rawFrameFiles_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("10 bytes") << 10;
        QTest::newRow("empty") << 0;
        QTest::newRow("1024 bytes") << 1024;
        QTest::newRow("3000 bytes") << 3000;
    }
    void rawFrameFiles()
    {
        QFETCH(int, size);
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = char(0xC3 ^ i);
        QTemporaryDir dir;
        const QString file = writeFile(dir, "frame.bin", bytes);
        DrawBench d;
        d.canvas.buffer() = testFrame();
        QVERIFY(d.canvas.glcd_bitmap_from_file(file));
        QCOMPARE(d.canvas.displays, 1);
        const int n = qMin(size, 1024);
        QCOMPARE(d.canvas.buffer().size(), 1024);
        QCOMPARE(d.canvas.buffer().left(n), bytes.left(n));
        QCOMPARE(d.canvas.buffer().mid(n), testFrame().mid(n));
    }

    // The bytes alone, against buffers of every size a link may hold: never
    // past the buffer, never more than one frame, the rest kept.
    void rawFrameBytes_data()
    {
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<int>("fileSize");
        QTest::addColumn<int>("taken");
        QTest::newRow("frame into frame") << 1024 << 1024 << 1024;
        QTest::newRow("short file") << 1024 << 7 << 7;
        QTest::newRow("long file") << 1024 << 1025 << 1024;
        QTest::newRow("small buffer") << 10 << 1024 << 10;
        QTest::newRow("large buffer") << 4096 << 3000 << 1024;
        QTest::newRow("empty buffer") << 0 << 50 << 0;
        QTest::newRow("empty file") << 1024 << 0 << 0;
    }
    void rawFrameBytes()
    {
        QFETCH(int, bufferSize);
        QFETCH(int, fileSize);
        QFETCH(int, taken);
        QByteArray file(fileSize, '\0');
        for (int i = 0; i < fileSize; ++i)
            file[i] = char(0x3C ^ i);
        const QByteArray before(bufferSize, '\xA5');
        QByteArray buffer = before;
        QCOMPARE(ApplyRawFrame(buffer, file), taken);
        QCOMPARE(buffer.size(), bufferSize);
        QCOMPARE(buffer.left(taken), file.left(taken));
        QCOMPARE(buffer.mid(taken), before.mid(taken));
    }

    void missingFileOrLink()
    {
        QTemporaryDir dir;
        DrawBench d;
        d.canvas.buffer() = testFrame();
        QString error;
        QVERIFY(!d.canvas.glcd_bitmap_from_file(dir.filePath("nothing.bin"), &error));
        QVERIFY(error.contains("nothing.bin"));
        QVERIFY(!d.canvas.glcd_bitmap_from_file(dir.filePath("nothing.bmp"), &error));
        const QString file = writeFile(dir, "frame.bin", "abc");
        d.canvas.SetZqLibUSB(nullptr);
        QVERIFY(!d.canvas.glcd_bitmap_from_file(file, &error));
        QCOMPARE(d.bench.link().DevBuffer, testFrame());
        QCOMPARE(d.canvas.displays, 0);
    }

    // The wait runs pending events (at least once, also for 0 ms), lasts at
    // least its time and leaves the core idle meanwhile.
    void waitKeepsTheWindowAlive()
    {
        DrawBench d;
        for (int ms : {0, -5}) {
            bool ran = false;
            QMetaObject::invokeMethod(
                &d.canvas, [&ran] { ran = true; }, Qt::QueuedConnection);
            d.canvas.mDelay(ms);
            QVERIFY(ran);
        }
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(10);
        QElapsedTimer elapsed;
        elapsed.start();
        const std::clock_t cpu = std::clock();
        d.canvas.mDelay(200);
        const double cpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;
        QVERIFY(elapsed.elapsed() >= 200);
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        QVERIFY2(cpuMs < 100, qPrintable(QString::number(cpuMs)));
    }
};

int runPictureTests(int argc, char **argv)
{
    TestPictures t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_pictures.moc"
