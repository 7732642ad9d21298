#include "searchdialogs.h"

#include "platform/dialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvan::editing {

namespace {
QPushButton *addButton(QVBoxLayout *column, const QString &caption, const char *name)
{
    auto *button = new QPushButton(caption);
    button->setObjectName(QString::fromLatin1(name));
    column->addWidget(button);
    return button;
}
} // namespace

SearchDialog::SearchDialog(Kind kind, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_kind(kind)
{
    const bool replacing = kind == Kind::Replace;
    setObjectName(replacing ? QStringLiteral("ReplaceDlg") : QStringLiteral("FindDlg"));
    setWindowTitle(replacing ? QStringLiteral("Replace") : QStringLiteral("Find"));
    setModal(false);

    auto *fields = new QGridLayout;
    m_find = new QLineEdit;
    m_find->setObjectName(QStringLiteral("FindText"));
    m_find->setMaxLength(maxTextLength);
    auto *findLabel = new QLabel(QStringLiteral("Fi&nd what:"));
    findLabel->setBuddy(m_find);
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(m_find, 0, 1);
    if (replacing) {
        m_replace = new QLineEdit;
        m_replace->setObjectName(QStringLiteral("ReplaceText"));
        m_replace->setMaxLength(maxTextLength);
        auto *replaceLabel = new QLabel(QStringLiteral("Re&place with:"));
        replaceLabel->setBuddy(m_replace);
        fields->addWidget(replaceLabel, 1, 0);
        fields->addWidget(m_replace, 1, 1);
    }
    m_wholeWord = new QCheckBox(QStringLiteral("Match &whole word only"));
    m_wholeWord->setObjectName(QStringLiteral("WholeWord"));
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"));
    m_matchCase->setObjectName(QStringLiteral("MatchCase"));
    fields->addWidget(m_wholeWord, 2, 0, 1, 2);
    fields->addWidget(m_matchCase, 3, 0, 1, 2);
    fields->setRowStretch(4, 1);

    auto *buttons = new QVBoxLayout;
    QPushButton *next = addButton(buttons, QStringLiteral("&Find Next"), "FindNext");
    next->setDefault(true);
    connect(next, &QPushButton::clicked, this, &SearchDialog::findNext);
    if (replacing) {
        connect(addButton(buttons, QStringLiteral("&Replace"), "Replace"), &QPushButton::clicked,
                this, &SearchDialog::replace);
        connect(addButton(buttons, QStringLiteral("Replace &All"), "ReplaceAll"),
                &QPushButton::clicked, this, &SearchDialog::replaceAll);
    }
    connect(addButton(buttons, QStringLiteral("Cancel"), "Cancel"), &QPushButton::clicked, this,
            &QDialog::hide);
    buttons->addStretch(1);

    auto *row = new QHBoxLayout(this);
    row->addLayout(fields, 1);
    row->addLayout(buttons);
    m_find->setMinimumWidth(220);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QString SearchDialog::findText() const
{
    return m_find->text();
}

void SearchDialog::setFindText(const QString &text)
{
    m_find->setText(text);
}

QString SearchDialog::replaceText() const
{
    return m_replace ? m_replace->text() : QString();
}

void SearchDialog::setReplaceText(const QString &text)
{
    if (m_replace)
        m_replace->setText(text);
}

bool SearchDialog::wholeWord() const
{
    return m_wholeWord->isChecked();
}

bool SearchDialog::matchCase() const
{
    return m_matchCase->isChecked();
}

void SearchDialog::setOptions(bool wholeWord, bool matchCase)
{
    m_wholeWord->setChecked(wholeWord);
    m_matchCase->setChecked(matchCase);
}

void SearchDialog::present()
{
    platform::presentModeless(this, m_placed);
    m_find->setFocus(Qt::OtherFocusReason);
    m_find->selectAll();
}

} // namespace tolvan::editing
