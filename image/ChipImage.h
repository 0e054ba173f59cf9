#pragma once
// A chip image: the bytes a file gives for some addresses of a memory. A
// HEX or S-record file may leave addresses out; those are absent here, so a
// write leaves them alone on the chip. Addresses span the full 32 bits.
#include <QByteArray>
#include <QList>

#include <cstdint>
#include <map>

class ChipImage {
public:
    // A run of present bytes at consecutive addresses.
    struct Segment {
        std::uint32_t address;
        QByteArray bytes;
    };

    // All of bytes, from address 0 on (a raw file or a whole chip).
    static ChipImage fromBytes(const QByteArray &bytes);

    bool isEmpty() const { return FRuns.empty(); }
    // Highest present address + 1; 0 for an empty image.
    qint64 end() const;
    // How many addresses are present.
    qint64 presentBytes() const;
    bool has(std::uint32_t a) const;
    // The byte at a, or 0xFF (an erased cell) where a is absent.
    std::uint8_t at(std::uint32_t a) const;
    void set(std::uint32_t a, std::uint8_t v);
    // The runs in rising order; two runs never touch.
    QList<Segment> segments() const;
    // Addresses 0..end()-1 with absent ones as 0xFF.
    QByteArray toBytes() const;

    bool operator==(const ChipImage &other) const { return FRuns == other.FRuns; }
    bool operator!=(const ChipImage &other) const { return !(*this == other); }

private:
    using Runs = std::map<std::uint32_t, QByteArray>;
    // The run holding a, or end().
    Runs::const_iterator runOf(std::uint32_t a) const;

    Runs FRuns;
};
