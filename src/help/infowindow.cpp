#include "infowindow.h"

#include "platform/fonts.h"
#include "platform/glyphs.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace tolvan::help {

namespace {

const QString designFamily = QStringLiteral("MS Sans Serif");

} // namespace

QPoint centredTopLeft(QSize screen, QSize window)
{
    // Integer division truncates toward zero, which is the rounding the design asks for
    // even when the window is larger than the screen.
    const int left = (screen.width() - window.width()) / 2;
    const int top = (screen.height() - window.height()) / 2;
    return QPoint(std::max(left, 0), std::max(top, 0));
}

InfoWindow::InfoWindow(const QString &objectName, const QString &caption, QSize client,
                       int charHeight, QWidget *parent)
    // A title and nothing else in the title bar: no close box, no system menu, no minimise or
    // maximise buttons.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setModal(true);
    setFixedSize(client);
    setFont(platform::designFont(designFamily, charHeight));
}

int InfoWindow::showModal()
{
    if (!m_placed) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            move(centredTopLeft(screen->geometry().size(), outerSize()));
        m_placed = true;
    }
    // Qt centres a dialog over its parent only until it has been moved, so from here on the
    // window keeps whatever position it had when it was last closed.
    return exec();
}

QSize InfoWindow::outerSize()
{
    // The frame belongs to the native window, which Qt otherwise makes only when the window is
    // first shown; making it now lets platforms that know their frame report it before then.
    // Where the frame is not known yet its margins are zero and the client size is centred.
    create();
    const QWindow *native = windowHandle();
    const QMargins frame = native ? native->frameMargins() : QMargins();
    return size().grownBy(frame);
}

void InfoWindow::reject()
{
    accept();
}

void InfoWindow::keyPressEvent(QKeyEvent *event)
{
    // The window has no behaviour beyond its OK button: Escape is not a way out.
    if (event->matches(QKeySequence::Cancel))
        return;
    QDialog::keyPressEvent(event);
}

QPushButton *InfoWindow::addOkButton(QPoint at)
{
    auto *button = new QPushButton(QStringLiteral("OK"), this);
    button->setObjectName(QStringLiteral("BitBtn1"));
    button->setGeometry(at.x(), at.y(), 73, 25);
    button->setIcon(platform::buttonIcon(QStringLiteral("okcheck")));
    button->setIconSize(QSize(16, 16));
    button->setDefault(true);
    connect(button, &QPushButton::clicked, this, &QDialog::accept);
    return button;
}

QFrame *InfoWindow::addPanel(const char *name, const QRect &geometry, int frameStyle)
{
    auto *panel = new QFrame(this);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(geometry);
    panel->setFrameStyle(frameStyle);
    panel->setLineWidth(1);
    panel->setMidLineWidth(0);
    return panel;
}

QLabel *InfoWindow::addLabel(QWidget *panel, const LabelDesign &design)
{
    auto *label = new QLabel(panel);
    label->setObjectName(QString::fromLatin1(design.name));
    // Plain text and no buddy: an "&" in the text is shown as it is, never as an access key.
    label->setTextFormat(Qt::PlainText);
    label->setText(QString::fromUtf8(design.text));
    if (design.charHeight > 0)
        label->setFont(platform::designFont(designFamily, design.charHeight));
    if (design.ink) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor::fromRgb(*design.ink));
        label->setPalette(palette);
    }

    if (design.wraps) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setGeometry(design.left, design.top, design.width, design.height);
    } else {
        // A one-line label grows to its text: the design width is a minimum, because the
        // substitute font can be wider than the one the window was drawn with.
        const QSize text = label->sizeHint();
        label->setGeometry(design.left, design.top, std::max(design.width, text.width()),
                           std::max(design.height, text.height()));
    }
    return label;
}

QLabel *InfoWindow::addImage(QWidget *panel, const char *name, const QRect &geometry,
                             const char *picture)
{
    auto *image = new QLabel(panel);
    image->setObjectName(QString::fromLatin1(name));
    // Pictures are drawn pixel for pixel, never scaled, from the top-left corner.
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setPixmap(platform::picture(QString::fromLatin1(picture)));
    image->setGeometry(geometry);
    return image;
}

} // namespace tolvan::help
