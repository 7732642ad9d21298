#pragma once

// Every test program runs in a home of its own: a fresh temporary folder for HOME,
// XDG_CONFIG_HOME and the working directory, made before the first test and removed after.

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QtGlobal>

#include <exception>
#include <initializer_list>

namespace tolvan::test {

inline QTemporaryDir &hermeticHome()
{
    static QTemporaryDir dir;
    static const bool ready = [] {
        const QByteArray path = QFile::encodeName(dir.path());
        qputenv("HOME", path);
        qputenv("XDG_CONFIG_HOME", path + "/.config");
        QDir(dir.path()).mkpath(QStringLiteral(".config"));
        QDir::setCurrent(dir.path());
        return true;
    }();
    Q_UNUSED(ready);
    return dir;
}

// Runs several test classes in one program and deletes them; returns the number of failures.
// An exception a test did not expect ends that class's run, not the whole program.
inline int runTests(std::initializer_list<QObject *> tests, int argc, char **argv)
{
    int failures = 0;
    for (QObject *test : tests) {
        try {
            failures += QTest::qExec(test, argc, argv);
        } catch (const std::exception &) {
            ++failures;
        }
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
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
