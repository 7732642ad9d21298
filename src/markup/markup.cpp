#include "markup.h"

#include "platform/editcontrol.h"

namespace tolvan::markup {

namespace {
QString lines(std::initializer_list<const char *> parts)
{
    QStringList list;
    for (const char *p : parts)
        list << QString::fromLatin1(p);
    return list.join(QStringLiteral("\r\n"));
}

// The second line of the signature ends in the copyright sign.
QString signature()
{
    return QStringLiteral("<CENTER><FONT SIZE=2 COLOR=005090><I>\r\n"
                          "Written by hand with Tolvan v1.61, the little editor for people who "
                          "make their own web pages. \u00A9</I>\r\n"
                          "</FONT></CENTER>\r\n");
}

std::vector<Command> makeCatalogue()
{
    const auto wrap = [](const char *handler, QString prefix, QString suffix) {
        return Command{QString::fromLatin1(handler), Action::Wrap, std::move(prefix),
                       std::move(suffix)};
    };
    const auto insert = [](const char *handler, QString text) {
        return Command{QString::fromLatin1(handler), Action::Insert, std::move(text), {}};
    };
    const auto s = [](const char *text) { return QString::fromLatin1(text); };
    return {
        wrap("BoldButtonClick", s("<B>"), s("</B>")),
        wrap("ItalicButtonClick", s("<I>"), s("</I>")),
        wrap("UnderlineButtonClick", s("<U>"), s("</U>")),
        wrap("cmBlinkClick", s("<BLINK>"), s("</BLINK>")),
        wrap("cmFont1Click", s("<FONT>"), s("</FONT>")),
        wrap("cmAddressClick", s("<ADDRESS>"), s("</ADDRESS>")),
        wrap("H11Click", s("<H1>"), s("</H1>")),
        wrap("H21Click", s("<H2>"), s("</H2>")),
        wrap("H31Click", s("<H3>"), s("</H3>")),
        wrap("H41Click", s("<H4>"), s("</H4>")),
        wrap("H51Click", s("<H5>"), s("</H5>")),
        wrap("H61Click", s("<H6>"), s("</H6>")),
        wrap("cmCommentsClick", s("<!-- "), s(" -->")),
        wrap("cmTitleClick", s("<TITLE>"), s("</TITLE>")),
        wrap("cmBodyClick", s("<BODY>"), s("</BODY>")),
        wrap("CenterButtonClick", s("<CENTER>\r\n"), s("\r\n</CENTER>")),
        wrap("HrefButtonClick", s("<A HREF=\"\">"), s("</A>")),
        insert("LineBreak1Click", s("<BR>")),
        insert("Paragraph1Click", s("<P>")),
        insert("cmHorRulerClick", s("<HR>")),
        insert("cmTableClick", lines({"<TABLE>", "  <TR>", "    <TD></TD>", "    <TD></TD>",
                                      "  <TR>", "    <TD></TD>", "    <TD></TD>", "</TABLE>"})),
        insert("cmDefListClick", lines({"<DL>", "<DT>", "<DD>", "<DT>", "<DD>", "</DL>"})),
        insert("UnorderedList1Click", lines({"<UL>", "<LI>", "<LI>", "</UL>"})),
        insert("cmMapClick", lines({"<MAP NAME=\"\">",
                                    "<AREA SHAPE=\"RECT\" COORDS=\"0,0,9,9\" HREF=\"\">",
                                    "<AREA SHAPE=\"RECT\" COORDS=\"0,0,9,9\" HREF=\"\">",
                                    "</MAP>"})),
        insert("LeftJustButtonClick", s("ALIGN=LEFT")),
        insert("RightJustButtonClick", s("ALIGN=RIGHT")),
        insert("ImageButtonClick", s("<IMG SRC=\"\" BORDER=0 WIDTH= HEIGHT=>")),
        insert("UseTolvanButtonClick", signature()),
    };
}

// Menu items whose handler calls a toolbar button's handler.
const std::pair<const char *, const char *> forwarders[] = {
    {"cmBoldClick", "BoldButtonClick"},
    {"cmItalicsClick", "ItalicButtonClick"},
    {"cmUnderlinedClick", "UnderlineButtonClick"},
};
} // namespace

void wrapSelection(platform::EditControl &editor, const QString &prefix, const QString &suffix)
{
    const qsizetype n = editor.selLength();
    editor.replaceSelection(prefix + editor.selectedTextInto(n + 1) + suffix);
}

void insertText(platform::EditControl &editor, const QString &text)
{
    editor.replaceSelection(text);
}

const std::vector<Command> &catalogue()
{
    static const std::vector<Command> commands = makeCatalogue();
    return commands;
}

const Command *commandFor(const QString &handler)
{
    QString name = handler;
    for (const auto &[from, to] : forwarders)
        if (name == QLatin1String(from))
            name = QString::fromLatin1(to);
    for (const Command &c : catalogue())
        if (c.handler == name)
            return &c;
    return nullptr;
}

void run(platform::EditControl &editor, const Command &command)
{
    if (command.action == Action::Wrap)
        wrapSelection(editor, command.first, command.second);
    else
        insertText(editor, command.first);
}

QString colorAttribute(const QColor &color)
{
    // The colour value holds blue high and red low (BBGGRR); the attribute reverses the pairs.
    const QColor rgb = color.toRgb();
    const QString bbggrr = QStringLiteral("%1%2%3")
                               .arg(rgb.blue(), 2, 16, QLatin1Char('0'))
                               .arg(rgb.green(), 2, 16, QLatin1Char('0'))
                               .arg(rgb.red(), 2, 16, QLatin1Char('0'))
                               .toUpper();
    return QStringLiteral("COLOR = ") + bbggrr.mid(4, 2) + bbggrr.mid(2, 2) + bbggrr.mid(0, 2);
}

} // namespace tolvan::markup
