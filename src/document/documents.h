#pragma once

#include "codec.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tolvan::platform {
class EditControl;
}

namespace tolvan::document {

// Which file was read: a save through a new file and a rename changes the inode, a write in
// place the size or the change time (which, unlike the modification time, no one can set back).
struct FileStamp
{
    quint64 device = 0, inode = 0;
    qint64 size = -1, changedNs = 0;
    bool operator==(const FileStamp &) const = default;
};

// Reads a whole regular file without ever blocking on a FIFO or device; nothing on failure.
struct FileRead
{
    enum class Status { Ok, Missing, NotRegular, TooLarge, OpenFailed, ReadFailed };
    Status status;
    QByteArray bytes;
    FileStamp stamp = {};
};
FileRead readDocumentFile(const QString &path, qint64 maxSize);

// A page read and decoded, its text with the editor's line breaks: everything of opening a
// page that does not touch the window, so it may run on another thread while the window is
// being built.
struct PreparedPage
{
    FileRead::Status status;
    PageEncoding encoding;
    QString editorText;
    FileStamp stamp;
};
PreparedPage preparePage(const QString &path);

// What the document commands need from the window around them.
class DocumentHost
{
public:
    virtual ~DocumentHost() = default;
    virtual platform::EditControl &editor() = 0;
    virtual QString directory() const = 0;    // the side panel's current directory
    virtual QString fileNameText() const = 0; // the text of the side panel's file-name box
    virtual void updateFileList() = 0;        // read the folder again
    virtual void repaintFileList() = 0;
    virtual void setCaption(const QString &caption) = 0;
    // The page is about to be written in place, where a crash would leave it half old, half
    // new: the moment to make sure the text being saved is kept elsewhere too.
    virtual void beforeWriteInPlace() {}
};

// What Save asks before it writes a page in UTF-8 because its own encoding cannot hold a
// character.
struct Utf8Question
{
    QString path;
    QString encodingName; // the page's own, "Windows-1252"
    QString character;    // the first one it cannot hold, both halves of a surrogate pair
    // The labels of the page's charset declarations, which the same save changes to UTF-8.
    QStringList declarations;
};

// How the commands ask the user; the window answers with real boxes and dialogs, tests with a
// script.
class DocumentQuestions
{
public:
    enum class SaveChanges { Yes, No, Cancel };
    virtual ~DocumentQuestions() = default;
    virtual SaveChanges askSaveChanges() = 0;
    virtual std::optional<QString> askSaveName() = 0;
    virtual std::optional<QString> askOpenName(const QString &directory) = 0;
    // The page's encoding cannot hold a character: may it be saved as UTF-8 instead?
    virtual bool askSaveAsUtf8(const Utf8Question &question) = 0;
    virtual void showMessage(const QString &text) = 0;
};

// The one document of the window: its name, encoding, the file commands and the guard that
// keeps unsaved changes from being lost.
class DocumentCommands
{
public:
    static inline const QString untitled = QStringLiteral("noname.html");
    static inline const QString captionPrefix = QStringLiteral("Tolvan v1.61 - ");
    // Larger files are refused rather than read partly.
    static constexpr qint64 maxFileSize = 256 * 1024 * 1024;

    DocumentCommands(DocumentHost &host, DocumentQuestions &questions);

    QString currentFileName() const { return m_currentFileName; }
    Encoding encoding() const { return m_encoding.encoding; }
    PageEncoding pageEncoding() const { return m_encoding; }
    bool isUntitled() const { return m_currentFileName == untitled; }

    bool LoadDocument(const QString &path);
    // Opens a page prepared earlier; the file is read again if it has changed since.
    bool LoadDocument(const QString &path, PreparedPage page);
    bool SaveDocument(const QString &path);
    // The bytes Save would write for text in the page's encoding (with its byte-order mark);
    // nothing when the encoding cannot hold a character, with its position in *unencodableAt.
    std::optional<QByteArray> pageBytes(const QString &text, qsizetype *unencodableAt = nullptr) const;
    // The same for the editor's text: what Save writes.
    std::optional<QByteArray> encodedText(qsizetype *unencodableAt = nullptr) const;
    bool ConfirmDiscard();

    void cmNewClick();
    void cmOpenClick();
    void cmSaveClick();
    void cmSaveAsClick();
    void FileListBoxDblClick();
    bool FormCloseQuery();

    // Sets the untitled document, as at start.
    void makeUntitled();
    // Puts back work recovered after a crash: its name, encoding and text, marked as modified.
    void restore(const QString &path, PageEncoding encoding, const QString &text);

private:
    void setCurrentFileName(const QString &path);
    // Shows a page read for path, or says why it could not be read.
    bool showPage(const QString &path, const PreparedPage &page);
    // Saves after a Yes in the guard; false when the document was not saved.
    bool saveForGuard();
    // Asks to save in UTF-8 instead; on Yes the page's charset declarations already say so.
    bool convertToUtf8(const QString &path, qsizetype unencodableAt);

    DocumentHost &m_host;
    DocumentQuestions &m_questions;
    QString m_currentFileName = untitled;
    PageEncoding m_encoding;
};

} // namespace tolvan::document
