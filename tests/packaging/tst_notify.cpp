#include "TestEnvironment.h"
#include "core/Keys.h"
#include "core/Registry.h"
#include "desktop/Application.h"
#include "platform/Shell.h"
#include "tools/notify/Reminder.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTest>

// A desktop's notification service, on a connection of its own so that its signals travel
// over the bus as a real server's do.
class StandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList summaries;
    QStringList actions;
    QList<uint> closedByClient;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString&,
                const QStringList& actionList, const QVariantMap&, int) {
        summaries << summary;
        actions = actionList;
        return 40 + summaries.size();
    }
    void CloseNotification(uint id) { closedByClient << id; }

signals:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);
};

class TestNotify : public QObject {
    Q_OBJECT
    QDBusConnection server_ =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("stand-in"));

    static void writeRun(const QString& command) {
        Registry reg;
        reg.OpenKey(keys::RunKey, true);
        reg.WriteString(keys::RunValue, command);
    }

    // Runs one reminder to its end; false when it did not end in time.
    static bool runReminder(const QStringList& arguments,
                            const std::function<void()>& meanwhile = nullptr, int limitMs = 60000) {
        Reminder reminder(QDBusConnection::sessionBus());
        reminder.setAnswerLimitMs(limitMs);
        QSignalSpy done(&reminder, &Reminder::finished);
        reminder.start(arguments);
        if (meanwhile) {
            meanwhile();
        }
        return done.wait(30000) && done.front().front().toInt() == 0;
    }

private slots:
    void initTestCase() { QVERIFY2(server_.isConnected(), "run under dbus-run-session"); }

    void nothingIsShownUnlessTheRunValueAsksForIt() {
        StandIn standIn;
        QVERIFY(server_.registerObject(
            QStringLiteral("/org/freedesktop/Notifications"), &standIn,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        QVERIFY(server_.registerService(QStringLiteral("org.freedesktop.Notifications")));
        TestEnvironment env;
        QVERIFY(runReminder({}));  // no hive at all
        QVERIFY(!QFile::exists(env.hivePath()));
        writeRun(keys::NotifyHideCommand);
        QVERIFY(runReminder({}));
        writeRun(keys::NotifyCommand);
        QVERIFY(runReminder({QStringLiteral("hide")}));
        QVERIFY(standIn.summaries.isEmpty());

        // The plain command reminds; answers about another notification are not ours, the
        // action starts the program of the program folder.
        QVERIFY(runReminder({}, [&] {
            QTRY_COMPARE(standIn.summaries.size(), 1);
            emit standIn.ActionInvoked(7, QStringLiteral("register"));
            emit standIn.NotificationClosed(7, 2);
            emit standIn.ActionInvoked(41, QStringLiteral("register"));
        }));
        QVERIFY(standIn.summaries.front().contains(QStringLiteral("尚未註冊")));
        QCOMPARE(standIn.actions,
                 QStringList({QStringLiteral("register"), QStringLiteral("立即註冊")}));
        QCOMPARE(env.launched.size(), 1);
        QCOMPARE(env.launched.front().first, env.programFolder() + QStringLiteral("/orvexreg"));

        // Closing the notification ends the reminder without starting anything.
        QVERIFY(runReminder({}, [&] {
            QTRY_COMPARE(standIn.summaries.size(), 2);
            emit standIn.NotificationClosed(42, 2);
        }));
        QCOMPARE(env.launched.size(), 1);

        // Unanswered, the reminder gives up and takes its notification back.
        QVERIFY(runReminder({}, nullptr, 50));
        QCOMPARE(standIn.closedByClient, QList<uint>{43});
        QVERIFY(server_.unregisterService(QStringLiteral("org.freedesktop.Notifications")));
        server_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));

        // Without a service it ends quietly.
        QVERIFY(runReminder({}));
        QCOMPARE(env.launched.size(), 1);
    }

    void theReminderProgramIsOursBesideTheProgram() {
        TestEnvironment env;
        QCOMPARE(shell::localProgram(keys::NotifyProgram),
                 env.programFolder() + QStringLiteral("/orvexreg-notify"));
        QCOMPARE(shell::localProgram(QStringLiteral("c:\\Program Files\\x\\setup.exe")),
                 env.driveC() + QStringLiteral("/Program Files/x/setup.exe"));
    }
};

int main(int argc, char** argv) {
    Application app(argc, argv);
    TestNotify test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_notify.moc"
