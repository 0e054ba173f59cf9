#pragma once
// How the device link finds, follows and gives up adapters, written once and
// run on every road to them (see TestBus).
#include "LinkEvents.h"
#include "TestBus.h"
#include "ZqLibUSB.h"

#include <QObject>
#include <memory>

class LinkScenarios : public QObject {
    Q_OBJECT
public:
    explicit LinkScenarios(TestBusFactory makeBus) : FMakeBus(std::move(makeBus)) {}

private slots:
    void init();
    void cleanup();

    void startsWithoutAdapterThenFollowsPlugAndPull();
    void connectedAtLoadRaisesEventInsideLoaded();
    void firstAdapterInBusOrderIsOpened();
    void releaseNumberIsPlainDecimal_data();
    void releaseNumberIsPlainDecimal();
    void descriptorStringsAreFiltered();
    void descriptorStringsUpToIndexTen();
    void pulledBetweenTwoTransfers();
    void otherDevicesComingAndGoingLeaveAdapterAlone();
    void pullingTheOtherAdapterLeavesOpenOneAlone();
    void lengthBeyondSixteenBitsIsRefusedUnsent();

private:
    void makeLink();
    void loadLink();

    TestBusFactory FMakeBus;
    std::unique_ptr<TestBus> bus;
    std::unique_ptr<TZqLibUSB> link;
    LinkEvents log;
};
