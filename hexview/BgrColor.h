#pragma once

#include <QColor>

// Colours kept as 0x00BBGGRR, blue in the high byte, the order the window
// description and the stored property values use.
inline QColor ColorFromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
