#include "filedialogs.h"

#include "app/messagedialog.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

namespace tolvan::document {

namespace {
std::optional<QString> runFileDialog(QFileDialog *dialog)
{
    platform::placeStandardDialog(dialog);
    const int result = dialog->exec();
    // The file-name completer's list can outlive the dialog when Enter accepts a typed name;
    // left open it would keep the keyboard from the main window.
    while (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    if (result != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog->selectedFiles().constFirst();
    dialog->selectFile(chosen); // offered again next time
    return chosen;
}
} // namespace

DialogQuestions::DialogQuestions(QWidget *window) : m_window(window) {}

QFileDialog *DialogQuestions::saveDialog()
{
    if (!m_saveDlg) {
        m_saveDlg = new QFileDialog(m_window);
        m_saveDlg->setObjectName(QStringLiteral("SaveDlg"));
        m_saveDlg->setOption(QFileDialog::DontUseNativeDialog);
        // Choosing an existing file replaces it without a question.
        m_saveDlg->setOption(QFileDialog::DontConfirmOverwrite);
        m_saveDlg->setAcceptMode(QFileDialog::AcceptSave);
        m_saveDlg->setFileMode(QFileDialog::AnyFile);
    }
    return m_saveDlg;
}

QFileDialog *DialogQuestions::openDialog()
{
    if (!m_openDlg) {
        m_openDlg = new QFileDialog(m_window);
        m_openDlg->setObjectName(QStringLiteral("OpenDlg"));
        m_openDlg->setOption(QFileDialog::DontUseNativeDialog);
        m_openDlg->setOption(QFileDialog::HideNameFilterDetails);
        m_openDlg->setAcceptMode(QFileDialog::AcceptOpen);
        // A typed name of a file that does not exist is passed on; loading then says so.
        m_openDlg->setFileMode(QFileDialog::AnyFile);
        m_openDlg->setNameFilters({QStringLiteral("HTML Files (*.html) (*.htm *.html)"),
                                   QStringLiteral("Text Files (*.txt) (*.txt)"),
                                   QStringLiteral("All Files (*.*) (*)"),
                                   QStringLiteral("Help Files (*.hlp) (*.hlp)")});
    }
    return m_openDlg;
}

DocumentQuestions::SaveChanges DialogQuestions::askSaveChanges()
{
    switch (app::messageDlg(QStringLiteral("Changes Made. Save Current Working File?"),
                            app::MsgKind::Confirmation,
                            app::MsgButton::Yes | app::MsgButton::No | app::MsgButton::Cancel,
                            0)) {
    case app::mrYes:
        return SaveChanges::Yes;
    case app::mrNo:
        return SaveChanges::No;
    default:
        return SaveChanges::Cancel;
    }
}

std::optional<QString> DialogQuestions::askSaveName()
{
    QFileDialog *dialog = saveDialog();
    if (dialog->selectedFiles().isEmpty() || dialog->selectedFiles().constFirst().isEmpty() ||
        QFileInfo(dialog->selectedFiles().constFirst()).isDir())
        dialog->setDirectory(QDir::currentPath());
    return runFileDialog(dialog);
}

std::optional<QString> DialogQuestions::askOpenName(const QString &directory)
{
    QFileDialog *dialog = openDialog();
    dialog->setDirectory(directory);
    dialog->selectNameFilter(dialog->nameFilters().constFirst());
    return runFileDialog(dialog);
}

bool DialogQuestions::askSaveAsUtf8(const Utf8Question &question)
{
    const QString &character = question.character;
    const char32_t code = character.size() == 2
                              ? QChar::surrogateToUcs4(character[0], character[1])
                              : (character.isEmpty() ? 0 : character[0].unicode());
    QString text = QStringLiteral("%1 is stored in the %2 character set, which cannot hold "
                                  "the character \"%3\" (U+%4). Save it as UTF-8 instead?")
                       .arg(question.path, question.encodingName, character,
                            QString::number(code, 16).toUpper().rightJustified(4, u'0'));
    if (!question.declarations.isEmpty())
        text += QStringLiteral(" Its charset declaration (%1) will then say UTF-8.")
                    .arg(question.declarations.join(QStringLiteral(", ")));
    return app::messageDlg(text, app::MsgKind::Confirmation,
                           app::MsgButton::Yes | app::MsgButton::No, 0) == app::mrYes;
}

void DialogQuestions::showMessage(const QString &text)
{
    app::showMessage(text);
}

} // namespace tolvan::document
