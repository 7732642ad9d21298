#pragma once

// What every fuzzer shares: a failed property aborts with a readable account, so libFuzzer
// keeps the input as a crash and the log says which rule broke.

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

namespace tolvan::fuzz {

// Text for a failure report: every character outside printable ASCII as \uXXXX, so blanks,
// line breaks and look-alikes are told apart.
inline std::string shown(const QString &text)
{
    std::string out = "\"";
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7F && u != u'\\' && u != u'"') {
            out += char(u);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", unsigned(u));
            out += escape;
        }
    }
    return out + '"';
}

inline std::string shown(const QByteArray &bytes)
{
    std::string out = "b\"";
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u >= 0x20 && u < 0x7F && u != '\\' && u != '"') {
            out += char(u);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", unsigned(u));
            out += escape;
        }
    }
    return out + '"';
}

[[noreturn]] inline void fail(const char *rule, const std::string &detail)
{
    std::fprintf(stderr, "\nPROPERTY BROKEN: %s\n%s\n", rule, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

#define TOLVAN_CHECK(condition, detail)                                                            \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::tolvan::fuzz::fail(#condition, (detail));                                            \
    } while (false)

// One application object for the whole run: palettes and the editor need it. Offscreen, so a
// fuzzer needs no display.
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv); // lives until the process ends
    }
}

// A folder of one's own for the run, in memory where the system has it: files written for each
// input then cost no disk, and QSaveFile's fsync costs nothing.
inline QString scratchFolder()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/tolvan-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/tolvan-fuzz-XXXXXX"));
    if (!dir.isValid())
        std::abort();
    return dir.path();
}

// A QString from fuzz bytes taken as UTF-16: every code unit reachable, lone surrogates too.
inline QString utf16From(const std::string &bytes)
{
    return QString(reinterpret_cast<const QChar *>(bytes.data()), qsizetype(bytes.size() / 2));
}

} // namespace tolvan::fuzz
