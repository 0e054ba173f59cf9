#pragma once
// A page's picture: shows a pixmap with a hand cursor and reports clicks.
#include <QLabel>

class TClickablePicture : public QLabel {
    Q_OBJECT
public:
    TClickablePicture(const QPixmap &picture, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
