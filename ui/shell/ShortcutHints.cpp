#include "ui/shell/ShortcutHints.h"

#include <QAction>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace zarvik {

QString ToolTipWithShortcuts(const QString &text, const QList<QKeySequence> &shortcuts)
{
    QStringList keys;
    for (const QKeySequence &shortcut : shortcuts) {
        if (!shortcut.isEmpty())
            keys.append(shortcut.toString(QKeySequence::NativeText));
    }
    if (keys.isEmpty())
        return text;
    return text + u" ("_s + keys.join(u", "_s) + u')';
}

void SetToolTipWithShortcuts(QAction &action, const QString &text)
{
    action.setToolTip(ToolTipWithShortcuts(text, action.shortcuts()));
}

} // namespace zarvik
