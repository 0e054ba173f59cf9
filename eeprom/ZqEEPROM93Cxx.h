#pragma once
// TZqEEPROM93Cxx: reads, writes and erases 93C46..93C86 Microwire EEPROMs
// in 16-bit or 8-bit organisation (the chip's ORG pin, which the user must
// match) through the device link: 150/151 take and release the lines, 152
// selects the chip, each instruction and data item is one 158 bit shift.
//
// Instruction word, sent as n bits with the start bit first: 1, two opcode
// bits, the address field. The start bit stands at bit top = 8 + b (16-bit)
// or 9 + b (8-bit), b = 0 (93C46), 2 (93C56, 93C66) or 4 (93C76, 93C86).
// The opcode-00 instructions take the top two address-field bits as their
// own opcode: EWEN 11, EWDS 00, ERAL 10, WRAL 01.
//
// WRITE, ERAL and WRAL start a self-timed programming cycle when CS falls;
// the chip ignores every instruction until it ends (tWC 6 ms, WRAL 15 ms on
// the 93LC parts). Selected again, the chip shows busy (0) or ready (1) on
// DO, which the engine polls before it goes on.
#include "ZqEEPROMCommon.h"

#include <initializer_list>

class TZqEEPROM93Cxx : public TZqEEPROMBase {
    Q_OBJECT
public:
    // A fixed underlying type, as an ordinal outside the list may be stored.
    enum TEepromType : int {
        et93c46,
        et93c56,
        et93c66,
        et93c76,
        et93c86,
    };
    enum TEepromOrganisation {
        eo16_bit,
        eo8_bit,
    };

    // A chip still busy after this long has failed: the operation ends there.
    // Well above the slowest cycle of the parts (WRAL, 15 ms; older parts
    // take up to 10 ms per word).
    static constexpr int ReadyTimeoutMs = 100;
    // Pause between two polls of a busy chip.
    static constexpr int ReadyPollMs = 1;

    explicit TZqEEPROM93Cxx(QObject *AOwner = nullptr);

    int Words() const { return FEEMWords; }
    bool SequentialRead() const { return FSequentialRead; }
    void SetSequentialRead(bool value) { FSequentialRead = value; }
    TEepromType EepromType() const { return FEepromType; }
    // Ordinals 0..4 (taken from the low 7 bits) set the sizes; others are only stored.
    void SetEepromType(TEepromType value);
    TEepromOrganisation EepromOrganisation() const { return FEepromOrganisation; }
    // Read by each operation as it starts.
    void SetEepromOrganisation(TEepromOrganisation value) { FEepromOrganisation = value; }

    // address and size count words (16-bit) or bytes (8-bit); clipped at the
    // chip's end. The bytes go to the view labelled with their byte address.
    void ReadEEPROM(int address, int size);
    // Two bytes per word, first byte high (16-bit), or one per byte (8-bit),
    // from word or byte addr on, up to the chip's end. An odd last byte
    // becomes the high byte of its word, whose low byte the chip keeps.
    void WriteEEPROM(const QByteArray &data, int addr);
    void EraseEEPROM();
    void ReadChip() override;
    // In 16-bit organisation byte 2w is the high, 2w+1 the low byte of word
    // w; a word only half covered keeps its other half from the chip.
    void WriteBytes(const QByteArray &data, int byteAddress) override;
    int WriteUnitBytes() const override { return FEepromOrganisation == eo16_bit ? 2 : 1; }
    static const QString NoChipAnswered;
    // WRAL in the 16-bit or the 8-bit form, whatever the organisation.
    void WriteAllEEPROMWords(std::uint16_t data);
    void WriteAllEEPROMBytes(std::uint8_t data);

    // Instruction words for the present type in the form of org; n is InstructionLength.
    int InstructionLength(TEepromOrganisation org) const { return Top(org) + 1; }
    std::uint16_t ReadInstruction(TEepromOrganisation org, int address) const;
    std::uint16_t WriteInstruction(TEepromOrganisation org, int address) const;
    std::uint16_t EwenInstruction(TEepromOrganisation org) const;
    std::uint16_t EwdsInstruction(TEepromOrganisation org) const;
    std::uint16_t EralInstruction(TEepromOrganisation org) const;
    std::uint16_t WralInstruction(TEepromOrganisation org) const;

protected:
    void ApplyType() override;

private:
    int Top(TEepromOrganisation org) const { return (org == eo16_bit ? 8 : 9) + FBitShift; }
    int Cells(TEepromOrganisation org) const { return org == eo16_bit ? FEEMWords : FEEMBytes; }

    // One 158 request: n bits of bits, the first at bit n-1.
    struct TShift {
        std::uint16_t bits;
        int n;
    };

    bool OpenMicrowire();
    void CloseMicrowire();
    bool SelectChip();
    bool ReleaseChip();
    bool DummyZero();
    bool Shift(std::uint16_t bits, int n, int length);
    bool EnableWrites(TEepromOrganisation org);
    bool DisableWrites(TEepromOrganisation org);
    bool ChipAnswers(TEepromOrganisation org, int address);
    int Trusted(TEepromOrganisation org, int stored) const;
    std::uint16_t ReplyData(TEepromOrganisation org) const;
    bool ReadCellAt(TEepromOrganisation org, int a, std::uint16_t &value);
    bool ReadSequentialItem(TEepromOrganisation org, int address, bool first, std::uint16_t &value);
    bool WriteCellAt(TEepromOrganisation org, int a, std::uint16_t value);
    bool CellHolds(TEepromOrganisation org, int a, std::uint16_t expected);
    bool Program(TEepromOrganisation org, TShift instruction, std::initializer_list<TShift> data);
    bool AwaitReady();

    int ReadRange(TEepromOrganisation org, int address, int end);
    int WriteCells(TEepromOrganisation org, const QByteArray &data, int addr);
    int WriteBytesAt(TEepromOrganisation org, const QByteArray &data, int byteAddress);
    void WriteAll(TEepromOrganisation form, std::uint16_t data);

    TEepromType FEepromType = et93c46;
    TEepromOrganisation FEepromOrganisation = eo16_bit;
    int FEEMWords = 64;
    bool FSequentialRead = false;
    int FBitShift = 0;
};
