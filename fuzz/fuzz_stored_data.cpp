// A stored item's compressed bytes, damaged any way: decoding either fails
// with a reason or gives content that saving hands out unchanged.
#include "mxStorage.h"

#include <QBuffer>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TmxStorage storage;
    TmxStoredItem *item = storage.StoredItems()->Add();
    item->SetStoredData(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    QString error;
    QIODevice *stream = item->GetAsStream(&error);
    if (!stream) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    const QByteArray content = stream->readAll();
    QBuffer saved;
    saved.open(QIODevice::ReadWrite);
    if (!item->SaveToStream(&saved, &error) || saved.data() != content)
        std::abort();
    return 0;
}
