#pragma once
// A 128 x 64 panel drawn as its glass shows it, pixel for pixel at a whole
// zoom: the OLED as lit pixels on black, brighter with a higher contrast;
// the COG LCD as dark pixels on grey-green, darker with a higher volume.
#include "PanelImage.h"

#include <QImage>
#include <QWidget>

class TPanelView : public QWidget {
    Q_OBJECT
public:
    enum class Glass {
        Oled,
        Lcd
    };

    TPanelView(Glass glass, QWidget *parent = nullptr);

    // level: the drive strength, 0 (faintest) .. 1 (strongest). An absent
    // panel shows an empty frame.
    void SetImage(const sim::PanelImage &image, double level);
    void SetAbsent();
    bool Absent() const { return FAbsent; }
    const sim::PanelImage &Image() const { return FImage; }
    int Zoom() const { return FZoom; }
    void SetZoom(int zoom);
    // The glass as drawn, at the zoom.
    QImage Picture() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor Background() const;
    QColor Lit() const;

    Glass FGlass;
    sim::PanelImage FImage;
    double FLevel = 1;
    bool FAbsent = false;
    int FZoom = 3;
};
