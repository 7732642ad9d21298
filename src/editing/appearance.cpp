#include "appearance.h"

#include "platform/dialogs.h"
#include "platform/editcontrol.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvan::editing {

namespace {
// The sixteen colours a font's colour list offers.
const std::pair<const char *, QRgb> basicColors[] = {
    {"Black", 0x000000},  {"Maroon", 0x800000}, {"Green", 0x008000},  {"Olive", 0x808000},
    {"Navy", 0x000080},   {"Purple", 0x800080}, {"Teal", 0x008080},   {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0xFF0000},    {"Lime", 0x00FF00},   {"Yellow", 0xFFFF00},
    {"Blue", 0x0000FF},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0x00FFFF},  {"White", 0xFFFFFF},
};

QIcon swatch(const QColor &color)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}

// Qt's font chooser is a dialog of its own: embedded, it would take Enter and Escape for itself,
// hide and stay hidden, leaving an empty box at every later opening. Here its keys go on to the
// whole dialog (Enter is OK, Escape is Cancel) and whatever would close it closes the whole.
class EmbeddedFontChooser : public QFontDialog
{
public:
    explicit EmbeddedFontChooser(QDialog *owner) : QFontDialog(owner), m_owner(owner) {}

    void done(int result) override { m_owner->done(result); }

protected:
    void keyPressEvent(QKeyEvent *event) override { event->ignore(); }

private:
    QDialog *m_owner;
};

bool chooseColor(QColorDialog &dialog, const QColor &current, QColor *chosen)
{
    dialog.setCurrentColor(current);
    platform::placeStandardDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted) {
        dialog.setCurrentColor(current);
        return false;
    }
    *chosen = dialog.selectedColor();
    return chosen->isValid();
}
} // namespace

FontDialog::FontDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FontDialog"));
    setWindowTitle(QStringLiteral("Font"));

    m_fonts = new EmbeddedFontChooser(this);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setSizeGripEnabled(false);

    m_colors = new QComboBox(this);
    m_colors->setObjectName(QStringLiteral("FontColor"));
    for (const auto &[name, rgb] : basicColors)
        addColor(QString::fromLatin1(name), QColor(rgb));
    auto *colorLabel = new QLabel(QStringLiteral("C&olor:"), this);
    colorLabel->setBuddy(m_colors);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // Named default, or the chooser's own hidden OK would keep Enter from reaching this one.
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *colorRow = new QHBoxLayout;
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(m_colors);
    colorRow->addStretch(1);
    auto *column = new QVBoxLayout(this);
    column->addWidget(m_fonts);
    column->addLayout(colorRow);
    column->addWidget(buttons);
}

void FontDialog::addColor(const QString &name, const QColor &color)
{
    m_colors->addItem(swatch(color), name, color);
}

void FontDialog::setChoice(const QFont &font, const QColor &color)
{
    // A name drawn by a stand-in family (Arial by Liberation Sans, say) is not in the chooser's
    // list, which would fall back to its first family. It starts on the family drawn instead,
    // and a choice that stays on that family keeps the name asked for.
    m_requestedFamily = font.family();
    m_drawnFamily = QFontInfo(font).family();
    QFont drawn = font;
    drawn.setFamily(m_drawnFamily);
    m_fonts->setCurrentFont(drawn);
    int index = m_colors->findData(color);
    if (index < 0) {
        // A colour outside the list is offered as it is, so confirming keeps it.
        const int custom = m_colors->findText(QStringLiteral("Custom"));
        if (custom >= 0)
            m_colors->removeItem(custom);
        addColor(QStringLiteral("Custom"), color);
        index = m_colors->count() - 1;
    }
    m_colors->setCurrentIndex(index);
}

QFont FontDialog::selectedFont() const
{
    QFont font = m_fonts->currentFont();
    if (font.family() == m_drawnFamily && m_drawnFamily != m_requestedFamily) {
        // The stand-in's style name could name a face another stand-in lacks: weight and
        // slant say the same.
        font.setFamily(m_requestedFamily);
        font.setStyleName(QString());
    }
    return font;
}

QColor FontDialog::selectedColor() const
{
    return m_colors->currentData().value<QColor>();
}

void cmBackColorClick(platform::EditControl &editor, QColorDialog &dialog)
{
    QColor chosen;
    if (chooseColor(dialog, editor.backgroundColor(), &chosen))
        editor.setBackgroundColor(chosen);
}

void cmForeColorClick(platform::EditControl &editor, QColorDialog &dialog)
{
    QColor chosen;
    if (chooseColor(dialog, editor.textColor(), &chosen))
        editor.setTextFont(editor.font(), chosen);
}

void cmFontClick(platform::EditControl &editor, FontDialog &dialog)
{
    dialog.setChoice(editor.font(), editor.textColor());
    platform::placeStandardDialog(&dialog);
    if (dialog.exec() == QDialog::Accepted)
        editor.setTextFont(dialog.selectedFont(), dialog.selectedColor());
}

} // namespace tolvan::editing
