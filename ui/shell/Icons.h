#pragma once

#include <QIcon>
#include <QString>

class QWidget;

namespace zarvik {

// The icon of a command, by the objectName of its action: the desktop theme's icon when the
// theme has one, otherwise the copy shipped in the program's resources. Null for a command
// that has no icon.
QIcon ActionIcon(const QString &objectName);

// Gives every action of the window (its own, its tool bars' and its menus') and every tool-bar
// button with a known command name its icon. Call it once the window's commands exist.
void ApplyActionIcons(QWidget *window);

// The program's icon for its windows: the installed theme icon, else the copy in the resources.
QIcon ApplicationIcon();

// Gives every window the application icon and tells the desktop which entry the program belongs
// to (on Wayland the compositor finds the icon and the name through it). Call it after the
// application object is made.
void SetUpDesktopIdentity();

} // namespace zarvik
