#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

class QAction;

namespace zarvik {

// A tool tip that names the keys of its command: "Открыть проект (Ctrl+L, Ctrl+O)". Without keys
// the text stands alone.
QString ToolTipWithShortcuts(const QString &text, const QList<QKeySequence> &shortcuts);

// Sets the action's tool tip to the text with the action's own keys.
void SetToolTipWithShortcuts(QAction &action, const QString &text);

} // namespace zarvik
