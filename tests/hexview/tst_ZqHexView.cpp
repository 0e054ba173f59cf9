#include "BgrColor.h"
#include "ChipGuard.h"
#include "ZqFonts.h"
#include "ZqHexView.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <climits>
#include <memory>

namespace {

struct Run {
    QString text;
    QColor color;
    bool bold;
};

// What the document holds, fragment by fragment: the formats the user sees.
QList<Run> BlockRuns(const QTextBlock &block)
{
    QList<Run> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        runs.append({fragment.text(), format.foreground().color(), format.fontWeight() >= QFont::Bold});
    }
    return runs;
}

QList<QList<Run>> DocumentRuns(const TZqHexView &view)
{
    QList<QList<Run>> lines;
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next())
        lines.append(BlockRuns(block));
    return lines;
}

// Block texts; the block after the last line break is left out.
QStringList Lines(const TZqHexView &view)
{
    QStringList lines;
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next())
        lines.append(block.text());
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray Sequence(int count, int first = 0)
{
    QByteArray bytes(count, 0);
    for (int i = 0; i < count; ++i)
        bytes[i] = char((first + i) & 0xFF);
    return bytes;
}

// The character column starts at position 57 (index 56) for a three-digit address.
QString AsciiColumn(const QString &line, bool addGap)
{
    QString column = line.mid(56);
    if (addGap && column.size() > 8)
        column.remove(8, 2);
    return column;
}

const QColor kPurple(128, 0, 128);
const QColor kGrey(128, 128, 128);
const QColor kAzure(0, 128, 255);
const QColor kBlue(0, 0, 255);
const QColor kSilver(192, 192, 192);

} // namespace

class TestZqHexView : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void defaults();
    void fontIsOnlyReadAtConstruction();
    void missingFamiliesGiveTheSystemsFonts();
    void colorFromBgr_data();
    void colorFromBgr();

    void lineLayout_data();
    void lineLayout();
    void header_data();
    void header();
    void fullDumpOf512Bytes();
    void addresses_data();
    void addresses();
    void partialLineKeepsColumns_data();
    void partialLineKeepsColumns();

    void lineColours_data();
    void lineColours();
    void colourChangesWaitForNextShowHex();
    void colorsReset();

    void dumpCharacters_data();
    void dumpCharacters();
    void polishTextReadsBack();

    void nothingToShow_data();
    void nothingToShow();
    void shortBufferIsNotReadPastItsEnd();
    void displayEndOncePerDump();
    void showsStartOfDump();

    void selectionToBytes_data();
    void selectionToBytes();
    void selectionGoneWithTheDump();

private:
    std::unique_ptr<TZqHexView> view;
    int displayEnds = 0;
    QObject *lastSender = nullptr;
};

void TestZqHexView::init()
{
    view = std::make_unique<TZqHexView>();
    displayEnds = 0;
    lastSender = nullptr;
    view->OnDisplayEnd = [this](QObject *Sender) {
        ++displayEnds;
        lastSender = Sender;
    };
}

void TestZqHexView::cleanup() { view.reset(); }

void TestZqHexView::defaults()
{
    TZqHexView fresh;
    QCOMPARE(fresh.FontSize(), 10);
    QCOMPARE(fresh.FontName(), QStringLiteral("Courier New"));
    QCOMPARE(fresh.ColorsReset(), false);
    QCOMPARE(fresh.ColorAddress(), kPurple);
    QCOMPARE(fresh.ColorHex(), kGrey);
    QCOMPARE(fresh.ColorHexLight(), kAzure);
    QCOMPARE(fresh.ColorAscii(), kBlue);
    QCOMPARE(fresh.ColorAsciiLight(), kSilver);
    QCOMPARE(fresh.ShowHeader(), true);
    QCOMPARE(fresh.AddGap(), true);
    QVERIFY(!fresh.OnDisplayEnd);
    QCOMPARE(fresh.Color(), QApplication::palette().color(QPalette::Base));
    QVERIFY(fresh.isReadOnly());
    QCOMPARE(fresh.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(fresh.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(fresh.lineWrapMode(), QTextEdit::NoWrap);

    // Whatever face stands in for Courier New, the columns must line up.
    const QFont font = fresh.document()->defaultFont();
    QCOMPARE(font.pointSize(), 10);
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF regular(font), heavy(bold);
    QCOMPARE(regular.horizontalAdvance(QLatin1Char('i')), regular.horizontalAdvance(QLatin1Char('W')));
    QCOMPARE(heavy.horizontalAdvance(QLatin1Char('W')), regular.horizontalAdvance(QLatin1Char('W')));
}

void TestZqHexView::fontIsOnlyReadAtConstruction()
{
    const QFont before = view->document()->defaultFont();
    view->SetFontSize(24);
    view->SetFontName(QStringLiteral("Serif"));
    QCOMPARE(view->FontSize(), 24);
    QCOMPARE(view->FontName(), QStringLiteral("Serif"));
    view->ShowHex(Sequence(16), 16, 0);
    QCOMPARE(view->document()->defaultFont(), before);
}

void TestZqHexView::colorFromBgr_data()
{
    QTest::addColumn<quint32>("bgr");
    QTest::addColumn<QColor>("color");
    QTest::newRow("purple") << quint32(0x800080) << kPurple;
    QTest::newRow("azure, blue in the high byte") << quint32(16744448) << kAzure;
    QTest::newRow("red in the low byte") << quint32(0x0000FF) << QColor(255, 0, 0);
    QTest::newRow("green in the middle") << quint32(0x00FF00) << QColor(0, 255, 0);
}

void TestZqHexView::colorFromBgr()
{
    QFETCH(quint32, bgr);
    QFETCH(QColor, color);
    QCOMPARE(ColorFromBgr(bgr), color);
}

void TestZqHexView::lineLayout_data()
{
    QTest::addColumn<bool>("addGap");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("content");

    for (const bool gap : {true, false}) {
        const char *tag = gap ? "gap" : "no gap";
        QTest::addRow("%s: address", tag) << gap << 1 << 3 << "040";
        QTest::addRow("%s: after address", tag) << gap << 4 << 5 << "  ";
        QTest::addRow("%s: bytes 0-7", tag) << gap << 6 << 28 << "41 42 43 44 45 46 47 48";
        QTest::addRow("%s: mid-line gap", tag) << gap << 29 << 30 << "  ";
        QTest::addRow("%s: bytes 8-15", tag) << gap << 31 << 54 << "49 4A 4B 4C 4D 4E 4F 50 ";
        QTest::addRow("%s: after hex", tag) << gap << 55 << 56 << "  ";
        QTest::addRow("%s: characters 0-7", tag) << gap << 57 << 64 << "ABCDEFGH";
    }
    QTest::addRow("gap: character gap") << true << 65 << 66 << "  ";
    QTest::addRow("gap: characters 8-15") << true << 67 << 74 << "IJKLMNOP";
    QTest::addRow("no gap: characters 8-15") << false << 65 << 72 << "IJKLMNOP";
}

void TestZqHexView::lineLayout()
{
    QFETCH(bool, addGap);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, content);

    view->SetShowHeader(false);
    view->SetAddGap(addGap);
    view->ShowHex(Sequence(16, 'A'), 16, 0x40);
    const QStringList lines = Lines(*view);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines[0].size(), addGap ? 74 : 72);
    QCOMPARE(lines[0].mid(from - 1, to - from + 1), content);
}

void TestZqHexView::header_data()
{
    QTest::addColumn<bool>("addGap");
    QTest::addColumn<int>("ruleLength");
    QTest::newRow("gap") << true << 74;
    QTest::newRow("no gap") << false << 72;
}

void TestZqHexView::header()
{
    QFETCH(bool, addGap);
    QFETCH(int, ruleLength);

    view->SetAddGap(addGap);
    view->ShowHex(Sequence(16), 16, 0);
    const QStringList lines = Lines(*view);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("adr  data") + QString(47, ' ') + QStringLiteral("ascii"));
    QCOMPARE(lines[0].indexOf(QStringLiteral("ascii")), 56);
    QCOMPARE(lines[1], QString(ruleLength, '-'));
    QVERIFY(lines[2].startsWith(QStringLiteral("000  00 01")));

    const QList<QList<Run>> runs = DocumentRuns(*view);
    QCOMPARE(runs[0].size(), 2);
    QCOMPARE(runs[0][0].text, QStringLiteral("adr "));
    QCOMPARE(runs[0][0].color, kSilver);
    QVERIFY(runs[0][0].bold);
    QCOMPARE(runs[0][1].color, kSilver);
    QVERIFY(!runs[0][1].bold);
    QCOMPARE(runs[1].size(), 1);
    QCOMPARE(runs[1][0].color, kSilver);
    QVERIFY(!runs[1][0].bold);

    view->SetShowHeader(false);
    view->ShowHex(Sequence(16), 16, 0);
    QVERIFY(Lines(*view).constFirst().startsWith(QStringLiteral("000  00 01")));
}

void TestZqHexView::fullDumpOf512Bytes()
{
    view->ShowHex(Sequence(512), 512, 0);
    const QStringList lines = Lines(*view);
    QCOMPARE(lines.size(), 2 + 32);
    // Every line, the last one too, ends with a line break.
    QCOMPARE(view->document()->blockCount(), 2 + 32 + 1);
    QCOMPARE(lines[1], QString(74, '-'));
    for (int line = 0; line < 32; ++line) {
        const QString &text = lines[2 + line];
        QCOMPARE(text.size(), 74);
        QCOMPARE(text.left(5), QString::number(line * 16, 16).toUpper().rightJustified(3, '0') + "  ");
    }
    QVERIFY(lines.last().startsWith(QStringLiteral("1F0  F0 F1 F2 F3 F4 F5 F6 F7  F8 F9 FA FB FC FD FE FF ")));
}

void TestZqHexView::addresses_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("firstAddress");
    QTest::addColumn<QString>("lastAddress");

    QTest::newRow("one byte") << 1 << 0 << "000"
                              << "000";
    QTest::newRow("last 0x0F still three digits") << 16 << 0 << "000"
                                                  << "000";
    QTest::newRow("4096 bytes: last FFF") << 4096 << 0 << "000"
                                          << "FF0";
    QTest::newRow("4097 bytes: last 1000") << 4097 << 0 << "0000"
                                           << "1000";
    QTest::newRow("offset start") << 32 << 0x7F8 << "7F8"
                                  << "808";
    QTest::newRow("past INT_MAX") << 32 << 0x7FFFFFF0 << "7FFFFFF0"
                                  << "80000000";
    QTest::newRow("negative start wraps") << 32 << -16 << "FFFFFFF0"
                                          << "000";
}

void TestZqHexView::addresses()
{
    QFETCH(int, count);
    QFETCH(int, start);
    QFETCH(QString, firstAddress);
    QFETCH(QString, lastAddress);

    view->SetShowHeader(false);
    view->ShowHex(QByteArray(count, 0x55), count, start);
    const QList<QList<Run>> runs = DocumentRuns(*view);
    QCOMPARE(runs.constFirst().constFirst().text, firstAddress + "  ");
    QCOMPARE(runs[runs.size() - 2].constFirst().text, lastAddress + "  ");
}

void TestZqHexView::partialLineKeepsColumns_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("ascii");

    QTest::newRow("1") << 1 << "61" + QString(47, ' ') << "a";
    QTest::newRow("6") << 6 << "61 62 63 64 65 66" + QString(32, ' ') << "abcdef";
    QTest::newRow("7") << 7 << "61 62 63 64 65 66 67" + QString(29, ' ') << "abcdefg";
    QTest::newRow("8") << 8 << "61 62 63 64 65 66 67 68" + QString(26, ' ') << "abcdefgh  ";
    QTest::newRow("9") << 9 << "61 62 63 64 65 66 67 68  69" + QString(22, ' ') << "abcdefgh  i";
    QTest::newRow("15") << 15 << "61 62 63 64 65 66 67 68  69 6A 6B 6C 6D 6E 6F" + QString(4, ' ')
                        << "abcdefgh  ijklmno";
}

void TestZqHexView::partialLineKeepsColumns()
{
    QFETCH(int, count);
    QFETCH(QString, hex);
    QFETCH(QString, ascii);

    view->SetShowHeader(false);
    view->ShowHex(QByteArray(16, 'x') + Sequence(count, 'a'), 16 + count, 0);
    const QStringList lines = Lines(*view);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(AsciiColumn(lines[0], false), QStringLiteral("xxxxxxxx  xxxxxxxx"));
    QCOMPARE(lines[1].left(5), QStringLiteral("010  "));
    QCOMPARE(lines[1].mid(5, 49), hex);
    QCOMPARE(lines[1].mid(54, 2), QStringLiteral("  "));
    QCOMPARE(lines[1].mid(56), ascii);
}

void TestZqHexView::lineColours_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QColor>("hexColor");
    QTest::addColumn<QColor>("asciiColor");

    QTest::newRow("sixteen FF: erased") << QByteArray(16, '\xFF') << kGrey << kSilver;
    QTest::newRow("fifteen FF, FE last") << QByteArray(15, '\xFF') + '\xFE' << kAzure << kBlue;
    QTest::newRow("FE first, fifteen FF") << '\xFE' + QByteArray(15, '\xFF') << kAzure << kBlue;
    QTest::newRow("partial line of FF") << QByteArray(15, '\xFF') << kAzure << kBlue;
    QTest::newRow("single FF") << QByteArray(1, '\xFF') << kAzure << kBlue;
    QTest::newRow("sixteen 00") << QByteArray(16, '\0') << kAzure << kBlue;
}

void TestZqHexView::lineColours()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QColor, hexColor);
    QFETCH(QColor, asciiColor);

    view->SetShowHeader(false);
    view->ShowHex(bytes, bytes.size(), 0);
    const QList<Run> runs = DocumentRuns(*view).constFirst();
    QCOMPARE(runs.size(), 3);
    QCOMPARE(runs[0].text, QStringLiteral("000  "));
    QCOMPARE(runs[0].color, kPurple);
    QVERIFY(runs[0].bold);
    QCOMPARE(runs[1].text.size(), 49 + 2);
    QCOMPARE(runs[1].color, hexColor);
    QVERIFY(!runs[1].bold);
    QCOMPARE(runs[2].color, asciiColor);
    QVERIFY(!runs[2].bold);
}

void TestZqHexView::colourChangesWaitForNextShowHex()
{
    const QByteArray bytes = QByteArray(16, '\xFF') + QByteArray(16, 'D');
    view->SetShowHeader(false);
    view->ShowHex(bytes, bytes.size(), 0);

    view->SetColorAddress(Qt::red);
    view->SetColorHex(Qt::green);
    view->SetColorHexLight(Qt::cyan);
    view->SetColorAscii(Qt::magenta);
    view->SetColorAsciiLight(Qt::yellow);
    QCOMPARE(DocumentRuns(*view)[0][1].color, kGrey);

    view->ShowHex(bytes, bytes.size(), 0);
    const QList<QList<Run>> runs = DocumentRuns(*view);
    QCOMPARE(runs[0][0].color, QColor(Qt::red));
    QCOMPARE(runs[0][1].color, QColor(Qt::green));
    QCOMPARE(runs[0][2].color, QColor(Qt::yellow));
    QCOMPARE(runs[1][1].color, QColor(Qt::cyan));
    QCOMPARE(runs[1][2].color, QColor(Qt::magenta));
}

void TestZqHexView::colorsReset()
{
    const QColor window = QApplication::palette().color(QPalette::Base);
    view->SetColorAddress(Qt::red);
    view->SetColorHex(Qt::red);
    view->SetColorHexLight(Qt::red);
    view->SetColorAscii(Qt::red);
    view->SetColorAsciiLight(Qt::red);
    view->SetColor(Qt::darkGreen);
    QCOMPARE(view->Color(), QColor(Qt::darkGreen));

    view->SetColorsReset(false);
    QCOMPARE(view->ColorHex(), QColor(Qt::red));
    QCOMPARE(view->Color(), QColor(Qt::darkGreen));

    view->SetColorsReset(true);
    QCOMPARE(view->ColorsReset(), false);
    QCOMPARE(view->ColorAddress(), kPurple);
    QCOMPARE(view->ColorHex(), kGrey);
    QCOMPARE(view->ColorHexLight(), kAzure);
    QCOMPARE(view->ColorAscii(), kBlue);
    QCOMPARE(view->ColorAsciiLight(), kSilver);
    QCOMPARE(view->Color(), window);

    view->SetShowHeader(false);
    view->ShowHex(QByteArray(16, '\xFF'), 16, 0);
    const QList<Run> runs = DocumentRuns(*view).constFirst();
    QCOMPARE(runs[0].color, kPurple);
    QCOMPARE(runs[1].color, kGrey);
    QCOMPARE(runs[2].color, kSilver);
}

void TestZqHexView::dumpCharacters_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("shown");

    QTest::newRow("00") << 0x00 << ".";
    QTest::newRow("0A line feed") << 0x0A << ".";
    QTest::newRow("0D carriage return") << 0x0D << ".";
    QTest::newRow("1F") << 0x1F << ".";
    QTest::newRow("20 space") << 0x20 << " ";
    QTest::newRow("41") << 0x41 << "A";
    QTest::newRow("7E") << 0x7E << "~";
    QTest::newRow("7F") << 0x7F << "\u007F";
    QTest::newRow("80 euro") << 0x80 << "€";
    QTest::newRow("81 undefined") << 0x81 << ".";
    QTest::newRow("8C") << 0x8C << "Ś";
    QTest::newRow("A0 no-break space") << 0xA0 << "\u00A0";
    QTest::newRow("A5") << 0xA5 << "Ą";
    QTest::newRow("AD soft hyphen keeps its cell") << 0xAD << "-";
    QTest::newRow("B9") << 0xB9 << "ą";
    QTest::newRow("FE") << 0xFE << "ţ";
    QTest::newRow("FF") << 0xFF << ".";
}

void TestZqHexView::dumpCharacters()
{
    QFETCH(int, byte);
    QFETCH(QString, shown);

    view->SetShowHeader(false);
    view->ShowHex(QByteArray(1, char(byte)), 1, 0);
    QCOMPARE(DocumentRuns(*view).constFirst().constLast().text, shown);
}

void TestZqHexView::polishTextReadsBack()
{
    const QString text = QStringLiteral("Zażółć gęślą jaźń. ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż");
    const QByteArray written("Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1. \xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF "
                             "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF");
    view->SetShowHeader(false);
    view->ShowHex(written, written.size(), 0);
    QString readBack;
    for (const QString &line : Lines(*view))
        readBack += AsciiColumn(line, true);
    QCOMPARE(readBack, text);
}

void TestZqHexView::nothingToShow_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("count");
    QTest::newRow("zero") << QByteArray(16, 'a') << 0;
    QTest::newRow("negative") << QByteArray(16, 'a') << -1;
    QTest::newRow("INT_MIN") << QByteArray(16, 'a') << INT_MIN;
    QTest::newRow("empty buffer") << QByteArray() << 16;
}

void TestZqHexView::nothingToShow()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, count);

    view->ShowHex(Sequence(40), 40, 0);
    const QString before = view->toPlainText();
    QCOMPARE(displayEnds, 1);

    view->ShowHex(buffer, count, 0);
    QCOMPARE(view->toPlainText(), before);
    QCOMPARE(displayEnds, 1);
}

void TestZqHexView::shortBufferIsNotReadPastItsEnd()
{
    view->SetShowHeader(false);
    const QByteArray twenty = Sequence(20, 'a');
    view->ShowHex(twenty, 4096, 0);
    const QStringList lines = Lines(*view);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith(QStringLiteral("000  61 62")));
    QCOMPARE(lines[1].left(5), QStringLiteral("010  "));
    QCOMPARE(lines[1].mid(56), QStringLiteral("qrst"));
    QCOMPARE(displayEnds, 1);
}

void TestZqHexView::displayEndOncePerDump()
{
    view->ShowHex(Sequence(2048), 2048, 0);
    QCOMPARE(displayEnds, 1);
    QCOMPARE(lastSender, view.get());

    view->ShowHex(Sequence(16), 16, 0);
    QCOMPARE(displayEnds, 2);
    QCOMPARE(Lines(*view).size(), 2 + 1);

    TZqHexView unassigned;
    unassigned.ShowHex(Sequence(16), 16, 0);
    QCOMPARE(Lines(unassigned).size(), 3);
}

void TestZqHexView::showsStartOfDump()
{
    view->resize(400, 200);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    view->ShowHex(Sequence(65536), 65536, 0);
    QVERIFY(view->verticalScrollBar()->maximum() > 0);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());

    view->ShowHex(Sequence(65536), 65536, 0);
    QCOMPARE(view->textCursor().position(), 0);
    QCOMPARE(view->verticalScrollBar()->value(), 0);
    QCOMPARE(view->horizontalScrollBar()->value(), 0);
}

// A family the system lacks is replaced by the system's own choice (fixed
// pitch or general), at the size asked; an installed one is kept.
void TestZqHexView::missingFamiliesGiveTheSystemsFonts()
{
    const QString missing = QStringLiteral("No Such Family Brindle");
    const QFont fixed = ZqFonts::FixedPitch(missing, 17);
    QCOMPARE(fixed.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    QCOMPARE(fixed.pointSize(), 17);
    const QFont caption = ZqFonts::Caption(missing + QStringLiteral(" 2"), 7);
    QCOMPARE(caption.family(), QApplication::font().family());
    QCOMPARE(caption.pointSize(), 7);
    QCOMPARE(ZqFonts::FixedPitch(missing, 9).pointSize(), 9);
    const QString installed = QFontDatabase::families().value(0);
    QVERIFY(!installed.isEmpty());
    QCOMPARE(ZqFonts::Caption(installed, 11).family(), installed);
}

// 40 bytes from 0x10: lines at 010 and 020 full, 030 with 8 bytes. Columns
// as the user counts them in "010  10 11 ...": hex of byte c at 5 + 3c (+1
// after the eighth), characters from 56 (+2 after the eighth with the gap).
// A position is (line, column); lines -2 and -1 are the header's.
void TestZqHexView::selectionToBytes_data()
{
    QTest::addColumn<bool>("header");
    QTest::addColumn<bool>("gap");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("count");
    QTest::newRow("one hex byte") << true << true << QPoint(0, 5) << QPoint(0, 7) << 0 << 1;
    QTest::newRow("hex digits half taken") << true << true << QPoint(0, 9) << QPoint(0, 12) << 1 << 2;
    QTest::newRow("across the hex gap") << true << true << QPoint(0, 26) << QPoint(0, 32) << 7 << 2;
    QTest::newRow("characters across the gap") << true << true << QPoint(0, 63) << QPoint(0, 67) << 7 << 2;
    QTest::newRow("characters without the gap") << true << false << QPoint(0, 63) << QPoint(0, 65) << 7 << 2;
    QTest::newRow("only the gap's spaces") << true << true << QPoint(0, 64) << QPoint(0, 66) << 0 << 0;
    QTest::newRow("hex spacing up to the characters") << true << true << QPoint(0, 53) << QPoint(0, 56) << 0 << 0;
    QTest::newRow("hex to characters of the next line") << true << true << QPoint(0, 51) << QPoint(1, 60) << 15 << 5;
    QTest::newRow("whole line from its address") << true << true << QPoint(1, 0) << QPoint(2, 0) << 16 << 16;
    QTest::newRow("from the header") << true << true << QPoint(-2, 3) << QPoint(0, 7) << 0 << 1;
    QTest::newRow("header only") << true << true << QPoint(-2, 0) << QPoint(-1, 20) << 0 << 0;
    QTest::newRow("no header") << false << true << QPoint(0, 5) << QPoint(0, 7) << 0 << 1;
    QTest::newRow("partial line to its hex end") << true << true << QPoint(2, 5) << QPoint(2, 54) << 32 << 8;
    QTest::newRow("partial line past its bytes") << true << true << QPoint(2, 35) << QPoint(2, 54) << 0 << 0;
    QTest::newRow("partial line characters") << true << false << QPoint(2, 58) << QPoint(3, 0) << 34 << 6;
    QTest::newRow("to the end") << true << true << QPoint(1, 56) << QPoint(3, 0) << 16 << 24;
}

void TestZqHexView::selectionToBytes()
{
    QFETCH(bool, header);
    QFETCH(bool, gap);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, first);
    QFETCH(int, count);
    QByteArray bytes;
    for (int i = 0; i < 40; ++i)
        bytes += char(0x41 + i);
    view->SetShowHeader(header);
    view->SetAddGap(gap);
    view->ShowHex(bytes, int(bytes.size()), 0x10);
    const int headerLines = header ? 2 : 0;
    const auto position = [&](QPoint p) {
        return view->document()->findBlockByNumber(headerLines + p.x()).position() + p.y();
    };
    QTextCursor cursor(view->document());
    cursor.setPosition(position(from));
    cursor.setPosition(position(to), QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    const TZqHexView::TByteRange range = view->SelectedBytes();
    QCOMPARE(range.count, count);
    if (count == 0) {
        QVERIFY(view->SelectionText().isEmpty());
        return;
    }
    QCOMPARE(range.first, first);
    // Dragged the other way, the same bytes.
    cursor.setPosition(position(to));
    cursor.setPosition(position(from), QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    QCOMPARE(view->SelectedBytes().first, first);
    QCOMPARE(view->SelectedBytes().count, count);
    const auto address = [](int a) {
        return QStringLiteral("0x") + QString::number(a, 16).toUpper().rightJustified(4, '0');
    };
    QCOMPARE(view->SelectionText(),
             QStringLiteral("selection %1..%2: %3 %4, CRC-32 %5")
                 .arg(address(0x10 + first), address(0x10 + first + count - 1))
                 .arg(count)
                 .arg(count == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"))
                 .arg(QString::number(Crc32(bytes.mid(first, count)), 16).toUpper().rightJustified(8, '0')));
}

// Text that is not the dump (progress, a reason) holds no bytes.
void TestZqHexView::selectionGoneWithTheDump()
{
    view->ShowHex(QByteArray(32, 'x'), 32, 0);
    view->selectAll();
    QCOMPARE(view->SelectedBytes().count, 32);
    view->setPlainText(QStringLiteral("reading EEPROM ... 0%"));
    view->selectAll();
    QCOMPARE(view->SelectedBytes().count, 0);
    QVERIFY(view->SelectionText().isEmpty());
}

QTEST_MAIN(TestZqHexView)
#include "tst_ZqHexView.moc"
