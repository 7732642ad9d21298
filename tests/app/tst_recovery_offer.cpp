// Work left unsaved by a run that ended without saving it, offered back at the next start
// through the real question boxes: what each answer does with the copy, several copies over
// several starts, and the page named on the command line meeting restored work.

#include "app/mainform.h"
#include "common/modal.h"
#include "document/recovery.h"
#include "help/aboutbox.h"
#include "help/quickhelp.h"
#include "platform/editcontrol.h"
#include "settings/settings.h"

#include <QDateTime>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

using tolvan::app::TMainForm;
using namespace tolvan::document;

namespace {

// A copy as a process that has since ended left it, minutesAgo.
RecoveryStore leaveCopy(const QString &page, const QString &text, int minutesAgo = 1)
{
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    RecoveryStore store(gone);
    store.save(page, Encoding::Utf8, text);
    QFile copy(store.file());
    if (copy.open(QIODevice::ReadWrite))
        copy.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutesAgo),
                         QFileDevice::FileModificationTime);
    return store;
}

// Answers the question boxes as they come, in order, each by a button's name, "Escape" or
// "close box"; the message of each box goes to `asked`.
void answerInTurn(QStringList answers, QStringList *asked)
{
    if (answers.isEmpty())
        return;
    const QString answer = answers.takeFirst();
    whenModalShown([answer, answers, asked](QWidget *box) {
        if (QWidget *message = box->findChild<QWidget *>("Message"))
            *asked << message->accessibleName();
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

    void startForm()
    {
        m_form = new TMainForm;
        m_form->setInformationWindows(new tolvan::help::TAboutBox(m_form),
                                      new tolvan::help::TfrmQuickHelp(m_form));
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
    }
    QString text() const { return m_form->memo()->wholeText(); }

private Q_SLOTS:
    void init()
    {
        QFile::remove(tolvan::settings::settingsFilePath());
        QDir(RecoveryStore::folder()).removeRecursively();
        m_asked.clear();
        startForm();
    }
    void cleanup()
    {
        m_form->memo()->setModified(false); // let the window close without asking
        delete m_form;
        for (QWidget *window : QApplication::topLevelWidgets())
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
    }

    // Only Yes and No decide: Escape, the close box and Cancel keep the copy for the next start.
    void offer_onlyYesAndNoDecide_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("restored");
        QTest::addColumn<bool>("copyKept"); // the old copy, or this run's copy of the work
        QTest::newRow("Yes") << "Yes" << true << true;
        QTest::newRow("No") << "No" << false << false;
        QTest::newRow("Cancel") << "Cancel" << false << true;
        QTest::newRow("Escape") << "Escape" << false << true;
        QTest::newRow("close box") << "close box" << false << true;
    }
    void offer_onlyYesAndNoDecide()
    {
        QFETCH(QString, answer);
        QFETCH(bool, restored);
        QFETCH(bool, copyKept);
        const RecoveryStore old = leaveCopy("/site/page.htm", "lost\r\nwords");
        answerInTurn({answer}, &m_asked);
        m_form->offerRecovery();
        QCOMPARE(m_asked.size(), 1);
        QCOMPARE(text(), restored ? "lost\r\nwords" : "");
        QCOMPARE(m_form->memo()->modified(), restored);
        const QString copy = restored ? m_form->recoveryFile() : old.file();
        QCOMPARE(QFile::exists(copy), copyKept);
        if (copyKept)
            QCOMPARE(RecoveryStore::read(copy)->text, "lost\r\nwords");
        if (restored)
            QVERIFY(!QFile::exists(old.file())); // moved, not doubled
    }

    // Three windows crashed: one copy restored per start, No discards only the copy it names,
    // and the rest wait for a later start.
    void offer_severalCopiesOverSeveralStarts()
    {
        leaveCopy("/site/a.htm", "text a", 3); // offered oldest first
        leaveCopy("/site/b.htm", "text b", 2);
        leaveCopy("/site/c.htm", "text c", 1);
        QStringList restored;
        for (const QStringList &answers :
             {QStringList{"Escape"}, QStringList{"Yes"}, QStringList{"No", "Yes"}}) {
            answerInTurn(answers, &m_asked);
            m_form->offerRecovery();
            restored << text();
            m_form->memo()->setModified(false); // saved, as far as the copies go
            delete m_form;
            startForm();
        }
        QCOMPARE(restored.join(u'|'), "|text a|text c");
        QCOMPARE(m_asked.size(), 4);
        QVERIFY(m_asked[2].contains("/site/b.htm"));
        QCOMPARE(RecoveryStore::leftBehind().size(), 0);
    }

    // The page named on the command line after work was restored: the same page is not read
    // over the work; another page is opened only through the unsaved-changes guard.
    void start_pageNamedMeetsRestoredWork_data()
    {
        QTest::addColumn<QString>("named");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("shown");
        QTest::newRow("the restored page") << "page.htm" << QStringList{"Yes"} << "restored";
        QTest::newRow("the restored page, spelled otherwise")
            << "sub/../page.htm" << QStringList{"Yes"} << "restored";
        QTest::newRow("another page, kept by Cancel")
            << "other.htm" << QStringList{"Yes", "Cancel"} << "restored";
        QTest::newRow("another page, work dropped by No")
            << "other.htm" << QStringList{"Yes", "No"} << "other on disk";
        QTest::newRow("nothing restored") << "page.htm" << QStringList{"No"} << "page on disk";
    }
    void start_pageNamedMeetsRestoredWork()
    {
        QFETCH(QString, named);
        QFETCH(QStringList, answers);
        QFETCH(QString, shown);
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
        QCOMPARE(text(), shown);
    }
};

QObject *makeRecoveryOfferTest()
{
    return new RecoveryOfferTest;
}

#include "tst_recovery_offer.moc"
