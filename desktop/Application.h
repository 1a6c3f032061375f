#pragma once

#include <QApplication>

// The application object. Every window's handlers run through their own guard
// (controls/Guard.h); an exception that still reaches the event loop is shown in the error box
// here, as the last net, and the program goes on with the next event.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
