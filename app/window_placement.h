#pragma once

#include <QScreen>
#include <QWidget>

// Puts `window` in the middle of its screen's free area, as every dialog of
// the application opens: top first, then left.
inline void centreOnScreen(QWidget &window)
{
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = window.frameGeometry().size();
    window.move(area.x() + area.width() / 2 - size.width() / 2, area.y() + area.height() / 2 - size.height() / 2);
}
