#pragma once

#include "documents.h"

class QFileDialog;
class QWidget;

namespace tolvan::document {

// The document commands' questions, answered by the user through the message boxes and the
// window's open and save dialogs (SaveDlg, OpenDlg). Each dialog keeps the file last chosen
// in it and offers it again.
class DialogQuestions : public DocumentQuestions
{
public:
    explicit DialogQuestions(QWidget *window);

    SaveChanges askSaveChanges() override;
    std::optional<QString> askSaveName() override;
    std::optional<QString> askOpenName(const QString &directory) override;
    bool askSaveAsUtf8(const Utf8Question &question) override;
    void showMessage(const QString &text) override;

    QFileDialog *saveDialog();
    QFileDialog *openDialog();

private:
    QWidget *m_window;
    QFileDialog *m_saveDlg = nullptr;
    QFileDialog *m_openDlg = nullptr;
};

} // namespace tolvan::document
