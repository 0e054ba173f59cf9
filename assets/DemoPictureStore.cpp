#include "DemoPictureStore.h"

#include "mxStorage.h"

std::optional<TImagePicture> StoredPicture(TmxStorage *storage, const char *name)
{
    TmxStoredItem *item = storage ? storage->ItemByName(QLatin1String(name)) : nullptr;
    QIODevice *stream = item ? item->GetAsStream() : nullptr;
    if (!stream)
        return std::nullopt;
    QImage image = QImage::fromData(stream->readAll(), "BMP");
    if (image.isNull())
        return std::nullopt;
    return TImagePicture(std::move(image));
}

DemoPictures TStoredDemoPictures::Pictures() const
{
    auto pointer = [](const std::optional<TImagePicture> &picture) -> const GlcdPicture * {
        return picture ? &*picture : nullptr;
    };
    return {pointer(slide), pointer(portrait), pointer(logo)};
}

TStoredDemoPictures StoredDemoPictures(TmxStorage *storage, bool inverted, bool oled)
{
    const DemoPictureNames names = DemoPictureNamesFor(inverted, oled);
    return {StoredPicture(storage, names.slide), StoredPicture(storage, names.portrait),
            StoredPicture(storage, names.logo)};
}
