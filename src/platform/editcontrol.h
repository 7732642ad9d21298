#pragma once

#include <QPlainTextEdit>

class QTextBlock;

namespace tolvan::platform {

// The editor: a plain-text control whose operations speak in editor positions, where a line
// break counts as two characters (CR LF), and whose texts carry line breaks as CR LF.
// Inside, each line is one QTextDocument block; mapping a position costs O(log^2 n), never a
// scan of the whole text.
class EditControl : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit EditControl(QWidget *parent = nullptr);

    struct FindOptions
    {
        bool wholeWord = false;
        bool matchCase = false;
    };

    qsizetype selStart() const;
    void setSelStart(qsizetype pos);
    qsizetype selLength() const;
    void setSelLength(qsizetype length);
    // The first min(selection length, bufferSize - 1) selected characters.
    QString selectedTextInto(qsizetype bufferSize) const;
    QString selText() const;
    // One undo step; the caret ends after the text and the modified flag is set.
    void replaceSelection(const QString &text);

    // Replaces `length` characters at each of the ascending positions with text, as one undo
    // step; the caret ends after the last replacement.
    void replaceRanges(const QList<qsizetype> &positions, qsizetype length, const QString &text);

    void clearText();
    void setWholeText(const QString &text);
    // The same for a text already through toEditorBreaks (which may run on any thread).
    void setEditorText(const QString &lines);
    qsizetype textLength() const;
    QString wholeText() const;
    QString textRange(qsizetype start, qsizetype end) const;

    // Lines as a file holds them: a last empty line is not counted.
    int lineCount() const;
    QString line(int index) const;
    // Those lines as a file holds them, each followed by CR LF.
    QString fileText() const;

    bool modified() const;
    void setModified(bool modified);

    // First match of what in [from, to] (to -1: the end), or -1.
    qsizetype findText(const QString &what, qsizetype from, qsizetype to,
                       FindOptions options) const;

    void setBackgroundColor(const QColor &color);
    QColor backgroundColor() const;
    void setTextFont(const QFont &font, const QColor &color);
    QColor textColor() const;

    qsizetype toDocumentPosition(qsizetype pos, bool roundUp = false) const;
    qsizetype fromDocumentPosition(qsizetype documentPos) const;

protected:
    QMimeData *createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // Lines longer than this are laid out from shaped text kept with the line.
    static constexpr int longLine = 4096;

    void keepShaped(const QTextBlock &block);
    qsizetype blockStart(const QTextBlock &block) const;
    void applyPalette();

    QColor m_background;
    QColor m_text;
};

// Texts handed to the editor may break lines with CR LF, LF or CR; inside it is always LF.
// U+2029, U+FDD0 and U+FDD1 break no line: they come back out as they went in.
QString toEditorBreaks(QString text);

} // namespace tolvan::platform
