#pragma once
// Display controllers take commands one byte at a time: an opcode, then as
// many argument bytes as its row of the command table says, which may come
// in later transfers. Bytes that are no command in the table are ignored,
// as the controllers ignore them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace sim {

template <class Chip>
struct ControllerCommand {
    std::uint8_t first; // opcode range
    std::uint8_t last;
    int arguments;
    void (Chip::*apply)(std::uint8_t opcode, const std::uint8_t *args);
};

template <class Chip>
class CommandDecoder {
public:
    using Command = ControllerCommand<Chip>;

    template <std::size_t N>
    explicit CommandDecoder(const Command (&table)[N]) : FTable(table), FRows(N)
    {
    }

    // False when the byte is neither an awaited argument nor a known opcode.
    bool feed(Chip &chip, std::uint8_t byte)
    {
        if (FPending) {
            FArgs[std::size_t(FCount++)] = byte;
            if (FCount == FPending->arguments)
                run(chip, *std::exchange(FPending, nullptr));
            return true;
        }
        for (std::size_t i = 0; i < FRows; ++i) {
            const Command &c = FTable[i];
            if (byte < c.first || byte > c.last)
                continue;
            FOpcode = byte;
            FCount = 0;
            if (c.arguments > 0)
                FPending = &c;
            else
                run(chip, c);
            return true;
        }
        return false;
    }

    void clear() { FPending = nullptr; }

private:
    void run(Chip &chip, const Command &c) { (chip.*c.apply)(FOpcode, FArgs.data()); }

    const Command *FTable;
    std::size_t FRows;
    const Command *FPending = nullptr;
    std::uint8_t FOpcode = 0;
    std::array<std::uint8_t, 8> FArgs{};
    int FCount = 0;
};

} // namespace sim
