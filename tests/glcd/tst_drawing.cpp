// Pixels, lines, rectangles, circles and pictures in the frame buffer: which
// bits each operation sets, and that nothing reaches outside the display or
// the buffer.
#include "GlcdFixtures.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>
#include <climits>

namespace {
QList<QPoint> pts(std::initializer_list<QPoint> list) { return QList<QPoint>(list); }

QList<QPoint> span(int x0, int x1, int y0, int y1)
{
    QList<QPoint> points;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            points << QPoint(x, y);
    return points;
}

// The shapes of the table below, by name, with their arguments in the
// operation's order.
void draw(Canvas &c, const QString &shape, const QList<int> &a)
{
    if (shape == QLatin1String("line"))
        c.glcd_drawLine(a[0], a[1], a[2], a[3], std::uint8_t(a[4]));
    else if (shape == QLatin1String("hline"))
        c.glcd_drawFastHLine(a[0], a[1], a[2], std::uint8_t(a[3]));
    else if (shape == QLatin1String("vline"))
        c.glcd_drawFastVLine(a[0], a[1], a[2], std::uint8_t(a[3]));
    else if (shape == QLatin1String("rect"))
        c.glcd_drawRect(a[0], a[1], a[2], a[3], std::uint8_t(a[4]));
    else if (shape == QLatin1String("fillRect"))
        c.glcd_fillRect(a[0], a[1], a[2], a[3], std::uint8_t(a[4]));
    else if (shape == QLatin1String("roundRect"))
        c.glcd_drawRoundRect(a[0], a[1], a[2], a[3], std::uint8_t(a[4]), std::uint8_t(a[5]));
    else if (shape == QLatin1String("circle"))
        c.glcd_circle(a[0], a[1], a[2], std::uint8_t(a[3]));
    else if (shape == QLatin1String("fillCircle"))
        c.glcd_fillCircle(a[0], a[1], std::uint8_t(a[2]), std::uint8_t(a[3]));
    else
        QFAIL("unknown shape");
}

// The line algorithm as written down, without skipping: the reference the
// clipped one must match.
QList<QPoint> plainBresenham(int x0, int y0, int x1, int y1)
{
    QList<QPoint> points;
    const bool steep = std::abs(y1 - y0) > std::abs(x1 - x0);
    if (steep) {
        std::swap(x0, y0);
        std::swap(x1, y1);
    }
    if (x0 > x1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int dx = x1 - x0;
    const int dy = std::abs(y1 - y0);
    int err = dx / 2;
    const int ystep = y0 < y1 ? 1 : -1;
    for (int x = x0, y = y0; x <= x1; ++x) {
        const QPoint p = steep ? QPoint(y, x) : QPoint(x, y);
        if (p.x() >= 0 && p.x() < 128 && p.y() >= 0 && p.y() < 64)
            points << p;
        err -= dy;
        if (err < 0) {
            y += ystep;
            err += dx;
        }
    }
    return sorted(points);
}
} // namespace

class TestDrawing : public QObject {
    Q_OBJECT

private slots:
    // One pixel: its byte and bit, the other seven bits kept, bounds dropped.
    void setPixel_data()
    {
        QTest::addColumn<char>("fill");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("bw");
        QTest::addColumn<int>("index"); // the one byte that changes, -1 none
        QTest::addColumn<int>("byte");
        QTest::newRow("(5,9) is bit 1 of byte 133") << '\0' << 5 << 9 << 1 << 133 << 0x02;
        QTest::newRow("(127,63) is bit 7 of byte 1023") << '\0' << 127 << 63 << 1 << 1023 << 0x80;
        QTest::newRow("(0,0) is bit 0 of byte 0") << '\0' << 0 << 0 << 1 << 0 << 0x01;
        QTest::newRow("bw 2 sets") << '\0' << 3 << 17 << 2 << 259 << 0x02;
        QTest::newRow("bw 0 clears one bit only") << '\xFF' << 5 << 9 << 0 << 133 << 0xFD;
        QTest::newRow("x = 128 dropped") << '\0' << 128 << 0 << 1 << -1 << 0;
        QTest::newRow("y = 64 dropped") << '\0' << 0 << 64 << 1 << -1 << 0;
        QTest::newRow("x = -1 dropped") << '\0' << -1 << 0 << 1 << -1 << 0;
        QTest::newRow("y = -1 dropped") << '\0' << 0 << -1 << 1 << -1 << 0;
        QTest::newRow("x = INT_MIN dropped") << '\0' << INT_MIN << 0 << 1 << -1 << 0;
    }
    void setPixel()
    {
        QFETCH(char, fill);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, bw);
        QFETCH(int, index);
        QFETCH(int, byte);
        DrawBench d(fill);
        QByteArray expected = d.canvas.buffer();
        if (index >= 0)
            expected[index] = char(byte);
        d.canvas.glcd_setPixel(x, y, bw);
        QCOMPARE(d.canvas.buffer(), expected);
    }

    // Every shape on a cleared 128 x 64 buffer sets exactly these pixels.
    void shapes_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QList<int>>("args");
        QTest::addColumn<QList<QPoint>>("lit");
        const QList<QPoint> shallow = pts({{0, 0}, {1, 0}, {2, 1}, {3, 1}});
        const QList<QPoint> steep = pts({{0, 0}, {0, 1}, {1, 2}, {1, 3}});
        QTest::newRow("line right") << "line" << QList<int>{0, 0, 3, 1, 1} << shallow;
        QTest::newRow("line left") << "line" << QList<int>{3, 1, 0, 0, 1} << shallow;
        QTest::newRow("steep line down") << "line" << QList<int>{0, 0, 1, 3, 1} << steep;
        QTest::newRow("steep line up") << "line" << QList<int>{1, 3, 0, 0, 1} << steep;
        QTest::newRow("line of one point") << "line" << QList<int>{7, 7, 7, 7, 1} << pts({{7, 7}});
        QTest::newRow("line colour 0 draws nothing here") << "line" << QList<int>{0, 0, 9, 9, 0} << pts({});
        QTest::newRow("line clipped at the left")
            << "line" << QList<int>{-2, 0, 2, 0, 1} << pts({{0, 0}, {1, 0}, {2, 0}});
        QTest::newRow("hline w 1") << "hline" << QList<int>{10, 5, 1, 1} << pts({{10, 5}});
        QTest::newRow("hline w 0 draws two") << "hline" << QList<int>{10, 5, 0, 1} << pts({{9, 5}, {10, 5}});
        QTest::newRow("hline w 3") << "hline" << QList<int>{10, 5, 3, 1} << span(10, 12, 5, 5);
        QTest::newRow("vline h 0 draws two") << "vline" << QList<int>{10, 5, 0, 1} << pts({{10, 4}, {10, 5}});
        QTest::newRow("vline h 2") << "vline" << QList<int>{10, 5, 2, 1} << span(10, 10, 5, 6);
        QTest::newRow("fillRect w 0") << "fillRect" << QList<int>{3, 4, 0, 5, 1} << pts({});
        QTest::newRow("fillRect w -3") << "fillRect" << QList<int>{3, 4, -3, 5, 1} << pts({});
        QTest::newRow("fillRect 1 x 1") << "fillRect" << QList<int>{3, 4, 1, 1, 1} << pts({{3, 4}});
        QTest::newRow("fillRect 3 x 2") << "fillRect" << QList<int>{3, 4, 3, 2, 1} << span(3, 5, 4, 5);
        QTest::newRow("fillRect over the right edge")
            << "fillRect" << QList<int>{126, 62, 5, 5, 1} << span(126, 127, 62, 63);
        QTest::newRow("rect 3 x 3") << "rect" << QList<int>{1, 1, 3, 3, 1}
                                    << pts({{1, 1}, {2, 1}, {3, 1}, {1, 2}, {3, 2}, {1, 3}, {2, 3}, {3, 3}});
        QTest::newRow("circle r 0") << "circle" << QList<int>{20, 20, 0, 1} << pts({{20, 20}});
        QTest::newRow("circle r 1") << "circle" << QList<int>{20, 20, 1, 1}
                                    << pts({{20, 19}, {19, 20}, {21, 20}, {20, 21}});
        QTest::newRow("circle r 2 in the corner")
            << "circle" << QList<int>{0, 0, 2, 1} << pts({{2, 0}, {2, 1}, {0, 2}, {1, 2}});
        QTest::newRow("circle r 3") << "circle" << QList<int>{10, 10, 3, 1}
                                    << pts({{9, 7},
                                            {10, 7},
                                            {11, 7},
                                            {8, 8},
                                            {12, 8},
                                            {7, 9},
                                            {13, 9},
                                            {7, 10},
                                            {13, 10},
                                            {7, 11},
                                            {13, 11},
                                            {8, 12},
                                            {12, 12},
                                            {9, 13},
                                            {10, 13},
                                            {11, 13}});
        QTest::newRow("fillCircle r 0") << "fillCircle" << QList<int>{5, 5, 0, 1} << pts({{5, 5}});
        QTest::newRow("fillCircle r 1") << "fillCircle" << QList<int>{5, 5, 1, 1}
                                        << pts({{5, 4}, {4, 5}, {5, 5}, {6, 5}, {5, 6}});
        QList<QPoint> round = span(2, 7, 0, 0) + span(2, 7, 7, 7) + span(0, 0, 2, 5) + span(9, 9, 2, 5);
        round += pts({{0, 1}, {1, 0}, {8, 0}, {9, 1}, {8, 7}, {9, 6}, {0, 6}, {1, 7}});
        QTest::newRow("round rect 10 x 8, r 2") << "roundRect" << QList<int>{0, 0, 10, 8, 2, 1} << round;
        QTest::newRow("round rect r 0 is a rect")
            << "roundRect" << QList<int>{1, 1, 3, 3, 0, 1}
            << pts({{1, 1}, {2, 1}, {3, 1}, {1, 2}, {3, 2}, {1, 3}, {2, 3}, {3, 3}});
    }
    void shapes()
    {
        QFETCH(QString, shape);
        QFETCH(QList<int>, args);
        QFETCH(QList<QPoint>, lit);
        DrawBench d;
        draw(d.canvas, shape, args);
        QCOMPARE(litPixels(d.canvas.buffer()), sorted(lit));
    }

    // Colour 0 clears exactly what colour 1 would set.
    void shapesInColourZeroClear()
    {
        DrawBench on;
        DrawBench off('\xFF');
        for (Canvas *c : {&on.canvas, &off.canvas}) {
            const std::uint8_t colour = c == &on.canvas ? 1 : 0;
            c->glcd_drawRoundRect(3, 2, 50, 30, 6, colour);
            c->glcd_fillCircle(90, 30, 20, colour);
            c->glcd_drawLine(0, 63, 127, 0, colour);
        }
        QCOMPARE(off.canvas.buffer(), inverted(on.canvas.buffer()));
    }

    void rectangleAroundTheDisplay()
    {
        DrawBench d;
        d.canvas.glcd_drawRect(0, 0, 128, 64, 1);
        const QByteArray &b = d.canvas.buffer();
        QCOMPARE(std::uint8_t(b[0]), std::uint8_t(0xFF));
        QCOMPARE(std::uint8_t(b[1]), std::uint8_t(0x01));
        QCOMPARE(std::uint8_t(b[1023]), std::uint8_t(0xFF));
        QCOMPARE(std::uint8_t(b[1000]), std::uint8_t(0x80));
        QCOMPARE(litPixels(b).size(), 2 * 128 + 2 * 62);
    }

    // Each column of a filled disc runs without gaps between the top and
    // bottom pixel that the circle outline has in that column, and the disc
    // is mirror-symmetric both ways.
    void filledCircleFillsItsOutline_data()
    {
        QTest::addColumn<int>("r");
        for (int r : {1, 2, 3, 5, 8, 13, 20, 31})
            QTest::addRow("r %d", r) << r;
    }
    void filledCircleFillsItsOutline()
    {
        QFETCH(int, r);
        DrawBench disc;
        DrawBench ring;
        disc.canvas.glcd_fillCircle(64, 32, std::uint8_t(r), 1);
        ring.canvas.glcd_circle(64, 32, r, 1);
        const QByteArray &filled = disc.canvas.buffer();
        for (int x = 0; x < 128; ++x) {
            int top = 64;
            int bottom = -1;
            for (int y = 0; y < 64; ++y)
                if (pixelAt(ring.canvas.buffer(), x, y)) {
                    top = qMin(top, y);
                    bottom = qMax(bottom, y);
                }
            for (int y = 0; y < 64; ++y) {
                QCOMPARE(pixelAt(filled, x, y), y >= top && y <= bottom);
                if (qAbs(x - 64) <= r && qAbs(y - 32) <= r) {
                    QCOMPARE(pixelAt(filled, 128 - x, y), pixelAt(filled, x, y));
                    QCOMPARE(pixelAt(filled, x, 64 - y), pixelAt(filled, x, y));
                }
            }
        }
    }

    // The half-disc helper: bit 1 right, bit 2 left, delta stretches down.
    void fillCircleHelperHalves()
    {
        DrawBench right;
        DrawBench left;
        DrawBench both;
        right.canvas.glcd_fillCircleHelper(20, 20, 5, 1, 4, 1);
        left.canvas.glcd_fillCircleHelper(20, 20, 5, 2, 4, 1);
        both.canvas.glcd_fillCircleHelper(20, 20, 5, 3, 4, 1);
        for (const QPoint &p : litPixels(right.canvas.buffer()))
            QVERIFY(p.x() > 20);
        for (const QPoint &p : litPixels(left.canvas.buffer()))
            QVERIFY(p.x() < 20);
        QCOMPARE(litPixels(both.canvas.buffer()).size(),
                 litPixels(right.canvas.buffer()).size() + litPixels(left.canvas.buffer()).size());
        QVERIFY(pixelAt(right.canvas.buffer(), 21, 29)); // 20 + 5 rows below the centre + 4
        QVERIFY(!pixelAt(right.canvas.buffer(), 21, 30));
    }

    // Lines skip their off-display part in one step and still plot the very
    // pixels of the step-by-step algorithm.
    void clippedLinesMatchTheStepByStepOnes()
    {
        auto *random = QRandomGenerator::global();
        DrawBench d;
        for (int i = 0; i < 3000; ++i) {
            const int x0 = random->bounded(-400, 400);
            const int y0 = random->bounded(-300, 300);
            const int x1 = random->bounded(-400, 400);
            const int y1 = random->bounded(-300, 300);
            d.canvas.glcd_cls();
            d.canvas.glcd_drawLine(x0, y0, x1, y1, 1);
            if (litPixels(d.canvas.buffer()) != plainBresenham(x0, y0, x1, y1))
                QFAIL(qPrintable(QStringLiteral("line (%1, %2) - (%3, %4)").arg(x0).arg(y0).arg(x1).arg(y1)));
        }
    }

    // Coordinates anywhere in 32 bits: no overflow, and the work is the
    // display's, not the line's.
    void farCoordinatesCostNothingExtra()
    {
        DrawBench d;
        QElapsedTimer t;
        t.start();
        d.canvas.glcd_drawLine(-2000000000, -1000000000, 2000000000, 1000000000, 1);
        QList<QPoint> halfSlope;
        for (int x = 0; x < 128; ++x)
            halfSlope << QPoint(x, x / 2);
        QCOMPARE(litPixels(d.canvas.buffer()), sorted(halfSlope));

        d.canvas.glcd_cls();
        d.canvas.glcd_fillRect(-1000000000, 10, 2000000000, 2, 1);
        d.canvas.glcd_drawFastHLine(INT_MAX, 0, INT_MAX, 1);
        d.canvas.glcd_drawFastVLine(INT_MIN, INT_MIN, INT_MAX, 1);
        d.canvas.glcd_drawRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1);
        QCOMPARE(litPixels(d.canvas.buffer()), span(0, 127, 10, 11));
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    }

    // A geometry larger than the link's buffer loses the pixels past its end.
    void geometryLargerThanTheBuffer()
    {
        DrawBench d;
        d.canvas.SetDisplayHeight(200);
        d.canvas.glcd_fillRect(0, 0, 128, 200, 1);
        QCOMPARE(d.canvas.buffer().size(), 1024);
        QCOMPARE(d.canvas.buffer(), QByteArray(1024, '\xFF'));
        d.canvas.SetDisplayHeight(64);
        d.canvas.SetDisplayWidth(300);
        d.canvas.glcd_cls();
        d.canvas.glcd_setPixel(299, 63, 1); // byte 299 + 7 * 300
        d.canvas.glcd_setPixel(100, 24, 1); // byte 100 + 3 * 300
        QCOMPARE(d.canvas.buffer().count('\0'), 1023);
        QCOMPARE(std::uint8_t(d.canvas.buffer()[1000]), std::uint8_t(0x01));
    }

    // Without a link nothing is drawn (the cursor still moves); a link that
    // goes away clears the reference.
    void withoutALinkNothingHappens()
    {
        DrawBench d('\x5A');
        d.canvas.SetZqLibUSB(nullptr);
        d.canvas.glcd_cls();
        d.canvas.glcd_setPixel(1, 1, 1);
        d.canvas.glcd_drawLine(0, 0, 50, 50, 0);
        d.canvas.glcd_drawRect(0, 0, 128, 64, 1);
        d.canvas.glcd_fillRect(0, 0, 128, 64, 0);
        d.canvas.glcd_drawRoundRect(0, 0, 60, 40, 5, 1);
        d.canvas.glcd_circle(30, 30, 10, 1);
        d.canvas.glcd_drawCircleHelper(30, 30, 10, 15, 1);
        d.canvas.glcd_fillCircle(30, 30, 10, 1);
        d.canvas.glcd_fillCircleHelper(30, 30, 10, 3, 2, 1);
        d.canvas.glcd_drawBitmap(0, 0, TextPicture({"##", "##"}), 1);
        d.canvas.glcd_puts(0, 0, "AB", 1, 1, 0);
        QCOMPARE(d.canvas.cur_x, 12);
        QCOMPARE(d.bench.link().DevBuffer, QByteArray(1024, '\x5A'));

        auto *link = new TZqLibUSB(nullptr, &d.bench.simulator());
        d.canvas.SetZqLibUSB(link);
        QCOMPARE(d.canvas.ZqLibUSB(), link);
        delete link;
        QVERIFY(!d.canvas.ZqLibUSB());
        d.canvas.glcd_fillRect(0, 0, 128, 64, 1);
    }

    // Black picture pixels become the colour; white and other colours keep
    // what is there; pixels off the display are dropped.
    void bitmap_data()
    {
        QTest::addColumn<char>("fill");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("color");
        QTest::addColumn<QList<QPoint>>("changed");
        QTest::newRow("colour 1 on clear") << '\0' << 10 << 20 << 1 << pts({{10, 20}, {12, 20}, {11, 21}});
        QTest::newRow("colour 0 cuts out") << '\xFF' << 10 << 20 << 0 << pts({{10, 20}, {12, 20}, {11, 21}});
        QTest::newRow("colour 7 is on") << '\0' << 10 << 20 << 7 << pts({{10, 20}, {12, 20}, {11, 21}});
        QTest::newRow("clipped at the top left") << '\0' << -1 << -1 << 1 << pts({{0, 0}});
        QTest::newRow("colour 1 on set changes nothing") << '\xFF' << 10 << 20 << 1 << pts({});
    }
    void bitmap()
    {
        QFETCH(char, fill);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, color);
        QFETCH(QList<QPoint>, changed);
        DrawBench d(fill);
        const QByteArray before = d.canvas.buffer();
        d.canvas.glcd_drawBitmap(x, y, TextPicture({"#.#r", ".#.."}), std::uint8_t(color));
        QByteArray flipped = before;
        for (const QPoint &p : changed)
            flipped[p.x() + p.y() / 8 * 128] = char(flipped[p.x() + p.y() / 8 * 128] ^ (1 << (p.y() % 8)));
        QCOMPARE(d.canvas.buffer(), flipped);
    }

    void allWhitePictureChangesNothing()
    {
        DrawBench d;
        d.canvas.buffer() = testFrame();
        QStringList white(64, QString(128, QLatin1Char('.')));
        d.canvas.glcd_drawBitmap(0, 0, TextPicture(white), 1);
        d.canvas.glcd_drawBitmap(0, 0, TextPicture(white), 0);
        QCOMPARE(d.canvas.buffer(), testFrame());
    }
};

int runDrawingTests(int argc, char **argv)
{
    TestDrawing t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_drawing.moc"
