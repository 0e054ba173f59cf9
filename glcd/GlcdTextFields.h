#pragma once
// The display page's text fields as typed: background and text colour (0 or
// 1), position (any whole number; the drawing clips) and size (1..4). A field
// that does not hold an allowed value takes its fallback, and the page shows
// that fallback in the field.
#include <QString>

struct TGlcdTextFields {
    int Back = 0;
    int Colour = 0;
    int X = 0;
    int Y = 0;
    int Size = 1;
    // Fields whose text was replaced by their fallback.
    bool BackReset = false;
    bool ColourReset = false;
    bool XReset = false;
    bool YReset = false;
    bool SizeReset = false;
};

TGlcdTextFields ParseGlcdTextFields(const QString &back, const QString &colour, const QString &x, const QString &y,
                                    const QString &size);
