#pragma once

#include <QDialog>

class QColorDialog;
class QComboBox;
class QFontDialog;

namespace tolvan::platform {
class EditControl;
}

namespace tolvan::editing {

// The font dialog: face, style, size, the effects (underline, strikeout) and a text colour.
// Qt's own font dialog has no colour, so it is embedded here beside a colour list.
class FontDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FontDialog(QWidget *parent = nullptr);

    void setChoice(const QFont &font, const QColor &color);
    QFont selectedFont() const;
    QColor selectedColor() const;

    QFontDialog *fontChooser() const { return m_fonts; }
    QComboBox *colorList() const { return m_colors; }

private:
    void addColor(const QString &name, const QColor &color);

    QFontDialog *m_fonts;
    QComboBox *m_colors;
    QString m_requestedFamily; // the editor's font name
    QString m_drawnFamily;     // the family that draws it
};

// Options > Editor Background Color, Editor Font Color and Editor Font: each opens its dialog
// with the editor's current value and changes the editor only when the user confirms.
void cmBackColorClick(platform::EditControl &editor, QColorDialog &dialog);
void cmForeColorClick(platform::EditControl &editor, QColorDialog &dialog);
void cmFontClick(platform::EditControl &editor, FontDialog &dialog);

} // namespace tolvan::editing
