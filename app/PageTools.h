#pragma once
// Small pieces the device pages share: digit fields, the progress gauge,
// the progress line of a hex view and the page's notice box.
#include <QColor>
#include <QList>
#include <QPointer>
#include <QString>

class QGridLayout;
class QLineEdit;
class QPushButton;
class QMessageBox;
class QProgressBar;
class QTextEdit;
class QWidget;

namespace PageTools {

// An edit that takes only decimal digits, at most maxLength of them.
QLineEdit *DigitsEdit(QWidget *parent, const char *name, int maxLength, const QString &text);
// The field as a decimal number; an empty field counts as 0.
int FieldNumber(const QLineEdit *edit);

QProgressBar *NewGauge(QWidget *parent, const char *name, const QColor &colour);
void SetGauge(QProgressBar *gauge, int percent, const QColor &colour);
QColor GaugeColour(const QProgressBar *gauge);

// Text drawn in colour through the palette: a style sheet would restyle the
// widget and everything in it.
void SetTextColour(QWidget *widget, const QColor &colour);

// The clock pages' setting fields: hours, minutes, seconds with "get time"
// beside them, year, month, day with "zapisz", in the group's grid.
QGridLayout *NewTimeFieldsGrid(QWidget *group, const QList<QLineEdit *> &time, const QList<QLineEdit *> &date,
                               QPushButton *getTime, QPushButton *save);

// The percentage as the pattern "# %": no digit for 0.
QString PercentText(int percent);
void ReplaceFirstLine(QTextEdit *view, const QString &text);
// Empties the view and gives it one line.
void RestartLines(QTextEdit *view, const QString &text);

// After a dump is drawn: the screen cursor back to the arrow.
void ZqHexView1DisplayEnd(QObject *Sender);

// Shown without blocking, so device work and tests go on; one box per page,
// reused for the next notice.
void ShowNotice(QWidget *page, QPointer<QMessageBox> &box, const QString &text);

} // namespace PageTools
