#include "editcontrol.h"

#include <QAbstractUndoItem>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <iterator>

namespace tolvan::platform {

namespace {

// Qt merges typing into the last insertion of an edit block just before it, so that one undo
// would take a command's text and the typing after it together. A marker that undoes nothing,
// last in the block, keeps the block an undo step of its own.
class UndoStepEnd : public QAbstractUndoItem
{
public:
    void undo() override {}
    void redo() override {}
};

void closeUndoStep(QTextDocument &document)
{
    document.appendUndoItem(new UndoStepEnd);
}
const QString crlf = QStringLiteral("\r\n");

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Whether `at` falls between the CR and the LF of a line break, which the editor holds as one
// character: no selection can begin or end there.
bool splitsLineBreak(const QString &text, qsizetype at)
{
    return at > 0 && at < text.size() && text.at(at - 1) == u'\r' && text.at(at) == u'\n';
}

bool wholeWordAt(const QString &text, qsizetype at, qsizetype length)
{
    return (at == 0 || !isWordChar(text.at(at - 1))) &&
           (at + length >= text.size() || !isWordChar(text.at(at + length)));
}

// QTextDocument ends a block at U+2029 and at its two frame marks U+FDD0 and U+FDD1, so a page
// holding one would be saved with a line break in its place. Inside the editor each stands in as
// a lone low surrogate, which no decoded page can hold, and is given back on the way out; one
// character for one, so positions are unchanged. The same code unit after a high surrogate is
// half of a real character and is left alone.
constexpr char16_t heldApart[] = {0x2029, 0xFDD0, 0xFDD1};
constexpr char16_t standIn[] = {0xDC29, 0xDDD0, 0xDDD1};

bool isHeldApart(QChar c)
{
    return std::find(std::begin(heldApart), std::end(heldApart), c.unicode()) !=
           std::end(heldApart);
}

QChar swapped(QChar c, const char16_t (&from)[3], const char16_t (&to)[3])
{
    return QChar(to[std::find(std::begin(from), std::end(from), c.unicode()) - std::begin(from)]);
}

bool isStandInAt(const QString &text, qsizetype i)
{
    return std::find(std::begin(standIn), std::end(standIn), text.at(i).unicode()) !=
               std::end(standIn) &&
           (i == 0 || !text.at(i - 1).isHighSurrogate());
}

// A block's text as the page has it. Most lines hold no stand-in: they are not copied.
QString pageText(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isStandInAt(text, i)) {
            if (out.isNull())
                out = text;
            out[i] = swapped(text.at(i), standIn, heldApart);
        }
    }
    return out.isNull() ? text : out;
}

// Counts only as far as it needs to: a page of 10 MB has a quarter of a million lines.
bool hasMoreLinesThan(QStringView text, int count)
{
    for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', at + 1))
        if (--count < 0)
            return true;
    return false;
}

} // namespace

QString toEditorBreaks(QString text)
{
    if (!text.contains(u'\r') && std::none_of(text.cbegin(), text.cend(), isHeldApart))
        return text;
    // Rewritten in place through a pointer, never longer than it was, and cut to size at the
    // end: appending one character at a time costs a call and a capacity check per character,
    // and a page handed over by value (as a freshly decoded one) needs no second buffer.
    const qsizetype size = text.size();
    QChar *to = text.data();
    const QChar *from = to;
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = from[i];
        if (c == u'\r') {
            *to++ = u'\n';
            if (i + 1 < size && from[i + 1] == u'\n')
                ++i;
        } else if (isHeldApart(c)) {
            *to++ = swapped(c, heldApart, standIn);
        } else {
            *to++ = c;
        }
    }
    text.truncate(to - from);
    return text;
}

EditControl::EditControl(QWidget *parent) : QPlainTextEdit(parent)
{
    // Lines wrap at the editor's width, at a blank where there is one, and the scroll bars come
    // as they are needed (Qt's defaults).
    setTabChangesFocus(false);
    m_background = palette().color(QPalette::Base);
    m_text = palette().color(QPalette::Text);
    // Connected before the document's layout hears of a change, so that a long line being edited
    // keeps its shaped text from the relayout the change causes.
    connect(document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
        keepShaped(document()->findBlock(from));
        keepShaped(document()->findBlock(from + added));
    });
    connect(this, &QPlainTextEdit::cursorPositionChanged, this,
            [this] { keepShaped(textCursor().block()); });
}

void EditControl::keepShaped(const QTextBlock &block)
{
    // Qt drops a line's shaped glyphs once the line is laid out, and shapes the whole line again
    // for every caret move and repaint: on a minified page of one long line that was most of the
    // time a keystroke took. A long line the caret is in keeps them; short lines are shaped
    // again cheaply and keep nothing, so a big page of short lines costs no memory for this.
    if (block.isValid() && block.length() > longLine)
        block.layout()->setCacheEnabled(true);
}

qsizetype EditControl::blockStart(const QTextBlock &block) const
{
    // Every earlier line break is one document position but two editor positions.
    return block.position() + block.blockNumber();
}

qsizetype EditControl::toDocumentPosition(qsizetype pos, bool roundUp) const
{
    const QTextDocument *doc = document();
    if (pos <= 0)
        return 0;
    int lo = 0;
    int hi = doc->blockCount() - 1;
    while (lo < hi) { // last block whose editor start is <= pos
        const int mid = (lo + hi + 1) / 2;
        const QTextBlock b = doc->findBlockByNumber(mid);
        if (b.position() + mid <= pos)
            lo = mid;
        else
            hi = mid - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(lo);
    const qsizetype offset = pos - (block.position() + lo);
    const qsizetype length = block.length() - 1;
    if (offset <= length)
        return block.position() + offset;
    // Beyond the line's text: between CR and LF, or past the end of the text.
    if (roundUp && block.next().isValid())
        return block.next().position();
    return block.position() + length;
}

qsizetype EditControl::fromDocumentPosition(qsizetype documentPos) const
{
    const QTextBlock block = document()->findBlock(int(documentPos));
    if (!block.isValid())
        return textLength();
    return documentPos + block.blockNumber();
}

qsizetype EditControl::selStart() const
{
    return fromDocumentPosition(textCursor().selectionStart());
}

void EditControl::setSelStart(qsizetype pos)
{
    QTextCursor c = textCursor();
    c.setPosition(int(toDocumentPosition(std::clamp<qsizetype>(pos, 0, textLength()))));
    setTextCursor(c);
}

qsizetype EditControl::selLength() const
{
    const QTextCursor c = textCursor();
    return fromDocumentPosition(c.selectionEnd()) - fromDocumentPosition(c.selectionStart());
}

void EditControl::setSelLength(qsizetype length)
{
    const qsizetype start = selStart();
    const qsizetype end = std::clamp<qsizetype>(start + length, start, textLength());
    QTextCursor c = textCursor();
    c.setPosition(int(toDocumentPosition(start)));
    c.setPosition(int(toDocumentPosition(end, true)), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString EditControl::textRange(qsizetype start, qsizetype end) const
{
    const qsizetype length = textLength();
    start = std::clamp<qsizetype>(start, 0, length);
    end = std::clamp<qsizetype>(end, start, length);
    if (end == start)
        return {};
    // Walk the lines in editor positions so that a range may begin or end between CR and LF.
    QString out;
    out.reserve(end - start);
    const QTextDocument *doc = document();
    QTextBlock block = doc->findBlock(int(toDocumentPosition(start)));
    qsizetype pos = blockStart(block);
    for (; block.isValid() && pos < end; block = block.next()) {
        const QString text = pageText(block.text());
        const bool hasBreak = block.next().isValid();
        const QString line = hasBreak ? text + crlf : text;
        const qsizetype lo = std::max<qsizetype>(start - pos, 0);
        const qsizetype hi = std::min<qsizetype>(end - pos, line.size());
        if (hi > lo)
            out += QStringView(line).mid(lo, hi - lo);
        pos += line.size();
    }
    return out;
}

QString EditControl::selectedTextInto(qsizetype bufferSize) const
{
    if (bufferSize <= 0)
        return {};
    const qsizetype start = selStart();
    const qsizetype count = std::min(selLength(), bufferSize - 1);
    return textRange(start, start + count);
}

QString EditControl::selText() const
{
    const qsizetype start = selStart();
    return textRange(start, start + selLength());
}

void EditControl::replaceSelection(const QString &text)
{
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.insertText(toEditorBreaks(text));
    closeUndoStep(*document());
    c.endEditBlock();
    setTextCursor(c);
    ensureCursorVisible();
    document()->setModified(true);
}

void EditControl::replaceRanges(const QList<qsizetype> &positions, qsizetype length,
                                const QString &text)
{
    if (positions.isEmpty())
        return;
    const QString inserted = toEditorBreaks(text);
    QTextCursor c(document());
    c.beginEditBlock();
    // From the last to the first, so that earlier positions stay valid.
    for (auto it = positions.crbegin(); it != positions.crend(); ++it) {
        c.setPosition(int(toDocumentPosition(*it)));
        c.setPosition(int(toDocumentPosition(*it + length, true)), QTextCursor::KeepAnchor);
        c.insertText(inserted);
    }
    closeUndoStep(*document());
    c.endEditBlock();
    const qsizetype growth = QString(inserted).replace(u'\n', crlf).size() - length;
    setSelStart(positions.last() + growth * (positions.size() - 1) + length + growth);
    document()->setModified(true);
}

void EditControl::clearText()
{
    setPlainText(QString());
}

void EditControl::setWholeText(const QString &text)
{
    setEditorText(toEditorBreaks(text));
}

void EditControl::setEditorText(const QString &lines)
{
    // A text far longer than the view needs the vertical scroll bar. Were the bar to appear only
    // once the text is in, the narrower view would make Qt lay out every line again, building a
    // layout object for each (on a 10 MB page a tenth of a second and tens of megabytes). Shown
    // first, the bar costs a layout of the text being replaced, and the new text is laid out once
    // for the width it keeps. Shorter texts are left to Qt, which knows whether they need it.
    const int rows = viewport()->height() / std::max(fontMetrics().lineSpacing(), 1);
    const bool barFirst = isVisible() && verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded &&
                          !verticalScrollBar()->isVisible() && hasMoreLinesThan(lines, 2 * rows + 2);
    if (barFirst)
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The document is filled directly: QPlainTextEdit::setPlainText then goes over the whole
    // text once more to give it the current character format, which this editor never changes
    // (a sixth of the time of opening a 10 MB page). Both clear the undo history.
    QTextDocument *doc = document();
    doc->setPlainText(lines);
    setTextCursor(QTextCursor(doc)); // the text went in at the caret, which it pushed to the end
    if (barFirst)
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

qsizetype EditControl::textLength() const
{
    const QTextDocument *doc = document();
    return (doc->characterCount() - 1) + (doc->blockCount() - 1);
}

QString EditControl::wholeText() const
{
    QString out;
    out.reserve(textLength());
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        out += pageText(b.text());
        if (b.next().isValid())
            out += crlf;
    }
    return out;
}

QString EditControl::fileText() const
{
    // The whole text already ends in CR LF when its last line is empty (that line is not
    // counted); otherwise the last line still needs its break. No line holds a CR of its own.
    QString text = wholeText();
    if (!text.isEmpty() && !text.endsWith(crlf))
        text += crlf;
    return text;
}

int EditControl::lineCount() const
{
    const QTextDocument *doc = document();
    const int blocks = doc->blockCount();
    return doc->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

QString EditControl::line(int index) const
{
    return pageText(document()->findBlockByNumber(index).text());
}

bool EditControl::modified() const
{
    return document()->isModified();
}

void EditControl::setModified(bool modified)
{
    document()->setModified(modified);
}

qsizetype EditControl::findText(const QString &what, qsizetype from, qsizetype to,
                                FindOptions options) const
{
    const qsizetype length = textLength();
    if (to < 0 || to > length)
        to = length;
    from = std::max<qsizetype>(from, 0);
    if (what.isEmpty() || from > to)
        return -1;
    const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;

    if (what.contains(u'\r') || what.contains(u'\n')) {
        // A search across lines: look in the text of the range itself.
        const QString range = textRange(from, to);
        for (qsizetype at = range.indexOf(what, 0, cs); at >= 0;
             at = range.indexOf(what, at + 1, cs)) {
            if (splitsLineBreak(range, at) || splitsLineBreak(range, at + what.size()))
                continue; // a match of half a line break would select, and replace, more
            if (!options.wholeWord || wholeWordAt(range, at, what.size()))
                return from + at;
        }
        return -1;
    }

    QTextBlock block = document()->findBlock(int(toDocumentPosition(from)));
    for (; block.isValid(); block = block.next()) {
        const qsizetype lineStart = blockStart(block);
        if (lineStart > to)
            break;
        const QString text = pageText(block.text());
        qsizetype at = text.indexOf(what, std::max<qsizetype>(from - lineStart, 0), cs);
        for (; at >= 0; at = text.indexOf(what, at + 1, cs)) {
            if (lineStart + at + what.size() > to)
                return -1;
            if (!options.wholeWord || wholeWordAt(text, at, what.size()))
                return lineStart + at;
        }
    }
    return -1;
}

void EditControl::applyPalette()
{
    QPalette p = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Base, m_background);
        p.setColor(group, QPalette::Window, m_background);
        p.setColor(group, QPalette::Text, m_text);
    }
    // The selection shows only while the editor has the focus.
    p.setColor(QPalette::Inactive, QPalette::Highlight, m_background);
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, m_text);
    setPalette(p);
}

void EditControl::setBackgroundColor(const QColor &color)
{
    m_background = color;
    applyPalette();
}

QColor EditControl::backgroundColor() const
{
    return m_background;
}

void EditControl::setTextFont(const QFont &font, const QColor &color)
{
    setFont(font);
    document()->setDefaultFont(font);
    m_text = color;
    applyPalette();
}

QColor EditControl::textColor() const
{
    return m_text;
}

QMimeData *EditControl::createMimeDataFromSelection() const
{
    // From the blocks, so no-break spaces reach the clipboard unchanged.
    auto *data = new QMimeData;
    data->setText(selText().replace(crlf, QStringLiteral("\n")));
    return data;
}

void EditControl::insertFromMimeData(const QMimeData *source)
{
    if (source && source->hasText())
        replaceSelection(source->text());
}

} // namespace tolvan::platform
