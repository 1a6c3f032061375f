#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QTimer>

// The log-on reminder. The Run value in the hive is the one record of whether the user still
// has to register: its command without "hide" means not yet. Then a desktop notification
// offers to start the program; otherwise nothing is shown.
class Reminder : public QObject {
    Q_OBJECT
public:
    explicit Reminder(QDBusConnection bus, QObject* parent = nullptr);

    // Decides, shows the notification if needed and later emits finished() exactly once.
    void start(const QStringList& arguments);

    // Whether the stored Run value asks for a reminder.
    static bool wanted();
    // How long an unanswered notification is waited for before the reminder gives up.
    void setAnswerLimitMs(int ms) { limit_.setInterval(ms); }

signals:
    void finished(int exitCode);

private slots:
    void actionInvoked(uint id, const QString& action);
    void closed(uint id, uint reason);

private:
    void notify();
    void finishLater(int exitCode);
    void finish(int exitCode);

    QDBusConnection bus_;
    QTimer limit_;
    uint id_ = 0;
    bool done_ = false;
};
