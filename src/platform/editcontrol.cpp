#include "editcontrol.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>

namespace tolvan::platform {

namespace {
const QString crlf = QStringLiteral("\r\n");

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

bool wholeWordAt(const QString &text, qsizetype at, qsizetype length)
{
    return (at == 0 || !isWordChar(text.at(at - 1))) &&
           (at + length >= text.size() || !isWordChar(text.at(at + length)));
}

} // namespace

QString toEditorBreaks(const QString &text)
{
    if (!text.contains(u'\r'))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

EditControl::EditControl(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTabChangesFocus(false);
    m_background = palette().color(QPalette::Base);
    m_text = palette().color(QPalette::Text);
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
        const QString text = block.text();
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
    c.endEditBlock();
    const qsizetype growth = QString(inserted).replace(u'\n', crlf).size() - length;
    setSelStart(positions.last() + growth * (positions.size() - 1) + length + growth);
    ensureCursorVisible();
    document()->setModified(true);
}

void EditControl::clearText()
{
    setPlainText(QString());
}

void EditControl::setWholeText(const QString &text)
{
    setPlainText(toEditorBreaks(text));
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
        out += b.text();
        if (b.next().isValid())
            out += crlf;
    }
    return out;
}

int EditControl::lineCount() const
{
    const QTextDocument *doc = document();
    const int blocks = doc->blockCount();
    return doc->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

QString EditControl::line(int index) const
{
    return document()->findBlockByNumber(index).text();
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
        const QString text = block.text();
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
