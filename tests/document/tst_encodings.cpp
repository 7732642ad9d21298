#include "common/fakedocument.h"
#include "common/hermetic.h"
#include "document/codec.h"

#include <QStringEncoder>
#include <QTest>

#include <sys/stat.h>

using namespace tolvan::document;
using namespace tolvan::test;
using namespace Qt::StringLiterals;

class EncodingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A page in each family of encodings, opened, shows its characters and no byte-order mark;
    // saved untouched, it gives back its bytes with every break as CR LF in that encoding.
    void page_showsItsCharactersAndSavesBack_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text"); // null: not compared
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<Encoding>("encoding");
        const auto row = [](const QString &name, const QByteArray &bytes, Encoding encoding,
                            const QString &text = {}, const QByteArray &end = "\r\n") {
            QTest::newRow(qPrintable(name)) << bytes << text << bytes + end << encoding;
        };
        using enum Encoding;
        using Qt = QStringConverter;
        // A sample of scripts behind a CR LF, an LF, a CR and on a last line without a break, in
        // Qt's converters, chosen here by name apart from the code under test.
        const QString sample = u"\u00e9\u20ac\u30d6\U0001F600\u2029"_s;
        const QString page = u"<p>%1\r\n%1\n%1\rend %1"_s.arg(sample);
        const QString shown = u"<p>%1\r\n%1\r\n%1\r\nend %1"_s.arg(sample);
        const auto unicode = [&](const char *name, Encoding encoding, Qt::Encoding qt,
                                 bool bom = true) {
            const auto bytesOf = [=](const QString &text) {
                return QByteArray(QStringEncoder(qt, bom ? Qt::Flag::WriteBom : Qt::Flag{})(text));
            };
            QTest::newRow(name) << bytesOf(page) << shown << bytesOf(shown + "\r\n") << encoding;
        };
        unicode("utf-8", Utf8, Qt::Utf8, false);
        unicode("utf-8, byte-order mark", Utf8, Qt::Utf8);
        unicode("utf-16le", Utf16LE, Qt::Utf16LE);
        unicode("utf-32be", Utf32BE, Qt::Utf32BE);
        // Encodings that keep ASCII as it is, declared in the page's first line or not at all.
        const auto legacy = [&](Encoding encoding, const char *head, const char *bytes,
                                const char16_t *text) {
            row(encodingName(encoding) + ", " + head, head + QByteArray(bytes), encoding,
                head + QString::fromUtf16(text));
        };
        legacy(Windows1252, "<html>", "\x93\xe9\x94\x81", u"\u201c\u00e9\u201d\u0081");
        legacy(Windows1252, "<meta charset=\"ISO-8859-1\">", "\x93\xe9\x94", u"\u201c\u00e9\u201d");
        legacy(Iso8859_2,
               "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-2\">",
               "\xa3\xf3\x64\xbc", u"\u0141\u00f3d\u017a");
        legacy(Iso8859_2, "<meta charset=latin2>", "plain", u"plain");
        legacy(Windows1251, "<?xml version=\"1.0\" encoding='windows-1251'?>", "\xcc\xe8\xf0",
               u"\u041c\u0438\u0440");
        legacy(ShiftJis, "<meta charset=Shift_JIS>", "\x93\xfa\x96\x7b\x5c", u"\u65e5\u672c\\");
        legacy(Iso2022Jp, "<meta charset=iso-2022-jp>", "\x1b\x24\x42\x46\x7c\x4b\x5c\x1b\x28\x42",
               u"\u65e5\u672c"); // all ASCII bytes
        legacy(Gbk, "<meta charset=gb2312>", "\xd6\xd0\xce\xc4", u"\u4e2d\u6587");
        legacy(Big5, "<meta charset=big5>", "\xa4\xa4\xa4\xe5", u"\u4e2d\u6587");
        legacy(EucKr, "<meta charset=euc-kr>", "\xc7\xd1\xb1\xb9\xbe\xee", u"\ud55c\uad6d\uc5b4");
        row("two final breaks", "a\r\n\r\n", Utf8, {}, "");
        row("a zero byte", QByteArray("\xef\xbb\xbf\xc3\xa9\xe2\x82\xac\0.", 10), Utf8);
        row("5 MB", QByteArray("<P>a paragraph.\r\n").repeated(300000), Utf8, {}, "");
        // Which encoding reads a page of no script in particular; whatever it is, the page saves
        // back to the very same bytes.
        const QByteArray bu = "\xe3\x83\x96"; // a valid three-byte character
        row("four characters for a stray byte", bu.repeated(4) + "caf\xe9", Utf8);
        row("three for one", bu.repeated(3) + "caf\xe9", Windows1252);
        row("four at the end of the two-byte range", QByteArray("\xdf\xbf").repeated(4) + "\xe9",
            Utf8);
        row("three for one, declared utf-8", "<meta charset=utf-8>" + bu.repeated(3) + "\xe9",
            Utf8);
        row("fewer than strays, declared utf-8", "<meta charset=utf-8>" + bu + "\xe9\xe8",
            Windows1252);
        row("utf-8 mark, stray bytes after it", "\xef\xbb\xbf\xe9\xe8", Utf8);
        row("utf-32le mark that is utf-16le and U+0000", QByteArray("\xff\xfe\0\0A\0", 6), Utf16LE,
            {}, QByteArray("\r\0\n\0", 4));
        row("utf-16 mark, a stray mark's unit", QByteArray("\xff\xfe\xe9\xdc", 4), Windows1252);
        row("declaration past the first 4 KB", QByteArray(4096, ' ') + "<meta charset=koi8-r>\xed",
            Windows1252);
        row("shift_jis cut in a character", "<meta charset=shift_jis>\x93\xfa\x96", Windows1252);
        row("iso-2022-jp with escapes its encoder would not write",
            "<meta charset=iso-2022-jp>\x1b(Babc", Utf8);
        QByteArray all; // every byte but line breaks
        for (int b = 1; b < 256; ++b)
            all += b == '\r' || b == '\n' ? ' ' : char(b);
        row("every byte", all, Windows1252);
        row("utf-8 declared koi8-r: bytes win", "<?xml encoding=\"koi8-r\"?>" + bu, Utf8);
    }
    void page_showsItsCharactersAndSavesBack()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        FakeDocument f;
        const QString real = f.path("real.htm"), page = f.path("page.htm");
        QVERIFY(writeAll(real, bytes) && QFile::link(real, page));
        QVERIFY(::chmod(QFile::encodeName(real).constData(), 0604) == 0);
        QVERIFY(f.docs.LoadDocument(page));
        if (!text.isNull())
            QCOMPARE(f.edit.wholeText(), text);
        QTEST(f.docs.encoding(), "encoding");
        QVERIFY(!f.edit.modified());
        QVERIFY(f.docs.SaveDocument(page));
        QTEST(readAll(real), "saved");
        // Saved through a temporary file, the link stays a link and the page keeps its mode.
        struct stat info = {};
        QCOMPARE(QFileInfo(page).symLinkTarget(), real);
        QVERIFY(::stat(QFile::encodeName(real).constData(), &info) == 0 &&
                (info.st_mode & 0777) == 0604);
    }

    // An edit, then Save. A character the page's encoding cannot hold makes Save ask, naming the
    // encoding, the whole character and the declarations it will change: Yes writes UTF-8 from
    // what the editor shows, declarations changed in the editor too; No writes nothing and keeps
    // the text. Stray bytes of a mostly-UTF-8 page are characters of their own in the editor:
    // deleting one deletes just its byte, and the other is written back as the same byte.
    void save_afterEditing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("at"); // where one character is typed over; -1: typed at the end
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("question"); // encoding, character, declarations
        QTest::addColumn<QByteArray>("saved");     // as it was: No was answered
        const auto row = [](const char *name, const QByteArray &bytes, const QString &typed,
                            const QStringList &question, const QByteArray &saved, int at = -1) {
            QTest::newRow(name) << bytes << at << typed << question << saved;
        };
        row("windows-1252, yes", "caf\xe9", u" \u0142"_s, {"Windows-1252", u"\u0142"_s},
            "caf\xc3\xa9 \xc5\x82\r\n");
        row("astral character", "\xe9", u"\U0001F600"_s, {"Windows-1252", u"\U0001F600"_s},
            "\xc3\xa9\xf0\x9f\x98\x80\r\n");
        row("two declarations, yes", "<?xml encoding=\"ISO-8859-2\"?><META CHARSET=latin2>\xa3",
            u"\u20ac"_s, {"ISO-8859-2", u"\u20ac"_s, "ISO-8859-2", "latin2"},
            "<?xml encoding=\"UTF-8\"?><META CHARSET=utf-8>\xc5\x81\xe2\x82\xac\r\n");
        // The question names the one character, not the text after it.
        row("declaration, no", "<meta charset=koi8-r>\xed", u"\u0142 x"_s,
            {"KOI8-R", u"\u0142"_s, "koi8-r"}, "<meta charset=koi8-r>\xed");
        // glibc would write the yen sign as 0x5C, which reads back as a backslash.
        row("shift_jis, only approximated", "<meta charset=shift_jis>\x93\xfa", u"\u00a5"_s,
            {"Shift_JIS", u"\u00a5"_s, "shift_jis"},
            "<meta charset=utf-8>\xe6\x97\xa5\xc2\xa5\r\n");
        row("utf-16 page, stray byte pasted", QByteArray("\xff\xfex\0", 4), strayMark(0xfe),
            {"UTF-16LE", strayMark(0xfe)}, "\xef\xbb\xbfx\xfe\r\n");
        const QByteArray dashes = QByteArray("\xe2\x80\x94").repeated(8); // for two stray bytes
        row("stray byte deleted", dashes + " caf\xe9 \x80", "", {}, dashes + " caf \x80\r\n", 12);
    }
    void save_afterEditing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, at);
        QFETCH(QString, typed);
        QFETCH(QByteArray, saved);
        FakeDocument f;
        const QString page = f.path("page.htm");
        const bool convert = saved != bytes;
        f.utf8 = convert;
        QVERIFY(f.open(page, bytes));
        f.edit.setSelStart(at < 0 ? f.edit.textLength() : at);
        f.edit.setSelLength(at < 0 ? 0 : 1);
        f.edit.replaceSelection(typed);
        QCOMPARE(f.docs.SaveDocument(page), convert);
        QVERIFY(!f.asked || f.asked->path == page);
        QTEST(f.asked
                  ? QStringList({f.asked->encodingName, f.asked->character}) + f.asked->declarations
                  : QStringList(),
              "question");
        QCOMPARE(readAll(page), saved);
        QCOMPARE(f.edit.modified(), !convert);
        // What the editor shows is what was written, and is written as UTF-8 from now on.
        QCOMPARE(f.docs.encodedText().value_or("<none>"), convert ? saved : "<none>");
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new EncodingsTest; });

#include "tst_encodings.moc"
