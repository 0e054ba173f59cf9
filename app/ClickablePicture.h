#pragma once
// A page's picture: shows a pixmap with a hand cursor and reports clicks. The
// pixmap is painted when the picture is first shown, so a page never opened
// costs no painting.
#include <QLabel>

#include <functional>

class TClickablePicture : public QLabel {
    Q_OBJECT
public:
    TClickablePicture(const QSize &size, std::function<QPixmap()> paint, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void showEvent(QShowEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    std::function<QPixmap()> FPaint;
};
