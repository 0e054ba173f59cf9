#pragma once
// The display page's two scenes, shared by the window and the command line:
// one frame of the running clock, and the demo (a picture sliding in, then a
// portrait, texts and a logo).
#include <QDateTime>
#include <QLocale>
#include <functional>

class GlcdPicture;
class TZqGLCDBase;
class TZqGLCDDriver;

// Clears the buffer, draws the clock for now in the locale's long time and
// short date, with a border round the panel, and sends it.
void DrawClockFrame(TZqGLCDBase *display, const QDateTime &now, const QLocale &locale);

// The stored names of the demo's pictures for its inverted/OLED flags.
struct DemoPictureNames {
    const char *slide;
    const char *portrait;
    const char *logo;
};
DemoPictureNames DemoPictureNamesFor(bool inverted, bool oled);

// The pictures the demo draws; a missing one (null) is left out.
struct DemoPictures {
    const GlcdPicture *slide = nullptr;
    const GlcdPicture *portrait = nullptr;
    const GlcdPicture *logo = nullptr;
};

// Runs the demo once; wait(ms) runs between its steps. The display may be
// deleted during a wait (the window closing): the demo then stops.
void RunDisplayDemo(TZqGLCDDriver *target, const DemoPictures &pictures, bool inverted,
                    const std::function<void(int ms)> &wait);
