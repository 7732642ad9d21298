#pragma once

// Every test program runs in a home of its own: a fresh temporary folder for HOME,
// XDG_CONFIG_HOME and the working directory, made before the first test and removed after.

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QtGlobal>

#include <initializer_list>
#include <utility>
#include <vector>

namespace tolvan::test {

inline QTemporaryDir &hermeticHome()
{
    static QTemporaryDir dir;
    static bool ready = false;
    if (!std::exchange(ready, true)) {
        const QByteArray path = QFile::encodeName(dir.path());
        qputenv("HOME", path);
        qputenv("XDG_CONFIG_HOME", path + "/.config");
        QDir(dir.path()).mkpath(QStringLiteral(".config"));
        QDir::setCurrent(dir.path());
    }
    return dir;
}

// Test classes kept in source files of their own join their folder's program by registering
// here (a static RegisterTest in the file); the program's main runs them after its own.
using TestFactory = QObject *(*)();
inline constinit std::vector<TestFactory> registeredTests; // ready before any RegisterTest runs
struct RegisterTest
{
    explicit RegisterTest(TestFactory make) { registeredTests.push_back(make); }
};

// Runs several test classes in one program, then the registered ones, and deletes them;
// returns the number of failures.
inline int runTests(std::initializer_list<QObject *> listed, int argc, char **argv)
{
    std::vector<QObject *> tests(listed);
    for (TestFactory make : registeredTests)
        tests.push_back(make());
    int failures = 0;
    for (QObject *test : tests) {
        failures += QTest::qExec(test, argc, argv);
        delete test;
    }
    return failures;
}

} // namespace tolvan::test

// Use instead of QTEST_MAIN: sets up the temporary home before the application starts.
#define TOLVAN_TEST_MAIN(TestClass)                                                                \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        tolvan::test::hermeticHome();                                                              \
        QApplication app(argc, argv);                                                              \
        return tolvan::test::runTests({new TestClass}, argc, argv);                                \
    }
