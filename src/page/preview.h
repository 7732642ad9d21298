#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QTemporaryFile;
class QUrl;

namespace tolvan::page {

// Where a <base> element may go in a page: after a leading doctype, comments, <html>, <head>
// and <meta> (so a character-set declaration stays near the top, where browsers look for
// it), before anything else. -1 when the page names its own base address, which then holds.
qsizetype baseInsertionPoint(const QString &text);

// The page with a <base> pointing at folder, so that its relative links, images and style
// sheets resolve there although the copy lies elsewhere.
QString withBase(const QString &text, const QString &folder);

// Opens url in the user's web browser: the programs $BROWSER names (colon-separated, "%s"
// standing for the address, else the address added at the end), the first that starts, or
// else the desktop's default. False when none could be started.
bool openInBrowser(const QUrl &url);

// The bytes a page is saved as; nothing when its encoding cannot hold one of the characters.
using PageEncoder = std::function<std::optional<QByteArray>(const QString &text)>;

// Preview in Browser: the editor's text as it stands, in the bytes Save would write, goes to
// a private copy (readable by the user alone, in $XDG_RUNTIME_DIR or the temporary folder)
// that the browser is pointed at. The copy is rewritten by each preview and removed with this
// object, when the program ends.
class Preview
{
public:
    Preview();
    ~Preview();
    Preview(const Preview &) = delete;
    Preview &operator=(const Preview &) = delete;

    // Shows text, a page whose relative addresses resolve in folder. Throws platform::Error
    // when the copy cannot be written or no browser starts; the copy is then gone.
    void show(const QString &text, const PageEncoder &encode, const QString &folder);

    // The private copy; empty while there is none.
    QString file() const;

    // Where copies go.
    static QString folder();

private:
    void write(const QByteArray &bytes);

    std::unique_ptr<QTemporaryFile> m_file;
};

} // namespace tolvan::page
