#include "PageDisplay.h"

#include "ClickablePicture.h"
#include "Cp1250.h"
#include "DemoPictureStore.h"
#include "DeviceGuard.h"
#include "DisplayScenes.h"
#include "GlcdPicture.h"
#include "GlcdTextFields.h"
#include "Pictures.h"
#include "ZqFormSR.h"
#include "ZqSSD1306OLED.h"
#include "ZqST7565COG.h"
#include "mxStorage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

namespace {

const QColor kInitialised(0, 255, 0);
const QColor kNotInitialised(0, 100, 0);

QLineEdit *Field(QWidget *parent, const char *name, const char *text, int width)
{
    auto *field = new QLineEdit(QLatin1String(text), parent);
    field->setObjectName(QLatin1String(name));
    field->setFixedWidth(width);
    return field;
}

QPushButton *Button(QWidget *parent, const char *name, const char *caption)
{
    auto *button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

void DelayMs(int ms)
{
    QCoreApplication::processEvents();
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
}

TPageDisplay::TPageDisplay(QWidget *parent) : TDevicePage(parent), FDemoWait(DelayMs)
{
    CreateControls();
    Timer2 = NewTimer(this, "Timer2", 1000);
    connect(ComboBox1, qOverload<int>(&QComboBox::activated), this, &TPageDisplay::ComboBox1Change);
    connect(Button1, &QPushButton::clicked, this, &TPageDisplay::Button1Click);
    connect(AdvGlowButton5, &QPushButton::clicked, this, &TPageDisplay::AdvGlowButton5Click);
    connect(AdvGlowButton6, &QPushButton::clicked, this, &TPageDisplay::AdvGlowButton6Click);
    connect(AdvGlowButton13, &QPushButton::clicked, this, &TPageDisplay::AdvGlowButton13Click);
    connect(CheckBox3, &QCheckBox::toggled, this, &TPageDisplay::CheckBox3Click);
    connect(Timer2, &QTimer::timeout, this, &TPageDisplay::Timer2Timer);
}

void TPageDisplay::CreateControls()
{
    Image2 = Named(new TClickablePicture(Pictures::OledPictureSize, Pictures::oledModulePicture, this), "Image2");
    ComboBox1 = TypeList("ComboBox1", {"OLED SSD1306", "COG  ST7565"}, this);
    Button1 = Button(this, "Button1", "GLCD INIT");
    pnlInit = Named(new QFrame(this), "pnlInit");
    pnlInit->setFixedSize(16, 16);
    pnlInit->setFrameShape(QFrame::Panel);
    pnlInit->setAutoFillBackground(true);
    ShowInitialized(false);
    CheckBox3 = Named(new QCheckBox(QStringLiteral("Show CLOCK"), this), "CheckBox3");
    auto *top = new QHBoxLayout;
    top->addWidget(ComboBox1);
    top->addWidget(Button1);
    top->addWidget(pnlInit);
    top->addStretch(1);
    auto *grid = NewPageLayout(Image2);
    grid->addLayout(top, 0, 1, Qt::AlignTop);
    grid->addWidget(CreateTextPanel(), 1, 1, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(CheckBox3, 2, 1, Qt::AlignTop);
}

QWidget *TPageDisplay::CreateTextPanel()
{
    auto *panel = new QWidget(this);
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    edX = Field(panel, "edX", "5", 40);
    edY = Field(panel, "edY", "0", 40);
    edText = Field(panel, "edText", "KESTO", 160);
    edSize = Field(panel, "edSize", "2", 30);
    edTextColor = Field(panel, "edTextColor", "1", 30);
    edBackColor = Field(panel, "edBackColor", "0", 30);
    const std::pair<const char *, QLineEdit *> fields[] = {{"X", edX},       {"Y", edY},          {"text", edText},
                                                           {"size", edSize}, {"cl", edTextColor}, {"bk", edBackColor}};
    int column = 0;
    for (const auto &[label, field] : fields) {
        grid->addWidget(new QLabel(QLatin1String(label), panel), 0, column);
        grid->addWidget(field, 1, column++);
    }
    AdvGlowButton5 = Button(panel, "AdvGlowButton5", "display");
    AdvGlowButton6 = Button(panel, "AdvGlowButton6", "CLS");
    AdvGlowButton13 = Button(panel, "AdvGlowButton13", "test");
    grid->addWidget(AdvGlowButton5, 2, 0, 1, 2);
    grid->addWidget(AdvGlowButton6, 2, 2);
    grid->addWidget(AdvGlowButton13, 2, 3, 1, 3);
    return panel;
}

void TPageDisplay::SetDrivers(TZqSSD1306OLED *oled, TZqST7565COG *cog)
{
    FOled = oled;
    FCog = cog;
    if (oled)
        oled->OnInitialized = [this](QObject *) { ShowInitialized(FOled && FOled->Initialized()); };
    if (cog)
        cog->OnInitialized = [this](QObject *) { ShowInitialized(FCog && FCog->Initialized()); };
}
TZqSSD1306OLED *TPageDisplay::Oled() const { return FOled; }
TZqST7565COG *TPageDisplay::Cog() const { return FCog; }
void TPageDisplay::SetSettings(TZqFormSR *settings) { FSettings = settings; }
void TPageDisplay::SetStorage(TmxStorage *storage) { FStorage = storage; }
void TPageDisplay::SetDemoWait(TWait wait) { FDemoWait = wait ? std::move(wait) : TWait(DelayMs); }

QList<QWidget *> TPageDisplay::DeviceButtons() const
{
    return {Button1, AdvGlowButton5, AdvGlowButton6, AdvGlowButton13};
}

int TPageDisplay::DisplayType() const { return ComboBox1->currentIndex(); }
int TPageDisplay::DisplayTypeCount() const { return ComboBox1->count(); }
void TPageDisplay::SetDisplayType(int index) { ComboBox1->setCurrentIndex(index); }
void TPageDisplay::PageLeft() { CheckBox3->setChecked(false); }

TZqGLCDDriver *TPageDisplay::SelectedDisplay() const
{
    return DisplayType() == 0 ? static_cast<TZqGLCDDriver *>(FOled) : static_cast<TZqGLCDDriver *>(FCog);
}

void TPageDisplay::ComboBox1Change(int index)
{
    if (FSettings)
        FSettings->SaveRegINI(QStringLiteral("display_idx"), index);
}

void TPageDisplay::ShowInitialized(bool initialized)
{
    QPalette palette = pnlInit->palette();
    palette.setColor(QPalette::Window, initialized ? kInitialised : kNotInitialised);
    pnlInit->setPalette(palette);
}

void TPageDisplay::Button1Click()
{
    TDeviceGuard::THold hold = BeginWork();
    if (!hold)
        return;
    CheckBox3->setChecked(false);
    if (DisplayType() == 0) {
        if (FOled)
            FOled->ssd1306_init(2, 0x80, 0);
    } else if (FCog) {
        FCog->st7565_init(20);
    }
}

void TPageDisplay::AdvGlowButton5Click()
{
    TDeviceGuard::THold hold = BeginWork();
    TZqGLCDDriver *display = SelectedDisplay();
    if (!hold || !display)
        return;
    const TGlcdTextFields f =
        ParseGlcdTextFields(edBackColor->text(), edTextColor->text(), edX->text(), edY->text(), edSize->text());
    const std::pair<QLineEdit *, bool> resets[] = {{edBackColor, f.BackReset}, {edTextColor, f.ColourReset},
                                                   {edX, f.XReset},           {edY, f.YReset},
                                                   {edSize, f.SizeReset}};
    for (auto [field, reset] : resets)
        if (reset)
            field->setText(field == edSize ? QStringLiteral("1") : QStringLiteral("0"));
    const QByteArray text = Cp1250::Encode(edText->text());
    // The COG is drawn in its one colour whatever the fields say.
    if (display == FOled.data())
        display->glcd_puts(f.X, f.Y, text, std::uint8_t(f.Size), std::uint8_t(f.Colour), std::uint8_t(f.Back));
    else
        display->glcd_puts(f.X, f.Y, text, std::uint8_t(f.Size), 1, 0);
    display->glcd_display();
}

void TPageDisplay::AdvGlowButton6Click()
{
    TDeviceGuard::THold hold = BeginWork();
    TZqGLCDDriver *display = SelectedDisplay();
    if (!hold || !display)
        return;
    display->glcd_cls();
    display->glcd_display();
}

void TPageDisplay::AdvGlowButton13Click()
{
    TDeviceGuard::THold hold = BeginWork();
    if (!hold || !SelectedDisplay())
        return;
    if (DisplayType() == 0)
        RunOledDemo();
    else
        RunCogDemo();
    CheckBox3->setChecked(true);
    Timer2->stop();
    Timer2->setInterval(4000);
    Timer2->start();
}

void TPageDisplay::RunOledDemo()
{
    FDemoInverted = DisplayType() == 0;
    RunDemo(SelectedDisplay(), true);
}

void TPageDisplay::RunCogDemo() { RunDemo(SelectedDisplay(), false); }

void TPageDisplay::RunDemo(TZqGLCDDriver *target, bool oled)
{
    const TStoredDemoPictures pictures = StoredDemoPictures(FStorage, FDemoInverted, oled);
    RunDisplayDemo(target, pictures.Pictures(), FDemoInverted, FDemoWait);
}

void TPageDisplay::CheckBox3Click()
{
    Timer2->setInterval(100);
    if (CheckBox3->isChecked())
        Timer2->start();
    else
        Timer2->stop();
}

void TPageDisplay::Timer2Timer()
{
    TDeviceGuard::THold hold = BeginWork();
    TZqGLCDDriver *display = SelectedDisplay();
    if (!hold || !display)
        return;
    Timer2->setInterval(1000);
    DrawClockFrame(display, QDateTime::currentDateTime(), QLocale::system());
}
