#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tolvan::editing {

// The modeless find dialog (and, with a replace text, the replace dialog). It keeps its texts,
// options and position while the main window lives; Cancel and the close box only hide it.
class SearchDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Kind { Find, Replace };
    static constexpr int maxTextLength = 255;

    SearchDialog(Kind kind, QWidget *parent);

    Kind kind() const { return m_kind; }
    QString findText() const;
    void setFindText(const QString &text);
    QString replaceText() const;
    void setReplaceText(const QString &text);
    bool wholeWord() const;
    bool matchCase() const;
    void setOptions(bool wholeWord, bool matchCase);

    // Shows the dialog, at the standard place the first time and where it last stood after
    // that, and brings it to the front.
    void present();

Q_SIGNALS:
    void findNext();
    void replace();
    void replaceAll();

private:
    Kind m_kind;
    bool m_placed = false;
    QLineEdit *m_find = nullptr;
    QLineEdit *m_replace = nullptr;
    QCheckBox *m_wholeWord = nullptr;
    QCheckBox *m_matchCase = nullptr;
};

} // namespace tolvan::editing
