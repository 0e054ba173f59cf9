// The glcd folder's tests: drawing, text, pictures and the two drivers on
// the virtual panels, run one after the other.
#include <QCoreApplication>

int runDrawingTests(int argc, char **argv);
int runTextTests(int argc, char **argv);
int runPictureTests(int argc, char **argv);
int runSsd1306OledTests(int argc, char **argv);
int runSt7565CogTests(int argc, char **argv);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int failed = 0;
    for (auto run : {runDrawingTests, runTextTests, runPictureTests, runSsd1306OledTests, runSt7565CogTests})
        failed += run(argc, argv);
    return failed;
}
