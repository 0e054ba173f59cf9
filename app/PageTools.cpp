#include "PageTools.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

namespace PageTools {

namespace {
const char *const kGaugeColour = "gaugeColour";

// A flat bar in the gauge's colour on white in a grey frame. Drawn here: a
// style sheet would restyle the bar at every polish and every colour change.
class TGauge final : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

    // The frame around the style's bar.
    QSize sizeHint() const override { return QProgressBar::sizeHint() + QSize(2, 2); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setPen(QColor(128, 128, 128));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        const QRect inside = rect().adjusted(1, 1, -1, -1);
        const qint64 span = qint64(maximum()) - minimum();
        const qint64 done = qBound<qint64>(0, qint64(value()) - minimum(), span);
        if (span > 0 && done > 0)
            painter.fillRect(QRect(inside.topLeft(), QSize(int(done * inside.width() / span), inside.height())),
                             GaugeColour(this));
    }
};
} // namespace

QLineEdit *DigitsEdit(QWidget *parent, const char *name, int maxLength, const QString &text)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(maxLength);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * (maxLength + 2) + 12);
    return edit;
}

int FieldNumber(const QLineEdit *edit)
{
    bool ok = false;
    const int value = edit->text().toInt(&ok);
    return ok ? value : 0;
}

QProgressBar *NewGauge(QWidget *parent, const char *name, const QColor &colour)
{
    auto *gauge = new TGauge(parent);
    gauge->setObjectName(QLatin1String(name));
    gauge->setRange(0, 100);
    gauge->setTextVisible(false);
    SetGauge(gauge, 0, colour);
    return gauge;
}

void SetGauge(QProgressBar *gauge, int percent, const QColor &colour)
{
    gauge->setValue(percent);
    gauge->setProperty(kGaugeColour, colour);
    gauge->update();
}

QColor GaugeColour(const QProgressBar *gauge) { return gauge->property(kGaugeColour).value<QColor>(); }

void SetTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QString PercentText(int percent)
{
    return (percent == 0 ? QString() : QString::number(percent)) + QStringLiteral(" %");
}

void ReplaceFirstLine(QTextEdit *view, const QString &text)
{
    QTextCursor cursor(view->document()->firstBlock());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

void RestartLines(QTextEdit *view, const QString &text)
{
    view->clear();
    view->append(text);
}

void ZqHexView1DisplayEnd(QObject *)
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

void ShowNotice(QWidget *page, QPointer<QMessageBox> &box, const QString &text)
{
    if (!box)
        box = new QMessageBox(QMessageBox::Information, QStringLiteral("Brindle"), QString(), QMessageBox::Ok, page);
    box->setText(text);
    box->open();
}

namespace {
QHBoxLayout *FieldRow(QWidget *group, const QList<QLineEdit *> &fields, const QString &separator)
{
    auto *line = new QHBoxLayout;
    for (QLineEdit *field : fields) {
        if (field != fields.first())
            line->addWidget(new QLabel(separator, group));
        line->addWidget(field);
    }
    line->addStretch(1);
    return line;
}
} // namespace

QGridLayout *NewTimeFieldsGrid(QWidget *group, const QList<QLineEdit *> &time, const QList<QLineEdit *> &date,
                               QPushButton *getTime, QPushButton *save)
{
    auto *box = new QGridLayout(group);
    box->addLayout(FieldRow(group, time, QStringLiteral(":")), 0, 0);
    box->addLayout(FieldRow(group, date, QStringLiteral("-")), 1, 0);
    box->addWidget(getTime, 0, 1);
    box->addWidget(save, 1, 1);
    return box;
}

} // namespace PageTools
