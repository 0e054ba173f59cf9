#include "UpdateStatusPanel.h"

#include "WebUpdate.h"

#include <QMouseEvent>
#include <QTimer>

namespace {

const QString kNewerText = QStringLiteral("Click & get update: ver.");
const QString kCurrentText = QStringLiteral("It's current ver. of Brindle");
const QString kFailedText = QStringLiteral("Update check failed");
const QString kIdleTip = QStringLiteral("Click to check for a newer version of Brindle");
const QString kNewerTip = QStringLiteral("Click to see what is new and where to get it");
const QString kCurrentTip = QStringLiteral("No newer version of Brindle is offered");
// A version this long is the widest one expected; longer ones widen the panel.
const QString kWidestExpected = QStringLiteral("1.0.10.10");
constexpr int kTextMargin = 16;

QFont BoldFont(QFont font)
{
    font.setBold(true);
    return font;
}

} // namespace

const QColor TUpdateStatusPanel::kNewerColor = QColor(0x22, 0x44, 0xff);

TUpdateStatusPanel::TUpdateStatusPanel(QWidget *parent) : QLabel(parent), FBlinkTimer(new QTimer(this))
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setCursor(Qt::PointingHandCursor);
    setToolTip(kIdleTip);
    FBlinkTimer->setInterval(kBlinkIntervalMs);
    connect(FBlinkTimer, &QTimer::timeout, this, [this] { SetLit(!FLit); });
    SetLook(false);
}

void TUpdateStatusPanel::ShowNewer(const QString &version)
{
    SetLook(true);
    setText(kNewerText + version);
    setToolTip(kNewerTip);
    FBlinkTimer->start();
}

void TUpdateStatusPanel::ShowCurrent()
{
    SetLook(false);
    setText(kCurrentText);
    setToolTip(kCurrentTip);
}

void TUpdateStatusPanel::ShowFailed(const QString &reason)
{
    SetLook(false);
    setText(kFailedText);
    // Made rich text here, so nothing in the reason is ever read as markup;
    // kept on one line, as a narrow tooltip would wrap it word by word.
    setToolTip(Qt::convertFromPlainText(kFailedText + QStringLiteral(": ") + reason));
}

void TUpdateStatusPanel::ShowCheckResult(const TWebUpdate &update)
{
    switch (update.State()) {
    case TWebUpdate::usNewer:
        ShowNewer(update.Offer().Version);
        break;
    case TWebUpdate::usCurrent:
        ShowCurrent();
        break;
    case TWebUpdate::usFailed:
        ShowFailed(update.FailReason());
        break;
    case TWebUpdate::usIdle:
    case TWebUpdate::usChecking:
        break;
    }
}

bool TUpdateStatusPanel::IsBlinking() const { return FBlinkTimer->isActive(); }

void TUpdateStatusPanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

// The newer look is a darker button; otherwise a light one, like panel 0.
void TUpdateStatusPanel::SetLook(bool newer)
{
    FBlinkTimer->stop();
    FNewer = newer;
    QFont look = font();
    look.setBold(newer);
    setFont(look);
    setAutoFillBackground(newer);
    SetLit(true);
}

// Blinking swaps the text colour for a clear one, so the text keeps its
// place and the panel its width.
void TUpdateStatusPanel::SetLit(bool lit)
{
    FLit = lit;
    QPalette colours;
    if (FNewer) {
        colours.setColor(QPalette::Window, colours.color(QPalette::Window).darker(125));
        colours.setColor(QPalette::WindowText, kNewerColor);
    }
    if (!lit)
        colours.setColor(QPalette::WindowText, Qt::transparent);
    setPalette(colours);
}

QSize TUpdateStatusPanel::sizeHint() const
{
    const QSize size = QLabel::sizeHint();
    return {qMax(size.width(), StableWidth()), size.height()};
}

QSize TUpdateStatusPanel::minimumSizeHint() const
{
    const QSize size = QLabel::minimumSizeHint();
    return {qMax(size.width(), StableWidth()), size.height()};
}

int TUpdateStatusPanel::StableWidth() const
{
    const QFontMetrics bold(BoldFont(font()));
    return qMax(bold.horizontalAdvance(kNewerText + kWidestExpected), fontMetrics().horizontalAdvance(kCurrentText)) +
           2 * frameWidth() + kTextMargin;
}
