// The eeprom folder's tests: the shared parts, then each engine. A widget
// application, as one test hands a read to the real hex view.
#include <QApplication>

int runCommonTests(int argc, char **argv);
int runEngine24Tests(int argc, char **argv);
int runEngine93Tests(int argc, char **argv);
int runBlockReadTests(int argc, char **argv);
int runImageOpsTests(int argc, char **argv);
int runProtectTests(int argc, char **argv);
int runBusGuardTests(int argc, char **argv);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int failed = 0;
    for (auto run : {runCommonTests, runEngine24Tests, runEngine93Tests, runBlockReadTests, runImageOpsTests, runProtectTests,
                     runBusGuardTests})
        failed += run(argc, argv);
    return failed;
}
