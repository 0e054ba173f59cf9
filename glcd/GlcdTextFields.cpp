#include "GlcdTextFields.h"

namespace {
bool Whole(const QString &text, int &value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}

void Take(const QString &text, bool allowed(int), int fallback, int &value, bool &reset)
{
    int typed = 0;
    reset = !Whole(text, typed) || !allowed(typed);
    value = reset ? fallback : typed;
}
} // namespace

TGlcdTextFields ParseGlcdTextFields(const QString &back, const QString &colour, const QString &x, const QString &y,
                                    const QString &size)
{
    TGlcdTextFields f;
    const auto bit = [](int v) { return v == 0 || v == 1; };
    // A typed -9999 is the same as no number: the field has always used it as
    // the "unparsable" mark, so it resets like one.
    const auto position = [](int v) { return v != -9999; };
    const auto scale = [](int v) { return v >= 1 && v <= 4; };
    Take(back, bit, 0, f.Back, f.BackReset);
    Take(colour, bit, 0, f.Colour, f.ColourReset);
    Take(x, position, 0, f.X, f.XReset);
    Take(y, position, 0, f.Y, f.YReset);
    Take(size, scale, 1, f.Size, f.SizeReset);
    return f;
}
