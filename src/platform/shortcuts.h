#pragma once

#include <QHash>
#include <QKeySequence>
#include <QObject>

class QAction;
class QKeyEvent;
class QWidget;

namespace tolvan::platform {

// The text a menu shows for a key: "Shift+", "Ctrl+", "Alt+" (in this order), then the key's
// name: letters and digits as themselves, "F1".."F12", "BkSp", "Ins", "Del".
QString shortcutText(QKeyCombination key);

// Runs the menu's keyboard shortcuts for one window ahead of its widgets and ahead of the menu
// bar's access keys, so that Alt+C reaches its menu item even though Alt+C also names the
// "&Character" menu, and a disabled item's key is swallowed rather than reaching the editor.
// The actions carry no QAction shortcut of their own; their text shows the key after a tab.
class MenuShortcuts : public QObject
{
    Q_OBJECT
public:
    explicit MenuShortcuts(QWidget *window);
    ~MenuShortcuts() override;

    void setShortcut(QAction *action, QKeyCombination key);
    QKeyCombination shortcut(QAction *action) const;
    // The caption of an action without the shortcut text shown after it.
    static QString caption(const QAction *action);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *actionFor(const QKeyEvent *event) const;

    QWidget *m_window;
    QHash<QAction *, QKeyCombination> m_keys;
};

} // namespace tolvan::platform
