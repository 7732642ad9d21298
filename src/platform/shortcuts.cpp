#include "shortcuts.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace tolvan::platform {

namespace {
constexpr Qt::KeyboardModifiers shortcutModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

QString keyName(Qt::Key key)
{
    switch (key) {
    case Qt::Key_Backspace:
        return QStringLiteral("BkSp");
    case Qt::Key_Insert:
        return QStringLiteral("Ins");
    case Qt::Key_Delete:
        return QStringLiteral("Del");
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return QStringLiteral("F%1").arg(int(key - Qt::Key_F1) + 1);
    return QKeySequence(key).toString(QKeySequence::PortableText);
}
} // namespace

QString shortcutText(QKeyCombination key)
{
    if (key.key() == Qt::Key_unknown || key.toCombined() == 0)
        return {};
    QString text;
    const Qt::KeyboardModifiers mods = key.keyboardModifiers();
    if (mods & Qt::ShiftModifier)
        text += QStringLiteral("Shift+");
    if (mods & Qt::ControlModifier)
        text += QStringLiteral("Ctrl+");
    if (mods & Qt::AltModifier)
        text += QStringLiteral("Alt+");
    return text + keyName(key.key());
}

MenuShortcuts::MenuShortcuts(QWidget *window) : QObject(window), m_window(window)
{
    qApp->installEventFilter(this);
}

MenuShortcuts::~MenuShortcuts()
{
    qApp->removeEventFilter(this);
}

QString MenuShortcuts::caption(const QAction *action)
{
    return action->text().section(u'\t', 0, 0);
}

void MenuShortcuts::setShortcut(QAction *action, QKeyCombination key)
{
    const QString name = caption(action);
    if (key.toCombined() == 0) {
        m_keys.remove(action);
        action->setText(name);
        return;
    }
    m_keys.insert(action, key);
    action->setText(name + u'\t' + shortcutText(key));
}

QKeyCombination MenuShortcuts::shortcut(QAction *action) const
{
    return m_keys.value(action, QKeyCombination::fromCombined(0));
}

QAction *MenuShortcuts::actionFor(const QKeyEvent *event) const
{
    const auto key = Qt::Key(event->key());
    if (key == Qt::Key_unknown || key == Qt::Key_Shift || key == Qt::Key_Control ||
        key == Qt::Key_Alt || key == Qt::Key_Meta)
        return nullptr;
    const QKeyCombination pressed(event->modifiers() & shortcutModifiers, key);
    for (auto it = m_keys.cbegin(); it != m_keys.cend(); ++it)
        if (it.value() == pressed)
            return it.key();
    return nullptr;
}

bool MenuShortcuts::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
        return false;
    // Only keys meant for this window: not those of a dialog or of an open menu.
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != m_window || QApplication::activePopupWidget())
        return false;
    QAction *action = actionFor(static_cast<QKeyEvent *>(event));
    if (!action)
        return false;
    if (type == QEvent::ShortcutOverride) {
        // Claiming the key here keeps Qt's shortcut map (and the menu bar) out of it; the key
        // press that follows comes back to this filter.
        event->accept();
        return true;
    }
    if (action->isEnabled())
        action->trigger();
    return true;
}

} // namespace tolvan::platform
