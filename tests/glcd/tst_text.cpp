// The built-in font and the text operations: glyph rows, cells, scaling,
// background, alignment and the cursor.
#include "Cp1250.h"
#include "Font5x7.h"
#include "GlcdTextFields.h"
#include "GlcdFixtures.h"

#include <QSet>
#include <QtTest>

namespace {
QByteArray glyph(int code)
{
    return QByteArray(reinterpret_cast<const char *>(Font5x7.data()) + code * kGlyphColumns, kGlyphColumns);
}

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

bool usesRow(const QByteArray &columns, int row)
{
    return std::any_of(columns.begin(), columns.end(), [row](char c) { return (std::uint8_t(c) >> row) & 1; });
}
} // namespace

class TestText : public QObject {
    Q_OBJECT

private slots:
    // The page's text fields as typed: what is drawn and which fields fall back.
    void textFields_data()
    {
        QTest::addColumn<QStringList>("typed"); // back, colour, x, y, size
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QList<bool>>("resets");
        const QList<bool> none{false, false, false, false, false};
        QTest::newRow("plain") << QStringList{"1", "0", "10", "20", "2"} << QList<int>{1, 0, 10, 20, 2} << none;
        QTest::newRow("edges") << QStringList{"0", "1", "-5", "63", "4"} << QList<int>{0, 1, -5, 63, 4} << none;
        QTest::newRow("colours out of range")
            << QStringList{"2", "-1", "0", "0", "1"} << QList<int>{0, 0, 0, 0, 1}
            << QList<bool>{true, true, false, false, false};
        QTest::newRow("size 0") << QStringList{"0", "0", "0", "0", "0"} << QList<int>{0, 0, 0, 0, 1}
                                << QList<bool>{false, false, false, false, true};
        QTest::newRow("size 5") << QStringList{"0", "0", "0", "0", "5"} << QList<int>{0, 0, 0, 0, 1}
                                << QList<bool>{false, false, false, false, true};
        QTest::newRow("not numbers") << QStringList{"", "x", "1e3", "0x10", " "} << QList<int>{0, 0, 0, 0, 1}
                                     << QList<bool>{true, true, true, true, true};
        QTest::newRow("beyond int") << QStringList{"0", "0", "2147483648", "-2147483649", "1"}
                                    << QList<int>{0, 0, 0, 0, 1} << QList<bool>{false, false, true, true, false};
        QTest::newRow("typed -9999 counts as no number")
            << QStringList{"0", "0", "-9999", "2147483647", "1"} << QList<int>{0, 0, 0, 2147483647, 1}
            << QList<bool>{false, false, true, false, false};
        QTest::newRow("one past the mark is a place")
            << QStringList{"0", "0", "-9998", "-10000", "1"} << QList<int>{0, 0, -9998, -10000, 1} << none;
    }
    void textFields()
    {
        QFETCH(QStringList, typed);
        QFETCH(QList<int>, values);
        QFETCH(QList<bool>, resets);
        const TGlcdTextFields f = ParseGlcdTextFields(typed[0], typed[1], typed[2], typed[3], typed[4]);
        QCOMPARE((QList<int>{f.Back, f.Colour, f.X, f.Y, f.Size}), values);
        QCOMPARE((QList<bool>{f.BackReset, f.ColourReset, f.XReset, f.YReset, f.SizeReset}), resets);
    }
    // Text placed anywhere an int reaches draws only what lands on the glass.
    void textFarOff_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("far right") << INT_MAX << 0;
        QTest::newRow("far left") << INT_MIN << 0;
        QTest::newRow("far down") << 0 << INT_MAX;
        QTest::newRow("far up") << 0 << INT_MIN;
    }
    void textFarOff()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        DrawBench d;
        const QByteArray before = d.canvas.buffer();
        d.canvas.glcd_puts(x, y, QByteArray("Brindle Brindle"), 4, 1, 0);
        QCOMPARE(d.canvas.buffer(), before);
    }
    // The rows the font must carry byte for byte.
    void fixedGlyphRows_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("columns");
        const struct {
            int code;
            const char *bytes;
        } rows[] = {
            {0x20, "0000000000"}, {0x24, "244AFF5224"}, {0x2C, "0080600000"}, {0x2D, "0808080808"},
            {0x2E, "0000400000"}, {0x2F, "2010080402"}, {0x30, "3E5149453E"}, {0x31, "00427F4000"},
            {0x32, "6251494946"}, {0x33, "2241494936"}, {0x34, "1816117F10"}, {0x35, "2745454539"},
            {0x36, "3E49494932"}, {0x37, "0101710D03"}, {0x38, "3649494936"}, {0x39, "264949493E"},
            {0x3A, "0000240000"}, {0x41, "7E1111117E"}, {0x5F, "8080808080"}, {0x67, "18A4A4A47C"},
            {0x8C, "26494B4932"}, {0x8F, "62564B4642"}, {0x9C, "0854565520"}, {0x9F, "4464564D44"},
            {0xA3, "107F484440"}, {0xA5, "7E1111D1BE"}, {0xAF, "6159494D43"}, {0xB3, "00497F4400"},
            {0xB9, "205454D4B8"}, {0xBF, "4464554C44"}, {0xC6, "3C42464324"}, {0xCA, "7F4949C981"},
            {0xD1, "7F040B107F"}, {0xD3, "3C4246433C"}, {0xE6, "3844464528"}, {0xEA, "385454D498"},
            {0xF1, "7C04060578"}, {0xF3, "3844464538"}, {0xFC, "00081C3E7F"}, {0xFD, "7F3E1C0800"},
            {0xFE, "0609090600"}, {0xAD, "0609090600"}, {0xB0, "0609090600"}, {0xFF, "FFFFFFFFFF"},
            {0x0C, "7F00000000"}, {0x7F, "7F00000000"}, {0x80, "7F00000000"},
        };
        for (const auto &r : rows)
            QTest::addRow("0x%02X", r.code) << r.code << hex(r.bytes);
        for (int c : {0x01, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x0B, 0x0E, 0x10, 0x15, 0x1A, 0x1B})
            QTest::addRow("0x%02X placeholder", c) << c << hex("3F3F000000");
        for (int c : {0x00, 0x02, 0x09, 0x0A, 0x0D, 0x1C, 0x1D, 0x1E, 0x1F, 0x81,
                      0x82, 0x83, 0x84, 0x85, 0x88, 0x90, 0x98, 0xA0, 0xB2, 0xB8})
            QTest::addRow("0x%02X blank", c) << c << hex("0000000000");
    }
    void fixedGlyphRows()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, columns);
        QCOMPARE(glyph(code).toHex(' '), columns.toHex(' '));
    }

    // The glyphs drawn for this font: every printable ASCII character and
    // every letter of the code page's upper half shows something, capitals
    // and digits stay above row 7, descenders reach it, and no two of them
    // look alike.
    void glyphsOfOneBuild()
    {
        const QByteArray symbolsNotLetters("\xFC\xFD\xFE\xFF");
        QHash<QByteArray, int> seen;
        for (int c = 0x21; c <= 0xFF; ++c) {
            if (c >= 0x7F && c <= 0xA0)
                continue;
            const QChar ch = Cp1250::ToUnicode(std::uint8_t(c));
            const bool letter = ch.isLetter() && !symbolsNotLetters.contains(char(c));
            if (c > 0x7E && !letter)
                continue;
            const QByteArray g = glyph(c);
            QVERIFY2(g != QByteArray(5, '\0'), qPrintable(QStringLiteral("0x%1 blank").arg(c, 2, 16)));
            QVERIFY2(!seen.contains(g),
                     qPrintable(QStringLiteral("0x%1 looks like 0x%2").arg(c, 2, 16).arg(seen[g], 2, 16)));
            seen.insert(g, c);
        }
        for (char c : QByteArray("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"))
            QVERIFY2(!usesRow(glyph(std::uint8_t(c)), 7), QByteArray(1, c).constData());
        for (char c : QByteArray("gjpqy,;_"))
            QVERIFY2(usesRow(glyph(std::uint8_t(c)), 7), QByteArray(1, c).constData());
        for (char c : QByteArray("acemnorsuvwxz"))
            QVERIFY2(!usesRow(glyph(std::uint8_t(c)), 0) && !usesRow(glyph(std::uint8_t(c)), 7),
                     QByteArray(1, c).constData());
    }

    void letterAtTheOrigin()
    {
        DrawBench d;
        d.canvas.glcd_puts(0, 0, "A", 1, 1, 0);
        QByteArray expected(1024, '\0');
        expected.replace(0, 5, hex("7E1111117E"));
        QCOMPARE(d.canvas.buffer(), expected);
        QCOMPARE(d.canvas.cur_x, 6);
        QCOMPARE(d.canvas.cur_y, 0);
    }

    // bg = color leaves the unlit pixels alone; otherwise the whole 6 x 8
    // cell is drawn, spacing column included; colours compare as bytes.
    void background_data()
    {
        QTest::addColumn<char>("fill");
        QTest::addColumn<int>("color");
        QTest::addColumn<int>("bg");
        QTest::addColumn<QByteArray>("cell"); // bytes 0..5
        QTest::newRow("transparent on a pattern") << '\x80' << 1 << 1 << hex("FE9191 91FE80");
        QTest::newRow("drawn background on set") << '\xFF' << 1 << 0 << hex("7E1111117E00");
        QTest::newRow("inverse on set") << '\xFF' << 0 << 1 << hex("81EEEEEE81FF");
        QTest::newRow("transparent in colour 0") << '\xFF' << 0 << 0 << hex("81EEEEEE81FF");
        QTest::newRow("colour 1 on bg 2 is all on") << '\0' << 1 << 2 << hex("FFFFFFFFFFFF");
    }
    void background()
    {
        QFETCH(char, fill);
        QFETCH(int, color);
        QFETCH(int, bg);
        QFETCH(QByteArray, cell);
        DrawBench d(fill);
        d.canvas.glcd_puts(0, 0, "A", 1, std::uint8_t(color), std::uint8_t(bg));
        QByteArray expected(1024, fill);
        expected.replace(0, 6, cell);
        QCOMPARE(d.canvas.buffer().toHex(), expected.toHex());
    }

    // Size 2: each cell pixel a 2 x 2 square, the cell 12 x 16.
    void doubleSize()
    {
        DrawBench d('\xFF');
        d.canvas.glcd_puts(0, 0, "1", 2, 1, 0);
        QByteArray expected(1024, '\xFF');
        expected.replace(0, 12, hex("00000C0CFFFF000000000000"));
        expected.replace(128, 12, hex("00003030 3F3F3030 00000000"));
        QCOMPARE(d.canvas.buffer().toHex(), expected.toHex());
        QCOMPARE(d.canvas.cur_x, 12);
    }

    void sizeZeroDrawsNothing()
    {
        DrawBench d('\xA5');
        d.canvas.glcd_puts(5, 7, "AB", 0, 1, 0);
        QCOMPARE(d.canvas.buffer(), QByteArray(1024, '\xA5'));
        QCOMPARE(d.canvas.cur_x, 5);
        QCOMPARE(d.canvas.cur_y, 7);
    }

    void textLength_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("length");
        QTest::newRow("5 at 1") << QByteArray("KESTO") << 1 << 30;
        QTest::newRow("5 at 3") << QByteArray("KESTO") << 3 << 90;
        QTest::newRow("empty") << QByteArray() << 4 << 0;
        QTest::newRow("wraps at 65536") << QByteArray(11000, 'x') << 1 << 66000 - 65536;
    }
    void textLength()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, size);
        QFETCH(int, length);
        DrawBench d;
        QCOMPARE(int(d.canvas.glcd_text_len(text, std::uint8_t(size))), length);
    }

    // Right-aligned at 124: starts at 94, ends with its spacing column at
    // 123; the cursor ends at 124.
    void rightAlignment()
    {
        DrawBench right;
        DrawBench left;
        right.canvas.glcd_puts2(124, 45, "KESTO", 1, 1, 0, gaRight);
        left.canvas.glcd_puts(94, 45, "KESTO", 1, 1, 0);
        QCOMPARE(right.canvas.buffer(), left.canvas.buffer());
        QCOMPARE(right.canvas.cur_x, 124);
        QCOMPARE(right.canvas.cur_y, 45);
        QVERIFY(pixelAt(right.canvas.buffer(), 94, 45)); // K's stem
        for (int y = 45; y < 53; ++y) {
            QVERIFY(!pixelAt(right.canvas.buffer(), 93, y));
            QVERIFY(!pixelAt(right.canvas.buffer(), 123, y));
        }
        DrawBench plain;
        plain.canvas.glcd_puts2(7, 3, "ab", 2, 1, 0, gaLeft);
        DrawBench puts;
        puts.canvas.glcd_puts(7, 3, "ab", 2, 1, 0);
        QCOMPARE(plain.canvas.buffer(), puts.canvas.buffer());
        QCOMPARE(plain.canvas.cur_x, 31);
    }

    void emptyStringSetsTheCursor_data()
    {
        QTest::addColumn<int>("align");
        QTest::newRow("left") << int(gaLeft);
        QTest::newRow("right") << int(gaRight);
    }
    void emptyStringSetsTheCursor()
    {
        QFETCH(int, align);
        DrawBench d;
        d.canvas.glcd_puts2(50, 10, QByteArray(), 1, 1, 0, TGLCD_ALIGN(align));
        QCOMPARE(d.canvas.cur_x, 50);
        QCOMPARE(d.canvas.cur_y, 10);
        d.canvas.glcd_puts(20, 30, QByteArray(), 1, 1, 0);
        QCOMPARE(d.canvas.cur_x, 20);
        QCOMPARE(d.canvas.cur_y, 30);
        QCOMPARE(d.canvas.buffer(), QByteArray(1024, '\0'));
    }

    // Rows 60..63 stay, 64..67 are dropped; text left of column 0 is cut
    // pixel by pixel.
    void clippedAtTheEdges()
    {
        DrawBench bottom;
        bottom.canvas.glcd_puts(0, 60, "A", 1, 1, 0);
        QByteArray expected(1024, '\0');
        expected.replace(896, 6, hex("E01010 10E000"));
        QCOMPARE(bottom.canvas.buffer().toHex(), expected.toHex());

        DrawBench left;
        left.canvas.glcd_puts(-3, 0, "A", 1, 1, 0);
        expected.fill('\0');
        expected.replace(0, 2, hex("117E"));
        QCOMPARE(left.canvas.buffer().toHex(), expected.toHex());
    }

    void numbers()
    {
        DrawBench d;
        d.canvas.glcd_put_int(0, 0, -42, 1, 1, 0);
        QByteArray expected(1024, '\0');
        expected.replace(0, 18, glyph('-') + '\0' + glyph('4') + '\0' + glyph('2') + '\0');
        QCOMPARE(d.canvas.buffer().toHex(), expected.toHex());
        QCOMPARE(d.canvas.cur_x, 18);
        d.canvas.glcd_put_int1(7, 1, 1, 0);
        expected.replace(18, 5, glyph('7'));
        QCOMPARE(d.canvas.buffer().toHex(), expected.toHex());
        QCOMPARE(d.canvas.cur_x, 24);

        DrawBench extreme;
        extreme.canvas.glcd_put_int(0, 8, INT_MIN, 1, 1, 0);
        QCOMPARE(extreme.canvas.cur_x, 11 * 6);
    }

    // puts1 goes on from the cursor, also on the next row set by puts.
    void continuingALine()
    {
        DrawBench d;
        d.canvas.glcd_puts(10, 20, "ab", 1, 1, 0);
        d.canvas.glcd_puts1("cd", 1, 1, 0);
        DrawBench once;
        once.canvas.glcd_puts(10, 20, "abcd", 1, 1, 0);
        QCOMPARE(d.canvas.buffer(), once.canvas.buffer());
        QCOMPARE(d.canvas.cur_x, 34);
    }

    // Polish text from the window, converted to Windows-1250, draws with its
    // diacritics; 0x01 draws the placeholder.
    void polishLettersAndControls()
    {
        DrawBench d;
        const QByteArray text = Cp1250::Encode(QStringLiteral("łŻó\u0001"));
        QCOMPARE(text, QByteArray("\xB3\xAF\xF3\x01"));
        d.canvas.glcd_puts(0, 0, text, 1, 1, 0);
        QByteArray expected(1024, '\0');
        expected.replace(0, 24, glyph(0xB3) + '\0' + glyph(0xAF) + '\0' + glyph(0xF3) + '\0' + glyph(0x01) + '\0');
        QCOMPARE(d.canvas.buffer().toHex(), expected.toHex());
        QCOMPARE(d.canvas.buffer().left(5), hex("00497F4400"));
        QCOMPARE(d.canvas.buffer().mid(18, 5), hex("3F3F000000"));
    }
};

int runTextTests(int argc, char **argv)
{
    TestText t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_text.moc"
