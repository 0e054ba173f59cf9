#include "DisplayScenes.h"

#include "Cp1250.h"
#include "GlcdPicture.h"
#include "ZqGLCDDriver.h"

#include <QPointer>

namespace {

// The demo's texts, Windows-1250: a web address and a name in two lines.
const QByteArray kDemoWeb = "www.example.com";
const QByteArray kDemoName1 = "\xA3ukasz"; // Łukasz
const QByteArray kDemoName2 = "Wr\xF3"
                              "bel"; // Wróbel

void DrawPicture(TZqGLCDBase *display, int x, int y, const GlcdPicture *picture, std::uint8_t color)
{
    if (picture)
        display->glcd_drawBitmap(x, y, *picture, color);
}

} // namespace

void DrawClockFrame(TZqGLCDBase *display, const QDateTime &now, const QLocale &locale)
{
    const QByteArray time = Cp1250::Encode(locale.toString(now.time(), QLocale::LongFormat));
    const QByteArray date = Cp1250::Encode(locale.toString(now.date(), QLocale::ShortFormat));
    display->glcd_cls();
    display->glcd_puts(4, 4, time.mid(0, 5), 3, 1, 0);
    display->glcd_puts(92, 4, ":", 2, 1, 0);
    display->glcd_puts(102, 4, time.mid(6, 2), 2, 1, 0);
    display->glcd_drawFastHLine(30, 29, 75, 1);
    display->glcd_puts(38, 32, date, 1, 1, 0);
    display->glcd_puts(10, 46, "V-USB", 2, 1, 0);
    display->glcd_puts2(124, 45, "KESTO", 1, 1, 0, gaRight);
    display->glcd_puts2(124, 54, "display", 1, 1, 0, gaRight);
    display->glcd_drawRect(0, 0, 128, 64, 1);
    display->glcd_display();
}

DemoPictureNames DemoPictureNamesFor(bool inverted, bool oled)
{
    return {inverted ? "zubel_inv.bmp" : "zubel.bmp", inverted ? "zubel1_inv.bmp" : "zubel1.bmp",
            inverted && !oled ? "kesto_logo_inv.bmp" : "kesto_logo.bmp"};
}

void RunDisplayDemo(TZqGLCDDriver *target, const DemoPictures &pictures, bool inverted,
                    const std::function<void(int ms)> &wait)
{
    QPointer<TZqGLCDDriver> display(target);
    const std::uint8_t textColor = inverted ? 0 : 1;
    const std::uint8_t backColor = inverted ? 1 : 0;
    const std::uint8_t logoColor = inverted ? 0 : 1;
    for (int x = 128; x >= 0 && display; x -= 4) {
        display->glcd_cls();
        DrawPicture(display, x, 0, pictures.slide, 1);
        display->glcd_display();
    }
    wait(2000);
    const std::function<void()> steps[] = {
        [&] {
            display->glcd_cls();
            DrawPicture(display, 0, 0, pictures.portrait, 1);
        },
        [&] { display->glcd_puts2(124, 3, kDemoWeb, 1, textColor, backColor, gaRight); },
        [&] { DrawPicture(display, 90, 14, pictures.logo, logoColor); },
        [&] { display->glcd_puts2(124, 42, kDemoName1, 1, textColor, backColor, gaRight); },
        [&] { display->glcd_puts2(124, 52, kDemoName2, 1, textColor, backColor, gaRight); },
    };
    for (const auto &step : steps) {
        if (!display)
            return;
        step();
        display->glcd_display();
        wait(500);
    }
}
