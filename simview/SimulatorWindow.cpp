#include "SimulatorWindow.h"

#include "AdapterRequest.h"
#include "PanelView.h"
#include "Pcf8583.h"
#include "Simulator.h"
#include "Ssd1306.h"
#include "St7565.h"
#include "UsbmonCapture.h"
#include "ZqHexView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kGap = 8;
const QString kNone = QStringLiteral("none");

struct RequestName {
    std::uint8_t request;
    const char *name;
};
constexpr RequestName kRequestNames[] = {
    {arI2CBitrate, "arI2CBitrate"},
    {arI2CCommand, "arI2CCommand"},
    {arI2CWrite, "arI2CWrite"},
    {arI2CRead, "arI2CRead"},
    {arSpiOpen, "arSpiOpen"},
    {arSpiClose, "arSpiClose"},
    {arChipSelect, "arChipSelect"},
    {arDataCommand, "arDataCommand"},
    {arSpiWriteByte, "arSpiWriteByte"},
    {arSpiWriteBlock, "arSpiWriteBlock"},
    {arMicrowireShift, "arMicrowireShift"},
};

// One redraw per frame of the screen the window is on.
int frameMs(const QWidget *widget)
{
    const QScreen *screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    const double rate = screen ? std::clamp(screen->refreshRate(), 1.0, 240.0) : 60.0;
    return int(std::ceil(1000.0 / rate));
}

template <typename Variant, std::size_t N>
void fillTypes(QComboBox *box, const Variant (&variants)[N])
{
    box->addItem(kNone);
    for (const Variant &v : variants)
        box->addItem(QString::fromLatin1(v.name).toUpper(), QString::fromLatin1(v.name));
}

QString hex4(std::uint16_t word) { return QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper(); }

QPushButton *button(const QString &text, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

// Shows memory unless it is what the view shows already; keeps the scroll position.
void showMemory(TZqHexView *view, const QByteArray &memory, QByteArray &shown)
{
    if (memory == shown)
        return;
    shown = memory;
    const int scrolled = view->verticalScrollBar()->value();
    if (memory.isEmpty())
        view->clear();
    else
        view->ShowHex(memory, int(memory.size()), 0);
    view->verticalScrollBar()->setValue(scrolled);
}
} // namespace

TSimulatorWindow::TSimulatorWindow(sim::Simulator *simulator, QWidget *parent)
    : QWidget(parent, Qt::Window), FSimulator(simulator)
{
    setObjectName(QStringLiteral("SimulatorWindow"));
    setWindowTitle(QStringLiteral("Simulator"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(CreateAdapterRow());
    layout->addWidget(CreatePanels());
    layout->addWidget(CreateChips());
    layout->addWidget(CreateMemories(), 1);
    layout->addWidget(CreateLog(), 1);
    MessageLabel = new QLabel(this);
    MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
    MessageLabel->setWordWrap(true);
    QPalette warning = MessageLabel->palette();
    warning.setColor(QPalette::WindowText, QColor(0xA0, 0x00, 0x00));
    MessageLabel->setPalette(warning);
    MessageLabel->setVisible(false);
    layout->addWidget(MessageLabel);

    FFrameTimer = new QTimer(this);
    FFrameTimer->setSingleShot(true);
    connect(FFrameTimer, &QTimer::timeout, this, &TSimulatorWindow::Refresh);
    FSecondTimer = new QTimer(this);
    FSecondTimer->setInterval(1000);
    connect(FSecondTimer, &QTimer::timeout, this, [this] {
        CountRate();
        RefreshClock();
    });
    FSecondTimer->start();

    LoadChipControls();
    if (FSimulator) {
        FLoggedTotal = FRateTotal = FSimulator->adapter()->log().total();
        FSimulator->adapter()->log().setOnAdd([this] { TransferAdded(); });
        connect(FSimulator, &sim::SimBackend::deviceChanged, this, [this] { RefreshAdapter(); });
        if (!FSimulator->stateMessage().isEmpty())
            ShowMessage(FSimulator->stateMessage());
    }
    Refresh();
}

TSimulatorWindow::~TSimulatorWindow()
{
    if (FSimulator)
        FSimulator->adapter()->log().setOnAdd({});
}

QWidget *TSimulatorWindow::CreateAdapterRow()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    PlugButton = button(QStringLiteral("Plug"), QStringLiteral("PlugButton"), row);
    PullButton = button(QStringLiteral("Pull"), QStringLiteral("PullButton"), row);
    AdapterLabel = new QLabel(row);
    ZoomEdit = new QSpinBox(row);
    ZoomEdit->setObjectName(QStringLiteral("ZoomEdit"));
    ZoomEdit->setRange(1, 6);
    ZoomEdit->setValue(2);
    ZoomEdit->setSuffix(QStringLiteral(" x"));
    layout->addWidget(PlugButton);
    layout->addWidget(PullButton);
    layout->addWidget(AdapterLabel, 1);
    layout->addWidget(new QLabel(QStringLiteral("Zoom"), row));
    layout->addWidget(ZoomEdit);
    connect(PlugButton, &QPushButton::clicked, this, [this] {
        if (FSimulator && !FSimulator->adapter()->isPlugged())
            FSimulator->plug(FSimulator->adapter());
        RefreshAdapter();
    });
    connect(PullButton, &QPushButton::clicked, this, [this] {
        if (FSimulator && FSimulator->adapter()->isPlugged())
            FSimulator->pull(FSimulator->adapter());
        RefreshAdapter();
    });
    return row;
}

QWidget *TSimulatorWindow::CreatePanels()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto panel = [&](const QString &title, TPanelView::Glass glass, TPanelView *&view, QPushButton *&png,
                           const QString &name) {
        auto *box = new QGroupBox(title, row);
        auto *inner = new QVBoxLayout(box);
        view = new TPanelView(glass, box);
        view->setObjectName(name + QStringLiteral("View"));
        png = button(QStringLiteral("Save PNG..."), name + QStringLiteral("PngButton"), box);
        inner->addWidget(view, 0, Qt::AlignCenter);
        inner->addWidget(png, 0, Qt::AlignRight);
        layout->addWidget(box);
        connect(png, &QPushButton::clicked, this, [this, view, name] { AskPanel(view, name.toLower()); });
    };
    panel(QStringLiteral("OLED (SSD1306)"), TPanelView::Glass::Oled, OledView, OledPngButton, QStringLiteral("Oled"));
    panel(QStringLiteral("LCD (ST7565)"), TPanelView::Glass::Lcd, LcdView, LcdPngButton, QStringLiteral("Lcd"));
    connect(ZoomEdit, qOverload<int>(&QSpinBox::valueChanged), this, [this](int zoom) {
        OledView->SetZoom(zoom);
        LcdView->SetZoom(zoom);
    });
    OledView->SetZoom(ZoomEdit->value());
    LcdView->SetZoom(ZoomEdit->value());
    return row;
}

QWidget *TSimulatorWindow::CreateChips()
{
    auto *box = new QGroupBox(QStringLiteral("Chips"), this);
    auto *grid = new QGridLayout(box);
    Eeprom24Type = new QComboBox(box);
    Eeprom24Type->setObjectName(QStringLiteral("Eeprom24Type"));
    fillTypes(Eeprom24Type, sim::kEeprom24Variants);
    Eeprom24Pins = new QSpinBox(box);
    Eeprom24Pins->setObjectName(QStringLiteral("Eeprom24Pins"));
    Eeprom24Pins->setRange(0, 7);
    Eeprom24Pins->setToolTip(QStringLiteral("Levels of A2 A1 A0 as a binary number"));
    Eeprom93Type = new QComboBox(box);
    Eeprom93Type->setObjectName(QStringLiteral("Eeprom93Type"));
    fillTypes(Eeprom93Type, sim::kEeprom93Variants);
    Eeprom93Org = new QComboBox(box);
    Eeprom93Org->setObjectName(QStringLiteral("Eeprom93Org"));
    Eeprom93Org->addItems({QStringLiteral("16-bit"), QStringLiteral("8-bit")});
    RtcFitted = new QCheckBox(QStringLiteral("PCF8583"), box);
    OledFitted = new QCheckBox(QStringLiteral("SSD1306"), box);
    LcdFitted = new QCheckBox(QStringLiteral("ST7565"), box);
    grid->addWidget(new QLabel(QStringLiteral("24Cxx"), box), 0, 0);
    grid->addWidget(Eeprom24Type, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("pins A2 A1 A0"), box), 0, 2);
    grid->addWidget(Eeprom24Pins, 0, 3);
    grid->addWidget(RtcFitted, 0, 4);
    grid->addWidget(OledFitted, 0, 5);
    grid->addWidget(new QLabel(QStringLiteral("93Cxx"), box), 1, 0);
    grid->addWidget(Eeprom93Type, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("ORG"), box), 1, 2);
    grid->addWidget(Eeprom93Org, 1, 3);
    grid->addWidget(LcdFitted, 1, 5);
    grid->setColumnStretch(6, 1);
    for (QComboBox *combo : {Eeprom24Type, Eeprom93Type, Eeprom93Org})
        connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this, &TSimulatorWindow::ChipsChanged);
    connect(Eeprom24Pins, qOverload<int>(&QSpinBox::valueChanged), this, &TSimulatorWindow::ChipsChanged);
    for (QCheckBox *check : {RtcFitted, OledFitted, LcdFitted})
        connect(check, &QCheckBox::toggled, this, &TSimulatorWindow::ChipsChanged);
    return box;
}

QWidget *TSimulatorWindow::CreateMemories()
{
    ChipTabs = new QTabWidget(this);
    ChipTabs->setObjectName(QStringLiteral("ChipTabs"));
    const auto hexView = [this](const QString &name) {
        auto *view = new TZqHexView(ChipTabs);
        view->setObjectName(name);
        view->setMinimumHeight(120);
        return view;
    };
    Eeprom24Hex = hexView(QStringLiteral("Eeprom24Hex"));
    Eeprom93Hex = hexView(QStringLiteral("Eeprom93Hex"));
    ChipTabs->addTab(Eeprom24Hex, QStringLiteral("24Cxx memory"));
    ChipTabs->addTab(Eeprom93Hex, QStringLiteral("93Cxx memory"));

    auto *clock = new QWidget(ChipTabs);
    auto *grid = new QGridLayout(clock);
    ClockLabel = new QLabel(clock);
    ClockLabel->setObjectName(QStringLiteral("ClockLabel"));
    ClockEdit = new QDateTimeEdit(QDateTime::currentDateTime(), clock);
    ClockEdit->setObjectName(QStringLiteral("ClockEdit"));
    ClockEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    ClockSetButton = button(QStringLiteral("Set"), QStringLiteral("ClockSetButton"), clock);
    ClockNowButton = button(QStringLiteral("Computer's time"), QStringLiteral("ClockNowButton"), clock);
    grid->addWidget(new QLabel(QStringLiteral("PCF8583 time"), clock), 0, 0);
    grid->addWidget(ClockLabel, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Set to"), clock), 1, 0);
    grid->addWidget(ClockEdit, 1, 1);
    grid->addWidget(ClockSetButton, 1, 2);
    grid->addWidget(ClockNowButton, 1, 3);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(4, 1);
    ChipTabs->addTab(clock, QStringLiteral("PCF8583 clock"));
    connect(ClockSetButton, &QPushButton::clicked, this, [this] { SetClock(ClockEdit->dateTime()); });
    connect(ClockNowButton, &QPushButton::clicked, this, [this] { SetClock(QDateTime::currentDateTime()); });
    return ChipTabs;
}

QWidget *TSimulatorWindow::CreateLog()
{
    auto *box = new QGroupBox(QStringLiteral("Transfers"), this);
    auto *layout = new QVBoxLayout(box);
    auto *row = new QHBoxLayout;
    RateLabel = new QLabel(box);
    RateLabel->setObjectName(QStringLiteral("RateLabel"));
    CaptureButton = button(QStringLiteral("Save capture..."), QStringLiteral("CaptureButton"), box);
    row->addWidget(RateLabel, 1);
    row->addWidget(CaptureButton);
    LogView = new QPlainTextEdit(box);
    LogView->setObjectName(QStringLiteral("LogView"));
    LogView->setReadOnly(true);
    LogView->setMaximumBlockCount(LogLines);
    LogView->setLineWrapMode(QPlainTextEdit::NoWrap);
    LogView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    LogView->setMinimumHeight(120);
    layout->addLayout(row);
    layout->addWidget(LogView);
    connect(CaptureButton, &QPushButton::clicked, this, &TSimulatorWindow::AskCapture);
    RateLabel->setText(QStringLiteral("0 transfers/s"));
    return box;
}

void TSimulatorWindow::PlaceBeside(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    QRect main = window->frameGeometry();
    const QSize size = frameGeometry().size().expandedTo(sizeHint());
    const bool roomRight = main.right() + 1 + kGap + size.width() <= area.right() + 1;
    const bool roomLeft = main.left() - kGap - size.width() >= area.left();
    const int pair = main.width() + kGap + size.width();
    if (!roomRight && !roomLeft && pair <= area.width()) {
        // Both fit side by side only if the main window makes room.
        window->move(area.left() + (area.width() - pair) / 2, window->y());
        main = window->frameGeometry();
    }
    int x = main.right() + 1 + kGap;
    if (x + size.width() > area.right() + 1)
        x = roomLeft ? main.left() - kGap - size.width() : area.right() + 1 - size.width();
    const int y = std::clamp(main.top(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height()));
    move(std::max(x, area.left()), y);
}

void TSimulatorWindow::LoadChipControls()
{
    if (!FSimulator)
        return;
    const sim::BusPopulation &p = FSimulator->firmware().population();
    FLoadingControls = true;
    Eeprom24Type->setCurrentIndex(p.eeprom24 ? int(*p.eeprom24) + 1 : 0);
    Eeprom24Pins->setValue(p.eeprom24Pins);
    Eeprom93Type->setCurrentIndex(p.eeprom93 ? int(*p.eeprom93) + 1 : 0);
    Eeprom93Org->setCurrentIndex(p.organisation == sim::Organisation::Word16 ? 0 : 1);
    RtcFitted->setChecked(p.pcf8583);
    OledFitted->setChecked(p.ssd1306);
    LcdFitted->setChecked(p.st7565);
    Eeprom24Pins->setEnabled(bool(p.eeprom24));
    Eeprom93Org->setEnabled(bool(p.eeprom93));
    FLoadingControls = false;
}

sim::BusPopulation TSimulatorWindow::ChipControls() const
{
    sim::BusPopulation p;
    p.eeprom24 = Eeprom24Type->currentIndex() > 0 ? std::optional(sim::Eeprom24Type(Eeprom24Type->currentIndex() - 1))
                                                  : std::nullopt;
    p.eeprom24Pins = Eeprom24Pins->value();
    p.eeprom93 = Eeprom93Type->currentIndex() > 0 ? std::optional(sim::Eeprom93Type(Eeprom93Type->currentIndex() - 1))
                                                  : std::nullopt;
    p.organisation = Eeprom93Org->currentIndex() == 0 ? sim::Organisation::Word16 : sim::Organisation::Byte8;
    p.pcf8583 = RtcFitted->isChecked();
    p.ssd1306 = OledFitted->isChecked();
    p.st7565 = LcdFitted->isChecked();
    return p;
}

void TSimulatorWindow::ChipsChanged()
{
    if (FLoadingControls || !FSimulator)
        return;
    FSimulator->firmware().setPopulation(ChipControls());
    LoadChipControls();
    Refresh();
}

void TSimulatorWindow::TransferAdded()
{
    if (!FFrameTimer->isActive())
        FFrameTimer->start(frameMs(this));
}

bool TSimulatorWindow::FramePending() const { return FFrameTimer->isActive(); }

void TSimulatorWindow::Refresh()
{
    FFrameTimer->stop();
    ++FFrames;
    RefreshAdapter();
    RefreshPanels();
    RefreshMemories();
    RefreshClock();
    RefreshLog();
}

void TSimulatorWindow::RefreshAdapter()
{
    const bool plugged = FSimulator && FSimulator->adapter()->isPlugged();
    PlugButton->setEnabled(FSimulator && !plugged);
    PullButton->setEnabled(plugged);
    AdapterLabel->setText(plugged ? QStringLiteral("RZT-USBasp plugged in") : QStringLiteral("RZT-USBasp pulled out"));
}

void TSimulatorWindow::RefreshPanels()
{
    const sim::Ssd1306 *oled = FSimulator ? FSimulator->firmware().oled() : nullptr;
    const sim::St7565 *lcd = FSimulator ? FSimulator->firmware().lcd() : nullptr;
    if (oled)
        OledView->SetImage(oled->glass(), oled->registers().contrast / 255.0);
    else
        OledView->SetAbsent();
    if (lcd)
        LcdView->SetImage(lcd->glass(), lcd->registers().electronicVolume / 63.0);
    else
        LcdView->SetAbsent();
}

void TSimulatorWindow::RefreshMemories()
{
    const sim::BridgeFirmware *firmware = FSimulator ? &FSimulator->firmware() : nullptr;
    showMemory(Eeprom24Hex, firmware && firmware->eeprom24() ? firmware->eeprom24()->memory() : QByteArray(), FShown24);
    showMemory(Eeprom93Hex, firmware && firmware->eeprom93() ? firmware->eeprom93()->memory() : QByteArray(), FShown93);
}

void TSimulatorWindow::RefreshClock()
{
    const QDateTime time = FSimulator ? FSimulator->clockTime() : QDateTime();
    const bool fitted = FSimulator && FSimulator->firmware().rtc();
    for (QWidget *w : std::initializer_list<QWidget *>{ClockEdit, ClockSetButton, ClockNowButton})
        w->setEnabled(fitted);
    if (!fitted) {
        ClockLabel->setText(QStringLiteral("no clock chip fitted"));
        return;
    }
    if (!time.isValid()) {
        ClockLabel->setText(QStringLiteral("the counters make no date"));
        return;
    }
    const qint64 ahead = QDateTime::currentDateTime().secsTo(time);
    ClockLabel->setText(QStringLiteral("%1   (%2%3 s from the computer's clock)")
                            .arg(time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                            .arg(ahead >= 0 ? QStringLiteral("+") : QString())
                            .arg(ahead));
}

void TSimulatorWindow::RefreshLog()
{
    if (!FSimulator)
        return;
    const sim::TransferLog &log = FSimulator->adapter()->log();
    const std::uint64_t fresh = log.total() - FLoggedTotal;
    FLoggedTotal = log.total();
    const std::size_t shown = std::size_t(std::min<std::uint64_t>({fresh, log.records().size(), LogLines}));
    if (shown == 0)
        return;
    QStringList lines;
    for (auto it = log.records().end() - std::ptrdiff_t(shown); it != log.records().end(); ++it)
        lines << LogLine(*it);
    LogView->appendPlainText(lines.join(QLatin1Char('\n')));
}

void TSimulatorWindow::CountRate()
{
    if (!FSimulator)
        return;
    const std::uint64_t total = FSimulator->adapter()->log().total();
    RateLabel->setText(QStringLiteral("%1 transfers/s").arg(total - FRateTotal));
    FRateTotal = total;
}

QString TSimulatorWindow::RequestName(std::uint8_t request)
{
    const auto *found = std::find_if(std::begin(kRequestNames), std::end(kRequestNames),
                                     [&](const auto &row) { return row.request == request; });
    return found != std::end(kRequestNames) ? QString::fromLatin1(found->name) : QString::number(request);
}

QString TSimulatorWindow::LogLine(const sim::TransferRecord &r)
{
    return QStringLiteral("%1.%2 %3 %4 v=%5 i=%6 l=%7 r=%8")
        .arg(r.timeUs / 1000000, 5)
        .arg(r.timeUs % 1000000, 6, 10, QLatin1Char('0'))
        .arg(r.in ? QStringLiteral("IN ") : QStringLiteral("OUT"))
        .arg(RequestName(r.request), -16)
        .arg(hex4(r.value), hex4(r.index))
        .arg(r.length, -4)
        .arg(r.result);
}

bool TSimulatorWindow::SaveCapture(const QString &fileName, QString &error) const
{
    if (!FSimulator) {
        error = QStringLiteral("no virtual adapter");
        return false;
    }
    const sim::VirtualAdapter *adapter = FSimulator->adapter();
    return SaveUsbmonCapture(FSimulator->adapter()->log().records(), adapter->busnum(), adapter->devnum(), fileName,
                             error);
}

bool TSimulatorWindow::SavePanel(const TPanelView *view, const QString &fileName) const
{
    return view->Picture().save(fileName, "PNG");
}

void TSimulatorWindow::AskCapture()
{
    const QString file =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save capture"), QStringLiteral("brindle.pcap"),
                                     QStringLiteral("usbmon captures (*.pcap);;All files (*)"));
    QString error;
    if (!file.isEmpty() && !SaveCapture(file, error))
        ShowMessage(QStringLiteral("Capture not saved: %1").arg(error));
}

void TSimulatorWindow::AskPanel(const TPanelView *view, const QString &name)
{
    const QString file = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save panel image"), name + QStringLiteral(".png"), QStringLiteral("PNG images (*.png)"));
    if (!file.isEmpty() && !SavePanel(view, file))
        ShowMessage(QStringLiteral("Image not saved: cannot write \"%1\"").arg(file));
}

void TSimulatorWindow::SetClock(const QDateTime &time)
{
    if (FSimulator)
        FSimulator->setClockFrom(time);
    RefreshClock();
}

void TSimulatorWindow::ShowMessage(const QString &text)
{
    MessageLabel->setText(text);
    MessageLabel->setVisible(!text.isEmpty());
}
