#pragma once

// Every test program runs in a home of its own: a fresh temporary folder for HOME,
// XDG_CONFIG_HOME and the working directory, made before the first test and removed after.

#include <QDir>
#include <QTemporaryDir>
#include <QtGlobal>

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
