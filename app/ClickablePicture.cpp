#include "ClickablePicture.h"

#include <QMouseEvent>

TClickablePicture::TClickablePicture(const QSize &size, std::function<QPixmap()> paint, QWidget *parent)
    : QLabel(parent), FPaint(std::move(paint))
{
    setFixedSize(size);
    setCursor(Qt::PointingHandCursor);
}

void TClickablePicture::showEvent(QShowEvent *event)
{
    if (FPaint) {
        setPixmap(FPaint());
        FPaint = nullptr;
    }
    QLabel::showEvent(event);
}

void TClickablePicture::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}
