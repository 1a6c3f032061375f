#pragma once

#include <sys/socket.h>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

// An accepted connection, its client's address and when it came.
struct Arrival {
    int fd = -1;
    sockaddr_storage peer{};
    socklen_t peerLength = 0;
    quint64 number = 0;  // in the order of arrival
    qint64 since = 0;    // ms on the gate's clock
    qint64 active = 0;   // the last time more of the head came
    qsizetype seen = 0;  // bytes of the head seen so far
};

// Holds accepted connections until their request head has come whole, then hands each on with
// the verdict on that head. Once the HTTP library has parsed a head, what was sent can no longer
// be told (a NUL has cut a line short, a folded line is glued to a name), so the head is looked
// at before: only peeked at (MSG_PEEK), never taken, so that the library reads the very bytes
// that were checked. A connection whose head does not come within the head timeout of its
// start, that is silent for the idle timeout, or whose client goes first, is closed without an
// answer.
class HeadGate : public QObject {
    Q_OBJECT
public:
    // maxHead: a head not whole within this many bytes is handed on as too large.
    HeadGate(qsizetype maxHead, int headTimeoutMs, int idleTimeoutMs, QObject* parent = nullptr);
    ~HeadGate() override;
    // False when the gate could not be set up, for want of a descriptor.
    bool isValid() const { return epoll_ >= 0; }

    // Takes a non-blocking connection just accepted.
    void take(int fd, const sockaddr_storage& peer, socklen_t peerLength);
    int size() const { return static_cast<int>(waiting_.size()); }
    // Closes the connection that has waited longest; false when none waits.
    bool dropOldest();

signals:
    // The connection now belongs to the receiver. verdict: 0, or the status to refuse it with.
    void headed(const Arrival& arrival, int verdict);
    // A connection was closed here: there is room for another.
    void closed();

private:
    void events();
    void look(int fd, bool ended);
    void handOn(int fd, int verdict);
    void close(int fd);
    void expire();
    void schedule();
    qint64 deadline(const Arrival& arrival) const;

    qsizetype maxHead_;
    int headTimeoutMs_;
    int idleTimeoutMs_;
    int epoll_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QElapsedTimer clock_;
    QTimer timer_;
    QHash<int, Arrival> waiting_;
    quint64 arrivals_ = 0;
    QByteArray buffer_;
};
