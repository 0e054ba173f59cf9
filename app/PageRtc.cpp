#include "PageRtc.h"

#include "ClockFields.h"
#include "ZqRtcPcf8583.h"

#include "ClickablePicture.h"
#include "DeviceGuard.h"
#include "PageTools.h"
#include "ZqFonts.h"
#include "ZqLibUSB.h"

#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace PageTools;

TPageRtc::TPageRtc(QWidget *parent) : TDevicePage(parent), FNow([] { return QDateTime::currentDateTime(); })
{
    Image1 = Named(NewChipPicture(QStringLiteral("RTC PCF 8583")), "Image1");
    auto *grid = NewPageLayout(Image1);
    grid->addWidget(NewClockGroup(), 0, 1, 3, 1, Qt::AlignTop);
    grid->addWidget(NewSettingGroup(), 0, 2, 3, 1, Qt::AlignTop);
    Timer1 = NewTimer(this, "Timer1", 1000);
    connect(AdvGlowButton1, &QPushButton::clicked, this, &TPageRtc::AdvGlowButton1Click);
    connect(AdvGlowButton2, &QPushButton::clicked, this, &TPageRtc::AdvGlowButton2Click);
    connect(AdvGlowButton3, &QPushButton::clicked, this, &TPageRtc::AdvGlowButton3Click);
    connect(AdvGlowButton4, &QPushButton::clicked, this, &TPageRtc::AdvGlowButton4Click);
    connect(Timer1, &QTimer::timeout, this, &TPageRtc::Timer1Timer);
}

QWidget *TPageRtc::NewClockGroup()
{
    auto *clock = Named(new QGroupBox(QStringLiteral(" Odczyt czasu i daty "), this), "GroupBox3");
    lbTime = Named(new QLabel(QStringLiteral("00:00:00"), clock), "lbTime");
    lbDate = Named(new QLabel(QStringLiteral("2001-01-01"), clock), "lbDate");
    lbTime->setFont(ZqFonts::FixedPitch(QStringLiteral("Consolas"), 24));
    lbDate->setFont(ZqFonts::FixedPitch(QStringLiteral("Consolas"), 12));
    SetTextColour(lbTime, Qt::blue);
    SetTextColour(lbDate, Qt::blue);
    AdvGlowButton1 = Named(new QPushButton(QStringLiteral("start"), clock), "AdvGlowButton1");
    AdvGlowButton2 = Named(new QPushButton(QStringLiteral("stop"), clock), "AdvGlowButton2");
    auto *box = new QGridLayout(clock);
    box->addWidget(lbTime, 0, 0, 1, 2);
    box->addWidget(lbDate, 1, 0, 1, 2);
    box->addWidget(AdvGlowButton1, 2, 0);
    box->addWidget(AdvGlowButton2, 2, 1);
    return clock;
}

QWidget *TPageRtc::NewSettingGroup()
{
    auto *group = Named(new QGroupBox(QStringLiteral(" Ustawianie czasu "), this), "GroupBox4");
    const QString twoZeros = QStringLiteral("00");
    edHH = DigitsEdit(group, "edHH", 2, twoZeros);
    edMM = DigitsEdit(group, "edMM", 2, twoZeros);
    edSS = DigitsEdit(group, "edSS", 2, twoZeros);
    edRok = DigitsEdit(group, "edRok", 4, QStringLiteral("0000"));
    edaMM = DigitsEdit(group, "edaMM", 2, twoZeros);
    edDD = DigitsEdit(group, "edDD", 2, twoZeros);
    AdvGlowButton3 = Named(new QPushButton(QStringLiteral("get time"), group), "AdvGlowButton3");
    AdvGlowButton4 = Named(new QPushButton(QStringLiteral("zapisz"), group), "AdvGlowButton4");
    NewTimeFieldsGrid(group, {edHH, edMM, edSS}, {edRok, edaMM, edDD}, AdvGlowButton3, AdvGlowButton4);
    return group;
}

QList<QWidget *> TPageRtc::DeviceButtons() const { return {AdvGlowButton4}; }

void TPageRtc::PageLeft() { Timer1->stop(); }

void TPageRtc::SetNow(std::function<QDateTime()> now) { FNow = std::move(now); }

// The first poll comes at once; later ones a second apart.
void TPageRtc::AdvGlowButton1Click()
{
    Timer1->setInterval(10);
    Timer1->start();
}

void TPageRtc::AdvGlowButton2Click() { Timer1->stop(); }

void TPageRtc::AdvGlowButton3Click()
{
    const QDateTime now = FNow();
    edHH->setText(QString::number(now.time().hour()));
    edMM->setText(QString::number(now.time().minute()));
    edSS->setText(QString::number(now.time().second()));
    edRok->setText(QString::number(now.date().year()));
    edaMM->setText(QString::number(now.date().month()));
    edDD->setText(QString::number(now.date().day()));
}

// A tick while another operation runs is skipped, not queued: the next comes a second later.
void TPageRtc::Timer1Timer()
{
    Timer1->setInterval(1000);
    const TDeviceGuard::THold hold = BeginWork();
    if (!hold)
        return;
    TZqRtcPcf8583 clock;
    clock.SetZqLibUSB(Link());
    TPcf8583Reading reading;
    const bool read = clock.Read(reading);
    if (!reading.TimeText.isEmpty())
        lbTime->setText(reading.TimeText);
    if (read)
        lbDate->setText(reading.DateText);
}

void TPageRtc::AdvGlowButton4Click()
{
    const QString error = FieldError();
    if (!error.isEmpty()) {
        ShowNotice(this, FNotice, error);
        return;
    }
    const TDeviceGuard::THold hold = BeginWork();
    if (!hold)
        return;
    const bool running = Timer1->isActive();
    Timer1->stop();
    WriteClock();
    if (running)
        Timer1->start();
}

// The chip would count on from an invalid BCD value into nonsense.
QString TPageRtc::FieldError() const
{
    const std::optional<TFieldRange> range = TZqRtcPcf8583::OutOfRange(Fields());
    return range ? FieldRangeMessage(*range) : QString();
}

TDs13xxFields TPageRtc::Fields() const
{
    return {FieldNumber(edRok), FieldNumber(edaMM), FieldNumber(edDD),
            FieldNumber(edHH),  FieldNumber(edMM),  FieldNumber(edSS)};
}

void TPageRtc::WriteClock()
{
    TZqRtcPcf8583 clock;
    clock.SetZqLibUSB(Link());
    clock.WriteTime(Fields());
}
