#include "ClickablePicture.h"

#include <QMouseEvent>

TClickablePicture::TClickablePicture(const QPixmap &picture, QWidget *parent) : QLabel(parent)
{
    setPixmap(picture);
    setFixedSize(picture.size());
    setCursor(Qt::PointingHandCursor);
}

void TClickablePicture::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}
