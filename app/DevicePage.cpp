#include "DevicePage.h"

#include "ClickablePicture.h"
#include "DeviceGuard.h"
#include "ZqLibUSB.h"

#include <QComboBox>
#include <QGridLayout>
#include <QTimer>

void TDevicePage::SetLink(TZqLibUSB *link) { FLink = link; }
TZqLibUSB *TDevicePage::Link() const { return FLink; }
void TDevicePage::SetGuard(TDeviceGuard *guard) { FGuard = guard; }
TDeviceGuard *TDevicePage::Guard() const { return FGuard; }

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
