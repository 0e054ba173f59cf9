#include "TForm1.h"

#include "ZqLibUSB.h"

#include <QLabel>
#include <QStatusBar>

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Brindle"));
    resize(720, 456);
    FStatusPanel0 = new QLabel(QStringLiteral("RZT-USBasp not connected"), this);
    statusBar()->addWidget(FStatusPanel0);

    ZqLibUSB1 = new TZqLibUSB(this);
    ZqLibUSB1->SetVID(QStringLiteral("$16C0"));
    ZqLibUSB1->SetPID(QStringLiteral("$05DC"));
    ZqLibUSB1->OnConnected = [this](QObject *s) { ZqLibUSB1Connected(s); };
    ZqLibUSB1->OnDisconnected = [this](QObject *s) { ZqLibUSB1Disconnected(s); };
    ZqLibUSB1->Loaded();
}

void TForm1::ZqLibUSB1Connected(QObject *) { FStatusPanel0->setText(QStringLiteral("RZT-USBasp connected")); }

void TForm1::ZqLibUSB1Disconnected(QObject *)
{
    FStatusPanel0->setText(QStringLiteral("RZT-USBasp not connected"));
}
