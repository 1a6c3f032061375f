#pragma once

#include "desktop/MessageBoxes.h"

#include <QObject>

// The error boundary of the windows. Every handler a window connects runs through it: an
// error escaping the handler is shown in the error box and ends that handler only, and the
// program goes on with the next event. (An exception that reaches Qt's event loop is
// undefined behaviour; the application's own net behind it is only the last resort.)
namespace guard {

// The handler `method` of `owner`, guarded.
template <typename Owner, typename... Args>
auto handler(Owner* owner, void (Owner::*method)(Args...)) {
    return [owner, method](Args... args) { msg::reportErrors([&] { (owner->*method)(args...); }); };
}

// A handler without arguments, guarded.
template <typename Callable>
auto handler(Callable callable) {
    return [callable = std::move(callable)] { msg::reportErrors(callable); };
}

// Connects a signal to a guarded handler of `owner`, which is also the connection's context.
template <typename Sender, typename Signal, typename Owner, typename Method>
QMetaObject::Connection connect(Sender* sender, Signal signal, Owner* owner, Method method) {
    return QObject::connect(sender, signal, owner, handler(owner, method));
}

}  // namespace guard
