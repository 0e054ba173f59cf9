#include "RawFrame.h"

#include <QtGlobal>

int ApplyRawFrame(QByteArray &buffer, const QByteArray &file)
{
    const int n = int(qMin<qsizetype>(qMin<qsizetype>(kRawFrameBytes, buffer.size()), file.size()));
    buffer.replace(0, n, file.left(n));
    return n;
}
