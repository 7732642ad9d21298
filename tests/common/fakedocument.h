#pragma once

// The document commands in a window seen without widgets. What the window is asked, told or
// made to do goes to `told` in order (the messages also to `messages`, the UTF-8 question to
// `asked`); the answers come from a script. Files go to a temporary folder of its own.

#include "common/files.h"
#include "document/documents.h"
#include "platform/editcontrol.h"

#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace tolvan::test {

class FakeDocument : public document::DocumentHost, public document::DocumentQuestions
{
public:
    FakeDocument() { docs.makeUntitled(); }

    platform::EditControl edit;
    QString dir;
    std::function<QString()> fileName = [] { return QString(); }; // the file-name box
    QStringList told, messages;
    SaveChanges answer = SaveChanges::Cancel;
    std::optional<QString> saveName;
    bool utf8 = false;
    std::optional<document::Utf8Question> asked;
    document::DocumentCommands docs{*this, *this};
    QTemporaryDir tmp;

    QString path(const QString &name) const { return tmp.filePath(name); }
    // Writes the bytes to a file and opens it.
    bool open(const QString &file, const QByteArray &bytes)
    {
        return writeAll(file, bytes) && docs.LoadDocument(file);
    }
    // Types over the whole text.
    void type(const QString &text)
    {
        edit.selectAll();
        edit.replaceSelection(text);
    }

    platform::EditControl &editor() override { return edit; }
    QString directory() const override { return dir; }
    QString fileNameText() const override { return fileName(); }
    void updateFileList() override { told << "(list read)"; }
    void repaintFileList() override { told << "(list repainted)"; }
    void setCaption(const QString &) override {}
    SaveChanges askSaveChanges() override { return note("Save changes?", answer); }
    std::optional<QString> askSaveName() override { return note("Save as?", saveName); }
    std::optional<QString> askOpenName(const QString &in) override
    {
        return note("Open in " + in, std::optional<QString>());
    }
    bool askSaveAsUtf8(const document::Utf8Question &question) override
    {
        asked = question;
        return note("As UTF-8?", utf8);
    }
    void showMessage(const QString &text) override { messages << note(text, text); }

private:
    template <typename T> T note(const QString &what, T result)
    {
        told << what;
        return result;
    }
};

} // namespace tolvan::test
