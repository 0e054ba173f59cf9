#pragma once
// A status bar panel that behaves as a flat push button: centred text, and a
// click reported with the panel's index.
#include <QLabel>

class TStatusPanel : public QLabel {
    Q_OBJECT
public:
    TStatusPanel(int index, int width, QWidget *parent = nullptr);
    int index() const { return FIndex; }

signals:
    void clicked(int index);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int FIndex;
};
