// The fault matrix: every device operation, run once clean to learn its
// transfers T, then again with each kind of fault at each transfer k. After
// each run the operation has not hung, reported failure or a truthful
// partial count, left the chip holding only what the user asked for, and the
// link agrees with the adapter; then a fresh plug and the same operation
// work again.
#include "ChipGuard.h"
#include "Eeprom24Cxx.h"
#include "Eeprom93Cxx.h"
#include "EepromImage.h"
#include "FaultRig.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqEEPROM93Cxx.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace sim;

namespace {
QByteArray pattern(int n, int seed)
{
    QByteArray bytes(n, '\0');
    for (int i = 0; i < n; ++i)
        bytes[i] = char((i * 29 + seed * 7 + i / 256) & 0xFF);
    return bytes;
}

// One bench with both EEPROM engines on it; the chips start full of a
// pattern, so a byte written where nobody asked shows.
struct Rig {
    explicit Rig(const BusPopulation &population) : bench(population, SimBench::ChipTime::Manual)
    {
        for (TZqEEPROMBase *engine : std::initializer_list<TZqEEPROMBase *>{&e24, &e93}) {
            engine->SetZqLibUSB(&bench.link());
            engine->SetWait([this](int ms) {
                bench.clock.advanceMs(ms);
                QCoreApplication::processEvents();
            });
            engine->OnActionEnd = [this](QObject *, TEepromAction action, int bytes) {
                ++outcome.ends;
                outcome.bytes = bytes;
                actionEnds.append({transfers(), action});
            };
        }
        if (Eeprom24Cxx *chip = bench.firmware().eeprom24())
            chip->setMemory(0, pattern(chip->variant().size, 1));
        if (Eeprom93Cxx *chip = bench.firmware().eeprom93())
            chip->setMemory(0, pattern(chip->variant().bytes, 2));
    }

    QByteArray memory()
    {
        auto &fw = bench.firmware();
        return fw.eeprom24() ? fw.eeprom24()->memory() : fw.eeprom93()->memory();
    }
    QByteArray delivered()
    {
        return (bench.firmware().eeprom24() ? e24.EEPROM_BUF() : e93.EEPROM_BUF()).left(qMax(outcome.bytes, 0));
    }
    VirtualAdapter &adapter() { return *bench.simulator().adapter(); }
    int transfers() { return int(adapter().log().records().size()); }

    TZqEEPROMBase &engine() { return bench.firmware().eeprom24() ? static_cast<TZqEEPROMBase &>(e24) : e93; }

    SimBench bench;
    TZqEEPROM24Cxx e24;
    TZqEEPROM93Cxx e93;
    Outcome outcome;
    // Each engine action as it ended: the transfers so far, and what it was.
    QList<std::pair<int, TEepromAction>> actionEnds;
    // A file write: what it said, and anything wrong it left beside the chip.
    bool fileOk = false;
    QString fileMessage;
    QString fileProblem;
};

struct Operation {
    QString name;
    BusPopulation population;
    bool read;     // a read leaves the chip as it was and delivers bytes
    int cellWidth; // bytes per chip cell: a partial count is checked in whole cells
    std::function<void(Rig &)> run;
    // A file write: one outcome for its writes and the verify; a fault may
    // leave every byte written and still fail it.
    bool file = false;
};

BusPopulation only24(Eeprom24Type type)
{
    BusPopulation p;
    p.eeprom24 = type;
    p.eeprom93.reset();
    return p;
}

BusPopulation only93(Eeprom93Type type, Organisation org)
{
    BusPopulation p;
    p.eeprom24.reset();
    p.eeprom93 = type;
    p.organisation = org;
    return p;
}

void add24Rows(QList<Operation> &ops)
{
    const std::pair<Eeprom24Type, const char *> types[] = {{Eeprom24Type::C02, "24c02"},
                                                           {Eeprom24Type::C04, "24c04"},
                                                           {Eeprom24Type::C08, "24c08"},
                                                           {Eeprom24Type::C16, "24c16"}};
    for (auto [type, name] : types) {
        const auto setUp = [type = type](Rig &r) { r.e24.SetEepromType(TZqEEPROM24Cxx::TEepromType(type)); };
        // Across a page (and a block, from the 24C04 on) near the chip's end.
        ops << Operation{QStringLiteral("%1 read").arg(name), only24(type), true, 1, [setUp](Rig &r) {
                             setUp(r);
                             r.e24.ReadEEPROM(r.e24.BufferSize() - 40, 40);
                         }};
        ops << Operation{QStringLiteral("%1 write").arg(name), only24(type), false, 1, [setUp](Rig &r) {
                             setUp(r);
                             r.e24.WriteEEPROM(pattern(40, 9), r.e24.BufferSize() - 44);
                         }};
        // Blocks of 16 across a 256-byte block boundary (at the chip's end on a 24C02).
        ops << Operation{QStringLiteral("%1 fast read").arg(name), only24(type), true, 1, [setUp](Rig &r) {
                             setUp(r);
                             r.e24.SetBlockSize(16);
                             const int size = r.e24.BufferSize();
                             r.e24.ReadEEPROM(size > 256 ? 256 - 40 : size - 96, 96);
                         }};
        ops << Operation{QStringLiteral("%1 erase").arg(name), only24(type), false, 1, [setUp](Rig &r) {
                             setUp(r);
                             r.e24.WriteEEPROM(QByteArray(), 0);
                         }};
    }
}

void add93Rows(QList<Operation> &ops)
{
    const std::pair<Eeprom93Type, const char *> types[] = {{Eeprom93Type::C46, "93c46"},
                                                           {Eeprom93Type::C56, "93c56"},
                                                           {Eeprom93Type::C66, "93c66"},
                                                           {Eeprom93Type::C76, "93c76"},
                                                           {Eeprom93Type::C86, "93c86"}};
    const std::pair<Organisation, const char *> orgs[] = {{Organisation::Word16, "16-bit"},
                                                          {Organisation::Byte8, "8-bit"}};
    for (auto [type, name] : types)
        for (auto [org, orgName] : orgs) {
            const int width = org == Organisation::Word16 ? 2 : 1;
            const auto setUp = [type = type, org = org](Rig &r, bool sequential) {
                r.e93.SetEepromType(TZqEEPROM93Cxx::TEepromType(type));
                r.e93.SetEepromOrganisation(org == Organisation::Word16 ? TZqEEPROM93Cxx::eo16_bit
                                                                        : TZqEEPROM93Cxx::eo8_bit);
                r.e93.SetSequentialRead(sequential);
            };
            const QString row = QStringLiteral("%1 %2 ").arg(name, orgName);
            const BusPopulation p = only93(type, org);
            ops << Operation{row + "read", p, true, width, [setUp](Rig &r) {
                                 setUp(r, false);
                                 r.e93.ReadEEPROM(r.e93.BufferSize() / 2 - 10, 20);
                             }};
            ops << Operation{row + "sequential read", p, true, width, [setUp](Rig &r) {
                                 setUp(r, true);
                                 r.e93.ReadEEPROM(r.e93.BufferSize() / 2 - 10, 20);
                             }};
            // An odd length: the last word is read first to keep its low byte.
            ops << Operation{row + "write", p, false, width, [setUp](Rig &r) {
                                 setUp(r, false);
                                 r.e93.WriteEEPROM(pattern(11, 5), 3);
                             }};
            ops << Operation{row + "erase", p, false, width, [setUp](Rig &r) {
                                 setUp(r, false);
                                 r.e93.EraseEEPROM();
                             }};
            ops << Operation{row + "write-all", p, false, width, [setUp, width](Rig &r) {
                                 setUp(r, false);
                                 if (width == 2)
                                     r.e93.WriteAllEEPROMWords(0x5AC3);
                                 else
                                     r.e93.WriteAllEEPROMBytes(0x3C);
                             }};
        }
}

// The bytes a file write says it wrote: "N bytes written", "after N of",
// or "N pages|words written" (whole units); none when it names none.
int claimedBytes(const QString &message, int unitBytes)
{
    static const QRegularExpression bytes(
        QStringLiteral("^(\\d+) bytes written|write failed at address \\S+ after (\\d+) of"));
    static const QRegularExpression units(QStringLiteral("(\\d+) (?:pages|words) written"));
    if (const auto m = bytes.match(message); m.hasMatch())
        return (m.captured(1) + m.captured(2)).toInt();
    if (const auto m = units.match(message); m.hasMatch())
        return m.captured(1).toInt() * unitBytes;
    return 0;
}

void fileWritten(Rig &r, const TImageOutcome &outcome)
{
    r.outcome = {1, claimedBytes(outcome.message, r.engine().WriteUnitBytes())};
    r.fileOk = outcome.ok;
    r.fileMessage = outcome.message;
}

// A file of one stretch across write units, at a unit's start, written with
// verify: straight, and through the guard that backs the chip up first.
void addFileRows(QList<Operation> &ops, const QString &name, const BusPopulation &population, int cellWidth,
                 int address, void (*setUp)(Rig &))
{
    ChipImage image;
    const QByteArray bytes = pattern(40, 11);
    for (int i = 0; i < bytes.size(); ++i)
        image.set(std::uint32_t(address + i), std::uint8_t(bytes[i]));
    ops << Operation{name + " file write with verify",
                     population,
                     false,
                     cellWidth,
                     [setUp, image](Rig &r) {
                         setUp(r);
                         fileWritten(r, WriteImageToChip(r.engine(), image, true));
                     },
                     true};
    ops << Operation{name + " protected file write",
                     population,
                     false,
                     cellWidth,
                     [setUp, image](Rig &r) {
                         setUp(r);
                         QTemporaryDir backups;
                         const QByteArray before = r.memory();
                         TProtectedWrite how;
                         how.chipName = QStringLiteral("chip");
                         how.backupFolder = backups.path();
                         how.now = QDateTime(QDate(2031, 7, 19), QTime(17, 42));
                         how.confirm = [](const QString &) { return true; };
                         const TProtectedOutcome outcome = ProtectedWriteImage(r.engine(), image, how);
                         fileWritten(r, outcome);
                         QFile backup(outcome.backupPath);
                         if (!outcome.backupPath.isEmpty() &&
                             (!backup.open(QIODevice::ReadOnly) || backup.readAll() != before))
                             r.fileProblem = QStringLiteral("the backup is not the chip as it was");
                     },
                     true};
}

void addFileRows(QList<Operation> &ops)
{
    addFileRows(ops, QStringLiteral("24c02"), only24(Eeprom24Type::C02), 1, 0x20,
                [](Rig &r) { r.e24.SetEepromType(TZqEEPROM24Cxx::TEepromType(Eeprom24Type::C02)); });
    addFileRows(ops, QStringLiteral("93c46 16-bit"), only93(Eeprom93Type::C46, Organisation::Word16), 2, 0x10,
                [](Rig &r) {
                    r.e93.SetEepromType(TZqEEPROM93Cxx::TEepromType(Eeprom93Type::C46));
                    r.e93.SetEepromOrganisation(TZqEEPROM93Cxx::eo16_bit);
                });
}

const QList<Operation> &operations()
{
    static const QList<Operation> ops = [] {
        QList<Operation> list;
        add24Rows(list);
        add93Rows(list);
        addFileRows(list);
        return list;
    }();
    return ops;
}

// What a clean run does: its transfers, its count, the chip after it.
struct Reference {
    int transfers;
    int settled; // the last transfer that moves data; after it come closing requests only
    int bytes;
    QByteArray before;
    QByteArray after;
    QByteArray delivered;
    QList<std::pair<int, TEepromAction>> actionEnds;

    // Transfer k belongs to a read, which asks again for what failed.
    bool inRead(int k) const
    {
        for (const auto &[end, action] : actionEnds)
            if (k <= end)
                return action == eaRead;
        return false;
    }
};

// The operation's closing stretch, found from the end of a clean run:
// selects, the write disable, the release of the lines, and the READ that
// checks the chip is still there (or holds what was programmed). A fault
// there cannot take back data already moved, so a full count may stand.
bool isClosing(const TransferRecord &t, const TZqEEPROM93Cxx &e93)
{
    const auto org = e93.EepromOrganisation();
    return t.request == arSpiClose || t.request == arChipSelect ||
           (t.request == arMicrowireShift && t.value == e93.EwdsInstruction(org) &&
            t.index == e93.InstructionLength(org));
}

// A write ends with a READ that checks the chip; a file write with a whole
// read, all of it data.
int lastDataTransfer(Rig &r, bool endsWithCheck)
{
    const auto &log = r.adapter().log().records();
    const int instruction = r.e93.InstructionLength(r.e93.EepromOrganisation());
    int i = int(log.size());
    const auto skipClosing = [&] {
        while (i > 0 && isClosing(log[std::size_t(i - 1)], r.e93))
            --i;
    };
    skipClosing();
    if (endsWithCheck && i > 0 && log[std::size_t(i - 1)].request == arMicrowireShift) {
        while (i > 0 && log[std::size_t(i - 1)].index != instruction)
            --i;
        --i; // the check's READ
        skipClosing();
    }
    return i;
}

Reference cleanRun(const Operation &op)
{
    Rig r(op.population);
    r.adapter().log().clear();
    Reference ref{0, 0, 0, r.memory(), {}, {}, {}};
    op.run(r);
    ref.transfers = r.transfers();
    ref.settled = lastDataTransfer(r, !op.file);
    ref.bytes = r.outcome.bytes;
    ref.after = r.memory();
    ref.delivered = r.delivered();
    ref.actionEnds = r.actionEnds;
    return ref;
}

// Every byte of the chip is as it was or as the operation meant it; the
// counted prefix is as meant, in whole cells.
QString chipProblem(const Operation &op, const Reference &ref, Rig &r, int start)
{
    const QByteArray now = r.memory();
    if (op.read) {
        if (now != ref.before)
            return QStringLiteral("a read changed the chip");
        if (r.delivered() != ref.delivered.left(r.outcome.bytes))
            return QStringLiteral("the bytes read are not the chip's");
        return {};
    }
    for (int i = 0; i < now.size(); ++i)
        if (now[i] != ref.before[i] && now[i] != ref.after[i])
            return QStringLiteral("byte %1 holds %2, neither old nor asked for").arg(i).arg(quint8(now[i]), 2, 16);
    const int whole = qMax(r.outcome.bytes, 0) / op.cellWidth * op.cellWidth;
    if (now.mid(start, whole) != ref.after.mid(start, whole))
        return QStringLiteral("the %1 bytes reported written are not all in the chip").arg(r.outcome.bytes);
    return {};
}

int firstChanged(const Reference &ref)
{
    for (int i = 0; i < ref.after.size(); ++i)
        if (ref.after[i] != ref.before[i])
            return i;
    return 0;
}
} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void matrix_data() { FaultMatrix::addRows(operations()); }
    void matrix();
    void cleanupTestCase() { FMatrix.report(QStringLiteral(", %1 of them in closing requests").arg(FClosing)); }

private:
    FaultMatrix FMatrix{"fault matrix"};
    qint64 FClosing = 0;
};

void TestFaults::matrix()
{
    QFETCH(int, row);
    const Operation &op = operations()[row];
    const Reference ref = cleanRun(op);
    QVERIFY2(ref.bytes > 0, "the clean run did nothing");
    const int start = op.read ? 0 : firstChanged(ref);
    int closing = 0;
    FMatrix.sweep(op.name, ref.transfers, [&](const FaultKindRow &kind, int k, const QString &where) {
        Rig r(op.population);
        r.adapter().log().clear();
        const bool pluggedAtStart = (armFault(r.bench, kind.kind, k), r.adapter().isPlugged());
        QElapsedTimer timer;
        timer.start();
        op.run(r);
        QCoreApplication::processEvents();
        const QString problem = runProblem(r.bench, timer);
        QVERIFY2(problem.isEmpty(), qPrintable(where + ": " + problem));
        QVERIFY2(r.outcome.ends == 1 || (r.outcome.ends == 0 && !pluggedAtStart),
                 qPrintable(where + QStringLiteral(": %1 ends").arg(r.outcome.ends)));
        // A block read that falls back to single bytes asks again for what
        // failed: full success is then true, and chipProblem checks the bytes.
        // A file write's reads (the backup's, the verify's) do the same.
        const bool retried = (op.read || (op.file && ref.inRead(k))) &&
                             (kind.kind == FaultKind::Failed || kind.kind == FaultKind::TimedOut);
        if (op.file)
            QVERIFY2(!r.fileOk || k > ref.settled || retried, qPrintable(where + ": the file write reported success"));
        else
            QVERIFY2(r.outcome.bytes < ref.bytes || ((k > ref.settled || retried) && r.outcome.bytes == ref.bytes),
                     qPrintable(where + QStringLiteral(": reported %1 bytes, full success").arg(r.outcome.bytes)));
        QVERIFY2(r.fileProblem.isEmpty(), qPrintable(where + ": " + r.fileProblem));
        closing += k > ref.settled;
        const QString chip = chipProblem(op, ref, r, start);
        QVERIFY2(chip.isEmpty(), qPrintable(where + ": " + chip + (op.file ? " (" + r.fileMessage + ")" : QString())));

        QVERIFY(plugAgain(r.bench));
        r.outcome = {};
        op.run(r);
        // A protected write leaves out what the chip already holds.
        QVERIFY2(op.file ? r.fileOk : r.outcome.ends == 1 && r.outcome.bytes == ref.bytes,
                 qPrintable(where + ": no recovery " + r.fileMessage));
        QVERIFY2(op.read ? r.delivered() == ref.delivered : r.memory() == ref.after,
                 qPrintable(where + ": the next run went wrong"));
    });
    FClosing += closing;
    if (closing > 0)
        qInfo("%s: transfers %d..%d only close the operation; %d faults there may leave the data complete",
              qPrintable(op.name), ref.settled + 1, ref.transfers, closing);
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
