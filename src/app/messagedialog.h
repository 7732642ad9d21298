#pragma once

#include <QDialog>
#include <QFlags>
#include <QList>
#include <QRect>
#include <QStringList>

class QFont;
class QFontMetrics;
class QPushButton;

namespace tolvan::app {

// The kind decides the box's title and icon.
enum class MsgKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3, Custom = 4 };

// Buttons in their fixed order; a set holds one bit per button.
enum class MsgButton : unsigned {
    Yes = 1,
    No = 2,
    Ok = 4,
    Cancel = 8,
    Abort = 16,
    Retry = 32,
    Ignore = 64,
    All = 128,
    Help = 256
};
Q_DECLARE_FLAGS(MsgButtons, MsgButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(MsgButtons)

// Results of the message dialog: the pressed button's, 2 (Cancel) for the close box.
enum MsgResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8
};

// a * b / c rounded to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c);

// Spacing of the message dialog in pixels, derived from the font's average character width cx
// and height cy.
struct MessageMetrics
{
    int horzMargin, vertMargin;
    int horzSpacing, vertSpacing;
    int buttonWidth, buttonHeight, buttonSpacing;

    static MessageMetrics fromCharSize(int cx, int cy);
    static MessageMetrics fromFont(const QFont &font);
};

// Where everything of a message dialog goes, in client coordinates.
struct MessageLayout
{
    QSize client;
    QRect icon; // empty without an icon
    QRect text;
    QList<QRect> buttons;
};

MessageLayout layoutMessage(const MessageMetrics &metrics, QSize textSize, bool hasIcon,
                            int buttonCount);

// The text broken into lines no wider than width, between words only.
QStringList wrapMessageText(const QFontMetrics &fm, const QString &text, int width);

// The text's size word-wrapped into half the screen width; a wider word widens it.
QSize measureMessageText(const QFont &font, const QString &text, int screenWidth);

class MessageDialog : public QDialog
{
    Q_OBJECT
public:
    MessageDialog(const QString &text, MsgKind kind, MsgButtons buttons,
                  QWidget *parent = nullptr);

    const MessageLayout &messageLayout() const { return m_layout; }
    int cancelResult() const { return m_cancelResult; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    MessageLayout m_layout;
    int m_cancelResult = mrCancel;
    QList<QPushButton *> m_buttons;
};

// The message dialog, shown modally; returns the pressed button's result. Left and top of -1
// centre the box on the screen.
int messageDlg(const QString &text, MsgKind kind, MsgButtons buttons, int helpContext = 0);
int messageDlgPos(const QString &text, MsgKind kind, MsgButtons buttons, int helpContext, int left,
                  int top);

// The message dialog with the application title, no icon and one OK button.
void showMessage(const QString &text);

// The platform's message box with a stop icon: the message, ".", titled with the application
// title.
void showErrorBox(const QString &message);

} // namespace tolvan::app
