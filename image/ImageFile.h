#pragma once
// Chip image files: raw binary, Intel HEX (records 00, 01, 02, 04) and
// Motorola S-record (S0, S1/S2/S3, S5/S6, S7/S8/S9), read strictly and
// written in one plain form. The format is recognised from the content on
// reading and chosen by the file name's extension on writing.
#include "ChipImage.h"

#include <QString>

enum class ImageFormat {
    Raw,
    IntelHex,
    SRecord,
};

struct ImageParseResult {
    bool ok = false;
    ChipImage image;
    ImageFormat format = ImageFormat::Raw;
    QString error;
};

// Text whose every non-empty line starts with ':' is Intel HEX, with 'S' and
// a digit S-record; anything else is raw bytes from address 0. Checksums,
// lengths, digits, overlaps, counts and the end record are all checked; the
// first fault is reported with its line. A file cut short between two lines
// shows no other sign, so a HEX file must end with its 01 record and an
// S-record file with an S7, S8 or S9 end or an S5/S6 count of its data
// records (tools such as srec_cat write no end when there is no start address).
ImageParseResult parseImage(const QByteArray &content);

// A file of an image up to maxBytes long: refuses folders, special files,
// unreadable files, larger files (by their size, before reading) and names
// that did not come from valid UTF-8 bytes.
ImageParseResult loadImageFile(const QString &path, qint64 maxBytes);
// Images of these chips are kilobytes; HEX text takes under three times that.
constexpr qint64 kMaxImageFileBytes = 16 * 1024 * 1024;

// Raw: addresses 0..end()-1, absent ones as 0xFF. HEX: 16 bytes a line, 04
// records above 64 KiB, an 01 end. S-record: an S0 header carrying header,
// S1/S2/S3 as the highest address needs, an S5/S6 count, the matching end.
QByteArray formatImage(const ChipImage &image, ImageFormat format, const QByteArray &header = "brindle");
// Written to a temporary file renamed over path at the end, so a failed
// save leaves no half-written file.
bool saveImageFile(const QString &path, const ChipImage &image, ImageFormat format, QString *error,
                   const QByteArray &header = "brindle");
ImageFormat formatForFileName(const QString &name);
QString formatName(ImageFormat format);
