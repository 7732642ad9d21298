#include "platform/error.h"
#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using tolvan::platform::Error;
using tolvan::platform::ProfileFile;

namespace {

const QByteArray noFile = "<none>";

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : noFile;
}

} // namespace

class TestProfile : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(QStringLiteral("TEST.INI"));
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QByteArray &content, const char *section,
                            const char *key, const QString &expected) {
            QTest::newRow(name) << content << QString(section) << QString(key) << expected;
        };
        const QString fallback = QStringLiteral("<default>");

        row("no file", noFile, "A", "k", fallback);
        row("names ignore case", "[wInDoW]\nTOP=5\n", "Window", "top", "5");
        row("blanks around names", "  [ A ]  \n  k  =v\n", "A", "k", "v");
        row("blanks around value", "[A]\nk=  \t v w \t\n", "A", "k", "v w");
        row("double quotes", "[A]\nk= \" v \" \n", "A", "k", " v ");
        row("single quotes", "[A]\nk='v'\n", "A", "k", "v");
        row("one pair only", "[A]\nk=\"\"v\"\"\n", "A", "k", "\"v\"");
        row("unmatched quotes kept", "[A]\nk=\"v'\n", "A", "k", "\"v'");
        row("lone quote kept", "[A]\nk=\"\n", "A", "k", "\"");
        row("equals in value", "[A]\nk = a = b\n", "A", "k", "a = b");
        row("CR LF lines", "[A]\r\nk=v\r\n", "A", "k", "v");
        row("utf-8 value", "[A]\nk=K\xc3\xb8ge\n", "A", "k", QStringLiteral("K\u00f8ge"));
        row("key of another section", "[B]\nk=v\n[A]\nj=w\n", "A", "k", fallback);
        row("key before any section", "k=v\n[A]\n", "A", "k", fallback);
        row("commented out", "[A]\n;k=v\n#k=w\n", "A", "k", fallback);
        row("section given twice", "[A]\nj=1\n[B]\nk=2\n[a]\nk=3\n", "A", "k", "3");
    }

    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        if (content != noFile)
            writeBytes(m_path, content);
        QCOMPARE(ProfileFile(m_path).readString(section, key, QStringLiteral("<default>")),
                 expected);
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char *name, const QByteArray &before, const char *section,
                            const char *key, const char *value, const QByteArray &after) {
            QTest::newRow(name) << before << QString(section) << QString(key) << QString(value)
                                << after;
        };

        row("creates the file", noFile, "A", "k", "v", "[A]\nk=v\n");
        row("replaced in place, spelling kept", "; top\n[WINDOW]\nTOP=1\nleft=2\n", "Window", "top",
            "5", "; top\n[WINDOW]\nTOP=5\nleft=2\n");
        row("new key after the section's last key", "[A]\nx=1\n\n; about B\n[B]\ny=2\n", "a", "z",
            "3", "[A]\nx=1\nz=3\n\n; about B\n[B]\ny=2\n");
        row("new key in a section of comments", "[A]\n;k=old\n", "A", "k", "v",
            "[A]\nk=v\n;k=old\n");
        row("key before any section is not the section's", "k=1\n[A]\n", "A", "k", "2",
            "k=1\n[A]\nk=2\n");
        row("found in a later section of that name", "[A]\nx=1\n[B]\n[a]\ny=1\n", "A", "y", "5",
            "[A]\nx=1\n[B]\n[a]\ny=5\n");
        row("new key joins the first section of that name", "[A]\nx=1\n[B]\n[a]\ny=1\n", "A", "z",
            "5", "[A]\nx=1\nz=5\n[B]\n[a]\ny=1\n");
        row("CR LF file stays CR LF", "[A]\r\nx=1\r\n", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n");
        row("replaced line keeps its CR", "[A]\r\nx=1\r\n", "A", "x", "2", "[A]\r\nx=2\r\n");
        row("line breaks in a value become spaces", "", "A", "k", "a\r\nb\rc\nd",
            "[A]\nk=a  b c d\n");
        row("blanks around a value are quoted", "", "A", "k", " a ", "[A]\nk=\" a \"\n");
        row("a quoted value is quoted again", "", "A", "k", "'a'", "[A]\nk=\"'a'\"\n");
        row("other bytes survive", "[A]\n; caf\xe9 \x01\nx=1\n[\xff]\nq=\xfe\n", "A", "x", "2",
            "[A]\n; caf\xe9 \x01\nx=2\n[\xff]\nq=\xfe\n");
        row("missing final line break", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2\n");
    }

    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        if (before != noFile)
            writeBytes(m_path, before);
        ProfileFile(m_path).writeString(section, key, value);
        QCOMPARE(readBytes(m_path), after);
    }

    // Whatever the writer stores, the reader gives back, line breaks aside.
    void writtenValueReadsBack_data()
    {
        QTest::addColumn<QString>("value");
        for (const char *value :
             {"C:/pages", " x", "x\t", "\"x\"", "'x'", "\"\"", "'", "x\"", "   ", "", "[a]=b"})
            QTest::newRow(value) << QString(value);
        QTest::newRow("non-ASCII") << QStringLiteral("\u00e6\u00f8\u00e5 \u4e2d");
    }

    void writtenValueReadsBack()
    {
        QFETCH(QString, value);
        ProfileFile(m_path).writeString(QStringLiteral("S"), QStringLiteral("k"), value);
        QCOMPARE(ProfileFile(m_path).readString(QStringLiteral("S"), QStringLiteral("k")), value);
    }

    // A reader sees its own writes, and each write starts from the file on disk, so a change
    // made by someone else in between is not undone.
    void writesStartFromTheDisk()
    {
        ProfileFile profile(m_path);
        profile.writeString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1"));
        QCOMPARE(profile.readString(QStringLiteral("A"), QStringLiteral("x")), QStringLiteral("1"));
        ProfileFile(m_path).writeString(QStringLiteral("A"), QStringLiteral("y"),
                                        QStringLiteral("2"));
        profile.writeString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("3"));
        QCOMPARE(readBytes(m_path), QByteArray("[A]\nx=3\ny=2\n"));
    }

    void writeFailure_data()
    {
        QTest::addColumn<QString>("blocker"); // what stands where a folder or file should be
        QTest::newRow("parent is a file") << "file";
        QTest::newRow("target is a folder") << "folder";
    }

    // As root no permission stops a write, so a plain file or a folder is put in the way.
    void writeFailure()
    {
        QFETCH(QString, blocker);
        QString path = m_dir->filePath(QStringLiteral("TOLVAN.INI"));
        if (blocker == QLatin1String("file")) {
            writeBytes(m_dir->filePath(QStringLiteral("plain")), "x");
            path = m_dir->filePath(QStringLiteral("plain/TOLVAN.INI"));
        } else {
            QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("TOLVAN.INI")));
        }
        try {
            ProfileFile(path).writeString(QStringLiteral("A"), QStringLiteral("k"),
                                          QStringLiteral("v"));
            QFAIL("the write did not fail");
        } catch (const Error &error) {
            QCOMPARE(error.message(), QStringLiteral("Unable to write to TOLVAN.INI"));
        }
        // No temporary file is left beside the blocker.
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QObject *makeProfileTest()
{
    return new TestProfile;
}

#include "tst_profile.moc"
