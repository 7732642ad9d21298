// tolvan_bench: the in-process benchmarks. Each figure is timed on the project's own libraries,
// several runs, and printed beside a comparison measured in the same run, so that a slow
// machine shows as a slow machine and not as a regression.
//
//   tolvan_bench [--quick]                 runs every benchmark (needs a Qt platform; offscreen
//                                          is enough) and prints one table row per figure
//   tolvan_bench --make-page BYTES PATH    writes a generated HTML page of about BYTES bytes
//   tolvan_bench --make-line BYTES PATH    the same page minified: one line, no line breaks
//   tolvan_bench --make-folder N PATH      fills PATH with N empty files with generated names
//
// Timing stops once the events an operation posted (relayout, repaint) have been handled, so
// what is measured is what the user waits for, not only the function call.

#include "browser/filelistbox.h"
#include "document/documents.h"
#include "editing/search.h"
#include "editing/searchdialogs.h"
#include "markup/markup.h"
#include "page/markupcheck.h"
#include "platform/editcontrol.h"
#include "platform/fonts.h"
#include "table.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

using tolvan::platform::EditControl;
using namespace tolvan::bench;

namespace {

// Handles what the last operation posted: layout, update requests, the repaint.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// ---- generated material ------------------------------------------------------------------

// A fixed pseudo-random sequence, so every run and every machine gets the same pages.
class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed) {}
    quint32 next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(m_state >> 33);
    }
    int below(int n) { return int(next() % quint32(n)); }

private:
    quint64 m_state;
};

const char *const words[] = {
    "the",     "page",   "garden", "river",   "window", "letter", "market", "station", "winter",
    "summer",  "orange", "pencil", "harbour", "ladder", "copper", "meadow", "lantern", "thread",
    "village", "bridge", "cellar", "kitchen", "silver", "morning", "candle", "forest", "island",
    "a",       "of",     "and",    "to",      "in",     "is",     "with",   "for",     "on",
};
constexpr int wordCount = int(sizeof words / sizeof *words);
// The word Find Next looks for: common enough to be near any caret, rare enough to be a search.
const QString needle = QStringLiteral("quartz");

// An HTML page as people write it by hand: short lines, paragraphs, headings, lists, CR LF.
QByteArray makePage(qint64 bytes)
{
    Random random(0x70a9e);
    QByteArray out;
    out.reserve(bytes + 4096);
    out += "<HTML>\r\n<HEAD>\r\n<TITLE>A generated page</TITLE>\r\n</HEAD>\r\n<BODY>\r\n";
    int section = 0;
    while (out.size() < bytes) {
        out += "<H2>Section " + QByteArray::number(++section) + "</H2>\r\n";
        for (int paragraph = 0; paragraph < 4 && out.size() < bytes; ++paragraph) {
            out += "<P>";
            const int lines = 3 + random.below(5);
            for (int l = 0; l < lines; ++l) {
                QByteArray line;
                while (line.size() < 50 + random.below(25)) {
                    if (!line.isEmpty())
                        line += ' ';
                    const int pick = random.below(wordCount + 6);
                    if (pick == wordCount)
                        line += "<B>" + QByteArray(words[random.below(wordCount)]) + "</B>";
                    else if (pick == wordCount + 1)
                        line += "<A HREF=\"page" + QByteArray::number(random.below(100)) +
                                ".htm\">link</A>";
                    else if (pick == wordCount + 2 && l == 1)
                        line += needle.toLatin1();
                    else
                        line += words[pick % wordCount];
                }
                out += line + "\r\n";
            }
            out += "</P>\r\n";
        }
        out += "<UL>\r\n<LI>" + QByteArray(words[random.below(wordCount)]) + "\r\n<LI>" +
               QByteArray(words[random.below(wordCount)]) + "\r\n</UL>\r\n";
    }
    out += "</BODY>\r\n</HTML>\r\n";
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// N empty files whose names mix letter case, digits and extensions, so that the listing has
// real sorting to do, and a few hidden files and folders that it must leave out.
bool makeFolder(int files, const QString &path)
{
    if (!QDir().mkpath(path))
        return false;
    Random random{quint64(files)};
    const char *const extensions[] = {".htm", ".html", ".txt", ".HTM", ".gif", ".css", ".exe"};
    const QByteArray dir = QFile::encodeName(path);
    for (int i = 0; i < files; ++i) {
        QByteArray name(words[random.below(wordCount)]);
        if (random.below(3) == 0)
            name[0] = char(std::toupper(static_cast<unsigned char>(name[0])));
        name += '-' + QByteArray::number(i * 7919 % (files * 10 + 1)) +
                extensions[random.below(int(std::size(extensions)))];
        const int fd = ::open((dir + '/' + name).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    QDir(path).mkdir(QStringLiteral("subfolder"));
    writeFile(path + QStringLiteral("/.hidden"), {});
    return true;
}

// ---- a host for the document commands ----------------------------------------------------

class BenchHost : public tolvan::document::DocumentHost
{
public:
    explicit BenchHost(EditControl &edit) : m_edit(edit) {}
    EditControl &editor() override { return m_edit; }
    QString directory() const override { return QDir::currentPath(); }
    QString fileNameText() const override { return {}; }
    void updateFileList() override {}
    void repaintFileList() override {}
    void setCaption(const QString &) override {}

private:
    EditControl &m_edit;
};

class NoQuestions : public tolvan::document::DocumentQuestions
{
public:
    SaveChanges askSaveChanges() override { return SaveChanges::No; }
    std::optional<QString> askSaveName() override { return std::nullopt; }
    std::optional<QString> askOpenName(const QString &) override { return std::nullopt; }
    bool askSaveAsUtf8(const tolvan::document::Utf8Question &) override { return true; }
    void showMessage(const QString &text) override
    {
        std::fprintf(stderr, "tolvan_bench: unexpected message: %s\n", qPrintable(text));
        std::exit(1);
    }
};

// The editor as the main window holds it: its size, font and colours.
struct EditorWindow
{
    QWidget window;
    EditControl *edit;
    QPlainTextEdit *plain; // the comparison: Qt's own editor, same size and font

    EditorWindow()
    {
        window.resize(642, 565);
        auto *layout = new QVBoxLayout(&window);
        edit = new EditControl(&window);
        edit->setTextFont(tolvan::platform::designFont(QStringLiteral("Courier New"), 13),
                          Qt::yellow);
        edit->setBackgroundColor(QColor(0, 64, 128));
        plain = new QPlainTextEdit(&window);
        plain->setFont(edit->font());
        layout->addWidget(edit);
        layout->addWidget(plain);
        window.show();
        for (int i = 0; i < 5; ++i)
            settle();
    }
};

// ---- the benchmarks ----------------------------------------------------------------------

struct Place
{
    const char *name;
    qsizetype at; // editor position of a needle
};

// The needle nearest the start, the middle and the end of the text.
std::vector<Place> placesIn(const QString &text)
{
    return {{"start", text.indexOf(needle)},
            {"middle", text.indexOf(needle, text.size() / 2)},
            {"end", text.lastIndexOf(needle)}};
}

struct EditFigures
{
    Stats bold, find;
};

void editingBenchmarks(EditorWindow &w, int runs)
{
    heading("In-process: one markup command (Bold) and one Find Next, by document size and place");
    const Stats *bold10kStart = nullptr;
    const Stats *find10kStart = nullptr;
    std::vector<std::pair<QString, EditFigures>> all;
    all.reserve(9);
    tolvan::editing::SearchCommands search(w.edit, &w.window);
    search.findDialog()->setFindText(needle);
    const tolvan::markup::Command &bold =
        *tolvan::markup::commandFor(QStringLiteral("BoldButtonClick"));

    for (const auto &[label, bytes] :
         {std::pair{"10 KB", 10 * 1024}, {"1 MB", 1 << 20}, {"10 MB", 10 << 20}}) {
        const QString text = QString::fromLatin1(makePage(bytes));
        w.edit->setWholeText(text);
        settle();
        for (const Place &place : placesIn(text)) {
            EditFigures f;
            // Bold on the needle at this place, then undone outside the timing.
            f.bold = measure(runs, [&] {
                w.edit->setSelStart(place.at);
                w.edit->setSelLength(needle.size());
                settle();
                QElapsedTimer t;
                t.start();
                tolvan::markup::run(*w.edit, bold);
                settle();
                const double elapsed = elapsedMs(t);
                w.edit->undo();
                settle();
                return elapsed;
            });
            // Find Next from a little before the needle, as from a caret in the text.
            const qsizetype from = std::max<qsizetype>(place.at - 300, 0);
            f.find = measure(runs, [&] {
                w.edit->setSelStart(from);
                w.edit->setSelLength(0);
                settle();
                QElapsedTimer t;
                t.start();
                search.FindDlgFind();
                settle();
                const double elapsed = elapsedMs(t);
                if (w.edit->selStart() != w.edit->findText(needle, from, -1, {})) {
                    std::fprintf(stderr, "tolvan_bench: Find Next went astray\n");
                    std::exit(1);
                }
                return elapsed;
            });
            all.emplace_back(QStringLiteral("%1 %2").arg(QLatin1String(label),
                                                         QLatin1String(place.name)),
                             f);
        }
    }
    bold10kStart = &all.front().second.bold;
    find10kStart = &all.front().second.find;
    const QString base = QStringLiteral("10KB start");
    for (const auto &[where, f] : all) {
        const bool last = where == QLatin1String("10 MB end");
        row(QStringLiteral("Bold, ") + where, f.bold, base, bold10kStart->median,
            last ? QStringLiteral("<=2x and <16ms") : QStringLiteral("<16ms"),
            f.bold.median < 16 && (!last || f.bold.median <= 2 * bold10kStart->median));
    }
    for (const auto &[where, f] : all) {
        const bool last = where == QLatin1String("10 MB end");
        row(QStringLiteral("Find Next, ") + where, f.find, base, find10kStart->median,
            last ? QStringLiteral("<=2x and <16ms") : QStringLiteral("<16ms"),
            f.find.median < 16 && (!last || f.find.median <= 2 * find10kStart->median));
    }
}

void selectAllBold(EditorWindow &w, int runs)
{
    heading("In-process: Select All, then Bold, on 10 MB");
    const QString text = QString::fromLatin1(makePage(10 << 20));
    const tolvan::markup::Command &bold =
        *tolvan::markup::commandFor(QStringLiteral("BoldButtonClick"));
    const Stats ours = measure(runs, [&] {
        w.edit->setWholeText(text);
        settle();
        QElapsedTimer t;
        t.start();
        w.edit->selectAll();
        tolvan::markup::run(*w.edit, bold);
        settle();
        const double elapsed = elapsedMs(t);
        w.edit->clearText();
        settle();
        return elapsed;
    });
    // Qt's own editor doing the same through its own calls.
    const QString lf = tolvan::platform::toEditorBreaks(text);
    const Stats plain = measure(runs, [&] {
        w.plain->setPlainText(lf);
        settle();
        QElapsedTimer t;
        t.start();
        w.plain->selectAll();
        QTextCursor c = w.plain->textCursor();
        c.insertText(QStringLiteral("<B>") + c.selectedText() + QStringLiteral("</B>"));
        w.plain->setTextCursor(c);
        settle();
        const double elapsed = elapsedMs(t);
        w.plain->clear();
        settle();
        return elapsed;
    });
    row(QStringLiteral("Select All + Bold, 10 MB"), ours, QStringLiteral("QPlainTextEdit"),
        plain.median);
}

void loadAndSave(EditorWindow &w, const QString &folder, int runs)
{
    heading("In-process: loading and saving 10 MB");
    const QString page = folder + QStringLiteral("/page10m.htm");
    const QString saved = folder + QStringLiteral("/saved10m.htm");
    writeFile(page, makePage(10 << 20));
    BenchHost host(*w.edit);
    NoQuestions questions;
    tolvan::document::DocumentCommands documents(host, questions);

    const Stats load = measure(runs, [&] {
        w.edit->clearText();
        settle();
        QElapsedTimer t;
        t.start();
        documents.LoadDocument(page);
        settle();
        return elapsedMs(t);
    });
    const Stats plainLoad = measure(runs, [&] {
        w.plain->clear();
        settle();
        QElapsedTimer t;
        t.start();
        QFile f(page);
        f.open(QIODevice::ReadOnly);
        w.plain->setPlainText(QString::fromUtf8(f.readAll()));
        settle();
        return elapsedMs(t);
    });
    row(QStringLiteral("Load 10 MB (DocumentCommands)"), load,
        QStringLiteral("QFile+setPlainText"), plainLoad.median);

    const Stats save = measure(runs, [&] {
        QFile::remove(saved);
        QElapsedTimer t;
        t.start();
        documents.SaveDocument(saved);
        return elapsedMs(t);
    });
    const Stats plainSave = measure(runs, [&] {
        QFile::remove(saved);
        QElapsedTimer t;
        t.start();
        QSaveFile f(saved);
        f.open(QIODevice::WriteOnly);
        f.write(w.plain->toPlainText().toUtf8());
        f.commit();
        return elapsedMs(t);
    });
    row(QStringLiteral("Save 10 MB (DocumentCommands)"), save,
        QStringLiteral("toPlainText+QSaveFile"), plainSave.median);
    w.edit->clearText();
    w.plain->clear();
    QFile::remove(saved);
    QFile::remove(page);
}

// Wall time of a shell pipeline, start to exit.
double timeShell(const QByteArray &command)
{
    const char *argv[] = {"/bin/sh", "-c", command.constData(), nullptr};
    QElapsedTimer t;
    t.start();
    pid_t pid = 0;
    if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char **>(argv), environ) != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return elapsedMs(t);
}

void folderListing(const QString &folder, int runs, bool quick)
{
    heading("In-process: a folder read into the file list (browser::TFileListBox)");
    const QString back = QDir::currentPath();
    for (const int files : {1000, 10000, 100000}) {
        if (quick && files > 10000)
            break;
        // The list enters the folders it reads; the last one is gone by now.
        QDir::setCurrent(folder);
        const QString dir = folder + QStringLiteral("/files%1").arg(files);
        if (!makeFolder(files, dir)) {
            std::fprintf(stderr, "tolvan_bench: cannot make %s\n", qPrintable(dir));
            std::exit(1);
        }
        const int repeat = files >= 100000 ? std::max(3, runs / 2) : runs;
        const auto listing = [&](const QString &mask) {
            return measure(repeat, [&] {
                auto *list = new tolvan::browser::TFileListBox;
                list->resize(145, 177);
                list->setMask(mask);
                list->setDirectory(dir);
                QElapsedTimer t;
                t.start();
                list->show(); // the list reads its folder once shown
                settle();
                const double elapsed = elapsedMs(t);
                if (list->count() != files) {
                    std::fprintf(stderr, "tolvan_bench: listed %d of %d files\n", list->count(),
                                 files);
                    std::exit(1);
                }
                delete list;
                return elapsed;
            });
        };
        const QByteArray command = "find '" + QFile::encodeName(dir) +
                                   "' -maxdepth 1 -type f | sort >/dev/null";
        const Stats baseline = measure(repeat, [&] { return timeShell(command); });
        const bool judged = files == 100000;
        const Stats all = listing(QStringLiteral("*.*"));
        row(QStringLiteral("File list, %1 files, *.*").arg(files), all, QStringLiteral("find|sort"),
            baseline.median, judged ? QStringLiteral("<=3x") : QString(),
            all.median <= 3 * baseline.median);
        // Several patterns, each read on its own and merged into the names already listed: no
        // target of its own (the folder is read once per pattern), but a list that grew by
        // inserting rows into its middle showed here first.
        const Stats merged = listing(QStringLiteral("*.htm;*.txt;*.gif;*.css;*.exe"));
        row(QStringLiteral("File list, %1 files, 5 patterns").arg(files), merged,
            QStringLiteral("find|sort"), baseline.median);
        QDir(dir).removeRecursively();
    }
    QDir::setCurrent(back);
}

} // namespace

// Check Markup on a 1 MB page: HTML Tidy reads, repairs and diagnoses it.
void markupCheck(int runs)
{
    heading("Check Markup");
    const QString page = QString::fromLatin1(makePage(1 << 20));
    size_t found = 0;
    const Stats s = measure(runs, [&] {
        QElapsedTimer t;
        t.start();
        found = tolvan::page::checkMarkup(page).size();
        return elapsedMs(t);
    });
    row(QStringLiteral("check a 1 MB page (%1 messages)").arg(found), s, {}, 0,
        QStringLiteral("< 1000"), s.median < 1000);
}

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--make-page") == 0)
        return writeFile(QString::fromLocal8Bit(argv[3]), makePage(std::atoll(argv[2]))) ? 0 : 1;
    if (argc == 4 && qstrcmp(argv[1], "--make-line") == 0)
        return writeFile(QString::fromLocal8Bit(argv[3]),
                         makePage(std::atoll(argv[2])).replace("\r\n", ""))
                   ? 0
                   : 1;
    if (argc == 4 && qstrcmp(argv[1], "--make-folder") == 0)
        return makeFolder(std::atoi(argv[2]), QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    // --quick: fewer runs and no 100,000-file folder; --only SECTION: one of edit, selectall,
    // file, folder, markup.
    bool quick = false;
    QByteArray only;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (qstrcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = argv[++i];
    }
    const auto wanted = [&](const char *section) { return only.isEmpty() || only == section; };

    // The offscreen platform cannot raise windows (Find Next asks it to) nor pass on size
    // hints; that is no news.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (!text.contains(QLatin1String("This plugin does not support")))
            std::fprintf(stderr, "%s%s\n", type == QtDebugMsg ? "" : "qt: ", qPrintable(text));
    });
    QApplication app(argc, argv);
    tolvan::platform::installFontSubstitutes();
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;

    std::printf("%-44s %9s %9s %9s   %-32s %7s   %s\n", "figure (milliseconds)", "median", "min",
                "max", "comparison (median)", "ratio", "target");
    EditorWindow w;
    if (wanted("edit"))
        editingBenchmarks(w, quick ? 3 : 9);
    if (wanted("selectall"))
        selectAllBold(w, 3);
    if (wanted("file"))
        loadAndSave(w, folder.path(), quick ? 3 : 5);
    if (wanted("folder"))
        folderListing(folder.path(), quick ? 3 : 5, quick);
    if (wanted("markup"))
        markupCheck(quick ? 3 : 5);
    return 0;
}
