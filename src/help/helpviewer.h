#pragma once

#include <QWidget>

class QLabel;
class QTextBrowser;

namespace tolvan::help {

// The window that shows the installed help file: an HTML page or a plain text, its start for
// the contents, or its first match for a keyword. A line under the text says what went wrong
// (a file that cannot be read, a keyword that is not there); it is empty when all is well.
class HelpViewer : public QWidget
{
    Q_OBJECT
public:
    explicit HelpViewer(QWidget *owner = nullptr);

    // Reads the file again, so changes made to it since the last request show.
    // A bare or relative name is looked for in the working folder, then beside the program,
    // its letter case not minded. False when it cannot be read; the status line says why.
    bool openFile(const QString &name);
    void showContents();
    // Selects the first match of the keyword (letter case not minded, surrounding blanks not
    // part of it). False when there is none; the status line says so.
    bool showKeyword(const QString &keyword);
    // Context numbers name no places in our help files: 0 is the contents, others say so.
    void showContext(quint32 context);

    QString fileName() const { return m_fileName; }
    QString statusText() const;
    QTextBrowser *browser() const { return m_browser; }

    // Where a help file name leads, or an empty text when it names no file.
    static QString locate(const QString &name);

private:
    void setStatus(const QString &text);

    QTextBrowser *m_browser;
    QLabel *m_status;
    QString m_fileName;
};

} // namespace tolvan::help
