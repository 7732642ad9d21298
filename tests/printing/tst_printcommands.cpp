#include "common/modal.h"
#include "platform/editcontrol.h"
#include "platform/error.h"
#include "platform/fonts.h"
#include "printing/printcommands.h"
#include "privatecups.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using tolvan::platform::EditControl;
using tolvan::printing::PrintCommands;
using tolvan::test::PrivateCups;

namespace {
const QString untitled = u"Tolvan v1.61 - noname.html"_s;
const QString pdf = u"PDF"_s;
const QString second = u"Second"_s;

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(u"<LI>Item %1 of the list"_s.arg(i));
    return lines.join(u"\r\n"_s);
}

QString withoutBlanks(QString text)
{
    text.removeIf([](QChar c) { return c.isSpace(); });
    return text;
}

// The message a command fails with, empty when it does not.
template <typename Command> QString failure(Command command)
{
    try {
        command();
    } catch (const tolvan::platform::Error &error) {
        return error.message();
    }
    return {};
}

void press(QWidget *dialog, QDialogButtonBox::ButtonRole role)
{
    for (auto *box : dialog->findChildren<QDialogButtonBox *>())
        for (QAbstractButton *button : box->buttons())
            if (box->buttonRole(button) == role)
                return button->click();
    dialog->close();
}
void accept(QWidget *dialog)
{
    press(dialog, QDialogButtonBox::AcceptRole);
}
void cancel(QWidget *dialog)
{
    press(dialog, QDialogButtonBox::RejectRole);
}

// Both dialogs name their printer list "printers".
void choosePrinter(QWidget *dialog, const QString &name)
{
    auto *printers = dialog->findChild<QComboBox *>(u"printers"_s);
    QVERIFY(printers && printers->findText(name) >= 0);
    printers->setCurrentIndex(printers->findText(name));
}

// The copies sit behind the print dialog's options button, where a user finds them.
void chooseCopies(QWidget *dialog, int copies)
{
    for (auto *button : dialog->findChildren<QAbstractButton *>())
        if (button->text().contains(u"Options"_s))
            button->click();
    auto *spin = dialog->findChild<QSpinBox *>(u"copies"_s);
    QVERIFY(spin && spin->isVisible());
    spin->setValue(copies);
}
} // namespace

class PrintCommandsTest : public QObject
{
    Q_OBJECT
public:
    explicit PrintCommandsTest(PrivateCups &cups) : m_cups(cups) {}

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void noDefaultPrinter_errorAndNoDialog_data();
    void noDefaultPrinter_errorAndNoDialog();
    void print_sendsWholeTextAsOneJobUnderCaption_data();
    void print_sendsWholeTextAsOneJobUnderCaption();
    void print_isBlackOnWhitePaper_data();
    void print_isBlackOnWhitePaper();
    void copies_endInThePrinterNotInTheDocument_data();
    void copies_endInThePrinterNotInTheDocument();
    void cancelledDialog_changesNothing_data();
    void cancelledDialog_changesNothing();
    void printSetup_holdsForTheRestOfTheRun();
    void whilePrinting_choicesAndJobsAreRefused_data();
    void whilePrinting_choicesAndJobsAreRefused();
    void removedPrinter_isNotValid();

private:
    struct Job
    {
        QString document; // as sent
        QString output;   // as the queue made it
    };
    Job printConfirmed(const QString &caption);
    Job finishJob(qsizetype documentsBefore);
    QString tool(const QString &program, const QStringList &arguments);
    QString pdfInfo(const QString &file, const QString &key);

    PrivateCups &m_cups;
    std::unique_ptr<QWidget> m_window;
    EditControl *m_editor = nullptr;
};

void PrintCommandsTest::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("the PDF queue's backend runs only as root");
    const QString error = m_cups.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void PrintCommandsTest::init()
{
    const QString error = m_cups.setQueues({pdf});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    m_window = std::make_unique<QWidget>();
    m_editor = new EditControl(m_window.get());
    // As the main window sets it up.
    m_editor->setTextFont(tolvan::platform::designFont(u"Courier New"_s, 13), Qt::yellow);
}

void PrintCommandsTest::cleanup()
{
    m_window.reset();
    QVERIFY(m_cups.waitUntilIdle());
    m_cups.takeNewOutput();
    for (QWidget *window : QApplication::topLevelWidgets())
        QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
}

QString PrintCommandsTest::tool(const QString &program, const QStringList &arguments)
{
    QString out;
    const QString error = m_cups.run(program, arguments, &out);
    return error.isEmpty() ? out : error;
}

QString PrintCommandsTest::pdfInfo(const QString &file, const QString &key)
{
    for (const QString &line : tool(u"pdfinfo"_s, {file}).split(u'\n'))
        if (line.startsWith(key + u':'))
            return line.mid(key.size() + 1).trimmed();
    return {};
}

// The one job sent since there were documentsBefore documents, once it has been printed.
PrintCommandsTest::Job PrintCommandsTest::finishJob(qsizetype documentsBefore)
{
    if (!m_cups.waitUntilIdle())
        qWarning("%s", qPrintable(m_cups.log()));
    const QStringList documents = m_cups.documentFiles();
    const QStringList output = m_cups.takeNewOutput();
    if (documents.size() != documentsBefore + 1 || output.size() != 1)
        return {};
    return {documents.last(), output.first()};
}

PrintCommandsTest::Job PrintCommandsTest::printConfirmed(const QString &caption)
{
    const qsizetype documents = m_cups.documentFiles().size();
    PrintCommands commands(m_window.get());
    whenModalShown(accept);
    commands.cmPrintClick(*m_editor, caption);
    return finishJob(documents);
}

void PrintCommandsTest::noDefaultPrinter_errorAndNoDialog_data()
{
    QTest::addColumn<bool>("print");
    QTest::addColumn<QStringList>("queues");
    QTest::newRow("Print, no queue") << true << QStringList();
    QTest::newRow("Print Setup, no queue") << false << QStringList();
    QTest::newRow("Print, no default queue") << true << QStringList{pdf};
    QTest::newRow("Print Setup, no default queue") << false << QStringList{pdf};
}

void PrintCommandsTest::noDefaultPrinter_errorAndNoDialog()
{
    QFETCH(bool, print);
    QFETCH(QStringList, queues);
    QVERIFY(m_cups.setQueues(queues, false).isEmpty());
    const qsizetype documents = m_cups.documentFiles().size();
    PrintCommands commands(m_window.get());
    const auto command = [&] {
        print ? commands.cmPrintClick(*m_editor, untitled) : commands.cmPrintSetupClick();
    };
    // Any dialog that comes up is counted and closed, so a fault cannot hang the test.
    int dialogs = 0;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&dialogs] {
        if (QWidget *modal = QApplication::activeModalWidget())
            dialogs += modal->close();
    });
    watch.start(10);
    QCOMPARE(failure(command), u"There is no default printer currently selected"_s);
    watch.stop();
    QCOMPARE(dialogs, 0);
    QVERIFY(!commands.printer());
    QCOMPARE(m_cups.documentFiles().size(), documents);

    // Nothing was remembered: once there is a default printer the same run finds it.
    QVERIFY(m_cups.setQueues({pdf}).isEmpty());
    whenModalShown(cancel);
    QCOMPARE(failure(command), QString());
    QCOMPARE(commands.printer()->printerName(), pdf);
}

void PrintCommandsTest::print_sendsWholeTextAsOneJobUnderCaption_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QFont>("font");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QList<int>>("pageRange");
    QTest::addColumn<QString>("fontName");
    const QFont courier = tolvan::platform::designFont(u"Courier New"_s, 13);
    QFont arial = tolvan::platform::designFont(u"Arial"_s, 16, true);
    arial.setItalic(true);
    const QString page =
        u"<HTML>\r\n<BODY>\r\n<P>Caf\u00e9 \u00a9 2024</P>\r\n</BODY>\r\n</HTML>"_s;
    const QString mono = u"LiberationMono"_s;
    QTest::newRow("untitled, 26 characters whole")
        << page << courier << untitled << untitled << QList{1, 1} << mono;
    QTest::newRow("long path cut to 31 characters")
        << page << courier << u"Tolvan v1.61 - /home/writer/pages/travel/index.html"_s
        << u"Tolvan v1.61 - /home/writer/pag"_s << QList{1, 1} << mono;
    QTest::newRow("several pages")
        << numberedLines(250) << courier << untitled << untitled << QList{3, 5} << mono;
    QTest::newRow("the editor's bold italic face")
        << numberedLines(20) << arial << untitled << untitled << QList{1, 1}
        << u"LiberationSans-BoldItalic"_s;
    QTest::newRow("empty, one blank page")
        << QString() << courier << untitled << untitled << QList{1, 1} << QString();
}

void PrintCommandsTest::print_sendsWholeTextAsOneJobUnderCaption()
{
    QFETCH(QString, text);
    QFETCH(QFont, font);
    QFETCH(QString, caption);
    QFETCH(QString, title);
    QFETCH(QList<int>, pageRange);
    QFETCH(QString, fontName);
    m_editor->setTextFont(font, Qt::yellow);
    m_editor->setWholeText(text);
    const Job job = printConfirmed(caption);
    QVERIFY(!job.document.isEmpty());

    QCOMPARE(pdfInfo(job.document, u"Title"_s), title);
    const int pages = pdfInfo(job.document, u"Pages"_s).toInt();
    QVERIFY2(pages >= pageRange[0] && pages <= pageRange[1], qPrintable(QString::number(pages)));
    QCOMPARE(withoutBlanks(tool(u"pdftotext"_s, {u"-enc"_s, u"UTF-8"_s, job.document, u"-"_s})),
             withoutBlanks(text));
    QVERIFY(tool(u"pdffonts"_s, {job.document}).contains(fontName));
    // The printer names the job by the title (cups-pdf puts it in brackets) and prints every
    // page once.
    QCOMPARE(pdfInfo(job.output, u"Title"_s), u'(' + title + u')');
    QCOMPARE(pdfInfo(job.output, u"Pages"_s).toInt(), pages);
}

void PrintCommandsTest::print_isBlackOnWhitePaper_data()
{
    QTest::addColumn<QColor>("textColor");
    QTest::addColumn<QColor>("background");
    QTest::newRow("yellow on navy") << QColor(Qt::yellow) << QColor(Qt::darkBlue);
    QTest::newRow("white on black") << QColor(Qt::white) << QColor(Qt::black);
}

void PrintCommandsTest::print_isBlackOnWhitePaper()
{
    QFETCH(QColor, textColor);
    QFETCH(QColor, background);
    m_editor->setTextFont(tolvan::platform::designFont(u"Courier New"_s, 40, true), textColor);
    m_editor->setBackgroundColor(background);
    m_editor->setWholeText(u"MMMMMMMMMMMMMMMM\r\nWWWWWWWWWWWWWWWW\r\n"_s.repeated(8));
    const Job job = printConfirmed(untitled);
    QVERIFY(!job.document.isEmpty());

    QTemporaryDir dir;
    const QString prefix = dir.filePath(u"page"_s);
    tool(u"pdftoppm"_s, {u"-r"_s, u"30"_s, u"-png"_s, u"-singlefile"_s, job.document, prefix});
    const QImage image(prefix + u".png"_s);
    QVERIFY(!image.isNull());
    qsizetype dark = 0;
    qsizetype white = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            // Grey at most, where the edges of black letters meet the paper.
            QVERIFY2(c.hsvSaturation() <= 24 || c.value() < 24, qPrintable(c.name()));
            dark += c.value() < 96;
            white += c.value() > 240;
        }
    const qsizetype all = qsizetype(image.width()) * image.height();
    QVERIFY2(dark > all / 200, "the text is there, and dark");
    QVERIFY2(white > all / 2, "the paper stays white");
}

void PrintCommandsTest::copies_endInThePrinterNotInTheDocument_data()
{
    QTest::addColumn<int>("copies");
    QTest::newRow("one copy") << 1;
    QTest::newRow("two copies") << 2;
}

void PrintCommandsTest::copies_endInThePrinterNotInTheDocument()
{
    QFETCH(int, copies);
    m_editor->setWholeText(numberedLines(3));
    const qsizetype documents = m_cups.documentFiles().size();
    PrintCommands commands(m_window.get());
    whenModalShown([copies](QWidget *dialog) {
        chooseCopies(dialog, copies);
        accept(dialog);
    });
    commands.cmPrintClick(*m_editor, untitled);
    QCOMPARE(commands.printer()->copyCount(), copies);
    const Job job = finishJob(documents);
    QVERIFY(!job.document.isEmpty());
    QCOMPARE(pdfInfo(job.document, u"Pages"_s).toInt(), 1);
    QCOMPARE(pdfInfo(job.output, u"Pages"_s).toInt(), copies);
}

void PrintCommandsTest::cancelledDialog_changesNothing_data()
{
    QTest::addColumn<bool>("print");
    QTest::newRow("Print") << true;
    QTest::newRow("Print Setup") << false;
}

void PrintCommandsTest::cancelledDialog_changesNothing()
{
    QFETCH(bool, print);
    QVERIFY(m_cups.setQueues({pdf, second}).isEmpty());
    const qsizetype documents = m_cups.documentFiles().size();
    const QPrinter defaults(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    PrintCommands commands(m_window.get());
    // All the dialog offers is changed, and then thrown away.
    whenModalShown([print](QWidget *dialog) {
        choosePrinter(dialog, second);
        if (print)
            chooseCopies(dialog, 3);
        else
            dialog->findChild<QRadioButton *>(u"landscape"_s)->click();
        cancel(dialog);
    });
    print ? commands.cmPrintClick(*m_editor, untitled) : commands.cmPrintSetupClick();

    const QPrinter *selection = commands.printer();
    QCOMPARE(selection->printerName(), pdf);
    QCOMPARE(selection->copyCount(), defaults.copyCount());
    QCOMPARE(selection->pageLayout().orientation(), defaults.pageLayout().orientation());
    QVERIFY(selection->pageLayout().pageSize().isEquivalentTo(defaults.pageLayout().pageSize()));
    QVERIFY(m_cups.waitUntilIdle());
    QCOMPARE(m_cups.documentFiles().size(), documents);
}

void PrintCommandsTest::printSetup_holdsForTheRestOfTheRun()
{
    QVERIFY(m_cups.setQueues({pdf, second}).isEmpty());
    m_editor->setWholeText(numberedLines(3));
    const qsizetype documents = m_cups.documentFiles().size();
    {
        PrintCommands commands(m_window.get());
        whenModalShown([](QWidget *dialog) {
            choosePrinter(dialog, second);
            auto *sizes = dialog->findChild<QComboBox *>(u"paperSize"_s);
            sizes->setCurrentIndex(sizes->findText(u"US Letter"_s));
            dialog->findChild<QRadioButton *>(u"landscape"_s)->click();
            accept(dialog);
        });
        commands.cmPrintSetupClick();

        // The print dialog starts from that choice, and the job goes there as chosen.
        QString offered;
        whenModalShown([&offered](QWidget *dialog) {
            offered = dialog->findChild<QComboBox *>(u"printers"_s)->currentText();
            accept(dialog);
        });
        commands.cmPrintClick(*m_editor, untitled);
        QCOMPARE(offered, second);
        const Job job = finishJob(documents);
        QVERIFY(!job.document.isEmpty());
        QCOMPARE(m_cups.completedJobs(second), 1);
        QCOMPARE(m_cups.completedJobs(pdf), 0);
        QCOMPARE(pdfInfo(job.document, u"Page size"_s), u"792 x 612 pts (letter)"_s);
    }
    // A new run starts from the system's default printer again.
    PrintCommands next(m_window.get());
    whenModalShown(cancel);
    next.cmPrintSetupClick();
    QCOMPARE(next.printer()->printerName(), pdf);
    QCOMPARE(next.printer()->pageLayout().orientation(), QPageLayout::Portrait);
}

void PrintCommandsTest::whilePrinting_choicesAndJobsAreRefused_data()
{
    QTest::addColumn<QString>("attempt");
    QTest::newRow("Print confirmed") << u"print"_s;
    QTest::newRow("Print Setup confirmed") << u"setup"_s;
    QTest::newRow("a second job") << u"job"_s;
}

void PrintCommandsTest::whilePrinting_choicesAndJobsAreRefused()
{
    QFETCH(QString, attempt);
    const QString text = numberedLines(300);
    m_editor->setWholeText(text);
    const qsizetype documents = m_cups.documentFiles().size();
    PrintCommands commands(m_window.get());

    // Between two pages of the job the window handles events: that is when the user tries.
    bool finished = false;
    QString message = u"not tried"_s;
    const QPrinter *selectionDuringJob = nullptr;
    std::function<void()> tryDuringJob = [&] {
        if (finished)
            return;
        if (!commands.printing())
            return QTimer::singleShot(1, tryDuringJob);
        selectionDuringJob = commands.printer();
        if (attempt != u"job")
            whenModalShown(accept);
        message = failure([&] {
            if (attempt == u"print")
                commands.cmPrintClick(*m_editor, u"another"_s);
            else if (attempt == u"setup")
                commands.cmPrintSetupClick();
            else
                commands.print(*m_editor, u"another"_s);
        });
    };
    whenModalShown([&](QWidget *dialog) {
        QTimer::singleShot(0, tryDuringJob);
        accept(dialog);
    });
    commands.cmPrintClick(*m_editor, untitled);
    finished = true;

    QCOMPARE(message, u"Printing in progress"_s);
    QVERIFY(!commands.printing());
    QCOMPARE(commands.printer(), selectionDuringJob);
    // The running job went on to its end, alone.
    const Job job = finishJob(documents);
    QVERIFY(!job.document.isEmpty());
    QCOMPARE(pdfInfo(job.document, u"Title"_s), untitled);
    QCOMPARE(withoutBlanks(tool(u"pdftotext"_s, {job.document, u"-"_s})), withoutBlanks(text));
}

void PrintCommandsTest::removedPrinter_isNotValid()
{
    PrintCommands commands(m_window.get());
    whenModalShown(cancel);
    commands.cmPrintSetupClick();
    QCOMPARE(commands.printer()->printerName(), pdf);
    // The chosen queue goes away; another is the default now.
    QVERIFY(m_cups.setQueues({second}).isEmpty());
    const qsizetype documents = m_cups.documentFiles().size();
    QCOMPARE(failure([&] { commands.print(*m_editor, untitled); }),
             u"Printer selected is not valid"_s);
    QVERIFY(!commands.printing());
    QCOMPARE(commands.printer()->printerName(), pdf);
    QVERIFY(m_cups.waitUntilIdle());
    QCOMPARE(m_cups.documentFiles().size(), documents);
}

QObject *makePrintCommandsTest(PrivateCups &cups)
{
    return new PrintCommandsTest(cups);
}

#include "tst_printcommands.moc"
