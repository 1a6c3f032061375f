#pragma once

class QWidget;

// Where windows appear when they are first shown.
namespace placement {

void centreOnScreen(QWidget* window);
void centreOver(QWidget* window, const QWidget* owner);

}  // namespace placement
