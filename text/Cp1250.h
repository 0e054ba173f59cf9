#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

// Windows-1250 (Central European), the code page of the texts kept in the
// EEPROMs and of the display font, so Polish text round-trips on any system.
namespace Cp1250 {

// Bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) give
// QChar::ReplacementCharacter.
QChar ToUnicode(unsigned char byte);
QString Decode(const QByteArray &bytes);

// Characters the code page lacks become `replacement`, one byte per character.
QByteArray Encode(const QString &text, char replacement = '?');

} // namespace Cp1250
