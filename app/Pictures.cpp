#include "Pictures.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace Pictures {

namespace {

constexpr int MinFontPixels = 8;

QFont uiFont(int pixelSize, bool bold = false)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QImage transparentCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void prepare(QPainter &p) { p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing); }

QColor blend(const QColor &a, const QColor &b, qreal weightOfB)
{
    const qreal wa = 1.0 - weightOfB;
    return QColor::fromRgbF(a.redF() * wa + b.redF() * weightOfB, a.greenF() * wa + b.greenF() * weightOfB,
                            a.blueF() * wa + b.blueF() * weightOfB);
}

// Chips print a family or maker over the part number: first word on its own line.
QString firstWordAbove(const QString &text)
{
    const int space = text.indexOf(u' ');
    return space < 0 ? text : text.left(space) + u'\n' + text.mid(space + 1);
}

struct FittedText {
    QFont font;
    QString text;
};

// Largest bold font that prints `text` inside `area`; a single line is
// preferred down to `minSingleLine` pixels before the text is split.
FittedText fitText(const QString &text, const QRectF &area, int largest, int minSingleLine)
{
    for (int size = largest; size >= minSingleLine; --size) {
        const QFont font = uiFont(size, true);
        if (QFontMetrics(font).horizontalAdvance(text) <= area.width())
            return {font, text};
    }
    const QString split = firstWordAbove(text);
    for (int size = largest; size > MinFontPixels; --size) {
        const QFont font = uiFont(size, true);
        const QRect needed = QFontMetrics(font).boundingRect(area.toRect(), Qt::AlignCenter, split);
        if (needed.width() <= area.width() && needed.height() <= area.height())
            return {font, split};
    }
    return {uiFont(MinFontPixels, true), split};
}

// --- chip package -----------------------------------------------------------

constexpr int ChipHeight = ChipPictureSize.height();
constexpr int ChipPinsPerSide = 4;
constexpr qreal ChipPinPitch = 26;
const QRectF ChipBody(8, 14, 112, 52);

void drawDipPin(QPainter &p, qreal centreX, qreal bodyEdgeY, int outward)
{
    // Wide shoulder at the body, narrow leg beyond it, as a DIP lead looks from above.
    const qreal shoulderLen = 6, legLen = 6;
    const qreal y0 = outward > 0 ? bodyEdgeY : bodyEdgeY - shoulderLen;
    const qreal y1 = outward > 0 ? bodyEdgeY + shoulderLen : bodyEdgeY - shoulderLen - legLen;
    const QRectF shoulder(centreX - 6, y0, 12, shoulderLen);
    const QRectF leg(centreX - 3, y1, 6, legLen);

    QLinearGradient metal(centreX - 6, 0, centreX + 6, 0);
    metal.setColorAt(0.0, QColor(0x8c, 0x90, 0x96));
    metal.setColorAt(0.45, QColor(0xf2, 0xf4, 0xf6));
    metal.setColorAt(1.0, QColor(0x9a, 0x9e, 0xa4));
    p.setPen(QPen(QColor(0x5c, 0x60, 0x66), 0.8));
    p.setBrush(metal);
    p.drawRect(leg);
    p.drawRect(shoulder);
}

void drawDipBody(QPainter &p)
{
    QLinearGradient mould(0, ChipBody.top(), 0, ChipBody.bottom());
    mould.setColorAt(0.0, QColor(0x3c, 0x3c, 0x40));
    mould.setColorAt(1.0, QColor(0x10, 0x10, 0x12));
    p.setPen(QPen(QColor(0x05, 0x05, 0x05), 1));
    p.setBrush(mould);
    p.drawRoundedRect(ChipBody, 3, 3);

    const QRectF face = ChipBody.adjusted(3, 3, -3, -3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x22, 0x22, 0x25));
    p.drawRoundedRect(face, 2, 2);

    // Orientation notch on the pin-1 end.
    const QPointF notchCentre(ChipBody.left(), ChipBody.center().y());
    p.setBrush(QColor(0x08, 0x08, 0x09));
    p.drawPie(QRectF(notchCentre.x() - 7, notchCentre.y() - 7, 14, 14), -90 * 16, 180 * 16);

    // Moulded pin-1 dot next to pin 1 (bottom left in this view).
    p.setPen(QPen(QColor(0x55, 0x55, 0x5a), 1));
    p.setBrush(QColor(0x0c, 0x0c, 0x0e));
    p.drawEllipse(QPointF(ChipBody.left() + 11, ChipBody.bottom() - 10), 3.5, 3.5);
}

void drawChipLabel(QPainter &p, const QString &label)
{
    // Clear of the notch and the pin-1 dot.
    const QRectF area = ChipBody.adjusted(19, 4, -8, -4);
    const FittedText fitted = fitText(label, area, 17, 13);
    p.setFont(fitted.font);
    p.setPen(QColor(0xf4, 0xf4, 0xf4));
    p.drawText(area, Qt::AlignCenter, fitted.text);
}

// --- OLED module ------------------------------------------------------------

constexpr int OledHeight = OledPictureSize.height();
const char *const OledPinNames[] = {"GND", "VCC", "SCL", "SDA"};
constexpr qreal OledPinPitch = 22;
constexpr qreal OledPinY = 10;
const QRectF OledGlass(5, 34, 118, 74);
const QRectF OledActiveArea(10, 40, 108, 54);

void drawOledBoard(QPainter &p)
{
    const QRectF board(0.5, 0.5, PagePictureWidth - 1, OledHeight - 1);
    QLinearGradient pcb(0, 0, 0, OledHeight);
    pcb.setColorAt(0.0, QColor(0x1f, 0x6c, 0xc4));
    pcb.setColorAt(1.0, QColor(0x12, 0x4a, 0x92));
    p.setPen(QPen(QColor(0x0b, 0x35, 0x6e), 1));
    p.setBrush(pcb);
    p.drawRoundedRect(board, 5, 5);

    const QPointF holes[] = {{8, 8}, {120, 8}, {8, 112}, {120, 112}};
    for (const QPointF &hole : holes) {
        p.setPen(QPen(QColor(0xd9, 0xc2, 0x7a), 1.5));
        p.setBrush(QColor(0xee, 0xf1, 0xf4));
        p.drawEllipse(hole, 3.5, 3.5);
    }
}

void drawOledHeader(QPainter &p)
{
    const qreal firstX = PagePictureWidth / 2.0 - 1.5 * OledPinPitch;
    p.setFont(uiFont(8, true));
    for (int i = 0; i < 4; ++i) {
        const qreal x = firstX + i * OledPinPitch;
        p.setPen(QPen(QColor(0xb8, 0x9a, 0x3c), 1));
        p.setBrush(QColor(0xe6, 0xcd, 0x78));
        p.drawEllipse(QPointF(x, OledPinY), 4.5, 4.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x6e, 0x72, 0x78));
        p.drawRect(QRectF(x - 2, OledPinY - 2, 4, 4));
        p.setPen(Qt::white);
        p.drawText(QRectF(x - OledPinPitch / 2, OledPinY + 6, OledPinPitch, 12), Qt::AlignCenter,
                   QString::fromLatin1(OledPinNames[i]));
    }
}

QFont pixelFont(int pixelSize)
{
    QFont font = uiFont(pixelSize, true);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// The glass shows a coarse pixel image, as a 128 x 64 panel does at this scale.
QImage oledScreenContent()
{
    constexpr int Scale = 2;
    const QSize size(int(OledActiveArea.width()) / Scale, int(OledActiveArea.height()) / Scale);
    QImage screen(size, QImage::Format_ARGB32_Premultiplied);
    screen.fill(Qt::black);
    QPainter p(&screen);
    p.setPen(Qt::white);
    p.setFont(pixelFont(11));
    p.drawText(QRect(0, 0, size.width(), 13), Qt::AlignCenter, QStringLiteral("OLED"));
    p.drawLine(4, 14, size.width() - 5, 14);
    p.setFont(pixelFont(9));
    p.drawText(QRect(0, 15, size.width(), 12), Qt::AlignCenter, QStringLiteral("12:34:56"));
    p.end();

    const QRgb lit = qRgb(0xd6, 0xf3, 0xff);
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            screen.setPixel(x, y, qGray(screen.pixel(x, y)) > 110 ? lit : qRgb(0, 0, 0));
    return screen.scaled(size * Scale);
}

void drawOledGlass(QPainter &p)
{
    p.setPen(QPen(QColor(0x6a, 0x70, 0x78), 1));
    p.setBrush(QColor(0x14, 0x16, 0x1a));
    p.drawRect(OledGlass);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc9, 0x8a, 0x2e));
    p.drawRect(QRectF(44, OledGlass.bottom(), 40, 6));
    p.drawImage(OledActiveArea.topLeft(), oledScreenContent());
}

// --- connector pinout -------------------------------------------------------

constexpr int TitleBaseline = 30;
constexpr int TableLeft = 196;
constexpr int PinColumnWidth = 44;
constexpr int SignalColumnWidth = 78;
constexpr int HeadTop = 50;
constexpr int HeadHeight = 25;
constexpr int RowHeight = 27;
constexpr int TableWidth = PinColumnWidth + ColumnCount * SignalColumnWidth;
constexpr int TableBottom = HeadTop + HeadHeight + PinCount * RowHeight;

const QColor PaperColour(0xfa, 0xfa, 0xf7);
const QColor InkColour(0x22, 0x26, 0x2a);
const QColor GridColour(0xcf, 0xd4, 0xd9);

QRect signalCell(int column, int rowTop, int height)
{
    return QRect(TableLeft + PinColumnWidth + column * SignalColumnWidth, rowTop, SignalColumnWidth, height);
}

void drawTitle(QPainter &p)
{
    p.setPen(InkColour);
    p.setFont(uiFont(19, true));
    p.drawText(QPoint(18, TitleBaseline), QStringLiteral("RZT-USBasp v4.2 \u2013 10-pin connector"));
    p.setPen(QColor(0x6b, 0x72, 0x7a));
    p.setFont(uiFont(12));
    p.drawText(QRect(0, TitleBaseline - 14, PinoutSize.width() - 20, 18), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("AVR ISP header"));
}

void drawTableHead(QPainter &p)
{
    p.setFont(uiFont(13, true));
    const QRect pinHead(TableLeft, HeadTop, PinColumnWidth, HeadHeight);
    p.fillRect(pinHead, QColor(0x4a, 0x50, 0x57));
    p.setPen(Qt::white);
    p.drawText(pinHead, Qt::AlignCenter, QStringLiteral("pin"));
    for (int c = 0; c < ColumnCount; ++c) {
        const PinoutColumn &column = pinoutColumns()[c];
        const QRect cell = signalCell(c, HeadTop, HeadHeight);
        p.fillRect(cell, column.colour);
        p.drawText(cell, Qt::AlignCenter, QString::fromLatin1(column.title));
    }
}

void drawTableRow(QPainter &p, int index)
{
    const PinSignals &row = pinoutRows()[index];
    const int top = HeadTop + HeadHeight + index * RowHeight;
    p.fillRect(QRect(TableLeft, top, TableWidth, RowHeight), index % 2 ? QColor(0xf1, 0xf3, 0xf5) : QColor(Qt::white));

    p.setPen(InkColour);
    p.setFont(uiFont(13, true));
    p.drawText(QRect(TableLeft, top, PinColumnWidth, RowHeight), Qt::AlignCenter, QString::number(row.pin));

    p.setFont(uiFont(12, true));
    for (int c = 0; c < ColumnCount; ++c) {
        const QString signal = QString::fromLatin1(row.signal[c]);
        if (signal.isEmpty())
            continue;
        const QColor colour = pinoutColumns()[c].colour;
        const QRect cell = signalCell(c, top, RowHeight);
        p.fillRect(cell.adjusted(1, 1, 0, 0), blend(colour, Qt::white, 0.78));
        p.setPen(colour.darker(165));
        p.drawText(cell, Qt::AlignCenter, signal);
    }
}

void drawTableGrid(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(GridColour);
    for (int i = 1; i < PinCount; ++i) {
        const int y = HeadTop + HeadHeight + i * RowHeight;
        p.drawLine(TableLeft, y, TableLeft + TableWidth - 1, y);
    }
    for (int c = 0; c <= ColumnCount; ++c) {
        const int x = TableLeft + PinColumnWidth + c * SignalColumnWidth;
        p.drawLine(x, HeadTop + HeadHeight, x, TableBottom - 1);
    }
    p.setPen(QColor(0x8f, 0x96, 0x9d));
    p.drawRect(TableLeft, HeadTop, TableWidth - 1, TableBottom - HeadTop - 1);
    p.setRenderHint(QPainter::Antialiasing, true);
}

// The 2 x 5 boxed header, key slot on the left, odd pins in the left column.
constexpr qreal HeaderPitch = 40;
constexpr qreal HeaderCentreX = 98;
constexpr qreal HeaderPadding = 20;

QPointF headerPinCentre(int pin, qreal firstRowY)
{
    const int row = (pin - 1) / 2;
    const qreal x = HeaderCentreX + (pin % 2 ? -HeaderPitch / 2 : HeaderPitch / 2);
    return QPointF(x, firstRowY + row * HeaderPitch);
}

void drawHeaderShroud(QPainter &p, const QRectF &shroud)
{
    p.setPen(QPen(QColor(0x12, 0x12, 0x14), 1.2));
    p.setBrush(QColor(0x3a, 0x3d, 0x42));
    p.drawRoundedRect(shroud, 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1e, 0x20, 0x23));
    p.drawRoundedRect(shroud.adjusted(7, 7, -7, -7), 2, 2);
    // Key slot cut through the wall on the odd-pin side.
    p.setBrush(PaperColour);
    p.drawRect(QRectF(shroud.left() - 1, shroud.center().y() - 15, 8, 30));
}

void drawHeaderPin(QPainter &p, int pin, const QPointF &centre)
{
    const bool first = pin == 1;
    const QRectF pad(centre.x() - 8, centre.y() - 8, 16, 16);
    QLinearGradient gold(pad.topLeft(), pad.bottomRight());
    gold.setColorAt(0.0, QColor(0xfb, 0xe7, 0x9c));
    gold.setColorAt(1.0, QColor(0xb8, 0x8a, 0x22));
    p.setPen(QPen(first ? QColor(0xe8, 0x3b, 0x2e) : QColor(0x6e, 0x55, 0x12), first ? 2.5 : 1));
    p.setBrush(gold);
    p.drawRect(pad);

    p.setFont(uiFont(13, true));
    p.setPen(first ? QColor(0xd0, 0x2e, 0x22) : InkColour);
    const qreal labelWidth = 30;
    const bool odd = pin % 2;
    const qreal edge = HeaderPitch / 2 + HeaderPadding + 6;
    const QRectF label(odd ? HeaderCentreX - edge - labelWidth : HeaderCentreX + edge, centre.y() - 10, labelWidth, 20);
    p.drawText(label, (odd ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, QString::number(pin));
}

void drawPin1Marker(QPainter &p, const QRectF &shroud)
{
    // A triangle on the wall beside pin 1, as moulded on most boxed headers.
    const qreal x = headerPinCentre(1, 0).x();
    const qreal y = shroud.top() + 3.5;
    QPainterPath arrow;
    arrow.moveTo(x - 5, y - 2.5);
    arrow.lineTo(x + 5, y - 2.5);
    arrow.lineTo(x, y + 3.5);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf2, 0xf2, 0xf2));
    p.drawPath(arrow);
}

void drawHeader(QPainter &p)
{
    const qreal height = 4 * HeaderPitch + 2 * HeaderPadding;
    const qreal top = (HeadTop + HeadHeight + TableBottom) / 2.0 - height / 2;
    const qreal halfWidth = HeaderPitch / 2 + HeaderPadding;
    const QRectF shroud(HeaderCentreX - halfWidth, top, 2 * halfWidth, height);
    drawHeaderShroud(p, shroud);
    drawPin1Marker(p, shroud);
    for (int pin = 1; pin <= PinCount; ++pin)
        drawHeaderPin(p, pin, headerPinCentre(pin, top + HeaderPadding));

    p.setFont(uiFont(11));
    p.setPen(QColor(0x6b, 0x72, 0x7a));
    p.drawText(QRectF(HeaderCentreX - 80, shroud.bottom() + 6, 160, 16), Qt::AlignCenter, QStringLiteral("top view"));
}

} // namespace

const std::array<PinoutColumn, ColumnCount> &pinoutColumns()
{
    static const std::array<PinoutColumn, ColumnCount> columns{{
        {"UART", QColor(0xd9, 0x73, 0x1a)},
        {"SPI", QColor(0x2f, 0x7d, 0xd8)},
        {"I2C", QColor(0x23, 0x9b, 0x56)},
        {"ISP", QColor(0x8e, 0x44, 0xad)},
        {"PWR", QColor(0xc0, 0x39, 0x2b)},
    }};
    return columns;
}

const std::array<PinSignals, PinCount> &pinoutRows()
{
    //                                   UART   SPI     I2C    ISP     PWR
    static const std::array<PinSignals, PinCount> rows{{
        {1, {"", "MOSI", "", "MOSI", ""}},
        {2, {"", "", "", "", "VCC"}},
        {3, {"TX", "D/C", "", "", ""}},
        {4, {"RX", "", "", "", ""}},
        {5, {"", "CS", "", "RST", ""}},
        {6, {"", "", "", "", "GND"}},
        {7, {"", "SCK", "SCL", "SCK", ""}},
        {8, {"", "", "", "", "GND"}},
        {9, {"", "MISO", "SDA", "MISO", ""}},
        {10, {"", "", "", "", "GND"}},
    }};
    return rows;
}

QPixmap chipPackagePicture(const QString &label)
{
    QImage image = transparentCanvas(PagePictureWidth, ChipHeight);
    QPainter p(&image);
    prepare(p);
    const qreal firstX = ChipBody.center().x() - (ChipPinsPerSide - 1) * ChipPinPitch / 2;
    for (int i = 0; i < ChipPinsPerSide; ++i) {
        const qreal x = firstX + i * ChipPinPitch;
        drawDipPin(p, x, ChipBody.top(), -1);
        drawDipPin(p, x, ChipBody.bottom(), +1);
    }
    drawDipBody(p);
    drawChipLabel(p, label);
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap oledModulePicture()
{
    QImage image = transparentCanvas(PagePictureWidth, OledHeight);
    QPainter p(&image);
    prepare(p);
    drawOledBoard(p);
    drawOledHeader(p);
    drawOledGlass(p);
    p.end();
    return QPixmap::fromImage(image);
}

QImage connectorPinoutPicture()
{
    QImage image(PinoutSize, QImage::Format_RGB32);
    image.fill(PaperColour);
    QPainter p(&image);
    prepare(p);
    drawTitle(p);
    drawTableHead(p);
    for (int i = 0; i < PinCount; ++i)
        drawTableRow(p, i);
    drawTableGrid(p);
    drawHeader(p);
    p.end();
    return image;
}

} // namespace Pictures
