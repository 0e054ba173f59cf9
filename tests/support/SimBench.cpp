#include "SimBench.h"

#include <QCoreApplication>

SimBench::SimBench(const sim::BusPopulation &population, ChipTime time)
    : FSim(std::make_unique<sim::Simulator>(
          population, time == ChipTime::Manual ? static_cast<sim::VirtualClock *>(&clock) : &steadyClock))
{
    settle();
    FLink = std::make_unique<TZqLibUSB>(nullptr, FSim.get());
    FLink->Loaded();
}

SimBench::~SimBench()
{
    pull();
    FLink.reset();
}

void SimBench::settle() { QCoreApplication::processEvents(); }

void SimBench::pull()
{
    FSim->pull(FSim->adapter());
    settle();
}

void SimBench::replug()
{
    pull();
    FSim->plug(FSim->adapter());
    settle();
}

int SimBench::write(int request, int value, int index, const QByteArray &data, int length)
{
    FLink->DevBuffer.replace(0, data.size(), data);
    TUsbCtrlSet s;
    s.bRequest = std::uint8_t(request);
    s.wValue = std::uint16_t(value);
    s.wIndex = std::uint16_t(index);
    s.wLength = std::uint16_t(length < 0 ? data.size() : length);
    FLink->DevWrite2(s);
    const auto &records = FSim->adapter()->log().records();
    return records.empty() ? -1 : records.back().result;
}

int SimBench::read(int request, int value, int index, int length)
{
    TUsbCtrlSet s;
    s.bRequest = std::uint8_t(request);
    s.wValue = std::uint16_t(value);
    s.wIndex = std::uint16_t(index);
    s.wLength = std::uint16_t(length);
    return FLink->DevRead3(s);
}

QByteArray SimBench::i2cRead(int device, int index, int n)
{
    return read(104, device, index, n) == n ? buffer(n) : QByteArray();
}

std::uint16_t SimBench::shift(std::uint16_t bits, int n, int length)
{
    read(158, bits, n, length);
    return std::uint16_t(std::uint8_t(FLink->DevBuffer[0]) << 8 | std::uint8_t(FLink->DevBuffer[1]));
}

void SimBench::lcdCommand(std::uint8_t command)
{
    write(153, 0, 0, {}, 1);
    write(155, command, 0, {}, 1);
}

void SimBench::lcdData(const QByteArray &bytes)
{
    write(153, 1, 0, {}, 1);
    write(157, 1, 0, bytes);
}

QByteArray testFrame()
{
    QByteArray frame(1024, '\0');
    for (int i = 0; i < frame.size(); ++i)
        frame[i] = char((i * 37 + i / 128 * 11 + 1) & 0xFF);
    return frame;
}

QByteArray inverted(QByteArray frame)
{
    for (char &c : frame)
        c = char(~c);
    return frame;
}
