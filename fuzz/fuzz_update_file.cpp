// The update file as the web server sends it.
#include "UpdateFile.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TUpdateOffer offer;
    QString error;
    ParseUpdateFile(QByteArray(reinterpret_cast<const char *>(data), int(size)),
                    QUrl(QStringLiteral("https://example.org/update.txt")), offer, error);
    return 0;
}
