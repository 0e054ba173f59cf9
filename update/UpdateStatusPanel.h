#pragma once
// The status bar panel that tells the outcome of the update check. It acts
// as a button in every state, since a click opens the update wizard even
// before the check has run; a newer version makes it a dark, blinking button.
#include <QColor>
#include <QLabel>

class QTimer;
class TWebUpdate;

class TUpdateStatusPanel : public QLabel {
    Q_OBJECT

public:
    static constexpr int kBlinkIntervalMs = 500;
    static const QColor kNewerColor;

    explicit TUpdateStatusPanel(QWidget *parent = nullptr);

    // "Click & get update: ver." and the version, blue, bold and blinking.
    void ShowNewer(const QString &version);
    // "It's current ver. of Brindle".
    void ShowCurrent();
    // "Update check failed"; the reason goes to the tooltip.
    void ShowFailed(const QString &reason);
    // One of the three above, after the component's answer; nothing while
    // it has none.
    void ShowCheckResult(const TWebUpdate &update);

    bool IsBlinking() const;
    // Whether the blinking text is drawn at this moment.
    bool IsLit() const { return FLit; }

    // Wide enough for every state's text, so the status bar keeps still.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void SetLook(bool newer);
    void SetLit(bool lit);
    int StableWidth() const;

    QTimer *FBlinkTimer = nullptr;
    bool FNewer = false;
    bool FLit = true;
};
