#include "ZqEEPROM93Cxx.h"

#include <QCoreApplication>

namespace {
struct T93CxxRow {
    int bytes;
    int bitShift; // address bits beyond those of the 93C46
};

const T93CxxRow k93CxxRows[] = {
    {128, 0},  // 93C46
    {256, 2},  // 93C56: the top address bit is "don't care"
    {512, 2},  // 93C66
    {1024, 4}, // 93C76: the top address bit is "don't care"
    {2048, 4}, // 93C86
};

int DataBits(TZqEEPROM93Cxx::TEepromOrganisation org) { return org == TZqEEPROM93Cxx::eo16_bit ? 16 : 8; }
} // namespace

TZqEEPROM93Cxx::TZqEEPROM93Cxx(QObject *AOwner) : TZqEEPROMBase(AOwner, 128) {}

void TZqEEPROM93Cxx::SetEepromType(TEepromType value)
{
    FEepromType = value;
    if (!Busy())
        ApplyType();
}

void TZqEEPROM93Cxx::ApplyType()
{
    const int row = int(FEepromType) & 0x7F;
    if (row >= int(std::size(k93CxxRows)))
        return;
    FEEMBytes = k93CxxRows[row].bytes;
    FEEMWords = FEEMBytes / 2;
    FBitShift = k93CxxRows[row].bitShift;
    FEEPROM_BUF.resize(FEEMBytes);
}

// The address is kept inside its field, so it can never reach the opcode.
std::uint16_t TZqEEPROM93Cxx::ReadInstruction(TEepromOrganisation org, int address) const
{
    const int top = Top(org);
    return std::uint16_t(1 << top | 1 << (top - 1) | (address & ((1 << (top - 2)) - 1)));
}

std::uint16_t TZqEEPROM93Cxx::WriteInstruction(TEepromOrganisation org, int address) const
{
    const int top = Top(org);
    return std::uint16_t(1 << top | 1 << (top - 2) | (address & ((1 << (top - 2)) - 1)));
}

std::uint16_t TZqEEPROM93Cxx::EwenInstruction(TEepromOrganisation org) const
{
    const int top = Top(org);
    return std::uint16_t(1 << top | 1 << (top - 3) | 1 << (top - 4));
}

std::uint16_t TZqEEPROM93Cxx::EwdsInstruction(TEepromOrganisation org) const { return std::uint16_t(1 << Top(org)); }

std::uint16_t TZqEEPROM93Cxx::EralInstruction(TEepromOrganisation org) const
{
    const int top = Top(org);
    return std::uint16_t(1 << top | 1 << (top - 3));
}

std::uint16_t TZqEEPROM93Cxx::WralInstruction(TEepromOrganisation org) const
{
    const int top = Top(org);
    return std::uint16_t(1 << top | 1 << (top - 4));
}

bool TZqEEPROM93Cxx::OpenMicrowire() { return Online() && FZqLibUSB->DevWrite(arSpiOpen, ssSoftSPI, 0, 1); }

void TZqEEPROM93Cxx::CloseMicrowire()
{
    if (Online())
        FZqLibUSB->DevWrite(arSpiClose, ssSoftSPI, 0, 1);
}

bool TZqEEPROM93Cxx::SelectChip() { return Online() && FZqLibUSB->DevWrite(arChipSelect, 1, 0, 0); }

bool TZqEEPROM93Cxx::ReleaseChip() { return Online() && FZqLibUSB->DevWrite(arChipSelect, 0, 0, 0); }

// True when the adapter clocked the bits and sent back length reply bytes.
bool TZqEEPROM93Cxx::Shift(std::uint16_t bits, int n, int length)
{
    if (!Online())
        return false;
    TUsbCtrlSet s;
    s.bRequest = arMicrowireShift;
    s.wValue = bits;
    s.wIndex = std::uint16_t(n);
    s.wLength = std::uint16_t(length);
    return FZqLibUSB->DevRead3(s) >= length;
}

bool TZqEEPROM93Cxx::EnableWrites(TEepromOrganisation org)
{
    const bool ok = SelectChip() && Shift(EwenInstruction(org), InstructionLength(org), 1);
    return ReleaseChip() && ok;
}

bool TZqEEPROM93Cxx::DisableWrites(TEepromOrganisation org)
{
    const bool ok = SelectChip() && Shift(EwdsInstruction(org), InstructionLength(org), 1);
    return ReleaseChip() && ok;
}

// Reply bytes: 0 = bits 15..8, 1 = bits 7..0 of what was clocked in.
std::uint16_t TZqEEPROM93Cxx::ReplyData(TEepromOrganisation org) const
{
    const auto hi = std::uint8_t(FZqLibUSB->DevBuffer[0]);
    const auto lo = std::uint8_t(FZqLibUSB->DevBuffer[1]);
    return org == eo16_bit ? std::uint16_t(hi << 8 | lo) : lo;
}

// The dummy 0 a chip puts out after a READ's address; MISO's pull-up reads 1
// where no chip answers.
const QString TZqEEPROM93Cxx::NoChipAnswered =
    QStringLiteral("no chip answered: check the wiring, the type and ORG");

// DO idles high through its pull-up: a 1 where the dummy 0 belongs means no
// chip took the READ (absent, wrong address length, wrong organisation).
bool TZqEEPROM93Cxx::DummyZero()
{
    if (!Shift(0, 1, 2))
        return false;
    if (!(FZqLibUSB->DevBuffer[1] & 1))
        return true;
    SetReadProblem(NoChipAnswered);
    return false;
}

// READ, the dummy 0 the chip puts out before the data, then the data.
bool TZqEEPROM93Cxx::ReadCellAt(TEepromOrganisation org, int a, std::uint16_t &value)
{
    const bool ok = SelectChip() && Shift(ReadInstruction(org, a), InstructionLength(org), 2) && DummyZero() &&
                    Shift(0, DataBits(org), 2);
    if (ok)
        value = ReplyData(org);
    return ReleaseChip() && ok;
}

// The chip is selected already; the first item brings the READ and its dummy bit.
bool TZqEEPROM93Cxx::ReadSequentialItem(TEepromOrganisation org, int address, bool first, std::uint16_t &value)
{
    if (first && !(Shift(ReadInstruction(org, address), InstructionLength(org), 2) && DummyZero()))
        return false;
    if (!Shift(0, DataBits(org), 2))
        return false;
    value = ReplyData(org);
    return true;
}

// A chip that has fallen off the bus looks ready at once (MISO's pull-up):
// only reading the cell back shows that the programming took.
bool TZqEEPROM93Cxx::CellHolds(TEepromOrganisation org, int a, std::uint16_t expected)
{
    std::uint16_t value = 0;
    return ReadCellAt(org, a, value) && value == expected;
}

// A word goes out as two bytes, high first.
bool TZqEEPROM93Cxx::WriteCellAt(TEepromOrganisation org, int a, std::uint16_t value)
{
    const TShift write{WriteInstruction(org, a), InstructionLength(org)};
    if (org == eo8_bit)
        return Program(org, write, {{std::uint8_t(value), 8}});
    return Program(org, write, {{std::uint16_t(value >> 8), 8}, {std::uint8_t(value), 8}});
}

// EWEN, the instruction with its data under one select, the programming
// cycle (started as CS falls), EWDS. True only when the chip came back ready.
bool TZqEEPROM93Cxx::Program(TEepromOrganisation org, TShift instruction, std::initializer_list<TShift> data)
{
    bool ok = EnableWrites(org) && SelectChip() && Shift(instruction.bits, instruction.n, 1);
    for (const TShift &d : data)
        ok = ok && Shift(d.bits, d.n, 2);
    // CS falling starts the cycle: a deselect that did not happen started nothing.
    ok = ReleaseChip() && ok && AwaitReady();
    return DisableWrites(org) && ok;
}

// Selected, the chip drives DO low while busy and high once ready; one-bit
// shifts of 0 read it without starting an instruction. The time-out counts
// the waits, not the wall clock: a busy computer that is slow between polls
// must not call a chip that finished its cycle stuck.
bool TZqEEPROM93Cxx::AwaitReady()
{
    bool ready = false;
    if (SelectChip()) {
        for (int waited = 0; Shift(0, 1, 2); waited += ReadyPollMs) {
            if (FZqLibUSB->DevBuffer[1] & 1) {
                ready = true;
                break;
            }
            if (waited >= ReadyTimeoutMs)
                break;
            Wait(ReadyPollMs);
        }
    }
    return ReleaseChip() && ready;
}

void TZqEEPROM93Cxx::ReadEEPROM(int address, int size)
{
    if (!BeginOperation())
        return;
    const TEepromOrganisation org = FEepromOrganisation;
    const qint64 wanted = qint64(address) + qMax(size, 0);
    const int end = address < 0 ? address : int(qMin<qint64>(wanted, Cells(org)));
    const int bytes = ReadRange(org, address, end);
    const int byteAddress = address < end ? address * DataBits(org) / 8 : address;
    DoActionEnd(eaRead, bytes, byteAddress);
}

// Sequential: one READ, then the chip's own counter supplies the items while
// it stays selected. Otherwise each item is a READ of its own. The first
// item that fails ends the read.
int TZqEEPROM93Cxx::ReadRange(TEepromOrganisation org, int address, int end)
{
    const bool sequential = FSequentialRead;
    int stored = 0;
    SetReadProblem(QString());
    const bool ready = OpenMicrowire() && SelectChip();
    for (int j = address; ready && j < end; ++j) {
        std::uint16_t value = 0;
        const bool ok = sequential ? ReadSequentialItem(org, address, j == address, value) : ReadCellAt(org, j, value);
        if (!ok)
            break;
        if (org == eo16_bit)
            FEEPROM_BUF[stored++] = char(value >> 8);
        FEEPROM_BUF[stored++] = char(value);
        FZqLibUSB->ClearDevBuf();
        DoProgress(eaRead, ProgressPercent(j + 1, end));
        QCoreApplication::processEvents();
    }
    const bool released = ReleaseChip();
    const bool whole =
        released && (end <= address || (stored == (end - address) * DataBits(org) / 8 && ChipAnswers(org, address)));
    CloseMicrowire();
    return whole ? stored : Trusted(org, stored);
}

// A READ's dummy 0: the chip is (still) there.
bool TZqEEPROM93Cxx::ChipAnswers(TEepromOrganisation org, int address)
{
    const bool ok = SelectChip() && Shift(ReadInstruction(org, address), InstructionLength(org), 2) && DummyZero();
    return ReleaseChip() && ok;
}

// A chip gone from the bus reads as all ones: items of all ones at the end
// of a read that did not end well may be the pull-up's, not the chip's.
int TZqEEPROM93Cxx::Trusted(TEepromOrganisation org, int stored) const
{
    const int width = DataBits(org) / 8;
    while (stored >= width && FEEPROM_BUF.mid(stored - width, width) == QByteArray(width, char(0xFF)))
        stored -= width;
    return stored;
}

void TZqEEPROM93Cxx::WriteEEPROM(const QByteArray &data, int addr)
{
    if (!BeginOperation())
        return;
    const TEepromOrganisation org = FEepromOrganisation;
    const bool open = OpenMicrowire();
    const int written = open && !data.isEmpty() ? WriteCells(org, data, addr) : 0;
    CloseMicrowire();
    DoActionEnd(eaWrite, written, 0);
}

// Every cell is written inside the chip: beyond its end the address would
// spill into the opcode and make the WRITE another instruction (ERAL among
// them). The write stops there, at a failed request or a chip that stays busy.
int TZqEEPROM93Cxx::WriteCells(TEepromOrganisation org, const QByteArray &data, int addr)
{
    const int width = DataBits(org) / 8;
    const auto byte = [&data](int i) { return std::uint8_t(data[i]); };
    int written = 0;
    for (int i = 0; i < data.size(); i += width) {
        const qint64 a = qint64(addr) + i / width;
        if (a < 0 || a >= Cells(org))
            break;
        std::uint16_t value = byte(i);
        if (width == 2 && i + 1 < data.size()) {
            value = std::uint16_t(byte(i) << 8 | byte(i + 1));
        } else if (width == 2) {
            std::uint16_t old = 0;
            if (!ReadCellAt(org, int(a), old))
                break;
            value = std::uint16_t(byte(i) << 8 | (old & 0xFF));
        }
        if (!WriteCellAt(org, int(a), value) || !CellHolds(org, int(a), value))
            break;
        written += qMin(width, int(data.size()) - i);
        DoProgress(eaWrite, ProgressPercent(written, data.size()));
    }
    return written;
}

void TZqEEPROM93Cxx::ReadChip() { ReadEEPROM(0, Cells(FEepromOrganisation)); }

void TZqEEPROM93Cxx::WriteBytes(const QByteArray &data, int byteAddress)
{
    if (!BeginOperation())
        return;
    const TEepromOrganisation org = FEepromOrganisation;
    OpenMicrowire();
    const int written = byteAddress < 0 || data.isEmpty() ? 0 : WriteBytesAt(org, data, byteAddress);
    CloseMicrowire();
    DoActionEnd(eaWrite, written, byteAddress);
}

// An odd start is the low byte of a word whose high byte the chip keeps;
// WriteCells does the same for an odd end.
int TZqEEPROM93Cxx::WriteBytesAt(TEepromOrganisation org, const QByteArray &data, int byteAddress)
{
    if (org == eo8_bit || byteAddress % 2 == 0)
        return WriteCells(org, data, byteAddress / (DataBits(org) / 8));
    const int w = byteAddress / 2;
    std::uint16_t old = 0;
    if (w >= Cells(org) || !ReadCellAt(org, w, old) ||
        !WriteCellAt(org, w, std::uint16_t((old & 0xFF00) | std::uint8_t(data[0]))))
        return 0;
    return 1 + WriteCells(org, data.mid(1), w + 1);
}

void TZqEEPROM93Cxx::EraseEEPROM()
{
    if (!BeginOperation())
        return;
    const TEepromOrganisation org = FEepromOrganisation;
    const bool ok = OpenMicrowire() && Program(org, {EralInstruction(org), InstructionLength(org)}, {}) &&
                    CellHolds(org, 0, org == eo16_bit ? 0xFFFF : 0xFF);
    CloseMicrowire();
    DoActionEnd(eaErase, ok ? FEEMBytes : 0, 0);
}

void TZqEEPROM93Cxx::WriteAllEEPROMWords(std::uint16_t data) { WriteAll(eo16_bit, data); }

void TZqEEPROM93Cxx::WriteAllEEPROMBytes(std::uint8_t data) { WriteAll(eo8_bit, data); }

// Write enable follows the organisation; WRAL and its data the form asked for.
void TZqEEPROM93Cxx::WriteAll(TEepromOrganisation form, std::uint16_t data)
{
    if (!BeginOperation())
        return;
    const TEepromOrganisation org = FEepromOrganisation;
    const bool ok = OpenMicrowire() &&
                    Program(org, {WralInstruction(form), InstructionLength(form)}, {{data, DataBits(form)}}) &&
                    CellHolds(form, 0, data);
    CloseMicrowire();
    DoActionEnd(eaWrite, ok ? FEEMBytes : 0, 0);
}
