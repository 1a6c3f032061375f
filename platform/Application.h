#pragma once

#include <QApplication>

// The application object: an exception escaping any event handler is shown in the error box
// and the program goes on with the next event.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
