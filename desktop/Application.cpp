#include "Application.h"

#include "MessageBoxes.h"
#include "Toolkit.h"

#include <QFont>

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // Traditional Chinese glyph forms for every window, whatever the user's language.
    setFont(QFont(QStringLiteral("Noto Sans CJK TC"), 9));
    setQuitOnLastWindowClosed(false);
    toolkit::installChineseTexts();
    // The desktop ties the windows to the menu entry, its icon and its name.
    setDesktopFileName(QString::fromUtf16(toolkit::kAppId));
    setWindowIcon(toolkit::appIcon());
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        msg::showError(e);
    }
    return false;
}
