#pragma once
// The display demo's pictures taken from a picture store, decoded for
// glcd_drawBitmap. The stored pictures are 24-bit BMPs, so they are read
// with QImage.
#include "DisplayScenes.h"
#include "GlcdPicture.h"

#include <QImage>
#include <optional>

class TmxStorage;

class TImagePicture : public GlcdPicture {
public:
    explicit TImagePicture(QImage image) : FImage(std::move(image)) {}
    int width() const override { return FImage.width(); }
    int height() const override { return FImage.height(); }
    std::uint32_t rgb(int x, int y) const override { return FImage.pixel(x, y) & 0xFFFFFF; }

private:
    QImage FImage;
};

// A fresh picture of the stored item, or none when the store lacks the
// name or the item does not decode.
std::optional<TImagePicture> StoredPicture(TmxStorage *storage, const char *name);

// The three pictures of the demo for its flags; DemoPictures points into it.
struct TStoredDemoPictures {
    std::optional<TImagePicture> slide;
    std::optional<TImagePicture> portrait;
    std::optional<TImagePicture> logo;

    DemoPictures Pictures() const;
};
TStoredDemoPictures StoredDemoPictures(TmxStorage *storage, bool inverted, bool oled);
