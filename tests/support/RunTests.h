#pragma once
// Runs several test objects in one executable; fails if any of them fails.
#include <QTest>
#include <initializer_list>

inline int RunTests(int argc, char *argv[], std::initializer_list<QObject *> tests)
{
    int failed = 0;
    for (QObject *test : tests)
        failed |= QTest::qExec(test, argc, argv);
    return failed;
}
