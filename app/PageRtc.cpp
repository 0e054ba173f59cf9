#include "PageRtc.h"

#include "ClickablePicture.h"
#include "Pictures.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

TPageRtc::TPageRtc(QWidget *parent) : TDevicePage(parent)
{
    Image1 = Named(new TClickablePicture(Pictures::chipPackagePicture(QStringLiteral("RTC PCF 8583")), this), "Image1");
    auto *clock = Named(new QGroupBox(QStringLiteral(" Odczyt czasu i daty "), this), "GroupBox3");
    lbTime = Named(new QLabel(QStringLiteral("00:00:00"), clock), "lbTime");
    lbDate = Named(new QLabel(QStringLiteral("2001-01-01"), clock), "lbDate");
    QFont face(QStringLiteral("Consolas"), 24);
    face.setStyleHint(QFont::Monospace);
    lbTime->setFont(face);
    face.setPointSize(12);
    lbDate->setFont(face);
    lbTime->setStyleSheet(QStringLiteral("color: blue"));
    lbDate->setStyleSheet(QStringLiteral("color: blue"));
    AdvGlowButton1 = Named(new QPushButton(QStringLiteral("start"), clock), "AdvGlowButton1");
    AdvGlowButton2 = Named(new QPushButton(QStringLiteral("stop"), clock), "AdvGlowButton2");
    auto *box = new QGridLayout(clock);
    box->addWidget(lbTime, 0, 0, 1, 2);
    box->addWidget(lbDate, 1, 0, 1, 2);
    box->addWidget(AdvGlowButton1, 2, 0);
    box->addWidget(AdvGlowButton2, 2, 1);
    auto *grid = NewPageLayout(Image1);
    grid->addWidget(clock, 0, 1, 3, 1, Qt::AlignTop);
    Timer1 = NewTimer(this, "Timer1", 1000);
    connect(AdvGlowButton1, &QPushButton::clicked, this, &TPageRtc::AdvGlowButton1Click);
    connect(AdvGlowButton2, &QPushButton::clicked, this, &TPageRtc::AdvGlowButton2Click);
}

void TPageRtc::PageLeft() { Timer1->stop(); }

// The first poll comes at once; later ones a second apart.
void TPageRtc::AdvGlowButton1Click()
{
    Timer1->setInterval(10);
    Timer1->start();
}

void TPageRtc::AdvGlowButton2Click() { Timer1->stop(); }
