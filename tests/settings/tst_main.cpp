#include "tst_settings.h"

#include <QApplication>
#include <QTest>

std::vector<SettingsTests::Factory> &SettingsTests::Registry()
{
    static std::vector<Factory> factories;
    return factories;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    for (const auto &make : SettingsTests::Registry()) {
        const std::unique_ptr<QObject> testClass = make();
        failures += QTest::qExec(testClass.get(), argc, argv);
    }
    return failures;
}
