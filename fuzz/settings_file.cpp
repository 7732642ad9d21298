// LoadSettings on any bytes as TOLVAN.INI.
//
// It always completes, and each setting is what a model reads from the same file: a number by
// the integer rule ("0x" taken as "$") or its default, a colour by name or number or its default
// with the error reported, texts cut to their buffers, the window's bounds as given when a
// rectangle can hold them and the defaults of that axis when it cannot.

#include "common.h"
#include "common/settingstarget.h"

#include "platform/application.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

using tolvan::fuzz::shown;
using namespace tolvan::settings;

namespace {

QString &iniPath()
{
    static QString path = [] {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(tolvan::fuzz::scratchFolder()));
        return tolvan::fuzz::scratchFolder() + QStringLiteral("/TOLVAN.INI");
    }();
    return path;
}

// The settings as a model reads them from the file.
struct Model
{
    explicit Model(const QString &path) : profile(path) {}
    tolvan::platform::ProfileFile profile;

    QString text(const char *section, const char *key, const QString &fallback) const
    {
        return profile.readString(QString::fromLatin1(section), QString::fromLatin1(key), fallback)
            .left(1023);
    }
    qint32 integer(const char *section, const char *key, qint32 fallback) const
    {
        QString value = text(section, key, {});
        if (value.size() > 2 && value.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            value = u'$' + value.mid(2);
        return tryParseInteger(value).value_or(fallback);
    }
    ColorValue colour(const char *key, ColorValue fallback, QStringList &errors) const
    {
        const QString value = text("Colors", key, colorToText(fallback));
        try {
            return colorFromText(value);
        } catch (const tolvan::platform::Error &error) {
            errors << error.message();
            return fallback;
        }
    }
};

// Whether QRect(start, size) can be made and asked for its size without overflowing an int:
// its edge is (start + size) - 1, its size read back (edge - start) + 1.
bool fits(qint64 start, qint64 size)
{
    const auto holds = [](qint64 v) {
        return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
    };
    return holds(start + size) && holds(start + size - 1) && holds(size - 1);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tolvan::fuzz::ensureApplication(); // colours of system roles come from the palette
    iniPath();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(iniPath());
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::abort();
    }
    tolvan::platform::Application::setHelpFile(QStringLiteral("before"));

    // The side panel of this model can enter /tmp only.
    tolvan::test::FakeSettingsTarget target;
    target.folderExists = [](const QString &path) { return path == QLatin1String("/tmp"); };
    QStringList reported;
    LoadSettings(target, [&](const QString &message) { reported << message; });

    const Model model(iniPath());
    QStringList errors;
    int left = model.integer("Window", "Left", 80), width = model.integer("Window", "Width", 520);
    int top = model.integer("Window", "Top", 60), height = model.integer("Window", "Height", 400);
    if (!fits(left, width)) {
        left = 80;
        width = 520;
    }
    if (!fits(top, height)) {
        top = 60;
        height = 400;
    }
    const ColorValue back = model.colour("Back", 0x00800000, errors);
    const ColorValue font = model.colour("Font", 0x0000FFFF, errors);
    const QString name = model.text("Font", "Name", QStringLiteral("Arial")).left(255);
    const int points = model.integer("Font", "Size", 12);
    const QString directory = model.text("Directories", "Last", {});
    QString dir = QStringLiteral("/");
    if (!directory.isEmpty() && directory != dir) {
        if (directory == QLatin1String("/tmp"))
            dir = directory;
        else
            errors << QStringLiteral("File not found");
    }
    const QString help = model.text("HelpFile", "Filename", {});
    const unsigned scheme = quint32(model.integer("Shortcuts", "Scheme", 0)) & 0xFFu;

    const std::string context = "file " + shown(bytes);
    TOLVAN_CHECK(target.bounds.left() == left && target.bounds.top() == top &&
                     target.bounds.width() == width && target.bounds.height() == height,
                 context + "\nbounds " + std::to_string(target.bounds.left()) + "," +
                     std::to_string(target.bounds.top()) + " " +
                     std::to_string(target.bounds.width()) + "x" +
                     std::to_string(target.bounds.height()));
    TOLVAN_CHECK(target.back == back && target.font == font, context);
    TOLVAN_CHECK(target.name == name && target.size == points, context);
    TOLVAN_CHECK(target.dir == dir && target.scheme == scheme, context);
    TOLVAN_CHECK(tolvan::platform::Application::helpFile() == help, context);
    TOLVAN_CHECK(target.helpItems == !help.isEmpty(), context);
    TOLVAN_CHECK(reported == errors, context + "\nreported " + shown(reported.join(u'|')) +
                                         "\nexpected " + shown(errors.join(u'|')));
    return 0;
}
