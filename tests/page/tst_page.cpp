#include "app/mainform.h"
#include "browser/directorylistbox.h"
#include "common/files.h"
#include "common/hermetic.h"
#include "common/mainwindow.h"
#include "common/modal.h"
#include "document/documents.h"
#include "page/markupcheck.h"
#include "page/preview.h"
#include "platform/application.h"
#include "platform/editcontrol.h"
#include "settings/settings.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

using tolvan::app::TMainForm;
using tolvan::page::MarkupMessage;
using tolvan::test::readAll;
using tolvan::test::writeAll;

Q_DECLARE_METATYPE(std::vector<MarkupMessage>)

class PageTest : public QObject
{
    Q_OBJECT
    TMainForm *m_form = nullptr;
    QTemporaryDir m_runtime; // stands for $XDG_RUNTIME_DIR
    QTemporaryDir *m_dir = nullptr;

    tolvan::platform::EditControl *memo() const { return m_form->memo(); }

    // $BROWSER: a script that does what body says with the address in $1.
    void useBrowser(const QByteArray &body) const
    {
        const QString browser = m_dir->path() + "/browser.sh";
        QVERIFY(writeAll(browser, "#!/bin/sh\n" + body + "\n"));
        QFile::setPermissions(browser, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("BROWSER", QFile::encodeName(browser));
    }

    // The addresses the recording browser was given, one a line.
    QString recorded() const
    {
        const QString urls = m_dir->path() + "/urls";
        return QFile::exists(urls) ? QString::fromUtf8(readAll(urls)) : QString();
    }

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path())); }

    void init()
    {
        QDir::setCurrent(tolvan::test::hermeticHome().path());
        m_dir = new QTemporaryDir;
        useBrowser("echo \"$1\" >>\"$(dirname \"$0\")/urls\""); // writes down each address
        QVERIFY((m_form = tolvan::test::firstRunWindow()));
    }
    void cleanup()
    {
        delete m_form;
        delete m_dir;
        // Every preview copy goes with the window.
        QCOMPARE(QDir(m_runtime.path()).entryList(QDir::Files), QStringList());
    }

    void checkMarkup_listsEachProblem_data()
    {
        QTest::addColumn<QString>("body"); // the third line of a small page
        QTest::addColumn<std::vector<MarkupMessage>>("expected");
        const auto row = [](const char *name, const char *body,
                            std::vector<MarkupMessage> expected) {
            QTest::newRow(name) << QString(body) << expected;
        };
        row("unclosed at the end", "<p><b>bold", {{3, 4, "Warning: missing </b> before </body>"}});
        row("misnested", "<p><b><i>x</b></i></p>",
            {{3, 7, "Warning: replacing unexpected b with </b>"},
             {3, 15, "Warning: inserting implicit <i>"},
             {3, 15, "Warning: trimming empty <i>"}});
        row("image without alt", "<p>\t<img src=\"a.png\"></p>",
            {{3, 5, "Warning: <img> lacks \"alt\" attribute"}});
        // Found only while Tidy repairs the page.
        row("obsolete element", "<p><blink>x</blink></p>",
            {{3, 4, "Warning: <blink> is not approved by W3C"}});
        row("unknown element", "<p><frob>x</frob></p>",
            {{3, 4, "Error: <frob> is not recognized!"},
             {3, 4, "Warning: discarding unexpected <frob>"},
             {3, 11, "Warning: discarding unexpected </frob>"}});
        row("clean", "<p>fish &amp; chips <img src=\"a.png\" alt=\"a\"></p>", {});
    }
    void checkMarkup_listsEachProblem()
    {
        QFETCH(QString, body);
        const QString page = "<!DOCTYPE html>\r\n<html><head><title>t</title></head><body>\r\n" +
                             body + "\r\n</body></html>\r\n";
        QTEST(tolvan::page::checkMarkup(page), "expected");
    }

    // Before the first element a page may hold, or nowhere when the page has a base of its own.
    void baseInsertionPoint_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("before"); // what follows the <base>; "-" for no <base>
        const auto row = [](const char *name, const QString &page, const char *before) {
            QTest::newRow(name) << page << QString(before);
        };
        row("no markup", "Hello", "Hello");
        row("doctype, html, head, meta",
            "<!-- c --><!DOCTYPE html>\n<HTML lang=en>\n<head>\n<meta charset=\"utf-8\">\n"
            "<title>t</title>",
            "\n<title>t</title>");
        row("byte-order mark", QChar(0xFEFF) + QString("<p>x"), "<p>x");
        row("header is no head", "<html><header>x", "<header>x");
        row("unended comment", "<html><!-- x", "<!-- x");
        row("own base", "<head><title>t</title><BASE target=_top href=\"/x/\">", "-");
    }
    void baseInsertionPoint()
    {
        QFETCH(QString, page);
        QFETCH(QString, before);
        const QString shown = tolvan::page::withBase(page, "/a b&c");
        QCOMPARE(shown, before == "-" ? page
                                      : page.chopped(before.size()) +
                                            "<base href=\"file:///a%20b&amp;c/\">" + before);
    }

    // F7 lists the problems and focuses the list; Enter on an entry takes the caret to the
    // character Tidy named (a character beyond the BMP before it, lines ended by CR LF), and
    // leaves the text, its modified flag and its undo history as they were. A second F7
    // refreshes the open window; after Escape a third opens it where it stood.
    void checkMarkup_enterMovesCaret()
    {
        const QString head = "<!DOCTYPE html>\r\n<html><head><title>t</title></head><body>\r\n";
        memo()->setWholeText(head + "<p>\U0001F600 <img src=y></p>\r\n</body></html>\r\n");
        memo()->setModified(true);
        const QString text = memo()->wholeText();
        const int undo = memo()->document()->availableUndoSteps();
        QPoint place;
        for (int round = 0; round < 3; ++round) {
            memo()->setSelStart(0);
            QTest::keyClick(m_form, Qt::Key_F7);
            auto *list = m_form->findChild<QTreeWidget *>("MarkupList");
            QVERIFY(list && list->isVisible());
            QTRY_VERIFY(list->hasFocus());
            const auto *summary = m_form->findChild<QLabel *>("MarkupSummary");
            QCOMPARE(summary->text(), "1 problem was found in the markup:");
            QVERIFY(summary->geometry().bottom() < list->geometry().top()); // above, not on it
            place = round ? place : list->window()->pos();
            QCOMPARE(list->window()->pos(), place);
            QTest::keyClick(list, Qt::Key_Return);
            QCOMPARE(memo()->selStart(), head.size() + 6);
            QVERIFY(list->window()->isVisible()); // it stays open while editing
            QTRY_VERIFY(memo()->hasFocus());
            if (round == 1)
                QTest::keyClick(list, Qt::Key_Escape);
            QCOMPARE(list->window()->isVisible(), round != 1);
        }
        QCOMPARE(memo()->wholeText(), text);
        QVERIFY(memo()->modified());
        QCOMPARE(memo()->document()->availableUndoSteps(), undo);
        m_form->findChild<QWidget *>("MarkupCheckDlg")->close();
    }

    // The copy holds the bytes Save writes for the same text, with a <base> for the page's own
    // folder (or the side panel's for an untitled page); a character the page's encoding cannot
    // hold makes it UTF-8 with a byte-order mark rather than failing.
    void preview_bytesOfSave_data()
    {
        QTest::addColumn<QByteArray>("onDisk"); // empty: an untitled page
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("asUtf8");
        QTest::newRow("UTF-8") << QByteArray("<p>caf\xc3\xa9</p>\n<p>x") << "\u00A0y" << false;
        QTest::newRow("Windows-1252")
            << QByteArray("<p>caf\xe9\xa0\x80</p>\r\n<p>x") << "\u20ACy" << false;
        QTest::newRow("Windows-1252, unencodable")
            << QByteArray("<p>caf\xe9</p>\r\n<p>x") << "\u0101" << true;
        QTest::newRow("untitled") << QByteArray() << "<p><img src=a.png>" << false;
    }
    void preview_bytesOfSave()
    {
        QFETCH(QByteArray, onDisk);
        QFETCH(QString, typed);
        QFETCH(bool, asUtf8);
        const QString folder = m_dir->path() + "/site";
        QDir().mkpath(folder);
        if (onDisk.isEmpty())
            m_form->findChild<tolvan::browser::TDirectoryListBox *>()->setDirectory(folder);
        else
            QVERIFY(writeAll(folder + "/page.htm", onDisk) &&
                    m_form->documents()->LoadDocument(folder + "/page.htm"));
        memo()->moveCursor(QTextCursor::End);
        memo()->replaceSelection(typed);
        const QString text = memo()->wholeText();

        QTest::keyClick(m_form, Qt::Key_F9);
        QTRY_VERIFY(!recorded().isEmpty());
        const QString copy = QUrl(recorded().trimmed()).toLocalFile();
        QCOMPARE(QFileInfo(copy).absolutePath(), m_runtime.path());
        QCOMPARE(QFile::permissions(copy),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QByteArray shown = readAll(copy);
        const QByteArray base =
            "<base href=\"" + QUrl::fromLocalFile(folder + "/").toEncoded() + "\">";
        QVERIFY(shown.contains(base));
        shown.remove(shown.indexOf(base), base.size());
        if (asUtf8) {
            QCOMPARE(shown, "\xEF\xBB\xBF" + memo()->fileText().toUtf8());
        } else {
            QVERIFY(m_form->documents()->SaveDocument(folder + "/saved.htm"));
            QCOMPARE(shown, readAll(folder + "/saved.htm"));
        }
        QCOMPARE(memo()->wholeText(), text);

        // A second preview rewrites the same copy (which cleanup sees go with the window).
        memo()->replaceSelection("z");
        QTest::keyClick(m_form, Qt::Key_F9);
        QTRY_COMPARE(recorded().count('\n'), 2);
        QVERIFY(readAll(copy).contains("z"));
    }

    // A real browser shows the unsaved edit with the image and stylesheet beside the page,
    // which the file on disk does not hold yet.
    void preview_realBrowserLoadsNeighbours()
    {
        if (QStandardPaths::findExecutable("chromium").isEmpty())
            QSKIP("chromium is not installed (scripts/install-deps.sh installs it)");
        const QString folder = m_dir->path() + "/site";
        QDir().mkpath(folder);
        QImage(4, 3, QImage::Format_RGB32).save(folder + "/pic.png");
        QVERIFY(writeAll(folder + "/style.css", "p { color: rgb(1, 2, 3) }\n") &&
                writeAll(folder + "/index.html", "<p>saved</p>\n"));
        QVERIFY(m_form->documents()->LoadDocument(folder + "/index.html"));
        memo()->setWholeText(
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
            "<link rel=\"stylesheet\" href=\"style.css\"></head>\n"
            "<body onload=\"document.body.dataset.seen = 'image ' + "
            "document.images[0].naturalWidth + 'x' + document.images[0].naturalHeight + "
            "', ' + getComputedStyle(document.querySelector('p')).color\">\n"
            "<p>unsaved edit \u00E9</p><img src=\"pic.png\" alt=\"\"></body></html>\n");
        memo()->setModified(true);
        useBrowser("chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                   "--disable-background-networking --disable-component-update --disable-sync "
                   "--user-data-dir=\"$(mktemp -d)\" --dump-dom \"$1\" "
                   ">\"$(dirname \"$0\")/dom.part\" 2>/dev/null && "
                   "mv \"$(dirname \"$0\")/dom.part\" \"$(dirname \"$0\")/dom.html\"");
        QTest::keyClick(m_form, Qt::Key_F9);
        const QString dom = m_dir->path() + "/dom.html";
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dom), 90000);
        const QString seen = QString::fromUtf8(readAll(dom));
        QVERIFY2(seen.contains("unsaved edit \u00E9"), qPrintable(seen));
        QVERIFY2(seen.contains("data-seen=\"image 4x3, rgb(1, 2, 3)\""), qPrintable(seen));
    }

    void preview_noBrowser_saysSoAndLeavesNothing()
    {
        qputenv("BROWSER", "/nonexistent/browser --new-tab");
        memo()->replaceSelection("<p>x");
        QString said;
        whenModalShown([&](QWidget *box) {
            said = box->findChild<QLabel *>("qt_msgbox_label")->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QTest::keyClick(m_form, Qt::Key_F9);
        QTRY_COMPARE(said, "Cannot start the web browser named in BROWSER "
                           "(/nonexistent/browser --new-tab).");
        QCOMPARE(memo()->wholeText(), "<p>x");
        QCOMPARE(QDir(m_runtime.path()).entryList(QDir::Files), QStringList()); // none left
    }
};

TOLVAN_TEST_MAIN(PageTest)

#include "tst_page.moc"
