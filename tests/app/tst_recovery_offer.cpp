// Work left unsaved by runs that ended without saving it, offered back at the next start
// through the real question boxes, and the page named on the command line meeting it.

#include "common/mainwindow.h"
#include "common/modal.h"
#include "platform/editcontrol.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

using tolvan::app::TMainForm;
using tolvan::document::RecoveryStore;
using tolvan::test::leaveCopy;

namespace {

// Answers the question boxes as they come, in order, each by a button's name, "Escape" or
// "close box"; the message of each box goes to `asked`.
void answerInTurn(QStringList answers, QStringList *asked)
{
    if (answers.isEmpty())
        return;
    const QString answer = answers.takeFirst();
    whenModalShown([answer, answers, asked](QWidget *box) {
        *asked << box->findChild<QWidget *>("Message")->accessibleName();
        answerInTurn(answers, asked);
        if (answer == "Escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else if (answer == "close box")
            box->close();
        else
            box->findChild<QPushButton *>(answer)->click();
    });
}

} // namespace

class RecoveryOfferTest : public QObject
{
    Q_OBJECT
    TMainForm *m_form = nullptr;
    QTemporaryDir m_dir;
    QStringList m_asked;

    QString text() const { return m_form->memo()->wholeText(); }

private Q_SLOTS:
    void init()
    {
        QDir(RecoveryStore::folder()).removeRecursively();
        m_asked.clear();
        QVERIFY((m_form = tolvan::test::firstRunWindow()));
    }
    void cleanup()
    {
        m_form->memo()->setModified(false); // let the window close without asking
        delete m_form;
        QCOMPARE(tolvan::test::windowLeftOpen(), QString());
    }

    // Two runs left copies, offered oldest first. Yes restores one and leaves the rest for a
    // later start; No discards the copy it names and offers the next; Cancel, Escape and the
    // close box keep every copy for the next start.
    void offer_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("restored");
        QTest::addColumn<QStringList>("left"); // copies of ended runs, after the offer
        const QString a = "/site/a.htm:lost\r\nwords", b = "/site/b.htm:text b";
        QTest::newRow("Yes") << QStringList{"Yes"} << "lost\r\nwords" << QStringList{b};
        QTest::newRow("No, Yes") << QStringList{"No", "Yes"} << "text b" << QStringList{};
        QTest::newRow("No, No") << QStringList{"No", "No"} << "" << QStringList{};
        for (const char *keep : {"Cancel", "Escape", "close box"})
            QTest::newRow(keep) << QStringList{keep} << "" << QStringList{a, b};
    }
    void offer()
    {
        QFETCH(QStringList, answers);
        QFETCH(QString, restored);
        leaveCopy("/site/a.htm", "lost\r\nwords", 2);
        leaveCopy("/site/b.htm", "text b", 1);
        answerInTurn(answers, &m_asked);
        m_form->offerRecovery();
        QCOMPARE(m_asked.size(), answers.size());
        for (int i = 0; i < m_asked.size(); ++i)
            QVERIFY2(m_asked[i].contains(i ? "/site/b.htm" : "/site/a.htm"), qPrintable(m_asked[i]));
        QCOMPARE(text(), restored);
        QCOMPARE(m_form->memo()->modified(), !restored.isEmpty());
        QVERIFY(m_form->windowTitle().endsWith(restored.isEmpty() ? "noname.html" : ".htm"));
        QStringList left;
        for (const auto &work : RecoveryStore::leftBehind())
            left << work.documentPath + ':' + work.text;
        left.sort();
        QTEST(left, "left");
        // The restored work is this run's copy now: moved, not doubled.
        if (!restored.isEmpty())
            QCOMPARE(RecoveryStore::read(m_form->recoveryFile())->text, restored);
    }

    // The page named on the command line after work was restored: the same page is not read
    // over the work; another page is opened only through the unsaved-changes guard.
    void start_pageNamedMeetsRestoredWork_data()
    {
        QTest::addColumn<QString>("named");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char *name, const char *named, QStringList answers,
                            const char *shown) {
            QTest::newRow(name) << QString(named) << answers << QString(shown);
        };
        row("the restored page", "page.htm", {"Yes"}, "restored");
        row("the restored page, spelled otherwise", "sub/../page.htm", {"Yes"}, "restored");
        row("another page, kept by Cancel", "other.htm", {"Yes", "Cancel"}, "restored");
        row("another page, work dropped by No", "other.htm", {"Yes", "No"}, "other on disk");
        row("nothing restored", "page.htm", {"No"}, "page on disk");
    }
    void start_pageNamedMeetsRestoredWork()
    {
        QFETCH(QString, named);
        QFETCH(QStringList, answers);
        const QString dir = QFileInfo(m_dir.path()).canonicalFilePath();
        QVERIFY(QDir(dir).mkpath("sub"));
        for (const char *name : {"page", "other"}) {
            QFile file(dir + '/' + name + ".htm");
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(name + QByteArray(" on disk")));
        }
        leaveCopy(dir + "/page.htm", "restored");
        answerInTurn(answers, &m_asked);
        m_form->startWith(dir + '/' + named);
        QCOMPARE(m_asked.size(), answers.size());
        QTEST(text(), "shown");
    }
};

QObject *makeRecoveryOfferTest() { return new RecoveryOfferTest; }

#include "tst_recovery_offer.moc"
