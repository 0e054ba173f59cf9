#include "ChipImage.h"

ChipImage ChipImage::fromBytes(const QByteArray &bytes)
{
    ChipImage image;
    if (!bytes.isEmpty())
        image.FRuns.emplace(0, bytes);
    return image;
}

qint64 ChipImage::end() const
{
    if (FRuns.empty())
        return 0;
    const auto &last = *FRuns.rbegin();
    return qint64(last.first) + last.second.size();
}

qint64 ChipImage::presentBytes() const
{
    qint64 n = 0;
    for (const auto &run : FRuns)
        n += run.second.size();
    return n;
}

ChipImage::Runs::const_iterator ChipImage::runOf(std::uint32_t a) const
{
    auto it = FRuns.upper_bound(a);
    if (it == FRuns.begin())
        return FRuns.end();
    --it;
    return qint64(it->first) + it->second.size() > qint64(a) ? it : FRuns.end();
}

bool ChipImage::has(std::uint32_t a) const { return runOf(a) != FRuns.end(); }

std::uint8_t ChipImage::at(std::uint32_t a) const
{
    const auto it = runOf(a);
    return it == FRuns.end() ? 0xFF : std::uint8_t(it->second[qsizetype(a - it->first)]);
}

// A byte just past a run extends it, and a run that then touches the next
// one swallows it, so runs stay maximal.
void ChipImage::set(std::uint32_t a, std::uint8_t v)
{
    auto next = FRuns.upper_bound(a);
    if (next != FRuns.begin()) {
        auto run = std::prev(next);
        const qint64 runEnd = qint64(run->first) + run->second.size();
        if (runEnd > qint64(a)) {
            run->second[qsizetype(a - run->first)] = char(v);
            return;
        }
        if (runEnd == qint64(a)) {
            run->second.append(char(v));
            if (next != FRuns.end() && qint64(next->first) == qint64(a) + 1) {
                run->second.append(next->second);
                FRuns.erase(next);
            }
            return;
        }
    }
    QByteArray bytes(1, char(v));
    if (next != FRuns.end() && qint64(next->first) == qint64(a) + 1) {
        bytes.append(next->second);
        FRuns.erase(next);
    }
    FRuns.emplace(a, bytes);
}

QList<ChipImage::Segment> ChipImage::segments() const
{
    QList<Segment> list;
    for (const auto &[address, bytes] : FRuns)
        list.append({address, bytes});
    return list;
}

QByteArray ChipImage::toBytes() const
{
    QByteArray bytes(end(), char(0xFF));
    for (const auto &[address, run] : FRuns)
        bytes.replace(qsizetype(address), run.size(), run);
    return bytes;
}
