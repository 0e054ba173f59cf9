#pragma once
// What every device page has: the link it works through, the guard that keeps
// device operations from overlapping, the wiring picture at its top left, and
// a way to stop what it runs when the user leaves it.
#include "DeviceGuard.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QGridLayout;
class QTimer;
class TClickablePicture;
class TZqLibUSB;

class TDevicePage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    void SetLink(TZqLibUSB *link);
    TZqLibUSB *Link() const;
    // The window's one guard. While it is busy with any page's operation the
    // page's DeviceButtons() are disabled.
    void SetGuard(TDeviceGuard *guard);
    TDeviceGuard *Guard() const;

    // Another page became the current one.
    virtual void PageLeft() {}

signals:
    // The user clicked the page's picture: the window shows the wiring.
    void WiringRequested();

protected:
    // Every device action starts here: an empty hold (do nothing) while
    // another operation runs, or with no guard.
    TDeviceGuard::THold BeginWork() const;
    // The buttons that start device operations.
    virtual QList<QWidget *> DeviceButtons() const { return {}; }

    // The picture at the top left, controls to its right.
    QGridLayout *NewPageLayout(TClickablePicture *picture);

    template <class W>
    static W *Named(W *widget, const char *name)
    {
        widget->setObjectName(QLatin1String(name));
        return widget;
    }
    static QComboBox *TypeList(const char *name, const QStringList &items, QWidget *parent);
    static QTimer *NewTimer(QObject *owner, const char *name, int intervalMs);
    // The eight-pin package with the chip's name on it, painted when first shown.
    TClickablePicture *NewChipPicture(const QString &label);

private:
    void FollowGuard(bool busy);

    QPointer<TZqLibUSB> FLink;
    QPointer<TDeviceGuard> FGuard;
};
