#include "document/codec.h"
#include "document/documents.h"
#include "document/recovery.h"
#include "platform/editcontrol.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace tolvan::document;
using tolvan::platform::EditControl;
using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Text in UTF-16 or UTF-32 written out here unit by unit, apart from the code under test.
QByteArray wide(const QString &text, int width, bool bigEndian)
{
    QByteArray out;
    const auto put = [&](char32_t unit) {
        for (int i = 0; i < width; ++i)
            out += char(unit >> 8 * (bigEndian ? width - 1 - i : i));
    };
    if (width == 2)
        for (const QChar c : text)
            put(c.unicode());
    else
        for (const char32_t c : text.toUcs4())
            put(c);
    return out;
}

// One document in an editor of its own; the UTF-8 question is answered from `convert` and kept.
struct Fixture : DocumentHost, DocumentQuestions
{
    QTemporaryDir dir;
    EditControl edit;
    DocumentCommands docs{*this, *this};
    bool convert = false;
    std::optional<Utf8Question> asked;

    EditControl &editor() override { return edit; }
    QString directory() const override { return dir.path(); }
    QString fileNameText() const override { return {}; }
    void updateFileList() override {}
    void repaintFileList() override {}
    void setCaption(const QString &) override {}
    SaveChanges askSaveChanges() override { return SaveChanges::Cancel; }
    std::optional<QString> askSaveName() override { return std::nullopt; }
    std::optional<QString> askOpenName(const QString &) override { return std::nullopt; }
    bool askSaveAsUtf8(const Utf8Question &question) override
    {
        asked = question;
        return convert;
    }
    void showMessage(const QString &text) override { QFAIL(qPrintable("told: " + text)); }

    // Opens bytes as a page, types text at its end and saves it.
    QString page;
    bool openEditSave(const QByteArray &bytes, const QString &typed)
    {
        page = dir.filePath("page.htm");
        if (!writeAll(page, bytes) || !docs.LoadDocument(page))
            return false;
        edit.setSelStart(edit.textLength());
        edit.replaceSelection(typed);
        return docs.SaveDocument(page);
    }
};

const QString mark = QStringLiteral("\u00ff"); // where a row's sample goes in a page

} // namespace

class EncodingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A page in each encoding, its sample of the script behind a CR LF, an LF, a CR and on a last
    // line without a break: opened, it shows the sample and no byte-order mark; saved untouched,
    // it gives back its bytes with every break as CR LF in that encoding.
    void page_showsItsCharactersAndSavesBack_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<bool>("bom");
        const QString lines = QStringLiteral("%1\r\n<p>\u00ff\n\u00ff\rend \u00ff");
        const QString savedLines = QStringLiteral("%1\r\n<p>\u00ff\r\n\u00ff\r\nend \u00ff\r\n");
        // A page in an encoding that keeps ASCII as it is, with a declaration in its first line.
        const auto legacy = [&](const char *name, Encoding encoding, const QString &declaration,
                                const QByteArray &sample, const QString &sampleText) {
            const auto fill = [&](const QString &form, const QByteArray &with) {
                return form.arg(declaration).toLatin1().replace("\xff", with);
            };
            QTest::newRow(name) << fill(lines, sample)
                                << savedLines.arg(declaration).replace(mark, sampleText).chopped(2)
                                << fill(savedLines, sample) << encoding << false;
        };
        const QString unicodeSample = QStringLiteral("\u00e9\u20ac\u30d6\U0001F600\u2029");
        const auto unicode = [&](const char *name, Encoding encoding, const QByteArray &bom,
                                 const std::function<QByteArray(const QString &)> &encode) {
            const QString page = lines.arg("<html>").replace(mark, unicodeSample);
            const QString saved = savedLines.arg("<html>").replace(mark, unicodeSample);
            QTest::newRow(name) << bom + encode(page) << QString(saved).chopped(2)
                                << bom + encode(saved) << encoding << !bom.isEmpty();
        };
        const auto inWidth = [](int width, bool bigEndian) {
            return [=](const QString &text) { return wide(text, width, bigEndian); };
        };
        using enum Encoding;
        unicode("utf-8", Utf8, {}, [](const QString &t) { return t.toUtf8(); });
        unicode("utf-8, byte-order mark", Utf8, "\xef\xbb\xbf",
                [](const QString &t) { return t.toUtf8(); });
        unicode("utf-16le", Utf16LE, "\xff\xfe", inWidth(2, false));
        unicode("utf-16be", Utf16BE, "\xfe\xff", inWidth(2, true));
        unicode("utf-32le", Utf32LE, QByteArray("\xff\xfe\0\0", 4), inWidth(4, false));
        unicode("utf-32be", Utf32BE, QByteArray("\0\0\xfe\xff", 4), inWidth(4, true));

        const auto declared = [](const char *label, const char *form = "<meta charset=\"%1\">") {
            return QString::fromLatin1(form).arg(QLatin1String(label));
        };
        const char *httpEquiv =
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=%1\">";
        const char *xml = "<?xml version=\"1.0\" encoding='%1'?>";
        legacy("windows-1252, undeclared", Windows1252, "<html>", "\x93\xe9\x94\x81",
               u"\u201c\u00e9\u201d\u0081"_s);
        legacy("iso-8859-1 is read as windows-1252", Windows1252, declared("ISO-8859-1"),
               "\x93\xe9\x94", u"\u201c\u00e9\u201d"_s);
        legacy("iso-8859-2, http-equiv", Iso8859_2, declared("iso-8859-2", httpEquiv),
               "\xa3\xf3\x64\xbc", u"\u0141\u00f3d\u017a"_s);
        legacy("iso-8859-2, ascii only", Iso8859_2, declared("latin2"), "plain", "plain");
        legacy("iso-8859-3", Iso8859_3, declared("iso-8859-3"), "\xa1\x61\xf5\x61\x72",
               u"\u0126a\u0121ar"_s);
        legacy("iso-8859-4", Iso8859_4, declared("iso-8859-4"), "\xa1\xbe", u"\u0104\u017e"_s);
        legacy("iso-8859-5", Iso8859_5, declared("iso-8859-5"), "\xbc\xd8\xe0",
               u"\u041c\u0438\u0440"_s);
        legacy("iso-8859-6", Iso8859_6, declared("iso-8859-6"), "\xe5\xd1\xcd",
               u"\u0645\u0631\u062d"_s);
        legacy("iso-8859-7, xml", Iso8859_7, declared("iso-8859-7", xml), "\xc5\xeb\xdc",
               u"\u0395\u03bb\u03ac"_s);
        legacy("iso-8859-8", Iso8859_8, declared("iso-8859-8"), "\xf9\xec\xe5\xed",
               u"\u05e9\u05dc\u05d5\u05dd"_s);
        legacy("iso-8859-9", Iso8859_9, declared("iso-8859-9"), "\x41\xf0\x61\xe7",
               u"A\u011fa\u00e7"_s);
        legacy("iso-8859-10", Iso8859_10, declared("iso-8859-10"), "\xaf\xbb", u"\u014a\u0167"_s);
        legacy("iso-8859-11", Iso8859_11, declared("iso-8859-11"), "\xe4\xb7\xc2",
               u"\u0e44\u0e17\u0e22"_s);
        legacy("iso-8859-13", Iso8859_13, declared("iso-8859-13"), "\xc0\xfe", u"\u0104\u017e"_s);
        legacy("iso-8859-14", Iso8859_14, declared("iso-8859-14"), "\xd0\xfe", u"\u0174\u0177"_s);
        legacy("iso-8859-15", Iso8859_15, declared("iso-8859-15"), "\xa4\xbd", u"\u20ac\u0153"_s);
        legacy("iso-8859-16", Iso8859_16, declared("iso-8859-16"), "\xaa\x74\xfe",
               u"\u0218t\u021b"_s);
        legacy("windows-1250", Windows1250, declared("windows-1250"), "\xa3\xf3\x64\x9f",
               u"\u0141\u00f3d\u017a"_s);
        legacy("windows-1251, xml", Windows1251, declared("windows-1251", xml), "\xcc\xe8\xf0",
               u"\u041c\u0438\u0440"_s);
        legacy("windows-1253", Windows1253, declared("windows-1253"), "\xc5\xeb\xdc",
               u"\u0395\u03bb\u03ac"_s);
        legacy("windows-1254", Windows1254, declared("windows-1254"), "\xf0\xe7",
               u"\u011f\u00e7"_s);
        legacy("windows-1255", Windows1255, declared("windows-1255"), "\xf9\xec",
               u"\u05e9\u05dc"_s);
        legacy("windows-1256", Windows1256, declared("windows-1256"), "\xe3\xd1",
               u"\u0645\u0631"_s);
        legacy("windows-1257", Windows1257, declared("windows-1257"), "\xc0\xfe",
               u"\u0104\u017e"_s);
        legacy("windows-1258", Windows1258, declared("windows-1258"), "\x56\x69\xea\x74",
               u"Vi\u00eat"_s);
        legacy("windows-874", Windows874, declared("tis-620"), "\xe4\xb7\xc2",
               u"\u0e44\u0e17\u0e22"_s);
        legacy("koi8-r, xml", Koi8R, declared("koi8-r", xml), "\xed\xc9\xd2",
               u"\u041c\u0438\u0440"_s);
        legacy("koi8-u", Koi8U, declared("koi8-u"), "\xb7\xd6\xc1\xcb",
               u"\u0407\u0436\u0430\u043a"_s);
        legacy("ibm866", Ibm866, declared("ibm866"), "\x8c\xa8\xe0", u"\u041c\u0438\u0440"_s);
        legacy("shift_jis, 0x5c a backslash", ShiftJis, declared("Shift_JIS", httpEquiv),
               "\x93\xfa\x96\x7b\x5c", u"\u65e5\u672c\\"_s);
        legacy("euc-jp", EucJp, declared("euc-jp"), "\xc6\xfc\xcb\xdc\xb8\xec",
               u"\u65e5\u672c\u8a9e"_s);
        legacy("iso-2022-jp, all ascii bytes", Iso2022Jp, declared("iso-2022-jp"),
               "\x1b\x24\x42\x46\x7c\x4b\x5c\x1b\x28\x42", u"\u65e5\u672c"_s);
        legacy("gb2312 is gbk", Gbk, declared("gb2312"), "\xd6\xd0\xce\xc4", u"\u4e2d\u6587"_s);
        legacy("gb18030", Gb18030, declared("gb18030"), "\xd6\xd0\xa2\xe3", u"\u4e2d\u20ac"_s);
        legacy("big5", Big5, declared("big5"), "\xa4\xa4\xa4\xe5", u"\u4e2d\u6587"_s);
        legacy("euc-kr", EucKr, declared("euc-kr"), "\xc7\xd1\xb1\xb9\xbe\xee",
               u"\ud55c\uad6d\uc5b4"_s);
    }
    void page_showsItsCharactersAndSavesBack()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        Fixture f;
        QVERIFY(writeAll(f.dir.filePath("page.htm"), bytes));
        QVERIFY(f.docs.LoadDocument(f.dir.filePath("page.htm")));
        QCOMPARE(f.edit.wholeText(), text);
        QTEST(f.docs.encoding(), "encoding");
        QTEST(f.docs.pageEncoding().bom, "bom");
        f.edit.setModified(true);
        QVERIFY(f.docs.SaveDocument(f.dir.filePath("page.htm")));
        QTEST(readAll(f.dir.filePath("page.htm")), "saved");
        QVERIFY(!f.asked);
    }

    // Which rule reads a page. Whatever it is, the text goes back to the very same bytes.
    void decode_rule_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<DecodeRule>("rule");
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<qsizetype>("strays");
        const QByteArray bu = "\xe3\x83\x96"; // a valid three-byte character
        const QByteArray kb(4096, ' ');
        using enum DecodeRule;
        using enum Encoding;
        const auto row = [](const char *name, const QByteArray &bytes, DecodeRule rule,
                            Encoding encoding, qsizetype strays = 0) {
            QTest::newRow(name) << bytes << rule << encoding << strays;
        };
        row("four characters for a stray byte", bu.repeated(4) + "caf\xe9", MostlyUtf8, Utf8, 1);
        row("three for one", bu.repeated(3) + "caf\xe9", Fallback, Windows1252);
        row("three for one, declared utf-8", "<meta charset=utf-8>" + bu.repeated(3) + "\xe9",
            MostlyUtf8, Utf8, 1);
        row("fewer than strays, declared utf-8", "<meta charset=utf-8>" + bu + "\xe9\xe8", Fallback,
            Windows1252);
        row("latin-1 page with an accidental utf-8 pair", "\xc3\xa9t\xe9 \xe0 la f\xeate", Fallback,
            Windows1252);
        row("utf-8 mark, stray bytes after it", "\xef\xbb\xbf\xe9\xe8", ByteOrderMark, Utf8, 2);
        row("utf-32le mark that is utf-16le and U+0000", QByteArray("\xff\xfe\0\0A\0", 6),
            ByteOrderMark, Utf16LE);
        row("utf-16 mark, odd length", "\xff\xfe<\0p", Fallback, Windows1252);
        row("utf-16 mark, lone surrogate", QByteArray("\xff\xfe\x00\xdc", 4), Fallback,
            Windows1252);
        row("utf-16 mark, a stray mark's unit", QByteArray("\xff\xfe\xe9\xdc", 4), Fallback,
            Windows1252);
        row("unknown label", "<meta charset=x-klingon>\xe9", Fallback, Windows1252);
        row("declaration past the first 4 KB", kb + "<meta charset=koi8-r>\xed", Fallback,
            Windows1252);
        row("shift_jis cut in a character", "<meta charset=shift_jis>\x93\xfa\x96", Fallback,
            Windows1252);
        row("euc-jp declared, bytes that are not", "<meta charset=euc-jp>\xe9t\xe9", Fallback,
            Windows1252);
        row("iso-8859-7 declared, an unassigned byte", "<meta charset=iso-8859-7>\xc5\xff",
            Fallback, Windows1252);
        row("iso-2022-jp with escapes its encoder would not write",
            "<meta charset=iso-2022-jp>\x1b(Babc", ValidUtf8, Utf8);
        row("utf-8 declared koi8-r: bytes win", "<?xml encoding=\"koi8-r\"?>" + bu, ValidUtf8,
            Utf8);
    }
    void decode_rule()
    {
        QFETCH(QByteArray, bytes);
        const Decoded decoded = decode(bytes);
        QTEST(decoded.rule, "rule");
        QTEST(decoded.encoding.encoding, "encoding");
        QTEST(decoded.strayBytes, "strays");
        QCOMPARE(encode(decoded.text, decoded.encoding).value_or("<none>"), bytes);
    }

    // Stray bytes of a mostly-UTF-8 page are characters of their own in the editor: edits
    // elsewhere keep them as the same bytes; deleting one deletes just its byte.
    void strayBytes_keptThroughEditing_data()
    {
        QTest::addColumn<bool>("deleteOne");
        QTest::addColumn<QByteArray>("saved");
        const QByteArray dashes = QByteArray("\xe2\x80\x94").repeated(8);
        QTest::newRow("edit elsewhere") << false << dashes + " caf\xe9 \x80!\r\n";
        QTest::newRow("delete one") << true << dashes + " caf \x80!\r\n";
    }
    void strayBytes_keptThroughEditing()
    {
        QFETCH(bool, deleteOne);
        Fixture f;
        const QString file = f.dir.filePath("page.htm");
        // Eight valid characters for two stray bytes: mostly UTF-8.
        QVERIFY(writeAll(file, QByteArray("\xe2\x80\x94").repeated(8) + " caf\xe9 \x80"));
        QVERIFY(f.docs.LoadDocument(file));
        QCOMPARE(f.edit.wholeText(),
                 QString(8, u'\u2014') + " caf" + strayMark(0xe9) + ' ' + strayMark(0x80));
        if (deleteOne) {
            f.edit.setSelStart(12);
            f.edit.setSelLength(1);
            QCOMPARE(f.edit.selText(), QString(strayMark(0xe9)));
            f.edit.replaceSelection({});
        }
        f.edit.setSelStart(f.edit.textLength());
        f.edit.replaceSelection("!");
        QVERIFY(f.docs.SaveDocument(file));
        QTEST(readAll(file), "saved");
        QCOMPARE(f.docs.encoding(), Encoding::Utf8);
    }

    // A character the page's encoding cannot hold: Save asks, naming the encoding, the whole
    // character and the declarations it will change. Yes writes UTF-8 from what the editor shows,
    // declarations changed in the editor too; No writes nothing and keeps the text.
    void save_unencodable_asksForUtf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("convert");
        QTest::addColumn<QString>("question"); // encoding | character | declarations
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("windows-1252, yes")
            << QByteArray("caf\xe9") << u" \u0142"_s << true << "Windows-1252|\u0142|"
            << QByteArray("caf\xc3\xa9 \xc5\x82\r\n");
        QTest::newRow("windows-1252, no") << QByteArray("caf\xe9") << u" \u0142"_s << false
                                          << "Windows-1252|\u0142|" << QByteArray("caf\xe9");
        QTest::newRow("astral character")
            << QByteArray("caf\xe9") << u"\U0001F600"_s << true << "Windows-1252|\U0001F600|"
            << QByteArray("caf\xc3\xa9\xf0\x9f\x98\x80\r\n");
        QTest::newRow("stray byte pasted into windows-1252")
            << QByteArray("caf\xe9") << QString(strayMark(0x81)) << true
            << "Windows-1252|" + QString(strayMark(0x81)) + "|"
            << QByteArray("caf\xc3\xa9\x81\r\n");
        QTest::newRow("two declarations, yes")
            << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?>\n<META CHARSET=latin2>"
                          "\xa3\xf3\x64\xbc")
            << u"\u20ac"_s << true << "ISO-8859-2|\u20ac|ISO-8859-2,latin2"
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<META CHARSET=utf-8>"
                          "\xc5\x81\xc3\xb3\x64\xc5\xba\xe2\x82\xac\r\n");
        QTest::newRow("declaration, no")
            << QByteArray("<meta charset=koi8-r>\xed") << u"\u0142"_s << false
            << "KOI8-R|\u0142|koi8-r" << QByteArray("<meta charset=koi8-r>\xed");
        // glibc would write the yen sign as 0x5C, which reads back as a backslash.
        QTest::newRow("shift_jis, a character only approximated")
            << QByteArray("<meta charset=shift_jis>\x93\xfa") << u"\u00a5"_s << true
            << "Shift_JIS|\u00a5|shift_jis"
            << QByteArray("<meta charset=utf-8>\xe6\x97\xa5\xc2\xa5\r\n");
        QTest::newRow("utf-16 page, stray byte pasted")
            << QByteArray("\xff\xfex\0", 4) << QString(strayMark(0xfe)) << true
            << "UTF-16LE|" + QString(strayMark(0xfe)) + "|" << QByteArray("\xef\xbb\xbfx\xfe\r\n");
    }
    void save_unencodable_asksForUtf8()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, typed);
        QFETCH(bool, convert);
        QFETCH(QByteArray, saved);
        Fixture f;
        f.convert = convert;
        QCOMPARE(f.openEditSave(bytes, typed), convert);
        QVERIFY(f.asked);
        QCOMPARE(f.asked->path, f.page);
        QTEST(QStringList(
                  {f.asked->encodingName, f.asked->character, f.asked->declarations.join(u',')})
                  .join(u'|'),
              "question");
        QCOMPARE(readAll(f.page), saved);
        QCOMPARE(f.edit.modified(), !convert);
        QCOMPARE(f.docs.encoding(), convert ? Encoding::Utf8 : decode(bytes).encoding.encoding);
        // What the editor shows is what was written.
        if (convert)
            QCOMPARE(f.docs.encodedText().value_or("<none>"), saved);
        else
            QVERIFY(f.edit.wholeText().endsWith(typed));
    }

    // A recovery copy brings back the page's encoding and its stray bytes, so the restored page
    // saves as the original would; a copy written before encodings had keys still reads.
    void recovery_keepsEncodingAndStrayBytes_data()
    {
        QTest::addColumn<QByteArray>("header"); // empty: the copy is written by the store
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("utf-16le with its mark")
            << QByteArray() << QByteArray("\xff\xfe\xe5\x65\r\0\n\0", 8);
        QTest::newRow("older copy, windows-1252")
            << QByteArray("windows-1252\n") << QByteArray("\xe9\r\n");
    }
    void recovery_keepsEncodingAndStrayBytes()
    {
        QFETCH(QByteArray, header);
        Fixture f;
        qputenv("XDG_STATE_HOME", QFile::encodeName(f.dir.filePath("state")));
        const RecoveryStore store(999999);
        const QString page = f.dir.filePath("page.htm");
        if (header.isEmpty()) {
            QVERIFY(store.save(page, {Encoding::Utf16LE, true}, u"\u65e5"_s + strayMark(0xe9)));
        } else {
            QVERIFY(QDir().mkpath(RecoveryStore::folder()));
            QVERIFY(writeAll(store.file(), "TOLVAN-RECOVERY 1\n" + QFile::encodeName(page) + "\n" +
                                               header + "\xc3\xa9"));
        }
        const std::optional<RecoveredWork> work = RecoveryStore::read(store.file());
        qunsetenv("XDG_STATE_HOME");
        QVERIFY(work);
        f.docs.restore(work->documentPath, work->encoding, work->text);
        if (header.isEmpty()) {
            QCOMPARE(work->text, u"\u65e5"_s + strayMark(0xe9));
            f.edit.selectAll();
            f.edit.replaceSelection(u"\u65e5"_s); // the mark cannot be written in UTF-16
        }
        QVERIFY(f.docs.SaveDocument(page));
        QTEST(readAll(page), "saved");
    }
};

QObject *makeEncodingsTest()
{
    return new EncodingsTest;
}

#include "tst_encodings.moc"
