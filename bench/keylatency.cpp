// keylatency: how long a key takes to show, in the program's own main window on a real X display
// (word wrap on, the default font, a fresh settings file): from the synthesized key event to the
// end of the repaint it causes.
//
//   keylatency [--runs N] PAGE-10K PAGE-1M PAGE-10M LINE-200K LINE-2M
//
// The three pages are ordinary hand-written pages; the two lines are minified pages, each one
// line. Each key goes to the editor through QTest::keyClick (press and release, shortcuts
// first, as the window system delivers them). The clock stops when the pass of the event loop
// in which the editor's viewport received its Paint event returns: by then the window's backing
// store has been flushed to the X server. A key that causes no repaint (Page Down on the last
// page) stops the clock once everything it posted has been handled.

#include "app/mainform.h"
#include "document/documents.h"
#include "platform/application.h"
#include "platform/editcontrol.h"
#include "platform/fonts.h"
#include "table.h"

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <cstdlib>
#include <map>

using namespace tolvan::bench;
using tolvan::platform::EditControl;

namespace {

// Notes the viewport's Paint events.
class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

struct Key
{
    const char *name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    char text;
};

const Key typed{"a typed character", Qt::Key_X, Qt::NoModifier, 'x'};
const Key backspace{"Backspace", Qt::Key_Backspace, Qt::NoModifier, 0};
const Key enter{"Enter", Qt::Key_Return, Qt::NoModifier, 0};
const Key pageDown{"Page Down", Qt::Key_PageDown, Qt::NoModifier, 0};
const Key ctrlEnd{"Ctrl+End", Qt::Key_End, Qt::ControlModifier, 0};
const Key *const keys[] = {&typed, &backspace, &enter, &pageDown, &ctrlEnd};

class Bench
{
public:
    Bench(tolvan::app::TMainForm &form) : m_form(form), m_edit(*form.memo())
    {
        m_edit.viewport()->installEventFilter(&m_watch);
    }

    bool load(const QString &path)
    {
        m_edit.setModified(false);
        if (!m_form.documents()->LoadDocument(path))
            return false;
        settle();
        return true;
    }

    // Milliseconds from the key event to the end of its repaint. Never inlined, so that callgrind
    // can count one key's instructions: --toggle-collect='*Bench::press*'.
    [[gnu::noinline]] double press(const Key &key)
    {
        settle();
        m_watch.painted = false;
        QElapsedTimer t;
        t.start();
        if (key.text)
            QTest::keyClick(&m_edit, key.text, key.modifiers);
        else
            QTest::keyClick(&m_edit, key.key, key.modifiers);
        // Layout requests, update requests and the repaint are posted; a few passes handle
        // whatever one pass posts for the next.
        for (int pass = 0; pass < 4 && !m_watch.painted; ++pass) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        return elapsedMs(t);
    }

    // The caret at `pos`, shown; then as it would be if the user had been typing there.
    void placeCaret(qsizetype pos)
    {
        m_edit.setSelStart(pos);
        m_edit.ensureCursorVisible();
        settle();
    }

    EditControl &edit() { return m_edit; }

    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

private:
    tolvan::app::TMainForm &m_form;
    EditControl &m_edit;
    PaintWatch m_watch;
};

// Qt's own cost for one line: the line laid out afresh by QTextLayout, with the editor's font,
// wrapping and width, as the editor must after each change to it.
Stats lineLayout(const EditControl &edit, int runs)
{
    const QTextBlock block = edit.document()->firstBlock();
    const QString text = block.text();
    const QTextOption option = edit.document()->defaultTextOption();
    const qreal width = edit.viewport()->width() - 2 * edit.document()->documentMargin();
    return measure(runs, [&] {
        QElapsedTimer t;
        t.start();
        QTextLayout layout(text, edit.document()->defaultFont());
        layout.setTextOption(option);
        layout.setCacheEnabled(true);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(width);
        layout.endLayout();
        return elapsedMs(t);
    });
}

using Times = std::map<const Key *, std::vector<double>>;

// Every key at one place, `runs` times; each run leaves the text as it found it.
Times pageKeys(Bench &b, qsizetype pos, int runs)
{
    Times times;
    for (int run = 0; run < runs; ++run) {
        b.placeCaret(pos);
        times[&typed].push_back(b.press(typed));
        times[&backspace].push_back(b.press(backspace));
        times[&enter].push_back(b.press(enter));
        b.press(backspace);
        times[&pageDown].push_back(b.press(pageDown));
        b.placeCaret(pos);
        times[&ctrlEnd].push_back(b.press(ctrlEnd));
    }
    return times;
}

} // namespace

int main(int argc, char *argv[])
{
    int runs = 9;
    QStringList pages;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            pages << QString::fromLocal8Bit(argv[i]);
    }
    if (pages.size() != 5) {
        std::fprintf(stderr, "usage: keylatency [--runs N] PAGE-10K PAGE-1M PAGE-10M LINE-200K "
                             "LINE-2M\n");
        return 2;
    }

    // As the program starts: the same application values and fonts.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tolvan"));
    tolvan::platform::installFontSubstitutes();
    QApplication::setFont(tolvan::platform::designFont(QStringLiteral("MS Sans Serif"), 11));
    tolvan::platform::Application::setTitle(QStringLiteral("Tolvan v1.0"));

    tolvan::app::TMainForm form;
    form.show();
    form.activateWindow();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::fprintf(stderr, "keylatency: the window was never shown\n");
        return 1;
    }
    form.memo()->setFocus();
    Bench b(form);
    if (form.memo()->lineWrapMode() == QPlainTextEdit::NoWrap) {
        std::fprintf(stderr, "keylatency: word wrap is off\n");
        return 1;
    }

    heading("Keystroke latency, the main window on X, word wrap on: key event to the end of its "
            "repaint");
    const char *const labels[] = {"10 KB", "1 MB", "10 MB"};
    std::map<const Key *, Stats> base; // each key at the start of the 10 KB page
    std::vector<std::pair<QString, std::pair<const Key *, Stats>>> all;
    for (int p = 0; p < 3; ++p) {
        if (!b.load(pages[p])) {
            std::fprintf(stderr, "keylatency: cannot open %s\n", qPrintable(pages[p]));
            return 1;
        }
        // The start and end of the page, and the start of the line in its middle (a caret in
        // the middle of a line would make the figure depend on how that one line wraps).
        const EditControl &edit = b.edit();
        const qsizetype length = edit.textLength();
        const qsizetype middle = edit.fromDocumentPosition(
            edit.document()->findBlock(int(edit.toDocumentPosition(length / 2))).position());
        const std::pair<const char *, qsizetype> places[] = {
            {"start", 0}, {"middle", middle}, {"end", length}};
        for (const auto &[place, pos] : places) {
            Times times = pageKeys(b, pos, runs);
            for (const Key *key : keys) {
                const Stats s = statsOf(times[key]);
                if (p == 0 && pos == 0)
                    base[key] = s;
                all.push_back({QStringLiteral("%1, %2 %3")
                                   .arg(QLatin1String(key->name), QLatin1String(labels[p]),
                                        QLatin1String(place)),
                               {key, s}});
            }
        }
    }
    const QString against = QStringLiteral("10KB start");
    for (const Key *key : keys) {
        for (const auto &[what, figure] : all) {
            if (figure.first != key)
                continue;
            const Stats &s = figure.second;
            const bool big = what.contains(QLatin1String("10 MB"));
            row(what, s, against, base[key].median,
                big ? QStringLiteral("<=2x and <16ms") : QStringLiteral("<16ms"),
                s.median < 16 && (!big || s.median <= 2 * base[key].median));
        }
    }

    heading("Keystroke latency inside one long line (a minified page), caret in its middle");
    const char *const lineLabels[] = {"200 KB", "2 MB"};
    for (int p = 3; p < 5; ++p) {
        if (!b.load(pages[p])) {
            std::fprintf(stderr, "keylatency: cannot open %s\n", qPrintable(pages[p]));
            return 1;
        }
        const qsizetype middle = b.edit().textLength() / 2;
        Times times;
        for (int run = 0; run < runs; ++run) {
            b.placeCaret(middle);
            times[&typed].push_back(b.press(typed));
            times[&backspace].push_back(b.press(backspace));
        }
        const Stats qt = lineLayout(b.edit(), runs);
        row(QStringLiteral("QTextLayout alone, one line of %1")
                .arg(QLatin1String(lineLabels[p - 3])),
            qt, {}, 0);
        for (const Key *key : {&typed, &backspace}) {
            const Stats s = statsOf(times[key]);
            row(QStringLiteral("%1, one line of %2")
                    .arg(QLatin1String(key->name), QLatin1String(lineLabels[p - 3])),
                s, QStringLiteral("QTextLayout"), qt.median,
                p == 4 ? QStringLiteral("<50ms") : QString(), s.median < 50);
        }
    }
    form.memo()->setModified(false);
    return 0;
}
