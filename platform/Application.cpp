#include "Application.h"

#include "MessageBoxes.h"

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        msg::showError(e);
    }
    return false;
}
