// The sim folder's tests: one test class per chip family and one for the
// bridge and the simulator, run one after the other.
#include <QCoreApplication>

int runBridgeTests(int argc, char **argv);
int runEeprom24Tests(int argc, char **argv);
int runEeprom93Tests(int argc, char **argv);
int runPcf8583Tests(int argc, char **argv);
int runDs13xxTests(int argc, char **argv);
int runSsd1306Tests(int argc, char **argv);
int runSt7565Tests(int argc, char **argv);
int runSimulatorTests(int argc, char **argv);
int runSimStateTests(int argc, char **argv);
int runWireTimeTests(int argc, char **argv);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int failed = 0;
    for (auto run : {runBridgeTests, runEeprom24Tests, runEeprom93Tests, runPcf8583Tests, runDs13xxTests,
                     runSsd1306Tests, runSt7565Tests, runSimulatorTests, runSimStateTests, runWireTimeTests})
        failed += run(argc, argv);
    return failed;
}
