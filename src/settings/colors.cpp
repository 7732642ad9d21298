#include "settings.h"

#include "platform/error.h"

#include <QGuiApplication>
#include <QPalette>

#include <array>

namespace tolvan::settings {

namespace {

constexpr ColorValue systemRoleBase = ColorValue(0x80000000u);

struct NamedColor
{
    const char16_t *name;
    ColorValue value;
};

// Looked up in this order: the plain colours, the system roles, then clNone.
constexpr std::array<NamedColor, 42> namedColors{{
    {u"clBlack", 0x00000000},
    {u"clMaroon", 0x00000080},
    {u"clGreen", 0x00008000},
    {u"clOlive", 0x00008080},
    {u"clNavy", 0x00800000},
    {u"clPurple", 0x00800080},
    {u"clTeal", 0x00808000},
    {u"clGray", 0x00808080},
    {u"clSilver", 0x00C0C0C0},
    {u"clRed", 0x000000FF},
    {u"clLime", 0x0000FF00},
    {u"clYellow", 0x0000FFFF},
    {u"clBlue", 0x00FF0000},
    {u"clFuchsia", 0x00FF00FF},
    {u"clAqua", 0x00FFFF00},
    {u"clWhite", 0x00FFFFFF},
    {u"clScrollBar", systemRoleBase + 0},
    {u"clBackground", systemRoleBase + 1},
    {u"clActiveCaption", systemRoleBase + 2},
    {u"clInactiveCaption", systemRoleBase + 3},
    {u"clMenu", systemRoleBase + 4},
    {u"clWindow", systemRoleBase + 5},
    {u"clWindowFrame", systemRoleBase + 6},
    {u"clMenuText", systemRoleBase + 7},
    {u"clWindowText", systemRoleBase + 8},
    {u"clCaptionText", systemRoleBase + 9},
    {u"clActiveBorder", systemRoleBase + 10},
    {u"clInactiveBorder", systemRoleBase + 11},
    {u"clAppWorkSpace", systemRoleBase + 12},
    {u"clHighlight", systemRoleBase + 13},
    {u"clHighlightText", systemRoleBase + 14},
    {u"clBtnFace", systemRoleBase + 15},
    {u"clBtnShadow", systemRoleBase + 16},
    {u"clGrayText", systemRoleBase + 17},
    {u"clBtnText", systemRoleBase + 18},
    {u"clInactiveCaptionText", systemRoleBase + 19},
    {u"clBtnHighlight", systemRoleBase + 20},
    {u"cl3DDkShadow", systemRoleBase + 21},
    {u"cl3DLight", systemRoleBase + 22},
    {u"clInfoText", systemRoleBase + 23},
    {u"clInfoBk", systemRoleBase + 24},
    {u"clNone", 0x1FFFFFFF},
}};

struct PaletteColor
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// System role n, in the order of the names above, as the nearest colour of a Qt palette.
// Qt has no captions or borders of its own (the window manager draws them), so those take the
// colours Qt uses for a selection and for the window around the controls.
constexpr std::array<PaletteColor, 25> systemRoles{{
    {QPalette::Active, QPalette::Mid},               // scroll bar track
    {QPalette::Active, QPalette::Dark},              // desktop
    {QPalette::Active, QPalette::Highlight},         // active caption
    {QPalette::Inactive, QPalette::Highlight},       // inactive caption
    {QPalette::Active, QPalette::Window},            // menu
    {QPalette::Active, QPalette::Base},              // window (an edit control's background)
    {QPalette::Active, QPalette::Shadow},            // window frame
    {QPalette::Active, QPalette::WindowText},        // menu text
    {QPalette::Active, QPalette::Text},              // window text
    {QPalette::Active, QPalette::HighlightedText},   // caption text
    {QPalette::Active, QPalette::Window},            // active border
    {QPalette::Inactive, QPalette::Window},          // inactive border
    {QPalette::Active, QPalette::Dark},              // application workspace
    {QPalette::Active, QPalette::Highlight},         // highlight
    {QPalette::Active, QPalette::HighlightedText},   // highlighted text
    {QPalette::Active, QPalette::Button},            // button face
    {QPalette::Active, QPalette::Dark},              // button shadow
    {QPalette::Disabled, QPalette::Text},            // grey (disabled) text
    {QPalette::Active, QPalette::ButtonText},        // button text
    {QPalette::Inactive, QPalette::HighlightedText}, // inactive caption text
    {QPalette::Active, QPalette::Light},             // button highlight
    {QPalette::Active, QPalette::Shadow},            // 3D dark shadow
    {QPalette::Active, QPalette::Midlight},          // 3D light
    {QPalette::Active, QPalette::ToolTipText},       // tooltip text
    {QPalette::Active, QPalette::ToolTipBase},       // tooltip background
}};

} // namespace

QColor toQColor(ColorValue value)
{
    if (value < 0) {
        // Only the low byte picks the role, as the value's other bits carry no colour.
        const quint32 role = quint32(value) & 0xFFu;
        if (role >= systemRoles.size())
            return QColor(Qt::black);
        const PaletteColor &entry = systemRoles[role];
        return QGuiApplication::palette().color(entry.group, entry.role);
    }
    const auto bits = quint32(value);
    return QColor(int(bits & 0xFFu), int((bits >> 8) & 0xFFu), int((bits >> 16) & 0xFFu));
}

ColorValue fromQColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return ColorValue(quint32(rgb.red()) | quint32(rgb.green()) << 8 | quint32(rgb.blue()) << 16);
}

QString colorToText(ColorValue value)
{
    for (const NamedColor &named : namedColors) {
        if (named.value == value)
            return QString::fromUtf16(named.name);
    }
    return u'$' + QStringLiteral("%1").arg(quint32(value), 8, 16, QLatin1Char('0')).toUpper();
}

ColorValue colorFromText(const QString &text)
{
    for (const NamedColor &named : namedColors) {
        if (text.compare(QString::fromUtf16(named.name), Qt::CaseInsensitive) == 0)
            return named.value;
    }
    return parseInteger(text);
}

} // namespace tolvan::settings
