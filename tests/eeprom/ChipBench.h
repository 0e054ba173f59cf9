#pragma once
// One chip of either family on the virtual adapter with its engine set up,
// for the tests of image operations and of the chip's protection.
#include "EngineProbe.h"
#include "SimBench.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqEEPROM93Cxx.h"

#include <memory>

using namespace sim;

// One chip of either family with the engine set up for it. kind: "24" or
// "93"; type: the row of the family; org16 for the 93Cxx organisation.
struct ChipBench {
    ChipBench(const QString &kind, int type, bool org16, bool chipThere = true)
        : family24(kind == "24"), bench(population(type, org16, chipThere), SimBench::ChipTime::Steady)
    {
        if (family24) {
            auto *e = new TZqEEPROM24Cxx;
            e->SetEepromType(TZqEEPROM24Cxx::TEepromType(type));
            e->SetAddrI2C(QStringLiteral("A0"));
            engine.reset(e);
        } else {
            auto *e = new TZqEEPROM93Cxx;
            e->SetEepromType(TZqEEPROM93Cxx::TEepromType(type));
            e->SetEepromOrganisation(org16 ? TZqEEPROM93Cxx::eo16_bit : TZqEEPROM93Cxx::eo8_bit);
            engine.reset(e);
        }
        engine->SetZqLibUSB(&bench.link());
        probe.attach(*engine);
    }
    BusPopulation population(int type, bool org16, bool chipThere) const
    {
        BusPopulation p;
        p.eeprom24Pins = 0;
        // The clock chip answers at A2, inside the block addresses of a 24C04..24C16 at A0.
        p.pcf8583 = false;
        p.organisation = org16 ? Organisation::Word16 : Organisation::Byte8;
        if (family24)
            p.eeprom24 = chipThere ? std::optional(Eeprom24Type(type)) : std::nullopt;
        else
            p.eeprom93 = chipThere ? std::optional(Eeprom93Type(type)) : std::nullopt;
        return p;
    }
    QByteArray memory()
    {
        return family24 ? bench.firmware().eeprom24()->memory() : bench.firmware().eeprom93()->memory();
    }
    void setMemory(const QByteArray &bytes)
    {
        family24 ? bench.firmware().eeprom24()->setMemory(0, bytes) : bench.firmware().eeprom93()->setMemory(0, bytes);
    }
    void ignoreNextWriteAt(int a)
    {
        family24 ? bench.firmware().eeprom24()->ignoreNextWriteAt(a)
                 : bench.firmware().eeprom93()->ignoreNextWriteAt(a);
    }
    int transfers() { return int(bench.simulator().adapter()->log().records().size()); }

    bool family24;
    SimBench bench;
    std::unique_ptr<TZqEEPROMBase> engine;
    EngineProbe probe;
};

