#include "DevicePage.h"

#include "ClickablePicture.h"
#include "Pictures.h"
#include "ZqLibUSB.h"

#include <QComboBox>
#include <QGridLayout>
#include <QTimer>

void TDevicePage::SetLink(TZqLibUSB *link) { FLink = link; }
TZqLibUSB *TDevicePage::Link() const { return FLink; }
TDeviceGuard *TDevicePage::Guard() const { return FGuard; }

void TDevicePage::SetGuard(TDeviceGuard *guard)
{
    if (FGuard)
        disconnect(FGuard, nullptr, this, nullptr);
    FGuard = guard;
    if (guard)
        connect(guard, &TDeviceGuard::BusyChanged, this, &TDevicePage::FollowGuard);
    FollowGuard(guard && guard->Busy());
}

void TDevicePage::FollowGuard(bool busy)
{
    for (QWidget *button : DeviceButtons())
        button->setEnabled(!busy);
}

TDeviceGuard::THold TDevicePage::BeginWork() const { return FGuard ? FGuard->Begin() : TDeviceGuard::THold(); }

QGridLayout *TDevicePage::NewPageLayout(TClickablePicture *picture)
{
    connect(picture, &TClickablePicture::clicked, this, &TDevicePage::WiringRequested);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->addWidget(picture, 0, 0, 3, 1, Qt::AlignTop | Qt::AlignLeft);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(3, 1);
    return grid;
}

TClickablePicture *TDevicePage::NewChipPicture(const QString &label)
{
    return new TClickablePicture(
        Pictures::ChipPictureSize, [label] { return Pictures::chipPackagePicture(label); }, this);
}

QComboBox *TDevicePage::TypeList(const char *name, const QStringList &items, QWidget *parent)
{
    auto *list = Named(new QComboBox(parent), name);
    list->addItems(items);
    return list;
}

QTimer *TDevicePage::NewTimer(QObject *owner, const char *name, int intervalMs)
{
    auto *timer = Named(new QTimer(owner), name);
    timer->setInterval(intervalMs);
    return timer;
}
