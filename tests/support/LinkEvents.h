#pragma once
// Records a device link's events together with what the link showed at that moment.
#include "ZqLibUSB.h"

#include <QStringList>
#include <QtTest>

struct LinkEvents {
    QStringList events;
    QStringList versionsSeen;
    QList<QStringList> stringsSeen;

    void attach(TZqLibUSB &link)
    {
        link.OnConnected = [this, &link](QObject *sender) {
            QCOMPARE(sender, &link);
            events << QStringLiteral("connected");
            versionsSeen << link.DeviceVersion();
            stringsSeen << link.InfStrings();
        };
        link.OnDisconnected = [this, &link](QObject *) {
            events << QStringLiteral("disconnected");
            versionsSeen << link.DeviceVersion();
            stringsSeen << link.InfStrings();
        };
        link.OnAccessDenied = [this, &link](QObject *sender) {
            QCOMPARE(sender, &link);
            QVERIFY(!link.Connected());
            events << QStringLiteral("access denied");
        };
    }
};
