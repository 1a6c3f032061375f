#include "InputHold.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace {

bool isInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::InputMethod:
            return true;
        default:
            return false;
    }
}

// Closes each window still shown, once nothing modal is open any more: looked at again every
// tenth of a second while a box is open.
void closeLater(QList<QPointer<QWidget>> windows, int delayMs = 0) {
    QTimer::singleShot(delayMs, qApp, [windows = std::move(windows)] {
        if (QApplication::activeModalWidget() != nullptr) {
            closeLater(windows, 100);
            return;
        }
        for (const QPointer<QWidget>& window : windows) {
            if (window && window->isVisible()) {
                window->close();
            }
        }
    });
}

}  // namespace

InputHold::InputHold(QWidget* window) : window_(window) {
    qApp->installEventFilter(this);
}

InputHold::~InputHold() {
    qApp->removeEventFilter(this);
    if (!closes_.isEmpty()) {
        closeLater(closes_);
    }
}

bool InputHold::allowed(const QObject* watched) const {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget == nullptr) {
        return true;  // the windows' own surfaces pass their input on to the widgets
    }
    const QWidget* top = widget->window();
    return top == window_ || top == QApplication::activeModalWidget() ||
           top == QApplication::activePopupWidget();
}

bool InputHold::eventFilter(QObject* watched, QEvent* event) {
    if (allowed(watched)) {
        return false;
    }
    if (event->type() == QEvent::Close) {
        auto* widget = static_cast<QWidget*>(watched);
        if (!closes_.contains(widget)) {
            closes_.append(widget);
        }
        event->ignore();
        return true;
    }
    return isInput(event->type());
}
