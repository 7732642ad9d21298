#include "messagedialog.h"

#include "platform/application.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <cmath>

namespace tolvan::app {

namespace {

struct ButtonInfo
{
    MsgButton button;
    const char *caption;
    const char *name;
    int result;
};

const ButtonInfo buttonTable[] = {
    {MsgButton::Yes, "&Yes", "Yes", mrYes},
    {MsgButton::No, "&No", "No", mrNo},
    {MsgButton::Ok, "OK", "OK", mrOk},
    {MsgButton::Cancel, "Cancel", "Cancel", mrCancel},
    {MsgButton::Abort, "&Abort", "Abort", mrAbort},
    {MsgButton::Retry, "&Retry", "Retry", mrRetry},
    {MsgButton::Ignore, "&Ignore", "Ignore", mrIgnore},
    {MsgButton::All, "&All", "All", mrAll},
    {MsgButton::Help, "&Help", "Help", mrNone},
};

QString kindTitle(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Warning:
        return QStringLiteral("Warning");
    case MsgKind::Error:
        return QStringLiteral("Error");
    case MsgKind::Information:
        return QStringLiteral("Information");
    case MsgKind::Confirmation:
        return QStringLiteral("Confirm");
    case MsgKind::Custom:
        break;
    }
    return platform::Application::title();
}

bool kindIcon(MsgKind kind, QStyle::StandardPixmap *icon)
{
    switch (kind) {
    case MsgKind::Warning:
        *icon = QStyle::SP_MessageBoxWarning;
        return true;
    case MsgKind::Error:
        *icon = QStyle::SP_MessageBoxCritical;
        return true;
    case MsgKind::Information:
        *icon = QStyle::SP_MessageBoxInformation;
        return true;
    case MsgKind::Confirmation:
        *icon = QStyle::SP_MessageBoxQuestion;
        return true;
    case MsgKind::Custom:
        break;
    }
    return false;
}

// The message text, wrapped between words and drawn exactly as it was measured.
class MessageText : public QWidget
{
public:
    MessageText(const QString &text, QWidget *parent) : QWidget(parent), m_text(text)
    {
        setObjectName(QStringLiteral("Message"));
        setAccessibleName(text);
    }
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const QFontMetrics fm(font());
        int y = 0;
        for (const QString &line : wrapMessageText(fm, m_text, width())) {
            painter.drawText(0, y + fm.ascent(), line);
            y += fm.height();
        }
    }

private:
    QString m_text;
};

QChar accessLetter(const QString &caption)
{
    const qsizetype at = caption.indexOf(u'&');
    return at >= 0 && at + 1 < caption.size() ? caption.at(at + 1).toUpper() : QChar();
}

QSize screenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(1024, 768);
}

} // namespace

int mulDiv(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    return static_cast<int>(std::llround(static_cast<double>(product) / c));
}

MessageMetrics MessageMetrics::fromCharSize(int cx, int cy)
{
    return MessageMetrics{mulDiv(8, cx, 4),  mulDiv(8, cy, 8),  mulDiv(10, cx, 4),
                          mulDiv(10, cy, 8), mulDiv(50, cx, 4), mulDiv(14, cy, 8),
                          mulDiv(4, cx, 4)};
}

MessageMetrics MessageMetrics::fromFont(const QFont &font)
{
    const QFontMetrics fm(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return fromCharSize(fm.horizontalAdvance(letters) / 52, fm.height());
}

MessageLayout layoutMessage(const MessageMetrics &m, QSize textSize, bool hasIcon,
                            int buttonCount)
{
    const int tw = textSize.width();
    const int th = textSize.height();
    const int iconTextWidth = hasIcon ? tw + 32 + m.horzSpacing : tw;
    const int iconTextHeight = hasIcon ? std::max(th, 32) : th;
    const int groupWidth =
        buttonCount == 0 ? 0
                         : buttonCount * m.buttonWidth + (buttonCount - 1) * m.buttonSpacing;

    MessageLayout layout;
    layout.client = QSize(std::max(iconTextWidth, groupWidth) + 2 * m.horzMargin,
                          iconTextHeight + m.buttonHeight + m.vertSpacing + 2 * m.vertMargin);
    if (hasIcon)
        layout.icon = QRect(m.horzMargin, m.vertMargin, 32, 32);
    layout.text = QRect(iconTextWidth - tw + m.horzMargin, m.vertMargin, tw, th);
    int x = (layout.client.width() - groupWidth) / 2;
    const int y = iconTextHeight + m.vertMargin + m.vertSpacing;
    for (int i = 0; i < buttonCount; ++i) {
        layout.buttons << QRect(x, y, m.buttonWidth, m.buttonHeight);
        x += m.buttonWidth + m.buttonSpacing;
    }
    return layout;
}

QStringList wrapMessageText(const QFontMetrics &fm, const QString &text, int width)
{
    // Lines break only at spaces (and at the text's own line breaks): a path is never split.
    QStringList lines;
    const QStringList paragraphs =
        QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
    for (const QString &paragraph : paragraphs) {
        QString line;
        for (const QString &word : paragraph.split(u' ')) {
            const QString candidate = line.isEmpty() ? word : line + u' ' + word;
            if (!line.isEmpty() && fm.horizontalAdvance(candidate) > width) {
                lines << line;
                line = word;
            } else {
                line = candidate;
            }
        }
        lines << line;
    }
    return lines;
}

QSize measureMessageText(const QFont &font, const QString &text, int screenWidth)
{
    const QFontMetrics fm(font);
    const QStringList lines = wrapMessageText(fm, text, screenWidth / 2);
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, fm.horizontalAdvance(line));
    return QSize(width, int(lines.size()) * fm.height());
}

MessageDialog::MessageDialog(const QString &text, MsgKind kind, MsgButtons buttons,
                             QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setModal(true);
    setFont(QApplication::font());
    setWindowTitle(kindTitle(kind));

    QStyle::StandardPixmap iconKind{};
    const bool hasIcon = kindIcon(kind, &iconKind);
    int count = 0;
    for (const ButtonInfo &b : buttonTable)
        count += buttons.testFlag(b.button) ? 1 : 0;

    const MessageMetrics metrics = MessageMetrics::fromFont(font());
    const QSize textSize = measureMessageText(font(), text, screenSize().width());
    m_layout = layoutMessage(metrics, textSize, hasIcon, count);
    setFixedSize(m_layout.client);

    if (hasIcon) {
        auto *image = new QLabel(this);
        image->setObjectName(QStringLiteral("Image"));
        image->setPixmap(style()->standardIcon(iconKind, nullptr, this).pixmap(32, 32));
        image->setGeometry(m_layout.icon);
    }
    auto *message = new MessageText(text, this);
    message->setGeometry(m_layout.text);

    const MsgButton defaultButton = buttons.testFlag(MsgButton::Ok)    ? MsgButton::Ok
                                    : buttons.testFlag(MsgButton::Yes) ? MsgButton::Yes
                                                                       : MsgButton::Retry;
    const MsgButton cancelButton = buttons.testFlag(MsgButton::Cancel) ? MsgButton::Cancel
                                   : buttons.testFlag(MsgButton::No)   ? MsgButton::No
                                                                       : MsgButton::Ok;
    for (const ButtonInfo &b : buttonTable) {
        if (!buttons.testFlag(b.button))
            continue;
        auto *button = new QPushButton(QString::fromLatin1(b.caption), this);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setGeometry(m_layout.buttons.at(m_buttons.size()));
        // In a dialog every button is auto-default: Enter presses the one with the focus.
        button->setDefault(b.button == defaultButton);
        if (b.button == cancelButton)
            m_cancelResult = b.result;
        const int result = b.result;
        if (b.button != MsgButton::Help)
            connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        m_buttons << button;
    }
    if (!m_buttons.isEmpty())
        m_buttons.first()->setFocus(Qt::OtherFocusReason);

    const QSize screen = screenSize();
    move(screen.width() / 2 - width() / 2, screen.height() / 2 - height() / 2);
}

void MessageDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        done(m_cancelResult);
        return;
    }
    // A caption's marked letter presses its button, with or without Alt.
    const QString typed = event->text().toUpper();
    if (typed.size() == 1 && !(event->modifiers() & Qt::ControlModifier)) {
        for (QPushButton *button : std::as_const(m_buttons)) {
            if (accessLetter(button->text()) == typed.at(0)) {
                button->click();
                return;
            }
        }
    }
    QDialog::keyPressEvent(event);
}

void MessageDialog::closeEvent(QCloseEvent *event)
{
    event->accept();
    done(mrCancel);
}

void MessageDialog::reject()
{
    done(mrCancel);
}

int messageDlgPos(const QString &text, MsgKind kind, MsgButtons buttons, int /*helpContext*/,
                  int left, int top)
{
    MessageDialog dialog(text, kind, buttons, QApplication::activeWindow());
    if (left != -1 || top != -1)
        dialog.move(left != -1 ? left : dialog.x(), top != -1 ? top : dialog.y());
    return dialog.exec();
}

int messageDlg(const QString &text, MsgKind kind, MsgButtons buttons, int helpContext)
{
    return messageDlgPos(text, kind, buttons, helpContext, -1, -1);
}

void showMessage(const QString &text)
{
    messageDlg(text, MsgKind::Custom, MsgButton::Ok);
}

void showErrorBox(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, platform::Application::title(),
                    message + QLatin1Char('.'), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace tolvan::app
