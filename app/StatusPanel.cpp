#include "StatusPanel.h"

#include <QMouseEvent>

TStatusPanel::TStatusPanel(int index, int width, QWidget *parent) : QLabel(parent), FIndex(index)
{
    setAlignment(Qt::AlignCenter);
    setMinimumWidth(width);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
}

void TStatusPanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked(FIndex);
    QLabel::mouseReleaseEvent(event);
}
