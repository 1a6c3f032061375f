#include "Reminder.h"

#include <QCoreApplication>

// Started at log-on, and by the program with "hide" once a registration has been made.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Reminder reminder(QDBusConnection::sessionBus());
    QObject::connect(&reminder, &Reminder::finished, &app, &QCoreApplication::exit);
    reminder.start(app.arguments().mid(1));
    return QCoreApplication::exec();
}
