#pragma once
// The main window.
#include <QMainWindow>

class QLabel;
class TZqLibUSB;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);

    TZqLibUSB *ZqLibUSB1 = nullptr;

private:
    void ZqLibUSB1Connected(QObject *Sender);
    void ZqLibUSB1Disconnected(QObject *Sender);

    QLabel *FStatusPanel0 = nullptr;
};
