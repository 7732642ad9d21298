#include "documents.h"

#include "pagefile.h"
#include "platform/editcontrol.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvan::document {

namespace {

FileStamp stampOf(const struct stat &info)
{
    return {quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
            qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec};
}

// The stamp of what is at path now; an empty stamp when nothing is.
FileStamp currentStamp(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return stampOf(info);
}

} // namespace

FileRead readDocumentFile(const QString &path, qint64 maxSize)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0)
        return {errno == ENOENT || errno == ENOTDIR ? FileRead::Status::Missing
                                                    : FileRead::Status::OpenFailed,
                {}};
    // A folder is no file: the name names nothing that could be opened.
    if (S_ISDIR(info.st_mode))
        return {FileRead::Status::Missing, {}};
    if (!S_ISREG(info.st_mode))
        return {FileRead::Status::NotRegular, {}};
    // Non-blocking, so a file swapped for a FIFO after the check cannot hang the window.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {FileRead::Status::OpenFailed, {}};
    FileRead result{FileRead::Status::Ok, {}};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result.status = FileRead::Status::NotRegular;
    } else if (info.st_size > maxSize) {
        result.status = FileRead::Status::TooLarge;
    } else {
        result.bytes.reserve(qsizetype(info.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                result.status = FileRead::Status::ReadFailed;
                break;
            }
            if (n == 0)
                break;
            if (result.bytes.size() + n > maxSize) { // the file grew while being read
                result.status = FileRead::Status::TooLarge;
                break;
            }
            result.bytes.append(buffer, n);
        }
    }
    if (::close(fd) != 0 && result.status == FileRead::Status::Ok)
        result.status = FileRead::Status::ReadFailed;
    if (result.status != FileRead::Status::Ok)
        result.bytes.clear();
    result.stamp = stampOf(info);
    return result;
}

PreparedPage preparePage(const QString &path)
{
    FileRead read = readDocumentFile(path, DocumentCommands::maxFileSize);
    if (read.status != FileRead::Status::Ok)
        return {read.status, {}, {}, read.stamp};
    Decoded decoded = decode(read.bytes);
    read.bytes = QByteArray(); // the page's memory twice at most, not three times
    return {read.status, decoded.encoding, platform::toEditorBreaks(std::move(decoded.text)),
            read.stamp};
}

DocumentCommands::DocumentCommands(DocumentHost &host, DocumentQuestions &questions)
    : m_host(host), m_questions(questions)
{
}

void DocumentCommands::setCurrentFileName(const QString &path)
{
    m_currentFileName = path;
    m_host.setCaption(captionPrefix + path);
}

void DocumentCommands::makeUntitled()
{
    setCurrentFileName(untitled);
    m_encoding = Encoding::Utf8;
    m_host.editor().clearText();
    m_host.editor().setModified(false);
}

void DocumentCommands::restore(const QString &path, PageEncoding encoding, const QString &text)
{
    setCurrentFileName(path);
    m_encoding = encoding;
    m_host.editor().setWholeText(text);
    m_host.editor().setModified(true);
}

bool DocumentCommands::LoadDocument(const QString &path)
{
    return showPage(path, preparePage(path));
}

bool DocumentCommands::LoadDocument(const QString &path, PreparedPage page)
{
    // Prepared a while ago (while the window was being built): if the file has been saved or
    // changed since, what was read is no longer the page.
    if (currentStamp(path) != page.stamp)
        page = preparePage(path);
    return showPage(path, page);
}

bool DocumentCommands::showPage(const QString &path, const PreparedPage &page)
{
    // The file was read whole before the editor is touched: any failure leaves the document
    // exactly as it was.
    switch (page.status) {
    case FileRead::Status::Ok:
        break;
    case FileRead::Status::Missing:
        m_questions.showMessage(QStringLiteral("File ") + path + QStringLiteral(" does not Exist!"));
        return false;
    case FileRead::Status::NotRegular:
    case FileRead::Status::TooLarge:
    case FileRead::Status::OpenFailed:
        m_questions.showMessage(QStringLiteral("Cannot Open File ") + path);
        return false;
    case FileRead::Status::ReadFailed:
        m_questions.showMessage(QStringLiteral("Cannot Close File ") + path);
        return false;
    }
    platform::EditControl &editor = m_host.editor();
    editor.setEditorText(page.editorText);
    m_encoding = page.encoding;
    setCurrentFileName(path);
    editor.setModified(false);
    return true;
}

std::optional<QByteArray> DocumentCommands::pageBytes(const QString &text,
                                                      qsizetype *unencodableAt) const
{
    return encode(text, m_encoding, unencodableAt);
}

bool DocumentCommands::SaveDocument(const QString &path)
{
    platform::EditControl &editor = m_host.editor();
    if (editor.lineCount() == 0) {
        m_questions.showMessage(QStringLiteral("Nothing to save"));
        return false;
    }

    PageEncoding encoding = m_encoding;
    qsizetype unencodableAt = 0;
    std::optional<QByteArray> bytes = encodedText(&unencodableAt);
    if (!bytes && encoding.encoding != Encoding::Utf8) {
        if (!convertToUtf8(path, unencodableAt))
            return false;
        encoding = {Encoding::Utf8, encoding.bom};
        bytes = encode(editor.fileText(), encoding);
    }
    if (!bytes) {
        m_questions.showMessage(QStringLiteral("Cannot Write to File ") + path);
        return false;
    }

    switch (writePage(path, *bytes, [this] { m_host.beforeWriteInPlace(); })) {
    case PageWrite::Ok:
        break;
    case PageWrite::CannotCreate:
        m_questions.showMessage(QStringLiteral("Cannot Create File ") + path);
        return false;
    case PageWrite::CannotWrite:
        m_questions.showMessage(QStringLiteral("Cannot Write to File ") + path);
        return false;
    case PageWrite::CannotClose:
        m_questions.showMessage(QStringLiteral("Cannot Close File ") + path);
        return false;
    }
    m_encoding = encoding;
    setCurrentFileName(path);
    m_host.repaintFileList();
    editor.setModified(false);
    return true;
}

std::optional<QByteArray> DocumentCommands::encodedText(qsizetype *unencodableAt) const
{
    return pageBytes(m_host.editor().fileText(), unencodableAt);
}

bool DocumentCommands::convertToUtf8(const QString &path, qsizetype unencodableAt)
{
    platform::EditControl &editor = m_host.editor();
    Utf8Question question{path, encodingName(m_encoding.encoding),
                          editor.textRange(unencodableAt, unencodableAt + 2), {}};
    if (!question.character.isEmpty() && !question.character[0].isHighSurrogate())
        question.character.truncate(1);
    // Every declaration that names another encoding would misname the UTF-8 page.
    QList<Declaration> declarations;
    for (const Declaration &declaration : findDeclarations(editor.textRange(0, declarationWindow)))
        if (encodingForLabel(declaration.label) != Encoding::Utf8) {
            declarations << declaration;
            question.declarations << declaration.label;
        }
    if (!m_questions.askSaveAsUtf8(question))
        return false;

    // Changed from the last so the earlier positions hold; the selection keeps to its text.
    qsizetype start = editor.selStart(), end = start + editor.selLength();
    for (auto it = declarations.crbegin(); it != declarations.crend(); ++it) {
        const QString utf8 = it->label == it->label.toUpper() ? QStringLiteral("UTF-8")
                                                               : QStringLiteral("utf-8");
        editor.replaceRanges({it->position}, it->length, utf8);
        const qsizetype shift = utf8.size() - it->length;
        const auto moved = [&](qsizetype at) {
            return at >= it->position + it->length ? at + shift : std::min(at, it->position);
        };
        start = moved(start);
        end = moved(end);
    }
    if (!declarations.isEmpty()) {
        editor.setSelStart(start);
        editor.setSelLength(end - start);
    }
    return true;
}

bool DocumentCommands::saveForGuard()
{
    if (!isUntitled())
        return SaveDocument(m_currentFileName);
    const std::optional<QString> name = m_questions.askSaveName();
    return name && SaveDocument(*name);
}

bool DocumentCommands::ConfirmDiscard()
{
    if (!m_host.editor().modified())
        return true;
    switch (m_questions.askSaveChanges()) {
    case DocumentQuestions::SaveChanges::Cancel:
        return false;
    case DocumentQuestions::SaveChanges::Yes:
        // Unsaved text is discarded only on No: a failed or cancelled save stops the command.
        return saveForGuard();
    case DocumentQuestions::SaveChanges::No:
        break;
    }
    return true;
}

bool DocumentCommands::FormCloseQuery()
{
    return ConfirmDiscard();
}

void DocumentCommands::cmNewClick()
{
    if (ConfirmDiscard())
        makeUntitled();
}

void DocumentCommands::cmOpenClick()
{
    if (!ConfirmDiscard())
        return;
    if (const std::optional<QString> name = m_questions.askOpenName(m_host.directory()))
        LoadDocument(*name);
}

void DocumentCommands::FileListBoxDblClick()
{
    if (!ConfirmDiscard())
        return;
    QString path = m_host.directory();
    if (!path.endsWith(u'/'))
        path += u'/';
    LoadDocument(path + m_host.fileNameText());
}

void DocumentCommands::cmSaveClick()
{
    if (!isUntitled())
        SaveDocument(m_currentFileName);
    else if (const std::optional<QString> name = m_questions.askSaveName())
        SaveDocument(*name);
    m_host.updateFileList();
}

void DocumentCommands::cmSaveAsClick()
{
    if (const std::optional<QString> name = m_questions.askSaveName()) {
        SaveDocument(*name);
        m_host.updateFileList();
    }
}

} // namespace tolvan::document
