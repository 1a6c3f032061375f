#include "Placement.h"

#include <QScreen>
#include <QWidget>

namespace placement {

void centreOnScreen(QWidget* window) {
    if (const QScreen* screen = window->screen()) {
        window->move(screen->availableGeometry().center() - window->rect().center());
    }
}

void centreOver(QWidget* window, const QWidget* owner) {
    if (owner == nullptr || !owner->isVisible()) {
        centreOnScreen(window);
        return;
    }
    window->move(owner->frameGeometry().center() - window->rect().center());
}

}  // namespace placement
