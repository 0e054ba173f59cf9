#include "PageDs13xx.h"

#include "ClickablePicture.h"
#include "PageTools.h"
#include "Pictures.h"
#include "ZqFonts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

using namespace PageTools;

namespace {
const QString kAgingHelp = QStringLiteral("Przesunięcie starzenia dostraja pojemność oscylatora kwarcowego:\n"
                                          "jedna jednostka to ok. 0,1 ppm (ok. 0,26 s na miesiąc).\n"
                                          "Wartość dodatnia spowalnia zegar, ujemna go przyspiesza.");
QString Degrees(int quarters)
{
    return QString::number(quarters / 4.0, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(',')) + QStringLiteral(" °C");
}
} // namespace

TPageDs13xx::TPageDs13xx(QWidget *parent) : TDevicePage(parent)
{
    Image1 = Named(NewChipPicture(QStringLiteral("RTC DS13xx")), "Image1");
    auto *grid = NewPageLayout(Image1);
    auto *left = new QVBoxLayout;
    left->addWidget(NewChipGroup());
    left->addWidget(NewClockGroup());
    left->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(NewSettingGroup());
    right->addWidget(NewDs3231Group());
    right->addStretch(1);
    grid->addLayout(left, 0, 1, 3, 1);
    grid->addLayout(right, 0, 2, 3, 1);
    Timer1 = NewTimer(this, "Timer1", 1000);
    connect(Timer1, &QTimer::timeout, this, &TPageDs13xx::Timer1Timer);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TPageDs13xx::ChipChanged);
    connect(AdvGlowButton1, &QPushButton::clicked, this, &TPageDs13xx::StartPolling);
    connect(AdvGlowButton2, &QPushButton::clicked, Timer1, &QTimer::stop);
    connect(btStartClock, &QPushButton::clicked, this, &TPageDs13xx::btStartClockClick);
    connect(AdvGlowButton3, &QPushButton::clicked, this, &TPageDs13xx::AdvGlowButton3Click);
    connect(AdvGlowButton4, &QPushButton::clicked, this, &TPageDs13xx::AdvGlowButton4Click);
    connect(btHostTime, &QPushButton::clicked, this, &TPageDs13xx::btHostTimeClick);
    connect(btAging, &QPushButton::clicked, this, &TPageDs13xx::btAgingClick);
    ChipChanged();
}

QWidget *TPageDs13xx::NewChipGroup()
{
    auto *group = Named(new QGroupBox(QStringLiteral(" Układ "), this), "GroupBox1");
    ComboBox1 = TypeList("ComboBox1", {QStringLiteral("DS1307"), QStringLiteral("DS3231")}, group);
    ComboBox1->setCurrentIndex(dcDS3231);
    auto *box = new QHBoxLayout(group);
    box->addWidget(ComboBox1);
    box->addWidget(new QLabel(QStringLiteral("adres D0"), group));
    box->addStretch(1);
    return group;
}

QWidget *TPageDs13xx::NewClockGroup()
{
    auto *clock = Named(new QGroupBox(QStringLiteral(" Odczyt czasu i daty "), this), "GroupBox3");
    lbTime = Named(new QLabel(QStringLiteral("00:00:00"), clock), "lbTime");
    lbDate = Named(new QLabel(QStringLiteral("2000-01-01"), clock), "lbDate");
    lbState = Named(new QLabel(clock), "lbState");
    lbTime->setFont(ZqFonts::FixedPitch(QStringLiteral("Consolas"), 24));
    lbDate->setFont(ZqFonts::FixedPitch(QStringLiteral("Consolas"), 12));
    SetTextColour(lbTime, Qt::blue);
    SetTextColour(lbDate, Qt::blue);
    SetTextColour(lbState, QColor(0xb0, 0, 0));
    lbState->setWordWrap(true);
    AdvGlowButton1 = Named(new QPushButton(QStringLiteral("start"), clock), "AdvGlowButton1");
    AdvGlowButton2 = Named(new QPushButton(QStringLiteral("stop"), clock), "AdvGlowButton2");
    btStartClock = Named(new QPushButton(QStringLiteral("uruchom zegar"), clock), "btStartClock");
    auto *box = new QGridLayout(clock);
    box->addWidget(lbTime, 0, 0, 1, 2);
    box->addWidget(lbDate, 1, 0, 1, 2);
    box->addWidget(lbState, 2, 0, 1, 2);
    box->addWidget(AdvGlowButton1, 3, 0);
    box->addWidget(AdvGlowButton2, 3, 1);
    box->addWidget(btStartClock, 4, 0, 1, 2);
    return clock;
}

QWidget *TPageDs13xx::NewSettingGroup()
{
    auto *group = Named(new QGroupBox(QStringLiteral(" Ustawianie czasu "), this), "GroupBox4");
    const QString twoZeros = QStringLiteral("00");
    edHH = DigitsEdit(group, "edHH", 2, twoZeros);
    edMM = DigitsEdit(group, "edMM", 2, twoZeros);
    edSS = DigitsEdit(group, "edSS", 2, twoZeros);
    edRok = DigitsEdit(group, "edRok", 4, QStringLiteral("2000"));
    edaMM = DigitsEdit(group, "edaMM", 2, QStringLiteral("01"));
    edDD = DigitsEdit(group, "edDD", 2, QStringLiteral("01"));
    AdvGlowButton3 = Named(new QPushButton(QStringLiteral("get time"), group), "AdvGlowButton3");
    AdvGlowButton4 = Named(new QPushButton(QStringLiteral("zapisz"), group), "AdvGlowButton4");
    btHostTime = Named(new QPushButton(QStringLiteral("zapisz czas komputera"), group), "btHostTime");
    btHostTime->setToolTip(QStringLiteral("Zapis w chwili następnej pełnej sekundy zegara komputera"));
    auto *box = NewTimeFieldsGrid(group, {edHH, edMM, edSS}, {edRok, edaMM, edDD}, AdvGlowButton3, AdvGlowButton4);
    box->addWidget(btHostTime, 2, 0, 1, 2);
    return group;
}

QWidget *TPageDs13xx::NewDs3231Group()
{
    GroupBoxDs3231 = Named(new QGroupBox(QStringLiteral(" DS3231 "), this), "GroupBoxDs3231");
    lbTemperature = Named(new QLabel(QStringLiteral("Temperatura: --"), GroupBoxDs3231), "lbTemperature");
    seAging = Named(new QSpinBox(GroupBoxDs3231), "seAging");
    seAging->setRange(TZqRtcDs13xx::MinAging, TZqRtcDs13xx::MaxAging);
    btAging = Named(new QPushButton(QStringLiteral("zapisz"), GroupBoxDs3231), "btAging");
    auto *help = new QLabel(kAgingHelp, GroupBoxDs3231);
    SetTextColour(help, Qt::gray);
    help->setWordWrap(true);
    auto *box = new QGridLayout(GroupBoxDs3231);
    box->addWidget(lbTemperature, 0, 0, 1, 3);
    box->addWidget(new QLabel(QStringLiteral("Starzenie (aging):"), GroupBoxDs3231), 1, 0);
    box->addWidget(seAging, 1, 1);
    box->addWidget(btAging, 1, 2);
    box->addWidget(help, 2, 0, 1, 3);
    return GroupBoxDs3231;
}

void TPageDs13xx::SetEngine(TZqRtcDs13xx *engine)
{
    FEngine = engine;
    ChipChanged();
}

int TPageDs13xx::ChipType() const { return ComboBox1->currentIndex(); }
void TPageDs13xx::SetChipType(int index) { ComboBox1->setCurrentIndex(index); }
int TPageDs13xx::ChipTypeCount() const { return ComboBox1->count(); }

QList<QWidget *> TPageDs13xx::DeviceButtons() const { return {AdvGlowButton4, btHostTime, btStartClock, btAging}; }

void TPageDs13xx::ChipChanged()
{
    const bool ds3231 = ChipType() == dcDS3231;
    if (FEngine)
        FEngine->SetChip(ds3231 ? dcDS3231 : dcDS1307);
    GroupBoxDs3231->setVisible(ds3231);
    btStartClock->setVisible(false);
    lbState->clear();
    FMisses = 0;
    FNextTry = QDateTime();
}

void TPageDs13xx::showEvent(QShowEvent *event)
{
    TDevicePage::showEvent(event);
    StartPolling();
}

void TPageDs13xx::hideEvent(QHideEvent *event)
{
    Timer1->stop();
    TDevicePage::hideEvent(event);
}

void TPageDs13xx::PageLeft() { Timer1->stop(); }

// The first poll comes at once; later ones a second apart.
void TPageDs13xx::StartPolling()
{
    FNextTry = QDateTime();
    Timer1->setInterval(10);
    Timer1->start();
}

// A tick while another operation runs is skipped, not queued. A chip that
// did not answer is asked again only after a growing pause.
void TPageDs13xx::Timer1Timer()
{
    Timer1->setInterval(1000);
    if (!FEngine || (FNextTry.isValid() && FEngine->HostClock().Now() < FNextTry))
        return;
    const TDeviceGuard::THold hold = BeginWork();
    if (!hold)
        return;
    TDs13xxReading reading;
    if (FEngine->Read(reading))
        ShowReading(reading);
    else
        ShowAbsent();
}

void TPageDs13xx::ShowReading(const TDs13xxReading &reading)
{
    FMisses = 0;
    FNextTry = QDateTime();
    lbTime->setText(reading.TimeText);
    lbDate->setText(reading.DateText);
    btStartClock->setVisible(reading.Halted);
    if (reading.Halted)
        lbState->setText(QStringLiteral("Zegar zatrzymany (bit CH): czas nie biegnie."));
    else if (reading.OscillatorStopped)
        lbState->setText(QStringLiteral("Oscylator był zatrzymany (flaga OSF): czasowi nie można ufać. "
                                        "Ustaw zegar."));
    else
        lbState->clear();
    lbTemperature->setText(QStringLiteral("Temperatura: ") + Degrees(reading.QuarterDegrees));
    if (!seAging->hasFocus())
        seAging->setValue(reading.Aging);
}

void TPageDs13xx::ShowAbsent()
{
    const int pause = std::min(2 << std::min(FMisses, 2), MaxBackOffSeconds);
    ++FMisses;
    FNextTry = FEngine->HostClock().Now().addSecs(pause);
    lbTime->setText(QStringLiteral("--:--:--"));
    lbDate->setText(QStringLiteral("----------"));
    btStartClock->setVisible(false);
    lbState->setText(QStringLiteral("Brak układu %1 pod adresem D0: nie odpowiada. Ponowna próba za %2 s.")
                         .arg(ComboBox1->currentText())
                         .arg(pause));
}

TDs13xxFields TPageDs13xx::Fields() const
{
    return {FieldNumber(edRok), FieldNumber(edaMM), FieldNumber(edDD),
            FieldNumber(edHH),  FieldNumber(edMM),  FieldNumber(edSS)};
}

template <class Work>
void TPageDs13xx::Operate(Work work)
{
    if (!FEngine)
        return;
    {
        const TDeviceGuard::THold hold = BeginWork();
        if (!hold)
            return;
        const bool running = Timer1->isActive();
        Timer1->stop();
        work();
        if (!running)
            return;
    }
    FNextTry = QDateTime();
    Timer1Timer();
    Timer1->start();
}

void TPageDs13xx::AdvGlowButton3Click()
{
    const QDateTime now = FEngine ? FEngine->HostClock().Now() : QDateTime::currentDateTime();
    edHH->setText(QString::number(now.time().hour()));
    edMM->setText(QString::number(now.time().minute()));
    edSS->setText(QString::number(now.time().second()));
    edRok->setText(QString::number(now.date().year()));
    edaMM->setText(QString::number(now.date().month()));
    edDD->setText(QString::number(now.date().day()));
}

void TPageDs13xx::AdvGlowButton4Click()
{
    if (!FEngine)
        return;
    if (const std::optional<TFieldRange> range = FEngine->OutOfRange(Fields())) {
        ShowNotice(this, FNotice, FieldRangeMessage(*range));
        return;
    }
    Operate([this] { FEngine->WriteTime(Fields()); });
}

void TPageDs13xx::btHostTimeClick()
{
    Operate([this] { FEngine->WriteHostTime(); });
}

void TPageDs13xx::btStartClockClick()
{
    Operate([this] { FEngine->StartClock(); });
}

void TPageDs13xx::btAgingClick()
{
    Operate([this] { FEngine->SetAging(seAging->value()); });
}
