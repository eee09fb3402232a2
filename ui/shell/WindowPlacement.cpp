#include "ui/shell/WindowPlacement.h"

#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace zarvik {

QRect FitIntoArea(const QRect &wanted, const QRect &area)
{
    if (area.isEmpty())
        return wanted;
    const int width = std::min(wanted.width(), area.width());
    const int height = std::min(wanted.height(), area.height());
    const int x = std::clamp(wanted.x(), area.x(), area.x() + area.width() - width);
    const int y = std::clamp(wanted.y(), area.y(), area.y() + area.height() - height);
    return QRect(x, y, width, height);
}

void PlaceOnScreen(QWidget &window, const QRect &wanted)
{
    QScreen *screen = QGuiApplication::screenAt(wanted.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        window.move(wanted.topLeft());
        window.resize(wanted.size());
        return;
    }
    // Before the window is first shown its frame is unknown and counts as nothing.
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                           frame.right() - client.right(), frame.bottom() - client.bottom());
    const QRect outer(wanted.topLeft(), wanted.size().grownBy(margins));
    const QRect fitted = FitIntoArea(outer, screen->availableGeometry());
    window.move(fitted.topLeft());
    window.resize(fitted.size().shrunkBy(margins));
}

} // namespace zarvik
