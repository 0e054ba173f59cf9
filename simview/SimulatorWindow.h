#pragma once
// The "Simulator" window beside the main window when the program runs on
// the virtual adapter: plug and pull it, see its two panels as the glass
// shows them, change its chips, look into their memories and the clock, and
// follow the transfers. Everything shown is read from the virtual adapter
// itself. Redrawn at most once per screen frame, however fast transfers come.
#include <QPointer>
#include <QWidget>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTimer;
class TPanelView;
class TZqHexView;
namespace sim {
class Simulator;
struct BusPopulation;
struct TransferRecord;
} // namespace sim

class TSimulatorWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int LogLines = 500;

    explicit TSimulatorWindow(sim::Simulator *simulator, QWidget *parent = nullptr);
    ~TSimulatorWindow() override;

    // Beside window on its screen: to its right if there is room, else to
    // its left; when neither has room but the two fit side by side, window
    // moves over to make it.
    void PlaceBeside(QWidget *window);

    QPushButton *PlugButton = nullptr;
    QPushButton *PullButton = nullptr;
    QLabel *AdapterLabel = nullptr;
    QSpinBox *ZoomEdit = nullptr;
    TPanelView *OledView = nullptr;
    TPanelView *LcdView = nullptr;
    QPushButton *OledPngButton = nullptr;
    QPushButton *LcdPngButton = nullptr;
    QComboBox *Eeprom24Type = nullptr;
    QSpinBox *Eeprom24Pins = nullptr;
    QComboBox *Eeprom93Type = nullptr;
    QComboBox *Eeprom93Org = nullptr;
    QCheckBox *RtcFitted = nullptr;
    QCheckBox *OledFitted = nullptr;
    QCheckBox *LcdFitted = nullptr;
    QTabWidget *ChipTabs = nullptr;
    TZqHexView *Eeprom24Hex = nullptr;
    TZqHexView *Eeprom93Hex = nullptr;
    QLabel *ClockLabel = nullptr;
    QDateTimeEdit *ClockEdit = nullptr;
    QPushButton *ClockSetButton = nullptr;
    QPushButton *ClockNowButton = nullptr;
    QPlainTextEdit *LogView = nullptr;
    QLabel *RateLabel = nullptr;
    QPushButton *CaptureButton = nullptr;
    QLabel *MessageLabel = nullptr;

    // The newest transfers in memory as a usbmon capture; false with error set.
    bool SaveCapture(const QString &fileName, QString &error) const;
    bool SavePanel(const TPanelView *view, const QString &fileName) const;
    // Redraws now what changed; otherwise this runs on the frame timer.
    void Refresh();
    int Frames() const { return FFrames; }
    bool FramePending() const;

    static QString RequestName(std::uint8_t request);
    // time, direction, request, value, index, length, result
    static QString LogLine(const sim::TransferRecord &record);

private:
    QWidget *CreateAdapterRow();
    QWidget *CreatePanels();
    QWidget *CreateChips();
    QWidget *CreateMemories();
    QWidget *CreateLog();
    void LoadChipControls();
    sim::BusPopulation ChipControls() const;
    void ChipsChanged();
    void TransferAdded();
    void RefreshAdapter();
    void RefreshPanels();
    void RefreshMemories();
    void RefreshClock();
    void RefreshLog();
    void CountRate();
    void AskCapture();
    void AskPanel(const TPanelView *view, const QString &name);
    void SetClock(const QDateTime &time);
    void ShowMessage(const QString &text);

    QPointer<sim::Simulator> FSimulator;
    QTimer *FFrameTimer = nullptr;
    QTimer *FSecondTimer = nullptr;
    std::uint64_t FLoggedTotal = 0;
    std::uint64_t FRateTotal = 0;
    QByteArray FShown24;
    QByteArray FShown93;
    int FFrames = 0;
    bool FLoadingControls = false;
};
