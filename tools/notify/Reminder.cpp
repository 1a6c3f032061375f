#include "Reminder.h"

#include "core/Keys.h"
#include "core/Registry.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <cstdio>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = kService;
const QString kRegisterAction = QStringLiteral("register");
const QString kHide = QStringLiteral("hide");

void complain(const QString& text) {
    std::fprintf(stderr, "orvexreg-notify: %s\n", qUtf8Printable(text));
}

bool hides(const QStringList& words) {
    return words.contains(kHide, Qt::CaseInsensitive);
}

}  // namespace

Reminder::Reminder(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus)) {
    limit_.setSingleShot(true);
    limit_.setInterval(15 * 60 * 1000);
    connect(&limit_, &QTimer::timeout, this, [this] {
        // Take the offer back, so that no button remains that nobody listens to; the end
        // waits for the answer, or the request might never leave the process.
        auto* watcher = new QDBusPendingCallWatcher(
            bus_.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                          QStringLiteral("CloseNotification"))
                               << id_,
                           5000),
            this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this] { finish(0); });
    });
}

bool Reminder::wanted() {
    Registry reg;
    if (!reg.OpenKey(keys::RunKey) || !reg.ValueExists(keys::RunValue)) {
        return false;
    }
    // The path holds blanks ("Program Files"); "hide" is a word of its own after it.
    return !hides(reg.ReadString(keys::RunValue).split(u' ', Qt::SkipEmptyParts));
}

void Reminder::start(const QStringList& arguments) {
    bool show = false;
    try {
        show = !hides(arguments) && wanted();
    } catch (const Error& e) {
        complain(e.message());
        finishLater(1);
        return;
    }
    if (!show) {
        finishLater(0);
        return;
    }
    notify();
}

void Reminder::notify() {
    if (!bus_.isConnected()) {
        complain(QStringLiteral("no session bus, so no reminder is shown"));
        finishLater(0);
        return;
    }
    // Listen before asking, so that an immediate answer is not missed.
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(actionInvoked(uint, QString)));
    bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(closed(uint, uint)));

    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("com.quillmarsh.orvexreg"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("ORVEX 產品註冊") << uint(0) << QStringLiteral("com.quillmarsh.orvexreg")
         << QStringLiteral("ORVEX 產品尚未註冊")
         << QStringLiteral(
                "您的 ORVEX 產品還沒有完成註冊。請按「立即註冊」開啟註冊程式，"
                "註冊後即可享有會員服務與產品保固。")
         << QStringList{kRegisterAction, QStringLiteral("立即註冊")} << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            complain(QStringLiteral("no desktop notification service (%1), so no reminder is shown")
                         .arg(reply.error().message()));
            finish(0);
            return;
        }
        id_ = reply.value();
        limit_.start();
    });
}

void Reminder::actionInvoked(uint id, const QString& action) {
    if (id_ == 0 || id != id_ || action != kRegisterAction) {
        return;
    }
    shell::open(paths::join(paths::programFolder(), QStringLiteral("orvexreg")), QString());
    finish(0);
}

void Reminder::closed(uint id, uint) {
    if (id_ != 0 && id == id_) {
        finish(0);
    }
}

// After start() has returned, so that a caller connected afterwards still hears it.
void Reminder::finishLater(int exitCode) {
    QMetaObject::invokeMethod(
        this, [this, exitCode] { finish(exitCode); }, Qt::QueuedConnection);
}

void Reminder::finish(int exitCode) {
    if (done_) {
        return;
    }
    done_ = true;
    limit_.stop();
    emit finished(exitCode);
}
